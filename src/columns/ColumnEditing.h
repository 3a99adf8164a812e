#pragma once

#include "document/SermonNode.h"

#include <QString>
#include <QUuid>

#include <optional>

namespace kestrion {

class ColumnCanvas;

// How an in-place edit of the columns canvas ends or goes on: commit and cancel, rapid entry
// into a new child or sibling, and the split at the caret. It decides what is trimmed, when a
// node left empty goes, what is selected afterwards and which steps are recorded for undo.
//
// While editing, every keystroke is already in the node; a recorded step still holds the text
// the node had when editing began.
class ColumnEditing {
public:
    struct CommitResult {
        std::optional<QUuid> editedID;
        bool removed = false;
    };

    // Where rapid entry puts the next node.
    enum class NewNodePlace {
        LastChild,
        SiblingAfter,
        SiblingBefore,
    };

    explicit ColumnEditing(ColumnCanvas& canvas);

    // Ends the edit. Committing writes the trimmed text, as one step when it changed an
    // existing node; cancelling restores the text editing began with. A node left empty is
    // removed (one step unless it was new) and its neighbour selected; the title is never
    // removed and keeps the empty text. Returns the edited node and whether it went.
    CommitResult commitColumnEdit(bool commit);
    // Writes the trimmed text as committing would (one step unless the node is new), but the
    // edit goes on; it starts again from that text. Emptied text waits for the edit's end.
    void storeColumnEdit();
    // Tab: commits; a node just made gets a new empty last child to edit.
    void commitAndAppendChild();
    // Return (after) and Ctrl+Return (before): commits; a node just made gets a new empty
    // sibling there to edit.
    void commitAndInsertNode(bool after);
    // Alt+Return: one step, then the text after the caret (a UTF-16 offset, clamped) becomes a
    // new sibling right after the node, or takes the node's place and branch when nothing
    // precedes the caret, and is edited; a quote's part is a quote. Refused on the title.
    void splitNodeAtCaret(qint64 caret);

    // The node to select when this one goes: the sibling before it, else the one after it,
    // else the parent; none for the title.
    static SermonNodePtr neighbourOf(const SermonNodePtr& root, const QUuid& id);

private:
    // Commits and, after a node just made, goes on into a new node at the place given.
    void commitAndContinue(NewNodePlace place);
    // One undo step in which the node still carries the text editing began with.
    void recordWithOriginalText(SermonNode& node);
    // Removes a node left empty (the title only loses its text), then selects its neighbour.
    void removeEmptiedNode(const SermonNodePtr& node);

    ColumnCanvas& m_canvas;
};

} // namespace kestrion
