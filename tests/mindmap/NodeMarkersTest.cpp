#include "mindmap/NodeMarkers.h"

#include <QStringList>

#include <gtest/gtest.h>

using namespace kestrion;

namespace {

QString cp(char32_t codePoint)
{
    return QString::fromUcs4(&codePoint, 1);
}

const QString red = cp(0x1F534);
const QString blue = cp(0x1F535);
const QString black = cp(0x26AB);
const QString presentation = cp(0xFE0F);

} // namespace

TEST(NodeMarkersTest, NineCirclesInTableOrder)
{
    const auto& markers = NodeMarkers::markerEmoji();
    const char32_t expected[] = { 0x1F534, 0x1F7E0, 0x1F7E1, 0x1F7E2, 0x1F535, 0x1F7E3, 0x1F7E4, 0x26AB, 0x26AA };
    ASSERT_EQ(markers.size(), 9u);
    for (size_t i = 0; i < markers.size(); ++i)
        EXPECT_EQ(markers[i], cp(expected[i])) << i;
}

TEST(NodeMarkersTest, StripsAMarkerAndOneFollowingSpace)
{
    EXPECT_EQ(NodeMarkers::stripLeadingMarker(red + QStringLiteral(" Intro")), QStringLiteral("Intro"));
    EXPECT_EQ(NodeMarkers::stripLeadingMarker(red + QStringLiteral("Intro")), QStringLiteral("Intro"));
    EXPECT_EQ(NodeMarkers::stripLeadingMarker(red + QStringLiteral("  Intro")), QStringLiteral(" Intro"));
    EXPECT_EQ(NodeMarkers::stripLeadingMarker(red), QString());
    EXPECT_EQ(NodeMarkers::stripLeadingMarker(red + QStringLiteral(" ")), QString());
    for (const QString& marker : NodeMarkers::markerEmoji())
        EXPECT_EQ(NodeMarkers::stripLeadingMarker(marker + QStringLiteral(" Amen")), QStringLiteral("Amen"));
}

TEST(NodeMarkersTest, StripsAMarkerWrittenWithTheEmojiPresentationSelector)
{
    EXPECT_EQ(
        NodeMarkers::stripLeadingMarker(black + presentation + QStringLiteral(" Intro")), QStringLiteral("Intro"));
    EXPECT_EQ(NodeMarkers::stripLeadingMarker(black + presentation), QString());
}

TEST(NodeMarkersTest, KeepsEveryOtherLeadingCharacter)
{
    const QStringList kept = {
        QString(),
        QStringLiteral("Intro"),
        QStringLiteral(" ") + red + QStringLiteral(" Intro"),
        cp(0x2B50) + QStringLiteral(" Star of the sermon"),
        cp(0x1F525) + QStringLiteral(" Fire"),
        cp(0x1F7E5) + QStringLiteral(" red square"),
        cp(0x23F0) + QStringLiteral(" Alarm"),
        QStringLiteral("1 Corinthians 13"),
        QStringLiteral("#hashtag"),
        QStringLiteral("* point"),
        cp(0x00A9) + QStringLiteral(" 2024"),
        // A circle joined into a longer emoji is that other emoji.
        black + cp(0x200D) + cp(0x1F525) + QStringLiteral(" joined"),
        // So is a circle carrying a combining mark.
        red + cp(0x0301) + QStringLiteral(" accent"),
    };
    for (const QString& text : kept)
        EXPECT_EQ(NodeMarkers::stripLeadingMarker(text), text) << text.toStdString();
}

TEST(NodeMarkersTest, StripsOnlyOneMarker)
{
    EXPECT_EQ(NodeMarkers::stripLeadingMarker(red + blue + QStringLiteral(" Intro")), blue + QStringLiteral(" Intro"));
}

TEST(NodeMarkersTest, ShiftedDigitsPickMarkersByIndex)
{
    const QString shifted = QStringLiteral("!@#$%^&*(");
    for (qsizetype i = 0; i < shifted.size(); ++i) {
        const auto marker = NodeMarkers::markerForShiftedDigit(shifted.mid(i, 1));
        ASSERT_TRUE(marker.has_value()) << i;
        EXPECT_EQ(*marker, NodeMarkers::markerEmoji()[static_cast<size_t>(i)]);
    }
    for (const QString& other : { QStringLiteral(")"), QStringLiteral("1"), QStringLiteral("!!"), QString() })
        EXPECT_FALSE(NodeMarkers::markerForShiftedDigit(other).has_value()) << other.toStdString();
}
