#include <gtest/gtest.h>

#include <QApplication>

// The widget tests share one application on the offscreen platform (set by CTest; set here
// too, so the binary also runs by hand without a display).
int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen"
                                                                       : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
