#include "app/GrainOverlay.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <limits>
#include <set>

using namespace kestrion;

namespace {

TEST(GrainOverlayTest, TilesCoverTheAreaFromTheTopLeftAndMayReachPastTheEdges)
{
    const std::vector<QRectF> rects = GrainOverlay::tileRects(QSizeF(500, 520));
    ASSERT_EQ(rects.size(), 6u);
    std::set<std::pair<qreal, qreal>> origins;
    for (const QRectF& rect : rects) {
        EXPECT_EQ(rect.size(), QSizeF(256, 256));
        origins.insert({ rect.x(), rect.y() });
    }
    const std::set<std::pair<qreal, qreal>> expected { { 0, 0 }, { 256, 0 }, { 0, 256 }, { 256, 256 }, { 0, 512 },
        { 256, 512 } };
    EXPECT_EQ(origins, expected);

    // Exactly one tile wide: a second column would start at the edge and show nothing.
    EXPECT_EQ(GrainOverlay::tileRects(QSizeF(256, 1)).size(), 1u);
    EXPECT_EQ(GrainOverlay::tileRects(QSizeF(256.5, 1)).size(), 2u);
}

TEST(GrainOverlayTest, EmptyOrInvalidAreasGetNoTile)
{
    const qreal nan = std::numeric_limits<qreal>::quiet_NaN();
    const qreal inf = std::numeric_limits<qreal>::infinity();
    for (const QSizeF& size : { QSizeF(0, 520), QSizeF(500, 0), QSizeF(-3, 40), QSizeF(nan, 10), QSizeF(10, inf) })
        EXPECT_TRUE(GrainOverlay::tileRects(size).empty()) << size.width() << " x " << size.height();
}

TEST(GrainOverlayTest, NoiseTileIsGreyMadeOnceAndVaried)
{
    const QImage& tile = GrainOverlay::noiseTile();
    EXPECT_EQ(&tile, &GrainOverlay::noiseTile());
    ASSERT_EQ(tile.size(), QSize(256, 256));
    int darkest = 255;
    int lightest = 0;
    for (int y = 0; y < tile.height(); y += 7) {
        for (int x = 0; x < tile.width(); x += 5) {
            const QRgb pixel = tile.pixel(x, y);
            ASSERT_EQ(qRed(pixel), qGreen(pixel));
            ASSERT_EQ(qGreen(pixel), qBlue(pixel));
            darkest = std::min(darkest, qRed(pixel));
            lightest = std::max(lightest, qRed(pixel));
        }
    }
    // Raised contrast spreads the grey values towards both ends.
    EXPECT_LT(darkest, 40);
    EXPECT_GT(lightest, 215);
}

TEST(GrainOverlayTest, DrawingStaysInsideTheAreaAndChangesIt)
{
    QImage canvas(600, 300, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(QColor(128, 128, 128));
    {
        QPainter painter(&canvas);
        GrainOverlay(0.4).draw(painter, QSizeF(300, 300));
    }
    bool changedInside = false;
    for (int x = 0; x < 300 && !changedInside; ++x)
        changedInside = canvas.pixel(x, 150) != QColor(128, 128, 128).rgb();
    EXPECT_TRUE(changedInside);
    for (int x = 300; x < 600; x += 3)
        ASSERT_EQ(canvas.pixel(x, 150), QColor(128, 128, 128).rgb()) << x;
}

} // namespace
