#include "sheets/DurationRules.h"

#include <gtest/gtest.h>

using namespace kestrion;

TEST(DurationRulesTest, ParsesAnOptionalSignAndDigitsWithinSixtyFourBits)
{
    const std::pair<QString, std::optional<qint64>> cases[] = {
        { QStringLiteral("45"), 45 },
        { QStringLiteral("0035"), 35 },
        { QStringLiteral("+7"), 7 },
        { QStringLiteral("-3"), -3 },
        { QStringLiteral("9223372036854775807"), std::numeric_limits<qint64>::max() },
        { QStringLiteral("-9223372036854775808"), std::numeric_limits<qint64>::min() },
        { QStringLiteral("9223372036854775808"), std::nullopt },
        { QStringLiteral("99999999999999999999999"), std::nullopt },
        { QString(), std::nullopt },
        { QStringLiteral("+"), std::nullopt },
        { QStringLiteral(" 45"), std::nullopt },
        { QStringLiteral("4 5"), std::nullopt },
        { QStringLiteral("\uFF14\uFF15"), std::nullopt },
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(DurationRules::parseWholeNumber(text), expected) << text.toStdString();
}

TEST(DurationRulesTest, ShownValueCustomTextAndRange)
{
    EXPECT_EQ(DurationRules::shownValue(std::nullopt), 35);
    EXPECT_EQ(DurationRules::customDurationText(std::nullopt), QString());
    EXPECT_EQ(DurationRules::customDurationText(45), QString());
    EXPECT_EQ(DurationRules::customDurationText(72), QStringLiteral("72"));
    EXPECT_EQ(DurationRules::customDurationText(55), QStringLiteral("55"));
    EXPECT_FALSE(DurationRules::isAccepted(0));
    EXPECT_TRUE(DurationRules::isAccepted(1));
    EXPECT_TRUE(DurationRules::isAccepted(180));
    EXPECT_FALSE(DurationRules::isAccepted(181));
}
