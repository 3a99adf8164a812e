#include "columns/ColumnWrapCache.h"

namespace kestrion {

ColumnWrapCache::Entry& ColumnWrapCache::entry(const QUuid& id, const QString& text, qreal width, bool bold)
{
    Entry& entry = m_entries[id];
    if (!entry.isWrapped || entry.bold != bold) {
        entry.wrap = ColumnTextWrap::wrap(text, width, bold);
        entry.text = text;
        entry.bold = bold;
        entry.isWrapped = true;
        entry.drawn.clear();
    } else if (!isSameText(entry.text, text) || width < entry.wrap.minWidth || width > entry.wrap.maxWidth) {
        ColumnTextWrap wrap = entry.wrap.rewrapped(text, width, bold);
        if (wrap.lines != entry.wrap.lines)
            entry.drawn.clear();
        entry.wrap = std::move(wrap);
        entry.text = text;
    }
    return entry;
}

const QList<WrappedLine>& ColumnWrapCache::lines(const QUuid& id, const QString& text, qreal width, bool bold)
{
    return entry(id, text, width, bold).wrap.lines;
}

const QList<QStaticText>& ColumnWrapCache::drawnLines(const QUuid& id, const QString& text, qreal width, bool bold)
{
    Entry& found = entry(id, text, width, bold);
    if (found.drawn.isEmpty()) {
        found.drawn.reserve(found.wrap.lines.size());
        for (const WrappedLine& line : found.wrap.lines) {
            QStaticText drawn(line.string);
            drawn.setTextFormat(Qt::PlainText);
            drawn.setPerformanceHint(QStaticText::AggressiveCaching);
            found.drawn.append(drawn);
        }
    }
    return found.drawn;
}

} // namespace kestrion
