#include "columns/WrappedLine.h"

#include "columns/ColumnLineBreaks.h"
#include "columns/ColumnMetrics.h"
#include "platform/EmojiText.h"
#include "platform/MarkerCircles.h"
#include "platform/TextWrapMode.h"

#include <QFontMetricsF>
#include <QTextBoundaryFinder>
#include <QTextLayout>
#include <QTextOption>

#include <algorithm>
#include <array>
#include <cmath>

namespace kestrion {

namespace {

bool isColumnLineBreak(char16_t u)
{
    return u == u'\n' || u == u'\r' || u == u'\u2028' || u == u'\u2029' || u == u'\u0085' || u == u'\v' || u == u'\f';
}

bool hasWhiteSpace(QStringView paragraph)
{
    return std::any_of(paragraph.begin(), paragraph.end(), [](QChar c) { return c.isSpace(); });
}

// Whether a run without white space may break somewhere inside, as Chinese and Japanese do
// between their characters. Letters and digits of the alphabets never break among themselves:
// a word of them is one line however long.
bool hasLineBreakInside(QStringView run)
{
    const bool isAlphabetic = std::all_of(run.begin(), run.end(), [](QChar c) {
        const char16_t u = c.unicode();
        return (u < 0x2b0 || (u >= 0x370 && u < 0x530)) && c.isLetterOrNumber()
            && c.category() != QChar::Letter_Modifier;
    });
    if (isAlphabetic)
        return false;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Line, run.data(), run.size());
    const qsizetype first = finder.toNextBoundary();
    return first > 0 && first < run.size();
}

// The advance of each character that a line lays out on its own, without shaping across its
// neighbours: Latin, Greek, Cyrillic and common punctuation. Numbers only: nothing of a font
// outlives the application.
class PlainAdvances {
public:
    static constexpr char16_t end = 0x2060;

    // The characters' total advance; none when one of them needs shaping with its neighbours.
    std::optional<qreal> sum(QStringView text, bool bold)
    {
        std::array<qreal, end>& table = m_tables[bold ? 1 : 0];
        qreal total = 0;
        for (const QChar c : text) {
            const char16_t u = c.unicode();
            if (u >= end)
                return std::nullopt;
            qreal advance = table[u];
            if (std::isnan(advance))
                advance = table[u] = measure(c, bold);
            if (advance < 0)
                return std::nullopt;
            total += advance;
        }
        return total;
    }

    PlainAdvances()
    {
        for (auto& table : m_tables)
            table.fill(qQNaN());
    }

private:
    static bool isPlain(QChar c)
    {
        const char16_t u = c.unicode();
        const bool inPlainBlock = (u >= 0x20 && u < 0x7f) || (u >= 0xa0 && u < 0x250 && u != 0xad)
            || (u >= 0x370 && u < 0x500) || (u >= 0x2010 && u < 0x2028) || (u >= 0x2030 && u < 0x205f);
        if (!inPlainBlock)
            return false;
        switch (c.category()) {
        case QChar::Mark_NonSpacing:
        case QChar::Mark_SpacingCombining:
        case QChar::Mark_Enclosing:
        case QChar::Separator_Line:
        case QChar::Separator_Paragraph:
        case QChar::Other_Control:
        case QChar::Other_Format:
        case QChar::Other_Surrogate:
        case QChar::Other_PrivateUse:
        case QChar::Other_NotAssigned:
            return false;
        default:
            return true;
        }
    }

    static qreal measure(QChar c, bool bold)
    {
        if (!isPlain(c))
            return -1;
        return QFontMetricsF(ColumnMetrics::font(bold)).horizontalAdvance(c);
    }

