#include <gtest/gtest.h>

#include <QCoreApplication>
#include <cstdlib>
#include <string_view>

#include "Platform/Linux/DBus/BusConnection.h"
#include "Platform/Linux/Files/JsonFileDefaultsStore.h"
#include "Platform/Linux/Files/PosixFileSystem.h"
#include "Platform/Linux/NightLight/DesktopNightLight.h"
#include "Platform/Linux/System/GLibMainLoop.h"
#include "Platform/Simulated/CapturingLogger.h"

namespace {

// A run of the program that ends without giving the night light back: it shows `kelvin`
// through the tint of `desktop` (XDG_CURRENT_DESKTOP's name), keeping the user's values in
// the defaults file, and waits for the SIGKILL.
int holdUntilKilled(int argc, char** argv) {
    using namespace vesperine;
    QCoreApplication app(argc, argv);
    GLibMainLoop loop;
    auto connection = BusConnection::open(BusConnection::Bus::session, loop, loop);
    if (!connection) return 2;
    PosixFileSystem files;
    CapturingLogger logger;
    JsonFileDefaultsStore defaults(files, logger, argv[4]);
    auto tint = DesktopNightLight::tintOf(
        argv[2], {defaults, files, connection.value().get(), argv[5], logger});
    if (!tint || !tint->available()) return 3;
    tint->show(std::atof(argv[3]));
    return app.exec();
}

}  // namespace

// vesperine_desktop_tests --hold <desktop> <kelvin> <defaults file> <configuration folder>
// plays that run; anything else runs the tests.
int main(int argc, char** argv) {
    if (argc == 6 && std::string_view(argv[1]) == "--hold") return holdUntilKilled(argc, argv);
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
