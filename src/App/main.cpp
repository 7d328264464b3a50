#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>

#include "App/AppInfo.h"
#include "App/Launch/Programs.h"
#include "App/LaunchOptions.h"
#include "Platform/Linux/SignalWatcher.h"
#include "Platform/Linux/SystemLogger.h"
#include "Platform/X11/X11Connection.h"

int main(int argc, char** argv) {
    using namespace vesperine;
    // Before anything can start a thread: termination signals wait for the main loop.
    SignalWatcher::blockTerminationSignals();

    const LaunchOptions options = LaunchOptions::parse(argc, argv);
    const AppInfo info = AppInfo::current();
    if (options.help) {
        std::fputs(LaunchOptions::helpText(), stdout);
        return 0;
    }
    if (options.version) {
        std::printf("%s %s (%s)\n", info.displayName.c_str(), info.version.c_str(),
                    info.build.c_str());
        return 0;
    }

    QCoreApplication application(argc, argv);
    const char* display = std::getenv("DISPLAY");
    if (!options.simulated && display && *display) {
        // VESPERINE_LOG_STDERR keeps the log on stderr even where a journal runs.
        SystemLogger logger(info.bundleIdentifier, std::getenv("VESPERINE_LOG_STDERR")
                                                       ? SystemLogger::Sink::standardError
                                                       : SystemLogger::Sink::automatic);
        auto connection = openX11WhenReady(logger);
        if (!connection) return 1;
        return runOnX11(options, info, std::move(connection), logger);
    }
    return runSimulatedReplay(options, info);
}
