#include "sheets/DurationRules.h"

#include <algorithm>

namespace kestrion::DurationRules {

qint64 shownValue(const std::optional<qint64>& duration, qint64 unsetMinutes)
{
    return duration.value_or(unsetMinutes);
}

bool isPreset(qint64 minutes)
{
    return std::find(presets.begin(), presets.end(), minutes) != presets.end();
}

bool isAccepted(qint64 minutes)
{
    return minutes >= minimumMinutes && minutes <= maximumMinutes;
}

QString customDurationText(const std::optional<qint64>& duration, qint64 unsetMinutes)
{
    const qint64 shown = shownValue(duration, unsetMinutes);
    return isPreset(shown) ? QString() : QString::number(shown);
}

} // namespace kestrion::DurationRules
