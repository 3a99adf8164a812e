#pragma once

#include "document/SermonNode.h"
#include "mindmap/NodeLayout.h"

#include <QHash>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QUuid>

#include <vector>

namespace kestrion {

class NodeTextMeasurer;

// What one layout pass learned of every node, kept for the next: the text it measured and
// counted, where the node stood among its siblings and the slot of its layout. The next pass
// walks the tree once, finds each node's entry by id where it stood (or one place off), and
// measures only the texts that changed and the nodes it has not seen; it writes into the
// layouts (with the bounds of each shown branch), the node and parent indexes and the word
// counts only what differs from what they hold. An edit therefore costs one walk of the tree
// plus work in proportion to what changed.
//
// It holds an entry for every node of the tree, folded away or shown, however large, and
// drops the entries of nodes that left the tree; a node moved elsewhere keeps its entry.
//
// A cache serves one set of outputs, pass after pass. Main thread only; many new texts at
// once (opening a file) are measured by worker threads.
class TreeLayoutCache {
public:
    struct Outputs {
        // The layouts of the shown nodes; required.
        NodeLayoutMap* layouts = nullptr;
        // Every node by id, folded ones included; optional.
        SermonNodeMap* nodes = nullptr;
        // Per node, the words of its text and of all its descendants; optional.
        QHash<QUuid, qint64>* subtreeWordCounts = nullptr;
        // Per node but the root, the id of its parent, folded ones included; optional.
        QHash<QUuid, QUuid>* parentIDs = nullptr;
    };
    struct Result {
        // The root's band.
        qreal height = 0;
        // The smallest rectangle holding every layout of the pass; zero when there is none.
        QRectF contentBounds;
    };

    // From this many texts to measure on, worker threads share the measuring.
    static constexpr qsizetype parallelMeasuringThreshold = 4096;

    TreeLayoutCache();
    ~TreeLayoutCache();
    TreeLayoutCache(const TreeLayoutCache&) = delete;
    TreeLayoutCache& operator=(const TreeLayoutCache&) = delete;

    // Lays out the root and its shown descendants with the root's band starting at origin.
    // A null root empties the outputs of what this cache put there.
    Result update(const SermonNodePtr& root, const QPointF& origin, const Outputs& outputs);

    // Entries held: one per node of the tree of the last pass.
    qsizetype size() const { return static_cast<qsizetype>(m_entries.size()); }
    // Texts the last pass measured.
    qsizetype lastMeasuredCount() const { return m_lastMeasuredCount; }

private:
    struct Entry {
        QUuid id;
        // The node last seen under the id; only compared, never followed.
        const SermonNode* node = nullptr;
        // The text measured and counted; it shares the node's characters while unchanged.
        QString text;
        qreal widest = 0;
        qint64 depth = 0;
        qint64 words = -1;
        // What the word counts hold for the node; -1 before the first write.
        qint64 subtreeWords = -1;
        // Counts of lines, children and entries stay far below 2^31 in any tree that fits in
        // memory; narrower fields keep the table small to walk.
        qint32 lines = 0;
        qint32 childCount = 0;
        qint32 layoutSlot = -1;
        // Entries of the subtree in preorder, the node's own included.
        qint32 subtreeSize = 1;
        // The font the text was measured in; -1 when not measured.
        qint8 fontSlot = -1;
        bool collapsed = false;
        bool quote = false;
        bool leafy = false;
        bool shown = false;
        // Left its place but found again elsewhere in the tree.
        bool taken = false;
    };
    struct Walk;

    void measure(const std::vector<qsizetype>& indices, const NodeTextMeasurer& measurer);

    std::vector<Entry> m_entries;
    // Storage for the next pass's entries.
    std::vector<Entry> m_spare;
    QString m_fontsKey;
    qsizetype m_lastMeasuredCount = 0;
};

} // namespace kestrion
