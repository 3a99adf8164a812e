#pragma once

#include "mindmap/TextBitmapKey.h"

#include <QImage>
#include <QPointF>
#include <QSizeF>

#include <limits>
#include <map>
#include <optional>
#include <unordered_map>

class QPainter;

namespace kestrion {

// Rendered node texts of one mind-map canvas, kept for one zoom scale, one device pixel ratio
// and one appearance at a time, within a budget of pixels; the least recently used bitmaps go
// first. Main thread only.
//
// A bitmap is drawn into its natural size (content points) with its left edge 2 points left
// of where the text begins: the renderer leaves a 2-point margin on the left and adds 4 points
// to the width. Images hold pixelFactor pixels per content point and carry no device pixel
// ratio of their own: they are always drawn into their natural size.
class TextBitmapCache {
public:
    struct Entry {
        QImage image;
        QSizeF naturalSize;
        qint64 pixels = 0;
        quint64 lastUsed = 0;
        qreal baseline = 0;
    };

    struct Bitmap {
        QImage image;
        QSizeF naturalSize;
        // The first line's baseline below the top, in content points.
        qreal baseline = 0;
    };

    static constexpr qint64 defaultPixelBudget = 32'000'000;
    // Larger bitmaps are not made (a node of thousands of lines at a high zoom); such a text
    // is drawn directly with drawText.
    static constexpr qint64 maxBitmapSide = 16384;
    static constexpr qint64 maxBitmapPixels = 16'777'216;
    // Left margin of the text in the bitmap, and the width added to the text's.
    static constexpr qreal textInsetX = 2;
    static constexpr qreal extraWidth = 4;

    explicit TextBitmapCache(qint64 pixelBudget = defaultPixelBudget);
    TextBitmapCache(const TextBitmapCache&) = delete;
    TextBitmapCache& operator=(const TextBitmapCache&) = delete;

    const std::unordered_map<TextBitmapKey, Entry>& entries() const { return m_entries; }
    qint64 totalPixels() const { return m_totalPixels; }
    quint64 clock() const { return m_clock; }
    qreal currentScale() const { return m_currentScale; }
    std::optional<bool> currentIsDark() const { return m_currentIsDark; }
    qreal currentDevicePixelRatio() const { return m_currentDevicePixelRatio; }
    qint64 pixelBudget() const { return m_pixelBudget; }

    // The cached bitmap of the key. A scale, device pixel ratio or appearance other than the
    // previous lookup's first empties the cache ("TextCacheClear") and gives none; otherwise a
    // hit ("TextCacheHit") marks the entry most recently used, and a miss reports
    // "TextCacheMiss".
    std::optional<Bitmap> lookupBitmap(const TextBitmapKey& key, bool isDark, qreal scale, qreal devicePixelRatio);
    // Stores a bitmap (replacing one of the same key) as the most recently used, then evicts
    // the least recently used while the total exceeds the budget and two or more entries
    // remain: a single bitmap larger than the budget stays. The baseline is kept for drawing.
    void insertBitmap(const TextBitmapKey& key, const QImage& image, const QSizeF& naturalSize, qreal baseline = 0);
    // Empties the cache, keeping its table, clock, scale and appearance.
    void clearBitmaps();

    // Renders the key's text in the ink colour of the appearance, for the zoom scale at the
    // device pixel ratio. None for an empty text, for a bitmap beyond maxBitmapSide or
    // maxBitmapPixels, and when no image can be made. Does not touch any cache.
    static std::optional<Bitmap> renderTextBitmap(
        const TextBitmapKey& key, bool isDark, qreal scale, qreal devicePixelRatio);
    // Pixels per content point of a rendered bitmap: the device pixel ratio times the zoom
    // scale, but never so small that the font is less than 4 pixels tall.
    static qreal pixelFactor(qreal fontSize, qreal scale, qreal devicePixelRatio);
    // The size a bitmap of the key is drawn at: the widest line rounded up + 4 by the line
    // height × the number of lines. Empty for an empty text.
    static QSizeF naturalSize(const TextBitmapKey& key);
    // Draws the key's text as the bitmap shows it, with the bitmap's top-left corner at
    // topLeft: the canvas's way for texts too large for a bitmap.
    static void drawText(QPainter& painter, const TextBitmapKey& key, bool isDark, const QPointF& topLeft);

private:
    void evictIfNeeded();
    void removeEntry(std::unordered_map<TextBitmapKey, Entry>::iterator it);

    std::unordered_map<TextBitmapKey, Entry> m_entries;
    // lastUsed → key, oldest first.
    std::map<quint64, TextBitmapKey> m_recency;
    qint64 m_totalPixels = 0;
    quint64 m_clock = 0;
    qreal m_currentScale = std::numeric_limits<qreal>::quiet_NaN();
    std::optional<bool> m_currentIsDark;
    qreal m_currentDevicePixelRatio = std::numeric_limits<qreal>::quiet_NaN();
    qint64 m_pixelBudget;
};

} // namespace kestrion
