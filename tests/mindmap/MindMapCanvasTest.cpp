#include "CanvasFixture.h"

#include "mindmap/CanvasGeometry.h"
#include "mindmap/SplitLinesAction.h"
#include "mindmap/SplitSentencesAction.h"
#include "platform/CommandRouter.h"
#include "platform/FindAction.h"
#include "platform/TrackpadEventView.h"
#include "platform/ZoomAction.h"
#include "support/SignpostRecorder.h"

#include <QImage>
#include <QNativeGestureEvent>
#include <QPainter>
#include <QPointingDevice>
#include <QSignalSpy>
#include <QWheelEvent>

#include <functional>
#include <memory>
#include <utility>

using namespace kestrion;
using namespace kestrion::test;

namespace {

class MindMapCanvasTest : public CanvasFixture {
protected:
    QImage paint()
    {
        QImage image(canvas->size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        canvas->renderCanvas(painter, QSizeF(canvas->size()));
        return image;
    }

    // Whether any pixel of the view rectangle has been drawn on.
    static bool hasInk(const QImage& image, const QRect& rect)
    {
        for (int y = rect.top(); y <= rect.bottom(); ++y) {
            for (int x = rect.left(); x <= rect.right(); ++x) {
                if (image.rect().contains(x, y) && qAlpha(image.pixel(x, y)) != 0)
                    return true;
            }
        }
        return false;
    }

    // A second map of the sermon, as the other window has, shown beside the first.
    std::unique_ptr<MindMapCanvas> otherMap()
    {
        auto other = std::make_unique<MindMapCanvas>(*document, undoManager.get());
        other->setClipboard(&clipboard);
        other->resize(800, 600);
        other->show();
        QCoreApplication::processEvents();
        return other;
    }

    void wheel(const QPointF& position, const QPoint& angleDelta, const QPoint& pixelDelta = {},
        Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QWheelEvent event(position, canvas->mapToGlobal(position), pixelDelta, angleDelta, Qt::NoButton, modifiers,
            Qt::NoScrollPhase, false);
        QApplication::sendEvent(canvas.get(), &event);
    }
};

} // namespace

TEST_F(MindMapCanvasTest, AFreshCanvasSelectsTheRootAndHasTheKeyboard)
{
    EXPECT_EQ(controller().selectedNodeID(), root->id());
    EXPECT_TRUE(canvas->isCanvasFocused());
    EXPECT_EQ(document->currentSelectedNodeID(), root->id());
    // The first layout pass ran: every shown node, none under the folded point.
    EXPECT_EQ(canvas->cachedLayouts().size(), 6);
    EXPECT_FALSE(canvas->cachedLayouts().contains(b1->id()));
    EXPECT_EQ(canvas->nodeLookup().size(), 8);
    EXPECT_EQ(canvas->viewportSize(), QSizeF(800, 600));
}

TEST_F(MindMapCanvasTest, ZoomFunctionsAreHandedOutOnceWhenFirstShown)
{
    canvas.reset();
    document = std::make_unique<SermonDocument>(root);
    MindMapCanvas fresh(*document);
    int calls = 0;
    MindMapCanvas::ZoomFunctions received;
    fresh.setOnZoomFunctionsReady([&](const MindMapCanvas::ZoomFunctions& zoom) {
        ++calls;
        received = zoom;
    });
    fresh.setAnimationClock(&clock);
    fresh.resize(400, 300);
    fresh.show();
    fresh.hide();
    fresh.show();
    EXPECT_EQ(calls, 1);
    ASSERT_TRUE(received.zoomIn);
    received.zoomIn();
    clock.advance(1);
    fresh.tickAnimations();
    EXPECT_DOUBLE_EQ(fresh.scale(), 1.2);
}

TEST_F(MindMapCanvasTest, LayoutCachesCountWordsOfCollapsedBranchesToo)
{
    EXPECT_EQ(canvas->subtreeWordCounts().value(b->id()), 2 + 2 + 2);
    EXPECT_EQ(canvas->subtreeWordCounts().value(root->id()), 1 + 2 + 4 + 6 + 2);
    EXPECT_EQ(canvas->cachedContentBounds(), computeContentBounds(canvas->cachedLayouts()));
}

TEST_F(MindMapCanvasTest, PaintOutlinesTheSelectedNodeInTheAccentColour)
{
    controller().setSelectedNodeID(a->id());
    const NodeLayout& l = layoutOf(a);
    // The outline is a 2-point line 2 points outside the box; take a pixel row inside it.
    const int x = static_cast<int>(l.origin.x() + l.size.width() / 2);
    const int y = static_cast<int>(std::ceil(l.origin.y() - 3));
    const QColor accent = canvas->palette().color(QPalette::Highlight);

    const QColor selected = paint().pixelColor(x, y);
    EXPECT_NEAR(selected.redF(), accent.redF(), 0.02);
    EXPECT_NEAR(selected.greenF(), accent.greenF(), 0.02);
    EXPECT_NEAR(selected.blueF(), accent.blueF(), 0.02);
    EXPECT_NEAR(selected.alphaF(), 1.0, 0.02);

    controller().setSelectedNodeID(c->id());
    EXPECT_EQ(paint().pixelColor(x, y).alpha(), 0);
}

TEST_F(MindMapCanvasTest, PaintDrawsNothingForTheChildrenOfAFoldedNode)
{
    const NodeLayout& l = layoutOf(b);
    // Right of the folded node's badge, where its children would stand.
    const QRect childrenArea(static_cast<int>(l.origin.x() + l.size.width() + 60), static_cast<int>(l.origin.y()), 200,
        static_cast<int>(l.size.height()));
    EXPECT_FALSE(hasInk(paint(), childrenArea));

    b->setCollapsed(false);
    canvas->recomputeLayout();
    EXPECT_TRUE(hasInk(paint(), childrenArea));
}

TEST_F(MindMapCanvasTest, PaintSkipsTheNodeBeingEditedAndCullsWhatIsOutOfView)
{
    SignpostRecorder recorder;
    paint();
    QStringList stats = recorder.linesStartingWith(QStringLiteral("event DrawStats"));
    ASSERT_EQ(stats.size(), 1);
    EXPECT_TRUE(stats[0].contains(QStringLiteral("drawn=6 total=6 scale=1.00"))) << stats[0].toStdString();

    recorder.clear();
    controller().setEditingNodeID(c->id());
    paint();
    stats = recorder.linesStartingWith(QStringLiteral("event DrawStats"));
    ASSERT_EQ(stats.size(), 1);
    EXPECT_TRUE(stats[0].contains(QStringLiteral("drawn=5 total=6"))) << stats[0].toStdString();
    controller().setEditingNodeID(std::nullopt);

    // Far away, nothing is drawn, but the connectors were still walked.
    recorder.clear();
    canvas->setPanOffset(QPointF(-100000, -100000));
    paint();
    stats = recorder.linesStartingWith(QStringLiteral("event DrawStats"));
    ASSERT_EQ(stats.size(), 1);
    EXPECT_TRUE(stats[0].contains(QStringLiteral("conn=2 drawn=0 total=6"))) << stats[0].toStdString();
    EXPECT_EQ(recorder.linesStartingWith(QStringLiteral("begin CanvasDraw")).size(), 1);
}

TEST_F(MindMapCanvasTest, AStoredPaceBelowOneShowsBadgesAtTheDefaultPace)
{
    preferences->setReadingPaceWPM(0);
    EXPECT_EQ(canvas->readingPaceWPM(), 120);
    preferences->setReadingPaceWPM(-40);
    EXPECT_EQ(canvas->readingPaceWPM(), 120);
    preferences->setReadingPaceWPM(160);
    EXPECT_EQ(canvas->readingPaceWPM(), 160);
    // Painting with a bad pace must not divide by zero.
    preferences->setReadingPaceWPM(0);
    paint();
    EXPECT_EQ(MindMapRenderer::readingTimeText(250, 120), QStringLiteral("3 min"));
    EXPECT_EQ(MindMapRenderer::readingTimeText(1, 120), QStringLiteral("1 min"));
}

TEST_F(MindMapCanvasTest, WheelScrollPansAndShowsTheMinimapForFiveSeconds)
{
    const QPointF before = canvas->panOffset();
    wheel(QPointF(300, 300), QPoint(0, -120));
    EXPECT_EQ(canvas->panOffset(), before + QPointF(0, -TrackpadEventView::wheelPointsPerNotch));
    EXPECT_TRUE(canvas->minimapVisible());
    EXPECT_TRUE(canvas->minimapHideTimer().isActive());
    EXPECT_EQ(canvas->minimapHideTimer().interval(), 5000);

    // Touchpads give pixels.
    wheel(QPointF(300, 300), QPoint(0, 0), QPoint(-7, 3));
    EXPECT_EQ(canvas->panOffset(), before + QPointF(-7, -TrackpadEventView::wheelPointsPerNotch + 3));

    // The hide timer's end hides the minimap on the next turn of the loop.
    canvas->minimapHideTimerFired();
    EXPECT_TRUE(canvas->minimapVisible());
    QCoreApplication::processEvents();
    EXPECT_FALSE(canvas->minimapVisible());
}

TEST_F(MindMapCanvasTest, ScrollingStopsAtThePanLimits)
{
    for (int i = 0; i < 200; ++i)
        canvas->handleScroll(-500, -500);
    const QRectF bounds = canvas->cachedContentBounds();
    EXPECT_DOUBLE_EQ(canvas->panOffset().x(), -bounds.right());
    EXPECT_DOUBLE_EQ(canvas->panOffset().y(), -bounds.bottom());
}

TEST_F(MindMapCanvasTest, ScrollSignpostCarriesTruncatedDeltas)
{
    SignpostRecorder recorder;
    canvas->handleScroll(3.7, -12.2);
    EXPECT_EQ(recorder.linesStartingWith(QStringLiteral("event Scroll")),
        QStringList { QStringLiteral("event Scroll dx=3 dy=-12") });
}

TEST_F(MindMapCanvasTest, PinchMagnifiesAboutTheEventsOwnPosition)
{
    const QPointF pointer(420, 260);
    const QPointF under = toCanvasPoint(pointer, canvas->panOffset(), canvas->scale());
    QNativeGestureEvent gesture(Qt::ZoomNativeGesture, QPointingDevice::primaryPointingDevice(), 2, pointer,
        canvas->mapToGlobal(pointer), canvas->mapToGlobal(pointer), 0.1, QPointF(), 0);
    QApplication::sendEvent(canvas.get(), &gesture);
    EXPECT_NEAR(canvas->scale(), 1.1, 1e-9);
    const QPointF after = toCanvasPoint(pointer, canvas->panOffset(), canvas->scale());
    EXPECT_NEAR(after.x(), under.x(), 1e-9);
    EXPECT_NEAR(after.y(), under.y(), 1e-9);
    EXPECT_TRUE(canvas->minimapVisible());
}

TEST_F(MindMapCanvasTest, CtrlWheelMagnifiesWhereThereIsNoPinch)
{
    const QPointF pointer(100, 120);
    const QPointF under = toCanvasPoint(pointer, canvas->panOffset(), canvas->scale());
    const QPointF panBefore = canvas->panOffset();
    wheel(pointer, QPoint(0, 120), {}, Qt::ControlModifier);
    EXPECT_NEAR(canvas->scale(), 1.1, 1e-9);
    const QPointF after = toCanvasPoint(pointer, canvas->panOffset(), canvas->scale());
    EXPECT_NEAR(after.x(), under.x(), 1e-9);
    EXPECT_NEAR(after.y(), under.y(), 1e-9);
    EXPECT_NE(canvas->panOffset(), panBefore);
}

TEST_F(MindMapCanvasTest, ScaleIsATwoWayBinding)
{
    QSignalSpy spy(canvas.get(), &MindMapCanvas::scaleChanged);
    canvas->handleMagnify(0.5, QPointF(10, 10));
    ASSERT_EQ(spy.count(), 1);
    EXPECT_DOUBLE_EQ(spy.at(0).at(0).toDouble(), 1.5);
    EXPECT_TRUE(canvas->setScale(2.0));
    EXPECT_FALSE(canvas->setScale(2.0));
    EXPECT_EQ(canvas->scale(), 2.0);
    canvas->setScale(17);
    EXPECT_EQ(canvas->scale(), 3.0);
}

TEST_F(MindMapCanvasTest, ZoomStepsAnimateAboutTheViewCentre)
{
    const QPointF centre(400, 300);
    const QPointF fixed = toCanvasPoint(centre, canvas->panOffset(), canvas->scale());
    canvas->zoomIn();
    EXPECT_TRUE(canvas->isScrollAnimationRunning());
    clock.advance(0.1);
    canvas->tickAnimations();
    EXPECT_GT(canvas->scale(), 1.0);
    EXPECT_LT(canvas->scale(), 1.2);
    clock.advance(0.1);
    canvas->tickAnimations();
    EXPECT_DOUBLE_EQ(canvas->scale(), 1.2);
    EXPECT_FALSE(canvas->isScrollAnimationRunning());
    const QPointF after = toCanvasPoint(centre, canvas->panOffset(), canvas->scale());
    EXPECT_NEAR(after.x(), fixed.x(), 1e-9);
    EXPECT_NEAR(after.y(), fixed.y(), 1e-9);
    // Zoom steps do not show the minimap.
    EXPECT_FALSE(canvas->minimapVisible());

    canvas->zoomOut();
    finishAnimations();
    EXPECT_DOUBLE_EQ(canvas->scale(), 1.0);
    canvas->zoomOut();
    finishAnimations();
    EXPECT_DOUBLE_EQ(canvas->scale(), 0.8);
}

TEST_F(MindMapCanvasTest, AZoomDuringAZoomStartsFromTheScaleReached)
{
    canvas->zoomIn();
    clock.advance(0.05);
    canvas->tickAnimations();
    const qreal reached = canvas->scale();
    ASSERT_GT(reached, 1.0);
    canvas->zoomIn();
    clock.advance(0.01);
    canvas->tickAnimations();
    EXPECT_GE(canvas->scale(), reached);
    finishAnimations();
    EXPECT_DOUBLE_EQ(canvas->scale(), 1.5);
}

TEST_F(MindMapCanvasTest, QuickZoomPressesEachGoOneLevelFurther)
{
    struct Case {
        void (MindMapCanvas::*step)();
        qreal afterThree;
    };
    for (const Case& test : { Case { &MindMapCanvas::zoomOut, 0.2 }, Case { &MindMapCanvas::zoomIn, 2.0 } }) {
        canvas->setScale(1.0);
        for (int press = 0; press < 3; ++press) {
            (canvas.get()->*test.step)();
            clock.advance(0.02);
            canvas->tickAnimations();
        }
        finishAnimations();
        EXPECT_DOUBLE_EQ(canvas->scale(), test.afterThree);
    }
}

TEST_F(MindMapCanvasTest, ActualSizeGlidesBackToScaleOneAndNoPan)
{
    canvas->setScale(2.0);
    canvas->setPanOffset(QPointF(-120, -60));
    canvas->resetZoom();
    EXPECT_TRUE(canvas->isScrollAnimationRunning());
    finishAnimations();
    EXPECT_DOUBLE_EQ(canvas->scale(), 1.0);
    EXPECT_EQ(canvas->panOffset(), QPointF(0, 0));
}

TEST_F(MindMapCanvasTest, SelectingANodeOutOfViewScrollsItIn)
{
    canvas->resize(300, 80);
    QCoreApplication::processEvents();
    controller().setSelectedNodeID(c->id());
    EXPECT_TRUE(canvas->isScrollAnimationRunning());
    finishAnimations();
    const NodeLayout& l = layoutOf(c);
    const qreal bottom = (l.origin.y() + l.size.height()) * canvas->scale() + canvas->panOffset().y();
    const qreal top = l.origin.y() * canvas->scale() + canvas->panOffset().y();
    EXPECT_GE(top, 0);
    EXPECT_LE(bottom, 80);
}

TEST_F(MindMapCanvasTest, OpeningALargeSermonShowsTheSelectedTitle)
{
    // The title sits halfway down a tree far taller than the view.
    makePoints(200);
    makeCanvas();
    ASSERT_EQ(controller().selectedNodeID(), root->id());
    const NodeLayout& l = layoutOf(root);
    const QRectF shown(l.origin * canvas->scale() + canvas->panOffset(), l.size * canvas->scale());
    EXPECT_TRUE(QRectF(QPointF(), canvas->viewportSize()).contains(shown));
    // The first frame already shows it where it stays.
    EXPECT_FALSE(canvas->isScrollAnimationRunning());
    const QImage first = paint();
    finishAnimations();
    EXPECT_EQ(paint(), first);
}

TEST_F(MindMapCanvasTest, AWindowThatTakesItsSizeInStepsPlacesTheTitleForTheSizeReached)
{
    // As a full-screen window may: shown at a passing size first, then at its own.
    makePoints(200);
    makeCanvas(QSize(300, 40));
    canvas->resize(800, 600);
    QCoreApplication::processEvents();
    const std::optional<QPointF> opening = scrollIntoViewPan(layoutOf(root), { canvas->scale(), {} }, QSizeF(800, 600));
    ASSERT_TRUE(opening);
    EXPECT_EQ(canvas->panOffset(), canvas->clampPan(*opening));

    // Once the view has been moved, a new size leaves it where it is.
    canvas->handleScroll(0, -50);
    const QPointF moved = canvas->panOffset();
    canvas->resize(700, 500);
    QCoreApplication::processEvents();
    EXPECT_EQ(canvas->panOffset(), moved);
}

TEST_F(MindMapCanvasTest, CentreOnPointPutsItInTheMiddleAtOnce)
{
    const QPointF point = layoutOf(c).origin;
    canvas->centreOnPoint(point);
    EXPECT_FALSE(canvas->isScrollAnimationRunning());
    EXPECT_EQ(toCanvasPoint(QPointF(400, 300), canvas->panOffset(), canvas->scale()), point);
    EXPECT_TRUE(canvas->minimapVisible());
}

TEST_F(MindMapCanvasTest, NodesThatMovedGlideAndNewOnesFadeIn)
{
    const NodeLayoutMap before = canvas->cachedLayouts();
    b->setCollapsed(false);
    canvas->recomputeLayout();
    canvas->relayoutAndAnimate(0.3, before, {});
    EXPECT_TRUE(canvas->isNodeAnimationRunning());
    EXPECT_EQ(canvas->fadeInNodeIDs(), (QSet<QUuid> { b1->id(), b2->id() }));
    EXPECT_TRUE(canvas->nodeAnimOffsets().contains(c->id()));
    const QPointF offset = canvas->nodeAnimOffsets().value(c->id());
    EXPECT_EQ(offset, before[c->id()].origin - layoutOf(c).origin);
    EXPECT_EQ(canvas->animationProgress(), 0);

    clock.advance(0.15);
    canvas->tickAnimations();
    const double t = 1 - 0.5 * 0.5 * 0.5;
    EXPECT_NEAR(canvas->animationProgress(), t, 1e-9);
    EXPECT_NEAR(canvas->nodeAnimOffsets().value(c->id()).y(), offset.y() * (1 - t), 1e-9);

    finishAnimations();
    EXPECT_TRUE(canvas->nodeAnimOffsets().isEmpty());
    EXPECT_TRUE(canvas->fadeInNodeIDs().isEmpty());
    EXPECT_EQ(canvas->animationProgress(), 1.0);
}

TEST_F(MindMapCanvasTest, OnlyMovesOfMoreThanHalfAPointAnimate)
{
    NodeLayoutMap before = canvas->cachedLayouts();
    before[a->id()].origin += QPointF(0.4, 0);
    canvas->relayoutAndAnimate(0.3, before, {});
    EXPECT_FALSE(canvas->isNodeAnimationRunning());

    before[a->id()].origin += QPointF(0.2, 0);
    canvas->relayoutAndAnimate(0.3, before, {});
    EXPECT_TRUE(canvas->isNodeAnimationRunning());
    EXPECT_EQ(canvas->nodeAnimOffsets().keys(), QList<QUuid> { a->id() });
}

TEST_F(MindMapCanvasTest, VanishedNodesFadeOutWithTheirTextsOnlyWhenGiven)
{
    NodeLayoutMap before = canvas->cachedLayouts();
    NodeLayout gone;
    gone.nodeID = QUuid::createUuid();
    gone.origin = QPointF(500, 500);
    gone.size = QSizeF(80, 20);
    gone.isLeaf = true;
    before.insert(gone.nodeID, gone);
    canvas->relayoutAndAnimate(0.3, before, {});
    EXPECT_FALSE(canvas->isNodeAnimationRunning());

    canvas->relayoutAndAnimate(0.3, before, { { gone.nodeID, QStringLiteral("Farewell") } });
    ASSERT_EQ(canvas->fadeOutGhosts().size(), 1);
    EXPECT_EQ(canvas->fadeOutGhosts().value(gone.nodeID).text, QStringLiteral("Farewell"));
    EXPECT_EQ(canvas->fadeOutGhosts().value(gone.nodeID).layout, gone);
    finishAnimations();
    EXPECT_TRUE(canvas->fadeOutGhosts().isEmpty());
}

TEST_F(MindMapCanvasTest, UndoRestoresTheSelectionAndAnimatesTheRestoredTree)
{
    controller().setSelectedNodeID(a->id());
    controller().deleteSelection();
    EXPECT_FALSE(canvas->cachedLayouts().contains(a->id()));
    finishAnimations();

    undoManager->undo();
    const SermonNodePtr restored = document->root()->findNode(a->id());
    ASSERT_TRUE(restored);
    EXPECT_EQ(controller().selectedNodeID(), a->id());
    EXPECT_TRUE(canvas->cachedLayouts().contains(a->id()));
    // The branch comes back fading in.
    EXPECT_TRUE(canvas->fadeInNodeIDs().contains(a->id()));
    EXPECT_TRUE(canvas->fadeInNodeIDs().contains(a1->id()));
    finishAnimations();

    // Redo removes it again; it fades out with its text.
    undoManager->redo();
    EXPECT_FALSE(canvas->cachedLayouts().contains(a->id()));
    EXPECT_EQ(canvas->fadeOutGhosts().value(a->id()).text, QStringLiteral("First point"));
}

TEST_F(MindMapCanvasTest, ATitleChangedOutsideTheControllerIsLaidOutAgain)
{
    const qreal before = layoutOf(root).size.width();
    document->recordUndo(controller().selectedNodeID(), undoManager.get());
    document->root()->setText(QStringLiteral("A much longer title for this sermon"));
    QCoreApplication::processEvents();
    EXPECT_GT(canvas->cachedLayouts()[document->root()->id()].size.width(), before);
}

// What another view does to the tree reaches this map once that change is complete.
TEST_F(MindMapCanvasTest, AMapFollowsAPointsTextWrittenByAnotherView)
{
    const std::unique_ptr<MindMapCanvas> other = otherMap();
    const QString longer = QStringLiteral("Closing words said slowly, one by one");
    const std::pair<const char*, std::function<void()>> writers[] = {
        { "committed in another map",
            [&] {
                other->beginEditingNode(c->id(), false);
                other->controller().setEditingText(longer);
                other->endEditing(true);
            } },
        { "typed into its node (the columns' editor)", [&] { document->writeNodeText(*c, longer + u'!'); } },
    };
    for (const auto& [name, writeText] : writers) {
        SCOPED_TRACE(name);
        const qreal before = layoutOf(c).size.width();
        writeText();
        QCoreApplication::processEvents();
        EXPECT_GT(layoutOf(c).size.width(), before);
    }
}

TEST_F(MindMapCanvasTest, AMapHiddenWhileAnotherViewRemovesAPointDropsItWhenShownAgain)
{
    const std::unique_ptr<MindMapCanvas> other = otherMap();
    controller().setSelection({ a1->id(), c->id() }, a1->id(), a1->id());
    canvas->hide();
    other->controller().selectSingleNode(a->id());
    other->deleteSelectionAnimated();
    QCoreApplication::processEvents();

    canvas->show();
    EXPECT_FALSE(canvas->cachedLayouts().contains(a->id()));
    EXPECT_FALSE(canvas->cachedLayouts().contains(a1->id()));
    EXPECT_EQ(controller().selectedNodeIDs(), QSet<QUuid> { c->id() });
    EXPECT_EQ(controller().selectedNodeID(), root->id());
    EXPECT_FALSE(controller().selectionAnchorID());
}

TEST_F(MindMapCanvasTest, SearchResultsDropAPointRemovedElsewhere)
{
    const std::unique_ptr<MindMapCanvas> other = otherMap();
    controller().setSearching(true);
    controller().setSearchQuery(QStringLiteral("point"));
    ASSERT_EQ(controller().searchMatches(), (QList<QUuid> { a->id(), b->id() }));
    other->controller().selectSingleNode(a->id());
    other->deleteSelectionAnimated();
    QCoreApplication::processEvents();
    EXPECT_EQ(controller().searchMatches(), QList<QUuid> { b->id() });
}

TEST_F(MindMapCanvasTest, PublishesZoomFindAndSplitActionsWhileFocused)
{
    CommandRouter& router = CommandRouter::shared();
    router.setFocusOverride(canvas.get());
    auto zoom = router.value<FocusedZoomKey>();
    ASSERT_TRUE(zoom);
    zoom->zoomIn();
    finishAnimations();
    EXPECT_DOUBLE_EQ(canvas->scale(), 1.2);
    zoom->reset();
    finishAnimations();
    EXPECT_DOUBLE_EQ(canvas->scale(), 1.0);

    auto find = router.value<FocusedFindKey>();
    ASSERT_TRUE(find);
    find->action();
    EXPECT_TRUE(controller().isSearching());
    // Still published while searching.
    EXPECT_TRUE(router.value<FocusedZoomKey>());
    EXPECT_TRUE(router.value<FocusedSplitLinesKey>());
    EXPECT_TRUE(router.value<FocusedSplitSentencesKey>());

    QSignalSpy spy(&router, &CommandRouter::valuesChanged);
    controller().setSelectedNodeID(c->id());
    EXPECT_GE(spy.count(), 1);
    router.setFocusOverride(nullptr);
}

TEST_F(MindMapCanvasTest, SearchQueryChangesUpdateTheMatches)
{
    canvas->openSearch();
    controller().setSearchQuery(QStringLiteral("beta"));
    EXPECT_EQ(controller().searchMatches(), (QList<QUuid> { b1->id(), b2->id() }));
    paint();
}

TEST_F(MindMapCanvasTest, SearchBarAndMinimapSlotsPlaceTheirWidgets)
{
    auto* bar = new QWidget;
    bar->setMinimumSize(300, 30);
    bar->resize(300, 30);
    canvas->setSearchBarOverlay(bar);
    EXPECT_FALSE(bar->isVisible());
    canvas->openSearch();
    EXPECT_TRUE(bar->isVisible());
    EXPECT_EQ(bar->geometry().top(), 12);
    EXPECT_EQ(bar->geometry().left(), (canvas->width() - 300) / 2);
    controller().endSearch();
    EXPECT_FALSE(bar->isVisible());

    auto* minimap = new QWidget;
    minimap->setMinimumSize(180, 120);
    canvas->setMinimapOverlay(minimap);
    EXPECT_EQ(minimap->geometry().right(), canvas->width() - 12 - 1);
    EXPECT_EQ(minimap->geometry().bottom(), canvas->height() - 12 - 1);
}
