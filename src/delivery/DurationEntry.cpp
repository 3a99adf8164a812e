#include "delivery/DurationEntry.h"

#include "delivery/DeliveryTimer.h"

#include <QList>
#include <QStringView>

#include <limits>

namespace kestrion {

std::optional<qint64> parseDurationPiece(QStringView piece)
{
    bool isNegative = false;
    if (!piece.isEmpty() && (piece.front() == u'+' || piece.front() == u'-')) {
        isNegative = piece.front() == u'-';
        piece = piece.mid(1);
    }
    if (piece.isEmpty())
        return std::nullopt;
    // Accumulated as a negative number, whose range holds the smallest integer too.
    constexpr qint64 lowest = std::numeric_limits<qint64>::min();
    qint64 value = 0;
    for (const QChar c : piece) {
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

std::optional<qint64> parseDurationEntry(const QString& text)
{
    const QList<QStringView> pieces = QStringView(text).split(u':', Qt::SkipEmptyParts);
    if (pieces.isEmpty() || pieces.size() > 2)
        return std::nullopt;
    std::optional<qint64> minutes = parseDurationPiece(pieces.front());
    if (!minutes)
        return std::nullopt;
    if (pieces.size() == 2) {
        const std::optional<qint64> seconds = parseDurationPiece(pieces.back());
        if (!seconds)
            return std::nullopt;
        // Bounded before rounding up, so the largest integer cannot overflow.
        if (*minutes > DeliveryTimer::maxMinutes)
            return std::nullopt;
        if (*seconds >= 30)
            ++*minutes;
    }
    if (*minutes < 1 || *minutes > DeliveryTimer::maxMinutes)
        return std::nullopt;
    return minutes;
}

} // namespace kestrion
