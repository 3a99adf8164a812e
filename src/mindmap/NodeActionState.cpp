#include "mindmap/NodeActionState.h"

#include "document/DocumentController.h"
#include "document/SermonDocument.h"

#include <QRegularExpression>

#include <algorithm>

namespace kestrion {

bool hasLineBreak(const QString& text)
{
    return std::any_of(text.begin(), text.end(), DocumentController::isNewline);
}

bool hasSentenceBreak(const QString& text)
{
    // Unicode properties make \s take every white space, line separators included.
    static const QRegularExpression sentenceStart(
        QStringLiteral("[.!?]\\s+\\p{Lu}"), QRegularExpression::UseUnicodePropertiesOption);
    return sentenceStart.match(text).hasMatch();
}

NodeActionState computeNodeActionState(const QSet<QUuid>& selection, const QUuid& rootID,
    const SermonNodeMap& nodeLookup, const std::optional<QUuid>& siblingGroupParentID)
{
    NodeActionState state;
    if (selection.isEmpty())
        return state;
    state.hasAnySelection = true;
    state.hasMultiSelection = selection.size() > 1;
    if (selection.contains(rootID))
        return state;
    state.hasSelection = true;

    bool foundAny = false;
    bool allQuotes = true;
    bool plainNodesAreLeaves = true;
    for (const QUuid& id : selection) {
        const SermonNodePtr node = nodeLookup.value(id);
        if (!node)
            continue;
        foundAny = true;
        const bool isLeaf = !node->hasChildren();
        if (!isLeaf) {
            if (node->isCollapsed())
                state.canUnfold = true;
            else
                state.canFold = true;
        }
        if (isLeaf) {
            state.canSplit = state.canSplit || hasLineBreak(node->text());
            state.canSplitSentences = state.canSplitSentences || hasSentenceBreak(node->text());
        }
        if (!node->isQuote()) {
            allQuotes = false;
            if (!isLeaf)
                plainNodesAreLeaves = false;
        }
    }
    state.canToggleQuote = plainNodesAreLeaves;
    state.isQuote = foundAny && allQuotes;
    state.canPromote = siblingGroupParentID.has_value() && *siblingGroupParentID != rootID;
    return state;
}

std::optional<QUuid> siblingGroupParentID(const QSet<QUuid>& selection, const QHash<QUuid, QUuid>& parentIDs)
{
    std::optional<QUuid> group;
    for (const QUuid& id : selection) {
        const auto parent = parentIDs.constFind(id);
        // Only the root has no parent.
        if (parent == parentIDs.cend())
            continue;
        bool isBelowSelected = false;
        for (auto above = parent; above != parentIDs.cend() && !isBelowSelected; above = parentIDs.constFind(*above))
            isBelowSelected = selection.contains(*above);
        if (isBelowSelected)
            continue;
        if (group && *group != *parent)
            return std::nullopt;
        group = *parent;
    }
    return group;
}

NodeActionState computeNodeActionState(
    const DocumentController& controller, const SermonNodeMap& nodeLookup, const QHash<QUuid, QUuid>& parentIDs)
{
    const SermonDocument* document = controller.document();
    if (!document || !document->root())
        return {};
    const QSet<QUuid> selection = controller.effectiveSelection();
    const QUuid rootID = document->root()->id();
    const std::optional<QUuid> groupParent
        = selection.contains(rootID) ? std::nullopt : siblingGroupParentID(selection, parentIDs);
    return computeNodeActionState(selection, rootID, nodeLookup, groupParent);
}

} // namespace kestrion
