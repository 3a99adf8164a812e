#pragma once

#include <QUuid>

namespace kestrion {

// Where the nodes of a node drag would land: among the children of the node parentID, at
// index (counted with the dragged nodes still in place). cursorY is the pointer's height in
// canvas units, which picks the side of the indicator.
struct DropTarget {
    QUuid parentID;
    qint64 index = 0;
    qreal cursorY = 0;

    friend bool operator==(const DropTarget&, const DropTarget&) = default;
};

} // namespace kestrion
