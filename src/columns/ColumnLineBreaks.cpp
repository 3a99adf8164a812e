#include "columns/ColumnLineBreaks.h"

#include "columns/ColumnMetrics.h"
#include "platform/EmojiText.h"

#include <QFontMetricsF>
#include <QTextLayout>
#include <QTextOption>

#include <cmath>

namespace kestrion {

namespace {

// Measured piece by piece at a cost that grows with the paragraph's length times its pieces.
constexpr qsizetype longestMeasured = 4096;
// Wider than any paragraph measured.
constexpr qreal oneLineWidth = 1e7;

bool isForeseeable(const QString& paragraph)
{
    if (paragraph.size() > longestMeasured)
        return false;
    for (const QChar c : paragraph) {
        if (c == u'\t' || c == u'\u00ad')
            return false;
        switch (c.direction()) {
        case QChar::DirR:
        case QChar::DirAL:
        case QChar::DirRLE:
        case QChar::DirRLO:
        case QChar::DirRLI:
        case QChar::DirLRE:
        case QChar::DirLRO:
        case QChar::DirLRI:
        case QChar::DirFSI:
        case QChar::DirPDF:
        case QChar::DirPDI:
        case QChar::DirAN:
            return false;
        default:
            break;
        }
        const QChar::Category category = c.category();
        if (category == QChar::Other_Control || category == QChar::Other_Format)
            return false;
    }
    return true;
}

// Whether the glyph that ends a piece is surely the character's own glyph in the columns font,
// whose overhang the font's metrics give: a letter, digit or mark of punctuation of the Latin,
// Greek or Cyrillic letters, not joined to an f before it (fi, fl, ff), and as wide as the
// font makes it alone (a ligature shares its width among its characters).
bool hasOwnGlyph(const QString& paragraph, qint32 start, qint32 end, qreal textEndX, const QTextLine& line,
    const QFontMetricsF& metrics)
{
    const QChar c = paragraph[end - 1];
    const char16_t u = c.unicode();
    const bool isPlain = (u > 0x20 && u < 0x7f) || (u >= 0xa1 && u < 0x250 && u != 0xad) || (u >= 0x370 && u < 0x500);
    if (!isPlain || c.isMark() || (end - 1 > start && paragraph[end - 2] == u'f'))
        return false;
    const qreal advance = textEndX - line.cursorToX(end - 1);
    return std::abs(advance - metrics.horizontalAdvance(c)) < 1.0 / 128;
}

} // namespace

std::shared_ptr<const ColumnLineBreaks> ColumnLineBreaks::measure(const QString& paragraph, bool bold)
{
    if (!isForeseeable(paragraph))
        return nullptr;
    const QFont font = ColumnMetrics::font(bold);
    QTextLayout layout(paragraph, font);
    layout.setFormats(EmojiText::formats(paragraph));
    QTextOption option;
    // Every line of a layout this narrow holds one piece, never broken inside.
    option.setWrapMode(QTextOption::WordWrap);
    layout.setTextOption(option);
    layout.setCacheEnabled(true);
    auto breaks = std::make_shared<ColumnLineBreaks>();
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine())
        line.setLineWidth(1);
    layout.endLayout();
    breaks->m_pieces.reserve(static_cast<size_t>(layout.lineCount()));
    for (int i = 0; i < layout.lineCount(); ++i)
        breaks->m_pieces.push_back({ layout.lineAt(i).textStart(), 0, 0 });
    // The same shaped glyphs on one line give the advances.
    layout.beginLayout();
    QTextLine line = layout.createLine();
    line.setLineWidth(oneLineWidth);
    layout.endLayout();
    if (!line.isValid() || line.textLength() != paragraph.size() || layout.lineCount() != 1)
        return nullptr;
    const QFontMetricsF metrics(font);
    std::vector<Piece>& pieces = breaks->m_pieces;
    qreal x = line.cursorToX(0);
    for (size_t i = 0; i < pieces.size(); ++i) {
        const qint32 start = pieces[i].start;
        const qint32 end = i + 1 < pieces.size() ? pieces[i + 1].start : static_cast<qint32>(paragraph.size());
        qint32 textEnd = end;
        while (textEnd > start && paragraph[textEnd - 1].isSpace())
            --textEnd;
        // White space that opens a paragraph breaks alone in a narrow layout only.
        if (textEnd == start)
            return nullptr;
        const qreal overhang = std::max(-metrics.rightBearing(paragraph[textEnd - 1]), qreal(0));
        const qreal textEndX = line.cursorToX(textEnd);
        const qreal endX = end == textEnd ? textEndX : line.cursorToX(end);
        pieces[i].advance = static_cast<float>(endX - x);
        pieces[i].extent = static_cast<float>(textEndX - x + overhang);
        pieces[i].margin = static_cast<float>(
            hasOwnGlyph(paragraph, start, textEnd, textEndX, line, metrics) ? knownMargin : unknownMargin);
        x = endX;
    }
    return breaks;
}

qsizetype ColumnLineBreaks::breakLines(
    qreal layoutWidth, std::vector<qsizetype>* starts, qreal& minWidth, qreal& maxWidth) const
{
    if (starts)
        starts->clear();
    qsizetype count = 0;
    // The least width that every piece placed surely fits, the greatest that no piece left for the
    // next line surely fits.
    qreal fitting = 0;
    qreal overflowing = qInf();
    for (size_t i = 0; i < m_pieces.size();) {
        ++count;
        if (starts)
            starts->push_back(m_pieces[i].start);
        // The first piece of a line must fit it alone.
        qreal end = m_pieces[i].extent + m_pieces[i].margin;
        if (end > layoutWidth)
            return 0;
        fitting = std::max(fitting, end);
        qreal advance = m_pieces[i].advance;
        for (++i; i < m_pieces.size(); ++i) {
            end = advance + m_pieces[i].extent;
            const qreal margin = m_pieces[i].margin;
            if (std::abs(end - layoutWidth) < margin)
                return 0;
            if (end > layoutWidth) {
                overflowing = std::min(overflowing, end - margin);
                break;
            }
            fitting = std::max(fitting, end + margin);
            advance += m_pieces[i].advance;
        }
    }
    minWidth = fitting;
    maxWidth = overflowing;
    return count;
}

} // namespace kestrion
