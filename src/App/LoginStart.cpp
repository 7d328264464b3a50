#include "App/LoginStart.h"

namespace vesperine::LoginStart {

bool bySession(std::string_view cgroup, const char* autostartId) {
    if (autostartId && *autostartId) return true;
    return cgroup.find("@autostart.service") != std::string_view::npos;
}

}  // namespace vesperine::LoginStart
