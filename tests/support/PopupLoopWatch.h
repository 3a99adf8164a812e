#pragma once

#include <QApplication>
#include <QPointer>
#include <QThread>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace kestrion::test {

// Runs one input step (a press, a key) and tells whether a popup it opened ran a loop of its
// own inside the step, under the handlers the step is still in. Such a popup is closed again so
// that the step returns. A popup still open once the step is over is left open; so is one seen
// while the step merely processes what is pending.
inline bool popupLoopsInside(const std::function<void()>& step)
{
    const QPointer<QWidget> before = QApplication::activePopupWidget();
    const int outerLoops = QThread::currentThread()->loopLevel();
    bool isInside = true;
    bool loops = false;
    QTimer watch;
    watch.setInterval(5);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        QWidget* popup = QApplication::activePopupWidget();
        if (!isInside || !popup || popup == before || QThread::currentThread()->loopLevel() <= outerLoops)
            return;
        loops = true;
        popup->close();
    });
    watch.start();
    step();
    isInside = false;
    return loops;
}

} // namespace kestrion::test
