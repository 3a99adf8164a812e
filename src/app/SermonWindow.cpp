#include "app/SermonWindow.h"

#include "app/ContentView.h"
#include "document/DocumentController.h"
#include "mindmap/MindMapCanvas.h"
#include "platform/OpenDocument.h"

namespace kestrion {

SermonWindow::SermonWindow(OpenDocument& document, Preferences& preferences, QWidget* parent)
    : DocumentWindow(document, parent)
    , m_contentView(new ContentView(document.document(), preferences, &document.undoManager(), this))
{
    setCentralWidget(m_contentView);
}

SermonWindow::~SermonWindow() = default;

void SermonWindow::commitPendingEdits()
{
    MindMapCanvas* canvas = m_contentView->mindMapCanvas();
    if (canvas && canvas->controller().editingNodeID())
        canvas->endEditing(true);
}

} // namespace kestrion
