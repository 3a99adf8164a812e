#include "platform/SemanticColors.h"

#include "platform/Appearance.h"

#include <QPalette>

#include <algorithm>

namespace kestrion {

QColor SemanticColors::primary(bool isDark)
{
    return Appearance::inkColor(isDark);
}

QColor SemanticColors::secondary(bool isDark)
{
    return withOpacity(primary(isDark), 0.6);
}

QColor SemanticColors::tertiary(bool isDark)
{
    return withOpacity(primary(isDark), 0.35);
}

QColor SemanticColors::accent(bool isDark)
{
    const QPalette palette = isDark ? Appearance::darkPalette() : Appearance::lightPalette();
    return palette.color(QPalette::Active, QPalette::Highlight);
}

QColor SemanticColors::red(bool isDark)
{
    return isDark ? QColor(255, 69, 58) : QColor(255, 59, 48);
}

QColor SemanticColors::orange(bool isDark)
{
    return isDark ? QColor(255, 159, 10) : QColor(255, 149, 0);
}

QColor SemanticColors::green(bool isDark)
{
    return isDark ? QColor(48, 209, 88) : QColor(52, 199, 89);
}

QColor SemanticColors::withOpacity(QColor colour, double opacity)
{
    colour.setAlphaF(static_cast<float>(std::clamp(colour.alphaF() * opacity, 0.0, 1.0)));
    return colour;
}

} // namespace kestrion
