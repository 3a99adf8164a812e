#pragma once

#include "document/SermonNode.h"

#include <vector>

namespace kestrion {

// The selection seen as one group of siblings: the common parent, the top-level selected
// nodes in document order, and the first and last child index the group occupies. The
// group need not be contiguous; unselected siblings between the two indexes stay outside.
struct SiblingSelectionContext {
    SermonNodePtr parent;
    std::vector<SermonNodePtr> nodes;
    qint64 firstIndex = 0;
    qint64 lastIndex = 0;
};

} // namespace kestrion
