// Our connection to a private message bus of the test's own (played as the session or the
// system bus), on the program's loop. Tests are skipped where no dbus-daemon starts.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "Platform/Linux/DBus/BusConnection.h"
#include "Platform/Linux/System/GLibMainLoop.h"
#include "Support/PrivateBus.h"

namespace vesperine {

template <BusConnection::Bus kind = BusConnection::Bus::session>
class BusFixture : public testing::Test {
  protected:
    void SetUp() override {
        if (bus.address().empty()) GTEST_SKIP() << "no dbus-daemon";
        auto opened = BusConnection::open(kind, loop, loop, bus.address());
        ASSERT_TRUE(opened) << opened.error().description;
        connection = std::move(opened).value();
    }

    PrivateBus bus;
    GLibMainLoop loop;
    std::unique_ptr<BusConnection> connection;
};

}  // namespace vesperine
