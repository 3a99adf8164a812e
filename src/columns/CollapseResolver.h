#pragma once

#include "columns/ColumnCollapseState.h"

#include <QHash>

#include <vector>

namespace kestrion {

// Turns the horizontal pan into shrinking: the columns panned past the left edge shrink to
// their visible part (at least a 44-point strip) and the columns right of them follow on
// directly. scrollX is how far the content has been panned left (the negated pan offset).
class CollapseResolver {
public:
    // The on-screen geometry of one column; xOrigin from the canvas's left edge.
    struct AdjustedColumn {
        qint64 column = 0;
        qreal xOrigin = 0;
        qreal displayWidth = 0;
        bool isRotated = false;

        bool operator==(const AdjustedColumn&) const = default;
    };

    // The states of the columns whose left edge lies left of scrollX; none for a scrollX that
    // is not positive.
    static QHash<qint64, ColumnCollapseState> resolveCollapseStates(
        qint64 columnCount, const std::vector<qreal>& columnXEdges, qreal scrollX);
    // One entry per column, in column order.
    static std::vector<AdjustedColumn> resolveAdjustedColumns(
        qint64 columnCount, const std::vector<qreal>& columnXEdges, qreal scrollX);

    CollapseResolver() = delete;
};

} // namespace kestrion
