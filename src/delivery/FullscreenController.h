#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <optional>

namespace kestrion {

// Puts a window into full screen through its own showFullScreen with the toolbar hidden, and
// brings window and toolbar back afterwards. Whether the window is in full screen is read from
// the window each time, so full screen entered or left by anyone else is handled alike.
class FullscreenController : public QObject {
    Q_OBJECT

public:
    explicit FullscreenController(QObject* parent = nullptr);
    ~FullscreenController() override;

    QWidget* window() const { return m_window; }
    void setWindow(QWidget* window) { m_window = window; }
    // The bar hidden in full screen; none when the window has none.
    QWidget* toolbar() const { return m_toolbar; }
    void setToolbar(QWidget* toolbar) { m_toolbar = toolbar; }

    bool isFullScreen() const;
    // Does nothing without a window or when it is in full screen already (nothing is saved then).
    void enter();
    // Leaves full screen, back to the window's earlier state, and restores the chrome; a window
    // not in full screen is left alone. A hidden window (one being closed) is not shown again.
    void exit();
    // The toolbar as it was before entering, visible when nothing was saved.
    void restoreChrome();

    const std::optional<bool>& savedToolbarIsVisible() const { return m_savedToolbarIsVisible; }
    // Whether the toolbar is hidden by enter() and not yet restored.
    bool hasHiddenToolbar() const { return m_hasHiddenToolbar; }

private:
    QPointer<QWidget> m_window;
    QPointer<QWidget> m_toolbar;
    std::optional<bool> m_savedToolbarIsVisible;
    std::optional<Qt::WindowStates> m_savedWindowState;
    bool m_hasHiddenToolbar = false;
};

} // namespace kestrion
