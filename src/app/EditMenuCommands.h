#pragma once

#include "mindmap/NodeCommand.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <map>

class QAction;
class QMenu;
class QWidget;

namespace kestrion {

class FocusedValues;
struct NodeActions;

// The node commands of the Edit menu: Cut, Copy, Copy Branch, Paste, Select All, Deselect
// All, Duplicate, Delete, the quote item, the "Mark" submenu, Fold, Unfold, Move Up and Down,
// Promote, Demote, Split, Split Sentences, Join, Edit and the three New Line items. They act
// on the node actions that the focused mind map offers, and are enabled by their flags.
//
// Cut, Copy, Paste and Select All are never disabled: while a text field has the keyboard
// they act on its text, else on the nodes, else on whatever has the keyboard.
class EditMenuCommands : public QObject {
    Q_OBJECT
public:
    struct Item;

    // Appends the items to the menu, after what it holds.
    explicit EditMenuCommands(QMenu& menu, QObject* parent = nullptr);

    // The item of a node command; the marker items are in markMenu().
    QAction* action(NodeCommand command) const;
    QMenu* markMenu() const { return m_markMenu; }
    QAction* markAction(const QString& marker) const;
    QAction* removeMarkerAction() const { return m_removeMarker; }

    // Titles and enablement for the values the focused window offers now.
    void refresh(const FocusedValues& values);

    // The text fallback of Cut, Copy, Paste and Select All: the widget's own cut(), copy(),
    // paste() or selectAll(). False when it has none.
    static bool sendToWidget(QWidget* widget, const char* slot);

private:
    // With an item, its text fallback first and last.
    void run(NodeCommand command, const QString& marker, const Item* item);

    QMenu& m_menu;
    std::map<NodeCommand, QAction*> m_actions;
    QMenu* m_markMenu = nullptr;
    std::map<QString, QAction*> m_markActions;
    QAction* m_removeMarker = nullptr;
};

} // namespace kestrion
