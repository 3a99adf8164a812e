#include "columns/ColumnHitTest.h"

namespace kestrion {

namespace {

std::optional<QUuid> nodeInColumn(const ColumnLayout& layout, qint64 column, qreal y)
{
    for (const ColumnNodeFrame& frame : layout.frames) {
        if (frame.column == column && frame.subtreeTop <= y && y < frame.subtreeBottom)
            return frame.nodeID;
    }
    return std::nullopt;
}

} // namespace

std::optional<QUuid> hitTestColumnNode(const QPointF& point, const ColumnLayout& layout,
    const std::vector<CollapseResolver::AdjustedColumn>& adjusted, const QPointF& pan)
{
    const qreal y = point.y() - pan.y();
    if (!adjusted.empty()) {
        for (const CollapseResolver::AdjustedColumn& column : adjusted) {
            if (column.xOrigin <= point.x() && point.x() < column.xOrigin + column.displayWidth)
                return nodeInColumn(layout, column.column, y);
        }
        return std::nullopt;
    }
    const qreal x = point.x() - pan.x();
    const auto& edges = layout.columnXEdges;
    for (size_t c = 0; c + 1 < edges.size(); ++c) {
        if (edges[c] <= x && x < edges[c + 1])
            return nodeInColumn(layout, static_cast<qint64>(c), y);
    }
    return std::nullopt;
}

} // namespace kestrion
