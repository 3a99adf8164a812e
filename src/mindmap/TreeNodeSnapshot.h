#pragma once

#include "document/SermonNode.h"

#include <QHash>
#include <QString>
#include <QUuid>

#include <memory>
#include <vector>

namespace kestrion {

// An immutable copy of a subtree for work off the main thread: for each copied node its id,
// text, depth and flags. The children of a folded node are not copied.
//
// The nodes are held flat, in preorder, so copying the snapshot is cheap, and building,
// walking and destroying it never recurse, however deep the outline. Index 0 is the subtree's
// own top. Any thread may read it.
class TreeNodeSnapshot {
public:
    struct Node {
        QUuid id;
        QString text;
        qint64 depth = 0;
        bool isCollapsed = false;
        // No children at all; a folded node with children is not a leaf.
        bool isLeaf = false;
        // The node's own answer: at least one child, and no child has children.
        bool hasOnlyLeafChildren = false;
        bool isQuote = false;
        // One past the index of the node's last copied descendant.
        qsizetype subtreeEnd = 0;
    };

    // An empty snapshot, of no node.
    TreeNodeSnapshot() = default;
    // Copies the node and its descendants that no fold hides. A null node gives an empty one.
    // expectedSize, when known (the number of laid-out nodes), saves growing the copy.
    static TreeNodeSnapshot make(const SermonNodePtr& node, qsizetype expectedSize = 0);

    bool isEmpty() const { return size() == 0; }
    qsizetype size() const { return m_nodes ? static_cast<qsizetype>(m_nodes->size()) : 0; }
    const Node& node(qsizetype index) const { return (*m_nodes)[static_cast<size_t>(index)]; }

    // Calls f with the index of each copied child of the node, in order.
    template <class F> void forEachChild(qsizetype index, F&& f) const
    {
        const qsizetype end = node(index).subtreeEnd;
        for (qsizetype child = index + 1; child < end; child = node(child).subtreeEnd)
            f(child);
    }
    bool hasCopiedChildren(qsizetype index) const { return node(index).subtreeEnd > index + 1; }

    // Where each id lies; built afresh on every call.
    QHash<QUuid, qsizetype> indexByID() const;

private:
    std::shared_ptr<const std::vector<Node>> m_nodes;
};

} // namespace kestrion
