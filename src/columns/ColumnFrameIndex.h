#pragma once

#include "columns/ColumnLayout.h"
#include "columns/ColumnRowIndex.h"

#include <vector>

namespace kestrion {

// The frames of a layout by column, ordered down the column, so that a drawing visits only
// the frames near the rows in view. Holds the frames it indexes; any frames will do, glides
// included, where boxes of one column may overlap.
class ColumnFrameIndex {
public:
    ColumnFrameIndex() = default;
    // The frames of columns below columnLimit (a negative limit takes all).
    explicit ColumnFrameIndex(const ColumnFrameMap& frames, qint64 columnLimit = -1);

    // One past the deepest column holding a frame.
    qint64 columnCount() const { return m_index.columnCount(); }

    // Every frame of column whose box or subtree band reaches into the rows from top to bottom
    // (edges included), top to bottom, and possibly a few more: callers still test each one.
    template <typename Visit> void forEachInRows(qint64 column, qreal top, qreal bottom, Visit&& visit) const
    {
        m_index.forEachInRows(column, top, bottom, [&](qint32 item) { visit(m_frames[static_cast<size_t>(item)]); });
    }

private:
    std::vector<ColumnNodeFrame> m_frames;
    ColumnRowIndex m_index;
};

} // namespace kestrion
