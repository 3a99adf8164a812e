#include "columns/ColumnFrameIndex.h"

#include <QtNumeric>

#include <algorithm>

namespace kestrion {

ColumnFrameIndex::ColumnFrameIndex(const ColumnFrameMap& frames, qint64 columnLimit)
    : m_frames(frames)
{
    for (const ColumnNodeFrame& frame : std::as_const(m_frames)) {
        if (frame.column < 0 || (columnLimit >= 0 && frame.column >= columnLimit))
            continue;
        const auto column = static_cast<size_t>(frame.column);
        if (column >= m_columns.size())
            m_columns.resize(column + 1);
        const qreal top = std::min(frame.subtreeTop, frame.origin.y());
        const qreal bottom = std::max(frame.subtreeBottom, frame.origin.y() + frame.size.height());
        m_columns[column].push_back({ &frame, top, bottom });
    }
    for (Column& entries : m_columns) {
        std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.top < b.top; });
        qreal reach = -qInf();
        for (Entry& entry : entries) {
            reach = std::max(reach, entry.reach);
            entry.reach = reach;
        }
    }
}

size_t ColumnFrameIndex::firstReaching(const Column& entries, qreal top)
{
    // reach only grows down the column.
    const auto first
        = std::partition_point(entries.begin(), entries.end(), [top](const Entry& entry) { return entry.reach < top; });
    return static_cast<size_t>(first - entries.begin());
}

} // namespace kestrion
