#include "platform/LongDate.h"

#include <gtest/gtest.h>

using namespace kestrion;

TEST(LongDateTest, TheLongDateWithoutItsWeekday)
{
    const QDate christmas(2024, 12, 25);
    const std::pair<QLocale, QString> cases[] = {
        { QLocale(QLocale::English, QLocale::UnitedStates), QStringLiteral("December 25, 2024") },
        { QLocale(QLocale::English, QLocale::UnitedKingdom), QStringLiteral("25 December 2024") },
        { QLocale(QLocale::German, QLocale::Germany), QStringLiteral("25. Dezember 2024") },
        { QLocale(QLocale::French, QLocale::France), QStringLiteral("25 décembre 2024") },
    };
    for (const auto& [locale, text] : cases)
        EXPECT_EQ(LongDate::text(christmas, locale), text) << locale.name().toStdString();
}
