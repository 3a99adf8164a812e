#include "app/SermonWindow.h"

#include "app/ContentView.h"
#include "app/FocusContentView.h"
#include "app/FocusWindow.h"
#include "app/MenuCommands.h"
#include "document/DocumentController.h"
#include "document/SermonDocument.h"
#include "mindmap/MindMapCanvas.h"
#include "platform/DocumentManager.h"
#include "platform/NoticeBar.h"
#include "platform/OpenDocument.h"
#include "sheets/FileSettingsSheet.h"

#include <QAction>
#include <QCloseEvent>
#include <QMenu>
#include <QMenuBar>

namespace kestrion {

SermonWindow::SermonWindow(
    OpenDocument& document, Preferences& preferences, CheckForUpdatesViewModel* updates, QWidget* parent)
    : DocumentWindow(document, parent)
    , m_contentView(new ContentView(document.document(), preferences, &document.undoManager(), this))
{
    setContent(m_contentView);
    m_menus = new MenuCommands(*this, updates);
    connect(m_contentView, &ContentView::modeChanged, m_menus, &MenuCommands::showMode);
    connect(m_contentView, &ContentView::modeKept, m_menus, &MenuCommands::showMode);
    watchTyping(m_contentView->mindMapCanvas());
    connect(m_contentView, &ContentView::focusModeChanged, this, &SermonWindow::focusModeChanged);
    connect(&document.document(), &SermonDocument::unreadableFrontMatterChanged, this,
        &SermonWindow::updateUnreadableFrontMatterNotice);
    updateUnreadableFrontMatterNotice();
}

SermonWindow::~SermonWindow()
{
    // The views leave the command router only once this window is half taken apart; menus
    // refreshed by that would ask the remains for their front window.
    delete m_menus;
    m_menus = nullptr;
}

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

void SermonWindow::watchTyping(MindMapCanvas* canvas)
{
    if (!canvas)
        return;
    DocumentController& controller = canvas->controller();
    connect(&controller, &DocumentController::editingTextChanged, this, &DocumentWindow::pendingEditsChanged);
    connect(&controller, &DocumentController::editingNodeIDChanged, this, &DocumentWindow::pendingEditsChanged);
}

void SermonWindow::focusModeChanged(bool isFocusMode)
{
    if (isFocusMode) {
        if (FocusContentView* focus = m_contentView->focusWindow().window()) {
            watchTyping(focus->canvas());
            // No menu bar there: the window carries the menus' keys itself.
            focus->addActions(menuActions());
        }
    }
    Q_EMIT pendingEditsChanged();
}

QList<QAction*> SermonWindow::menuActions() const
{
    QList<QAction*> actions;
    const auto collect = [&actions](const QList<QAction*>& items, const auto& self) -> void {
        for (QAction* action : items) {
            if (QMenu* menu = action->menu())
                self(menu->actions(), self);
            else if (!action->isSeparator())
                actions.append(action);
        }
    };
    if (const auto* bar = qobject_cast<const QMenuBar*>(menuWidget()))
        collect(bar->actions(), collect);
    return actions;
}

void SermonWindow::closeEvent(QCloseEvent* event)
{
    // Focus mode ends first: the questions of closing are asked in this window, in sight. Not
    // when the close is to be refused: a dialog may stand over the focus window.
    if (document().manager().mayBeginClosing(document()))
        m_contentView->exitFocusMode();
    DocumentWindow::closeEvent(event);
}

QWidget* SermonWindow::openSheet() const
{
    QWidget* sheet = m_contentView->fileSettingsSheet();
    return sheet && sheet->isVisible() ? sheet->window() : nullptr;
}

QWidget* SermonWindow::frontWindow()
{
    if (QWidget* focus = m_contentView->focusWindow().window())
        return focus;
    return this;
}

void SermonWindow::commitPendingEdits()
{
    m_contentView->commitPendingEdits();
}

void SermonWindow::storePendingEdits()
{
    m_contentView->storePendingEdits();
}

std::optional<QByteArray> SermonWindow::contentsWithPendingEdits() const
{
    // The column editor writes every keystroke into its node, so the document itself already
    // holds what is typed there; only the maps' editors keep their words apart.
    const SermonDocument& sermon = document().document();
    if (!sermon.root())
        return std::nullopt;
    // Written beside the tree: the document itself changes only when an edit is committed.
    MarkdownCodec::ReplacedTexts typed;
    for (const MindMapCanvas* canvas : m_contentView->mindMapCanvases()) {
        const DocumentController& controller = canvas->controller();
        const std::optional<QUuid> id = controller.editingNodeID();
        const SermonNodePtr node = id ? sermon.root()->findNode(*id) : nullptr;
        if (node && node->text() != controller.editingText())
            typed.push_back({ node.get(), controller.editingText() });
    }
    if (typed.empty())
        return std::nullopt;
    return SermonDocument::fileContents(sermon.snapshot(typed));
}

} // namespace kestrion
