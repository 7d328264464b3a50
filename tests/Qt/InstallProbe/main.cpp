// Start-up up to the install offer, built as start-up builds it: when the offer installs, this
// run ends and the installed copy takes its place; otherwise it holds the instance lock, as
// the program does, until SIGTERM.
#include <signal.h>

#include <cstdio>

#include "App/Launch/ProgramAlerts.h"
#include "App/MoveToApplications.h"
#include "Platform/Linux/ExecRelaunch.h"
#include "Platform/Linux/LockFileSingleInstance.h"
#include "Platform/Linux/PollLoop.h"
#include "Platform/Linux/RunningProgram.h"
#include "Platform/Linux/SignalWatcher.h"
#include "Platform/Linux/SystemLogger.h"
#include "Platform/Linux/UserInstaller.h"

int main(int argc, char** argv) {
    using namespace vesperine;
    SignalWatcher::blockTerminationSignals();
    const AppInfo info = AppInfo::current();
    SystemLogger logger(info.bundleIdentifier, SystemLogger::Sink::standardError);
    const XdgPaths paths = XdgPaths::fromEnvironment();
    UserInstaller installer(logger, info.bundleIdentifier, RunningProgram::path(), paths);
    ExecRelaunch relaunch(installer.runningPath(), {argv + 1, argv + argc}, logger);
    if (MoveToApplications(installer, *makeProgramAlerts(info, logger), relaunch, logger, info)
            .offerIfNeeded()) {
        return relaunch.execPending() ? 0 : 1;
    }
    PollLoop loop;
    LockFileSingleInstance instance(loop, loop, logger, paths.runtimeFolders(info.bundleIdentifier),
                                    info.bundleIdentifier);
    if (instance.claimOrHandOver(SingleInstance::Request::activate).outcome !=
        SingleInstance::Outcome::claimed) {
        return 1;
    }
    std::printf("running %s\n", installer.runningPath().c_str());
    std::fflush(stdout);
    sigset_t terminations;
    sigemptyset(&terminations);
    sigaddset(&terminations, SIGTERM);
    int signal = 0;
    return sigwait(&terminations, &signal);
}
