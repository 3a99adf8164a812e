#include "platform/Typography.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QStringList>

#include <algorithm>
#include <cmath>

namespace kestrion {

namespace {

struct BaseFamilies {
    QStringList general;
    QStringList serif;
    QStringList monospaced;
};

// Resolved once: the platform's families do not change while the program runs. Only the
// names are kept, so nothing font-related outlives the application object.
const BaseFamilies& baseFamilies()
{
    static const BaseFamilies families = [] {
        BaseFamilies result;
        result.general = QFontDatabase::systemFont(QFontDatabase::GeneralFont).families();
        result.monospaced = QFontDatabase::systemFont(QFontDatabase::FixedFont).families();
        // The platform names no serif face: ask for the usual ones, then the generic name
        // that fontconfig resolves.
        result.serif = { QStringLiteral("TeX Gyre Pagella"), QStringLiteral("TeX Gyre Termes"),
            QStringLiteral("DejaVu Serif"), QStringLiteral("Liberation Serif"), QStringLiteral("serif") };
        return result;
    }();
    return families;
}

QFont makeFont(qreal pixelSize, QFont::Weight weight, FontDesign design, bool italic)
{
    const BaseFamilies& base = baseFamilies();
    QFont font;
    switch (design) {
    case FontDesign::Serif:
        font.setFamilies(base.serif);
        font.setStyleHint(QFont::Serif);
        break;
    case FontDesign::Monospaced:
        font.setFamilies(base.monospaced);
        font.setStyleHint(QFont::Monospace);
        break;
    case FontDesign::Default:
    case FontDesign::Rounded:
        font.setFamilies(base.general);
        font.setStyleHint(QFont::SansSerif);
        break;
    }
    font.setPixelSize(Typography::pixelSizeFor(pixelSize));
    font.setWeight(weight);
    font.setItalic(italic);
    return font;
}

} // namespace

int Typography::pixelSizeFor(qreal size)
{
    if (!std::isfinite(size))
        return size > 0 ? maxPixelSize : minPixelSize;
    const qreal clamped = std::clamp<qreal>(size, minPixelSize, maxPixelSize);
    return static_cast<int>(std::lround(clamped));
}

QFont Typography::systemFont(qreal pixelSize, QFont::Weight weight, FontDesign design)
{
    return makeFont(pixelSize, weight, design, false);
}

QFont Typography::italicSystemFont(qreal pixelSize, QFont::Weight weight, FontDesign design)
{
    return makeFont(pixelSize, weight, design, true);
}

QFont Typography::letteringFont(qreal pixelSize)
{
    QFont font = makeFont(pixelSize, QFont::Normal, FontDesign::Serif, false);
    font.setFamilies(QStringList { QStringLiteral("Luminari"), QStringLiteral("TeX Gyre Chorus"),
                         QStringLiteral("Z003"), QStringLiteral("URW Chancery L") }
        + baseFamilies().serif);
    return font;
}

qreal Typography::nodeFontSize(qint64 depth)
{
    if (depth <= 0)
        return 16;
    return depth == 1 ? 14 : 13;
}

QFont::Weight Typography::nodeFontWeight(qint64 depth)
{
    return depth <= 1 ? QFont::Medium : QFont::Normal;
}

QFont Typography::nodeFont(qint64 depth)
{
    return systemFont(nodeFontSize(depth), nodeFontWeight(depth));
}

qreal Typography::lineHeight(const QFont& font)
{
    const QFontMetricsF metrics(font);
    return std::ceil(metrics.ascent() + std::abs(metrics.descent()) + metrics.leading());
}

} // namespace kestrion
