#include "mindmap/CanvasGeometry.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace kestrion;

namespace {

NodeLayout layoutAt(qreal x, qreal y, qreal w, qreal h, qint64 depth = 1, bool isLeaf = true)
{
    NodeLayout l;
    l.nodeID = QUuid::createUuid();
    l.origin = QPointF(x, y);
    l.size = QSizeF(w, h);
    l.depth = depth;
    l.isLeaf = isLeaf;
    return l;
}

// The points a path passes through: the end of every element.
QList<QPointF> pathPoints(const QPainterPath& path)
{
    QList<QPointF> points;
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        if (e.type != QPainterPath::CurveToDataElement || i + 1 >= path.elementCount()
            || path.elementAt(i + 1).type != QPainterPath::CurveToDataElement)
            points.append(QPointF(e.x, e.y));
    }
    return points;
}

bool contains(const QList<QPointF>& points, const QPointF& p)
{
    for (const QPointF& q : points) {
        if (std::abs(q.x() - p.x()) < 1e-9 && std::abs(q.y() - p.y()) < 1e-9)
            return true;
    }
    return false;
}

} // namespace

TEST(CanvasGeometryTest, VisibleRectIsTheViewInCanvasUnitsGrownBy50)
{
    EXPECT_EQ(visibleContentRect(QPointF(0, 0), 2.0, QSizeF(1000, 800)), QRectF(-50, -50, 600, 500));
    EXPECT_EQ(visibleContentRect(QPointF(-100, 40), 1.0, QSizeF(300, 200)), QRectF(50, -90, 400, 300));
    // A part of the view, as a small repaint gives it.
    EXPECT_EQ(visibleContentRect(QPointF(-100, 40), 2.0, QRectF(10, 20, 4, 6)), QRectF(5, -60, 102, 103));
}

TEST(CanvasGeometryTest, CanvasPointUndoesPanAndScale)
{
    EXPECT_EQ(toCanvasPoint(QPointF(120, 70), QPointF(20, 10), 2.0), QPointF(50, 30));
    const QPointF c(13.5, -7.25);
    const QPointF pan(31, -4);
    EXPECT_EQ(toCanvasPoint(c * 1.5 + pan, pan, 1.5), c);
}

TEST(CanvasGeometryTest, ClampPanKeepsSomeContentInView)
{
    const QRectF bounds(40, 40, 500, 300);
    const QSizeF viewport(800, 600);
    // Right edge of the content may reach the left edge of the view and no further.
    EXPECT_EQ(clampPan(QPointF(-1000, 0), viewport, bounds, 1).x(), -540);
    EXPECT_EQ(clampPan(QPointF(1000, 0), viewport, bounds, 1).x(), 760);
    EXPECT_EQ(clampPan(QPointF(-539, 0), viewport, bounds, 1).x(), -539);
    EXPECT_EQ(clampPan(QPointF(0, -1000), viewport, bounds, 1).y(), -340);
    EXPECT_EQ(clampPan(QPointF(0, 1000), viewport, bounds, 1).y(), 560);
    // At scale 2 the limits scale with the content.
    EXPECT_EQ(clampPan(QPointF(-5000, 5000), viewport, bounds, 2), QPointF(-1080, 520));
}

TEST(CanvasGeometryTest, ClampPanLetsAnythingThroughWithoutViewportOrContent)
{
    EXPECT_EQ(clampPan(QPointF(-9999, 9999), QSizeF(0, 600), QRectF(0, 0, 10, 10), 1), QPointF(-9999, 9999));
    EXPECT_EQ(clampPan(QPointF(-9999, 9999), QSizeF(800, 600), QRectF(), 1), QPointF(-9999, 9999));
}

