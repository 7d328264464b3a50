#pragma once

#include "App/AppDelegate.h"
#include "App/LaunchOptions.h"
#include "Schedule/TimeZone.h"

namespace vesperine {

// The schedule clock the command line asks for. The program runs at the real pace from now;
// "--clock-scale" speeds it up and "--clock-start" starts it at a local time today. A
// simulated replay of one day runs the day in `replaySeconds` (60 when not given), from
// local midnight unless a start is given.
AppDelegate::ClockSetting launchClock(const LaunchOptions& options, const TimeZone& zone,
                                      Instant realNow, bool replay);

// Real seconds a simulated replay lasts.
double replaySeconds(const LaunchOptions& options);

}  // namespace vesperine
