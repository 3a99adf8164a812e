#include "platform/BackgroundThreads.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThread>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>

#include <sys/resource.h>
#include <unistd.h>

namespace kestrion {

QThreadPool& BackgroundThreads::pool()
{
    static QPointer<QThreadPool> threads;
    if (!threads) {
        // Joined with the application's own pool when the application object goes.
        threads = new QThreadPool(QCoreApplication::instance());
        threads->setObjectName(QStringLiteral("backgroundThreads"));
        threads->setMaxThreadCount(std::max(1, QThread::idealThreadCount() / 2));
    }
    return *threads;
}

QFuture<void> BackgroundThreads::run(std::function<void()> task)
{
    return QtConcurrent::run(&pool(), [task = std::move(task), caller = QThread::currentThread()] {
        // A caller waiting for a task not yet started runs it itself, at its own priority.
        // Niceness is per thread on Linux, and never lowered again: it holds for every later
        // task on the thread.
        if (QThread::currentThread() != caller)
            setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), niceness);
        task();
    });
}

} // namespace kestrion