    std::array<std::array<qreal, end>, 2> m_tables;
};

// One table per thread: texts are wrapped on worker threads too.
PlainAdvances& plainAdvances()
{
    thread_local PlainAdvances advances;
    return advances;
}

// Plain characters and markers: a marker's advance in the emoji font is known once for each
// size, where laying out a line that holds one costs that font's picture every time.
std::optional<qreal> plainAndMarkerAdvances(QStringView paragraph, bool bold)
{
    const QFont font = ColumnMetrics::font(bold);
    const QFontMetricsF metrics(font);
    qreal total = 0;
    qsizetype plainStart = 0;
    for (qsizetype i = 0; i < paragraph.size();) {
        const qsizetype marker = MarkerCircles::markerLength(paragraph, i);
        if (marker == 0) {
            ++i;
            continue;
        }
        const std::optional<qreal> plain = plainAdvances().sum(paragraph.mid(plainStart, i - plainStart), bold);
        if (!plain)
            return std::nullopt;
        total += *plain + EmojiText::horizontalAdvance(font, metrics, paragraph.mid(i, marker).toString());
        i += marker;
        plainStart = i;
    }
    const std::optional<qreal> rest = plainAdvances().sum(paragraph.mid(plainStart), bold);
    if (!rest)
        return std::nullopt;
    return total + *rest;
}

// The least layout width at which a paragraph of plain characters surely fits on one line: the
// sum of its characters' advances, with room for kerning and for the last glyph's overhang.
std::optional<qreal> surelyFittingWidth(QStringView paragraph, bool bold)
{
    std::optional<qreal> sum = plainAdvances().sum(paragraph, bold);
    if (!sum && EmojiText::needsEmojiFont(paragraph))
        sum = plainAndMarkerAdvances(paragraph, bold);
    if (!sum)
        return std::nullopt;
    return *sum * 1.1 + ColumnMetrics::fontSize;
}

using Paragraph = ColumnTextWrap::Paragraph;

// Appends one paragraph's lines and gives the column widths over which they stay the same.
// Breaking at the first line that does not fit, a paragraph wraps the same at any width
// between two widths at which it wrapped alike, and one that fits on a line fits at any
// greater width. Unless it is being typed into, a paragraph of several lines is measured once
// and then wrapped from its measures at any width (a column's width being dragged). A run
// without spaces may break between almost any two characters: it is measured only once it is
// wrapped again at another width, so that the first wrap costs one layout.
void wrapParagraph(
    const QString& paragraphs, Paragraph& part, qreal width, bool bold, QList<WrappedLine>& lines, bool mayMeasure)
{
    const QStringView view = QStringView(paragraphs).mid(part.start, part.length);
    const auto nextY = [&lines] { return static_cast<qreal>(lines.size()) * ColumnMetrics::lineHeight; };
    const bool wasWrapped = part.lineCount > 0;
    part.firstLine = lines.size();
    const qreal layoutWidth = std::max(width - ColumnMetrics::textAllowance, qreal(1));
    const bool isRun = !hasWhiteSpace(view);
    // A run that cannot break stays whole: no layout needed.
    if (isRun && !hasLineBreakInside(view)) {
        lines.append({ view.toString(), nextY() });
        part.lineCount = 1;
        part.minWidth = 0;
        part.maxWidth = qInf();
        return;
    }
    if (const std::optional<qreal> fitting = surelyFittingWidth(view, bold); fitting && *fitting <= layoutWidth) {
        lines.append({ view.toString(), nextY() });
        part.lineCount = 1;
        part.minWidth = *fitting + ColumnMetrics::textAllowance;
        part.maxWidth = qInf();
        return;
    }
    if (mayMeasure && (!isRun || wasWrapped) && width - ColumnMetrics::textAllowance >= 1) {
        if (!part.isMeasured) {
            part.breaks = ColumnLineBreaks::measure(view.toString(), bold);
            part.isMeasured = true;
        }
        std::vector<qsizetype> starts;
        qreal minWidth = 0;
        qreal maxWidth = 0;
        if (part.breaks && part.breaks->breakLines(layoutWidth, &starts, minWidth, maxWidth) > 0) {
            for (size_t i = 0; i < starts.size(); ++i) {
                const qsizetype end = i + 1 < starts.size() ? starts[i + 1] : view.size();
                lines.append({ view.mid(starts[i], end - starts[i]).toString(), nextY() });
            }
            part.lineCount = static_cast<qsizetype>(starts.size());
            part.minWidth = minWidth + ColumnMetrics::textAllowance;
            part.maxWidth = maxWidth + ColumnMetrics::textAllowance;
            return;
        }
    }
    const QString paragraph = view.toString();
    QTextLayout layout(paragraph, ColumnMetrics::font(bold));
    layout.setFormats(EmojiText::formats(paragraph));
    QTextOption option;
    option.setWrapMode(wrapModeFor(paragraph));
    layout.setTextOption(option);
    layout.setCacheEnabled(false);
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine())
        line.setLineWidth(layoutWidth);
    layout.endLayout();
    for (int i = 0; i < layout.lineCount(); ++i) {
        const QTextLine line = layout.lineAt(i);
        lines.append({ paragraph.mid(line.textStart(), line.textLength()), nextY() });
    }
    part.lineCount = lines.size() - part.firstLine;
    part.minWidth = width;
    part.maxWidth = part.lineCount == 1 ? qInf() : width;
}

