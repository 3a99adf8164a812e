#include "columns/ColumnRowIndex.h"

#include <QtNumeric>

namespace kestrion {

void ColumnRowIndex::finish()
{
    const auto byTop = [](const Entry& a, const Entry& b) { return a.top < b.top; };
    for (Column& entries : m_columns) {
        // Added in outline order, the entries are mostly in order already.
        if (!std::is_sorted(entries.begin(), entries.end(), byTop))
            std::sort(entries.begin(), entries.end(), byTop);
        qreal reach = -qInf();
        for (Entry& entry : entries) {
            reach = std::max(reach, entry.reach);
            entry.reach = reach;
        }
    }
}

} // namespace kestrion
