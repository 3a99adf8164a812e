#pragma once

#include <QString>
#include <QtGlobal>

#include <memory>
#include <vector>

namespace kestrion {

// Where one paragraph may break and how wide each piece between two breaks is, measured once
// by the text system, so that the paragraph can be wrapped at another width without laying it
// out again. Breaking at the first piece that does not fit, as the text system does, gives its
// lines; a piece that ends too close to the width to be sure of, or one that does not fit a
// line alone (the text system would break it inside), is left to the text system.
class ColumnLineBreaks {
public:
    // None for a paragraph whose breaks do not follow from the widths alone: tabs, text written
    // right to left, soft hyphens, controls, or one too long to measure piece by piece.
    static std::shared_ptr<const ColumnLineBreaks> measure(const QString& paragraph, bool bold);

    // The number of lines in the layout width, with the start of each when asked for, and the
    // layout widths from minWidth to maxWidth that give the same lines; 0 when the lines cannot
    // be foreseen there.
    qsizetype breakLines(qreal layoutWidth, std::vector<qsizetype>* starts, qreal& minWidth, qreal& maxWidth) const;

    // How far a piece's end must lie from the width to be sure of: more than the text system's
    // rounding where the overhang of its last glyph is known, more than a glyph's overhang
    // where it is not (a ligature, another font).
    static constexpr qreal knownMargin = 1.0 / 16;
    static constexpr qreal unknownMargin = 2;

private:
    struct Piece {
        qint32 start = 0;
        // With the white space after it, and without it but with its last glyph's overhang.
        float advance = 0;
        float extent = 0;
        float margin = 0;
    };

    std::vector<Piece> m_pieces;
};

} // namespace kestrion