TEST(CanvasGeometryTest, ZoomStepsFollowTheLevelTable)
{
    EXPECT_EQ(zoomLevelAbove(1.0), 1.2);
    EXPECT_EQ(zoomLevelBelow(1.0), 0.8);
    // Within the tolerance of a level counts as at it.
    EXPECT_EQ(zoomLevelAbove(1.0005), 1.2);
    EXPECT_EQ(zoomLevelBelow(1.0005), 0.8);
    EXPECT_EQ(zoomLevelAbove(0.95), 1.0);
    EXPECT_EQ(zoomLevelBelow(0.95), 0.8);
    EXPECT_EQ(zoomLevelAbove(3.0), std::nullopt);
    EXPECT_EQ(zoomLevelBelow(0.1), std::nullopt);
    EXPECT_EQ(zoomLevelAbove(0.0995), 0.2);
    EXPECT_EQ(zoomLevelBelow(2.9995), 2.0);
}

TEST(CanvasGeometryTest, MagnificationKeepsThePointUnderThePointer)
{
    const QSizeF viewport(1000, 800);
    const QRectF bounds(40, 40, 2000, 2000);
    const ViewTransform start { 1.0, QPointF(-30, -20) };
    const QPointF pointer(400, 300);
    const QPointF under = toCanvasPoint(pointer, start.pan, start.scale);

    const ViewTransform after = magnifiedAbout(0.1, pointer, start, viewport, bounds);
    EXPECT_NEAR(after.scale, 1.1, 1e-12);
    const QPointF underAfter = toCanvasPoint(pointer, after.pan, after.scale);
    EXPECT_NEAR(underAfter.x(), under.x(), 1e-9);
    EXPECT_NEAR(underAfter.y(), under.y(), 1e-9);
}

TEST(CanvasGeometryTest, MagnificationStaysWithinTheScaleLimits)
{
    const QSizeF viewport(1000, 800);
    const QRectF bounds(40, 40, 200, 200);
    EXPECT_EQ(magnifiedAbout(0.5, QPointF(10, 10), { 3.0, {} }, viewport, bounds).scale, 3.0);
    EXPECT_EQ(magnifiedAbout(-0.5, QPointF(10, 10), { 0.1, {} }, viewport, bounds).scale, 0.1);
    EXPECT_EQ(magnifiedAbout(2.0, QPointF(10, 10), { 2.0, {} }, viewport, bounds).scale, 3.0);
}

TEST(CanvasGeometryTest, MagnificationPanIsClamped)
{
    const QSizeF viewport(1000, 800);
    const QRectF bounds(40, 40, 100, 50);
    // Zooming out far from the content would push it out of view; the clamp stops it.
    const ViewTransform after = magnifiedAbout(-0.9, QPointF(990, 790), { 1.0, QPointF(-130, -80) }, viewport, bounds);
    EXPECT_EQ(after.pan, clampPan(after.pan, viewport, bounds, after.scale));
}

TEST(CanvasGeometryTest, ScrollIntoViewLeavesVisibleNodesAlone)
{
    const ViewTransform view { 1.0, QPointF(0, 0) };
    EXPECT_EQ(scrollIntoViewPan(layoutAt(100, 100, 80, 20), view, QSizeF(800, 600)), std::nullopt);
    // No margin on the right edge: a node ending between W − 10 and W stays.
    EXPECT_EQ(scrollIntoViewPan(layoutAt(700, 100, 95, 20), view, QSizeF(800, 600)), std::nullopt);
}

