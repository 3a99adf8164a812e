#include "platform/WholeNumber.h"

#include <limits>

namespace kestrion {

std::optional<qint64> parseWholeNumber(QStringView text)
{
    bool isNegative = false;
    if (!text.isEmpty() && (text.front() == u'+' || text.front() == u'-')) {
        isNegative = text.front() == u'-';
        text = text.mid(1);
    }
    if (text.isEmpty())
        return std::nullopt;
    // Accumulated as a negative number, whose range reaches one further than the positive.
    constexpr qint64 lowest = std::numeric_limits<qint64>::min();
    qint64 value = 0;
    for (const QChar c : text) {
        const char16_t unit = c.unicode();
        if (unit < u'0' || unit > u'9')
            return std::nullopt;
        const int digit = unit - u'0';
        if (value < (lowest + digit) / 10)
            return std::nullopt;
        value = value * 10 - digit;
    }
    if (isNegative)
        return value;
    if (value == lowest)
        return std::nullopt;
    return -value;
}

} // namespace kestrion
