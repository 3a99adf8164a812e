#include "CanvasFixture.h"
#include "ManualMinimapRenderScheduler.h"

#include "mindmap/CanvasGeometry.h"
#include "mindmap/MinimapCache.h"
#include "mindmap/MinimapOverlay.h"
#include "mindmap/MinimapRenderer.h"
#include "mindmap/TreeLayout.h"
#include "platform/EmojiText.h"
#include "support/InkBounds.h"
#include "support/SignpostRecorder.h"

#include <QTest>

#include <gtest/gtest.h>

using namespace kestrion;
using namespace kestrion::test;

namespace {

// A title with two points, the first with two leaves: one bracket, two connectors.
struct Sermon {
    SermonNodePtr root = SermonNode::create(QStringLiteral("Title"));
    SermonNodePtr a = root->addChild(QStringLiteral("First point with a rather long text"));
    SermonNodePtr a1 = a->addChild(QStringLiteral("Alpha one"));
    SermonNodePtr a2 = a->addChild(QStringLiteral("Alpha two"));
    SermonNodePtr b = root->addChild(QStringLiteral("Second"));

    MinimapRenderer::Input input(qreal displayScale = 1, bool dark = false) const
    {
        MinimapRenderer::Input in;
        in.root = TreeNodeSnapshot::make(root);
        in.layouts = layoutTree(root);
        in.contentBounds = computeBounds(in.layouts);
        const qreal s = MinimapOverlay::minimapScale(in.contentBounds, 180, 180, 8);
        in.pixelSize = MinimapOverlay::minimapImageRect(in.contentBounds, s, 8).size() * displayScale;
        in.isDark = dark;
        return in;
    }

    static QRectF computeBounds(const NodeLayoutMap& layouts)
    {
        QRectF bounds;
        for (const NodeLayout& l : layouts)
            bounds = bounds.united(QRectF(l.origin, l.size));
        return bounds;
    }
};

// The number of pixels with any ink, and whether every inked pixel is of one colour.
struct Ink {
    int pixels = 0;
    bool allWhite = true;
    bool allBlack = true;
};

Ink inkOf(const QImage& image)
{
    Ink ink;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.alpha() == 0)
                continue;
            ++ink.pixels;
            ink.allWhite = ink.allWhite && c.red() == 255 && c.green() == 255 && c.blue() == 255;
            ink.allBlack = ink.allBlack && c.red() == 0 && c.green() == 0 && c.blue() == 0;
        }
    }
    return ink;
}

bool hasInkIn(const QImage& image, const QRect& rect)
{
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        for (int x = rect.left(); x <= rect.right(); ++x) {
            if (image.rect().contains(x, y) && qAlpha(image.pixel(x, y)) != 0)
                return true;
        }
    }
    return false;
}

} // namespace

TEST(MinimapGeometryTest, ScaleSizeImageRectAndPointMapping)
{
    const QRectF wide(40, 40, 1640, 410);
    const qreal s = MinimapOverlay::minimapScale(wide, 180, 180, 8);
    EXPECT_DOUBLE_EQ(s, 0.1);
    const QSizeF overall = MinimapOverlay::minimapOverallSize(wide, s, 8);
    EXPECT_DOUBLE_EQ(overall.width(), 180);
    EXPECT_DOUBLE_EQ(overall.height(), 57);
    EXPECT_EQ(MinimapOverlay::minimapImageRect(wide, s, 8), QRectF(8, 8, 164, 41));

    // Small content is enlarged.
    const QRectF small(0, 0, 100, 50);
    const qreal enlarged = MinimapOverlay::minimapScale(small, 180, 180, 8);
    EXPECT_DOUBLE_EQ(enlarged, 1.64);
    EXPECT_DOUBLE_EQ(MinimapOverlay::minimapOverallSize(small, enlarged, 8).height(), 98);
    EXPECT_EQ(MinimapOverlay::minimapScale(QRectF(0, 0, 0, 50), 180, 180, 8), 1);

    // The image's centre is the content's centre; the margin lies outside, unclamped.
    EXPECT_EQ(MinimapOverlay::minimapToContentPoint(QPointF(90, 28.5), wide, s, 8), wide.center());
    EXPECT_EQ(MinimapOverlay::minimapToContentPoint(QPointF(2, 2), wide, s, 8), QPointF(-20, -20));
}

