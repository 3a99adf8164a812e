#include "document/DocumentController.h"

#include "document/ChildRemoval.h"

#include <algorithm>
#include <utility>

namespace kestrion {

QSet<QUuid> DocumentController::effectiveSelection() const
{
    QSet<QUuid> ids = m_selectedNodeIDs;
    if (m_selectedNodeID)
        ids.insert(*m_selectedNodeID);
    return ids;
}

std::vector<SermonNodePtr> DocumentController::selectedNodes() const
{
    std::vector<SermonNodePtr> nodes;
    const QSet<QUuid> ids = effectiveSelection();
    if (ids.isEmpty())
        return nodes;
    SermonNodeMap index;
    indexNodesByID(root(), index);
    for (const auto& id : ids) {
        if (SermonNodePtr node = index.value(id))
            nodes.push_back(std::move(node));
    }
    return nodes;
}

std::vector<SermonNodePtr> DocumentController::topLevelSelectedNodes() const
{
    return topLevelNodes(effectiveSelection());
}

std::vector<SermonNodePtr> DocumentController::topLevelNodes(const QSet<QUuid>& ids) const
{
    std::vector<SermonNodePtr> result;
    SermonNodePtr top = root();
    if (ids.isEmpty() || !top)
        return result;
    // One preorder walk that knows whether a selected node lies above the current one.
    std::vector<std::pair<SermonNode*, bool>> stack { { top.get(), false } };
    while (!stack.empty()) {
        auto [node, underSelected] = stack.back();
        stack.pop_back();
        const bool selected = ids.contains(node->id());
        if (selected && !underSelected)
            result.push_back(node->shared_from_this());
        const auto& children = node->children();
        for (auto it = children.rbegin(); it != children.rend(); ++it)
            stack.emplace_back(it->get(), underSelected || selected);
    }
    return result;
}

QList<QUuid> DocumentController::topLevelIDs(const QList<QUuid>& ids, const QSet<QUuid>& set) const
{
    // The nodes of the tree that lie below a member of the set.
    QSet<QUuid> covered;
    if (SermonNodePtr top = root(); top && !set.isEmpty()) {
        std::vector<std::pair<SermonNode*, bool>> stack { { top.get(), false } };
        while (!stack.empty()) {
            auto [node, underSelected] = stack.back();
            stack.pop_back();
            if (underSelected)
                covered.insert(node->id());
            const bool below = underSelected || set.contains(node->id());
            for (const auto& child : node->children())
                stack.emplace_back(child.get(), below);
        }
    }
    QList<QUuid> result;
    for (const auto& id : ids) {
        if (!covered.contains(id))
            result.append(id);
    }
    return result;
}

std::optional<SiblingSelectionContext> DocumentController::siblingSelectionContext() const
{
    const QSet<QUuid> ids = effectiveSelection();
    SermonNodePtr top = root();
    if (ids.isEmpty() || !top || ids.contains(top->id()))
        return std::nullopt;
    std::vector<SermonNodePtr> nodes = topLevelSelectedNodes();
    if (nodes.empty())
        return std::nullopt;

    SermonNodePtr parent = top->findParent(nodes.front()->id());
    if (!parent)
        return std::nullopt;
    QSet<QUuid> group;
    group.reserve(static_cast<qsizetype>(nodes.size()));
    for (const auto& node : nodes)
        group.insert(node->id());
    // One pass over the parent's children: the group shares that parent exactly when every
    // member is found among them (ids are unique in the tree).
    const auto& children = parent->children();
    const auto count = static_cast<qint64>(children.size());
    qint64 first = -1;
    qint64 last = -1;
    qsizetype found = 0;
    for (qint64 i = 0; i < count; ++i) {
        if (group.contains(children[static_cast<size_t>(i)]->id())) {
            if (first < 0)
                first = i;
            last = i;
            ++found;
        }
    }
    if (found != group.size())
        return std::nullopt;
    return SiblingSelectionContext { std::move(parent), std::move(nodes), first, last };
}

void DocumentController::detachNodes(const std::vector<SermonNodePtr>& nodes)
{
    SermonNodePtr top = root();
    if (!top || nodes.empty())
        return;
    // One parent index and one pass per parent instead of a search from the root and a
    // pass over the siblings for every node. A node counts as it would one by one: it is
    // skipped when it is not in the tree, or no longer is because it or an ancestor was
    // detached before its turn.
    SermonNodeMap parents;
    indexParentsByChildID(top, parents);
    QSet<QUuid> detached;
    QHash<SermonNode*, QSet<QUuid>> removals;
    for (const auto& node : nodes) {
        const SermonNodePtr parent = parents.value(node->id());
        if (!parent || detached.contains(node->id()))
            continue;
        bool inTree = true;
        for (SermonNode* above = parent.get(); above && inTree; above = parents.value(above->id()).get())
            inTree = !detached.contains(above->id());
        if (!inTree)
            continue;
        detached.insert(node->id());
        removals[parent.get()].insert(node->id());
    }
    removeChildren(removals);
}

void DocumentController::insertNodes(const std::vector<SermonNodePtr>& nodes, const SermonNodePtr& parent, qint64 index)
{
    if (nodes.empty() || !parent)
        return;
    auto& children = parent->mutableChildren();
    const qint64 position = std::clamp<qint64>(index, 0, static_cast<qint64>(children.size()));
    children.insert(children.begin() + position, nodes.begin(), nodes.end());
    for (const auto& node : nodes)
        node->setDepthRecursively(parent->depth() + 1);
}

QList<QUuid> DocumentController::subtreeIDs(const SermonNodePtr& node)
{
    QList<QUuid> ids;
    if (!node)
        return ids;
    for (const auto& each : node->allNodes())
        ids.append(each->id());
    return ids;
}

} // namespace kestrion
