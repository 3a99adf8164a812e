#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

namespace kestrion {

class FullscreenController;

// Watches the window a view stands in: reports entering and leaving full screen, restores the
// chrome through the controller whenever full screen ends (the user, the window manager or
// the program ending it), and reports the window being closed. The window is found again when
// the view moves to another.
class WindowFullscreenBridge : public QObject {
    Q_OBJECT

public:
    WindowFullscreenBridge(QWidget* view, FullscreenController& controller);
    ~WindowFullscreenBridge() override;

    bool isInFullscreen() const { return m_isInFullscreen; }
    // Finds the view's window, hands it to the controller and watches it.
    void attach();

Q_SIGNALS:
    void fullscreenChanged(bool isInFullscreen);
    void windowClosed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> m_view;
    FullscreenController& m_controller;
    QPointer<QWidget> m_window;
    bool m_isInFullscreen = false;
};

} // namespace kestrion
