#include "sheets/OccasionDates.h"

#include <QCoreApplication>

#include <cstdlib>

namespace kestrion::OccasionDates {

namespace {

QString tr(const char* text, int n)
{
    return QCoreApplication::translate("kestrion::OccasionDates", text, nullptr, n);
}

// Whole calendar months from one day to a later one; May 31 to June 30 counts as one, June
// having no 31st.
qint64 wholeMonthsBetween(const QDate& from, const QDate& to)
{
    qint64 months = qint64(to.year() - from.year()) * 12 + (to.month() - from.month());
    if (months > 0 && from.addMonths(int(months)) > to)
        --months;
    return months;
}

} // namespace

QDate comingSunday(const QDate& day)
{
    if (!day.isValid())
        return day;
    return day.addDays((Qt::Sunday - day.dayOfWeek()) % 7);
}

QString relativeDayText(const QDate& day, const QDate& today)
{
    if (!day.isValid() || !today.isValid())
        return {};
    const qint64 days = today.daysTo(day);
    if (days == 0)
        return tr("today", 0);
    const bool future = days > 0;
    const QDate earlier = future ? today : day;
    const QDate later = future ? day : today;
    const qint64 months = wholeMonthsBetween(earlier, later);
    const qint64 span = std::llabs(days);
    struct Unit {
        qint64 count;
        const char* future[2];
        const char* past[2];
    };
    // Singular and plural spelt out: without a translation the %n forms are left as written.
    const Unit unit = months >= 12
        ? Unit { months / 12, { "in %n year", "in %n years" }, { "%n year ago", "%n years ago" } }
        : months >= 1 ? Unit { months, { "in %n month", "in %n months" }, { "%n month ago", "%n months ago" } }
        : span >= 7   ? Unit { span / 7, { "in %n week", "in %n weeks" }, { "%n week ago", "%n weeks ago" } }
                      : Unit { span, { "in %n day", "in %n days" }, { "%n day ago", "%n days ago" } };
    const int form = unit.count == 1 ? 0 : 1;
    const int count = int(unit.count);
    const char* text = future ? unit.future[form] : unit.past[form];
    return tr(text, count);
}

} // namespace kestrion::OccasionDates