// The paragraphs of text[from, to), each ending at a line feed or at to.
void splitParagraphs(const QString& text, qsizetype from, qsizetype to, std::vector<Paragraph>& parts)
{
    for (qsizetype start = from;;) {
        qsizetype end = text.indexOf(u'\n', start);
        if (end < 0 || end > to)
            end = to;
        Paragraph part;
        part.start = start;
        part.length = end - start;
        parts.push_back(std::move(part));
        if (end >= to)
            return;
        start = end + 1;
    }
}

// The range over which every paragraph's lines hold.
void settleRange(ColumnTextWrap& wrap)
{
    wrap.minWidth = 0;
    wrap.maxWidth = qInf();
    for (const Paragraph& part : wrap.parts) {
        wrap.minWidth = std::max(wrap.minWidth, part.minWidth);
        wrap.maxWidth = std::min(wrap.maxWidth, part.maxWidth);
    }
}

// Wraps the paragraphs of result at width, taking the lines of those kept from before where
// they hold there.
void wrapParts(
    const ColumnTextWrap& before, ColumnTextWrap& result, const std::vector<bool>& isKept, qreal width, bool bold)
{
    for (size_t i = 0; i < result.parts.size(); ++i) {
        Paragraph& part = result.parts[i];
        const bool holds = isKept[i] && part.minWidth <= width && width <= part.maxWidth;
        if (!holds) {
            const Paragraph old = part;
            wrapParagraph(result.paragraphs, part, width, bold, result.lines, isKept[i]);
            // Wrapped alike at two widths: alike at every width between.
            if (isKept[i] && part.lineCount == old.lineCount
                && std::equal(result.lines.cbegin() + part.firstLine, result.lines.cend(),
                    before.lines.cbegin() + old.firstLine,
                    [](const WrappedLine& a, const WrappedLine& b) { return a.string == b.string; })) {
                part.minWidth = std::min(part.minWidth, old.minWidth);
                part.maxWidth = std::max(part.maxWidth, old.maxWidth);
            }
            continue;
        }
        const qsizetype first = result.lines.size();
        for (qsizetype line = 0; line < part.lineCount; ++line)
            result.lines.append({ before.lines[part.firstLine + line].string,
                static_cast<qreal>(first + line) * ColumnMetrics::lineHeight });
        part.firstLine = first;
    }
    settleRange(result);
}

} // namespace

QString columnParagraphs(const QString& text)
{
    // Most texts hold no line break: they are shared, not copied.
    if (std::none_of(text.begin(), text.end(), [](QChar c) { return isColumnLineBreak(c.unicode()); }))
        return text;
    QString result = text;
    result.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    for (QChar& c : result) {
        if (isColumnLineBreak(c.unicode()))
            c = u'\n';
    }
    return result;
}

