#pragma once

#include <QThread>
#include <QtConcurrent/QtConcurrentMap>

#include <algorithm>
#include <atomic>
#include <vector>

namespace kestrion {

// Runs work over the indices [0, count) in pieces of at most `piece`, on this thread and on the
// idle worker threads, and returns once every piece is done. Each worker makes its own state once
// with makeWorker(), which gives a callable taking (begin, end), then takes the next piece until
// none is left: text measuring keeps fonts per worker, and fonts are not shared between threads.
// The work must not touch what this thread or another worker changes meanwhile.
template <typename MakeWorker> void runInPieces(qsizetype count, qsizetype piece, MakeWorker makeWorker)
{
    if (count <= 0)
        return;
    const qsizetype pieces = (count + piece - 1) / piece;
    std::vector<int> workers(static_cast<size_t>(std::clamp<qsizetype>(QThread::idealThreadCount(), 1, pieces)));
    std::atomic<qsizetype> next { 0 };
    // Workers that find no idle thread run on this one, after those before them.
    QtConcurrent::blockingMap(workers, [&](int) {
        auto work = makeWorker();
        for (qsizetype begin = next.fetch_add(piece); begin < count; begin = next.fetch_add(piece))
            work(begin, std::min(begin + piece, count));
    });
}

} // namespace kestrion
