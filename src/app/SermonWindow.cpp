#include "app/SermonWindow.h"

#include "app/ContentView.h"
#include "app/MenuCommands.h"
#include "document/DocumentController.h"
#include "document/MarkdownCodec.h"
#include "document/SermonDocument.h"
#include "mindmap/MindMapCanvas.h"
#include "platform/OpenDocument.h"

namespace kestrion {

SermonWindow::SermonWindow(
    OpenDocument& document, Preferences& preferences, CheckForUpdatesViewModel* updates, QWidget* parent)
    : DocumentWindow(document, parent)
    , m_contentView(new ContentView(document.document(), preferences, &document.undoManager(), this))
{
    setContent(m_contentView);
    m_menus = new MenuCommands(*this, updates);
    if (MindMapCanvas* canvas = m_contentView->mindMapCanvas()) {
        DocumentController& controller = canvas->controller();
        connect(&controller, &DocumentController::editingTextChanged, this, &DocumentWindow::pendingEditsChanged);
        connect(&controller, &DocumentController::editingNodeIDChanged, this, &DocumentWindow::pendingEditsChanged);
    }
}

SermonWindow::~SermonWindow() = default;

void SermonWindow::commitPendingEdits()
{
    MindMapCanvas* canvas = m_contentView->mindMapCanvas();
    if (canvas && canvas->controller().editingNodeID())
        canvas->endEditing(true);
}

std::optional<QByteArray> SermonWindow::contentsWithPendingEdits() const
{
    const MindMapCanvas* canvas = m_contentView->mindMapCanvas();
    if (!canvas)
        return std::nullopt;
    const DocumentController& controller = canvas->controller();
    const std::optional<QUuid> id = controller.editingNodeID();
    const SermonDocument& sermon = document().document();
    const SermonNodePtr node = id && sermon.root() ? sermon.root()->findNode(*id) : nullptr;
    if (!node || node->text() == controller.editingText())
        return std::nullopt;
    // Written into a copy: the document itself changes only when the edit is committed.
    const SermonNodePtr copy = sermon.root()->deepCopy(false);
    copy->findNode(*id)->setText(controller.editingText());
    return SermonDocument::fileContents(MarkdownCodec::serializeDocument(copy, sermon.metadata()));
}

} // namespace kestrion
