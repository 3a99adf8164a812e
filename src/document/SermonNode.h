#pragma once

#include <QHash>
#include <QSet>
#include <QString>
#include <QUuid>

#include <memory>
#include <vector>

namespace kestrion {

class SermonNode;
using SermonNodePtr = std::shared_ptr<SermonNode>;
using SermonNodeMap = QHash<QUuid, SermonNodePtr>;

// One node of a sermon outline. Nodes are shared: undo snapshots, cut branches and views
// may keep a subtree alive after it leaves the tree. There is no parent pointer; parents
// are found by searching from the root or through indexParentsByChildID.
//
// Setters return whether the value changed; storing the held value is silent.
class SermonNode : public std::enable_shared_from_this<SermonNode> {
    struct Token {
        explicit Token() = default;
    };

public:
    // A fresh node: new id, no children, neither collapsed nor a quote.
    static SermonNodePtr create(const QString& text = {}, qint64 depth = 0);

    SermonNode(Token, const QUuid& id, const QString& text, qint64 depth);
    ~SermonNode();
    SermonNode(const SermonNode&) = delete;
    SermonNode& operator=(const SermonNode&) = delete;

    const QUuid& id() const { return m_id; }

    const QString& text() const { return m_text; }
    bool setText(const QString& text);

    qint64 depth() const { return m_depth; }
    bool setDepth(qint64 depth);

    bool isCollapsed() const { return m_isCollapsed; }
    bool setCollapsed(bool collapsed);

    bool isQuote() const { return m_isQuote; }
    bool setQuote(bool quote);

    const std::vector<SermonNodePtr>& children() const { return m_children; }
    bool hasChildren() const { return !m_children.empty(); }
    // Direct access for code that rebuilds child lists in place (reader, controller);
    // such code keeps the depth invariant itself.
    std::vector<SermonNodePtr>& mutableChildren() { return m_children; }
    void appendChild(SermonNodePtr child);
    // Inserts at index, clamped to [0, child count].
    void insertChild(qint64 index, SermonNodePtr child);
    // Index of the first child with this id, or -1.
    qint64 indexOfChild(const QUuid& id) const;

    SermonNodePtr findNode(const QUuid& id);
    SermonNodePtr findParent(const QUuid& id);
    bool removeNode(const QUuid& id);
    SermonNodePtr insertSibling(const QUuid& id, const QString& text);
    SermonNodePtr insertSiblingBefore(const QUuid& id, const QString& text);
    SermonNodePtr addChild(const QString& text);
    // A negative index counts as 0; an index past the end appends.
    bool moveNode(const QUuid& id, const QUuid& newParentID, qint64 index);
    void setDepthRecursively(qint64 depth);
    // Preorder, this node first, collapsed subtrees included.
    std::vector<SermonNodePtr> allNodes();
    bool hasOnlyLeafChildren() const;
    SermonNodePtr deepCopy(bool newIDs) const;
    // A copy keeping ids in which every subtree that base holds node for node as it is here
    // is taken from base instead of copied; the rest is new. An undo step made after a small
    // edit thus costs one walk and a few new nodes (base: the previous step), and so does
    // the tree that undo hands back (base: the tree it replaces). Result and base share
    // nodes: a change to one shows in the other. The nodes with an id in folded are folded in
    // the copy.
    SermonNodePtr sharingCopy(const SermonNodePtr& base, const QSet<QUuid>& folded = {}) const;
    // A copy keeping ids that differs from this tree only in the text of the node with this id:
    // the nodes on the way down to it are new, every other subtree is shared with this tree.
    // Null when no node has the id.
    SermonNodePtr copyWithText(const QUuid& id, const QString& text) const;

private:
    SermonNodePtr insertSiblingAt(const QUuid& id, const QString& text, qint64 offset);

    QUuid m_id;
    QString m_text;
    qint64 m_depth = 0;
    std::vector<SermonNodePtr> m_children;
    bool m_isCollapsed = false;
    bool m_isQuote = false;
};

// Asks the processor early for the children [from, from + count) that a walk is about to
// read; walks of large trees are bound by fetching one node after the other from memory.
inline void prefetchChildren(const std::vector<SermonNodePtr>& children, size_t from, size_t count)
{
    for (size_t i = from; i < from + count && i < children.size(); ++i) {
        // Both lines a walk reads: the id and text, and the children.
        const char* node = reinterpret_cast<const char*>(children[i].get());
        __builtin_prefetch(node);
        __builtin_prefetch(node + sizeof(SermonNode) - 1);
    }
}

// How far ahead of the child being read a walk asks for the next ones.
inline constexpr size_t childPrefetchDistance = 8;

// map[id] = node for every node of the subtree, the starting node included.
void indexNodesByID(const SermonNodePtr& node, SermonNodeMap& map);
// Folds or opens every node under node, itself included, whose id is among ids. Nodes tell
// nobody: whoever calls it announces the change.
void setCollapsedWhere(const SermonNodePtr& node, const QSet<QUuid>& ids, bool collapsed);
// map[id] = parent for every node of the subtree except the starting node.
void indexParentsByChildID(const SermonNodePtr& node, SermonNodeMap& map);

} // namespace kestrion
