#include "columns/CollapseResolver.h"

#include "columns/ColumnAnimator.h"
#include "columns/ColumnHitTest.h"
#include "columns/ColumnStickyState.h"
#include "columns/ColumnWrapCache.h"
#include "columns/ScrollAnimator.h"
#include "support/ManualClock.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace kestrion;

namespace {

using Adjusted = CollapseResolver::AdjustedColumn;

const std::vector<qreal> threeColumns { 0, 600, 1200, 1800 };

ColumnNodeFrame frameAt(const QUuid& id, qint64 column, qreal top, qreal height, qreal subtreeBottom)
{
    return { id, column, QPointF(600.0 * static_cast<qreal>(column), top), QSizeF(600, height), top, subtreeBottom };
}

} // namespace

TEST(CollapseResolverTest, ColumnsPannedPastTheLeftEdgeShrinkIntoStrips)
{
    struct Case {
        qreal scrollX;
        std::vector<Adjusted> columns;
    };
    const std::vector<Case> cases {
        { 0, { { 0, 0, 600, false }, { 1, 600, 600, false }, { 2, 1200, 600, false } } },
        { -50, { { 0, 0, 600, false }, { 1, 600, 600, false }, { 2, 1200, 600, false } } },
        { std::nan(""), { { 0, 0, 600, false }, { 1, 600, 600, false }, { 2, 1200, 600, false } } },
        { 700, { { 0, 0, 44, true }, { 1, 44, 500, false }, { 2, 544, 600, false } } },
        { 600, { { 0, 0, 44, true }, { 1, 44, 600, false }, { 2, 644, 600, false } } },
        { 560, { { 0, 0, 44, true }, { 1, 44, 600, false }, { 2, 644, 600, false } } },
        { 550, { { 0, 0, 50, false }, { 1, 50, 600, false }, { 2, 650, 600, false } } },
        { 1800, { { 0, 0, 44, true }, { 1, 44, 44, true }, { 2, 88, 44, true } } },
    };
    for (const Case& c : cases)
        EXPECT_EQ(CollapseResolver::resolveAdjustedColumns(3, threeColumns, c.scrollX), c.columns) << c.scrollX;

    const auto states = CollapseResolver::resolveCollapseStates(3, threeColumns, 700);
    ASSERT_EQ(states.size(), 2);
    EXPECT_EQ(states.value(1), (ColumnCollapseState { 1, 600, 500, false }));
    EXPECT_TRUE(CollapseResolver::resolveCollapseStates(0, {}, 700).isEmpty());
    EXPECT_TRUE(CollapseResolver::resolveAdjustedColumns(0, {}, 700).empty());
    // More columns claimed than edges given: only those with edges.
    EXPECT_EQ(CollapseResolver::resolveAdjustedColumns(5, threeColumns, 0).size(), 3u);
}

TEST(ColumnStickyStateTest, PinsTheParentWhoseSubtreeContinuesUnderTheTopEdge)
{
    const QUuid parent = QUuid::createUuid();
    const QUuid leaf = QUuid::createUuid();
    const QUuid folded = QUuid::createUuid();
    ColumnFrameMap frames;
    frames.insert(parent, frameAt(parent, 1, 0, 28, 84));
    frames.insert(leaf, frameAt(leaf, 2, 56, 28, 84));
    frames.insert(folded, frameAt(folded, 1, 84, 28, 112));

    EXPECT_TRUE(resolveStickyStates(frames, 0).isEmpty());
    const auto pinned = resolveStickyStates(frames, 40);
    ASSERT_EQ(pinned.size(), 1);
    EXPECT_EQ(pinned.value(1), (ColumnStickyState { parent, 1, 0, 28, 84, 40 }));
    // A subtree that starts exactly at the edge, and a node no taller than its subtree, stay.
    EXPECT_TRUE(resolveStickyStates(frames, 84).isEmpty());
    EXPECT_TRUE(resolveStickyStates(frames, 90).isEmpty());

    // Of two rivals in one column (as mid-glide frames may have), the higher subtree wins.
    const QUuid rival = QUuid::createUuid();
    frames.insert(rival, frameAt(rival, 1, 10, 28, 100));
    EXPECT_EQ(resolveStickyStates(frames, 40).value(1).nodeID, parent);
}

