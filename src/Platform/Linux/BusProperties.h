#pragma once

#include <map>
#include <set>
#include <string>

#include "Support/Result.h"

struct sd_bus_message;

namespace vesperine {

// Reads the boolean members named in `wanted` from a D-Bus property dictionary (a{sv}: the
// reply of Properties.GetAll, or the changed part of PropertiesChanged) at the message's
// current position. Other members are skipped; a wanted member of another type, or a
// message that is not such a dictionary, is an error naming what was found, so a service
// answering with the wrong types is reported instead of misread.
Result<std::map<std::string, bool>> readBooleanProperties(sd_bus_message* message,
                                                         const std::set<std::string>& wanted);

}  // namespace vesperine
