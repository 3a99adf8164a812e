#pragma once

#include <QFont>
#include <QFontMetricsF>
#include <QHash>
#include <QString>
#include <QStringView>

#include <array>
#include <limits>
#include <memory>
#include <utility>
#include <vector>

class QColor;
class QPainter;
class QPointF;
class QSizeF;
class QTextLayout;

namespace kestrion {

// Sets the text of one item of the reading page in one font, wrapped at word boundaries (and
// inside a word too long for a line) to a width. Measuring and drawing break the lines the
// same way, so a drawn text always fills exactly the frame measured for it.
//
// A text of Latin letters and common punctuation in the font's own glyphs whose lines fit is
// measured by the sum of its characters' advances (kerning only narrows it) and drawn without a
// text layout; everything else goes through QTextLayout, kept for the next measuring or drawing. Line breaks are U+2028
// (line feeds are taken as such too); each line is as high as the font's ascent, descent and leading.
class DeliveryText {
public:
    // One line as drawn: where its text starts, its top relative to the first baseline, its
    // height and the width of its text.
    struct Line {
        qsizetype start = 0;
        double top = 0;
        double height = 0;
        double width = 0;
    };

    explicit DeliveryText(const QFont& font);

    const QFont& font() const { return m_font; }
    double ascent() const { return m_metrics.ascent(); }

    // The stored text as laid out: line feeds become U+2028.
    static QString displayText(const QString& text);

    // The width of the widest line and the height of all lines, each rounded up to a whole
    // point. Widths below 1 point count as 1.
    QSizeF measure(const QString& displayText, double width) const;
    // The lines a text is drawn in at a width, top to bottom.
    std::vector<Line> lines(const QString& displayText, double width) const;
    // The top of the ink of one of those lines relative to the first baseline: accents and
    // emoji may reach above the line's top. NaN when the line shows nothing.
    double inkTop(const QString& displayText, double width, std::size_t line) const;
    // Draws the lines with the first line's baseline at origin; a line whose top is at or below
    // linesEnd is left out whole, so none of its letters shows above a cut there.
    void draw(QPainter& painter, const QString& displayText, double width, const QPointF& origin, const QColor& colour,
        double linesEnd = std::numeric_limits<double>::infinity()) const;

private:
    // The summed advances of a line the fast path can set, or a negative value.
    double lineAdvance(QStringView line) const;
    // The widest line when every line can be set by the fast path without wrapping; else a
    // negative value.
    double widestUnwrappedLine(const QString& displayText, double width) const;
    // The top of the ink of one line of text relative to its baseline, as drawn at any pixel
    // ratio; NaN when it shows nothing.
    double inkTopOnBaseline(QStringView text) const;
    // A text the fast path cannot set, laid out once for measuring and every later drawing.
    const QTextLayout& laidOut(const QString& displayText, double width) const;

    using LayoutKey = std::pair<QString, double>;
    static constexpr qsizetype maxCachedLayouts = 256;
    // The advance of one character the fast path can set, or a negative value.
    double characterAdvance(char16_t c) const;

    QFont m_font;
    QFontMetricsF m_metrics;
    double m_lineHeight = 0;
    // Advances by character, filled on first use; NaN until then.
    mutable std::array<double, 0x300> m_latinAdvances;
    mutable std::array<double, 0x70> m_punctuationAdvances;
    mutable QHash<LayoutKey, std::shared_ptr<QTextLayout>> m_layouts;
};

} // namespace kestrion
