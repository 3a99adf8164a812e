#include "delivery/DurationEntry.h"

#include "delivery/DeliveryTimer.h"
#include "platform/WholeNumber.h"

#include <QList>
#include <QStringView>

namespace kestrion {

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
