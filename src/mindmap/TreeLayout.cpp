#include "mindmap/TreeLayout.h"

#include "mindmap/NodeTextMeasurer.h"
#include "platform/Signposter.h"

#include <vector>

namespace kestrion {

namespace {

// The nodes from the root down to the node with this id, both included; empty when the
// id is not in the tree.
std::vector<SermonNode*> pathTo(const QUuid& id, SermonNode* root)
{
    std::vector<SermonNode*> path { root };
    std::vector<size_t> nextChild { 0 };
    if (root->id() == id)
        return path;
    while (!path.empty()) {
        SermonNode* node = path.back();
        size_t& i = nextChild.back();
        if (i >= node->children().size()) {
            path.pop_back();
            nextChild.pop_back();
            continue;
        }
        SermonNode* child = node->children()[i++].get();
        path.push_back(child);
        nextChild.push_back(0);
        if (child->id() == id)
            return path;
    }
    return {};
}

} // namespace

qreal layoutSubtree(const SermonNodePtr& node, NodeLayoutMap& layouts, qreal x, qreal y)
{
    if (!node)
        return 0;
    TreeLayoutCache cache;
    return cache.update(node, QPointF(x, y), { &layouts, nullptr, nullptr }).height;
}

QRectF layoutTree(const SermonNodePtr& root, TreeLayoutCache& cache, const TreeLayoutCache::Outputs& outputs)
{
    Signposter& signposter = performanceSignposter();
    SignpostIntervalState interval = signposter.beginInterval("TreeLayout");
    const QRectF bounds = cache.update(root, QPointF(rootOriginX, rootOriginY), outputs).contentBounds;
    signposter.emitEvent("TreeLayout.done", [&] { return QStringLiteral("nodes=%1").arg(outputs.layouts->size()); });
    signposter.endInterval("TreeLayout", interval);
    return bounds;
}

NodeLayoutMap layoutTree(const SermonNodePtr& root)
{
    NodeLayoutMap layouts;
    TreeLayoutCache cache;
    layoutTree(root, cache, { &layouts, nullptr, nullptr });
    return layouts;
}

QSizeF measureNode(const QString& text, qint64 depth, bool isLeaf)
{
    return NodeTextMeasurer().measure(text, depth, isLeaf);
}

QUuid descendToNavigationDepth(const SermonNodePtr& node, qint64 depthLimit, bool forward)
{
    if (!node)
        return {};
    const SermonNode* current = node.get();
    while (current->depth() < depthLimit && !current->isCollapsed() && current->hasChildren())
        current = forward ? current->children().front().get() : current->children().back().get();
    return current->id();
}

std::optional<QUuid> neighborOfAncestor(
    const QUuid& ancestorID, const SermonNodePtr& root, qint64 targetDepth, bool forward)
{
    if (!root)
        return std::nullopt;
    std::vector<SermonNode*> path = pathTo(ancestorID, root.get());
    // Climb while the current node has no sibling in the direction; the root has none.
    while (path.size() >= 2) {
        const SermonNode* current = path.back();
        SermonNode* parent = path[path.size() - 2];
        const qint64 index = parent->indexOfChild(current->id());
        if (index < 0)
            return std::nullopt;
        const qint64 neighbor = forward ? index + 1 : index - 1;
        const auto& siblings = parent->children();
        if (neighbor >= 0 && neighbor < static_cast<qint64>(siblings.size()))
            return descendToNavigationDepth(siblings[static_cast<size_t>(neighbor)], targetDepth, forward);
        path.pop_back();
    }
    return std::nullopt;
}

std::optional<QUuid> adjacentVisibleNode(
    const QUuid& nodeID, const SermonNodePtr& root, qint64 depthLimit, bool forward)
{
    return neighborOfAncestor(nodeID, root, depthLimit, forward);
}

} // namespace kestrion
