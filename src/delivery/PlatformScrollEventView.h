#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <QWindow>

#include <functional>

namespace kestrion {

// Hands the vertical delta of every scroll-wheel event of a view's window to an action, wherever
// in the window the pointer stands, and lets the event go on unchanged. It watches the window
// itself, so each event is reported once, before any widget sees it, and the events of other
// windows never reach it, nor those of its own window while the view is not shown. Deltas are
// in points: the device's pixel delta, or the wheel's angle scaled as the mind map scales it.
// Main thread only.
class PlatformScrollEventView : public QObject {
    Q_OBJECT

public:
    using ScrollCallback = std::function<void(double deltaY)>;

    // Watches the view's window; owned by the view.
    explicit PlatformScrollEventView(QWidget* view);
    ~PlatformScrollEventView() override;

    const ScrollCallback& onScroll() const { return m_onScroll; }
    void setOnScroll(ScrollCallback callback) { m_onScroll = std::move(callback); }

    // The window whose events are reported; null until the view is in a shown window.
    QWindow* watchedWindow() const { return m_window; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void attach();

    QPointer<QWidget> m_view;
    QPointer<QWindow> m_window;
    ScrollCallback m_onScroll;
};

} // namespace kestrion
