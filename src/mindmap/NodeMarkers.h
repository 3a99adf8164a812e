#pragma once

#include <QString>

#include <array>
#include <optional>

namespace kestrion {

// The coloured circle markers a node's text may begin with, shared by the context menu, the
// canvas's marker commands and its keyboard table.
class NodeMarkers {
public:
    static constexpr qsizetype count = 9;

    // Red, orange, yellow, green, blue, purple, brown, black, white: U+1F534, U+1F7E0,
    // U+1F7E1, U+1F7E2, U+1F535, U+1F7E3, U+1F7E4, U+26AB, U+26AA.
    static const std::array<QString, count>& markerEmoji();

    // The title of the remove-marker command: U+1F5D1 WASTEBASKET.
    static QString removeMarkerSymbol();

    // The text without its leading marker. Only the nine markers count, each optionally
    // followed by the emoji presentation selector U+FE0F; one space after the marker goes
    // with it. Any other leading character, a user's own emoji included, stays.
    static QString stripLeadingMarker(const QString& text);

    // The marker index of a digit key pressed with Shift on a US layout: "!" 0, "@" 1,
    // "#" 2, "$" 3, "%" 4, "^" 5, "&" 6, "*" 7, "(" 8. None for any other text.
    static std::optional<QString> markerForShiftedDigit(const QString& characters);
};

} // namespace kestrion
