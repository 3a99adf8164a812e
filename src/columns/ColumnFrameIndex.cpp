#include "columns/ColumnFrameIndex.h"

#include <algorithm>

namespace kestrion {

ColumnFrameIndex::ColumnFrameIndex(const ColumnFrameMap& frames, qint64 columnLimit)
{
    m_frames.reserve(static_cast<size_t>(frames.size()));
    for (const ColumnNodeFrame& frame : frames) {
        if (frame.column < 0 || (columnLimit >= 0 && frame.column >= columnLimit))
            continue;
        const qreal top = std::min(frame.subtreeTop, frame.origin.y());
        const qreal bottom = std::max(frame.subtreeBottom, frame.origin.y() + frame.size.height());
        m_index.add(frame.column, top, bottom, static_cast<qint32>(m_frames.size()));
        m_frames.push_back(frame);
    }
    m_index.finish();
}

} // namespace kestrion
