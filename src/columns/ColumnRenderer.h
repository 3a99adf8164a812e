#pragma once

#include "columns/ColumnScene.h"

#include <QRectF>
#include <QSet>

class QPainter;

namespace kestrion {

// Paints the columns canvas, in this order: ruled lines, the selection band, the node texts
// (ordinary nodes, pinned headers, partly collapsed columns, rotated strips), then the column
// separators. Plain text only: no search marks, quote styling or fold marks. Work is kept in
// proportion to what is visible. Writes nothing but pixels.
class ColumnRenderer {
public:
    struct Stats {
        // Node texts drawn in the four passes.
        int texts = 0;
        int ruledLines = 0;
    };

    static constexpr qreal ruledLineOpacity = 0.06;
    static constexpr qreal bandOpacity = 0.2;
    static constexpr qreal separatorOpacity = 0.25;
    static constexpr qreal fadeDepth = 14;
    static constexpr qreal dotSize = 5;

    static Stats drawColumnCanvas(QPainter& painter, const ColumnScene& scene);

    // The columns shown as rotated strips.
    static QSet<qint64> rotatedColumnSet(const std::vector<CollapseResolver::AdjustedColumn>& adjusted);

    ColumnRenderer() = delete;
};

} // namespace kestrion
