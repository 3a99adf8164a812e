#include "delivery/DurationEntry.h"

#include <gtest/gtest.h>

#include <optional>

using namespace kestrion;

TEST(DurationEntryTest, ReadsMinutesAndRoundsSecondsToTheNearestMinute)
{
    struct Case {
        const char16_t* text;
        std::optional<qint64> minutes;
    };
    const Case cases[] = {
        { u"45", 45 },
        { u"5:29", 5 },
        { u"5:30", 6 },
        { u"0:30", 1 },
        { u"0:29", std::nullopt },
        { u"5:75", 6 },
        { u"5:-40", 5 },
        { u"5:", 5 },
        { u":30", 30 },
        { u"5::40", 6 },
        { u"1:2:3", std::nullopt },
        { u"+7", 7 },
        { u"-0:30", 1 },
        { u"-1:30", std::nullopt },
        { u"-3", std::nullopt },
        { u"0", std::nullopt },
        { u" 5", std::nullopt },
        { u"5 ", std::nullopt },
        { u"", std::nullopt },
        { u":", std::nullopt },
        { u"+", std::nullopt },
        { u"1e2", std::nullopt },
        { u"abc", std::nullopt },
        // Digits of other scripts and the minus sign of typography are not read.
        { u"\u0665", std::nullopt },
        { u"\uFF15", std::nullopt },
        { u"\u22125", std::nullopt },
        // Bounded to the countdown's day, the largest integers included.
        { u"1440", 1440 },
        { u"1441", std::nullopt },
        { u"1439:30", 1440 },
        { u"1440:30", std::nullopt },
        { u"9223372036854775807", std::nullopt },
        { u"9223372036854775807:30", std::nullopt },
        { u"9223372036854775808", std::nullopt },
        { u"99999999999999999999999", std::nullopt },
    };
    for (const Case& c : cases) {
        const QString text = QString::fromUtf16(c.text);
        EXPECT_EQ(parseDurationEntry(text), c.minutes) << text.toStdString();
    }
}

TEST(DurationEntryTest, AnEntryBeyondTheDayIsToldApartFromOneThatCannotBeRead)
{
    for (const char16_t* text :
        { u"1441", u"99999", u"+2000", u"1440:30", u"9223372036854775808", u"99999999999999999999:5" })
        EXPECT_TRUE(isDurationEntryAboveBound(QString::fromUtf16(text))) << QString::fromUtf16(text).toStdString();
    for (const char16_t* text :
        { u"1440", u"1439:30", u"1440:29", u"0", u"-5000", u"-99999999999999999999", u"abc", u"99999 ", u"1:2:3", u"" })
        EXPECT_FALSE(isDurationEntryAboveBound(QString::fromUtf16(text))) << QString::fromUtf16(text).toStdString();
}
