#pragma once

#include <QColor>

#include <algorithm>
#include <cmath>

// How far apart two colours are to the eye: the ratio of their relative luminances, each plus
// 0.05, from 1 (the same) to 21 (black on white).
inline double contrastRatio(const QColor& a, const QColor& b)
{
    const auto luminance = [](const QColor& colour) {
        const auto linear = [](double c) { return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); };
        return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF()) + 0.0722 * linear(colour.blueF());
    };
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}
