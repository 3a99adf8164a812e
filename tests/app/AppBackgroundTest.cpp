#include "app/AppBackground.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

using namespace kestrion;

namespace {

QImage renderBase(const QSize& size, bool isDark)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::magenta);
    QPainter painter(&image);
    AppBackground::paintBase(painter, QRectF(QPointF(0, 0), size), isDark);
    return image;
}

QColor mix(const QColor& a, const QColor& b, double t)
{
    return QColor::fromRgbF(float(a.redF() + (b.redF() - a.redF()) * t),
        float(a.greenF() + (b.greenF() - a.greenF()) * t), float(a.blueF() + (b.blueF() - a.blueF()) * t));
}

int distance(const QColor& a, const QColor& b)
{
    return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue());
}

TEST(AppBackgroundTest, NearTheCentreOnlyTheBaseGradientShows)
{
    for (bool isDark : { false, true }) {
        const QImage image = renderBase(QSize(2400, 1600), isDark);
        const AppBackground::Palette colours = AppBackground::colours(isDark);
        // 200 points above the centre: inside the untinted disc.
        const int y = 600;
        const QColor expected = mix(colours.top, colours.bottom, double(y) / 1600.0);
        EXPECT_LE(distance(image.pixelColor(1200, y), expected), 6) << isDark;
    }
}

TEST(AppBackgroundTest, FarEdgesCarryTheFullVignetteTint)
{
    for (bool isDark : { false, true }) {
        const QSize size(2400, 1600);
        const QImage image = renderBase(size, isDark);
        const AppBackground::Palette colours = AppBackground::colours(isDark);
        // The top left corner is about 1440 points from the centre, past the outer radius.
        const QColor base = colours.top;
        const QColor expected = mix(base, colours.vignette, colours.vignetteOpacity);
        EXPECT_LE(distance(image.pixelColor(0, 0), expected), 6) << isDark;
        // And it differs clearly from the untinted gradient there.
        EXPECT_GT(distance(image.pixelColor(0, 0), base), 10) << isDark;
    }
}

TEST(AppBackgroundTest, DarkEdgesGoTowardsBlackAndLightEdgesWarm)
{
    const QImage dark = renderBase(QSize(2400, 1600), true);
    const QImage light = renderBase(QSize(2400, 1600), false);
    EXPECT_LT(dark.pixelColor(0, 800).lightness(), dark.pixelColor(1200, 800).lightness());
    const QColor lightEdge = light.pixelColor(0, 800);
    EXPECT_LT(lightEdge.lightness(), light.pixelColor(1200, 800).lightness());
    EXPECT_GT(lightEdge.red(), lightEdge.blue());
}

TEST(AppBackgroundTest, WidgetFollowsItsPaletteAndCoversItsWholeArea)
{
    AppBackground widget;
    widget.resize(300, 200);
    QPalette palette = widget.palette();
    palette.setColor(QPalette::Window, QColor(30, 30, 30));
    widget.setPalette(palette);
    EXPECT_TRUE(widget.isDark());
    QImage image(widget.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::magenta);
    widget.render(&image);
    for (const QPoint& point : { QPoint(0, 0), QPoint(299, 199), QPoint(150, 100) })
        EXPECT_NE(image.pixelColor(point), QColor(Qt::magenta));
    EXPECT_LT(image.pixelColor(150, 100).lightness(), 80);

    // Drawn again in the new scheme, never from what the dark one left behind.
    palette.setColor(QPalette::Window, QColor(240, 240, 240));
    widget.setPalette(palette);
    EXPECT_FALSE(widget.isDark());
    widget.render(&image);
    EXPECT_GT(image.pixelColor(150, 100).lightness(), 200);

    // A part of the widget is drawn exactly as the whole would draw it there.
    QImage part(QSize(40, 30), QImage::Format_ARGB32_Premultiplied);
    widget.render(&part, QPoint(), QRegion(QRect(260, 170, 40, 30)));
    EXPECT_EQ(part.pixelColor(39, 29), image.pixelColor(299, 199));
}

} // namespace
