#pragma once

#include "mindmap/NodeLayout.h"

#include <QString>

namespace kestrion {

// A node that left the layout (deleted, cut, folded away, undone), faded out at its last place
// with its last text.
struct GhostNode {
    NodeLayout layout;
    QString text;
};

} // namespace kestrion