ColumnTextWrap ColumnTextWrap::wrap(const QString& text, qreal width, bool bold)
{
    ColumnTextWrap result;
    result.paragraphs = columnParagraphs(text);
    splitParagraphs(result.paragraphs, 0, result.paragraphs.size(), result.parts);
    for (Paragraph& part : result.parts)
        wrapParagraph(result.paragraphs, part, width, bold, result.lines, true);
    settleRange(result);
    return result;
}

ColumnTextWrap ColumnTextWrap::rewrapped(const QString& text, qreal width, bool bold) const
{
    ColumnTextWrap result;
    result.paragraphs = columnParagraphs(text);
    const QString& now = result.paragraphs;
    const QString& before = paragraphs;
    // The edit lies between what both texts begin and end with.
    const qsizetype limit = std::min(now.size(), before.size());
    const auto firstDifference = std::mismatch(now.cbegin(), now.cbegin() + limit, before.cbegin());
    const qsizetype prefix = firstDifference.first - now.cbegin();
    qsizetype suffix = 0;
    while (suffix < limit - prefix && now[now.size() - 1 - suffix] == before[before.size() - 1 - suffix])
        ++suffix;
    const bool isSame = prefix == now.size() && now.size() == before.size();
    const qsizetype shift = now.size() - before.size();

    // Paragraphs wholly before the edit (their line feed included) and wholly after it (the
    // line feed before them included) are the same text; those between are split anew.
    size_t kept = 0;
    while (kept < parts.size() && (isSame || parts[kept].start + parts[kept].length < prefix))
        ++kept;
    size_t tail = parts.size();
    while (tail > kept && parts[tail - 1].start >= 1 && parts[tail - 1].start - 1 >= before.size() - suffix)
        --tail;
    const qsizetype middleStart = kept == 0 ? 0 : parts[kept - 1].start + parts[kept - 1].length + 1;
    const qsizetype middleEnd = tail == parts.size() ? now.size() : parts[tail].start + shift - 1;

    result.parts.reserve(parts.size());
    std::vector<bool> isKept;
    isKept.reserve(parts.size());
    for (size_t i = 0; i < kept; ++i) {
        result.parts.push_back(parts[i]);
        isKept.push_back(true);
    }
    if (!isSame) {
        splitParagraphs(now, middleStart, middleEnd, result.parts);
        isKept.resize(result.parts.size(), false);
    }
    for (size_t i = tail; i < parts.size(); ++i) {
        Paragraph moved = parts[i];
        moved.start += shift;
        result.parts.push_back(moved);
        isKept.push_back(true);
    }

    wrapParts(*this, result, isKept, width, bold);
    return result;
}

ColumnTextWrap ColumnTextWrap::rewrapped(qreal width, bool bold) const
{
    ColumnTextWrap result;
    result.paragraphs = paragraphs;
    result.parts = parts;
    wrapParts(*this, result, std::vector<bool>(parts.size(), true), width, bold);
    return result;
}

std::optional<qsizetype> ColumnTextWrap::lineCount(qreal width, qreal& minWidth, qreal& maxWidth) const
{
    const qreal layoutWidth = width - ColumnMetrics::textAllowance;
    qsizetype count = 0;
    minWidth = 0;
    maxWidth = qInf();
    for (const Paragraph& part : parts) {
        qreal partMin = part.minWidth;
        qreal partMax = part.maxWidth;
        qsizetype partCount = part.lineCount;
        if (width < partMin || width > partMax) {
            if (!part.breaks || layoutWidth < 1)
                return std::nullopt;
            partCount = part.breaks->breakLines(layoutWidth, nullptr, partMin, partMax);
            if (partCount == 0)
                return std::nullopt;
            partMin += ColumnMetrics::textAllowance;
            partMax += ColumnMetrics::textAllowance;
        }
        count += partCount;
        minWidth = std::max(minWidth, partMin);
        maxWidth = std::min(maxWidth, partMax);
    }
    return count;
}

QList<WrappedLine> wrapColumnText(const QString& text, qreal width, bool bold)
{
    return ColumnTextWrap::wrap(text, width, bold).lines;
}

} // namespace kestrion
