#pragma once

#include "columns/ColumnLayout.h"

#include <QHash>

#include <vector>

namespace kestrion {

// The frames of a layout by column, ordered down the column, so that a drawing visits only
// the frames near the rows in view: a frame of a large sermon is then as cheap as one of a
// small one. Holds the frames it indexes; any frames will do, glides included, where boxes
// of one column may overlap.
class ColumnFrameIndex {
public:
    ColumnFrameIndex() = default;
    // The frames of columns below columnLimit (a negative limit takes all).
    explicit ColumnFrameIndex(const ColumnFrameMap& frames, qint64 columnLimit = -1);
    ColumnFrameIndex(const ColumnFrameIndex&) = delete;
    ColumnFrameIndex& operator=(const ColumnFrameIndex&) = delete;
    ColumnFrameIndex(ColumnFrameIndex&&) = default;
    ColumnFrameIndex& operator=(ColumnFrameIndex&&) = default;

    // One past the deepest column holding a frame.
    qint64 columnCount() const { return static_cast<qint64>(m_columns.size()); }

    // Every frame of column whose box or subtree band reaches into the rows from top to bottom
    // (edges included), top to bottom, and possibly a few more: callers still test each one.
    template <typename Visit> void forEachInRows(qint64 column, qreal top, qreal bottom, Visit&& visit) const
    {
        if (column < 0 || column >= columnCount())
            return;
        const Column& entries = m_columns[static_cast<size_t>(column)];
        for (size_t i = firstReaching(entries, top); i < entries.size() && entries[i].top <= bottom; ++i)
            visit(*entries[i].frame);
    }

private:
    struct Entry {
        const ColumnNodeFrame* frame;
        // The highest and lowest row the frame's box or band covers; reach is the lowest of
        // this entry and every one above it in the column.
        qreal top;
        qreal reach;
    };
    using Column = std::vector<Entry>;

    static size_t firstReaching(const Column& entries, qreal top);

    // Shared with the caller's map: the entries point into it.
    ColumnFrameMap m_frames;
    std::vector<Column> m_columns;
};

} // namespace kestrion
