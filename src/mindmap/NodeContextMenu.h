#pragma once

#include "mindmap/ContextMenuItem.h"
#include "mindmap/NodeActionState.h"

#include <QList>

#include <functional>

class QMenu;
class QObject;
class QWidget;

namespace kestrion {

struct NodeActions;

// The menu a right click on a node opens. Items are shown or left out by the flags of the
// state at that moment; no item is ever disabled.
class NodeContextMenu {
public:
    // The items in menu order, hidden ones left out: Cut, Copy, Copy Branch, Paste,
    // Duplicate, Delete, the quote item, the "Mark" submenu, Fold and Unfold, Move Up and
    // Down, Promote, Demote, the splits and Join, Edit and the three New Line items, with
    // their separators.
    static QList<ContextMenuItem> items(const NodeActionState& state);
    // The "Mark" submenu: the nine markers (Ctrl+Shift+1 to 9), a separator, and the
    // wastebasket that removes the marker (Ctrl+Shift+0).
    static QList<ContextMenuItem> markItems();

    // A menu for the items whose commands come from the actions. Choosing an item runs its
    // command on a later turn of the event loop, once the menu has closed; the command is
    // dropped if `context` (the canvas; the menu when null) is destroyed first, or if
    // `applies`, asked just before, says the menu's nodes are no longer what it was opened
    // on. The caller owns the menu.
    static QMenu* create(const QList<ContextMenuItem>& items, const NodeActions& actions, QObject* context,
        QWidget* parent = nullptr, std::function<bool()> applies = {});
};

} // namespace kestrion
