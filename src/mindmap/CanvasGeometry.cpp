#include "mindmap/CanvasGeometry.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <set>
#include <tuple>
#include <utility>
#include <vector>

namespace kestrion {

QRectF visibleContentRect(const QPointF& pan, qreal scale, const QSizeF& viewSize)
{
    return visibleContentRect(pan, scale, QRectF(QPointF(), viewSize));
}

QRectF visibleContentRect(const QPointF& pan, qreal scale, const QRectF& viewRect)
{
    const QRectF shown(toCanvasPoint(viewRect.topLeft(), pan, scale), viewRect.size() / scale);
    return shown.adjusted(-visibleRectOutset, -visibleRectOutset, visibleRectOutset, visibleRectOutset);
}

QPointF toCanvasPoint(const QPointF& viewPoint, const QPointF& pan, qreal scale)
{
    return (viewPoint - pan) / scale;
}

QPointF clampPan(const QPointF& pan, const QSizeF& viewport, const QRectF& contentBounds, qreal scale)
{
    if (!(viewport.width() > 0) || !(viewport.height() > 0) || !(contentBounds.width() > 0))
        return pan;
    const qreal s = scale;
    const qreal x
        = std::max(-(contentBounds.right() * s), std::min(viewport.width() - contentBounds.left() * s, pan.x()));
    const qreal y
        = std::max(-(contentBounds.bottom() * s), std::min(viewport.height() - contentBounds.top() * s, pan.y()));
    return { x, y };
}

qreal clampScale(qreal scale)
{
    if (std::isnan(scale))
        return 1.0;
    return std::clamp(scale, minimumScale, maximumScale);
}

std::optional<qreal> zoomLevelAbove(qreal scale)
{
    for (qreal level : zoomLevels) {
        if (level > scale + zoomLevelTolerance)
            return level;
    }
    return std::nullopt;
}

std::optional<qreal> zoomLevelBelow(qreal scale)
{
    for (auto it = zoomLevels.rbegin(); it != zoomLevels.rend(); ++it) {
        if (*it < scale - zoomLevelTolerance)
            return *it;
    }
    return std::nullopt;
}

QPointF panKeeping(const QPointF& viewPoint, const QPointF& contentPoint, qreal scale)
{
    return viewPoint - contentPoint * scale;
}

ViewTransform magnifiedAbout(qreal magnification, const QPointF& viewPoint, const ViewTransform& current,
    const QSizeF& viewport, const QRectF& contentBounds)
{
    const qreal s = current.scale;
    const qreal next = std::max(std::min((1 + magnification) * s, maximumScale), minimumScale);
    const QPointF under = toCanvasPoint(viewPoint, current.pan, s);
    return { next, clampPan(panKeeping(viewPoint, under, next), viewport, contentBounds, next) };
}

std::optional<QPointF> scrollIntoViewPan(const NodeLayout& layout, const ViewTransform& current, const QSizeF& viewport)
{
    const qreal W = viewport.width();
    const qreal H = viewport.height();
    if (!(W > 0) || !(H > 0))
        return std::nullopt;
    const qreal s = current.scale;
    const QPointF p = current.pan;
    const qreal ox = layout.origin.x();
    const qreal oy = layout.origin.y();
    const qreal w = layout.size.width();
    const qreal h = layout.size.height();
    const qreal left = ox * s + p.x();
    const qreal right = (ox + w) * s + p.x();
    const qreal top = oy * s + p.y();
    const qreal bottom = (oy + h) * s + p.y();

    QPointF target = p;
    bool changed = false;
    if (left < scrollIntoViewMargin || right > W) {
        target.setX(scrollIntoViewMargin - ox * s);
        changed = true;
    }
    if (top < scrollIntoViewMargin) {
        target.setY(0.25 * H - (oy + h * 0.5) * s);
        changed = true;
    } else if (bottom > H - scrollIntoViewMargin) {
        target.setY(0.75 * H - (oy + h * 0.5) * s);
        changed = true;
    }
    if (!changed)
        return std::nullopt;
    return target;
}

std::optional<QPointF> panClearing(const NodeLayout& layout, const ViewTransform& current, const QRectF& area)
{
    const qreal s = current.scale;
    const QRectF shown(layout.origin * s + current.pan, layout.size * s);
    if (!shown.intersects(area.adjusted(0, 0, 0, scrollIntoViewMargin)))
        return std::nullopt;
    return QPointF(current.pan.x(), area.bottom() + scrollIntoViewMargin - layout.origin.y() * s);
}

std::optional<QPointF> panShowingViewRect(const QRectF& rect, const QPointF& pan, const QSizeF& viewport)
{
    if (!(viewport.width() > 0) || !(viewport.height() > 0))
        return std::nullopt;
    const QRectF room
        = QRectF(QPointF(), viewport)
              .adjusted(scrollIntoViewMargin, scrollIntoViewMargin, -scrollIntoViewMargin, -scrollIntoViewMargin);
    auto shift = [](qreal low, qreal high, qreal roomLow, qreal roomHigh) -> qreal {
        if (low < roomLow)
            return roomLow - low;
        if (high > roomHigh)
            return std::max(roomHigh - high, roomLow - low);
        return 0;
    };
    const QPointF by(shift(rect.left(), rect.right(), room.left(), room.right()),
        shift(rect.top(), rect.bottom(), room.top(), room.bottom()));
    if (by.isNull())
        return std::nullopt;
    return pan + by;
}

QRectF computeContentBounds(const NodeLayoutMap& layouts)
{
    if (layouts.isEmpty())
        return {};
    qreal minX = std::numeric_limits<qreal>::infinity();
    qreal minY = minX;
    qreal maxX = -minX;
    qreal maxY = -minX;
    for (const NodeLayout& layout : layouts) {
        minX = std::min(minX, layout.origin.x());
        minY = std::min(minY, layout.origin.y());
        maxX = std::max(maxX, layout.origin.x() + layout.size.width());
        maxY = std::max(maxY, layout.origin.y() + layout.size.height());
    }
    return QRectF(QPointF(minX, minY), QPointF(maxX, maxY));
}

std::optional<QUuid> hitTestNode(const NodeLayoutMap& layouts, const QPointF& point)
{
    for (auto it = layouts.cbegin(); it != layouts.cend(); ++it) {
        const NodeLayout& l = it.value();
        if (point.x() >= l.origin.x() && point.x() < l.origin.x() + l.size.width() && point.y() >= l.origin.y()
            && point.y() < l.origin.y() + l.size.height())
            return it.key();
    }
    return std::nullopt;
}

std::optional<QUuid> foldToggleHit(const NodeLayoutMap& layouts, const SermonNodeMap& nodes, const QPointF& point)
{
    for (auto it = layouts.cbegin(); it != layouts.cend(); ++it) {
        const NodeLayout& l = it.value();
        if (l.isLeaf)
            continue;
        const SermonNodePtr node = nodes.value(it.key());
        if (!node || !node->hasChildren())
            continue;
        const qreal dx = point.x() - (l.origin.x() + l.size.width());
        const qreal dy = point.y() - (l.origin.y() + l.size.height() * 0.5);
        if (dx * dx + dy * dy <= foldToggleRadius * foldToggleRadius)
            return it.key();
    }
    return std::nullopt;
}

QSet<QUuid> nodesInLasso(const QRectF& rect, const NodeLayoutMap& layouts)
{
    const QRectF r = rect.normalized();
    QSet<QUuid> caught;
    for (auto it = layouts.cbegin(); it != layouts.cend(); ++it) {
        const NodeLayout& l = it.value();
        // Inclusive, so a lasso drawn as a thin line still catches what it crosses.
        if (l.origin.x() <= r.right() && r.left() <= l.origin.x() + l.size.width() && l.origin.y() <= r.bottom()
            && r.top() <= l.origin.y() + l.size.height())
            caught.insert(it.key());
    }
    return caught;
}

std::vector<QRectF> selectionOutlines(const std::vector<QRectF>& boxes)
{
    std::vector<QRectF> outlines;
    outlines.reserve(boxes.size());
    for (const QRectF& box : boxes)
        outlines.push_back(box.adjusted(-selectionOutset, -selectionOutset, selectionOutset, selectionOutset));
    // Siblings stand in a column at one x: sorted by left edge, then top, neighbours follow
    // each other.
    std::vector<size_t> order(boxes.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        return std::pair(boxes[a].left(), boxes[a].top()) < std::pair(boxes[b].left(), boxes[b].top());
    });
    for (size_t k = 1; k < order.size(); ++k) {
        const QRectF& above = boxes[order[k - 1]];
        const QRectF& below = boxes[order[k]];
        if (std::abs(above.left() - below.left()) > 0.5)
            continue;
        const qreal gap = below.top() - above.bottom();
        // How far each edge may stand out so that the strokes keep the clearance between them.
        const qreal reach = (gap - selectionLineWidth - outlineClearance) / 2;
        if (reach >= selectionOutset)
            continue;
        // Boxes passing over each other in a glide: no further in than the outset.
        const qreal edge = std::max(reach, -selectionOutset);
        outlines[order[k - 1]].setBottom(above.bottom() + edge);
        outlines[order[k]].setTop(below.top() - edge);
    }
    return outlines;
}

