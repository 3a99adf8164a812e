#include "mindmap/MinimapCache.h"

#include "mindmap/ConcurrentMinimapRenderScheduler.h"
#include "platform/Typography.h"

#include <QPointer>

namespace kestrion {

MinimapCache::MinimapCache(std::unique_ptr<MinimapRenderScheduler> scheduler, QObject* parent)
    : QObject(parent)
    , m_scheduler(scheduler ? std::move(scheduler) : std::make_unique<ConcurrentMinimapRenderScheduler>())
{
    // The font families resolve on the main thread, before any render asks for them.
    (void)Typography::systemFont(13);
}

MinimapCache::~MinimapCache()
{
    cancelInFlight();
    // The scheduler goes with the cache and waits for a render still running.
}

void MinimapCache::cancelInFlight()
{
    if (m_inFlight)
        m_inFlight->cancel();
    m_inFlight.reset();
}

void MinimapCache::requestMinimapRender(const MinimapRenderer::Input& input, const MinimapCacheKey& key)
{
    if (m_currentKey == key) {
        // Back to what is on display (an undo within the pause, say): a render for another
        // key still under way would replace it with a picture of a tree that is gone.
        if (m_pendingKey) {
            cancelInFlight();
            m_pendingKey.reset();
        }
        return;
    }
    if (m_pendingKey == key)
        return;
    cancelInFlight();
    m_pendingKey = key;
    auto task = std::make_shared<MinimapRenderTask>();
    m_inFlight = task;
    QPointer<MinimapCache> self(this);
    m_scheduler->start(
        task, [input, task] { return MinimapRenderer::renderMinimap(input, [task] { return task->isCancelled(); }); },
        [self, key, task](const QImage& image) {
            if (self && !task->isCancelled())
                self->store(key, image);
        });
}

void MinimapCache::store(const MinimapCacheKey& key, const QImage& image)
{
    if (m_pendingKey != key)
        return;
    m_currentImage = image;
    m_currentKey = key;
    m_pendingKey.reset();
    m_inFlight.reset();
    Q_EMIT currentImageChanged();
}

} // namespace kestrion
