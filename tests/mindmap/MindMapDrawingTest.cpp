#include "CanvasFixture.h"

#include "mindmap/CanvasGeometry.h"
#include "mindmap/TextBitmapCache.h"
#include "mindmap/TextBitmapKey.h"
#include "platform/Appearance.h"
#include "support/InkBounds.h"

#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

using namespace kestrion;
using namespace kestrion::test;

namespace {

constexpr qreal zooms[] = { 0.1, 0.5, 0.9, 1.0, 2.0, 3.0 };
constexpr qreal ratios[] = { 1.0, 2.0 };

// An image of a view size in points at a device pixel ratio, sized in device pixels.
QImage viewImage(const QSizeF& size, qreal ratio)
{
    QImage image(static_cast<int>(std::ceil(size.width() * ratio)), static_cast<int>(std::ceil(size.height() * ratio)),
        QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    return image;
}

// The alpha-weighted mean row of the ink within a rectangle.
double inkMiddle(const QImage& image, const QRect& within)
{
    double weight = 0;
    double sum = 0;
    const QRect area = within.intersected(image.rect());
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            weight += qAlpha(image.pixel(x, y));
            sum += qAlpha(image.pixel(x, y)) * (y + 0.5);
        }
    }
    return weight > 0 ? sum / weight : 0;
}

class MindMapDrawingTest : public CanvasFixture {
protected:
    // The whole map at a zoom, with no pan, at a device pixel ratio.
    QImage paintAt(qreal zoom, qreal ratio)
    {
        canvas->setScale(zoom);
        canvas->setPanOffset(QPointF());
        const QRectF bounds = canvas->cachedContentBounds();
        const QSizeF size((bounds.right() + 80) * zoom, (bounds.bottom() + 40) * zoom);
        QImage image = viewImage(size, ratio);
        QPainter painter(&image);
        canvas->renderCanvas(painter, size);
        return image;
    }
};

} // namespace

TEST_F(MindMapDrawingTest, NodeTextIsWholeAndToScaleAtEveryZoomAndPixelRatio)
{
    for (const SermonNodePtr& node : { root, c, a1 }) {
        const NodeLayout layout = layoutOf(node);
        const TextBitmapKey key = TextBitmapKey::forNode(node->text(), layout.depth, layout.isQuote);
        const QSizeF natural = TextBitmapCache::naturalSize(key);
        const QPointF topLeft = layout.origin + QPointF(14, layout.isLeaf ? 3 : 8);
        for (qreal ratio : ratios) {
            for (qreal zoom : zooms) {
                SCOPED_TRACE(
                    QStringLiteral("%1 at zoom %2, ratio %3").arg(node->text()).arg(zoom).arg(ratio).toStdString());
                const QImage drawn = paintAt(zoom, ratio);
                // The same text drawn as vector glyphs through the same transform.
                QImage reference = viewImage(QSizeF(drawn.size()) / ratio, ratio);
                {
                    QPainter painter(&reference);
                    painter.scale(zoom, zoom);
                    TextBitmapCache::drawText(painter, key, false, topLeft);
                }
                const qreal pixels = zoom * ratio;
                const QRect textRect = QRectF(topLeft * pixels, natural * pixels).toAlignedRect();
                // Faint antialiasing differs between the two ways of drawing; compare the body.
                const int threshold = pixels < 0.5 ? 24 : 96;
                const QRect expected = inkBounds(reference, reference.rect(), threshold);
                ASSERT_FALSE(expected.isEmpty());
                ASSERT_TRUE(textRect.contains(expected)) << "the natural size holds the text";
                const QRect actual = inkBounds(drawn, textRect, threshold);
                ASSERT_FALSE(actual.isEmpty()) << "the text is drawn";
                const int tolerance = pixels < 0.5 ? 2 : 1;
                EXPECT_NEAR(actual.left(), expected.left(), tolerance);
                EXPECT_NEAR(actual.right(), expected.right(), tolerance);
                EXPECT_NEAR(actual.top(), expected.top(), tolerance);
                EXPECT_NEAR(actual.bottom(), expected.bottom(), tolerance);
                // Standing on the rows the text drawn directly stands on. Glyphs of 64 pixels
                // and more are drawn as outlines to a fraction of a pixel, which a bitmap on whole
                // pixels can miss by up to one.
                const bool onWholeRows = key.fontSize * pixels < 64;
                EXPECT_NEAR(inkMiddle(drawn, textRect), inkMiddle(reference, textRect), onWholeRows ? 0.5 : 1);
            }
        }
    }
}

