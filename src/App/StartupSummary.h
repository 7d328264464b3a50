#pragma once

#include <string>

namespace vesperine {

class AppState;

// The one log line start-up says what it will do with: the active schedule, where its
// sunrise and sunset are computed (and that the place was guessed from the time zone, when
// it was) or that they fall back to their fixed times, the mode shown and why, and the next
// change. Times in the app state's zone.
std::string startupSummary(const AppState& state);

}  // namespace vesperine
