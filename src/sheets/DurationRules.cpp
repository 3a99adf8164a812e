#include "sheets/DurationRules.h"

#include <algorithm>
#include <limits>

namespace kestrion::DurationRules {

qint64 shownValue(const std::optional<qint64>& duration)
{
    return duration.value_or(defaultShownMinutes);
}

bool isPreset(qint64 minutes)
{
    return std::find(presets.begin(), presets.end(), minutes) != presets.end();
}

bool isAccepted(qint64 minutes)
{
    return minutes >= minimumMinutes && minutes <= maximumMinutes;
}

QString customDurationText(const std::optional<qint64>& duration)
{
    const qint64 shown = shownValue(duration);
    return isPreset(shown) ? QString() : QString::number(shown);
}

std::optional<qint64> parseWholeNumber(const QString& text)
{
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    if (i == text.size())
        return std::nullopt;
    // Accumulated as a negative number, whose range reaches one further than the positive.
    qint64 value = 0;
    constexpr qint64 lowest = std::numeric_limits<qint64>::min();
    for (; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            return std::nullopt;
        const int digit = c - u'0';
        if (value < (lowest + digit) / 10)
            return std::nullopt;
        value = value * 10 - digit;
    }
    if (negative)
        return value;
    if (value == lowest)
        return std::nullopt;
    return -value;
}

} // namespace kestrion::DurationRules
