#include "app/EditMenuCommands.h"

#include "mindmap/FocusedNodeActionsKey.h"
#include "mindmap/NodeContextMenu.h"
#include "platform/EmojiMenuStyle.h"
#include "platform/TextFieldKeyGuard.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>

#include <vector>

namespace kestrion {

struct EditMenuCommands::Item {
    NodeCommand command;
    const char* title;
    QList<QKeySequence> keys;
    // Null: never disabled.
    bool (*isEnabled)(const NodeActionState&);
    // The text fallback: the standard action handed to the widget with the keyboard, or null.
    const char* textSlot;
    bool hasSeparatorBefore;
};

namespace {

using Item = EditMenuCommands::Item;

bool hasSelection(const NodeActionState& s)
{
    return s.hasSelection;
}

bool hasOneSelected(const NodeActionState& s)
{
    return s.hasSelection && !s.hasMultiSelection;
}

QKeySequence keys(QKeyCombination combination)
{
    return QKeySequence(combination);
}

// The Edit menu's node items in menu order; SetMarker stands for the "Mark" submenu.
const std::vector<Item>& editItems()
{
    using S = NodeActionState;
    static const std::vector<Item> items {
        { NodeCommand::Cut, QT_TRANSLATE_NOOP("kestrion::EditMenuCommands", "Cut"), { keys(Qt::CTRL | Qt::Key_X) },
            nullptr, "cut", true },
        { NodeCommand::Copy, QT_TRANSLATE_NOOP("kestrion::EditMenuCommands", "Copy"), { keys(Qt::CTRL | Qt::Key_C) },
            nullptr, "copy", false },
        { NodeCommand::CopyBranch, QT_TRANSLATE_NOOP("kestrion::EditMenuCommands", "Copy Branch"),
            { keys(Qt::CTRL | Qt::SHIFT | Qt::Key_C) }, hasSelection, nullptr, false },
        { NodeCommand::Paste, QT_TRANSLATE_NOOP("kestrion::EditMenuCommands", "Paste"), { keys(Qt::CTRL | Qt::Key_V) },
            nullptr, "paste", false },
        { NodeCommand::SelectAll, QT_TRANSLATE_NOOP("kestrion::EditMenuCommands", "Select All"),
            { keys(Qt::CTRL | Qt::Key_A) }, nullptr, "selectAll", false },
        { NodeCommand::DeselectAll, QT_TRANSLATE_NOOP("kestrion::EditMenuCommands", "Deselect All"),
            { keys(Qt::CTRL | Qt::SHIFT | Qt::Key_A) }, [](const S& s) { return s.hasAnySelection; }, nullptr, false },
        { NodeCommand::Duplicate, QT_TRANSLATE_NOOP("kestrion::EditMenuCommands", "Duplicate"),
            { keys(Qt::CTRL | Qt::Key_D) }, hasSelection, nullptr, true },
        // The Delete key of other keyboards is Backspace here, and the forward Delete too.
        { NodeCommand::Delete, QT_TRANSLATE_NOOP("kestrion::EditMenuCommands", "Delete"),
            { keys(Qt::Key_Backspace), keys(Qt::Key_Delete) }, hasSelection, nullptr, true },
        { NodeCommand::ToggleQuote, QT_TRANSLATE_NOOP("kestrion::EditMenuCommands", "Mark as Quote"),
            { keys(Qt::CTRL | Qt::Key_Apostrophe) }, [](const S& s) { return s.canToggleQuote; }, nullptr, true },
        { NodeCommand::SetMarker, QT_TRANSLATE_NOOP("kestrion::EditMenuCommands", "Mark"), {}, hasSelection, nullptr,
            false },
        { NodeCommand::Fold, QT_TRANSLATE_NOOP("kestrion::EditMenuCommands", "Fold"), { keys(Qt::CTRL | Qt::Key_Left) },
            [](const S& s) { return s.canFold; }, nullptr, true },
        { NodeCommand::Unfold, QT_TRANSLATE_NOOP("kestrion::EditMenuCommands", "Unfold"),
            { keys(Qt::CTRL | Qt::Key_Right) }, [](const S& s) { return s.canUnfold; }, nullptr, false },
        { NodeCommand::MoveUp, QT_TRANSLATE_NOOP("kestrion::EditMenuCommands", "Move Up"),
            { keys(Qt::ALT | Qt::Key_Up) }, hasSelection, nullptr, true },
        { NodeCommand::MoveDown, QT_TRANSLATE_NOOP("kestrion::EditMenuCommands", "Move Down"),
            { keys(Qt::ALT | Qt::Key_Down) }, hasSelection, nullptr, false },
        { NodeCommand::Promote, QT_TRANSLATE_NOOP("kestrion::EditMenuCommands", "Promote"),
            { keys(Qt::ALT | Qt::Key_Left) }, [](const S& s) { return s.canPromote; }, nullptr, false },
        { NodeCommand::Demote, QT_TRANSLATE_NOOP("kestrion::EditMenuCommands", "Demote"),
            { keys(Qt::ALT | Qt::Key_Right) }, hasSelection, nullptr, false },
        { NodeCommand::Split, QT_TRANSLATE_NOOP("kestrion::EditMenuCommands", "Split"),
            { keys(Qt::CTRL | Qt::Key_Return), keys(Qt::CTRL | Qt::Key_Enter) }, [](const S& s) { return s.canSplit; },
            nullptr, true },
        { NodeCommand::SplitSentences, QT_TRANSLATE_NOOP("kestrion::EditMenuCommands", "Split Sentences"),
            { keys(Qt::CTRL | Qt::Key_Semicolon) }, [](const S& s) { return s.canSplitSentences; }, nullptr, false },
        { NodeCommand::Join, QT_TRANSLATE_NOOP("kestrion::EditMenuCommands", "Join"), { keys(Qt::CTRL | Qt::Key_J) },
            [](const S& s) { return s.hasMultiSelection; }, nullptr, false },
        { NodeCommand::Edit, QT_TRANSLATE_NOOP("kestrion::EditMenuCommands", "Edit"), { keys(Qt::Key_Space) },
            hasOneSelected, nullptr, true },
        { NodeCommand::NewLineBelow, QT_TRANSLATE_NOOP("kestrion::EditMenuCommands", "New Line Below"),
            { keys(Qt::Key_Return), keys(Qt::Key_Enter) }, hasSelection, nullptr, false },
        { NodeCommand::NewLineAbove, QT_TRANSLATE_NOOP("kestrion::EditMenuCommands", "New Line Above"),
            { keys(Qt::SHIFT | Qt::Key_Return), keys(Qt::SHIFT | Qt::Key_Enter) }, hasSelection, nullptr, false },
        { NodeCommand::NewLineUnder, QT_TRANSLATE_NOOP("kestrion::EditMenuCommands", "New Line Under"),
            { keys(Qt::Key_Tab) }, hasOneSelected, nullptr, false },
    };
    return items;
}

QString translated(const char* title)
{
    return QCoreApplication::translate("kestrion::EditMenuCommands", title);
}

} // namespace

EditMenuCommands::EditMenuCommands(QMenu& menu, TargetSource target, QObject* parent)
    : QObject(parent)
    , m_menu(menu)
    , m_target(std::move(target))
{
    for (const Item& item : editItems()) {
        if (item.hasSeparatorBefore)
            m_menu.addSeparator();
        if (item.command == NodeCommand::SetMarker) {
            m_markMenu = m_menu.addMenu(translated(item.title));
            EmojiMenuStyle::install(*m_markMenu);
            for (const ContextMenuItem& mark : NodeContextMenu::markItems()) {
                if (mark.kind == ContextMenuItem::Kind::Separator) {
                    m_markMenu->addSeparator();
                    continue;
                }
                QAction* action = m_markMenu->addAction(mark.title);
                action->setShortcut(mark.shortcut);
                connect(action, &QAction::triggered, this, [this, mark] { run(mark.command, mark.marker, nullptr); });
                if (mark.command == NodeCommand::RemoveMarker)
                    m_removeMarker = action;
                else
                    m_markActions[mark.marker] = action;
            }
            continue;
        }
        QAction* action = m_menu.addAction(translated(item.title));
        action->setShortcuts(item.keys);
        connect(action, &QAction::triggered, this, [this, &item] { run(item.command, {}, &item); });
        m_actions[item.command] = action;
    }
}

QAction* EditMenuCommands::action(NodeCommand command) const
{
    const auto found = m_actions.find(command);
    return found == m_actions.end() ? nullptr : found->second;
}

QAction* EditMenuCommands::markAction(const QString& marker) const
{
    const auto found = m_markActions.find(marker);
    return found == m_markActions.end() ? nullptr : found->second;
}

void EditMenuCommands::refresh(const Target& target)
{
    const std::optional<NodeActions> actions = target.values.get<FocusedNodeActionsKey>();
    const NodeActionState state = actions ? actions->state : NodeActionState {};
    for (const Item& item : editItems()) {
        bool isEnabled = !item.isEnabled || item.isEnabled(state);
        if (item.textSlot)
            isEnabled = actions || standardActionReceiver(target.focus, item.textSlot);
        if (item.command == NodeCommand::SetMarker) {
            // The whole submenu, its shortcuts included.
            m_markMenu->menuAction()->setEnabled(isEnabled);
            for (QAction* mark : m_markMenu->actions())
                mark->setEnabled(isEnabled);
            continue;
        }
        m_actions.at(item.command)->setEnabled(isEnabled);
    }
    action(NodeCommand::ToggleQuote)
        ->setText(translated(state.isQuote ? QT_TRANSLATE_NOOP("kestrion::EditMenuCommands", "Unmark as Quote")
                                           : QT_TRANSLATE_NOOP("kestrion::EditMenuCommands", "Mark as Quote")));
}

void EditMenuCommands::run(NodeCommand command, const QString& marker, const Item* item)
{
    const Target target = m_target();
    const char* textSlot = item ? item->textSlot : nullptr;
    QWidget* receiver = textSlot ? standardActionReceiver(target.focus, textSlot) : nullptr;
    // Typing comes first: with a text field at the keyboard, never the nodes.
    if (textSlot && TextFieldKeyGuard::isTextField(target.focus)) {
        if (receiver)
            QMetaObject::invokeMethod(receiver, textSlot);
        return;
    }
    if (const std::optional<NodeActions> actions = target.values.get<FocusedNodeActionsKey>()) {
        if (const NodeActions::Action run = actions->actionFor(command, marker)) {
            run();
            return;
        }
    }
    if (receiver)
        QMetaObject::invokeMethod(receiver, textSlot);
}

QWidget* EditMenuCommands::standardActionReceiver(QWidget* focus, const char* slot)
{
    const QByteArray signature = QByteArray(slot) + "()";
    for (QWidget* w = focus; w; w = w->isWindow() ? nullptr : w->parentWidget()) {
        if (w->metaObject()->indexOfSlot(signature.constData()) >= 0)
            return w;
    }
    return nullptr;
}

} // namespace kestrion
