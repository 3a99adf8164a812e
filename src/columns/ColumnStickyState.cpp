#include "columns/ColumnStickyState.h"

#include <algorithm>

namespace kestrion {

QHash<qint64, ColumnStickyState> resolveStickyStates(const ColumnFrameMap& frames, qreal scrollY)
{
    QHash<qint64, ColumnStickyState> states;
    for (const ColumnNodeFrame& frame : frames) {
        const qreal top = frame.subtreeTop;
        const qreal bottom = frame.subtreeBottom;
        if (!(top < scrollY && scrollY < bottom && frame.origin.y() < scrollY && frame.size.height() < bottom - top))
            continue;
        const auto held = states.constFind(frame.column);
        if (held != states.cend() && frames.value(held->nodeID).subtreeTop < top)
            continue;
        states.insert(frame.column,
            { frame.nodeID, frame.column, frame.origin.y(), frame.size.height(), bottom,
                std::max(scrollY, frame.origin.y()) });
    }
    return states;
}

} // namespace kestrion
