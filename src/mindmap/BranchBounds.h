#pragma once

#include <QRectF>
#include <QtGlobal>

namespace kestrion {

// A laid-out node's shown branch: the smallest rectangle holding the node's box and the boxes
// of its shown descendants (their connectors lie between them), and how many of them are
// parents laid out with their children shown. The drawing skips a branch wholly out of view
// with it.
struct BranchBounds {
    QRectF bounds;
    qint32 parents = 0;

    friend bool operator==(const BranchBounds&, const BranchBounds&) = default;
};

} // namespace kestrion
