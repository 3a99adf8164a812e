#include "mindmap/TextBitmapCache.h"

#include "platform/Appearance.h"
#include "platform/EmojiText.h"
#include "platform/Signposter.h"
#include "platform/Typography.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QScopeGuard>
#include <QStringList>

#include <algorithm>
#include <cmath>

namespace kestrion {

namespace {

// The text's font, its lines (an empty line drawn as a space) and their geometry.
struct TextGeometry {
    QFont font;
    QStringList lines;
    qreal ascent = 0;
    qreal lineHeight = 0;
    QSizeF naturalSize;
};

TextGeometry geometryOf(const TextBitmapKey& key)
{
    TextGeometry g;
    g.font = key.italic ? Typography::italicSystemFont(key.fontSize, key.weight)
                        : Typography::systemFont(key.fontSize, key.weight);
    QString text = key.text;
    text.replace(QChar(u'\u2028'), QChar(u'\n'));
    g.lines = text.split(QChar(u'\n'));
    const QFontMetricsF metrics(g.font);
    g.ascent = metrics.ascent();
    g.lineHeight = std::ceil(metrics.ascent() + std::abs(metrics.descent()) + metrics.leading());
    qreal widest = 0;
    for (QString& line : g.lines) {
        if (line.isEmpty())
            line = QStringLiteral(" ");
        widest = std::max(widest, EmojiText::horizontalAdvance(g.font, metrics, line));
    }
    g.naturalSize
        = QSizeF(std::ceil(widest) + TextBitmapCache::extraWidth, g.lineHeight * static_cast<qreal>(g.lines.size()));
    return g;
}

void drawLines(QPainter& painter, const TextGeometry& g, bool isDark, const QPointF& topLeft)
{
    painter.setFont(g.font);
    painter.setPen(Appearance::inkColor(isDark));
    // Each line in the direction of its own text, as into a bitmap, also on a widget's painter,
    // which would lay it out in the widget's.
    const Qt::LayoutDirection direction = painter.layoutDirection();
    painter.setLayoutDirection(Qt::LayoutDirectionAuto);
    const auto restore = qScopeGuard([&] { painter.setLayoutDirection(direction); });
    const QRectF clip = painter.hasClipping() ? painter.clipBoundingRect() : QRectF();
    for (qsizetype i = 0; i < g.lines.size(); ++i) {
        const qreal top = topLeft.y() + g.lineHeight * static_cast<qreal>(i);
        // Skip lines outside the clip: a text drawn directly may have thousands.
        if (clip.isValid() && (top > clip.bottom() || top + g.lineHeight < clip.top()))
            continue;
        EmojiText::drawLine(painter, QPointF(topLeft.x() + TextBitmapCache::textInsetX, top + g.ascent), g.lines[i]);
    }
}

qreal usableDevicePixelRatio(qreal devicePixelRatio)
{
    return std::isfinite(devicePixelRatio) && devicePixelRatio > 0 ? devicePixelRatio : 1.0;
}

} // namespace

TextBitmapCache::TextBitmapCache(qint64 pixelBudget)
    : m_pixelBudget(pixelBudget)
{
}

std::optional<TextBitmapCache::Bitmap> TextBitmapCache::lookupBitmap(
    const TextBitmapKey& key, bool isDark, qreal scale, qreal devicePixelRatio)
{
    Signposter& signposter = performanceSignposter();
    if (scale != m_currentScale || !m_currentIsDark || *m_currentIsDark != isDark
        || devicePixelRatio != m_currentDevicePixelRatio) {
        clearBitmaps();
        m_currentScale = scale;
        m_currentIsDark = isDark;
        m_currentDevicePixelRatio = devicePixelRatio;
        signposter.emitEvent("TextCacheClear",
            [&] { return QString::asprintf("scale=%.2f dark=%s", scale, isDark ? "true" : "false"); });
        return std::nullopt;
    }
    auto it = m_entries.find(key);
    if (it == m_entries.end()) {
        signposter.emitEvent("TextCacheMiss");
        return std::nullopt;
    }
    Entry& entry = it->second;
    m_recency.erase(entry.lastUsed);
    entry.lastUsed = ++m_clock;
    m_recency.emplace(entry.lastUsed, key);
    signposter.emitEvent("TextCacheHit");
    return Bitmap { entry.image, entry.naturalSize, entry.baseline };
}

void TextBitmapCache::insertBitmap(
    const TextBitmapKey& key, const QImage& image, const QSizeF& naturalSize, qreal baseline)
{
    // A key that never equals itself could never be found or removed again.
    if (!std::isfinite(key.fontSize))
        return;
    const qint64 pixels = static_cast<qint64>(image.width()) * static_cast<qint64>(image.height());
    if (auto old = m_entries.find(key); old != m_entries.end())
        removeEntry(old);
    const quint64 lastUsed = ++m_clock;
    m_entries.emplace(key, Entry { image, naturalSize, pixels, lastUsed, baseline });
    m_recency.emplace(lastUsed, key);
    m_totalPixels += pixels;
    evictIfNeeded();
}

void TextBitmapCache::clearBitmaps()
{
    if (!m_entries.empty()) {
        // clear() keeps the bucket array for the next round of inserts.
        m_entries.clear();
        m_recency.clear();
    }
    m_totalPixels = 0;
}

void TextBitmapCache::removeEntry(std::unordered_map<TextBitmapKey, Entry>::iterator it)
{
    m_totalPixels -= it->second.pixels;
    m_recency.erase(it->second.lastUsed);
    m_entries.erase(it);
}

void TextBitmapCache::evictIfNeeded()
{
    Signposter& signposter = performanceSignposter();
    while (m_totalPixels > m_pixelBudget && m_entries.size() >= 2) {
        auto oldest = m_recency.begin();
        auto it = m_entries.find(oldest->second);
        const qint64 pixels = it->second.pixels;
        removeEntry(it);
        signposter.emitEvent("TextCacheEvict", [&] { return QStringLiteral("pixels=%1").arg(pixels); });
    }
}

qreal TextBitmapCache::pixelFactor(qreal fontSize, qreal scale, qreal devicePixelRatio)
{
    const qreal ratio = usableDevicePixelRatio(devicePixelRatio);
    // The font is at least 4 device pixels tall however far the view is zoomed out.
    const qreal renderScale
        = ratio * fontSize <= 1 ? std::max(scale, qreal(4)) : std::max(scale, qreal(4) / (ratio * fontSize));
    return ratio * renderScale;
}

QSizeF TextBitmapCache::naturalSize(const TextBitmapKey& key)
{
    if (key.text.isEmpty())
        return {};
    return geometryOf(key).naturalSize;
}

std::optional<TextBitmapCache::Bitmap> TextBitmapCache::renderTextBitmap(
    const TextBitmapKey& key, bool isDark, qreal scale, qreal devicePixelRatio)
{
    if (key.text.isEmpty() || !std::isfinite(scale) || !std::isfinite(key.fontSize))
        return std::nullopt;
    const qreal factor = pixelFactor(key.fontSize, scale, devicePixelRatio);
    const TextGeometry g = geometryOf(key);
    // In doubles: a huge text at a high zoom must not overflow the integer sizes.
    const double width = std::ceil(factor * g.naturalSize.width());
    const double height = std::ceil(factor * g.naturalSize.height());
    if (!(width >= 1 && height >= 1))
        return std::nullopt;
    if (width > maxBitmapSide || height > maxBitmapSide || width * height > static_cast<double>(maxBitmapPixels))
        return std::nullopt;
    QImage image(static_cast<int>(width), static_cast<int>(height), QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return std::nullopt;
    image.fill(Qt::transparent);
    {
        // Scaled by the painter, not by a device pixel ratio: QPainter treats a ratio below 1
        // as 1 and would draw the glyphs at full size into the smaller image, clipped.
        QPainter painter(&image);
        painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
        painter.scale(factor, factor);
        drawLines(painter, g, isDark, QPointF(0, 0));
    }
    return Bitmap { image, g.naturalSize, g.ascent };
}

void TextBitmapCache::drawText(QPainter& painter, const TextBitmapKey& key, bool isDark, const QPointF& topLeft)
{
    if (key.text.isEmpty())
        return;
    painter.save();
    painter.setRenderHint(QPainter::TextAntialiasing);
    drawLines(painter, geometryOf(key), isDark, topLeft);
    painter.restore();
}

} // namespace kestrion
