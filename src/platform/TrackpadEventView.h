#pragma once

#include <QObject>
#include <QPointF>
#include <QPointer>
#include <QWidget>

#include <functional>

class QMouseEvent;

namespace kestrion {

// Reports the raw pointer input of one canvas widget to callbacks: scroll deltas (wheel and
// touchpad), magnification (pinch, or Ctrl with the wheel where there is no pinch), mouse
// movement, right clicks and, when wanted, left and double clicks. It watches only its own
// widget (and what children pass up to it), so the events of other windows never reach it and
// the text fields inside the canvas keep their own context menus.
//
// Locations are in the widget's coordinates, origin at its top left. Scrolls, magnifications,
// movement and left clicks are reported and taken; a right click is reported and consumed.
// Callbacks are read when an event arrives, so they may be replaced at any time.
class TrackpadEventView : public QObject {
    Q_OBJECT

public:
    using ScrollCallback = std::function<void(qreal dx, qreal dy)>;
    using MagnifyCallback = std::function<void(qreal magnification, const QPointF& location)>;
    using PointCallback = std::function<void(const QPointF& location)>;
    using RightClickCallback = std::function<void(const QPointF& location, QMouseEvent* event)>;

    // Points scrolled per wheel notch (120 eighths of a degree) when the device reports no
    // pixel delta.
    static constexpr qreal wheelPointsPerNotch = 40;
    // Relative magnification per wheel notch with Ctrl held.
    static constexpr qreal magnificationPerNotch = 0.1;

    // Watches the view; owned by it.
    explicit TrackpadEventView(QWidget* view);
    ~TrackpadEventView() override;

    QWidget* view() const { return m_view; }

    const ScrollCallback& onScroll() const { return m_onScroll; }
    void setOnScroll(ScrollCallback callback) { m_onScroll = std::move(callback); }
    const MagnifyCallback& onMagnify() const { return m_onMagnify; }
    void setOnMagnify(MagnifyCallback callback) { m_onMagnify = std::move(callback); }
    const std::function<void()>& onMagnifyEnd() const { return m_onMagnifyEnd; }
    void setOnMagnifyEnd(std::function<void()> callback) { m_onMagnifyEnd = std::move(callback); }
    const PointCallback& onMouseMoved() const { return m_onMouseMoved; }
    void setOnMouseMoved(PointCallback callback) { m_onMouseMoved = std::move(callback); }
    const RightClickCallback& onRightClick() const { return m_onRightClick; }
    void setOnRightClick(RightClickCallback callback) { m_onRightClick = std::move(callback); }
    const PointCallback& onLeftClick() const { return m_onLeftClick; }
    void setOnLeftClick(PointCallback callback) { m_onLeftClick = std::move(callback); }
    const PointCallback& onDoubleClick() const { return m_onDoubleClick; }
    void setOnDoubleClick(PointCallback callback) { m_onDoubleClick = std::move(callback); }

    // The scroll of a wheel event in points: the pixel delta when the device gives one, else
    // the angle delta scaled; Shift turns a plain vertical wheel into a horizontal scroll.
    static QPointF scrollDelta(const QPointF& pixelDelta, const QPoint& angleDelta, Qt::KeyboardModifiers modifiers);
    // The magnification of a Ctrl-wheel event.
    static qreal wheelMagnification(const QPoint& angleDelta);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> m_view;
    ScrollCallback m_onScroll;
    MagnifyCallback m_onMagnify;
    std::function<void()> m_onMagnifyEnd;
    PointCallback m_onMouseMoved;
    RightClickCallback m_onRightClick;
    PointCallback m_onLeftClick;
    PointCallback m_onDoubleClick;
};

} // namespace kestrion
