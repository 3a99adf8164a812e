#include "mindmap/NodeTextMeasurer.h"

#include "platform/EmojiText.h"
#include "platform/Typography.h"

#include <algorithm>
#include <cmath>

namespace kestrion {

namespace {

constexpr QChar lineFeed(u'\n');
constexpr QChar lineSeparator(u'\u2028');

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
    return FontSlot { font, metrics, lineHeight };
}

NodeTextMeasurer::NodeTextMeasurer()
    : m_slots { makeSlot(0), makeSlot(1), makeSlot(2) }
{
}

int NodeTextMeasurer::fontSlot(qint64 depth)
{
    if (depth <= 0)
        return 0;
    return depth == 1 ? 1 : 2;
}

const NodeTextMeasurer::FontSlot& NodeTextMeasurer::slot(qint64 depth) const
{
    return m_slots[static_cast<size_t>(fontSlot(depth))];
}

QString NodeTextMeasurer::fontsKey() const
{
    return m_slots[0].font.key() + u'|' + m_slots[1].font.key() + u'|' + m_slots[2].font.key();
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
    return std::ceil(EmojiText::horizontalAdvance(s.font, s.metrics, line.isEmpty() ? QStringLiteral(" ") : line));
}

NodeTextMeasurer::Extent NodeTextMeasurer::extent(const QString& text, qint64 depth) const
{
    Extent result;
    qsizetype start = 0;
    const qsizetype length = text.size();
    const QChar* data = text.constData();
    for (qsizetype i = 0; i <= length; ++i) {
        if (i < length && !isLineBreak(data[i]))
            continue;
        // The whole text as one line needs no copy.
        const qreal width
            = start == 0 && i == length ? lineWidth(text, depth) : lineWidth(text.mid(start, i - start), depth);
        result.widest = std::max(result.widest, width);
        ++result.lines;
        start = i + 1;
    }
    return result;
}

QSizeF NodeTextMeasurer::boxSize(const Extent& extent, qint64 depth, bool isLeaf) const
{
    const qreal height = lineHeight(depth) * static_cast<qreal>(std::max<qsizetype>(extent.lines, 1))
        + (isLeaf ? leafVerticalMargin : parentVerticalMargin);
    return { extent.widest + horizontalMargin, height };
}

QSizeF NodeTextMeasurer::measure(const QString& text, qint64 depth, bool isLeaf) const
{
    return boxSize(extent(text, depth), depth, isLeaf);
}

} // namespace kestrion