TEST(MinimapGeometryTest, ViewportFrameEnclosesTheImageOrIsCutToThePanel)
{
    const QRectF bounds(40, 40, 1640, 410);
    const QSizeF overall(180, 57);
    // The whole tree on view at scale 0.5 with room around it.
    const std::optional<QRectF> whole
        = MinimapOverlay::viewportFrame(bounds, 0.1, 8, QSizeF(1000, 300), QPointF(0, 0), 0.5, overall);
    ASSERT_TRUE(whole);
    EXPECT_TRUE(whole->contains(QRectF(8, 8, 164, 41)) || *whole == QRectF(QPointF(0, 0), overall));
    // A view larger than the panel is cut to it.
    const std::optional<QRectF> large
        = MinimapOverlay::viewportFrame(bounds, 0.1, 8, QSizeF(8000, 8000), QPointF(100, 100), 0.5, overall);
    ASSERT_TRUE(large);
    EXPECT_EQ(*large, QRectF(QPointF(0, 0), overall));
    // Panned far away: nothing of the frame on the panel.
    EXPECT_FALSE(MinimapOverlay::viewportFrame(bounds, 0.1, 8, QSizeF(100, 100), QPointF(1e6, 1e6), 1, overall));
    // Part of the content at scale 1: a frame of the view's size × s, offset by the pan.
    const std::optional<QRectF> part
        = MinimapOverlay::viewportFrame(bounds, 0.1, 8, QSizeF(400, 200), QPointF(-360, -40), 1, overall);
    ASSERT_TRUE(part);
    EXPECT_EQ(*part, QRectF(40, 8, 40, 20));
}

TEST(MinimapRendererTest, InkIsWhiteInDarkAndBlackInLightAtEveryPixelDensity)
{
    Sermon sermon;
    for (const qreal displayScale : { 1.0, 2.0 }) {
        const std::optional<QImage> light = MinimapRenderer::renderMinimap(sermon.input(displayScale, false));
        const std::optional<QImage> dark = MinimapRenderer::renderMinimap(sermon.input(displayScale, true));
        ASSERT_TRUE(light && dark);
        const QSizeF pixels = sermon.input(displayScale).pixelSize;
        EXPECT_EQ(light->size(), QSize(static_cast<int>(pixels.width()), static_cast<int>(pixels.height())));
        const Ink lightInk = inkOf(*light);
        const Ink darkInk = inkOf(*dark);
        EXPECT_GT(lightInk.pixels, 0);
        EXPECT_TRUE(lightInk.allBlack);
        EXPECT_TRUE(darkInk.allWhite);
        // Everything is drawn, not a shrunken corner of it: ink near the far edge too.
        const int w = light->width();
        EXPECT_TRUE(hasInkIn(*light, QRect(w - w / 4, 0, w / 4, light->height()))) << displayScale;
    }
}

