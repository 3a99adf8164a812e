#include "columns/ColumnHitTest.h"

namespace kestrion {

std::optional<QUuid> hitTestColumnNode(const QPointF& point, const std::vector<qreal>& columnXEdges,
    const std::vector<CollapseResolver::AdjustedColumn>& adjusted, const QPointF& pan, const ColumnNodeAt& nodeAt)
{
    const qreal y = point.y() - pan.y();
    if (!adjusted.empty()) {
        for (const CollapseResolver::AdjustedColumn& column : adjusted) {
            if (column.xOrigin <= point.x() && point.x() < column.xOrigin + column.displayWidth)
                return nodeAt(column.column, y);
        }
        return std::nullopt;
    }
    const qreal x = point.x() - pan.x();
    for (size_t c = 0; c + 1 < columnXEdges.size(); ++c) {
        if (columnXEdges[c] <= x && x < columnXEdges[c + 1])
            return nodeAt(static_cast<qint64>(c), y);
    }
    return std::nullopt;
}

std::optional<QUuid> hitTestColumnNode(const QPointF& point, const ColumnLayout& layout,
    const std::vector<CollapseResolver::AdjustedColumn>& adjusted, const QPointF& pan)
{
    return hitTestColumnNode(point, layout.columnXEdges, adjusted, pan, [&layout](qint64 column, qreal y) {
        for (const ColumnNodeFrame& frame : layout.frames) {
            if (frame.column == column && frame.subtreeTop <= y && y < frame.subtreeBottom)
                return std::optional<QUuid>(frame.nodeID);
        }
        return std::optional<QUuid>();
    });
}

} // namespace kestrion
