#include "mindmap/ConcurrentMinimapRenderScheduler.h"

#include <QMetaObject>
#include <QPointer>
#include <QThreadPool>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>

namespace kestrion {

ConcurrentMinimapRenderScheduler::ConcurrentMinimapRenderScheduler(QObject* parent)
    : QObject(parent)
{
}

ConcurrentMinimapRenderScheduler::~ConcurrentMinimapRenderScheduler()
{
    waitForRenders();
}

void ConcurrentMinimapRenderScheduler::waitForRenders()
{
    for (QFuture<void>& future : m_running)
        future.waitForFinished();
    m_running.clear();
}

void ConcurrentMinimapRenderScheduler::start(std::shared_ptr<MinimapRenderTask> task, Render render, Deliver deliver)
{
    m_running.removeIf([](const QFuture<void>& future) { return future.isFinished(); });
    QTimer::singleShot(debounceMilliseconds, this, [this, task, render = std::move(render), deliver] {
        if (task->isCancelled())
            return;
        // This object outlives every render it starts (its destructor waits for them), so the
        // render may post its result to it; a result posted after it is gone is discarded.
        QObject* receiver = this;
        m_running.append(QtConcurrent::run(QThreadPool::globalInstance(), [task, render, deliver, receiver] {
            if (task->isCancelled())
                return;
            std::optional<QImage> image = render();
            if (task->isCancelled() || !image)
                return;
            QMetaObject::invokeMethod(
                receiver,
                [task, deliver, image = std::move(*image)] {
                    if (!task->isCancelled())
                        deliver(image);
                },
                Qt::QueuedConnection);
        }));
    });
}

} // namespace kestrion
