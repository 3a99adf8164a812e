#include "platform/Typography.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QStringList>

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>

using namespace kestrion;

TEST(TypographyTest, FontsAreSizedInWholePixelsNeverInPoints)
{
    const QFont font = Typography::systemFont(15, QFont::DemiBold);
    EXPECT_EQ(font.pixelSize(), 15);
    EXPECT_LT(font.pointSizeF(), 0) << "a point size would scale with the screen's DPI setting";
    EXPECT_EQ(font.weight(), QFont::DemiBold);
    EXPECT_FALSE(font.italic());
    EXPECT_TRUE(Typography::italicSystemFont(11).italic());

    // What the engine resolved is that many pixels tall, whatever face it picked.
    EXPECT_EQ(QFontInfo(Typography::systemFont(24)).pixelSize(), 24);
}

TEST(TypographyTest, NodeTypographyFollowsDepth)
{
    EXPECT_EQ(Typography::nodeFontSize(0), 16);
    EXPECT_EQ(Typography::nodeFontSize(1), 14);
    EXPECT_EQ(Typography::nodeFontSize(2), 13);
    EXPECT_EQ(Typography::nodeFontSize(40), 13);
    EXPECT_EQ(Typography::nodeFontWeight(0), QFont::Medium);
    EXPECT_EQ(Typography::nodeFontWeight(1), QFont::Medium);
    EXPECT_EQ(Typography::nodeFontWeight(2), QFont::Normal);
    const QFont root = Typography::nodeFont(0);
    EXPECT_EQ(root.pixelSize(), 16);
    EXPECT_EQ(root.weight(), QFont::Medium);
    EXPECT_EQ(Typography::nodeFont(5).pixelSize(), 13);
}

TEST(TypographyTest, UnusableSizesAreClampedToAUsableFont)
{
    EXPECT_EQ(Typography::systemFont(0).pixelSize(), Typography::minPixelSize);
    EXPECT_EQ(Typography::systemFont(-12).pixelSize(), Typography::minPixelSize);
    EXPECT_EQ(Typography::systemFont(std::numeric_limits<qreal>::quiet_NaN()).pixelSize(), Typography::minPixelSize);
    EXPECT_EQ(Typography::systemFont(std::numeric_limits<qreal>::infinity()).pixelSize(), Typography::maxPixelSize);
    EXPECT_EQ(Typography::systemFont(1.0e12).pixelSize(), Typography::maxPixelSize);
    EXPECT_EQ(Typography::systemFont(15.5).pixelSize(), 16);
    EXPECT_EQ(Typography::systemFont(15.4).pixelSize(), 15);
}

TEST(TypographyTest, DesignsPickTheirOwnFaceWhenTheMachineHasOne)
{
    const QFontInfo general(Typography::systemFont(15));
    const QFontInfo serif(Typography::systemFont(15, QFont::Normal, FontDesign::Serif));
    const QFontInfo mono(Typography::systemFont(15, QFont::Normal, FontDesign::Monospaced));
    const QFontInfo rounded(Typography::systemFont(15, QFont::Normal, FontDesign::Rounded));
    EXPECT_EQ(rounded.family(), general.family());
    EXPECT_EQ(serif.pixelSize(), 15);
    EXPECT_EQ(mono.pixelSize(), 15);
    // Whether a serif face exists is asked of the font database, never of the result.
    const QStringList families = QFontDatabase::families();
    const bool hasSerifFace = std::any_of(families.begin(), families.end(), [](const QString& family) {
        return family.contains(QStringLiteral("Serif"), Qt::CaseInsensitive)
            && !family.contains(QStringLiteral("Sans"), Qt::CaseInsensitive);
    });
    if (!hasSerifFace)
        GTEST_SKIP() << "no serif face installed";
    EXPECT_NE(serif.family(), general.family());
    EXPECT_NE(serif.family(), mono.family());
}
