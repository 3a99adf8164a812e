#include "columns/ColumnStickyState.h"

#include "columns/ColumnFrameIndex.h"

#include <algorithm>

namespace kestrion {

QHash<qint64, ColumnStickyState> resolveStickyStates(const ColumnFrameMap& frames, qreal scrollY)
{
    return resolveStickyStates(ColumnFrameIndex(frames), scrollY);
}

QHash<qint64, ColumnStickyState> resolveStickyStates(const ColumnFrameIndex& index, qreal scrollY)
{
    QHash<qint64, ColumnStickyState> states;
    for (qint64 column = 0; column < index.columnCount(); ++column) {
        // The subtree top of the header held so far.
        std::optional<qreal> heldTop;
        index.forEachInRows(column, scrollY, scrollY, [&](const ColumnNodeFrame& frame) {
            const qreal top = frame.subtreeTop;
            const qreal bottom = frame.subtreeBottom;
            if (!(top < scrollY && scrollY < bottom && frame.origin.y() < scrollY
                    && frame.size.height() < bottom - top))
                return;
            if (heldTop && *heldTop < top)
                return;
            heldTop = top;
            states.insert(frame.column,
                { frame.nodeID, frame.column, frame.origin.y(), frame.size.height(), bottom,
                    std::max(scrollY, frame.origin.y()) });
        });
    }
    return states;
}

} // namespace kestrion
