#include "sheets/DurationRules.h"

#include <gtest/gtest.h>

using namespace kestrion;

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
