#include "app/FocusWindow.h"

#include "app/FocusContentView.h"
#include "document/DocumentController.h"
#include "mindmap/MindMapCanvas.h"

#include <QScreen>

namespace kestrion {

FocusWindow::FocusWindow(QObject* parent)
    : QObject(parent)
{
}

FocusWindow::~FocusWindow()
{
    // The document window is going: nothing of it may stay on screen.
    delete m_window;
}

FocusContentView* FocusWindow::showFocusWindow(
    QScreen* screen, SermonDocument& document, UndoManager* undoManager, qreal scale, std::function<void()> onExit)
{
    if (!screen)
        return nullptr;
    // A window left standing would cover the screen with nobody to close it.
    hideFocusWindow();

    auto* window = new FocusContentView(document, undoManager, scale, std::move(onExit));
    window->setScreen(screen);
    window->setGeometry(screen->geometry());
    window->showFullScreen();
    window->raise();
    window->activateWindow();
    m_window = window;
    return window;
}

void FocusWindow::hideFocusWindow()
{
    FocusContentView* window = m_window;
    if (!window)
        return;
    m_window = nullptr;
    if (MindMapCanvas* canvas = window->canvas(); canvas->controller().editingNodeID())
        canvas->endEditing(true);
    window->hide();
    // Later: this may run inside one of the window's own key presses.
    window->deleteLater();
}

} // namespace kestrion
