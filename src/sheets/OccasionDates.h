#pragma once

#include <QDate>
#include <QString>

namespace kestrion {

// Calendar-day rules of the occasions: which day a new occasion gets and how far a day lies
// from today. Days are QDate throughout, so the day picked is the day stored in every time zone.
namespace OccasionDates {

// The day itself when it is a Sunday, else the next Sunday after it.
QDate comingSunday(const QDate& day);
// The day as seen from today, in the largest whole unit that fits: "today", "in 3 days",
// "2 weeks ago", "in 5 months", "1 year ago".
QString relativeDayText(const QDate& day, const QDate& today);

} // namespace OccasionDates

} // namespace kestrion
