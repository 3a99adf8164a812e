#pragma once

#include <QPointF>
#include <QSizeF>
#include <QUuid>

namespace kestrion {

// One node placed in columns mode, in layout coordinates (x to the right, y downward, both
// from 0 at the title's top left).
struct ColumnNodeFrame {
    QUuid nodeID;
    // Depth below the title, which is column 0.
    qint64 column = 0;
    // Top left of the node's text box.
    QPointF origin;
    // The column's width by the number of lines × 28.
    QSizeF size;
    // From the node's own top to the bottom of its whole visible subtree.
    qreal subtreeTop = 0;
    qreal subtreeBottom = 0;

    bool operator==(const ColumnNodeFrame&) const = default;
};

} // namespace kestrion