TEST(MinimapRendererTest, ParentsOfLeavesGetABracketAndOthersConnectors)
{
    Sermon sermon;
    const MinimapRenderer::Input in = sermon.input(2);
    const std::optional<QImage> image = MinimapRenderer::renderMinimap(in);
    ASSERT_TRUE(image);
    const qreal k = in.pixelSize.width() / in.contentBounds.width();
    auto toPixels = [&](const QPointF& p) { return ((p - in.contentBounds.topLeft()) * k).toPoint(); };
    const NodeLayout a = in.layouts.value(sermon.a->id());
    const NodeLayout a1 = in.layouts.value(sermon.a1->id());
    const NodeLayout a2 = in.layouts.value(sermon.a2->id());
    // The bracket's vertical line, 8 units right of the parent, between its leaves' middles.
    const QPoint bracket = toPixels(QPointF(a.origin.x() + a.size.width() + 8,
        (a1.origin.y() + a1.size.height() / 2 + a2.origin.y() + a2.size.height() / 2) / 2));
    EXPECT_TRUE(hasInkIn(*image, QRect(bracket - QPoint(1, 1), QSize(3, 3))));

    const NodeLayout r = in.layouts.value(sermon.root->id());
    const NodeLayout b = in.layouts.value(sermon.b->id());
    auto middleOfLine = [](const NodeLayout& from, const NodeLayout& to) {
        return QPointF((from.origin.x() + from.size.width() + to.origin.x()) / 2,
            (from.origin.y() + to.origin.y() + (from.size.height() + to.size.height()) / 2) / 2);
    };
    // The title has a child with children: straight lines. The point of leaves has none.
    EXPECT_TRUE(hasInkIn(*image, QRect(toPixels(middleOfLine(r, b)) - QPoint(1, 1), QSize(3, 3))));
    EXPECT_FALSE(hasInkIn(*image, QRect(toPixels(middleOfLine(a, a1)), QSize(1, 1))));

    // Folded, the point keeps its box but loses its bracket.
    sermon.a->setCollapsed(true);
    MinimapRenderer::Input folded = in;
    folded.root = TreeNodeSnapshot::make(sermon.root);
    folded.layouts = layoutTree(sermon.root);
    const std::optional<QImage> foldedImage = MinimapRenderer::renderMinimap(folded);
    ASSERT_TRUE(foldedImage);
    EXPECT_FALSE(hasInkIn(*foldedImage, QRect(bracket - QPoint(1, 1), QSize(3, 3))));
    const QPointF line = middleOfLine(folded.layouts.value(sermon.root->id()), folded.layouts.value(sermon.b->id()));
    EXPECT_TRUE(hasInkIn(*foldedImage, QRect(toPixels(line) - QPoint(1, 1), QSize(3, 3))));
}

TEST(MinimapRendererTest, TextTallerThanItsBoxIsLeftOut)
{
    // The same render with every text and with none: equal when no text fits its box.
    auto textsMatter = [](const SermonNodePtr& root, MinimapRenderer::Input in) {
        in.root = TreeNodeSnapshot::make(root);
        const std::optional<QImage> withText = MinimapRenderer::renderMinimap(in);
        std::vector<std::pair<SermonNodePtr, QString>> saved;
        for (const SermonNodePtr& node : root->allNodes()) {
            saved.emplace_back(node, node->text());
            node->setText(QString());
        }
        in.root = TreeNodeSnapshot::make(root);
        const std::optional<QImage> withoutText = MinimapRenderer::renderMinimap(in);
        for (const auto& [node, text] : saved)
            node->setText(text);
        EXPECT_TRUE(withText && withoutText);
        return withText && withoutText && *withText != *withoutText;
    };

    // Boxes so flat at the bitmap's scale that text of 2 pixels would stand higher than them,
    // though wide enough to hold a line.
    auto flat = SermonNode::create(QStringLiteral("Title words"));
    flat->addChild(QStringLiteral("wording of the point"));
    MinimapRenderer::Input in;
    for (const SermonNodePtr& node : flat->allNodes()) {
        const qreal y = 30.0 * static_cast<qreal>(node->depth());
        in.layouts.insert(node->id(), NodeLayout { node->id(), QPointF(0, y), QSizeF(10000, 20), node->depth() });
    }
    in.contentBounds = QRectF(0, 0, 10000, 50);
    in.pixelSize = QSizeF(400, 164);
    EXPECT_FALSE(textsMatter(flat, in));

    Sermon sermon;
    EXPECT_TRUE(textsMatter(sermon.root, sermon.input(2)));
    EXPECT_DOUBLE_EQ(MinimapRenderer::textSize(2, 0.00001), 20000);
    EXPECT_DOUBLE_EQ(MinimapRenderer::textSize(0, 1), 16);
    EXPECT_DOUBLE_EQ(MinimapRenderer::textSize(3, 0.1), 20);
}

