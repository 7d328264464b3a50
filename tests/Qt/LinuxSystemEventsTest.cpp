#include "Platform/Linux/System/LinuxSystemEvents.h"

#include <gtest/gtest.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>

#include "Platform/Linux/System/GLibMainLoop.h"
#include "Platform/Simulated/CapturingLogger.h"
#include "Spin.h"
#include "Support/PrivateBus.h"
#include "Support/TempFolder.h"

namespace vesperine {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class LinuxSystemEventsTest : public testing::Test {
  protected:
    LinuxSystemEventsTest() {
        fs::create_symlink("/usr/share/zoneinfo/UTC", directory / "localtime");
    }

    // With the bus at `busAddress`, or with none when it is empty.
    std::unique_ptr<LinuxSystemEvents> make(const std::string& busAddress) {
        if (!busAddress.empty()) {
            auto opened = BusConnection::open(BusConnection::Bus::system, loop, loop, busAddress);
            if (opened) systemBus = std::move(opened).value();
        }
        return std::make_unique<LinuxSystemEvents>(
            loop, systemBus.get(), logger,
            LinuxSystemEvents::Options{directory.root(), {"localtime", "timezone"}});
    }
    int countWhile(SystemEvents& events, SystemEvent event, const std::function<void()>& action) {
        int heard = 0;
        Handle handle = events.observe(event, [&] { ++heard; });
        spinFor(50ms);
        action();
        spin([&] { return heard > 0; });
        spinFor(100ms);  // and nothing more after the first
        return heard;
    }

    TempFolder directory;
    GLibMainLoop loop;
    CapturingLogger logger;
    std::unique_ptr<BusConnection> systemBus;
};

TEST_F(LinuxSystemEventsTest, TimeZoneFilesChangingAreHeardOncePerChangeOthersAreNot) {
    auto events = make("");
    ASSERT_TRUE(events->canObserve(SystemEvent::timeZoneChanged));
    const std::tuple<const char*, std::function<void()>, int> cases[] = {
        {"link swapped by a rename",
         [&] {
             fs::create_symlink("/usr/share/zoneinfo/Europe/Berlin", directory / ".localtime.new");
             fs::rename(directory / ".localtime.new", directory / "localtime");
         },
         1},
        {"unrelated file", [&] { directory.write("hostname", "box\n"); }, 0},
        {"link removed", [&] { fs::remove(directory / "localtime"); }, 1},
    };
    for (const auto& [name, change, heard] : cases) {
        SCOPED_TRACE(name);
        EXPECT_EQ(countWhile(*events, SystemEvent::timeZoneChanged, change), heard);
    }
}

// Setting the clock needs privilege; it is set to what it already says, so nothing moves.
TEST_F(LinuxSystemEventsTest, EverySettingOfTheClockIsHeard) {
    auto events = make("");
    ASSERT_TRUE(events->canObserve(SystemEvent::clockChanged));
    auto setClockToNow = [] {
        timespec now{};
        ::clock_gettime(CLOCK_REALTIME, &now);
        return ::clock_settime(CLOCK_REALTIME, &now) == 0;
    };
    int heard = 0;
    Handle handle = events->observe(SystemEvent::clockChanged, [&] { ++heard; });
    if (!setClockToNow()) GTEST_SKIP() << "may not set the clock here: " << std::strerror(errno);
    EXPECT_TRUE(spin([&] { return heard == 1; }));
    ASSERT_TRUE(setClockToNow());  // the watch is armed again after the first
    EXPECT_TRUE(spin([&] { return heard == 2; }));
}

// Without a bus wake is said to be unobservable, not faked.
TEST_F(LinuxSystemEventsTest, WakeIsTheLoginManagersPrepareForSleepFalseAndNeedsTheBus) {
    {
        auto events = make("");
        EXPECT_FALSE(events->canObserve(SystemEvent::wake));
        EXPECT_TRUE(logger.contains("Wake from sleep cannot be observed", "monitor"));
        EXPECT_FALSE(events->observe(SystemEvent::wake, [] {}).isActive());
    }
    PrivateBus bus;
    if (bus.address().empty()) GTEST_SKIP() << "no dbus-daemon";
    auto events = make(bus.address());
    ASSERT_TRUE(events->canObserve(SystemEvent::wake));
    BusClient manager(bus.address(), "org.freedesktop.login1");
    BusClient impostor(bus.address(), nullptr);
    ASSERT_TRUE(manager.ok() && impostor.ok());
    const std::tuple<const char*, std::function<void()>, int> cases[] = {
        {"going to sleep", [&] { manager.prepareForSleep(true); }, 0},
        {"woken", [&] { manager.prepareForSleep(false); }, 1},
        {"from another sender", [&] { impostor.prepareForSleep(false); }, 0},
    };
    for (const auto& [name, send, heard] : cases) {
        SCOPED_TRACE(name);
        EXPECT_EQ(countWhile(*events, SystemEvent::wake, send), heard);
    }
}

}  // namespace
}  // namespace vesperine
