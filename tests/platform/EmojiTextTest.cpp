#include "platform/EmojiText.h"

#include "platform/Typography.h"
#include "support/InkBounds.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QTextLayout>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <utility>
#include <vector>

using namespace kestrion;
using namespace kestrion::test;

TEST(EmojiTextTest, EveryMarkerIsDrawnAndMeasuredAtOneSize)
{
    if (EmojiText::emojiFamily().isEmpty())
        GTEST_SKIP() << "no colour emoji font is installed";
    const QFont font = Typography::systemFont(13);
    const QFontMetricsF metrics(font);
    const QStringList markers = markerCircles();
    auto advance = [&](const QString& text) { return EmojiText::horizontalAdvance(font, metrics, text); };
    for (qreal ratio : { 1.0, 2.0 }) {
        for (qreal scale : { 0.5, 2.0 }) {
            auto ink = [&](const QString& text) {
                QImage image(int(std::ceil(80 * ratio * scale)), int(std::ceil(40 * ratio * scale)),
                    QImage::Format_ARGB32_Premultiplied);
                image.setDevicePixelRatio(ratio);
                image.fill(Qt::transparent);
                QPainter painter(&image);
                painter.scale(scale, scale);
                painter.setFont(font);
                EmojiText::drawLine(painter, QPointF(4, 24), text);
                return inkBounds(image);
            };
            const QRect red = ink(markers.front());
            for (const QString& marker : markers) {
                SCOPED_TRACE(QStringLiteral("U+%1 at scale %2, ratio %3")
                                 .arg(marker.toUcs4().front(), 0, 16)
                                 .arg(scale)
                                 .arg(ratio)
                                 .toStdString());
                const QRect drawn = ink(marker);
                EXPECT_NEAR(drawn.width(), red.width(), 1);
                EXPECT_NEAR(drawn.height(), red.height(), 1);
                EXPECT_DOUBLE_EQ(advance(marker + QStringLiteral(" line")), advance(markers.front() + " line"));
            }
        }
    }
    // A text layout given the formats advances as far as the line is measured, in every font
    // (its natural width also takes in an italic's overhang).
    const QString mixed = markers[0] + QStringLiteral(" red, ") + markers[3] + QChar(0xFE0F) + " green, " + markers[7]
        + " black, " + markers[8] + " white";
    for (const QFont& sized : { font, Typography::systemFont(16, QFont::Medium), Typography::italicSystemFont(13),
             Typography::systemFont(40, QFont::Bold, FontDesign::Serif), Typography::systemFont(9) }) {
        for (const QString& text : { mixed, QString("plain") }) {
            QTextLayout layout(text, sized);
            layout.setFormats(EmojiText::formats(text));
            layout.beginLayout();
            const QTextLine line = layout.createLine();
            layout.endLayout();
            EXPECT_NEAR(line.horizontalAdvance(), EmojiText::horizontalAdvance(sized, QFontMetricsF(sized), text), 0.5)
                << text.toStdString() << " at " << sized.pixelSize();
        }
    }
    EXPECT_TRUE(EmojiText::formats(QStringLiteral("plain")).isEmpty());
}

// A glyph of the colour emoji font keeps its own colours; one of a plain font takes the pen's.
// So every marker, alone or inside a line, drawn or laid out with the formats, shows the same
// pixels under any pen, whatever other fonts are installed.
TEST(EmojiTextTest, EveryMarkerIsDrawnFromTheColourEmojiFontWhateverThePen)
{
    if (EmojiText::emojiFamily().isEmpty())
        GTEST_SKIP() << "no colour emoji font is installed";
    const QFont font = Typography::systemFont(13);
    const QFontMetricsF metrics(font);
    using Draw = std::function<void(QPainter&, const QString&)>;
    const std::pair<const char*, Draw> ways[] = {
        { "drawn", [](QPainter& painter, const QString& text) { EmojiText::drawLine(painter, QPointF(4, 24), text); } },
        { "laid out",
            [&](QPainter& painter, const QString& text) {
                QTextLayout layout(text, font);
                layout.setFormats(EmojiText::formats(text));
                layout.beginLayout();
                layout.createLine();
                layout.endLayout();
                layout.draw(&painter, QPointF(4, 24 - metrics.ascent()));
            } },
    };
    for (const auto& [way, draw] : ways) {
        const auto paint = [&](const QString& text, const QColor& pen) {
            QImage image(160, 40, QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::transparent);
            QPainter painter(&image);
            painter.setFont(font);
            painter.setPen(pen);
            draw(painter, text);
            return image;
        };
        const auto penShows = [&](const QString& text, const QRect& area) {
            const QImage red = paint(text, Qt::red);
            EXPECT_FALSE(inkBounds(red, area).isEmpty()) << way;
            return !differenceBounds(red.copy(area), paint(text, Qt::blue).copy(area)).isNull();
        };
        const qreal before = metrics.horizontalAdvance(QStringLiteral("Go "));
        for (const QString& marker : markerCircles()) {
            SCOPED_TRACE(QStringLiteral("U+%1 %2").arg(marker.toUcs4().front(), 0, 16).arg(way).toStdString());
            const qreal width = EmojiText::horizontalAdvance(font, metrics, marker);
            const QRect alone(0, 0, int(4 + width), 40);
            EXPECT_FALSE(penShows(marker + QStringLiteral(" Point"), alone));
            EXPECT_FALSE(penShows(marker + QChar(0xFE0F), alone));
            EXPECT_FALSE(
                penShows(QStringLiteral("Go ") + marker + " on", QRect(int(5 + before), 0, int(width) - 2, 40)));
        }
        EXPECT_TRUE(penShows(QStringLiteral("Point"), QRect(0, 0, 160, 40))) << way;
    }
}

// Only the markers are taken from the emoji font: any other emoji a user types, and a circle
// joined into a longer character, is left to the font machinery.
TEST(EmojiTextTest, OnlyTheMarkersAreTakenFromTheEmojiFont)
{
    const QStringList markers = markerCircles();
    struct Case {
        QString text;
        QList<std::pair<int, int>> ranges;
    };
    const std::vector<Case> cases {
        { QStringLiteral("\u2B50 star \U0001F600 \u2600 \u26A1 \U0001F7E5 \U0001F536"), {} },
        { markers[1] + QStringLiteral(" Point"), { { 0, 2 } } },
        { QStringLiteral("a") + markers[2] + QChar(0xFE0F) + "b" + markers[7] + markers[8],
            { { 1, 2 }, { 5, 1 }, { 6, 1 } } },
        { QStringLiteral("plain"), {} },
    };
    for (const Case& each : cases) {
        QList<std::pair<int, int>> ranges;
        for (const QTextLayout::FormatRange& range : EmojiText::formats(each.text))
            ranges.append({ range.start, range.length });
        if (EmojiText::emojiFamily().isEmpty()) {
            EXPECT_TRUE(ranges.isEmpty()) << each.text.toStdString();
            continue;
        }
        EXPECT_EQ(ranges, each.ranges) << each.text.toStdString();
        EXPECT_EQ(EmojiText::needsEmojiFont(each.text), !each.ranges.isEmpty()) << each.text.toStdString();
    }
}
