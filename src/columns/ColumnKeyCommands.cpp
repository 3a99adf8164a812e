#include "columns/ColumnKeyCommands.h"

#include "columns/ColumnCanvas.h"
#include "document/DocumentController.h"
#include "document/SermonDocument.h"
#include "platform/UndoManager.h"

#include <QKeyEvent>
#include <QPointer>

namespace kestrion {

ColumnKeyCommands::ColumnKeyCommands(ColumnCanvas& canvas)
    : m_canvas(canvas)
{
}

std::function<void()> ColumnKeyCommands::command(const QKeyEvent& event) const
{
    const int key = event.key();
    // The keypad's arrows and Return are the same keys.
    const Qt::KeyboardModifiers modifiers = event.modifiers() & ~Qt::KeypadModifier;
    const bool hasCommand = modifiers.testFlag(Qt::ControlModifier);
    const bool hasOption = modifiers.testFlag(Qt::AltModifier);
    QPointer<ColumnCanvas> guard(&m_canvas);
    const auto run = [guard](auto&& f) -> std::function<void()> {
        return [guard, f] {
            if (guard)
                f(*guard);
        };
    };
    const auto controller = [run](void (DocumentController::*operation)()) {
        return run([operation](ColumnCanvas& canvas) { (canvas.controller().*operation)(); });
    };

    if (modifiers == Qt::ControlModifier) {
        switch (key) {
        case Qt::Key_Z:
            return run([](ColumnCanvas& canvas) {
                if (UndoManager* undo = canvas.undoManager())
                    undo->undo();
            });
        case Qt::Key_X:
            return controller(&DocumentController::cut);
        case Qt::Key_C:
            return controller(&DocumentController::copy);
        case Qt::Key_V:
            return controller(&DocumentController::paste);
        default:
            break;
        }
    }
    if (modifiers == (Qt::ControlModifier | Qt::ShiftModifier) && key == Qt::Key_Z)
        return run([](ColumnCanvas& canvas) {
            if (UndoManager* undo = canvas.undoManager())
                undo->redo();
        });
    if (key == Qt::Key_Backspace || key == Qt::Key_Delete)
        return controller(&DocumentController::deleteSelection);
    if (key == Qt::Key_Escape)
        return run([](ColumnCanvas& canvas) { canvas.controller().setSelectedNodeID(std::nullopt); });

    const std::optional<QUuid> selected = m_canvas.controller().selectedNodeID();
    const SermonNodePtr root = m_canvas.document().root();
    const SermonNodePtr node = selected ? m_canvas.findNode(*selected) : nullptr;
    if (!node)
        return {};
    const QUuid id = node->id();

    switch (key) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return run([id](ColumnCanvas& canvas) { canvas.keyCommands().addChildToEdit(id); });
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // The title has no siblings: a new line next to it is a new main point under it.
        if (node == root)
            return run([id](ColumnCanvas& canvas) { canvas.keyCommands().addChildToEdit(id); });
        return run([id](ColumnCanvas& canvas) { canvas.keyCommands().addSiblingToEdit(id); });
    case Qt::Key_Space:
        return run([id](ColumnCanvas& canvas) { canvas.beginColumnEditing(id, false); });
    case Qt::Key_Left:
        if (hasOption)
            return controller(&DocumentController::promote);
        if (hasCommand)
            return controller(&DocumentController::fold);
        return run([id](ColumnCanvas& canvas) {
            if (const SermonNodePtr parent = canvas.findParent(id))
                canvas.controller().setSelectedNodeID(parent->id());
        });
    case Qt::Key_Right:
        if (hasOption)
            return controller(&DocumentController::demote);
        if (hasCommand || node->isCollapsed())
            return controller(&DocumentController::unfold);
        return run([id](ColumnCanvas& canvas) {
            const SermonNodePtr current = canvas.findNode(id);
            if (const SermonNodePtr child = current ? ColumnCanvas::firstVisibleChild(*current) : nullptr)
                canvas.controller().setSelectedNodeID(child->id());
        });
    case Qt::Key_Up:
    case Qt::Key_Down: {
        const bool down = key == Qt::Key_Down;
        if (hasOption)
            return run([down](ColumnCanvas& canvas) { canvas.controller().moveSelection(down); });
        return run([id, down](ColumnCanvas& canvas) {
            const std::optional<QUuid> next = down ? canvas.nearestNodeBelow(id) : canvas.nearestNodeAbove(id);
            if (next)
                canvas.controller().setSelectedNodeID(*next);
        });
    }
    default:
        return {};
    }
}

void ColumnKeyCommands::addChildToEdit(const QUuid& id)
{
    const SermonNodePtr node = m_canvas.findNode(id);
    if (!node)
        return;
    // A quote holds no points: the nearest place under it that can is right after it.
    if (node->isQuote()) {
        addSiblingToEdit(id);
        return;
    }
    m_canvas.document().recordUndo(m_canvas.controller().selectedNodeID(), m_canvas.undoManager());
    const SermonNodePtr child = node->addChild(QString());
    m_canvas.relayoutColumns(true);
    m_canvas.controller().setSelectedNodeID(child->id());
    m_canvas.beginColumnEditing(child->id(), true);
}

void ColumnKeyCommands::addSiblingToEdit(const QUuid& id)
{
    const SermonNodePtr root = m_canvas.document().root();
    // The title has no siblings: refused before anything is recorded.
    if (!root || !m_canvas.findParent(id))
        return;
    m_canvas.document().recordUndo(m_canvas.controller().selectedNodeID(), m_canvas.undoManager());
    const SermonNodePtr sibling = root->insertSibling(id, QString());
    m_canvas.relayoutColumns(true);
    m_canvas.controller().setSelectedNodeID(sibling->id());
    m_canvas.beginColumnEditing(sibling->id(), true);
}

} // namespace kestrion
