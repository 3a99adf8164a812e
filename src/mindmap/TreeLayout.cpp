#include "mindmap/TreeLayout.h"

#include "mindmap/NodeTextMeasurer.h"
#include "platform/Signposter.h"

#include <vector>

namespace kestrion {

namespace {

// One node on the way down: placed at (x, y), its children still being stacked.
struct Frame {
    SermonNode* node;
    qreal x;
    qreal y;
    QSizeF size;
    bool hasVisibleChildren;
    bool leafy;
    qreal gap;
    qreal childX;
    qreal cursor;
    qreal childHeights;
    size_t nextChild;
};

Frame enter(SermonNode* node, qreal x, qreal y, const NodeTextMeasurer& measurer)
{
    const bool hasChildren = node->hasChildren();
    const QSizeF size = measurer.measure(node->text(), node->depth(), !hasChildren);
    const bool visibleChildren = hasChildren && !node->isCollapsed();
    const bool leafy = visibleChildren && node->hasOnlyLeafChildren();
    return Frame {
        .node = node,
        .x = x,
        .y = y,
        .size = size,
        .hasVisibleChildren = visibleChildren,
        .leafy = leafy,
        .gap = leafy ? leafyChildGapY : childGapY,
        .childX = x + size.width() + (leafy ? leafyChildGapX : childGapX),
        .cursor = y,
        .childHeights = 0,
        .nextChild = 0,
    };
}

// Inserts the node's layout and returns its band's height.
qreal leave(const Frame& f, NodeLayoutMap& layouts)
{
    const qreal h = f.size.height();
    if (!f.hasVisibleChildren) {
        layouts.insert(f.node->id(),
            NodeLayout { f.node->id(), QPointF(f.x, f.y), f.size, f.node->depth(), !f.node->hasChildren(), false,
                f.node->isQuote() });
        return h;
    }
    const auto count = static_cast<qreal>(f.node->children().size());
    const qreal span = f.childHeights + f.gap * (count - 1);
    const qreal nodeY = h < span ? f.y + (span - h) * 0.5 : f.y;
    layouts.insert(
        f.node->id(), NodeLayout { f.node->id(), QPointF(f.x, nodeY), f.size, f.node->depth(), false, f.leafy, false });
    return std::max(span, h);
}

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

qreal layoutSubtree(
    const SermonNodePtr& node, NodeLayoutMap& layouts, qreal x, qreal y, const NodeTextMeasurer& measurer)
{
    if (!node)
        return 0;
    std::vector<Frame> stack;
    stack.push_back(enter(node.get(), x, y, measurer));
    qreal height = 0;
    while (!stack.empty()) {
        Frame& top = stack.back();
        if (top.hasVisibleChildren && top.nextChild < top.node->children().size()) {
            SermonNode* child = top.node->children()[top.nextChild++].get();
            // Copy before push_back: it may move the frames.
            const qreal childX = top.childX;
            const qreal cursor = top.cursor;
            stack.push_back(enter(child, childX, cursor, measurer));
            continue;
        }
        height = leave(top, layouts);
        stack.pop_back();
        if (!stack.empty()) {
            Frame& parent = stack.back();
            parent.childHeights += height;
            parent.cursor += height + parent.gap;
        }
    }
    return height;
}

qreal layoutSubtree(const SermonNodePtr& node, NodeLayoutMap& layouts, qreal x, qreal y)
{
    const NodeTextMeasurer measurer;
    return layoutSubtree(node, layouts, x, y, measurer);
}

NodeLayoutMap layoutTree(const SermonNodePtr& root)
{
    Signposter& signposter = performanceSignposter();
    SignpostIntervalState interval = signposter.beginInterval("TreeLayout");
    NodeLayoutMap layouts;
    if (root) {
        const NodeTextMeasurer measurer;
        layoutSubtree(root, layouts, rootOriginX, rootOriginY, measurer);
    }
    signposter.emitEvent("TreeLayout.done", [&] { return QStringLiteral("nodes=%1").arg(layouts.size()); });
    signposter.endInterval("TreeLayout", interval);
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
