#pragma once

#include <QPointF>
#include <QSizeF>
#include <QUuid>

namespace kestrion {

// One shown node's place on the mind map, in canvas points before zoom and pan: origin at the
// top left of the node's box, y growing downward.
struct NodeLayout {
    QUuid nodeID;
    QPointF origin;
    QSizeF size;
    qint64 depth = 0;
    // The node has no children at all; a folded node with children is not a leaf.
    bool isLeaf = false;
    // Only for a node laid out with its children shown, when none of them has children.
    bool hasOnlyLeafChildren = false;
    // The node's quote flag for a node laid out without shown children; false otherwise.
    bool isQuote = false;

    friend bool operator==(const NodeLayout&, const NodeLayout&) = default;
};

} // namespace kestrion

// Where the layouts of a pass are kept; those who read layouts read them there.
#include "mindmap/NodeLayoutMap.h"
