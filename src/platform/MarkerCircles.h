#pragma once

#include <QStringView>

#include <array>

namespace kestrion {

// The nine circle emoji that mark a node's text: red, orange, yellow, green, blue, purple, brown,
// black and white (U+1F534, U+1F7E0, U+1F7E1, U+1F7E2, U+1F535, U+1F7E3, U+1F7E4, U+26AB,
// U+26AA). Kept here, below every view, so that the marker commands and the text drawing agree
// on which characters they are.
class MarkerCircles {
public:
    static constexpr std::array<char32_t, 9> codePoints
        = { 0x1F534, 0x1F7E0, 0x1F7E1, 0x1F7E2, 0x1F535, 0x1F7E3, 0x1F7E4, 0x26AB, 0x26AA };

    static constexpr bool isMarker(char32_t codePoint)
    {
        // Most text holds no character this high: one comparison for it.
        if (codePoint < 0x26AA)
            return false;
        for (const char32_t marker : codePoints) {
            if (codePoint == marker)
                return true;
        }
        return false;
    }

    // The length in UTF-16 units of the marker that starts at the index (a presentation selector
    // after it not counted); 0 when no marker starts there.
    static qsizetype markerLength(QStringView text, qsizetype index);
};

} // namespace kestrion
