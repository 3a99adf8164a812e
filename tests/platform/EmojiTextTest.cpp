#include "platform/EmojiText.h"

#include "platform/Typography.h"
#include "support/InkBounds.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QTextLayout>

#include <gtest/gtest.h>

#include <cmath>

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
    // A text layout given the formats measures as the line is measured.
    for (const QString& text : { markers[7] + QStringLiteral(" black, ") + markers[8] + " white", QString("plain") }) {
        QTextLayout layout(text, font);
        layout.setFormats(EmojiText::formats(text));
        layout.beginLayout();
        const QTextLine line = layout.createLine();
        layout.endLayout();
        EXPECT_NEAR(line.naturalTextWidth(), advance(text), 0.5) << text.toStdString();
    }
    EXPECT_TRUE(EmojiText::formats(QStringLiteral("plain")).isEmpty());
}
