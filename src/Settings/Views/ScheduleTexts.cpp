#include "Settings/Views/ScheduleTexts.h"

#include <QLocale>
#include <QStringList>
#include <QTime>

#include "Settings/KeyframeEdits.h"

namespace vesperine {

namespace {

QString number(std::optional<long long> value) {
    return value ? QString::number(*value) : QStringLiteral("?");
}

}  // namespace

QString ScheduleTexts::kindLabel(DisplayMode::Kind kind) {
    switch (kind) {
        case DisplayMode::Kind::bright: return tr("Bright");
        case DisplayMode::Kind::warm: return tr("Warm");
        case DisplayMode::Kind::red: return tr("Red");
        case DisplayMode::Kind::off: return tr("Off");
    }
    return tr("Off");
}

QString ScheduleTexts::shortDescription(const DisplayMode& mode) {
    switch (mode.kind()) {
        case DisplayMode::Kind::bright: return tr("Bright %1%").arg(number(mode.shownStrength()));
        case DisplayMode::Kind::warm: return tr("Warm %1K").arg(number(mode.shownStrength()));
        case DisplayMode::Kind::red:
        case DisplayMode::Kind::off: return kindLabel(mode.kind());
    }
    return kindLabel(mode.kind());
}

QString ScheduleTexts::strength(const DisplayMode& mode) {
    switch (mode.kind()) {
        case DisplayMode::Kind::bright:
        case DisplayMode::Kind::red: return tr("%1%").arg(number(mode.shownStrength()));
        case DisplayMode::Kind::warm: return tr("%1K").arg(number(mode.shownStrength()));
        case DisplayMode::Kind::off: return {};
    }
    return {};
}

QString ScheduleTexts::timeFormat() {
    QString format = QLocale().timeFormat(QLocale::ShortFormat);
    format.remove(QStringLiteral(":ss")).remove(QStringLiteral(".ss"));
    return format;
}

QString ScheduleTexts::time(std::optional<Instant> instant, const TimeZone& zone) {
    const auto wall = instant ? ScheduleToday::wallTime(*instant, zone) : std::nullopt;
    if (!wall) return tr("no time");
    return clockTime(wall->hour, wall->minute);
}

QString ScheduleTexts::clockTime(int hour, int minute) {
    return QLocale().toString(QTime(hour, minute), timeFormat());
}

QString ScheduleTexts::offset(std::int64_t offsetMinutes) {
    const auto label = KeyframeEdits::offsetLabel(offsetMinutes);
    switch (label.side) {
        case KeyframeEdits::OffsetLabel::Side::exactly: return tr("exactly");
        case KeyframeEdits::OffsetLabel::Side::later:
            return tr("+%1 min").arg(QString::number(label.minutes));
        case KeyframeEdits::OffsetLabel::Side::earlier:
            return tr("\u2212%1 min").arg(QString::number(label.minutes));
    }
    return {};
}

QString ScheduleTexts::summary(const std::vector<ScheduleToday::SummaryItem>& items,
                               const TimeZone& zone) {
    if (items.empty()) return tr("No steps: you choose the mode from the menu.");
    QStringList parts;
    for (const auto& item : items) {
        const QString mode = shortDescription(item.mode);
        parts << (item.start ? tr("%1 %2", "mode and time").arg(mode, time(item.start, zone))
                             : tr("%1 (not today)", "mode of a step with no time today").arg(mode));
    }
    return parts.join(tr(" \u2192 "));
}

}  // namespace vesperine
