#include "mindmap/TreeNodeSnapshot.h"

#include <algorithm>

namespace kestrion {

namespace {

TreeNodeSnapshot::Node copyOf(const SermonNode& node)
{
    TreeNodeSnapshot::Node copy;
    copy.id = node.id();
    copy.text = node.text();
    copy.depth = node.depth();
    copy.isCollapsed = node.isCollapsed();
    copy.isLeaf = !node.hasChildren();
    copy.hasOnlyLeafChildren = node.hasOnlyLeafChildren();
    copy.isQuote = node.isQuote();
    return copy;
}

} // namespace

TreeNodeSnapshot TreeNodeSnapshot::make(const SermonNodePtr& top, qsizetype expectedSize)
{
    TreeNodeSnapshot snapshot;
    if (!top)
        return snapshot;
    auto nodes = std::make_shared<std::vector<Node>>();
    nodes->reserve(static_cast<size_t>(std::max<qsizetype>(expectedSize, 1)));
    // A walk down and back up: each frame is a node with the next child to copy.
    struct Frame {
        const SermonNode* node;
        size_t nextChild;
        size_t index;
    };
    std::vector<Frame> stack;
    nodes->push_back(copyOf(*top));
    stack.push_back({ top.get(), 0, 0 });
    while (!stack.empty()) {
        Frame& frame = stack.back();
        const auto& children = frame.node->children();
        if (!frame.node->isCollapsed() && frame.nextChild < children.size()) {
            const SermonNode& child = *children[frame.nextChild++];
            nodes->push_back(copyOf(child));
            stack.push_back({ &child, 0, nodes->size() - 1 });
            continue;
        }
        (*nodes)[frame.index].subtreeEnd = static_cast<qsizetype>(nodes->size());
        stack.pop_back();
    }
    snapshot.m_nodes = std::move(nodes);
    return snapshot;
}

QHash<QUuid, qsizetype> TreeNodeSnapshot::indexByID() const
{
    QHash<QUuid, qsizetype> index;
    index.reserve(size());
    for (qsizetype i = 0; i < size(); ++i)
        index.insert(node(i).id, i);
    return index;
}

} // namespace kestrion
