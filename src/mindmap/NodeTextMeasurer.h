#pragma once

#include <QFont>
#include <QFontMetricsF>
#include <QSizeF>
#include <QString>

#include <array>

namespace kestrion {

// Measures node boxes in the node typography. The three fonts (root, depth 1, deeper) and
// their metrics are resolved once per measurer; it remembers nothing it measured (the layout
// pass keeps what it needs per node, see TreeLayoutCache).
//
// A measurer is cheap to make and meant to live for one layout pass. Safe to use from any
// thread, each thread with its own measurer.
class NodeTextMeasurer {
public:
    // Box padding around the text.
    static constexpr qreal horizontalMargin = 32;
    static constexpr qreal leafVerticalMargin = 6;
    static constexpr qreal parentVerticalMargin = 16;

    // What a box's size depends on besides the depth and the leaf flag.
    struct Extent {
        qreal widest = 0;
        qsizetype lines = 0;
    };

    NodeTextMeasurer();

    // The widest line (each rounded up to a whole point) and the number of lines of a text in
    // the depth's font.
    Extent extent(const QString& text, qint64 depth) const;
    QSizeF boxSize(const Extent& extent, qint64 depth, bool isLeaf) const;
    // Which of the three fonts a depth uses; texts measured in one font measure the same at
    // every depth using it.
    static int fontSlot(qint64 depth);
    // Names the three fonts; measurers naming them alike measure alike.
    QString fontsKey() const;

    // The box of a node: widest line (each rounded up to a whole point) + 32 by
    // lineHeight × lines + 6 for a leaf or 16 otherwise. Lines are separated by every line
    // feed and every U+2028; an empty line is measured as one space.
    QSizeF measure(const QString& text, qint64 depth, bool isLeaf) const;

    // ceil(ascent + descent + leading) of the depth's font.
    qreal lineHeight(qint64 depth) const;
    // The rounded-up width of one line (no line breaks) in the depth's font.
    qreal lineWidth(const QString& line, qint64 depth) const;
    const QFont& font(qint64 depth) const;

private:
    struct FontSlot {
        QFont font;
        QFontMetricsF metrics;
        qreal lineHeight;
    };

    static FontSlot makeSlot(qint64 depth);
    const FontSlot& slot(qint64 depth) const;

    std::array<FontSlot, 3> m_slots;
};

} // namespace kestrion