OutlineGap foldCircleGap(qreal centreY, qreal lineWidth)
{
    // The circle's own stroke is a point wide.
    return { centreY, foldCircleRadius + 0.5 + outlineClearance + lineWidth / 2 };
}

QPainterPath outlinePath(const QRectF& rect, qreal radius, const std::optional<OutlineGap>& gap)
{
    QPainterPath path;
    const qreal r = std::max(qreal(0), std::min({ radius, rect.width() / 2, rect.height() / 2 }));
    if (!gap) {
        path.addRoundedRect(rect, r, r);
        return path;
    }
    const qreal d = 2 * r;
    const qreal straightTop = rect.top() + r;
    const qreal straightBottom = rect.bottom() - r;
    const qreal gapTop = std::clamp(gap->centreY - gap->halfHeight, straightTop, straightBottom);
    const qreal gapBottom = std::clamp(gap->centreY + gap->halfHeight, straightTop, straightBottom);
    // Clockwise from below the gap round to above it.
    path.moveTo(rect.right(), gapBottom);
    path.lineTo(rect.right(), straightBottom);
    path.arcTo(QRectF(rect.right() - d, rect.bottom() - d, d, d), 0, -90);
    path.lineTo(rect.left() + r, rect.bottom());
    path.arcTo(QRectF(rect.left(), rect.bottom() - d, d, d), 270, -90);
    path.lineTo(rect.left(), rect.top() + r);
    path.arcTo(QRectF(rect.left(), rect.top(), d, d), 180, -90);
    path.lineTo(rect.right() - r, rect.top());
    path.arcTo(QRectF(rect.right() - d, rect.top(), d, d), 90, -90);
    path.lineTo(rect.right(), gapTop);
    return path;
}

