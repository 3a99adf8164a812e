#pragma once

#include <QUuid>

namespace kestrion {

// One leaf's share of the sermon's reading length, as fractions of the whole from 0 to 1.
struct NodeWordFraction {
    QUuid nodeID;
    double startFraction = 0.0;
    double endFraction = 0.0;

    bool operator==(const NodeWordFraction&) const = default;
};

} // namespace kestrion
