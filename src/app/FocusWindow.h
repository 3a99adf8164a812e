#pragma once

#include <QObject>
#include <QPointer>

#include <functional>

class QScreen;

namespace kestrion {

class FocusContentView;
class SermonDocument;
class UndoManager;

// The owner of one document window's focus-mode window: builds it full screen on a screen and
// takes it away again. Each document window's root view owns one for its whole life.
class FocusWindow : public QObject {
    Q_OBJECT
public:
    explicit FocusWindow(QObject* parent = nullptr);
    ~FocusWindow() override;

    // The focus window while it is shown; null otherwise.
    FocusContentView* window() const { return m_window; }

    // Builds the focus window on the screen, covering it, and gives it the keyboard. A window
    // shown before is hidden first, its typing kept. Without a screen nothing is shown and
    // none is returned.
    FocusContentView* showFocusWindow(
        QScreen* screen, SermonDocument& document, UndoManager* undoManager, qreal scale, std::function<void()> onExit);
    // Writes what is still being typed in the focus window into the document, hides the
    // window and drops it. Nothing happens without one.
    void hideFocusWindow();

private:
    QPointer<FocusContentView> m_window;
};

} // namespace kestrion
