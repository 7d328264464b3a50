#include "App/LaunchClock.h"

#include "Schedule/Calendar.h"

namespace vesperine {

double replaySeconds(const LaunchOptions& options) {
    return options.replaySeconds.value_or(60.0);
}

AppDelegate::ClockSetting launchClock(const LaunchOptions& options, const TimeZone& zone,
                                      Instant realNow, bool replay) {
    AppDelegate::ClockSetting setting{1.0, std::nullopt};
    if (replay) setting.scale = 86400.0 / replaySeconds(options);
    if (options.clockScale) setting.scale = *options.clockScale;

    Calendar calendar(zone);
    if (options.clockStartMinutes) {
        setting.start = calendar.dateBySetting(*options.clockStartMinutes / 60,
                                               *options.clockStartMinutes % 60, 0, realNow);
    } else if (replay) {
        setting.start = calendar.startOfDay(realNow);
    }
    return setting;
}

}  // namespace vesperine