TEST(MinimapRendererTest, EveryMarkerIsDrawnAtOneSize)
{
    if (EmojiText::emojiFamily().isEmpty())
        GTEST_SKIP() << "no colour emoji font is installed";
    const QStringList markers = markerCircles();
    // A title box alone, enlarged to fill the panel: its text stands well above the box's tint.
    auto markerInk = [](const QString& marker, qreal displayScale) {
        const SermonNodePtr root = SermonNode::create(marker);
        MinimapRenderer::Input in;
        in.root = TreeNodeSnapshot::make(root);
        in.layouts.insert(root->id(), NodeLayout { root->id(), QPointF(0, 0), QSizeF(100, 30), 0, true });
        in.contentBounds = QRectF(0, 0, 100, 30);
        in.pixelSize = QSizeF(164, 49.2) * displayScale;
        const std::optional<QImage> image = MinimapRenderer::renderMinimap(in);
        return image ? inkBounds(*image, image->rect().adjusted(2, 2, -2, -2), 150) : QRect();
    };
    for (qreal displayScale : { 1.0, 2.0 }) {
        const QRect red = markerInk(markers.front(), displayScale);
        ASSERT_FALSE(red.isEmpty());
        for (const QString& marker : markers) {
            const QRect drawn = markerInk(marker, displayScale);
            EXPECT_NEAR(drawn.width(), red.width(), 1) << marker.toStdString() << " at " << displayScale;
            EXPECT_NEAR(drawn.height(), red.height(), 1) << marker.toStdString() << " at " << displayScale;
        }
    }
}

TEST(MinimapRendererTest, NothingWithoutContentOrSizeOrWhenCancelled)
{
    Sermon sermon;
    MinimapRenderer::Input in = sermon.input();
    MinimapRenderer::Input noSize = in;
    noSize.pixelSize = QSizeF(0.5, 40);
    EXPECT_FALSE(MinimapRenderer::renderMinimap(noSize));
    MinimapRenderer::Input noContent = in;
    noContent.contentBounds = QRectF(0, 0, 100, 0);
    EXPECT_FALSE(MinimapRenderer::renderMinimap(noContent));
    EXPECT_FALSE(MinimapRenderer::renderMinimap(in, [] { return true; }));

    SignpostRecorder recorder;
    ASSERT_TRUE(MinimapRenderer::renderMinimap(in));
    const QStringList begins = recorder.linesStartingWith(QStringLiteral("begin MinimapRender"));
    ASSERT_EQ(begins.size(), 1);
    EXPECT_TRUE(begins.front().endsWith(QStringLiteral("px=%1x%2 nodes=5")
                                            .arg(static_cast<int>(in.pixelSize.width()))
                                            .arg(static_cast<int>(in.pixelSize.height()))))
        << begins.front().toStdString();
}

namespace {

class MinimapOverlayTest : public CanvasFixture {
protected:
    void SetUp() override
    {
        CanvasFixture::SetUp();
        auto owned = std::make_unique<ManualMinimapRenderScheduler>();
        scheduler = owned.get();
        overlay = new MinimapOverlay(nullptr, std::move(owned));
        overlay->setAnimationClock(&clock);
        canvas->setMinimapOverlay(overlay);
        canvas->recomputeLayout();
    }

    ManualMinimapRenderScheduler* scheduler = nullptr;
    MinimapOverlay* overlay = nullptr;
};

} // namespace

TEST_F(MinimapOverlayTest, SitsBottomRightSizedByTheContentAndRendersOncePerChange)
{
    const QRectF bounds = canvas->cachedContentBounds();
    const QSizeF size
        = MinimapOverlay::minimapOverallSize(bounds, MinimapOverlay::minimapScale(bounds, 180, 180, 8), 8);
    EXPECT_EQ(overlay->geometry().right(), canvas->width() - 12 - 1);
    EXPECT_EQ(overlay->geometry().bottom(), canvas->height() - 12 - 1);
    EXPECT_EQ(overlay->width(), qCeil(size.width()));

    // Hidden, it asks for nothing; shown, for the tree as it is now.
    controller().setSelectedNodeID(c->id());
    controller().beginEditing();
    controller().setEditingText(QStringLiteral("Closing words, longer"));
    canvas->endEditing(true);
    EXPECT_TRUE(scheduler->jobs()->empty());
    canvas->showMinimapBriefly();
    ASSERT_EQ(scheduler->jobs()->size(), 1u);
    scheduler->renderAll();
    scheduler->deliverAll();
    ASSERT_TRUE(overlay->cache().currentImage());
    EXPECT_EQ(overlay->cache().currentKey(), overlay->renderKey(overlay->devicePixelRatioF()));

    // Panning changes nothing the bitmap shows.
    canvas->handleScroll(-30, -20);
    EXPECT_EQ(scheduler->jobs()->size(), 1u);
    // An edit does.
    controller().setSelectedNodeID(a1->id());
    controller().beginEditing();
    controller().setEditingText(QStringLiteral("Alpha one, longer"));
    canvas->endEditing(true);
    EXPECT_EQ(scheduler->jobs()->size(), 2u);
}

