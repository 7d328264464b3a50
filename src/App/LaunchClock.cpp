#include "App/LaunchClock.h"

#include "Schedule/Calendar.h"

namespace vesperine {

double replaySeconds(const LaunchOptions& options) {
    return options.replaySeconds.value_or(60.0);
}

AppDelegate::ClockSetting launchClock(const LaunchOptions& options, const TimeZone& zone,
                                      Instant realNow) {
    AppDelegate::ClockSetting setting{options.clockScale.value_or(1.0), std::nullopt};
    if (options.clockStartMinutes) {
        setting.start = Calendar(zone).dateBySetting(*options.clockStartMinutes / 60,
                                                     *options.clockStartMinutes % 60, 0, realNow);
    }
    return setting;
}

}  // namespace vesperine
