#pragma once

namespace kestrion {

// The node commands the mind-map canvas offers to the Edit menu and to its context menu, one
// per closure of NodeActions.
enum class NodeCommand {
    Cut,
    Copy,
    CopyBranch,
    Paste,
    Duplicate,
    Delete,
    Fold,
    Unfold,
    MoveUp,
    MoveDown,
    Promote,
    Demote,
    Split,
    SplitSentences,
    Join,
    Edit,
    NewLineBelow,
    NewLineAbove,
    NewLineUnder,
    ToggleQuote,
    SelectAll,
    DeselectAll,
    // Takes the marker emoji.
    SetMarker,
    RemoveMarker,
};

} // namespace kestrion
