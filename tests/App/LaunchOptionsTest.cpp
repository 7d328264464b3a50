#include "App/LaunchOptions.h"

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
        {"-x", "unknown option '-x'"},
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
    EXPECT_FALSE(LaunchOptions::parse(Arguments{"--RESET"}).ok());
}

// A switch the chosen run would not honour is refused, never dropped.
TEST(LaunchOptions, SwitchesThatDoNotApplyToTheRunAreRefused) {
    using Run = LaunchOptions::Run;
    // The start of the refusal; empty: honoured.
    const std::tuple<Arguments, bool, Run, std::string> cases[] = {
        {{"--clock-scale=60", "--clock-start=21:00", "--reset"}, true, Run::display, ""},
        {{"--clock-start=21:00", "--reset", "--replay-seconds=5"}, false, Run::replay, ""},
        {{"--simulated"}, true, Run::replay, ""},
        {{"--reset-tips"}, true, Run::display, ""},
        {{"--replay-seconds=5"}, true, Run::display, "--replay-seconds applies only to"},
        {{"--clock-scale=60"}, false, Run::replay, "--clock-scale does not apply to"},
        {{"--onboarding"}, true, Run::display, ""},
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

// Wayland wherever the session is one (Xwayland's ramps would change nothing on the screens),
// X11 otherwise, and whatever --backend names above both.
TEST(LaunchOptions, TheSessionChoosesTheBackendUnlessOneIsNamed) {
    using Backend = LaunchOptions::Backend;
    using Run = LaunchOptions::Run;
    struct Case {
        Arguments arguments;
        LaunchOptions::Session session;  // WAYLAND_DISPLAY, XDG_SESSION_TYPE=wayland, DISPLAY
        Backend backend;
        Run run;
    };
    const Case cases[] = {
        {{}, {true, true, true}, Backend::wayland, Run::display},
        {{}, {true, false, false}, Backend::wayland, Run::display},
        {{}, {false, true, false}, Backend::wayland, Run::display},  // its default socket
        {{}, {false, false, true}, Backend::x11, Run::display},
        {{}, {false, false, false}, Backend::x11, Run::replay},
        {{"--backend=x11"}, {true, true, true}, Backend::x11, Run::display},
        {{"--backend", "x11"}, {true, true, false}, Backend::x11, Run::replay},
        {{"--backend=wayland"}, {false, false, true}, Backend::wayland, Run::display},
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

}  // namespace
}  // namespace vesperine
