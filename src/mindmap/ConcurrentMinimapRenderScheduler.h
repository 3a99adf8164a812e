#pragma once

#include "mindmap/MinimapRenderScheduler.h"

#include <QFuture>
#include <QList>
#include <QObject>

namespace kestrion {

// Waits on a main-thread timer, renders on the shared thread pool, and delivers through the
// main thread's event loop. Destroying it waits for the renders still running (they have been
// cancelled by then and stop at their next checkpoint), so no render outlives the objects
// and fonts it draws with.
class ConcurrentMinimapRenderScheduler final : public QObject, public MinimapRenderScheduler {
    Q_OBJECT
public:
    explicit ConcurrentMinimapRenderScheduler(QObject* parent = nullptr);
    ~ConcurrentMinimapRenderScheduler() override;

    void start(std::shared_ptr<MinimapRenderTask> task, Render render, Deliver deliver) override;

    // Blocks until every render started so far has ended; tests and shutdown use it.
    void waitForRenders();

private:
    QList<QFuture<void>> m_running;
};

} // namespace kestrion
