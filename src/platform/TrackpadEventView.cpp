#include "platform/TrackpadEventView.h"

#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QNativeGestureEvent>
#include <QWheelEvent>

namespace kestrion {

TrackpadEventView::TrackpadEventView(QWidget* view)
    : QObject(view)
    , m_view(view)
{
    if (view)
        view->installEventFilter(this);
}

TrackpadEventView::~TrackpadEventView()
{
    if (m_view)
        m_view->removeEventFilter(this);
}

QPointF TrackpadEventView::scrollDelta(
    const QPointF& pixelDelta, const QPoint& angleDelta, Qt::KeyboardModifiers modifiers)
{
    if (!pixelDelta.isNull())
        return pixelDelta;
    QPointF delta = QPointF(angleDelta) * (wheelPointsPerNotch / 120.0);
    if ((modifiers & Qt::ShiftModifier) && delta.x() == 0)
        delta = QPointF(delta.y(), 0);
    return delta;
}

qreal TrackpadEventView::wheelMagnification(const QPoint& angleDelta)
{
    const int notches = angleDelta.y() != 0 ? angleDelta.y() : angleDelta.x();
    return static_cast<qreal>(notches) / 120.0 * magnificationPerNotch;
}

bool TrackpadEventView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_view)
        return false;
    switch (event->type()) {
    case QEvent::Wheel: {
        auto* wheel = static_cast<QWheelEvent*>(event);
        if (wheel->modifiers() & Qt::ControlModifier) {
            // Where there is no pinch, Ctrl with the wheel magnifies about the pointer.
            if (m_onMagnify)
                m_onMagnify(wheelMagnification(wheel->angleDelta()), wheel->position());
            if (m_onMagnifyEnd)
                m_onMagnifyEnd();
        } else if (m_onScroll) {
            const QPointF delta = scrollDelta(wheel->pixelDelta(), wheel->angleDelta(), wheel->modifiers());
            m_onScroll(delta.x(), delta.y());
        }
        wheel->accept();
        return true;
    }
    case QEvent::NativeGesture: {
        auto* gesture = static_cast<QNativeGestureEvent*>(event);
        switch (gesture->gestureType()) {
        case Qt::ZoomNativeGesture:
            if (m_onMagnify)
                m_onMagnify(gesture->value(), gesture->position());
            gesture->accept();
            return true;
        case Qt::EndNativeGesture:
            if (m_onMagnifyEnd)
                m_onMagnifyEnd();
            return false;
        default:
            return false;
        }
    }
    case QEvent::MouseMove:
        if (m_onMouseMoved)
            m_onMouseMoved(static_cast<QMouseEvent*>(event)->position());
        return false;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::RightButton) {
            if (m_onRightClick)
                m_onRightClick(mouse->position(), mouse);
            mouse->accept();
            return true;
        }
        if (mouse->button() == Qt::LeftButton) {
            if (event->type() == QEvent::MouseButtonDblClick) {
                if (m_onDoubleClick)
                    m_onDoubleClick(mouse->position());
            } else if (m_onLeftClick) {
                m_onLeftClick(mouse->position());
            }
        }
        return false;
    }
    case QEvent::MouseButtonRelease:
        // The press was consumed; so is its release.
        return static_cast<QMouseEvent*>(event)->button() == Qt::RightButton;
    case QEvent::ContextMenu:
        // The right press has been handled already; the menu it would open is ours.
        return static_cast<QContextMenuEvent*>(event)->reason() == QContextMenuEvent::Mouse;
    default:
        return false;
    }
}

} // namespace kestrion
