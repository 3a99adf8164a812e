#pragma once

#include <QUuid>

#include <functional>

class QKeyEvent;

namespace kestrion {

class ColumnCanvas;

// The key table of the columns canvas while no node is edited (Ctrl stands for Command, Alt for
// Option):
//   Ctrl+Z undo, Ctrl+Shift+Z redo, Ctrl+X cut, Ctrl+C copy, Ctrl+V paste (exact modifiers);
//   Backspace or Delete with any modifiers deletes the selection; Escape deselects;
//   then, with a node selected: Tab a new child (after a quote, a sibling right after it),
//   Return a new sibling after (on the title, a new last main point), Space edits; Left
//   selects the parent (Alt promotes, Ctrl folds); Right the first child or unfolds (Alt
//   demotes, Ctrl unfolds); Up and Down the nearest node of the column (Alt moves the node).
//   Shift is ignored on the arrows.
// Every other key is left to the window.
class ColumnKeyCommands {
public:
    explicit ColumnKeyCommands(ColumnCanvas& canvas);

    // The command for a key press; empty when the canvas leaves the key alone.
    std::function<void()> command(const QKeyEvent& event) const;

    // Tab: a new empty last child of the node, edited; for a quote, which holds none, a new
    // sibling right after it.
    void addChildToEdit(const QUuid& id);
    // Return: a new empty sibling right after the node, edited; refused on the title.
    void addSiblingToEdit(const QUuid& id);

private:
    ColumnCanvas& m_canvas;
};

} // namespace kestrion
