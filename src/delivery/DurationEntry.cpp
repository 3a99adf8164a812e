#include "delivery/DurationEntry.h"

#include "delivery/DeliveryTimer.h"
#include "platform/WholeNumber.h"

#include <QList>
#include <QStringView>

#include <algorithm>

namespace kestrion {

namespace {

// An optional sign and one or more ASCII digits.
bool isWholeNumberText(QStringView text)
{
    if (text.startsWith(u'+') || text.startsWith(u'-'))
        text = text.mid(1);
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

} // namespace

bool isDurationEntryAboveBound(const QString& text)
{
    const QList<QStringView> pieces = QStringView(text).split(u':', Qt::SkipEmptyParts);
    if (pieces.isEmpty() || pieces.size() > 2
        || !std::all_of(pieces.begin(), pieces.end(), [](QStringView piece) { return isWholeNumberText(piece); }))
        return false;
    const std::optional<qint64> minutes = parseWholeNumber(pieces.front());
    // Too many digits for 64 bits: far beyond the day, unless negative.
    if (!minutes)
        return !pieces.front().startsWith(u'-');
    if (*minutes > DeliveryTimer::maxMinutes)
        return true;
    if (*minutes < DeliveryTimer::maxMinutes || pieces.size() < 2)
        return false;
    const std::optional<qint64> seconds = parseWholeNumber(pieces.back());
    return seconds && *seconds >= 30;
}

std::optional<qint64> parseDurationEntry(const QString& text)
{
    const QList<QStringView> pieces = QStringView(text).split(u':', Qt::SkipEmptyParts);
    if (pieces.isEmpty() || pieces.size() > 2)
        return std::nullopt;
    std::optional<qint64> minutes = parseWholeNumber(pieces.front());
    if (!minutes)
        return std::nullopt;
    if (pieces.size() == 2) {
        const std::optional<qint64> seconds = parseWholeNumber(pieces.back());
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
