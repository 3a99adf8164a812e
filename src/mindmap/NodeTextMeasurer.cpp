#include "mindmap/NodeTextMeasurer.h"

#include "platform/Typography.h"

#include <QHash>
#include <QMutex>
#include <QMutexLocker>

#include <cmath>

namespace kestrion {

namespace {

constexpr QChar lineFeed(u'\n');
constexpr QChar lineSeparator(u'\u2028');
// Past this many remembered widths the cache starts afresh; it bounds memory when many
// different documents are opened in one session.
constexpr qsizetype maxCachedWidths = 200000;

struct WidthCache {
    QMutex mutex;
    QHash<QString, QHash<QString, qreal>> widthsByFont;
    qsizetype count = 0;
};

WidthCache& widthCache()
{
    static WidthCache cache;
    return cache;
}

bool isLineBreak(QChar c)
{
    return c == lineFeed || c == lineSeparator;
}

} // namespace

NodeTextMeasurer::FontSlot NodeTextMeasurer::makeSlot(qint64 depth)
{
    QFont font = Typography::nodeFont(depth);
    QFontMetricsF metrics(font);
    const qreal lineHeight = std::ceil(metrics.ascent() + std::abs(metrics.descent()) + metrics.leading());
    return FontSlot { font, metrics, lineHeight, font.key() };
}

NodeTextMeasurer::NodeTextMeasurer()
    : m_slots { makeSlot(0), makeSlot(1), makeSlot(2) }
{
}

const NodeTextMeasurer::FontSlot& NodeTextMeasurer::slot(qint64 depth) const
{
    if (depth <= 0)
        return m_slots[0];
    return depth == 1 ? m_slots[1] : m_slots[2];
}

const QFont& NodeTextMeasurer::font(qint64 depth) const
{
    return slot(depth).font;
}

qreal NodeTextMeasurer::lineHeight(qint64 depth) const
{
    return slot(depth).lineHeight;
}

qreal NodeTextMeasurer::lineWidth(const QString& line, qint64 depth) const
{
    const FontSlot& s = slot(depth);
    const QString& measured = line.isEmpty() ? QStringLiteral(" ") : line;
    WidthCache& cache = widthCache();
    {
        QMutexLocker lock(&cache.mutex);
        auto font = cache.widthsByFont.constFind(s.key);
        if (font != cache.widthsByFont.cend()) {
            auto width = font->constFind(measured);
            if (width != font->cend())
                return *width;
        }
    }
    // Shaping happens outside the lock so that threads measuring at once do not wait on it.
    const qreal width = std::ceil(s.metrics.horizontalAdvance(measured));
    QMutexLocker lock(&cache.mutex);
    if (cache.count >= maxCachedWidths) {
        cache.widthsByFont.clear();
        cache.count = 0;
    }
    auto& widths = cache.widthsByFont[s.key];
    const qsizetype before = widths.size();
    widths.insert(measured, width);
    cache.count += widths.size() - before;
    return width;
}

QSizeF NodeTextMeasurer::measure(const QString& text, qint64 depth, bool isLeaf) const
{
    qreal widest = 0;
    qsizetype lines = 0;
    qsizetype start = 0;
    const qsizetype length = text.size();
    const QChar* data = text.constData();
    for (qsizetype i = 0; i <= length; ++i) {
        if (i < length && !isLineBreak(data[i]))
            continue;
        // The whole text as one line needs no copy.
        const qreal width
            = start == 0 && i == length ? lineWidth(text, depth) : lineWidth(text.mid(start, i - start), depth);
        widest = std::max(widest, width);
        ++lines;
        start = i + 1;
    }
    const qreal height = lineHeight(depth) * static_cast<qreal>(std::max<qsizetype>(lines, 1))
        + (isLeaf ? leafVerticalMargin : parentVerticalMargin);
    return { widest + horizontalMargin, height };
}

void NodeTextMeasurer::clearSharedCache()
{
    WidthCache& cache = widthCache();
    QMutexLocker lock(&cache.mutex);
    cache.widthsByFont.clear();
    cache.count = 0;
}

} // namespace kestrion
