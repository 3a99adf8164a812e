#pragma once

#include <QFont>

namespace kestrion {

// Font designs of the system font.
enum class FontDesign {
    Default,
    Serif,
    Monospaced,
    // Rounded faces are rare on Linux desktops; the default design stands in.
    Rounded,
};

// Fonts sized in pixels (the canvas "points" are device-independent pixels), so measured sizes
// match the sizes the drawing code is written for whatever the screen's DPI setting.
//
// Qt sizes fonts in whole pixels: a fractional size is rounded to the nearest pixel. Sizes
// are kept within [minPixelSize, maxPixelSize], so a stored size of 0, a negative or a
// non-finite size still gives a usable font.
class Typography {
public:
    static constexpr int minPixelSize = 1;
    static constexpr int maxPixelSize = 20000;

    // The system font of the given size, weight and design.
    static QFont systemFont(
        qreal pixelSize, QFont::Weight weight = QFont::Normal, FontDesign design = FontDesign::Default);
    static QFont italicSystemFont(
        qreal pixelSize, QFont::Weight weight = QFont::Normal, FontDesign design = FontDesign::Default);

    static int pixelSizeFor(qreal size);

    // The lettering of the application's name in the welcome and About windows: a
    // calligraphic face where one is installed, else the serif design.
    static QFont letteringFont(qreal pixelSize);

    // A node's text on the mind map: 16 at depth 0, 14 at depth 1, 13 deeper; medium weight
    // at depths 0 and 1, regular deeper.
    static qreal nodeFontSize(qint64 depth);
    static QFont::Weight nodeFontWeight(qint64 depth);
    static QFont nodeFont(qint64 depth);

    // ceil(ascent + descent + leading) of the font.
    static qreal lineHeight(const QFont& font);
};

} // namespace kestrion