TEST_F(MinimapOverlayTest, ShownAgainAfterEditsItDrawsNoPictureOfTheTreeBefore)
{
    canvas->showMinimapBriefly();
    scheduler->renderAll();
    scheduler->deliverAll();
    ASSERT_TRUE(overlay->shownImage());
    canvas->hideMinimap();
    controller().setSelectedNodeID(c->id());
    controller().beginEditing();
    controller().setEditingText(QStringLiteral("Closing words, longer"));
    canvas->endEditing(true);

    canvas->handleScroll(-30, -20);
    ASSERT_EQ(scheduler->jobs()->size(), 2u);
    EXPECT_FALSE(overlay->shownImage());
    scheduler->renderAll();
    scheduler->deliverAll();
    ASSERT_TRUE(overlay->shownImage());
    EXPECT_EQ(overlay->cache().currentKey(), overlay->renderKey(overlay->devicePixelRatioF()));

    // Shown again with nothing changed, the picture is there at once.
    canvas->hideMinimap();
    canvas->handleScroll(-10, 0);
    EXPECT_TRUE(overlay->shownImage());
}

TEST_F(MinimapOverlayTest, FadesInAndOutAndTakesNoClicksWhileHidden)
{
    std::vector<QPointF> navigated;
    overlay->setOnNavigate([&](const QPointF& p) { navigated.push_back(p); });
    const QPoint corner = overlay->geometry().center();
    EXPECT_EQ(overlay->opacity(), 0);
    // Hidden, a click in the corner reaches the map below.
    EXPECT_NE(canvas->childAt(corner), overlay);

    canvas->showMinimapBriefly();
    EXPECT_TRUE(overlay->isMinimapVisible());
    clock.advance(0.15);
    overlay->tickAnimations();
    EXPECT_GT(overlay->opacity(), 0);
    EXPECT_LT(overlay->opacity(), 1);
    clock.advance(1);
    overlay->tickAnimations();
    EXPECT_EQ(overlay->opacity(), 1);
    EXPECT_EQ(canvas->childAt(corner), overlay);

    // A click jumps at once; a drag follows the pointer.
    QTest::mousePress(overlay, Qt::LeftButton, {}, QPoint(overlay->width() / 2, overlay->height() / 2));
    ASSERT_EQ(navigated.size(), 1u);
    EXPECT_NEAR(navigated[0].x(), canvas->cachedContentBounds().center().x(), 8);
    QTest::mouseMove(overlay, QPoint(10, 10));
    QMouseEvent move(QEvent::MouseMove, QPointF(12, 12), overlay->mapToGlobal(QPointF(12, 12)), Qt::NoButton,
        Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(overlay, &move);
    QTest::mouseRelease(overlay, Qt::LeftButton, {}, QPoint(12, 12));
    EXPECT_GE(navigated.size(), 2u);

    canvas->hideMinimap();
    EXPECT_FALSE(overlay->isMinimapVisible());
    EXPECT_NE(canvas->childAt(corner), overlay);
}

TEST_F(MinimapOverlayTest, NavigationCentresTheCanvasOnThePoint)
{
    // The real navigation, as the canvas wires it, on a canvas overlay of its own.
    auto* own = qobject_cast<MinimapOverlay*>(canvas->minimapOverlay());
    ASSERT_EQ(own, overlay);
    canvas->showMinimapBriefly();
    clock.advance(1);
    overlay->tickAnimations();
    const QPointF target = layoutOf(c).origin;
    const QRectF bounds = canvas->cachedContentBounds();
    const qreal s = MinimapOverlay::minimapScale(bounds, 180, 180, 8);
    const QPointF panelPoint = (target - bounds.topLeft()) * s + QPointF(8, 8);
    QTest::mouseClick(overlay, Qt::LeftButton, {}, panelPoint.toPoint());
    const QPointF centre = kestrion::toCanvasPoint(
        QPointF(canvas->width() / 2.0, canvas->height() / 2.0), canvas->panOffset(), canvas->scale());
    EXPECT_NEAR(centre.x(), target.x(), 1 / s);
    EXPECT_NEAR(centre.y(), target.y(), 1 / s);
}
