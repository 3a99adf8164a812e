#include "columns/ColumnLayout.h"

#include "columns/ColumnMetrics.h"
#include "columns/ColumnWidthsConfig.h"
#include "columns/ColumnWrapCache.h"

#include <algorithm>

namespace kestrion {

namespace {

// A node on the way down, its children still being placed below top.
struct Placement {
    const SermonNode* node;
    qint64 column;
    qreal top;
    qreal childBottom;
    size_t nextChild;
};

} // namespace

ColumnLayout ColumnLayout::build(const SermonNodePtr& root, const ColumnWidthsConfig& widths, ColumnWrapCache& cache)
{
    ColumnLayout layout;
    if (!root)
        return layout;

    // Column x positions grow as deeper columns are reached.
    std::vector<qreal> edges { 0 };
    const auto edgeOf = [&](qint64 column) {
        while (static_cast<qint64>(edges.size()) <= column)
            edges.push_back(edges.back() + widths.widthOf(static_cast<qint64>(edges.size()) - 1));
        return edges[static_cast<size_t>(column)];
    };

    qint64 maxColumn = 0;
    qreal rootBottom = 0;
    layout.frames.reserve(cache.size());
    // Iterative, so that however deep the outline, the stack does not overflow.
    std::vector<Placement> stack { { root.get(), 0, 0, 0, 0 } };
    while (!stack.empty()) {
        Placement& current = stack.back();
        const SermonNode& node = *current.node;
        if (!node.isCollapsed() && current.nextChild < node.children().size()) {
            const SermonNode* child = node.children()[current.nextChild++].get();
            stack.push_back({ child, current.column + 1, current.childBottom, current.childBottom, 0 });
            continue;
        }
        const qreal width = widths.widthOf(current.column);
        const qsizetype lines = cache.lines(node.id(), node.text(), width, current.column == 0).size();
        const qreal height = static_cast<qreal>(lines) * ColumnMetrics::lineHeight;
        const qreal bottom = std::max(current.top + height, current.childBottom);
        const qreal x = edgeOf(current.column);
        layout.frames.insert(node.id(),
            ColumnNodeFrame {
                node.id(), current.column, QPointF(x, current.top), QSizeF(width, height), current.top, bottom });
        maxColumn = std::max(maxColumn, current.column);
        stack.pop_back();
        if (stack.empty())
            rootBottom = bottom;
        else
            stack.back().childBottom = bottom;
    }

    layout.columnCount = maxColumn + 1;
    edgeOf(layout.columnCount);
    layout.columnXEdges.assign(edges.begin(), edges.begin() + static_cast<std::ptrdiff_t>(layout.columnCount + 1));
    layout.totalSize = QSizeF(layout.columnXEdges.back(), rootBottom);
    return layout;
}

} // namespace kestrion
