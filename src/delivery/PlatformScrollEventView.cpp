#include "delivery/PlatformScrollEventView.h"

#include "platform/TrackpadEventView.h"

#include <QEvent>
#include <QWheelEvent>

namespace kestrion {

PlatformScrollEventView::PlatformScrollEventView(QWidget* view)
    : QObject(view)
    , m_view(view)
{
    if (view) {
        view->installEventFilter(this);
        attach();
    }
}

PlatformScrollEventView::~PlatformScrollEventView()
{
    if (m_window)
        m_window->removeEventFilter(this);
    if (m_view)
        m_view->removeEventFilter(this);
}

void PlatformScrollEventView::attach()
{
    QWindow* window = m_view ? m_view->window()->windowHandle() : nullptr;
    if (window == m_window)
        return;
    if (m_window)
        m_window->removeEventFilter(this);
    m_window = window;
    if (m_window)
        m_window->installEventFilter(this);
}

bool PlatformScrollEventView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_view) {
        switch (event->type()) {
        case QEvent::Show:
        case QEvent::ParentChange:
        case QEvent::WinIdChange:
            attach();
            break;
        default:
            break;
        }
        return false;
    }
    // A view kept while its window shows something else leaves that its wheel.
    if (watched == m_window && event->type() == QEvent::Wheel && m_onScroll && m_view && m_view->isVisible()) {
        const auto* wheel = static_cast<QWheelEvent*>(event);
        const QPointF delta
            = TrackpadEventView::scrollDelta(wheel->pixelDelta(), wheel->angleDelta(), wheel->modifiers());
        // The action may remove this very view.
        const ScrollCallback callback = m_onScroll;
        callback(delta.y());
    }
    return false;
}

} // namespace kestrion
