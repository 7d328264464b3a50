#include "App/ControlStatus.h"
#include "App/LaunchOptions.h"
#include "Schedule/Cities.h"

#include <gtest/gtest.h>

namespace vesperine {
namespace {

using Arguments = std::vector<std::string>;

TEST(LaunchOptions, SwitchesTakeTheirValuesAfterAnEqualsSignOrAsTheNextArgument) {
    auto options = LaunchOptions::parse(Arguments{"-h", "--reset", "--simulated",
                                                  "--replay-seconds=12.5", "--clock-start", "19:45",
                                                  "--clock-scale=.5", "--clock-scale=60"});
    ASSERT_TRUE(options.ok()) << options.error().description;
    EXPECT_TRUE(options->help && options->reset && options->simulated);
    EXPECT_EQ(options->replaySeconds, 12.5);
    EXPECT_EQ(options->clockStartMinutes, 19 * 60 + 45);
    EXPECT_EQ(options->clockScale, 60.0);  // the last one counts
    EXPECT_EQ(LaunchOptions::parse(Arguments{"--clock-start=00:00"})->clockStartMinutes, 0);
}

// One line naming the first thing wrong, even after good switches; nothing is guessed at.
TEST(LaunchOptions, AnythingElseIsRefusedByName) {
    const std::pair<const char*, std::string> named[] = {
        {"reset", "unexpected argument 'reset'"},
        {"--reset=yes", "--reset takes no value"},
        {"--clock-start", "--clock-start needs a value"},
        {"--clock-start=25:00",
         "--clock-start wants a time of day from 00:00 to 23:59 (HH:MM), not '25:00'"},
        {"--clock-scale=fast",
         "--clock-scale wants a number greater than 0 and at most 86400, not 'fast'"}};
    for (const auto& [argument, problem] : named) {
        auto options = LaunchOptions::parse(Arguments{"--reset", argument});
        ASSERT_FALSE(options.ok()) << argument;
        EXPECT_EQ(options.error().description, problem);
    }
    for (const char* value : {"07:60", "7:45", "+7:45", "24:00"}) {
        EXPECT_FALSE(LaunchOptions::parse(Arguments{"--clock-start", value}).ok()) << value;
    }
    for (const char* value : {"", "abc", "0", "-1", "nan", "inf", "1e400", "86401", " 5", "5s"}) {
        for (const char* name : {"--clock-scale=", "--replay-seconds="}) {
            auto options = LaunchOptions::parse(Arguments{name + std::string(value)});
            ASSERT_FALSE(options.ok()) << name << value;
            EXPECT_NE(options.error().description.find(std::string("'") + value + "'"),
                      std::string::npos);
        }
    }
}

// A switch the chosen run would not honour is refused, never dropped.
TEST(LaunchOptions, SwitchesThatDoNotApplyToTheRunAreRefused) {
    using Run = LaunchOptions::Run;
    // The start of the refusal; empty: honoured.
    const std::tuple<Arguments, bool, Run, std::string> cases[] = {
        {{"--clock-scale=60", "--clock-start=21:00", "--reset"}, true, Run::display, ""},
        {{"--clock-start=21:00", "--reset", "--replay-seconds=5"}, false, Run::replay, ""},
        {{"--replay-seconds=5"}, true, Run::display, "--replay-seconds applies only to"},
        {{"--clock-scale=60"}, false, Run::replay, "--clock-scale does not apply to"},
        {{"--onboarding"}, false, Run::replay, "--onboarding shows a window"},
    };
    for (const auto& [arguments, displayNamed, run, refused] : cases) {
        SCOPED_TRACE(arguments.front());
        auto options = LaunchOptions::parse(arguments);
        ASSERT_TRUE(options.ok());
        EXPECT_EQ(options->run(displayNamed), run);
        auto applies = options->checkFor(run);
        EXPECT_EQ(applies.ok() ? "" : applies.error().description.substr(0, refused.size()),
                  refused);
    }
}

// A command word first makes the launch a command for the running instance; a strength is
// typed as the panel shows it and checked against the kind's own range, ends included.
TEST(LaunchOptions, CommandsForTheRunningInstance) {
    using Verb = ControlCommand::Verb;
    const std::tuple<Arguments, Verb, std::optional<double>> accepted[] = {
        {{"status"}, Verb::status, std::nullopt},
        {{"warm", "3400"}, Verb::warm, 3400.0},
        {{"warm", "1200K"}, Verb::warm, 1200.0},
        {{"red", "80"}, Verb::red, 0.8},
        {{"bright", "110%"}, Verb::bright, 1.1},
        {{"off"}, Verb::off, std::nullopt},
        {{"reset"}, Verb::reset, std::nullopt},
        {{"location"}, Verb::location, std::nullopt},
    };
    for (const auto& [arguments, verb, strength] : accepted) {
        SCOPED_TRACE(arguments.back());
        const auto options = LaunchOptions::parse(arguments);
        ASSERT_TRUE(options.ok()) << options.error().description;
        ASSERT_TRUE(options->command);
        EXPECT_EQ(options->command->verb, verb);
        EXPECT_EQ(options->command->strength, strength);
    }
    const std::pair<Arguments, std::string> refused[] = {
        {{"warm", "1199"}, "warm wants a strength from 1200K to 6500K, not '1199'"},
        {{"warm", "80%"}, "warm wants a strength from 1200K to 6500K, not '80%'"},
        {{"red", "0.8"}, "red wants a strength from 20% to 100%, not '0.8'"},
        {{"bright", "100"}, "bright wants a strength from 110% to 400%, not '100'"},
        {{"warm", "3400", "5"}, "warm takes one strength at most, not '5'"},
        {{"off", "3"}, "off takes no argument, not '3'"},
        {{"location", "--here"}, "location takes a place, --auto or --clear, not '--here'"},
        {{"location", "91:0"}, "a latitude lies from -90 to 90 degrees, not '91'"},
        {{"--hold", "off"}, "--hold takes warm, red or bright (and a strength), not 'off'"},
    };
    for (const auto& [arguments, problem] : refused) {
        const auto options = LaunchOptions::parse(arguments);
        ASSERT_FALSE(options.ok()) << arguments.back();
        EXPECT_EQ(options.error().description, problem);
    }
    // A city's name may be typed as several words; --clear is a location of its own.
    EXPECT_EQ(LaunchOptions::parse(Arguments{"location", "new", "york"})->command->place,
              Cities::search("New York").front().location());
    EXPECT_TRUE(LaunchOptions::parse(Arguments{"location", "--clear"})->command->clear);
    // A held pick is a launch, not a command.
    EXPECT_TRUE(LaunchOptions::parse(Arguments{"--hold", "red", "60"})->hold);
}

// Wayland wherever the session is one (Xwayland's ramps would change nothing on the screens),
// X11 otherwise, and whatever --backend names above both.
TEST(LaunchOptions, TheSessionChoosesTheBackendUnlessOneIsNamed) {
    using Backend = LaunchOptions::Backend;
    using Run = LaunchOptions::Run;
    // The session: WAYLAND_DISPLAY, XDG_SESSION_TYPE=wayland, DISPLAY.
    const std::tuple<Arguments, LaunchOptions::Session, Backend, Run> cases[] = {
        {{}, {true, true, true}, Backend::wayland, Run::display},
        {{}, {false, true, false}, Backend::wayland, Run::display},  // its default socket
        {{}, {false, false, true}, Backend::x11, Run::display},
        {{}, {false, false, false}, Backend::x11, Run::replay},
        {{"--backend=x11"}, {true, true, true}, Backend::x11, Run::display},
        {{"--backend", "x11"}, {true, true, false}, Backend::x11, Run::replay},
        {{"--backend=wayland", "--simulated"}, {true, true, true}, Backend::wayland, Run::replay},
    };
    for (const auto& [arguments, session, backend, run] : cases) {
        auto options = LaunchOptions::parse(arguments);
        ASSERT_TRUE(options.ok());
        EXPECT_EQ(options->backendFor(session), backend);
        EXPECT_EQ(options->run(session), run);
    }
    auto bad = LaunchOptions::parse(Arguments{"--backend=mir"});
    ASSERT_FALSE(bad.ok());
    EXPECT_EQ(bad.error().description, "--backend wants x11 or wayland, not 'mir'");
    EXPECT_FALSE(LaunchOptions::parse(Arguments{"--backend=wayland"})->checkFor(Run::replay).ok());
}

// What `vesperine status` prints for each reason a mode shows; times as "@<seconds>". (Names
// from whatever owns the bus name reach the terminal as text: ControlTest, on the real bus.)
TEST(ControlStatus, SaysWhatShowsWhyAndWhatComesNext) {
    const auto at = [](std::int64_t seconds) { return "@" + std::to_string(seconds); };
    // A status of the schedule "Classic", whose next change is at @1000 to Red 80%.
    const auto status = [](std::string mode, std::string source, std::string limitation = "",
                           std::string guard = "") {
        return ControlStatus{.mode = mode,
                             .limitation = limitation,
                             .source = source,
                             .application = {},
                             .guard = guard,
                             .schedule = "Classic",
                             .nextMode = "Red 80%",
                             .nextChange = 1000,
                             .location = {}};
    };
    ControlStatus until = status("Warm 3400K", "until");
    until.until = 500;
    until.nextMode.clear();
    const std::string next = "\nSchedule: Classic; next change at @1000 to Red 80%\n";
    // The lines before the next change, which follows wherever one comes.
    const std::pair<ControlStatus, std::string> cases[] = {
        {until,
         "Showing Warm 3400K\nWhy: a pick by hand, until @500\nSchedule: Classic; no "
         "change ahead\n"},
        {status("Bright 150%", "schedule", "Boost limited: on battery", "on battery"),
         "Showing Bright 150%: Boost limited: on battery\nWhy: the power guard, over the "
         "schedule"},
    };
    for (const auto& [shown, text] : cases) {
        EXPECT_EQ(shown.describe(at), text + (shown.nextMode.empty() ? "" : next));
    }
}

}  // namespace
}  // namespace vesperine
