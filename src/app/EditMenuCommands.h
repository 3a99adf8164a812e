#pragma once

#include "mindmap/NodeCommand.h"
#include "platform/FocusedValues.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <map>

class QAction;
class QMenu;
class QWidget;

namespace kestrion {

struct NodeActions;

// The node commands of the Edit menu: Cut, Copy, Copy Branch, Paste, Select All, Deselect
// All, Duplicate, Delete, the quote item, the "Mark" submenu, Fold, Unfold, Move Up and Down,
// Promote, Demote, Split, Split Sentences, Join, Edit and the three New Line items. They act
// on the node actions that the focused mind map offers, and are enabled by their flags.
//
// Cut, Copy, Paste and Select All act on the text of a text field that has the keyboard, else
// on the nodes, else on the nearest of the widget with the keyboard and its parents that takes
// the standard action (the columns take cut, copy and paste of points). Where nothing takes
// one (Select All in the columns, all four on the reading page) it is disabled and does
// nothing; no item ever sends a key, which could reach the item again.
class EditMenuCommands : public QObject {
    Q_OBJECT
public:
    struct Item;
    // What the items act on: the values the window in front offers and the widget with its
    // keyboard; both empty while the menus' own window is not in front.
    struct Target {
        FocusedValues values;
        QPointer<QWidget> focus;
    };
    using TargetSource = std::function<Target()>;

    // Appends the items to the menu, after what it holds; they act on what the source gives
    // when chosen.
    EditMenuCommands(QMenu& menu, TargetSource target, QObject* parent = nullptr);

    // The item of a node command; the marker items are in markMenu().
    QAction* action(NodeCommand command) const;
    QMenu* markMenu() const { return m_markMenu; }
    QAction* markAction(const QString& marker) const;
    QAction* removeMarkerAction() const { return m_removeMarker; }

    // Titles and enablement for what is in front now.
    void refresh(const Target& target);

    // The widget that takes a standard editing action ("cut", "copy", "paste" or "selectAll")
    // for the widget with the keyboard: the nearest of it and its parents in its window with a
    // slot of that name. Null when none has one.
    static QWidget* standardActionReceiver(QWidget* focus, const char* slot);

private:
    // With an item, its text fallback first and last.
    void run(NodeCommand command, const QString& marker, const Item* item);

    QMenu& m_menu;
    TargetSource m_target;
    std::map<NodeCommand, QAction*> m_actions;
    QMenu* m_markMenu = nullptr;
    std::map<QString, QAction*> m_markActions;
    QAction* m_removeMarker = nullptr;
};

} // namespace kestrion
