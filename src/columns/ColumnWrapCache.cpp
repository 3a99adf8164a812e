#include "columns/ColumnWrapCache.h"

#include "platform/EmojiText.h"
#include "platform/ParallelPieces.h"

#include <algorithm>
#include <utility>

namespace kestrion {

namespace {

// Below this many texts they are wrapped on this thread alone; above, in pieces of this many on
// the worker threads too.
constexpr qsizetype parallelWrappingThreshold = 64;
constexpr qsizetype wrappingPiece = 32;

} // namespace

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

void ColumnWrapCache::wrapAll(const std::vector<Request>& requests)
{
    std::vector<const Request*> fresh;
    for (const Request& request : requests) {
        const auto found = m_entries.constFind(request.id);
        if (found == m_entries.cend() || !found->isWrapped || found->bold != request.bold)
            fresh.push_back(&request);
    }
    std::vector<ColumnTextWrap> wraps(fresh.size());
    const auto wrapRange = [&](qsizetype begin, qsizetype end) {
        for (auto i = static_cast<size_t>(begin); i < static_cast<size_t>(end); ++i)
            wraps[i] = ColumnTextWrap::wrap(fresh[i]->text, fresh[i]->width, fresh[i]->bold);
    };
    const auto count = static_cast<qsizetype>(fresh.size());
    if (count < parallelWrappingThreshold) {
        wrapRange(0, count);
    } else {
        // The text system lays out on any thread; this one waits, so nothing else changes.
        EmojiText::emojiFamily();
        runInPieces(count, wrappingPiece, [&] { return wrapRange; });
    }
    for (size_t i = 0; i < fresh.size(); ++i) {
        Entry& entry = m_entries[fresh[i]->id];
        entry.wrap = std::move(wraps[i]);
        entry.text = fresh[i]->text;
        entry.bold = fresh[i]->bold;
        entry.isWrapped = true;
        entry.drawn.clear();
    }
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
