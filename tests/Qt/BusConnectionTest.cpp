#include "Platform/Linux/DBus/BusConnection.h"

#include <systemd/sd-bus.h>

#include "BusFixture.h"
#include "Spin.h"

namespace vesperine {
namespace {

using namespace std::chrono_literals;

const BusConnection::Member daemon{"org.freedesktop.DBus", "/org/freedesktop/DBus",
                                   "org.freedesktop.DBus", ""};

BusConnection::Member method(BusConnection::Member m, const char* name) {
    m.member = name;
    return m;
}

using BusConnectionTest = BusFixture<>;

// Replies, errors from names nobody owns and timeouts of owners that never answer, with the
// loop turning meanwhile, are the bus readers' tests.
TEST_F(BusConnectionTest, SignalsAndOwnersAreHeardUntilTheHandleGoes) {
    int pings = 0;
    std::vector<bool> owners;
    Handle signal = connection->match({"", "/org/example", "org.example.Test", "Ping"},
                                      [&](sd_bus_message*) { ++pings; });
    Handle owner = connection->watchNameOwner("org.example.Service",
                                              [&](bool has) { owners.push_back(has); });
    // The matches are installed asynchronously, before this call is answered.
    bool answered = false;
    Handle call = connection->call(method(daemon, "GetId"), nullptr,
                                   [&](sd_bus_message*, const std::string&) { answered = true; });
    ASSERT_TRUE(spin([&] { return answered; }));
    {
        BusClient service(bus.address(), "org.example.Service");
        ASSERT_TRUE(service.ok());
        service.emit("/org/example", "org.example.Test", "Ping");
        ASSERT_TRUE(spin([&] { return pings == 1 && owners.size() == 1; }));
    }
    ASSERT_TRUE(spin([&] { return owners.size() == 2; }));
    EXPECT_EQ(owners, (std::vector<bool>{true, false}));
    signal.cancel();
    BusClient again(bus.address(), nullptr);
    again.emit("/org/example", "org.example.Test", "Ping");
    spinFor(100ms);
    EXPECT_EQ(pings, 1);
}

TEST_F(BusConnectionTest, ALostDaemonFailsPendingCallsAndIsReportedOnce) {
    BusClient silent(bus.address(), "org.example.Silent");
    int lost = 0;
    std::string error;
    Handle loss = connection->observeLoss([&] { ++lost; });
    Handle pending = connection->call({"org.example.Silent", "/", "org.example.Silent", "Ping"},
                                      nullptr,
                                      [&](sd_bus_message*, const std::string& e) { error = e; }, 10s);
    spinFor(50ms);
    bus.stop();
    ASSERT_TRUE(spin([&] { return lost == 1; }));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(connection->isConnected());
    // Calls after the loss fail on a later turn, not at once and not never.
    bool failed = false;
    Handle late = connection->call(method(daemon, "GetId"), nullptr,
                                   [&](sd_bus_message*, const std::string& e) { failed = !e.empty(); });
    EXPECT_FALSE(failed);
    EXPECT_TRUE(spin([&] { return failed; }));
    EXPECT_EQ(lost, 1);
}

TEST_F(BusConnectionTest, AHandlerMayDropTheConnectionItIsCalledFrom) {
    bool answered = false;
    Handle pending = connection->call(method(daemon, "GetId"), nullptr,
                                      [&](sd_bus_message*, const std::string&) {
                                          answered = true;
                                          connection.reset();
                                      });
    EXPECT_TRUE(spin([&] { return answered; }));
    spinFor(20ms);
}

}  // namespace
}  // namespace vesperine
