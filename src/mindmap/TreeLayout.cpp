#include "mindmap/TreeLayout.h"

#include "mindmap/NodeTextMeasurer.h"
#include "platform/Signposter.h"

#include <algorithm>
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

// The path read upwards from the indexes, every link checked against the children of the tree
// as it stands; empty where a link no longer holds.
std::vector<SermonNode*> indexedPathTo(
    const QUuid& id, SermonNode* root, const SermonNodeMap& nodes, const QHash<QUuid, QUuid>& parentIDs)
{
    std::vector<SermonNode*> path;
    SermonNode* node = nodes.value(id).get();
    while (node && node != root) {
        path.push_back(node);
        SermonNode* parent = nodes.value(parentIDs.value(node->id())).get();
        const qint64 index = parent ? parent->indexOfChild(node->id()) : -1;
        if (index < 0 || parent->children()[static_cast<size_t>(index)].get() != node)
            return {};
        node = parent;
    }
    if (!node)
        return {};
    path.push_back(root);
    std::reverse(path.begin(), path.end());
    return path;
}

} // namespace

std::vector<SermonNode*> pathToNode(
    const QUuid& id, const SermonNodePtr& root, const SermonNodeMap* nodes, const QHash<QUuid, QUuid>* parentIDs)
{
    if (!root)
        return {};
    if (nodes && parentIDs) {
        if (std::vector<SermonNode*> path = indexedPathTo(id, root.get(), *nodes, *parentIDs); !path.empty())
            return path;
    }
    return pathTo(id, root.get());
}

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

std::optional<QUuid> neighborOfAncestor(const QUuid& ancestorID, const SermonNodePtr& root, qint64 targetDepth,
    bool forward, const SermonNodeMap* nodes, const QHash<QUuid, QUuid>* parentIDs)
{
    std::vector<SermonNode*> path = pathToNode(ancestorID, root, nodes, parentIDs);
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

std::optional<QUuid> adjacentVisibleNode(const QUuid& nodeID, const SermonNodePtr& root, qint64 depthLimit,
    bool forward, const SermonNodeMap* nodes, const QHash<QUuid, QUuid>* parentIDs)
{
    return neighborOfAncestor(nodeID, root, depthLimit, forward, nodes, parentIDs);
}

} // namespace kestrion