TEST(CanvasGeometryTest, ScrollIntoViewPlacesNodesByEdge)
{
    const QSizeF viewport(800, 600);
    const ViewTransform view { 2.0, QPointF(0, 0) };
    // Above the top margin: centre a quarter of the way down.
    const auto above = scrollIntoViewPan(layoutAt(100, 2, 50, 20), view, viewport);
    ASSERT_TRUE(above);
    EXPECT_EQ(*above, QPointF(0, 0.25 * 600 - (2 + 10) * 2.0));
    // Below the bottom margin: three quarters of the way down.
    const auto below = scrollIntoViewPan(layoutAt(100, 290, 50, 20), view, viewport);
    ASSERT_TRUE(below);
    EXPECT_EQ(*below, QPointF(0, 0.75 * 600 - (290 + 10) * 2.0));
    // Right of the view: the left edge 10 points in.
    const auto right = scrollIntoViewPan(layoutAt(380, 100, 50, 20), view, viewport);
    ASSERT_TRUE(right);
    EXPECT_EQ(*right, QPointF(10 - 380 * 2.0, 0));
    // Without a viewport nothing moves.
    EXPECT_EQ(scrollIntoViewPan(layoutAt(5000, 5000, 50, 20), view, QSizeF(0, 0)), std::nullopt);
}

TEST(CanvasGeometryTest, ContentBoundsSpanEveryBox)
{
    EXPECT_EQ(computeContentBounds({}), QRectF());
    NodeLayoutMap layouts;
    for (const NodeLayout& l : { layoutAt(40, 40, 100, 30), layoutAt(200, 10, 50, 20), layoutAt(60, 300, 10, 10) })
        layouts.insert(l.nodeID, l);
    EXPECT_EQ(computeContentBounds(layouts), QRectF(QPointF(40, 10), QPointF(250, 310)));
}

TEST(CanvasGeometryTest, HitTestCountsMinimumEdgesInsideAndMaximumEdgesOutside)
{
    const NodeLayout a = layoutAt(10, 10, 100, 20);
    const NodeLayout b = layoutAt(10, 30, 100, 20);
    NodeLayoutMap layouts { { a.nodeID, a }, { b.nodeID, b } };
    EXPECT_EQ(hitTestNode(layouts, QPointF(10, 10)), a.nodeID);
    EXPECT_EQ(hitTestNode(layouts, QPointF(50, 30)), b.nodeID);
    EXPECT_EQ(hitTestNode(layouts, QPointF(110, 15)), std::nullopt);
    EXPECT_EQ(hitTestNode(layouts, QPointF(9.99, 15)), std::nullopt);
    EXPECT_EQ(hitTestNode(layouts, QPointF(50, 50)), std::nullopt);
}

TEST(CanvasGeometryTest, FoldToggleReachesTwelveUnitsAroundTheRightEdgeMidpoint)
{
    auto root = SermonNode::create(QStringLiteral("Title"));
    auto parent = root->addChild(QStringLiteral("Point"));
    parent->addChild(QStringLiteral("Leaf"));
    auto leaf = root->addChild(QStringLiteral("Alone"));
    SermonNodeMap nodes;
    indexNodesByID(root, nodes);

    NodeLayout p = layoutAt(100, 100, 80, 40, 1, false);
    p.nodeID = parent->id();
    NodeLayout l = layoutAt(100, 200, 80, 40, 1, true);
    l.nodeID = leaf->id();
    NodeLayoutMap layouts { { p.nodeID, p }, { l.nodeID, l } };

    EXPECT_EQ(foldToggleHit(layouts, nodes, QPointF(180, 120)), parent->id());
    EXPECT_EQ(foldToggleHit(layouts, nodes, QPointF(192, 120)), parent->id());
    EXPECT_EQ(foldToggleHit(layouts, nodes, QPointF(180 - 7.2, 120 + 9.6)), parent->id()); // distance exactly 12
    EXPECT_EQ(foldToggleHit(layouts, nodes, QPointF(192.01, 120)), std::nullopt);
    // A leaf has no toggle.
    EXPECT_EQ(foldToggleHit(layouts, nodes, QPointF(180, 220)), std::nullopt);
}