TEST_F(MindMapDrawingTest, SelectionOutlinesKeepClearOfFoldCirclesAndOfEachOther)
{
    QPalette palette = canvas->palette();
    palette.setColor(QPalette::Highlight, QColor(0, 0, 255));
    canvas->setPalette(palette);
    canvas->selectAllNodes();
    const NodeLayout parent = layoutOf(a);
    const NodeLayout first = layoutOf(a1);
    const NodeLayout second = layoutOf(a2);
    ASSERT_DOUBLE_EQ(second.origin.y() - (first.origin.y() + first.size.height()), 2) << "leaves stand 2 apart";
    const QPointF circle(parent.origin.x() + parent.size.width(), parent.origin.y() + parent.size.height() / 2);
    const QPointF between(first.origin.x() + first.size.width() / 2, first.origin.y() + first.size.height() + 1);
    for (qreal ratio : ratios) {
        for (qreal zoom : { 0.8, 1.5 }) {
            SCOPED_TRACE(QStringLiteral("zoom %1, ratio %2").arg(zoom).arg(ratio).toStdString());
            const QImage image = paintAt(zoom, ratio);
            const qreal toDevice = zoom * ratio;
            int accentNearCircle = 0;
            const qreal reach = (foldCircleRadius + 1.5) * toDevice;
            for (int y = int(circle.y() * toDevice - reach); y <= int(circle.y() * toDevice + reach); ++y) {
                for (int x = int(circle.x() * toDevice - reach); x <= int(circle.x() * toDevice + reach); ++x) {
                    const QRgb pixel = image.pixel(x, y);
                    if (std::hypot(x + 0.5 - circle.x() * toDevice, y + 0.5 - circle.y() * toDevice) <= reach
                        && qBlue(pixel) - qRed(pixel) > 100)
                        ++accentNearCircle;
                }
            }
            EXPECT_EQ(accentNearCircle, 0) << "the outline runs through the fold circle";
            EXPECT_LT(qAlpha(image.pixel((between * toDevice).toPoint())), 128) << "the two outlines touch";
        }
    }
}

TEST_F(MindMapDrawingTest, NodeTextIsDrawnPixelForPixelSoItStaysSharp)
{
    for (qreal ratio : ratios) {
        for (qreal zoom : { 0.5, 0.9, 1.0, 2.0, 3.0 }) {
            const QImage drawn = paintAt(zoom, ratio);
            // Leaves: nothing lies under their text, so its pixels are the bitmap's own.
            for (const SermonNodePtr& node : { c, a1 }) {
                SCOPED_TRACE(
                    QStringLiteral("%1 at zoom %2, ratio %3").arg(node->text()).arg(zoom).arg(ratio).toStdString());
                const NodeLayout layout = layoutOf(node);
                const TextBitmapKey key = TextBitmapKey::forNode(node->text(), layout.depth, layout.isQuote);
                const QPointF topLeft = layout.origin + QPointF(14, 3);
                const auto bitmap = TextBitmapCache::renderTextBitmap(key, false, zoom, ratio);
                ASSERT_TRUE(bitmap);
                const QPoint corner = (topLeft * zoom * ratio).toPoint();
                // On the nearest whole pixel, or a row off it where the first baseline's row
                // decides.
                int fewestDiffering = std::numeric_limits<int>::max();
                for (int shift : { -1, 0, 1 }) {
                    int differing = 0;
                    // The last row may share its pixels with the leaf's underline.
                    for (int y = 0; y + 1 < bitmap->image.height(); ++y) {
                        for (int x = 0; x < bitmap->image.width(); ++x)
                            differing
                                += drawn.pixel(corner.x() + x, corner.y() + shift + y) != bitmap->image.pixel(x, y);
                    }
                    fewestDiffering = std::min(fewestDiffering, differing);
                }
                EXPECT_EQ(fewestDiffering, 0) << "not resampled";
            }
        }
    }
}