QPainterPath bracketPath(const NodeLayout& parent, const NodeLayout& firstChild, const NodeLayout& lastChild)
{
    const qreal spine = parent.origin.x() + parent.size.width() + 14;
    const qreal top = firstChild.origin.y() + 5;
    const qreal bottom = lastChild.origin.y() + lastChild.size.height() - 2;
    const qreal mid = (top + bottom) / 2;
    QPainterPath path;
    path.moveTo(spine + 8, top);
    path.quadTo(spine, top, spine, top + 8);
    path.lineTo(spine, mid - 8);
    path.quadTo(spine, mid, spine - 8, mid);
    path.moveTo(spine - 8, mid);
    path.quadTo(spine, mid, spine, mid + 8);
    path.lineTo(spine, bottom - 8);
    path.quadTo(spine, bottom, spine + 8, bottom);
    return path;
}

namespace {

// The shape of one connector, from the parent's right edge to where the child is entered.
struct Elbow {
    qreal right = 0;
    qreal parentMid = 0;
    QPointF entry;
    qreal midX = 0;
    // Radius of the rounded corners and the direction towards the child (−1 up, +1 down).
    qreal r = 0;
    qreal sign = 1;
    bool isStraight = false;
    // Height of a straight connector.
    qreal straightY = 0;
};

Elbow elbowOf(const QRectF& parent, const QRectF& child, bool childIsLeaf, bool isOnlyChild)
{
    Elbow e;
    e.right = parent.right();
    e.parentMid = parent.top() + parent.height() * 0.5;
    e.entry = childIsLeaf ? QPointF(child.left() + 4, child.bottom() - 2)
                          : QPointF(child.left(), child.top() + child.height() * 0.5);
    e.midX = (e.right + e.entry.x()) * 0.5;
    const qreal dy = std::abs(e.entry.y() - e.parentMid);
    // While a node glides past its parent's right edge midX − right turns negative; a negative
    // corner would bend the line backwards.
    e.r = std::max(qreal(0), std::min({ e.midX - e.right, dy * 0.5, qreal(8) }));
    e.sign = e.entry.y() < e.parentMid ? -1 : 1;
    e.isStraight = dy < 1 || (childIsLeaf && isOnlyChild);
    e.straightY = childIsLeaf ? e.entry.y() : e.parentMid;
    return e;
}

// Straight stretches on lines of one height (or one x), joined where they overlap or touch.
class StretchSet {
public:
    void add(qreal line, qreal from, qreal to)
    {
        if (from > to)
            std::swap(from, to);
        if (to > from)
            m_lines[line].push_back({ from, to });
    }

