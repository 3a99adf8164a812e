#include "mindmap/ShownTextLine.h"

#include "platform/EmojiText.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QTextOption>

#include <algorithm>

namespace kestrion {

ShownTextLine::ShownTextLine(const QString& line, const QFont& font)
{
    const QList<QTextLayout::FormatRange> emoji = EmojiText::formats(line);
    const QFont emojiFont = emoji.isEmpty() ? font : EmojiText::emojiFont(font);
    const QFontMetricsF metrics(font);
    qreal x = 0;
    const auto add = [&](qsizetype start, qsizetype end, bool isEmoji) {
        if (end <= start)
            return;
        const QString text = line.mid(start, end - start);
        const QFont& pieceFont = isEmoji ? emojiFont : font;
        auto layout = std::make_unique<QTextLayout>(text, pieceFont);
        QTextOption option;
        option.setTextDirection(Qt::LayoutDirectionAuto);
        option.setAlignment(Qt::AlignLeft | Qt::AlignAbsolute);
        option.setWrapMode(QTextOption::NoWrap);
        layout->setTextOption(option);
        layout->beginLayout();
        layout->createLine();
        layout->endLayout();
        m_pieces.push_back({ start, end, x, std::move(layout) });
        // As the line is drawn: a marker's advance measured once for its size.
        x += EmojiText::horizontalAdvance(font, metrics, text);
    };
    qsizetype at = 0;
    for (const QTextLayout::FormatRange& range : emoji) {
        add(at, range.start, false);
        add(range.start, range.start + range.length, true);
        at = range.start + range.length;
    }
    add(at, line.size(), false);
}

std::vector<std::pair<qreal, qreal>> ShownTextLine::spans(qsizetype from, qsizetype to) const
{
    std::vector<std::pair<qreal, qreal>> spans;
    for (const Piece& piece : m_pieces) {
        const qsizetype start = std::max(from, piece.start);
        const qsizetype end = std::min(to, piece.end);
        if (end <= start || piece.layout->lineCount() == 0)
            continue;
        // A glyph run's bounds span the advances of the characters asked for, where they are shown.
        const QTextLine line = piece.layout->lineAt(0);
        for (const QGlyphRun& run :
            line.glyphRuns(static_cast<int>(start - piece.start), static_cast<int>(end - start))) {
            const QRectF bounds = run.boundingRect();
            spans.emplace_back(piece.x + bounds.left(), piece.x + bounds.right());
        }
    }
    std::sort(spans.begin(), spans.end());
    // Runs of one font or script that touch are one stretch of the line.
    std::vector<std::pair<qreal, qreal>> merged;
    for (const auto& span : spans) {
        if (!merged.empty() && span.first <= merged.back().second + 1.0 / 64)
            merged.back().second = std::max(merged.back().second, span.second);
        else
            merged.push_back(span);
    }
    return merged;
}

} // namespace kestrion
