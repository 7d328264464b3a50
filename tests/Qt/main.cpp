#include <gtest/gtest.h>

#include <QApplication>

// One widgets application for the whole run, on the offscreen platform unless told otherwise,
// so that dialogs and windows can be driven without a screen.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