TEST_F(MindMapDrawingTest, TheTrunkOfALargeBranchIsAsLightAsOneConnector)
{
    // Elbows to 40 children, each with a child of its own so no bracket is drawn.
    root = SermonNode::create(QStringLiteral("Title"));
    const SermonNodePtr branch = root->addChild(QStringLiteral("Branch"));
    for (int i = 0; i < 40; ++i)
        branch->addChild(QStringLiteral("Point %1").arg(i))->addChild(QStringLiteral("Leaf"));
    makeCanvas();
    const NodeLayout parent = layoutOf(branch);
    const qreal parentMid = parent.origin.y() + parent.size.height() / 2;
    const qreal trunkX = (parent.origin.x() + parent.size.width() + layoutOf(branch->children()[0]).origin.x()) / 2;
    // Heights halfway between neighbouring children, clear of their corners and of the stem.
    std::vector<qreal> samples;
    for (size_t i = 0; i + 1 < branch->children().size(); ++i) {
        const NodeLayout upper = layoutOf(branch->children()[i]);
        const NodeLayout lower = layoutOf(branch->children()[i + 1]);
        const qreal y = (upper.origin.y() + upper.size.height() / 2 + lower.origin.y() + lower.size.height() / 2) / 2;
        // Where the stem meets the trunk the elbows turn away from it.
        if (std::abs(y - parentMid) > 12)
            samples.push_back(y);
    }
    ASSERT_GT(samples.size(), 30u);

    for (qreal ratio : ratios) {
        for (qreal zoom : zooms) {
            SCOPED_TRACE(QStringLiteral("zoom %1, ratio %2").arg(zoom).arg(ratio).toStdString());
            const QImage drawn = paintAt(zoom, ratio);
            // One connector's stretch of trunk, stroked alone the same way.
            QImage single = viewImage(QSizeF(drawn.size()) / ratio, ratio);
            {
                QPainter painter(&single);
                painter.setRenderHint(QPainter::Antialiasing);
                painter.scale(zoom, zoom);
                QColor ink = Appearance::inkColor(false);
                ink.setAlphaF(static_cast<float>(connectorOpacity(branch->depth())));
                painter.setPen(QPen(ink, 1, Qt::SolidLine, Qt::FlatCap));
                painter.drawLine(QPointF(trunkX, samples.front() - 20), QPointF(trunkX, samples.back() + 20));
            }
            const qreal pixels = zoom * ratio;
            const int column = static_cast<int>(std::floor(trunkX * pixels));
            // The ink across the trunk at a height, summed over the pixels it touches.
            auto across = [&](const QImage& image, qreal y) {
                int sum = 0;
                const int row = static_cast<int>(std::floor(y * pixels));
                for (int x = column - 1; x <= column + 1; ++x)
                    sum += qAlpha(image.pixel(x, row));
                return sum;
            };
            for (qreal y : samples) {
                const int expected = across(single, y);
                ASSERT_GT(expected, 0);
                EXPECT_NEAR(across(drawn, y), expected, expected / 5 + 3) << "at height " << y;
            }
        }
    }
}

TEST_F(MindMapDrawingTest, SkippingBranchesOutOfViewChangesNoPixel)
{
    root = SermonNode::create(QStringLiteral("Title"));
    for (int i = 0; i < 6; ++i) {
        const SermonNodePtr point = root->addChild(QStringLiteral("Point %1").arg(i));
        for (int j = 0; j < 5; ++j) {
            const SermonNodePtr part = point->addChild(QStringLiteral("Part %1.%2").arg(i).arg(j));
            for (int k = 0; k < 3; ++k)
                part->addChild(QStringLiteral("Line %1").arg(k));
        }
    }
    root->children()[2]->setCollapsed(true);
    makeCanvas();
    MindMapRenderer pruning;
    MindMapRenderer walking;
    auto paint = [&](MindMapRenderer& renderer, bool prune, const QPointF& pan, const QRectF& exposed) {
        MindMapRenderer::Scene scene;
        scene.root = root;
        scene.layouts = &canvas->cachedLayouts();
        scene.nodeLookup = &canvas->nodeLookup();
        scene.subtreeWordCounts = &canvas->subtreeWordCounts();
        scene.textCache = &canvas->textCache();
        scene.panOffset = pan;
        scene.selectedNodeID = root->children()[3]->id();
        if (prune)
            scene.layoutGeneration = 1;
        QImage image(400, 300, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        if (exposed.isValid())
            painter.setClipRect(exposed);
        renderer.render(painter, QSizeF(image.size()), scene, exposed);
        return image;
    };
    // Views into the middle, the edges and past the end of the tree, whole and in small parts.
    const QRectF bounds = canvas->cachedContentBounds();
    for (const QPointF& pan : { QPointF(), QPointF(-300, -400), QPointF(-500, -bounds.center().y() + 150),
             QPointF(-bounds.right() + 100, -bounds.bottom() + 100), QPointF(-bounds.right() - 10, 0) }) {
        for (const QRectF& exposed : { QRectF(), QRectF(150, 100, 3, 18), QRectF(0, 0, 60, 300) }) {
            EXPECT_EQ(paint(pruning, true, pan, exposed), paint(walking, false, pan, exposed))
                << "pan " << pan.x() << ", " << pan.y();
        }
    }
}
