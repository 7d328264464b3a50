#pragma once

#include "App/AppDelegate.h"
#include "App/LaunchOptions.h"
#include "Schedule/TimeZone.h"

namespace vesperine {

// The schedule clock the command line asks for. The program runs at the real pace from now;
// "--clock-scale" speeds it up and "--clock-start" starts it at a local time today.
AppDelegate::ClockSetting launchClock(const LaunchOptions& options, const TimeZone& zone,
                                      Instant realNow);

// Real seconds a simulated replay of one day lasts (60 when not given).
double replaySeconds(const LaunchOptions& options);

}  // namespace vesperine
