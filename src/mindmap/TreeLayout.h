#pragma once

#include "document/SermonNode.h"
#include "mindmap/NodeLayout.h"
#include "mindmap/TreeLayoutCache.h"

#include <QHash>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QUuid>

#include <optional>
#include <vector>

namespace kestrion {

// Mind-map geometry: the root's box at (40, 40), each node's children in a column to its
// right, stacked top to bottom, the parent centred on its children's band. All walks are
// iterative, so a tree nested a hundred thousand levels deep lays out without overflowing the
// stack.

// Horizontal gap from a parent's right edge to its children, and vertical gap between
// consecutive children's subtrees.
inline constexpr qreal leafyChildGapX = 28;
inline constexpr qreal childGapX = 40;
inline constexpr qreal leafyChildGapY = 2;
inline constexpr qreal childGapY = 8;
inline constexpr qreal rootOriginX = 40;
inline constexpr qreal rootOriginY = 40;

// Lays out every shown node: the root and every descendant without a collapsed ancestor.
// Marks the pass with the "TreeLayout" interval and the "TreeLayout.done" event. A null root
// gives an empty map.
NodeLayoutMap layoutTree(const SermonNodePtr& root);
// The same pass kept up to date in the outputs by a cache, as the canvas lays out after every
// change: only what changed since the cache's last pass is measured and written. Returns the
// smallest rectangle holding every layout (zero when there is none).
QRectF layoutTree(const SermonNodePtr& root, TreeLayoutCache& cache, const TreeLayoutCache::Outputs& outputs);

// Places the node and its shown descendants with the subtree's band starting at (x, y), adds
// their layouts to the map and returns the band's height.
qreal layoutSubtree(const SermonNodePtr& node, NodeLayoutMap& layouts, qreal x, qreal y);

// The box of a node with this text at this depth.
QSizeF measureNode(const QString& text, qint64 depth, bool isLeaf);

// Goes down from the node along first children (forward) or last children (backward) while
// the current node is above the depth limit, expanded and has children; returns where it
// stops. A null node gives a null id.
QUuid descendToNavigationDepth(const SermonNodePtr& node, qint64 depthLimit, bool forward);

// The nodes from the root down to the node with this id, both included; empty when the id is
// not in the tree. With the node and parent indexes of the last layout pass the path is read
// from them, each link confirmed in the tree, at a cost of the node's depth; where they no
// longer hold (the tree changed since), the tree is walked.
std::vector<SermonNode*> pathToNode(const QUuid& id, const SermonNodePtr& root, const SermonNodeMap* nodes = nullptr,
    const QHash<QUuid, QUuid>* parentIDs = nullptr);

// From the node with this id, the nearest sibling in the direction, climbing to the parent's
// siblings when the sibling list is exhausted, then descended to the depth limit. None for
// the root, an id not in the tree, or when the walk climbs out at the root. The indexes serve
// as for pathToNode.
std::optional<QUuid> neighborOfAncestor(const QUuid& ancestorID, const SermonNodePtr& root, qint64 targetDepth,
    bool forward, const SermonNodeMap* nodes = nullptr, const QHash<QUuid, QUuid>* parentIDs = nullptr);

// The node the down arrow (forward) or the up arrow moves to from the node with this id.
std::optional<QUuid> adjacentVisibleNode(const QUuid& nodeID, const SermonNodePtr& root, qint64 depthLimit,
    bool forward, const SermonNodeMap* nodes = nullptr, const QHash<QUuid, QUuid>* parentIDs = nullptr);

} // namespace kestrion
