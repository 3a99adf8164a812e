#pragma once

#include <QFont>
#include <QFontMetricsF>
#include <QSizeF>
#include <QString>

#include <array>

namespace kestrion {

// Measures node boxes in the node typography. The three fonts (root, depth 1, deeper) and
// their metrics are resolved once per measurer; the widths of lines already measured are
// remembered process-wide, so laying out a tree again after an edit measures only the lines
// that changed.
//
// A measurer is cheap to make and meant to live for one layout pass. Safe to use from any
// thread, each thread with its own measurer.
class NodeTextMeasurer {
public:
    // Box padding around the text.
    static constexpr qreal horizontalMargin = 32;
    static constexpr qreal leafVerticalMargin = 6;
    static constexpr qreal parentVerticalMargin = 16;

    NodeTextMeasurer();

    // The box of a node: widest line (each rounded up to a whole point) + 32 by
    // lineHeight × lines + 6 for a leaf or 16 otherwise. Lines are separated by every line
    // feed and every U+2028; an empty line is measured as one space.
    QSizeF measure(const QString& text, qint64 depth, bool isLeaf) const;

    // ceil(ascent + descent + leading) of the depth's font.
    qreal lineHeight(qint64 depth) const;
    // The rounded-up width of one line (no line breaks) in the depth's font.
    qreal lineWidth(const QString& line, qint64 depth) const;
    const QFont& font(qint64 depth) const;

    // Forgets every remembered width (benchmarks measure the cold case with it).
    static void clearSharedCache();

private:
    struct FontSlot {
        QFont font;
        QFontMetricsF metrics;
        qreal lineHeight;
        // Names the font in the shared width cache.
        QString key;
    };

    static FontSlot makeSlot(qint64 depth);
    const FontSlot& slot(qint64 depth) const;

    std::array<FontSlot, 3> m_slots;
};

} // namespace kestrion
