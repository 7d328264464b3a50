#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>

namespace vesperine {

// Where a process draws: its login session and the display servers its environment names.
// A colour tool of this user that runs on another X display or another Wayland session
// (a second login, a nested server) changes other screens than ours and is none of our
// business; these values tell the two apart.
struct ProcessSession {
    std::string loginSession;   // the login manager's session id; "" outside any (a user service)
    std::string x11Display;     // DISPLAY as "host:number" ("" for the local host), "" when unset
    std::string waylandSocket;  // WAYLAND_DISPLAY as a socket path, "" when unset

    // This process's own.
    static ProcessSession ofThisProcess();
    // From an environment block as /proc/<pid>/environ holds it ("NAME=value" entries, each
    // ended by a NUL) and the process's login session.
    static ProcessSession fromEnvironment(std::string_view block, std::string loginSession);
    // The login session of process `pid` ("" when it is in none or has gone).
    static std::string loginSessionOf(pid_t pid);

    // Whether both work on the same displays: the same login session where both are in one;
    // otherwise the same X display or the same Wayland socket. A process whose environment
    // names neither display works on none of ours.
    bool sharesDisplaysWith(const ProcessSession& other) const;

    bool operator==(const ProcessSession&) const = default;
};

}  // namespace vesperine
