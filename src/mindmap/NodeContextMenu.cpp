#include "mindmap/NodeContextMenu.h"

#include "mindmap/NodeActions.h"
#include "mindmap/NodeMarkers.h"
#include "platform/EmojiMenuStyle.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QPointer>
#include <QTimer>

namespace kestrion {

namespace {

QString title(const char* text)
{
    return QCoreApplication::translate("NodeContextMenu", text);
}

ContextMenuItem command(const char* text, QKeySequence shortcut, NodeCommand command)
{
    ContextMenuItem item;
    item.title = title(text);
    item.shortcut = shortcut;
    item.command = command;
    return item;
}

} // namespace

QList<ContextMenuItem> NodeContextMenu::markItems()
{
    QList<ContextMenuItem> items;
    const auto& markers = NodeMarkers::markerEmoji();
    for (size_t i = 0; i < markers.size(); ++i) {
        ContextMenuItem item;
        item.title = markers[i];
        item.shortcut = QKeySequence(Qt::CTRL | Qt::SHIFT | static_cast<Qt::Key>(Qt::Key_1 + static_cast<int>(i)));
        item.command = NodeCommand::SetMarker;
        item.marker = markers[i];
        items.append(item);
    }
    items.append(ContextMenuItem::separator());
    ContextMenuItem remove;
    remove.title = NodeMarkers::removeMarkerSymbol();
    remove.shortcut = QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_0);
    remove.command = NodeCommand::RemoveMarker;
    items.append(remove);
    return items;
}

QList<ContextMenuItem> NodeContextMenu::items(const NodeActionState& state)
{
    QList<ContextMenuItem> items;
    items.append(
        command(QT_TRANSLATE_NOOP("NodeContextMenu", "Cut"), QKeySequence(Qt::CTRL | Qt::Key_X), NodeCommand::Cut));
    items.append(
        command(QT_TRANSLATE_NOOP("NodeContextMenu", "Copy"), QKeySequence(Qt::CTRL | Qt::Key_C), NodeCommand::Copy));
    items.append(command(QT_TRANSLATE_NOOP("NodeContextMenu", "Copy Branch"),
        QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C), NodeCommand::CopyBranch));
    items.append(
        command(QT_TRANSLATE_NOOP("NodeContextMenu", "Paste"), QKeySequence(Qt::CTRL | Qt::Key_V), NodeCommand::Paste));
    items.append(command(
        QT_TRANSLATE_NOOP("NodeContextMenu", "Duplicate"), QKeySequence(Qt::CTRL | Qt::Key_D), NodeCommand::Duplicate));
    items.append(ContextMenuItem::separator());
    items.append(
        command(QT_TRANSLATE_NOOP("NodeContextMenu", "Delete"), QKeySequence(Qt::Key_Backspace), NodeCommand::Delete));
    if (state.canToggleQuote) {
        items.append(ContextMenuItem::separator());
        items.append(command(state.isQuote ? QT_TRANSLATE_NOOP("NodeContextMenu", "Unmark as Quote")
                                           : QT_TRANSLATE_NOOP("NodeContextMenu", "Mark as Quote"),
            QKeySequence(Qt::CTRL | Qt::Key_Apostrophe), NodeCommand::ToggleQuote));
    }
    items.append(ContextMenuItem::separator());

    ContextMenuItem mark;
    mark.kind = ContextMenuItem::Kind::Submenu;
    mark.title = title(QT_TRANSLATE_NOOP("NodeContextMenu", "Mark"));
    mark.submenu = markItems();
    items.append(mark);

    if (state.canFold || state.canUnfold)
        items.append(ContextMenuItem::separator());
    if (state.canFold)
        items.append(command(
            QT_TRANSLATE_NOOP("NodeContextMenu", "Fold"), QKeySequence(Qt::CTRL | Qt::Key_Left), NodeCommand::Fold));
    if (state.canUnfold)
        items.append(command(QT_TRANSLATE_NOOP("NodeContextMenu", "Unfold"), QKeySequence(Qt::CTRL | Qt::Key_Right),
            NodeCommand::Unfold));
    items.append(ContextMenuItem::separator());

    items.append(command(
        QT_TRANSLATE_NOOP("NodeContextMenu", "Move Up"), QKeySequence(Qt::ALT | Qt::Key_Up), NodeCommand::MoveUp));
    items.append(command(QT_TRANSLATE_NOOP("NodeContextMenu", "Move Down"), QKeySequence(Qt::ALT | Qt::Key_Down),
        NodeCommand::MoveDown));
    if (state.canPromote)
        items.append(command(QT_TRANSLATE_NOOP("NodeContextMenu", "Promote"), QKeySequence(Qt::ALT | Qt::Key_Left),
            NodeCommand::Promote));
    items.append(command(
        QT_TRANSLATE_NOOP("NodeContextMenu", "Demote"), QKeySequence(Qt::ALT | Qt::Key_Right), NodeCommand::Demote));

    if (state.canSplit || state.canSplitSentences || state.hasMultiSelection)
        items.append(ContextMenuItem::separator());
    if (state.canSplit)
        items.append(command(QT_TRANSLATE_NOOP("NodeContextMenu", "Split"), QKeySequence(Qt::CTRL | Qt::Key_Return),
            NodeCommand::Split));
    if (state.canSplitSentences)
        items.append(command(QT_TRANSLATE_NOOP("NodeContextMenu", "Split Sentences"),
            QKeySequence(Qt::CTRL | Qt::Key_Semicolon), NodeCommand::SplitSentences));
    if (state.hasMultiSelection)
        items.append(command(
            QT_TRANSLATE_NOOP("NodeContextMenu", "Join"), QKeySequence(Qt::CTRL | Qt::Key_J), NodeCommand::Join));
    items.append(ContextMenuItem::separator());

    if (!state.hasMultiSelection)
        items.append(
            command(QT_TRANSLATE_NOOP("NodeContextMenu", "Edit"), QKeySequence(Qt::Key_Space), NodeCommand::Edit));
    items.append(command(QT_TRANSLATE_NOOP("NodeContextMenu", "New Line Below"), QKeySequence(Qt::Key_Return),
        NodeCommand::NewLineBelow));
    items.append(command(QT_TRANSLATE_NOOP("NodeContextMenu", "New Line Above"),
        QKeySequence(Qt::SHIFT | Qt::Key_Return), NodeCommand::NewLineAbove));
    if (!state.hasMultiSelection)
        items.append(command(QT_TRANSLATE_NOOP("NodeContextMenu", "New Line Under"), QKeySequence(Qt::Key_Tab),
            NodeCommand::NewLineUnder));
    return items;
}

