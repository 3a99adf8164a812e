#include "delivery/FullscreenController.h"

namespace kestrion {

FullscreenController::FullscreenController(QObject* parent)
    : QObject(parent)
{
}

FullscreenController::~FullscreenController() = default;

bool FullscreenController::isFullScreen() const
{
    return m_window && (m_window->windowState() & Qt::WindowFullScreen);
}

void FullscreenController::enter()
{
    if (!m_window || isFullScreen())
        return;
    m_savedWindowState = m_window->windowState();
    if (m_toolbar)
        m_savedToolbarIsVisible = !m_toolbar->isHidden();
    else
        m_savedToolbarIsVisible.reset();
    if (m_toolbar) {
        m_toolbar->hide();
        m_hasHiddenToolbar = true;
    }
    m_window->showFullScreen();
}

void FullscreenController::exit()
{
    if (!m_window || !isFullScreen())
        return;
    if (!m_window->isVisible()) {
        // A window being closed keeps its state; only what it holds is put back.
        restoreChrome();
        return;
    }
    const Qt::WindowStates before = m_savedWindowState.value_or(Qt::WindowNoState) & ~Qt::WindowFullScreen;
    // Setting the state does not show a window that is closing.
    m_window->setWindowState((m_window->windowState() & ~(Qt::WindowFullScreen | Qt::WindowMaximized)) | before);
    restoreChrome();
}

void FullscreenController::restoreChrome()
{
    if (m_toolbar)
        m_toolbar->setVisible(m_savedToolbarIsVisible.value_or(true));
    m_hasHiddenToolbar = false;
}

} // namespace kestrion
