#include "columns/CollapseResolver.h"

#include "columns/ColumnMetrics.h"

#include <algorithm>

namespace kestrion {

namespace {

// The edges actually there: a count beyond the edges given is cut back to them.
qint64 usableCount(qint64 columnCount, const std::vector<qreal>& edges)
{
    const qint64 available = edges.empty() ? 0 : static_cast<qint64>(edges.size()) - 1;
    return std::clamp<qint64>(columnCount, 0, available);
}

} // namespace

QHash<qint64, ColumnCollapseState> CollapseResolver::resolveCollapseStates(
    qint64 columnCount, const std::vector<qreal>& columnXEdges, qreal scrollX)
{
    QHash<qint64, ColumnCollapseState> states;
    const qint64 count = usableCount(columnCount, columnXEdges);
    if (!(scrollX > 0) || count == 0)
        return states;
    for (qint64 i = 0; i < count; ++i) {
        const qreal left = columnXEdges[static_cast<size_t>(i)];
        const qreal right = columnXEdges[static_cast<size_t>(i + 1)];
        if (left >= scrollX)
            break;
        const qreal full = right - left;
        const qreal visible = std::max(std::min(right - scrollX, full), ColumnMetrics::collapsedStripWidth);
        states.insert(i, { i, full, visible, visible <= ColumnMetrics::collapsedStripWidth });
    }
    return states;
}

std::vector<CollapseResolver::AdjustedColumn> CollapseResolver::resolveAdjustedColumns(
    qint64 columnCount, const std::vector<qreal>& columnXEdges, qreal scrollX)
{
    std::vector<AdjustedColumn> columns;
    const qint64 count = usableCount(columnCount, columnXEdges);
    const QHash<qint64, ColumnCollapseState> states = resolveCollapseStates(count, columnXEdges, scrollX);
    columns.reserve(static_cast<size_t>(count));
    qreal x = 0;
    for (qint64 i = 0; i < count; ++i) {
        qreal width = columnXEdges[static_cast<size_t>(i + 1)] - columnXEdges[static_cast<size_t>(i)];
        bool rotated = false;
        if (const auto state = states.constFind(i); state != states.cend()) {
            rotated = state->isRotated;
            width = rotated ? ColumnMetrics::collapsedStripWidth : state->visibleWidth;
        }
        columns.push_back({ i, x, width, rotated });
        x += width;
    }
    return columns;
}

} // namespace kestrion
