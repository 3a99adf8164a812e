#include "app/GrainOverlay.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <random>

namespace kestrion {

namespace {

QImage makeNoiseTile()
{
    const int side = int(GrainOverlay::tileSize);
    QImage tile(side, side, QImage::Format_RGB32);
    // A fixed seed: the grain looks the same on every start, which keeps screenshots stable.
    std::mt19937 generator(0x6b657374);
    std::uniform_real_distribution<double> channel(0.0, 1.0);
    constexpr double contrast = 1.6;
    for (int y = 0; y < side; ++y) {
        auto* line = reinterpret_cast<QRgb*>(tile.scanLine(y));
        for (int x = 0; x < side; ++x) {
            // Random colour noise, desaturated by luminance, then contrast around mid-grey.
            const double r = channel(generator);
            const double g = channel(generator);
            const double b = channel(generator);
            const double luminance = 0.2125 * r + 0.7154 * g + 0.0721 * b;
            const double value = std::clamp((luminance - 0.5) * contrast + 0.5, 0.0, 1.0);
            const int grey = int(std::lround(value * 255.0));
            line[x] = qRgb(grey, grey, grey);
        }
    }
    return tile;
}

} // namespace

GrainOverlay::GrainOverlay(double opacity)
    : m_opacity(std::clamp(opacity, 0.0, 1.0))
{
}

const QImage& GrainOverlay::noiseTile()
{
    static const QImage tile = makeNoiseTile();
    return tile;
}

std::vector<QRectF> GrainOverlay::tileRects(const QSizeF& size)
{
    std::vector<QRectF> rects;
    if (!(size.height() > 0) || !(size.width() > 0) || !std::isfinite(size.width()) || !std::isfinite(size.height()))
        return rects;
    for (qreal y = 0; y < size.height(); y += tileSize) {
        for (qreal x = 0; x < size.width(); x += tileSize)
            rects.emplace_back(x, y, tileSize, tileSize);
    }
    return rects;
}

void GrainOverlay::draw(QPainter& painter, const QSizeF& size) const
{
    const std::vector<QRectF> rects = tileRects(size);
    if (rects.empty() || m_opacity <= 0.0)
        return;
    const QImage& tile = noiseTile();
    painter.save();
    painter.setClipRect(QRectF(QPointF(0, 0), size), Qt::IntersectClip);
    painter.setOpacity(painter.opacity() * m_opacity);
    painter.setCompositionMode(QPainter::CompositionMode_Overlay);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    for (const QRectF& rect : rects)
        painter.drawImage(rect, tile);
    painter.restore();
}

} // namespace kestrion
