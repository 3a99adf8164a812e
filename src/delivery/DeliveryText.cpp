#include "delivery/DeliveryText.h"

#include "platform/EmojiText.h"
#include "platform/TextWrapMode.h"

#include <QColor>
#include <QGlyphRun>
#include <QPainter>
#include <QRawFont>
#include <QSizeF>
#include <QTextLayout>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace kestrion {

namespace {

constexpr char16_t lineSeparator = u'\u2028';
constexpr char16_t paragraphSeparator = u'\u2029';
constexpr char16_t punctuationStart = 0x2000;
constexpr double unknown = std::numeric_limits<double>::quiet_NaN();

double usableWidth(double width)
{
    return std::isfinite(width) ? std::max(width, 1.0) : 1.0;
}

// Lays the text out in lines of at most width; returns the height of all lines.
double layOut(QTextLayout& layout, double width)
{
    QTextOption option;
    option.setWrapMode(wrapModeFor(layout.text()));
    layout.setTextOption(option);
    layout.setCacheEnabled(true);
    double y = 0;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLeadingIncluded(true);
        line.setLineWidth(width);
        line.setPosition(QPointF(0, y));
        y += line.height();
    }
    layout.endLayout();
    return y;
}

} // namespace

DeliveryText::DeliveryText(const QFont& font)
    : m_font(font)
    , m_metrics(font)
{
    QTextLayout probe(QStringLiteral("X"), m_font);
    m_lineHeight = layOut(probe, 1000);
    m_latinAdvances.fill(unknown);
    m_punctuationAdvances.fill(unknown);
}

QString DeliveryText::displayText(const QString& text)
{
    if (!text.contains(u'\n') && !text.contains(u'\r'))
        return text;
    QString result = text;
    result.replace(QStringLiteral("\r\n"), QString(QChar(lineSeparator)));
    result.replace(u'\n', QChar(lineSeparator));
    result.replace(u'\r', QChar(lineSeparator));
    return result;
}

double DeliveryText::characterAdvance(char16_t c) const
{
    double* slot = nullptr;
    if (c < m_latinAdvances.size())
        slot = &m_latinAdvances[c];
    else if (c >= punctuationStart && c < punctuationStart + m_punctuationAdvances.size() && c != lineSeparator
        && c != paragraphSeparator)
        slot = &m_punctuationAdvances[c - punctuationStart];
    if (!slot)
        return -1;
    if (std::isnan(*slot)) {
        const QChar character(c);
        const bool settable = m_metrics.inFont(character) && character.isPrint() && !character.isMark();
        *slot = settable ? m_metrics.horizontalAdvance(character) : -1;
    }
    return *slot;
}

double DeliveryText::lineAdvance(QStringView line) const
{
    double advance = 0;
    for (const QChar c : line) {
        const double character = characterAdvance(c.unicode());
        if (character < 0)
            return -1;
        advance += character;
    }
    return advance;
}

double DeliveryText::widestUnwrappedLine(const QString& displayText, double width) const
{
    double widest = 0;
    for (const QStringView line : QStringView(displayText).split(QChar(lineSeparator))) {
        const double advance = lineAdvance(line);
        if (advance < 0 || advance > width)
            return -1;
        widest = std::max(widest, advance);
    }
    return widest;
}

QSizeF DeliveryText::measure(const QString& displayText, double width) const
{
    width = usableWidth(width);
    const double widest = widestUnwrappedLine(displayText, width);
    if (widest >= 0) {
        const auto lines = static_cast<double>(displayText.count(QChar(lineSeparator)) + 1);
        return QSizeF(std::ceil(widest), std::ceil(lines * m_lineHeight));
    }
    // Laid out for measuring alone: only the few texts in view are kept for drawing.
    const auto kept = m_layouts.constFind(LayoutKey { displayText, width });
    std::optional<QTextLayout> local;
    if (kept == m_layouts.cend()) {
        local.emplace(displayText, m_font);
        local->setFormats(EmojiText::formats(displayText));
        layOut(*local, width);
    }
    const QTextLayout& layout = local ? *local : **kept;
    double widestLine = 0;
    double height = 0;
    for (int i = 0; i < layout.lineCount(); ++i) {
        widestLine = std::max(widestLine, layout.lineAt(i).naturalTextWidth());
        height += layout.lineAt(i).height();
    }
    return QSizeF(std::ceil(widestLine), std::ceil(height));
}

