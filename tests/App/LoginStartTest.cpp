#include "App/LoginStart.h"

#include <gtest/gtest.h>

namespace vesperine {
namespace {

TEST(LoginStart, TellsTheSessionsAutostartFromTheUsersLaunch) {
    struct Case {
        const char* name;
        std::string_view cgroup;
        const char* autostartId;
        bool atLogin;
    } cases[] = {
        {"systemd's autostart unit", "0::/user.slice/user-1000.slice/user@1000.service/app.slice/"
                                     "app-com.brevan.vesperine@autostart.service\n", nullptr, true},
        {"from the application grid", "0::/user.slice/user-1000.slice/user@1000.service/app.slice/"
                                      "app-gnome-com.brevan.vesperine-4242.scope\n", nullptr, false},
        {"a session manager's autostart id", "", "10d3f1a2b3c4", true},
        {"an empty id", "", "", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(LoginStart::bySession(c.cgroup, c.autostartId), c.atLogin);
    }
}

}  // namespace
}  // namespace vesperine
