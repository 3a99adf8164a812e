#include "sheets/OccasionDates.h"

#include <QLocale>

#include <gtest/gtest.h>

using namespace kestrion;

TEST(OccasionDatesTest, ComingSundayIsTodayOnASundayElseTheNextOne)
{
    const std::pair<QDate, QDate> cases[] = {
        { QDate(2024, 5, 12), QDate(2024, 5, 12) }, // Sunday
        { QDate(2024, 5, 11), QDate(2024, 5, 12) }, // Saturday
        { QDate(2024, 5, 13), QDate(2024, 5, 19) }, // Monday
        { QDate(2024, 12, 30), QDate(2025, 1, 5) }, // across the year's end
        { QDate(2025, 12, 29), QDate(2026, 1, 4) },
        { QDate(2024, 2, 26), QDate(2024, 3, 3) }, // across a leap day
        { QDate(2023, 12, 31), QDate(2023, 12, 31) },
    };
    for (const auto& [day, sunday] : cases)
        EXPECT_EQ(OccasionDates::comingSunday(day), sunday) << day.toString(Qt::ISODate).toStdString();
}

TEST(OccasionDatesTest, RelativeDayUsesTheLargestWholeUnit)
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    const QDate today(2024, 5, 15);
    const std::pair<QDate, QString> cases[] = {
        { today, QStringLiteral("today") },
        { QDate(2024, 5, 16), QStringLiteral("in 1 day") },
        { QDate(2024, 5, 12), QStringLiteral("3 days ago") },
        { QDate(2024, 5, 22), QStringLiteral("in 1 week") },
        { QDate(2024, 6, 14), QStringLiteral("in 4 weeks") },
        { QDate(2024, 6, 15), QStringLiteral("in 1 month") },
        { QDate(2024, 3, 16), QStringLiteral("1 month ago") },
        { QDate(2025, 5, 14), QStringLiteral("in 11 months") },
        { QDate(2022, 5, 15), QStringLiteral("2 years ago") },
    };
    for (const auto& [day, text] : cases)
        EXPECT_EQ(OccasionDates::relativeDayText(day, today), text) << day.toString(Qt::ISODate).toStdString();
    QLocale::setDefault(QLocale::system());
}