const QTextLayout& DeliveryText::laidOut(const QString& displayText, double width) const
{
    const LayoutKey key { displayText, width };
    if (const auto found = m_layouts.constFind(key); found != m_layouts.cend())
        return **found;
    if (m_layouts.size() >= maxCachedLayouts)
        m_layouts.clear();
    auto layout = std::make_shared<QTextLayout>(displayText, m_font);
    layout->setFormats(EmojiText::formats(displayText));
    layOut(*layout, width);
    return **m_layouts.insert(key, std::move(layout));
}

std::vector<DeliveryText::Line> DeliveryText::lines(const QString& displayText, double width) const
{
    width = usableWidth(width);
    std::vector<Line> result;
    if (widestUnwrappedLine(displayText, width) >= 0) {
        qsizetype start = 0;
        for (const QStringView line : QStringView(displayText).split(QChar(lineSeparator))) {
            const double top = static_cast<double>(result.size()) * m_lineHeight - ascent();
            result.push_back({ start, top, m_lineHeight, lineAdvance(line) });
            start += line.size() + 1;
        }
        return result;
    }
    const QTextLayout& layout = laidOut(displayText, width);
    const double firstAscent = layout.lineCount() > 0 ? layout.lineAt(0).ascent() : 0;
    for (int i = 0; i < layout.lineCount(); ++i) {
        const QTextLine line = layout.lineAt(i);
        result.push_back({ line.textStart(), line.y() - firstAscent, line.height(), line.naturalTextWidth() });
    }
    return result;
}

double DeliveryText::inkTop(const QString& displayText, double width, std::size_t line) const
{
    width = usableWidth(width);
    if (widestUnwrappedLine(displayText, width) >= 0) {
        const QList<QStringView> texts = QStringView(displayText).split(QChar(lineSeparator));
        if (line >= static_cast<std::size_t>(texts.size()))
            return unknown;
        return static_cast<double>(line) * m_lineHeight + inkTopOnBaseline(texts[static_cast<qsizetype>(line)]);
    }
    const QTextLayout& layout = laidOut(displayText, width);
    if (line >= static_cast<std::size_t>(layout.lineCount()))
        return unknown;
    const QTextLine set = layout.lineAt(static_cast<int>(line));
    const double baseline = set.y() + set.ascent() - layout.lineAt(0).ascent();
    return baseline + inkTopOnBaseline(QStringView(displayText).mid(set.textStart(), set.textLength()));
}

double DeliveryText::inkTopOnBaseline(QStringView text) const
{
    // Hinting moves an outline by up to half a pixel of the size it is drawn at, which differs
    // with the pixel ratio: the bounds of the outlines as designed hold the ink at every ratio.
    QFont unhinted = m_font;
    unhinted.setHintingPreference(QFont::PreferNoHinting);
    QTextLayout layout(text.toString(), unhinted);
    layout.setFormats(EmojiText::formats(text));
    layout.beginLayout();
    const QTextLine line = layout.createLine();
    layout.endLayout();
    if (!line.isValid())
        return unknown;
    // Each glyph in the font it is drawn in, fallbacks and emoji included; each glyph's position
    // stands on the baseline.
    double top = unknown;
    for (const QGlyphRun& run : line.glyphRuns()) {
        const QRawFont font = run.rawFont();
        const QList<quint32> glyphs = run.glyphIndexes();
        const QList<QPointF> positions = run.positions();
        for (qsizetype i = 0; i < glyphs.size() && i < positions.size(); ++i) {
            const QRectF ink = font.boundingRect(glyphs[i]);
            if (!ink.isEmpty())
                top = std::fmin(top, positions[i].y() + ink.top());
        }
    }
    return top - line.ascent();
}

void DeliveryText::draw(QPainter& painter, const QString& displayText, double width, const QPointF& origin,
    const QColor& colour, double linesEnd) const
{
    width = usableWidth(width);
    painter.setPen(colour);
    painter.setFont(m_font);
    // The same top as lines() gives, summed in another order.
    linesEnd -= 1e-6;
    if (widestUnwrappedLine(displayText, width) >= 0) {
        QPointF baseline = origin;
        for (const QStringView line : QStringView(displayText).split(QChar(lineSeparator))) {
            if (baseline.y() - ascent() >= linesEnd)
                return;
            if (!line.isEmpty())
                painter.drawText(baseline, line.toString());
            baseline.ry() += m_lineHeight;
        }
        return;
    }
    const QTextLayout& layout = laidOut(displayText, width);
    if (layout.lineCount() == 0)
        return;
    const QPointF position(origin.x(), origin.y() - layout.lineAt(0).ascent());
    for (int i = 0; i < layout.lineCount(); ++i) {
        const QTextLine line = layout.lineAt(i);
        if (position.y() + line.y() >= linesEnd)
            return;
        line.draw(&painter, position);
    }
}

} // namespace kestrion
