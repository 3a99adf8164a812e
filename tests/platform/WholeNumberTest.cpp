#include "platform/WholeNumber.h"

#include <QString>

#include <gtest/gtest.h>

#include <limits>

using namespace kestrion;

TEST(WholeNumberTest, ParsesAnOptionalSignAndDigitsWithinSixtyFourBits)
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
        { QStringLiteral("-9223372036854775809"), std::nullopt },
        { QStringLiteral("-0"), 0 },
        { QStringLiteral("+-1"), std::nullopt },
        { QStringLiteral("\u22125"), std::nullopt },
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(parseWholeNumber(text), expected) << text.toStdString();
}