    void appendTo(QPainterPath& path, bool horizontal)
    {
        for (auto& [line, stretches] : m_lines) {
            std::sort(stretches.begin(), stretches.end());
            auto point
                = [&, line = line](qreal along) { return horizontal ? QPointF(along, line) : QPointF(line, along); };
            std::pair<qreal, qreal> run = stretches.front();
            for (const auto& next : stretches) {
                if (next.first <= run.second) {
                    run.second = std::max(run.second, next.second);
                    continue;
                }
                path.moveTo(point(run.first));
                path.lineTo(point(run.second));
                run = next;
            }
            path.moveTo(point(run.first));
            path.lineTo(point(run.second));
        }
    }

private:
    std::map<qreal, std::vector<std::pair<qreal, qreal>>> m_lines;
};

} // namespace

QPainterPath connectorPath(const NodeLayout& parent, const NodeLayout& child, bool childIsLeaf, bool isOnlyChild)
{
    const Elbow e
        = elbowOf(QRectF(parent.origin, parent.size), QRectF(child.origin, child.size), childIsLeaf, isOnlyChild);
    QPainterPath path;
    if (e.isStraight) {
        path.moveTo(e.right, e.straightY);
        path.lineTo(e.entry.x(), e.straightY);
        return path;
    }
    const qreal cy = e.entry.y();
    path.moveTo(e.right, e.parentMid);
    path.lineTo(e.midX - e.r, e.parentMid);
    path.quadTo(e.midX, e.parentMid, e.midX, e.parentMid + e.sign * e.r);
    path.lineTo(e.midX, cy - e.sign * e.r);
    path.quadTo(e.midX, cy, e.midX + e.r, cy);
    path.lineTo(e.entry);
    return path;
}

