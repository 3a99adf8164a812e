#pragma once

#include <QtGlobal>

#include <algorithm>
#include <vector>

namespace kestrion {

// Items placed in columns, each reaching over a range of rows, found by the rows they reach:
// a drawing then visits only what lies near the rows in view, however long the columns. The
// ranges may overlap and may be added in any order.
class ColumnRowIndex {
public:
    void add(qint64 column, qreal top, qreal bottom, qint32 item)
    {
        if (column < 0)
            return;
        const auto index = static_cast<size_t>(column);
        if (index >= m_columns.size())
            m_columns.resize(index + 1);
        m_columns[index].push_back({ top, bottom, item });
    }
    // Makes what was added findable.
    void finish();
    void clear() { m_columns.clear(); }

    // One past the deepest column holding an item.
    qint64 columnCount() const { return static_cast<qint64>(m_columns.size()); }

    // Every item of the column whose range reaches into the rows from top to bottom (edges
    // included), by the tops of their ranges, and possibly a few more: callers still test each.
    template <typename Visit> void forEachInRows(qint64 column, qreal top, qreal bottom, Visit&& visit) const
    {
        if (column < 0 || column >= columnCount())
            return;
        const Column& entries = m_columns[static_cast<size_t>(column)];
        // reach only grows down the column.
        auto it = std::partition_point(
            entries.begin(), entries.end(), [top](const Entry& entry) { return entry.reach < top; });
        for (; it != entries.end() && it->top <= bottom; ++it)
            visit(it->item);
    }

private:
    struct Entry {
        qreal top;
        // The lowest row of this entry, then (once finished) of this and every one above it.
        qreal reach;
        qint32 item;
    };
    using Column = std::vector<Entry>;

    std::vector<Column> m_columns;
};

} // namespace kestrion
