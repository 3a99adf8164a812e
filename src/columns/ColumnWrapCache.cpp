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
        ColumnTextWrap wrap = isSameText(entry.text, text) ? entry.wrap.rewrapped(width, bold)
                                                           : entry.wrap.rewrapped(text, width, bold);
        if (wrap.lines != entry.wrap.lines)
            entry.drawn.clear();
        entry.wrap = std::move(wrap);
        entry.text = text;
    }
    return entry;
}

qsizetype ColumnWrapCache::lineCount(
    const QUuid& id, const QString& text, qreal width, bool bold, qreal& minWidth, qreal& maxWidth)
{
    const auto found = m_entries.constFind(id);
    if (found != m_entries.cend() && found->isWrapped && found->bold == bold && isSameText(found->text, text)) {
        // Lines already made stay until they are drawn at the width.
        if (const std::optional<qsizetype> count = found->wrap.lineCount(width, minWidth, maxWidth))
            return *count;
    }
    const ColumnTextWrap& wrapped = wrap(id, text, width, bold);
    minWidth = wrapped.minWidth;
    maxWidth = wrapped.maxWidth;
    return wrapped.lines.size();
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
