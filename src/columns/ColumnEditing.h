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
    // existing node; cancelling restores the text editing began with, and the words typed are
    // one step away. A node left empty is removed (one step unless it was new; a new one
    // takes its creation step along) and its neighbour selected; the title, and a node with
    // sub-points, are never removed and keep the empty text. Returns the edited node and
    // whether it went.
    CommitResult commitColumnEdit(bool commit);
    // Writes the trimmed text as committing would (one step unless the node is new), but the
    // edit goes on; it starts again from that text. Emptied text waits for the edit's end.
    void storeColumnEdit();
    // Tab: commits; a node just made gets a new empty last child to edit (a quote, a new
    // sibling right after it).
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
    // One undo step that brings back the words of a cancelled edit.
    void recordCancelledWords(SermonNode& node, const QString& typed);
    // Ends with a node left empty: the title and a node with sub-points keep their place with
    // the empty text; any other is removed and its neighbour selected. Recorded unless the node
    // was new or the step is recorded already. Returns whether the node went.
    bool finishEmptiedNode(const SermonNodePtr& node, bool isNew, bool isRecorded);

    ColumnCanvas& m_canvas;
};

} // namespace kestrion
