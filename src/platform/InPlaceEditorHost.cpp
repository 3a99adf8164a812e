#include "platform/InPlaceEditorHost.h"

#include <QWidget>

namespace kestrion {

void InPlaceEditorHost::dispatch(const std::function<void()>& callback)
{
    if (!callback)
        return;
    const bool wasDispatching = m_isDispatching;
    m_isDispatching = true;
    const std::weak_ptr<bool> alive = m_alive;
    // A copy: the callback may replace the one it was called through.
    const std::function<void()> run = callback;
    run();
    if (!alive.expired())
        m_isDispatching = wasDispatching;
}

void InPlaceEditorHost::setViewFocused(QWidget& view, bool focused)
{
    if (focused) {
        view.setFocus(Qt::OtherFocusReason);
        return;
    }
    if (!view.hasFocus())
        return;
    m_isReleasingFocus = true;
    view.clearFocus();
    m_isReleasingFocus = false;
}

bool InPlaceEditorHost::isMovingOn(Qt::FocusReason reason, bool isVisible) const
{
    if (m_isDispatching || m_isReleasingFocus || !isVisible)
        return false;
    return reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason;
}

} // namespace kestrion
