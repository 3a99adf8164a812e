#include "columns/ColumnWrapCache.h"

namespace kestrion {

ColumnWrapCache::Entry& ColumnWrapCache::entry(const QUuid& id, const QString& text, qreal width, bool bold)
{
    Entry& entry = m_entries[id];
    if (entry.lines.isEmpty() || entry.width != width || entry.bold != bold || entry.text != text) {
        entry.text = text;
        entry.width = width;
        entry.bold = bold;
        entry.lines = wrapColumnText(text, width, bold);
        entry.drawn.clear();
    }
    return entry;
}

const QList<WrappedLine>& ColumnWrapCache::lines(const QUuid& id, const QString& text, qreal width, bool bold)
{
    return entry(id, text, width, bold).lines;
}

const QList<QStaticText>& ColumnWrapCache::drawnLines(const QUuid& id, const QString& text, qreal width, bool bold)
{
    Entry& found = entry(id, text, width, bold);
    if (found.drawn.isEmpty()) {
        found.drawn.reserve(found.lines.size());
        for (const WrappedLine& line : found.lines) {
            QStaticText drawn(line.string);
            drawn.setTextFormat(Qt::PlainText);
            drawn.setPerformanceHint(QStaticText::AggressiveCaching);
            found.drawn.append(drawn);
        }
    }
    return found.drawn;
}

void ColumnWrapCache::retainOnly(const SermonNodeMap& nodes)
{
    for (auto it = m_entries.begin(); it != m_entries.end();) {
        if (nodes.contains(it.key()))
            ++it;
        else
            it = m_entries.erase(it);
    }
}

} // namespace kestrion