TEST(CanvasGeometryTest, LassoCatchesEveryBoxItTouches)
{
    const NodeLayout a = layoutAt(10, 10, 100, 20);
    const NodeLayout b = layoutAt(10, 40, 100, 20);
    const NodeLayout c = layoutAt(300, 300, 10, 10);
    NodeLayoutMap layouts { { a.nodeID, a }, { b.nodeID, b }, { c.nodeID, c } };
    EXPECT_EQ(nodesInLasso(QRectF(50, 25, 10, 20), layouts), (QSet<QUuid> { a.nodeID, b.nodeID }));
    EXPECT_EQ(nodesInLasso(QRectF(200, 200, 20, 20), layouts), QSet<QUuid> {});
    // A lasso drawn as a vertical line still catches what it crosses.
    EXPECT_EQ(nodesInLasso(QRectF(305, 0, 0, 400), layouts), QSet<QUuid> { c.nodeID });
}

TEST(CanvasGeometryTest, SelectionOutlinesDrawBackOnlyFromCloseNeighboursInTheirColumn)
{
    const QRectF upper(100, 100, 80, 20);
    struct Case {
        const char* what;
        QRectF other;
        qreal upperBottom; // where the upper box's outline ends
        qreal otherTop;
    };
    const Case cases[] = {
        { "2 below", QRectF(100, 122, 60, 20), 119, 123 },
        { "8 below", QRectF(100, 128, 60, 20), 122, 126 },
        { "2 below in another column", QRectF(130, 122, 60, 20), 122, 120 },
        { "passing over it", QRectF(100, 110, 60, 20), 118, 112 },
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.what);
        // In either order.
        const std::vector<QRectF> outlines = selectionOutlines({ test.other, upper });
        ASSERT_EQ(outlines.size(), 2u);
        EXPECT_DOUBLE_EQ(outlines[1].bottom(), test.upperBottom);
        EXPECT_DOUBLE_EQ(outlines[0].top(), test.otherTop);
        EXPECT_DOUBLE_EQ(outlines[1].top(), 98);
        EXPECT_DOUBLE_EQ(outlines[1].left(), 98);
        EXPECT_DOUBLE_EQ(outlines[1].right(), 182);
    }
}

TEST(CanvasGeometryTest, BracketOpensTowardsTheLeavesWithItsPointAtTheMiddle)
{
    const NodeLayout parent = layoutAt(40, 100, 100, 40, 1, false);
    const NodeLayout first = layoutAt(168, 80, 80, 23);
    const NodeLayout last = layoutAt(168, 130, 80, 23);
    const QPainterPath path = bracketPath(parent, first, last);
    const qreal spine = 154;
    const qreal top = 85;
    const qreal bottom = 151;
    const qreal mid = (top + bottom) / 2;
    const QList<QPointF> points = pathPoints(path);
    EXPECT_TRUE(contains(points, QPointF(spine + 8, top)));
    EXPECT_TRUE(contains(points, QPointF(spine, top + 8)));
    EXPECT_TRUE(contains(points, QPointF(spine, mid - 8)));
    EXPECT_TRUE(contains(points, QPointF(spine - 8, mid)));
    EXPECT_TRUE(contains(points, QPointF(spine, mid + 8)));
    EXPECT_TRUE(contains(points, QPointF(spine, bottom - 8)));
    EXPECT_TRUE(contains(points, QPointF(spine + 8, bottom)));
    // The point faces the parent: nothing of the bracket lies left of spine − 8.
    EXPECT_GE(path.boundingRect().left(), spine - 8 - 1e-9);
}

TEST(CanvasGeometryTest, ConnectorIsStraightForALoneLeafAtItsUnderline)
{
    const NodeLayout parent = layoutAt(40, 100, 100, 40, 1, false);
    const NodeLayout leaf = layoutAt(168, 90, 80, 23);
    const QPainterPath path = connectorPath(parent, leaf, true, true);
    ASSERT_EQ(path.elementCount(), 2);
    EXPECT_EQ(QPointF(path.elementAt(0)), QPointF(140, 90 + 23 - 2));
    EXPECT_EQ(QPointF(path.elementAt(1)), QPointF(172, 90 + 23 - 2));
}

