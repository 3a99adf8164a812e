#pragma once

#include "document/MatchRange.h"

#include <QList>

namespace kestrion {

// How one matching node is highlighted while a search is open.
struct SearchHighlight {
    // Where the query occurs in the node's own text, in order and without overlap.
    QList<MatchRange> ranges;
    // The node is the match the search currently stands on.
    bool isCurrent = false;

    bool operator==(const SearchHighlight&) const = default;
};

} // namespace kestrion
