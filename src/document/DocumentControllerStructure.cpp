#include "document/DocumentController.h"

#include <utility>

namespace kestrion {

void DocumentController::promote()
{
    const std::optional<SiblingSelectionContext> context = siblingSelectionContext();
    SermonNodePtr top = root();
    if (!context || context->parent == top)
        return;
    SermonNodePtr grandparent = top->findParent(context->parent->id());
    if (!grandparent)
        return;
    const qint64 parentIndex = grandparent->indexOfChild(context->parent->id());
    if (parentIndex < 0)
        return;

    recordUndo();
    detachNodes(context->nodes);
    insertNodes(context->nodes, grandparent, parentIndex + 1);
    announceTreeMutation();
}

void DocumentController::demote()
{
    const std::optional<SiblingSelectionContext> context = siblingSelectionContext();
    if (!context)
        return;
    const auto& siblings = context->parent->children();
    const auto count = static_cast<qint64>(siblings.size());
    SermonNodePtr target;
    qint64 index = 0;
    if (context->firstIndex > 0) {
        target = siblings[static_cast<size_t>(context->firstIndex - 1)];
        index = static_cast<qint64>(target->children().size());
    } else {
        if (context->lastIndex + 1 >= count)
            return;
        target = siblings[static_cast<size_t>(context->lastIndex + 1)];
        index = 0;
    }
    if (target->isQuote())
        return;

    recordUndo();
    detachNodes(context->nodes);
    insertNodes(context->nodes, target, index);
    announceTreeMutation();
}

void DocumentController::moveSelection(bool down)
{
    const std::optional<SiblingSelectionContext> context = siblingSelectionContext();
    if (!context)
        return;
    auto& siblings = context->parent->mutableChildren();
    const auto count = static_cast<qint64>(siblings.size());
    if (down ? context->lastIndex + 1 >= count : context->firstIndex == 0)
        return;

    recordUndo();
    // The neighbour trades sides with the group; the group's own members keep their order.
    const qint64 from = down ? context->lastIndex + 1 : context->firstIndex - 1;
    const qint64 to = down ? context->firstIndex : context->lastIndex;
    SermonNodePtr neighbour = siblings[static_cast<size_t>(from)];
    siblings.erase(siblings.begin() + from);
    context->parent->insertChild(to, std::move(neighbour));
    announceTreeMutation();
}

void DocumentController::fold()
{
    setFolded(true);
}

void DocumentController::unfold()
{
    setFolded(false);
}

void DocumentController::setFolded(bool folded)
{
    std::vector<SermonNodePtr> nodes = selectedNodes();
    std::erase_if(nodes, [](const SermonNodePtr& node) { return !node->hasChildren(); });
    if (nodes.empty())
        return;
    // Recorded even when every node already has the wanted state, like the other fold
    // commands of the canvas expect.
    recordUndo();
    for (const auto& node : nodes)
        node->setCollapsed(folded);
    announceTreeMutation();
}

} // namespace kestrion
