#include "mindmap/NodeActions.h"

namespace kestrion {

NodeActions::Action NodeActions::actionFor(NodeCommand command, const QString& marker) const
{
    switch (command) {
    case NodeCommand::Cut:
        return cut;
    case NodeCommand::Copy:
        return copy;
    case NodeCommand::CopyBranch:
        return copyBranch;
    case NodeCommand::Paste:
        return paste;
    case NodeCommand::Duplicate:
        return duplicate;
    case NodeCommand::Delete:
        return delete_;
    case NodeCommand::Fold:
        return fold;
    case NodeCommand::Unfold:
        return unfold;
    case NodeCommand::MoveUp:
        return moveUp;
    case NodeCommand::MoveDown:
        return moveDown;
    case NodeCommand::Promote:
        return promote;
    case NodeCommand::Demote:
        return demote;
    case NodeCommand::Split:
        return split;
    case NodeCommand::SplitSentences:
        return splitSentences;
    case NodeCommand::Join:
        return join;
    case NodeCommand::Edit:
        return edit;
    case NodeCommand::NewLineBelow:
        return newLineBelow;
    case NodeCommand::NewLineAbove:
        return newLineAbove;
    case NodeCommand::NewLineUnder:
        return newLineUnder;
    case NodeCommand::ToggleQuote:
        return toggleQuote;
    case NodeCommand::SelectAll:
        return selectAll;
    case NodeCommand::DeselectAll:
        return deselectAll;
    case NodeCommand::SetMarker:
        if (!setMarker)
            return {};
        return [setMarker = setMarker, marker] { setMarker(marker); };
    case NodeCommand::RemoveMarker:
        return removeMarker;
    }
    return {};
}

} // namespace kestrion