TEST(CanvasGeometryTest, ConnectorIsStraightWithinAPointOfTheParentsMiddle)
{
    const NodeLayout parent = layoutAt(40, 100, 100, 40, 1, false);
    const NodeLayout child = layoutAt(180, 100.5, 80, 40, 2, false);
    const QPainterPath path = connectorPath(parent, child, false, false);
    ASSERT_EQ(path.elementCount(), 2);
    EXPECT_EQ(QPointF(path.elementAt(0)), QPointF(140, 120));
    EXPECT_EQ(QPointF(path.elementAt(1)), QPointF(180, 120));
}

TEST(CanvasGeometryTest, ElbowBendsTowardsTheChildWithRoundedCorners)
{
    const NodeLayout parent = layoutAt(40, 100, 100, 40, 1, false);
    const NodeLayout child = layoutAt(180, 20, 80, 40, 2, false); // centre at y 40, above the parent's 120
    const QPainterPath path = connectorPath(parent, child, false, false);
    const qreal midX = 160;
    const qreal r = 8;
    const QList<QPointF> points = pathPoints(path);
    EXPECT_TRUE(contains(points, QPointF(140, 120)));
    EXPECT_TRUE(contains(points, QPointF(midX - r, 120)));
    EXPECT_TRUE(contains(points, QPointF(midX, 120 - r)));
    EXPECT_TRUE(contains(points, QPointF(midX, 40 + r)));
    EXPECT_TRUE(contains(points, QPointF(midX + r, 40)));
    EXPECT_TRUE(contains(points, QPointF(180, 40)));
}

TEST(CanvasGeometryTest, ElbowCornerNeverTurnsNegativeWhileAChildGlidesLeft)
{
    // Mid-animation a child may stand left of its parent's right edge.
    const NodeLayout parent = layoutAt(40, 100, 100, 40, 1, false);
    const NodeLayout child = layoutAt(60, 300, 80, 40, 2, false);
    const QPainterPath path = connectorPath(parent, child, false, false);
    const QRectF box = path.boundingRect();
    // With a negative radius the corners would overshoot beyond the two ends' heights.
    EXPECT_GE(box.top(), 120 - 1e-9);
    EXPECT_LE(box.bottom(), 320 + 1e-9);
    EXPECT_GE(box.left(), 60 - 1e-9);
    EXPECT_LE(box.right(), 140 + 1e-9);
}

