#include <gtest/gtest.h>

#include <QApplication>

// The loop, X11 and widget tests need one application object for the whole run; a widgets
// one, on the offscreen platform (unless told otherwise), so that dialogs and windows can be
// driven without a screen.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
