#pragma once

#include "document/SermonNode.h"

#include <QSet>
#include <QUuid>

#include <optional>

namespace kestrion {

class DocumentController;

// Which node commands make sense for the selection at one moment. All false for an empty
// selection; a selection holding the root allows nothing but the two selection flags.
struct NodeActionState {
    // The effective selection is not empty.
    bool hasAnySelection = false;
    // ... and does not hold the root.
    bool hasSelection = false;
    // ... holds more than one node.
    bool hasMultiSelection = false;
    // Some selected node has children and is expanded.
    bool canFold = false;
    // Some selected node has children and is collapsed.
    bool canUnfold = false;
    // Some selected leaf has a line break (any character the line split splits at).
    bool canSplit = false;
    // Some selected leaf has a sentence end followed by white space and an upper-case letter.
    bool canSplitSentences = false;
    // The selection is one sibling group whose parent is not the root.
    bool canPromote = false;
    // Every selected node that is not a quote is a leaf.
    bool canToggleQuote = false;
    // Every selected node is a quote.
    bool isQuote = false;

    friend bool operator==(const NodeActionState&, const NodeActionState&) = default;
};

// The state for a selection. `nodeLookup` maps ids to the tree's nodes (the canvas's lookup
// from its last layout pass); selected ids missing from it are passed over.
// `siblingGroupParentID` is the parent of the selection's sibling group, none when the
// selection spans several parents.
NodeActionState computeNodeActionState(const QSet<QUuid>& selection, const QUuid& rootID,
    const SermonNodeMap& nodeLookup, const std::optional<QUuid>& siblingGroupParentID);

// The state for a controller's effective selection, its document's root and its sibling
// group, the group found through `parentIDs` (the canvas's parent of every node but the root,
// from its last layout pass) in proportion to the selection, not the tree. A controller
// without a document allows nothing.
NodeActionState computeNodeActionState(
    const DocumentController& controller, const SermonNodeMap& nodeLookup, const QHash<QUuid, QUuid>& parentIDs);

// The parent shared by the selected nodes that lie below no other selected node, as the
// controller's sibling group has it; none when they have different parents, when there are
// none, or when the selection holds the root. Ids `parentIDs` does not hold are passed over.
std::optional<QUuid> siblingGroupParentID(const QSet<QUuid>& selection, const QHash<QUuid, QUuid>& parentIDs);

// Whether a leaf's text would be offered a line split: it holds a character the controller's
// line split ends a line at.
bool hasLineBreak(const QString& text);
// Whether a leaf's text would be offered a sentence split.
bool hasSentenceBreak(const QString& text);

} // namespace kestrion
