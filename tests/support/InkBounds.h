#pragma once

#include <QImage>
#include <QRect>
#include <QStringList>

namespace kestrion::test {

// The bounds of the pixels, within a rectangle (the whole image when none is given), whose
// alpha is above the threshold.
inline QRect inkBounds(const QImage& image, const QRect& within = QRect(), int threshold = 0)
{
    QRect bounds;
    const QRect area = within.isNull() ? image.rect() : within.intersected(image.rect());
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (qAlpha(image.pixel(x, y)) > threshold)
                bounds |= QRect(x, y, 1, 1);
        }
    }
    return bounds;
}

// The bounds of the pixels in which two images of one size differ.
inline QRect differenceBounds(const QImage& image, const QImage& other)
{
    QRect bounds;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) != other.pixel(x, y))
                bounds |= QRect(x, y, 1, 1);
        }
    }
    return bounds;
}

// The nine circle markers, red to white.
inline QStringList markerCircles()
{
    QStringList circles;
    for (char32_t c : { 0x1F534, 0x1F7E0, 0x1F7E1, 0x1F7E2, 0x1F535, 0x1F7E3, 0x1F7E4, 0x26AB, 0x26AA })
        circles.append(QString::fromUcs4(&c, 1));
    return circles;
}

} // namespace kestrion::test