namespace {

void addItems(QMenu* menu, const QList<ContextMenuItem>& items, const NodeActions& actions, QObject* context,
    const std::function<bool()>& applies)
{
    for (const ContextMenuItem& item : items) {
        switch (item.kind) {
        case ContextMenuItem::Kind::Separator:
            menu->addSeparator();
            break;
        case ContextMenuItem::Kind::Submenu: {
            QMenu* submenu = menu->addMenu(item.title);
            EmojiMenuStyle::install(*submenu);
            addItems(submenu, item.submenu, actions, context, applies);
            break;
        }
        case ContextMenuItem::Kind::Command: {
            QAction* action = menu->addAction(item.title);
            action->setShortcut(item.shortcut);
            // Shown only: the canvas's key table acts on these keys.
            action->setShortcutContext(Qt::WidgetShortcut);
            const NodeActions::Action run = actions.actionFor(item.command, item.marker);
            QObject::connect(
                action, &QAction::triggered, context, [run, applies, context = QPointer<QObject>(context)] {
                    if (!run || !context)
                        return;
                    // The menu is still unwinding; the command acts once it has closed.
                    QTimer::singleShot(0, context.data(), [run, applies] {
                        if (!applies || applies())
                            run();
                    });
                });
            break;
        }
        }
    }
}

} // namespace

QMenu* NodeContextMenu::create(const QList<ContextMenuItem>& items, const NodeActions& actions, QObject* context,
    QWidget* parent, std::function<bool()> applies)
{
    auto* menu = new QMenu(parent);
    addItems(menu, items, actions, context ? context : menu, applies);
    return menu;
}

} // namespace kestrion
