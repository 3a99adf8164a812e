#pragma once

#include <QColor>

namespace kestrion {

// The semantic colours views name beside the ink colour, for the light or dark appearance:
// primary, secondary and tertiary text (the ink at falling opacities), the accent of the
// palette, and the system's red, orange and green.
class SemanticColors {
public:
    static QColor primary(bool isDark);
    static QColor secondary(bool isDark);
    static QColor tertiary(bool isDark);
    static QColor accent(bool isDark);
    static QColor red(bool isDark);
    static QColor orange(bool isDark);
    static QColor green(bool isDark);

    // The colour at opacity times its own alpha.
    static QColor withOpacity(QColor colour, double opacity);
};

} // namespace kestrion
