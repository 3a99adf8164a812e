#pragma once

#include "mindmap/MinimapCacheKey.h"
#include "mindmap/MinimapRenderScheduler.h"
#include "mindmap/MinimapRenderer.h"

#include <QImage>
#include <QObject>

#include <memory>
#include <optional>

namespace kestrion {

// The minimap's bitmap and its rendering: the bitmap on display with its key, the key being
// rendered and the task rendering it. An unchanged request does nothing; a new one replaces
// the render in progress; the bitmap is stored only while its key is still the one wanted, and
// replaces the shown one in a single step, so the minimap never shows an empty frame.
//
// Requests, stores and destruction happen on the main thread; only the render runs elsewhere.
// Destroying the cache cancels its render.
class MinimapCache : public QObject {
    Q_OBJECT
public:
    // Renders through the given scheduler, or on the thread pool when none is given.
    explicit MinimapCache(std::unique_ptr<MinimapRenderScheduler> scheduler = {}, QObject* parent = nullptr);
    ~MinimapCache() override;

    const std::optional<QImage>& currentImage() const { return m_currentImage; }
    const std::optional<MinimapCacheKey>& currentKey() const { return m_currentKey; }
    const std::optional<MinimapCacheKey>& pendingKey() const { return m_pendingKey; }
    const std::shared_ptr<MinimapRenderTask>& inFlight() const { return m_inFlight; }

    // Asks for the bitmap of input, known by key; returns at once.
    void requestMinimapRender(const MinimapRenderer::Input& input, const MinimapCacheKey& key);

Q_SIGNALS:
    void currentImageChanged();

private:
    void cancelInFlight();
    void store(const MinimapCacheKey& key, const QImage& image);

    std::unique_ptr<MinimapRenderScheduler> m_scheduler;
    std::optional<QImage> m_currentImage;
    std::optional<MinimapCacheKey> m_currentKey;
    std::optional<MinimapCacheKey> m_pendingKey;
    std::shared_ptr<MinimapRenderTask> m_inFlight;
};

} // namespace kestrion
