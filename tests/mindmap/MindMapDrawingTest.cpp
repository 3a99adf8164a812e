#include "CanvasFixture.h"

#include "mindmap/CanvasGeometry.h"
#include "mindmap/MindMapRenderer.h"
#include "mindmap/TextBitmapCache.h"
#include "mindmap/TextBitmapKey.h"
#include "platform/Appearance.h"
#include "platform/Typography.h"
#include "support/InkBounds.h"

#include <QImage>
#include <QPainter>
#include <QTextLayout>

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>
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

namespace {

// How much ink each column of a band of rows holds.
std::vector<int> inkProfile(const QImage& image, int top, int height)
{
    std::vector<int> profile(static_cast<size_t>(image.width()), 0);
    for (int y = std::max(top, 0); y < std::min(top + height, image.height()); ++y) {
        for (int x = 0; x < image.width(); ++x)
            profile[static_cast<size_t>(x)] += qAlpha(image.pixel(x, y));
    }
    return profile;
}

// The first and last device columns of a word's ink where a line of text drawn in the band of
// rows from top shows it: the word drawn alone the same way, slid along the band until its ink
// matches the line's best.
std::pair<int, int> wordInk(const QImage& line, int top, const QImage& word)
{
    const std::vector<int> alone = inkProfile(word, 0, word.height());
    const std::vector<int> drawn = inkProfile(line, top, word.height());
    const auto first = std::find_if(alone.cbegin(), alone.cend(), [](int ink) { return ink > 0; }) - alone.cbegin();
    const auto last = alone.crend() - std::find_if(alone.crbegin(), alone.crend(), [](int ink) { return ink > 0; }) - 1;
    qint64 best = std::numeric_limits<qint64>::max();
    int at = -1;
    for (qsizetype offset = 0; offset + (last - first) < static_cast<qsizetype>(drawn.size()); ++offset) {
        qint64 cost = 0;
        for (qsizetype x = first; x <= last && cost < best; ++x)
            cost += std::abs(drawn[static_cast<size_t>(offset + x - first)] - alone[static_cast<size_t>(x)]);
        if (cost < best) {
            best = cost;
            at = static_cast<int>(offset);
        }
    }
    return { at, at + static_cast<int>(last - first) };
}

// The runs of columns, from left to right, in which some pixel of the band is orange.
std::vector<std::pair<int, int>> orangeRuns(const QImage& image, int top, int height, int left, int right)
{
    std::vector<std::pair<int, int>> runs;
    for (int x = left; x <= right; ++x) {
        bool isOrange = false;
        for (int y = top; y < top + height && !isOrange; ++y) {
            const QRgb pixel = image.pixel(x, y);
            isOrange = qAlpha(pixel) > 40 && qRed(pixel) - qBlue(pixel) > 80;
        }
        if (!isOrange)
            continue;
        if (!runs.empty() && runs.back().second == x - 1)
            runs.back().second = x;
        else
            runs.emplace_back(x, x);
    }
    return runs;
}

} // namespace

