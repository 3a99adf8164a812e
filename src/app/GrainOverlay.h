#pragma once

#include <QImage>
#include <QRectF>
#include <QSizeF>

#include <vector>

class QPainter;

namespace kestrion {

// The fine grain over the window backdrop: one noise tile, made once per process, repeated
// over the whole area and blended with what lies below at the given opacity.
class GrainOverlay {
public:
    static constexpr qreal tileSize = 256.0;

    explicit GrainOverlay(double opacity);

    double opacity() const { return m_opacity; }

    // Grey noise with raised contrast, tileSize pixels square; made on first use, on any
    // thread, and kept for the life of the process.
    static const QImage& noiseTile();
    // Where the tiles of an area of this size go: a grid from the top left corner, the last
    // column and row reaching past the right and bottom edges. None for an empty area.
    static std::vector<QRectF> tileRects(const QSizeF& size);

    // Draws the tiles into the area (0, 0, size), clipped to it. Restores the painter.
    void draw(QPainter& painter, const QSizeF& size) const;

private:
    double m_opacity;
};

} // namespace kestrion