QPainterPath connectorFanPath(const NodeLayout& parent, const std::vector<ConnectorEnd>& children, bool isOnlyChild)
{
    const QRectF parentFrame(parent.origin, parent.size);
    StretchSet horizontal;
    StretchSet vertical;
    // The corner leaving the stem is the same for every elbow of one side with a full radius.
    std::set<std::tuple<qreal, qreal, qreal>> stemCorners;
    QPainterPath corners;
    for (const ConnectorEnd& child : children) {
        const Elbow e = elbowOf(parentFrame, child.frame, child.isLeaf, isOnlyChild);
        if (e.isStraight) {
            horizontal.add(e.straightY, e.right, e.entry.x());
            continue;
        }
        const qreal cy = e.entry.y();
        horizontal.add(e.parentMid, e.right, e.midX - e.r);
        if (stemCorners.emplace(e.midX, e.r, e.sign).second) {
            corners.moveTo(e.midX - e.r, e.parentMid);
            corners.quadTo(e.midX, e.parentMid, e.midX, e.parentMid + e.sign * e.r);
        }
        vertical.add(e.midX, e.parentMid + e.sign * e.r, cy - e.sign * e.r);
        corners.moveTo(e.midX, cy - e.sign * e.r);
        corners.quadTo(e.midX, cy, e.midX + e.r, cy);
        horizontal.add(cy, e.midX + e.r, e.entry.x());
    }
    QPainterPath path;
    horizontal.appendTo(path, true);
    vertical.appendTo(path, false);
    path.addPath(corners);
    return path;
}

qreal boxEmphasis(qint64 depth)
{
    switch (depth) {
    case 0:
        return 0.5;
    case 1:
        return 0.35;
    case 2:
        return 0.2;
    default:
        return 0.1;
    }
}

qreal bracketOpacity(qint64 parentDepth)
{
    return std::max(0.3 - 0.08 * static_cast<qreal>(parentDepth), 0.1);
}

qreal connectorOpacity(qint64 parentDepth)
{
    return std::max(0.4 - 0.1 * static_cast<qreal>(parentDepth), 0.1);
}

std::optional<IndicatorLine> dropIndicatorLine(
    const DropTarget& target, const SermonNodePtr& parent, const NodeLayoutMap& layouts)
{
    if (layouts.isEmpty() || !parent)
        return std::nullopt;
    const auto parentLayout = layouts.constFind(target.parentID);
    if (parentLayout == layouts.cend())
        return std::nullopt;
    const auto& children = parent->children();
    const qint64 count = static_cast<qint64>(children.size());
    if (count == 0) {
        const NodeLayout& t = parentLayout.value();
        return IndicatorLine { QPointF(t.origin.x() + t.size.width() + 40, t.origin.y() + t.size.height() * 0.5), 60 };
    }
    if (target.index >= count) {
        const auto last = layouts.constFind(children.back()->id());
        if (last == layouts.cend())
            return std::nullopt;
        const NodeLayout& l = last.value();
        return IndicatorLine { QPointF(l.origin.x(), l.origin.y() + l.size.height() + 2), l.size.width() };
    }
    const qint64 i = std::max<qint64>(target.index, 0);
    const auto at = layouts.constFind(children[static_cast<size_t>(i)]->id());
    if (at == layouts.cend())
        return std::nullopt;
    const NodeLayout& a = at.value();
    IndicatorLine above { QPointF(a.origin.x(), a.origin.y() - 2), a.size.width() };
    if (i >= 1) {
        const auto before = layouts.constFind(children[static_cast<size_t>(i - 1)]->id());
        if (before != layouts.cend()) {
            const NodeLayout& b = before.value();
            IndicatorLine below { QPointF(b.origin.x(), b.origin.y() + b.size.height() + 2), b.size.width() };
            if (std::abs(target.cursorY - below.start.y()) < std::abs(target.cursorY - above.start.y()))
                return below;
        }
    }
    return above;
}

} // namespace kestrion
