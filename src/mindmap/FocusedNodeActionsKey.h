#pragma once

#include "mindmap/NodeActions.h"

namespace kestrion {

// The node commands of the focused canvas, read by the Edit menu.
struct FocusedNodeActionsKey {
    using Value = NodeActions;
};

} // namespace kestrion
