#pragma once

#include "document/SermonNode.h"
#include "mindmap/DropTarget.h"
#include "mindmap/NodeLayout.h"

#include <QPainterPath>
#include <QPointF>
#include <QRectF>
#include <QSet>
#include <QSizeF>
#include <QUuid>

#include <array>
#include <optional>
#include <vector>

namespace kestrion {

// The mind map's geometry as pure functions of their arguments.
//
// View points have their origin at the canvas's top left; canvas units are those of
// NodeLayout. A canvas point c is shown at c × scale + pan.

inline constexpr std::array<qreal, 9> zoomLevels { 0.1, 0.2, 0.5, 0.8, 1.0, 1.2, 1.5, 2.0, 3.0 };
inline constexpr qreal minimumScale = 0.1;
inline constexpr qreal maximumScale = 3.0;
// A scale this close to a level counts as being at it.
inline constexpr qreal zoomLevelTolerance = 0.001;
// Culling keeps what lies this many canvas units outside the view.
inline constexpr qreal visibleRectOutset = 50;
inline constexpr qreal scrollIntoViewMargin = 10;
// Clicks within this distance of a node's right-edge midpoint hit its fold toggle.
inline constexpr qreal foldToggleRadius = 12;
// The drawn fold circle, centred on the middle of the node's right edge.
inline constexpr qreal foldCircleRadius = 7;
// The selection outline: the box grown by this much, stroked this wide.
inline constexpr qreal selectionOutset = 2;
inline constexpr qreal selectionLineWidth = 2;
// Clear space an outline keeps from a neighbouring outline and from a fold circle.
inline constexpr qreal outlineClearance = 2;

struct ViewTransform {
    qreal scale = 1;
    QPointF pan;
};

// The canvas rectangle shown in a view of this size, grown by visibleRectOutset on every side.
QRectF visibleContentRect(const QPointF& pan, qreal scale, const QSizeF& viewSize);
// The same for a part of the view, in view points.
QRectF visibleContentRect(const QPointF& pan, qreal scale, const QRectF& viewRect);
QPointF toCanvasPoint(const QPointF& viewPoint, const QPointF& pan, qreal scale);

// Keeps some of the content in view: the content may be pushed until its far edge reaches
// the viewport's near edge, no further. Without a viewport or content the pan is returned as
// it is.
QPointF clampPan(const QPointF& pan, const QSizeF& viewport, const QRectF& contentBounds, qreal scale);
qreal clampScale(qreal scale);

// The zoom level above (or below) a scale, beyond the tolerance; none at the ends.
std::optional<qreal> zoomLevelAbove(qreal scale);
std::optional<qreal> zoomLevelBelow(qreal scale);

// The pan that shows contentPoint at viewPoint at this scale.
QPointF panKeeping(const QPointF& viewPoint, const QPointF& contentPoint, qreal scale);

// One step of a pinch at viewPoint: the scale grows by the factor (1 + magnification), within
// the limits, and the canvas point under viewPoint stays there unless the clamp moves it.
ViewTransform magnifiedAbout(qreal magnification, const QPointF& viewPoint, const ViewTransform& current,
    const QSizeF& viewport, const QRectF& contentBounds);

// The pan (before clamping) that brings a node into view: its left edge 10 points in when it
// sticks out left or right; its centre a quarter down when above the top margin, three
// quarters down when below the bottom margin. None when it is in view already or there is no
// viewport.
std::optional<QPointF> scrollIntoViewPan(
    const NodeLayout& layout, const ViewTransform& current, const QSizeF& viewport);

// The pan (before clamping) that moves a node down from under an area of the view (an overlay
// at its top), so that it starts scrollIntoViewMargin below the area. None when the node is
// clear of the area.
std::optional<QPointF> panClearing(const NodeLayout& layout, const ViewTransform& current, const QRectF& area);

// The pan (before clamping) that moves a rectangle of the view, in view points, inside the
// viewport with scrollIntoViewMargin on every side, moving as little as it can (the left and
// top edges win for a rectangle that cannot fit). None when it is inside already or there is
// no viewport.
std::optional<QPointF> panShowingViewRect(const QRectF& rect, const QPointF& pan, const QSizeF& viewport);

// The smallest rectangle holding every node box; empty when there are none.
QRectF computeContentBounds(const NodeLayoutMap& layouts);

// The first node whose box holds the point (left and top edges inside, right and bottom
// edges outside).
std::optional<QUuid> hitTestNode(const NodeLayoutMap& layouts, const QPointF& point);
// The first node with children whose fold toggle (centred on the middle of its right edge)
// lies within foldToggleRadius of the point.
std::optional<QUuid> foldToggleHit(const NodeLayoutMap& layouts, const SermonNodeMap& nodes, const QPointF& point);
// The laid-out nodes whose boxes touch the rectangle.
QSet<QUuid> nodesInLasso(const QRectF& rect, const NodeLayoutMap& layouts);

// The selection outlines of boxes drawn together, one per box: each box grown by
// selectionOutset, except towards a box above or below it in the same column so close that
// the two strokes would come within outlineClearance; there both outlines draw back evenly.
std::vector<QRectF> selectionOutlines(const std::vector<QRectF>& boxes);

// Where an outline stays open on its right edge: around a fold circle at that height.
struct OutlineGap {
    qreal centreY = 0;
    qreal halfHeight = 0;
};
// The gap an outline stroked this wide leaves around a fold circle whose centre is at centreY.
OutlineGap foldCircleGap(qreal centreY, qreal lineWidth);
// A rounded rectangle's outline, open on its right edge where a gap is given (never into the
// corners).
QPainterPath outlinePath(const QRectF& rect, qreal radius, const std::optional<OutlineGap>& gap);

// Connectors.
// The curly bracket from a parent to its leaf children (first and last given), opening towards
// the leaves.
QPainterPath bracketPath(const NodeLayout& parent, const NodeLayout& firstChild, const NodeLayout& lastChild);
// The line from a parent to one child: straight when the ends are within a point in height or
// when the child is the parent's only child and a leaf, else an elbow with rounded corners.
QPainterPath connectorPath(const NodeLayout& parent, const NodeLayout& child, bool childIsLeaf, bool isOnlyChild);
// One child's box and kind, for the connectors of a parent.
struct ConnectorEnd {
    QRectF frame;
    bool isLeaf = false;
};
// The connectors of one parent, each shaped as connectorPath shapes it, as one path in which
// no stretch is laid twice: the stem and the trunk the elbows share, and their shared corners,
// appear once, so a translucent stroke shows them as light as a single connector.
QPainterPath connectorFanPath(const NodeLayout& parent, const std::vector<ConnectorEnd>& children, bool isOnlyChild);
qreal bracketOpacity(qint64 parentDepth);
// How strongly a node box is drawn at a depth: 0.5, 0.35, 0.2, then 0.1.
qreal boxEmphasis(qint64 depth);
qreal connectorOpacity(qint64 parentDepth);

// The drop indicator: a horizontal line from start, width long.
struct IndicatorLine {
    QPointF start;
    qreal width = 0;

    friend bool operator==(const IndicatorLine&, const IndicatorLine&) = default;
};
// Where the indicator of a drop target is drawn; none when a layout it needs is missing.
std::optional<IndicatorLine> dropIndicatorLine(
    const DropTarget& target, const SermonNodePtr& parent, const NodeLayoutMap& layouts);

} // namespace kestrion