// The search highlight lies on the letters matched whichever way the text runs: right to left,
// left to right, or both in one line, where a match that crosses between them is two pieces.
// Each word is found where the map draws it by its own drawing, slid along the drawn line.
TEST_F(MindMapDrawingTest, SearchHighlightsLieOnTheMatchedWordsInEveryDirectionOfText)
{
    struct Case {
        QString text;
        QString query;
        QStringList covered;
        QStringList uncovered;
        size_t pieces;
    };
    const std::vector<Case> cases {
        { QStringLiteral("The good shepherd lays down his life"), QStringLiteral("SHEPHERD"),
            { QStringLiteral("shepherd") }, { QStringLiteral("good"), QStringLiteral("lays") }, 1 },
        { QStringLiteral("\u05d4\u05e8\u05d5\u05e2\u05d4 \u05d4\u05d8\u05d5\u05d1 \u05e0\u05d5\u05ea\u05df "
                         "\u05d0\u05ea \u05e0\u05e4\u05e9\u05d5 \u05d1\u05e2\u05d3 \u05d4\u05e6\u05d0\u05df"),
            QStringLiteral("\u05e0\u05d5\u05ea\u05df"), { QStringLiteral("\u05e0\u05d5\u05ea\u05df") },
            { QStringLiteral("\u05d4\u05d8\u05d5\u05d1"), QStringLiteral("\u05d1\u05e2\u05d3") }, 1 },
        { QStringLiteral("\u0642\u0627\u0644 \u064a\u0633\u0648\u0639 \u0623\u0646\u0627 \u0647\u0648 "
                         "\u0627\u0644\u0631\u0627\u0639\u064a \u0627\u0644\u0635\u0627\u0644\u062d"),
            QStringLiteral("\u0627\u0644\u0631\u0627\u0639\u064a"),
            { QStringLiteral("\u0627\u0644\u0631\u0627\u0639\u064a") },
            { QStringLiteral("\u064a\u0633\u0648\u0639"), QStringLiteral("\u0627\u0644\u0635\u0627\u0644\u062d") }, 1 },
        // Left to right first: the Arabic words follow, the first of them at the far right.
        { QStringLiteral("C. S. Lewis \u0643\u062a\u0628 \u0639\u0646 \u0627\u0644\u0631\u0627\u0639\u064a "
                         "\u0627\u0644\u0635\u0627\u0644\u062d"),
            QStringLiteral("lewis \u0643\u062a\u0628"),
            { QStringLiteral("Lewis"), QStringLiteral("\u0643\u062a\u0628") },
            { QStringLiteral("\u0627\u0644\u0635\u0627\u0644\u062d") }, 2 },
        // Right to left first: the Latin words stand left of the first Arabic one.
        { QStringLiteral("\u0642\u0627\u0644 C. S. Lewis \u0625\u0646 \u0627\u0644\u0631\u0627\u0639\u064a "
                         "\u064a\u0639\u0631\u0641"),
            QStringLiteral("Lewis"), { QStringLiteral("Lewis") },
            { QStringLiteral("\u0627\u0644\u0631\u0627\u0639\u064a") }, 1 },
        { QStringLiteral("\u26ab \u05d4\u05e8\u05d5\u05e2\u05d4 \u05d4\u05d8\u05d5\u05d1 "
                         "\u05e0\u05d5\u05ea\u05df \u05d1\u05e2\u05d3 \u05d4\u05e6\u05d0\u05df"),
            QStringLiteral("\u05e0\u05d5\u05ea\u05df"), { QStringLiteral("\u05e0\u05d5\u05ea\u05df") },
            { QStringLiteral("\u05d4\u05d8\u05d5\u05d1") }, 1 },
    };
    for (const Case& each : cases) {
        c->setText(each.text);
        canvas->recomputeLayout();
        const NodeLayout layout = layoutOf(c);
        const TextBitmapKey key = TextBitmapKey::forNode(each.text, layout.depth, layout.isQuote);
        for (const auto& [zoom, ratio] : { std::pair(1.0, 1.0), std::pair(2.0, 1.0), std::pair(1.0, 2.0) }) {
            SCOPED_TRACE(QStringLiteral("%1 at zoom %2, ratio %3").arg(each.text).arg(zoom).arg(ratio).toStdString());
            const qreal pixels = zoom * ratio;
            const QImage plain = paintAt(zoom, ratio);
            canvas->openSearch();
            controller().setSearchQuery(each.query);
            ASSERT_EQ(controller().searchMatches(), QList<QUuid> { c->id() });
            const QImage searched = paintAt(zoom, ratio);
            controller().endSearch();

            // The first line's band, inside the box: the outlines lie outside it.
            const QPointF textTopLeft = layout.origin + QPointF(16, 3);
            const int top = static_cast<int>(std::round(textTopLeft.y() * pixels));
            const int height = static_cast<int>(TextBitmapCache::naturalSize(key).height() * pixels);
            const auto highlights = orangeRuns(searched, top, height, static_cast<int>(layout.origin.x() * pixels),
                static_cast<int>((layout.origin.x() + layout.size.width()) * pixels));
            EXPECT_EQ(highlights.size(), each.pieces);
            const auto shownAt = [&](const QString& word) {
                const TextBitmapKey alone = TextBitmapKey::forNode(word, layout.depth, layout.isQuote);
                return wordInk(plain, top, TextBitmapCache::renderTextBitmap(alone, false, zoom, ratio)->image);
            };
            const int slack = static_cast<int>(std::ceil(1.5 * pixels));
            for (const QString& word : each.covered) {
                const auto [left, right] = shownAt(word);
                EXPECT_TRUE(std::any_of(highlights.cbegin(), highlights.cend(),
                    [&](const auto& run) { return run.first <= left + slack && run.second >= right - slack; }))
                    << word.toStdString() << " is not highlighted";
            }
            for (const QString& word : each.uncovered) {
                const auto [left, right] = shownAt(word);
                const int middle = (left + right) / 2;
                EXPECT_TRUE(std::none_of(highlights.cbegin(), highlights.cend(),
                    [&](const auto& run) { return run.first <= middle && middle <= run.second; }))
                    << word.toStdString() << " is highlighted";
            }
        }
    }
}

