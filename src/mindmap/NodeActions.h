#pragma once

#include "mindmap/NodeActionState.h"
#include "mindmap/NodeCommand.h"

#include <QString>

#include <functional>

namespace kestrion {

// The node commands of one canvas with their enablement at the moment the record was made.
// The canvas builds a fresh record whenever its selection, tree or layout changes and hands
// it to the Edit menu and its context menu. Every closure runs its command whatever the flags
// say; the command itself refuses what it cannot do.
struct NodeActions {
    using Action = std::function<void()>;

    NodeActionState state;
    Action cut;
    Action copy;
    Action copyBranch;
    Action paste;
    Action duplicate;
    // The delete command (C++ reserves the plain name).
    Action delete_;
    Action fold;
    Action unfold;
    Action moveUp;
    Action moveDown;
    Action promote;
    Action demote;
    Action split;
    Action splitSentences;
    Action join;
    Action edit;
    Action newLineBelow;
    Action newLineAbove;
    Action newLineUnder;
    Action toggleQuote;
    Action selectAll;
    Action deselectAll;
    std::function<void(const QString& marker)> setMarker;
    Action removeMarker;

    // The closure of a command, ready to run (the marker is used by SetMarker only). Empty
    // when the canvas left that closure unset.
    Action actionFor(NodeCommand command, const QString& marker = {}) const;
};

} // namespace kestrion
