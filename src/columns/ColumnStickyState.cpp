#include "columns/ColumnStickyState.h"

#include "columns/ColumnFrameIndex.h"
#include "columns/LiveColumnLayout.h"

#include <algorithm>

namespace kestrion {

namespace {

// Visits the frames of each column near scrollY through forEachInRows(column, top, bottom, visit).
template <typename Frames>
QHash<qint64, ColumnStickyState> resolveFrom(const Frames& frames, qint64 columnCount, qreal scrollY)
{
    QHash<qint64, ColumnStickyState> states;
    for (qint64 column = 0; column < columnCount; ++column) {
        // The subtree top of the header held so far.
        std::optional<qreal> heldTop;
        const auto consider = [&](const ColumnNodeFrame& frame) {
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
        };
        frames.forEachInRows(column, scrollY, scrollY, consider);
    }
    return states;
}

// A kept layout's visit also names the box.
struct LayoutFrames {
    const LiveColumnLayout& layout;
    template <typename Visit> void forEachInRows(qint64 column, qreal top, qreal bottom, Visit&& visit) const
    {
        layout.forEachInRows(
            column, top, bottom, [&](LiveColumnLayout::Slot, const ColumnNodeFrame& frame) { visit(frame); });
    }
};

} // namespace

QHash<qint64, ColumnStickyState> resolveStickyStates(const ColumnFrameMap& frames, qreal scrollY)
{
    return resolveStickyStates(ColumnFrameIndex(frames), scrollY);
}

QHash<qint64, ColumnStickyState> resolveStickyStates(const ColumnFrameIndex& index, qreal scrollY)
{
    return resolveFrom(index, index.columnCount(), scrollY);
}

QHash<qint64, ColumnStickyState> resolveStickyStates(const LiveColumnLayout& layout, qreal scrollY)
{
    return resolveFrom(LayoutFrames { layout }, layout.columnCount(), scrollY);
}

} // namespace kestrion