// A match on a later line of a node lies on that line, at its place in that line.
TEST(MatchRectanglesTest, AMatchOnALaterLineLiesOnThatLineAtItsCharacters)
{
    const QFont font = Typography::nodeFont(2);
    const qreal lineHeight = MindMapRenderer::matchRectangles(QStringLiteral("x"), font, { { 0, 1 } }).front().height();
    const QList<QRectF> rects
        = MindMapRenderer::matchRectangles(QStringLiteral("ab\ncab"), font, { { 0, 2 }, { 4, 6 } });
    ASSERT_EQ(rects.size(), 2);
    QTextLayout second(QStringLiteral("cab"), font);
    second.beginLayout();
    const QTextLine line = second.createLine();
    second.endLayout();
    EXPECT_EQ(rects[0].topLeft(), QPointF(-1, 0));
    EXPECT_EQ(rects[1].topLeft(), QPointF(std::ceil(line.cursorToX(1)) - 1, lineHeight));
    EXPECT_EQ(rects[1].width(), std::ceil(line.cursorToX(3) - line.cursorToX(1)) + 2);
}

// Text too large for a bitmap is drawn as vector glyphs, on the canvas's own painter: each
// word stands where the bitmap shows it, so the highlight measured for both lies on it.
TEST_F(MindMapDrawingTest, VectorTextShowsEachWordWhereTheBitmapDoesInEveryDirection)
{
    const QStringList lines { QStringLiteral("\u05d4\u05e8\u05d5\u05e2\u05d4 \u05d4\u05d8\u05d5\u05d1 "
                                             "\u05e0\u05d5\u05ea\u05df \u05d1\u05e2\u05d3"),
        QStringLiteral("C. S. Lewis \u0643\u062a\u0628 \u0639\u0646 \u0627\u0644\u0631\u0627\u0639\u064a"),
        QStringLiteral("\u0642\u0627\u0644 C. S. Lewis \u0625\u0646") };
    for (const QString& text : lines) {
        SCOPED_TRACE(text.toStdString());
        const TextBitmapKey key = TextBitmapKey::forNode(text, 1, false);
        const QImage bitmap = TextBitmapCache::renderTextBitmap(key, false, 1, 1)->image;
        QImage vector(bitmap.size(), QImage::Format_ARGB32_Premultiplied);
        vector.fill(Qt::transparent);
        {
            QPainter painter(&vector);
            // As on a widget, whose painter lays text out in the widget's direction.
            painter.setLayoutDirection(Qt::LeftToRight);
            TextBitmapCache::drawText(painter, key, false, QPointF());
        }
        for (const QString& word : text.split(u' ')) {
            const QImage alone
                = TextBitmapCache::renderTextBitmap(TextBitmapKey::forNode(word, 1, false), false, 1, 1)->image;
            const auto inBitmap = wordInk(bitmap, 0, alone);
            const auto inVector = wordInk(vector, 0, alone);
            EXPECT_NEAR(inVector.first, inBitmap.first, 1) << word.toStdString();
            EXPECT_NEAR(inVector.second, inBitmap.second, 1) << word.toStdString();
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
