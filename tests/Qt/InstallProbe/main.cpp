// The program's start-up up to the install offer, and nothing after it: what start-up builds
// for the offer (the user installer, the exec relaunch, the program's alerts), the offer, and
// on "installed" the relaunch once this run has ended. A copy that stays holds the instance
// lock, like the program, until SIGTERM. The install-offer test runs it from a download folder.
#include <signal.h>
#include <unistd.h>

#include <cstdio>

#include "App/AppInfo.h"
#include "App/Launch/ProgramAlerts.h"
#include "App/MoveToApplications.h"
#include "Platform/Linux/ExecRelaunch.h"
#include "Platform/Linux/LockFileSingleInstance.h"
#include "Platform/Linux/PollLoop.h"
#include "Platform/Linux/RunningProgram.h"
#include "Platform/Linux/SignalWatcher.h"
#include "Platform/Linux/SystemLogger.h"
#include "Platform/Linux/UserInstaller.h"
#include "Platform/Linux/XdgPaths.h"

int main(int argc, char** argv) {
    using namespace vesperine;
    SignalWatcher::blockTerminationSignals();
    const AppInfo info = AppInfo::current();
    SystemLogger logger(info.bundleIdentifier, SystemLogger::Sink::standardError);
    const XdgPaths paths = XdgPaths::fromEnvironment();
    UserInstaller installer(logger, info.bundleIdentifier, RunningProgram::path(), paths);
    ExecRelaunch relaunch(installer.runningPath(), {argv + 1, argv + argc}, logger);
    // Start-up's step for the offer: when it installs, start-up stops, this run ends and the
    // installed copy takes its place.
    const bool relaunching = [&] {
        auto alerts = makeProgramAlerts(info, logger);
        return MoveToApplications(installer, *alerts, relaunch, logger, info).offerIfNeeded();
    }();
    if (relaunching) return relaunch.execPending() ? 0 : 1;

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
    sigwait(&terminations, &signal);
    return 0;
}
