#include <cstdio>
#include <ctime>

#include "App/AppDelegate.h"
#include "App/Launch/Programs.h"
#include "Platform/Linux/BusControlClient.h"
#include "Support/SafeText.h"

namespace vesperine {

namespace {

// As long as a later launch waits on the instance socket: a stopped instance costs a
// command no more than it costs a launch.
constexpr Duration patience = std::chrono::seconds(2);

// A time on the instance's schedule clock, in this process's time zone (the user's, as the
// instance's is).
std::string clockTime(std::int64_t seconds) {
    const std::time_t time = static_cast<std::time_t>(seconds);
    std::tm local{};
    char text[16] = "--:--";
    if (localtime_r(&time, &local)) std::strftime(text, sizeof text, "%H:%M", &local);
    return text;
}

int fail(const std::string& problem) {
    std::fprintf(stderr, "vesperine: %s\n", SafeText::forPeople(problem).c_str());
    return 1;
}

}  // namespace

int runControlCommand(const ControlCommand& command, const AppInfo& info) {
    const std::string name = info.displayName;
    auto opened = BusControlClient::open(ControlBusNames::of(info.bundleIdentifier), patience);
    if (!opened) return fail("Couldn't reach a running " + name + ": " + opened.error().description);
    BusControlClient& client = *opened.value();
    if (!client.instanceRuns()) {
        return fail(name + " isn't running; start it with \"vesperine\"");
    }
    Status done = success();
    using Verb = ControlCommand::Verb;
    switch (command.verb) {
        case Verb::status: break;
        case Verb::resume: done = client.resume(); break;
        case Verb::reset: done = client.reset(); break;
        case Verb::warm:
        case Verb::red:
        case Verb::bright:
        case Verb::off: {
            const std::string kind = rawValue(*command.kind());
            done = command.strength ? client.setStrength(kind, *command.strength)
                                    : client.select(kind, rawValue(LifetimeChoice::nextChange));
            break;
        }
    }
    if (!done) return fail("Couldn't ask the running " + name + ": it " + done.error().description);
    const auto status = client.status();
    if (!status) {
        return fail("Couldn't read the status of the running " + name + ": it " +
                    status.error().description);
    }
    const std::string text = status->describe(clockTime);
    // After a change, its first line says what shows now; status says all.
    std::fputs(command.verb == Verb::status ? text.c_str()
                                            : text.substr(0, text.find('\n') + 1).c_str(),
               stdout);
    return 0;
}

std::optional<int> handOverOnSessionBus(const LaunchOptions& options, const AppInfo& info) {
    auto opened = BusControlClient::open(ControlBusNames::of(info.bundleIdentifier), patience);
    if (!opened || !opened.value()->instanceRuns()) return std::nullopt;
    BusControlClient& client = *opened.value();
    const auto request =
        options.reset ? SingleInstance::Request::resetDisplays : SingleInstance::Request::activate;
    const Status done = options.reset ? client.reset() : client.activate();
    if (!done && BusControlClient::isUnknownMethod(done.error())) return std::nullopt;
    SingleInstance::Claim claim;
    claim.outcome = done ? SingleInstance::Outcome::handedOver : SingleInstance::Outcome::noAnswer;
    if (!done) claim.detail = done.error().description;
    const auto [outcome, line] = AppDelegate::describeHandOver(options, claim, request);
    const bool handedOver = outcome == AppDelegate::Outcome::handedOver;
    std::fprintf(handedOver ? stdout : stderr, "%s\n", SafeText::forPeople(line).c_str());
    return handedOver ? 0 : 1;
}

}  // namespace vesperine
