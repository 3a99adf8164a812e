#include "delivery/WindowFullscreenBridge.h"

#include "delivery/FullscreenController.h"

#include <QEvent>

namespace kestrion {

WindowFullscreenBridge::WindowFullscreenBridge(QWidget* view, FullscreenController& controller)
    : QObject(view)
    , m_view(view)
    , m_controller(controller)
{
    attach();
}

WindowFullscreenBridge::~WindowFullscreenBridge()
{
    if (m_window)
        m_window->removeEventFilter(this);
}

void WindowFullscreenBridge::attach()
{
    QWidget* window = m_view ? m_view->window() : nullptr;
    if (window == m_window)
        return;
    if (m_window)
        m_window->removeEventFilter(this);
    m_window = window;
    m_controller.setWindow(window);
    if (window)
        window->installEventFilter(this);
}

bool WindowFullscreenBridge::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_window)
        return false;
    switch (event->type()) {
    case QEvent::WindowStateChange: {
        const bool isInFullscreen = m_window->windowState() & Qt::WindowFullScreen;
        if (isInFullscreen == m_isInFullscreen)
            break;
        m_isInFullscreen = isInFullscreen;
        // Whoever ended full screen, the chrome comes back.
        if (!isInFullscreen)
            m_controller.restoreChrome();
        Q_EMIT fullscreenChanged(isInFullscreen);
        break;
    }
    case QEvent::Hide:
        // Hidden by the program, not minimised: the window is closing.
        if (!event->spontaneous())
            Q_EMIT windowClosed();
        break;
    default:
        break;
    }
    return false;
}

} // namespace kestrion
