#include <gtest/gtest.h>

#include <QCoreApplication>

// The loop tests need one application object for the whole run.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
