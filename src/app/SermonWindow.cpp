#include "app/SermonWindow.h"

#include "app/ContentView.h"
#include "document/DocumentController.h"
#include "document/SermonDocument.h"
#include "mindmap/MindMapCanvas.h"
#include "platform/NoticeBar.h"
#include "platform/OpenDocument.h"

namespace kestrion {

SermonWindow::SermonWindow(OpenDocument& document, Preferences& preferences, QWidget* parent)
    : DocumentWindow(document, parent)
    , m_contentView(new ContentView(document.document(), preferences, &document.undoManager(), this))
{
    setContent(m_contentView);
    if (MindMapCanvas* canvas = m_contentView->mindMapCanvas()) {
        DocumentController& controller = canvas->controller();
        connect(&controller, &DocumentController::editingTextChanged, this, &DocumentWindow::pendingEditsChanged);
        connect(&controller, &DocumentController::editingNodeIDChanged, this, &DocumentWindow::pendingEditsChanged);
    }
    connect(&document.document(), &SermonDocument::unreadableFrontMatterChanged, this,
        &SermonWindow::updateUnreadableFrontMatterNotice);
    updateUnreadableFrontMatterNotice();
}

SermonWindow::~SermonWindow() = default;

void SermonWindow::updateUnreadableFrontMatterNotice()
{
    const std::optional<UnreadableFrontMatter>& frontMatter = document().document().unreadableFrontMatter();
    if (!frontMatter) {
        hideNotice(unreadableFrontMatterNoticeKey());
        return;
    }
    const QString problem = frontMatter->line > 0
        ? tr("line %1: %2").arg(QString::number(frontMatter->line), frontMatter->reason)
        : frontMatter->reason;
    const QString what = frontMatter->isPartlyRead
        ? tr("Part of the details at the top of this file could not be read (%1).").arg(problem)
        : tr("The details at the top of this file could not be read (%1).").arg(problem);
    showNotice(unreadableFrontMatterNoticeKey(),
        what + u' ' + tr("The lines are kept exactly as written; editing the sermon's details replaces them."), {});
}

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
    return SermonDocument::fileContents(sermon.snapshot(copy));
}

} // namespace kestrion