TEST(ColumnHitTestTest, FindsTheSubtreeBandUnderThePoint)
{
    const QUuid root = QUuid::createUuid();
    const QUuid a = QUuid::createUuid();
    const QUuid b = QUuid::createUuid();
    ColumnLayout layout;
    layout.frames.insert(root, frameAt(root, 0, 0, 28, 112));
    layout.frames.insert(a, frameAt(a, 1, 0, 28, 56));
    layout.frames.insert(b, frameAt(b, 1, 56, 28, 112));
    layout.columnCount = 2;
    layout.columnXEdges = { 0, 600, 1200 };

    // The blank rows beside a node's descendants belong to it; below every band there is nothing.
    EXPECT_EQ(hitTestColumnNode({ 700, 40 }, layout, {}, {}), a);
    EXPECT_EQ(hitTestColumnNode({ 700, 56 }, layout, {}, {}), b);
    EXPECT_EQ(hitTestColumnNode({ 100, 100 }, layout, {}, {}), root);
    EXPECT_EQ(hitTestColumnNode({ 100, 112 }, layout, {}, {}), std::nullopt);
    EXPECT_EQ(hitTestColumnNode({ 1300, 10 }, layout, {}, {}), std::nullopt);
    EXPECT_EQ(hitTestColumnNode({ 100, 40 }, layout, {}, QPointF(-600, -20)), b);

    // With column 0 a strip and column 1 cut: the strip and the cut column by their screen place.
    const auto adjusted = CollapseResolver::resolveAdjustedColumns(2, layout.columnXEdges, 700);
    EXPECT_EQ(hitTestColumnNode({ 20, 30 }, layout, adjusted, QPointF(-700, 0)), root);
    EXPECT_EQ(hitTestColumnNode({ 60, 60 }, layout, adjusted, QPointF(-700, 0)), b);
    EXPECT_EQ(hitTestColumnNode({ 600, 60 }, layout, adjusted, QPointF(-700, 0)), std::nullopt);
}

TEST(ColumnAnimatorTest, GlidesFromWhatIsShownWithCubicEaseOut)
{
    test::ManualClock clock;
    const SermonNodePtr root = SermonNode::create(QStringLiteral("Title"));
    const SermonNodePtr moving = root->addChild(QStringLiteral("Moving"));
    const SermonNodePtr removed = root->addChild(QStringLiteral("Removed"));
    ColumnWrapCache cache;
    LiveColumnLayout layout;
    ColumnAnimator animator(layout, &clock);
    const auto relayout = [&] {
        std::vector<LiveColumnLayout::Move> moves;
        animator.holdShownFrames();
        layout.update(root, ColumnWidthsConfig(), cache, &moves);
        animator.animateTo(moves);
    };
    const auto shownTop = [&] { return animator.frame(moving->id()).value().origin.y(); };

    // The first layout is shown at once.
    relayout();
    EXPECT_EQ(animator.shownLayout(), layout.snapshot());
    EXPECT_FALSE(animator.isAnimating());

    // Three lines above push the moving box down by 84.
    root->removeNode(removed->id());
    const SermonNodePtr added = SermonNode::create(QStringLiteral("one\u2028two\u2028three"), 1);
    root->insertChild(0, added);
    relayout();
    EXPECT_TRUE(animator.isAnimating());
    EXPECT_EQ(animator.frame(added->id()), layout.frame(added->id()));
    EXPECT_FALSE(animator.frame(removed->id()));
    clock.advance(0.1);
    animator.tick();
    EXPECT_NEAR(shownTop(), 84 * 0.875, 1e-6);
    EXPECT_NEAR(animator.frame(moving->id())->subtreeBottom, 28 + 84 * 0.875, 1e-6);

    // Retargeted halfway: on from where the box is shown, for another full 0.2 s.
    root->removeNode(added->id());
    relayout();
    clock.advance(0.1);
    animator.tick();
    EXPECT_NEAR(shownTop(), 84 * 0.875 * 0.125, 1e-6);
    clock.advance(0.1);
    animator.tick();
    EXPECT_EQ(animator.shownLayout(), layout.snapshot());
    EXPECT_FALSE(animator.isAnimating());

    root->insertChild(0, added);
    relayout();
    layout.update(root, ColumnWidthsConfig(), cache);
    animator.showLayout();
    EXPECT_EQ(animator.shownLayout(), layout.snapshot());
    EXPECT_FALSE(animator.isAnimating());
}

TEST(ScrollAnimatorTest, TweensThePanAndEndsWithOrWithoutAnUpdate)
{
    test::ManualClock clock;
    ScrollAnimator animator(&clock);
    std::vector<QPointF> offsets;
    animator.animateScroll({ 0, 0 }, { -100, -200 }, [&](const QPointF& p) { offsets.push_back(p); });
    clock.advance(0.1);
    animator.tick();
    ASSERT_EQ(offsets.size(), 1u);
    EXPECT_NEAR(offsets.back().x(), -87.5, 1e-6);
    EXPECT_NEAR(offsets.back().y(), -175, 1e-6);
    clock.advance(0.2);
    animator.tick();
    EXPECT_EQ(offsets.back(), QPointF(-100, -200));
    EXPECT_FALSE(animator.isAnimating());

    animator.animateScroll({ 0, 0 }, { 10, 10 }, {});
    clock.advance(0.3);
    animator.tick();
    EXPECT_FALSE(animator.isAnimating());
}
