#pragma once

#include <QFuture>

#include <functional>

class QThreadPool;

namespace kestrion {

// Worker threads for work that nobody waits for yet (measuring ahead of need): at most half
// the cores, each thread at a low scheduling priority, so that the window and the work it
// waits for on the shared pool always come first. Unlike the idle scheduling class, a low
// priority never leaves such a thread without any time while it holds a lock the window
// needs (the font database's among them).
class BackgroundThreads {
public:
    // Runs the task on one of the threads (or on the caller, when it waits for the task before
    // a thread took it). The pool goes with the application object.
    static QFuture<void> run(std::function<void()> task);
    static QThreadPool& pool();
    // The niceness the threads run at: 0 is the window's, 19 the lowest.
    static constexpr int niceness = 10;
};

} // namespace kestrion