TEST(CanvasGeometryTest, AFanCoversWhatItsConnectorsCoverLayingEachStretchOnce)
{
    // Children above, level with and below the parent; leaves and nodes with children.
    const NodeLayout parent = layoutAt(40, 200, 100, 40, 1, false);
    const std::vector<NodeLayout> children { layoutAt(180, 20, 80, 40, 2, false), layoutAt(180, 70, 80, 23),
        layoutAt(180, 120, 80, 40, 2, false), layoutAt(180, 200, 80, 40, 2, false), layoutAt(180, 206, 80, 23),
        layoutAt(180, 300, 80, 40, 2, false), layoutAt(180, 380, 80, 23) };
    std::vector<ConnectorEnd> ends;
    QPainterPath separate;
    for (const NodeLayout& child : children) {
        ends.push_back({ QRectF(child.origin, child.size), child.isLeaf });
        separate.addPath(connectorPath(parent, child, child.isLeaf, false));
    }
    const QPainterPath fan = connectorFanPath(parent, ends, false);

    auto paint = [](const QPainterPath& path) {
        QImage image(300, 450, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setPen(QPen(QColor(0, 0, 0, 255), 1, Qt::SolidLine, Qt::FlatCap));
        painter.drawPath(path);
        return image;
    };
    const QImage one = paint(fan);
    const QImage all = paint(separate);
    int differing = 0;
    int inked = 0;
    for (int y = 0; y < one.height(); ++y) {
        for (int x = 0; x < one.width(); ++x) {
            inked += qAlpha(all.pixel(x, y)) != 0;
            differing += (qAlpha(one.pixel(x, y)) != 0) != (qAlpha(all.pixel(x, y)) != 0);
        }
    }
    ASSERT_GT(inked, 500);
    EXPECT_LE(differing, 4) << "the same ground";
    // The stem is one stretch, and so is the trunk on each side of it.
    int stems = 0;
    int trunks = 0;
    for (int i = 0; i + 1 < fan.elementCount(); ++i) {
        const QPointF from = fan.elementAt(i);
        const QPointF to = fan.elementAt(i + 1);
        if (!fan.elementAt(i).isMoveTo() || !fan.elementAt(i + 1).isLineTo())
            continue;
        stems += from == QPointF(140, 220);
        trunks += from.x() == 160 && to.x() == 160;
    }
    EXPECT_EQ(stems, 1);
    EXPECT_EQ(trunks, 2);
}

TEST(CanvasGeometryTest, ConnectorOpacitiesFadeWithDepth)
{
    EXPECT_DOUBLE_EQ(connectorOpacity(0), 0.4);
    EXPECT_DOUBLE_EQ(connectorOpacity(2), 0.2);
    EXPECT_DOUBLE_EQ(connectorOpacity(3), 0.1);
    EXPECT_DOUBLE_EQ(connectorOpacity(7), 0.1);
    EXPECT_DOUBLE_EQ(bracketOpacity(0), 0.3);
    EXPECT_DOUBLE_EQ(bracketOpacity(1), 0.22);
    EXPECT_DOUBLE_EQ(bracketOpacity(5), 0.1);
}

TEST(CanvasGeometryTest, DropIndicatorStandsWhereTheNodesWouldLand)
{
    auto root = SermonNode::create(QStringLiteral("Title"));
    auto a = root->addChild(QStringLiteral("A"));
    auto b = root->addChild(QStringLiteral("B"));
    auto empty = root->addChild(QStringLiteral("C"));
    NodeLayoutMap layouts;
    auto put = [&](const SermonNodePtr& node, qreal x, qreal y, qreal w, qreal h) {
        NodeLayout l = layoutAt(x, y, w, h);
        l.nodeID = node->id();
        layouts.insert(l.nodeID, l);
    };
    put(root, 40, 100, 100, 40);
    put(a, 170, 60, 80, 23);
    put(b, 170, 90, 90, 23);
    put(empty, 170, 120, 70, 23);

    // A parent without children: beside it.
    EXPECT_EQ(dropIndicatorLine({ empty->id(), 0, 0 }, empty, layouts),
        (IndicatorLine { QPointF(170 + 70 + 40, 120 + 11.5), 60 }));
    // Past the last child: below it.
    EXPECT_EQ(dropIndicatorLine({ root->id(), 3, 0 }, root, layouts), (IndicatorLine { QPointF(170, 145), 70 }));
    // Before the first child: above it.
    EXPECT_EQ(dropIndicatorLine({ root->id(), 0, 60 }, root, layouts), (IndicatorLine { QPointF(170, 58), 80 }));
    // Between A and B: on the side nearer the pointer.
    EXPECT_EQ(dropIndicatorLine({ root->id(), 1, 84 }, root, layouts), (IndicatorLine { QPointF(170, 85), 80 }));
    EXPECT_EQ(dropIndicatorLine({ root->id(), 1, 88 }, root, layouts), (IndicatorLine { QPointF(170, 88), 90 }));
    // A missing layout draws nothing.
    layouts.remove(b->id());
    EXPECT_EQ(dropIndicatorLine({ root->id(), 1, 88 }, root, layouts), std::nullopt);
    EXPECT_EQ(dropIndicatorLine({ root->id(), 1, 88 }, root, {}), std::nullopt);
}
