#pragma once

#include <QDate>
#include <QLocale>
#include <QString>

namespace kestrion {

// The one way an occasion's day is written out, in the details sheets and the welcome window
// alike: the locale's long date without its weekday ("December 25, 2024", "25 December 2024",
// "25. Dezember 2024"). The day is formatted as it stands, never through a time zone. Safe on
// any thread.
namespace LongDate {

// The locale's long date format less its weekday.
QString format(const QLocale& locale);
QString text(const QDate& day, const QLocale& locale = QLocale());

} // namespace LongDate

} // namespace kestrion
