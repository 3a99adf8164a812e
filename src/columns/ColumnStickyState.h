#pragma once

#include "columns/ColumnLayout.h"

#include <QHash>
#include <QUuid>

namespace kestrion {

class ColumnFrameIndex;
class LiveColumnLayout;

// The pinned header of one column: the node whose subtree continues under the canvas's top
// edge while its own text has scrolled out keeps that text at the top of its column.
struct ColumnStickyState {
    QUuid nodeID;
    qint64 column = 0;
    qreal naturalOriginY = 0;
    qreal textHeight = 0;
    qreal subtreeBottomY = 0;
    // Where the text is drawn: max(scrollY, naturalOriginY).
    qreal pinnedTextY = 0;

    bool operator==(const ColumnStickyState&) const = default;
};

// At most one pinned header per column for content scrolled up by scrollY: a node whose
// subtree band strictly holds scrollY and is taller than its own text. Of rivals in one column
// (only interpolated frames have any) the one whose subtree starts highest wins.
QHash<qint64, ColumnStickyState> resolveStickyStates(const ColumnFrameMap& frames, qreal scrollY);
// The same from the frames' index, visiting only frames near scrollY.
QHash<qint64, ColumnStickyState> resolveStickyStates(const ColumnFrameIndex& index, qreal scrollY);
// The same from a kept layout, looking up one box per column.
QHash<qint64, ColumnStickyState> resolveStickyStates(const LiveColumnLayout& layout, qreal scrollY);

} // namespace kestrion
