#include "Settings/LaunchAtLogin.h"

namespace vesperine {

void LaunchAtLogin::set(bool on) {
    const Status changed = on ? item_.enable() : item_.disable();
    if (changed) {
        error_.reset();
    } else {
        error_ = "Couldn't change login item: " + changed.error().description;
    }
    refresh();
}

}  // namespace vesperine
