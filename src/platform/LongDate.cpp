#include "platform/LongDate.h"

#include <QRegularExpression>

namespace kestrion::LongDate {

QString format(const QLocale& locale)
{
    static const QRegularExpression weekday(QStringLiteral("d{3,4}[,.]?\\s*"));
    static const QRegularExpression looseEnds(QStringLiteral("^[\\s,]+|[\\s,]+$"));
    QString result = locale.dateFormat(QLocale::LongFormat);
    result.remove(weekday);
    result.remove(looseEnds);
    return result.isEmpty() ? locale.dateFormat(QLocale::LongFormat) : result;
}

QString text(const QDate& day, const QLocale& locale)
{
    return locale.toString(day, format(locale));
}

} // namespace kestrion::LongDate
