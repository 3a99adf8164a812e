#pragma once

#include <QtGlobal>

namespace kestrion {

// A half-open run of user-perceived characters (grapheme clusters) of a node's text,
// counted from 0: [lower, upper).
struct MatchRange {
    qsizetype lower = 0;
    qsizetype upper = 0;

    bool operator==(const MatchRange&) const = default;
};

} // namespace kestrion
