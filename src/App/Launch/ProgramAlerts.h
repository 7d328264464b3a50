#pragma once

#include <memory>

#include "App/AppInfo.h"
#include "Platform/Alert.h"
#include "Platform/Logger.h"

namespace vesperine {

// A test hook: answers for the program's alerts, separated by "|" ("Install" answers the
// install offer; "Not Now|OK" declines one and then dismisses the next). With it set the
// program asks nobody and logs each alert with the answer it took.
inline constexpr const char* alertAnswersVariable = "VESPERINE_ALERT_ANSWERS";

// The alerts the program shows: scripted ones when the test hook is set; message boxes when
// the program runs with a QApplication that `showsWindows`; otherwise none can be shown (a
// program without a screen), so each alert is logged and closed without an answer.
std::unique_ptr<Alerts> makeProgramAlerts(const AppInfo& info, Logger& logger,
                                          bool showsWindows);

}  // namespace vesperine
