#pragma once

#include "columns/ColumnLayout.h"
#include "columns/ColumnNodeFrame.h"
#include "columns/ColumnWidthsConfig.h"
#include "document/SermonNode.h"

#include <QHash>
#include <QSizeF>
#include <QUuid>
#include <QtNumeric>

#include <algorithm>
#include <optional>
#include <vector>

namespace kestrion {

class ColumnWrapCache;

// The columns layout of one tree (the geometry of ColumnLayout), kept from one change to the
// next so that the work of a change follows what it changed: every node of the tree, folded away
// or not, has a slot that lasts as long as the node stays; the shown ones are indexed by column
// from top to bottom. A change of one node's text moves only the boxes after it, a change of
// the widths wraps again only those boxes of the columns it widened or narrowed whose number
// of lines may change at the new width, and any other change is one light walk of the tree
// that wraps again only the texts that changed.
//
// Frames are made on request from the slots: a column's x and width come from its edges, so
// moving a column moves all its boxes at once.
class LiveColumnLayout {
public:
    using Slot = qint32;
    static constexpr Slot none = -1;

    // A box whose frame an update changed, with the frame it had.
    struct Move {
        Slot slot = none;
        QUuid nodeID;
        ColumnNodeFrame from;
    };

    enum class TextChange {
        // The node is not in the layout: only an update can place it.
        Unknown,
        Unmoved,
        Moved,
    };

    // Brings the layout in line with the tree after any change, walking it once; with moves,
    // lists the boxes shown before and after whose frame changed. An empty layout for no root.
    //
    // Boxes whose tops lie at or below measuredTo, and that hold no measure of their text at
    // their width, may be left unmeasured: each stands as one line until it is measured. All
    // that lies above exactBottom() is then as a complete layout has it, and every box, bottom
    // and size that a complete layout puts further down lies further down here too.
    void update(const SermonNodePtr& root, const ColumnWidthsConfig& widths, ColumnWrapCache& cache,
        std::vector<Move>* moves = nullptr, qreal measuredTo = qInf());
    // After a change of one node's text and nothing else.
    TextChange updateText(const QUuid& id, ColumnWrapCache& cache);
    // After a change of the widths and nothing else; whether any box moved or resized.
    bool updateWidths(const ColumnWidthsConfig& widths, ColumnWrapCache& cache);

    // --- Measuring what was left ---------------------------------------------------------
    bool isComplete() const { return m_unmeasured == 0; }
    // Infinite once complete.
    qreal exactBottom() const { return m_exactBottom; }
    // Measures until all above y is exact; whether any box moved.
    bool measureTo(qreal y, ColumnWrapCache& cache);
    // Measures the next boxes down for about the given time; whether the layout is complete.
    bool measureSome(ColumnWrapCache& cache, qint64 milliseconds);
    void measureAll(ColumnWrapCache& cache);

    // --- The layout ------------------------------------------------------------------------
    // The last column edge by the bottom of the title's subtree; zero when empty.
    QSizeF totalSize() const { return m_totalSize; }
    qint64 columnCount() const { return static_cast<qint64>(m_columnCount); }
    // columnCount + 1 running sums of the widths, from 0; empty when there are no columns.
    const std::vector<qreal>& columnXEdges() const { return m_edges; }
    qsizetype frameCount() const { return static_cast<qsizetype>(m_order.size()); }
    // The frame of a shown node.
    std::optional<ColumnNodeFrame> frame(const QUuid& id) const;
    bool hasFrame(const QUuid& id) const { return isShown(slotOf(id)); }
    // The whole layout as a value.
    ColumnLayout snapshot() const;

    // --- The tree as last laid out ---------------------------------------------------------
    // Any node of the tree, shown or folded away, and its parent.
    SermonNodePtr node(const QUuid& id) const;
    SermonNodePtr parent(const QUuid& id) const;
    const SermonNode* root() const { return m_root == none ? nullptr : m_slots[m_root].node.get(); }
    // The following sibling of any node.
    std::optional<QUuid> nextSiblingID(const QUuid& id) const;
    // The deepest column that a shown node's visible subtree reaches.
    std::optional<qint64> subtreeRightmost(const QUuid& id) const;
    // A node of the tree hidden in a folded branch: its nearest shown ancestor. None for a node
    // that is shown or not in the tree.
    std::optional<QUuid> shownAncestorOfHidden(const QUuid& id) const;

    // --- By column and row -----------------------------------------------------------------
    // The shown node just above or below in the same column; none at the ends or for a node
    // without a frame.
    std::optional<QUuid> nodeAbove(const QUuid& id) const { return neighbourInColumn(id, -1); }
    std::optional<QUuid> nodeBelow(const QUuid& id) const { return neighbourInColumn(id, 1); }
    // The node of the column whose subtree band holds the height (top included, bottom not).
    std::optional<QUuid> nodeAt(qint64 column, qreal y) const;
    // Every shown box of the column whose subtree band reaches into the rows from top to bottom
    // (edges included), top to bottom.
    template <typename Visit> void forEachInRows(qint64 column, qreal top, qreal bottom, Visit&& visit) const
    {
        if (column < 0 || column >= columnCount())
            return;
        const std::vector<Slot>& rows = m_rows[static_cast<size_t>(column)];
        // Bands of one column follow each other without overlapping.
        auto it = std::partition_point(rows.begin(), rows.end(), [&](Slot slot) { return m_slots[slot].bottom < top; });
        for (; it != rows.end() && m_slots[*it].top <= bottom; ++it)
            visit(*it, frameAt(*it));
    }

    // --- Slots -----------------------------------------------------------------------------
    Slot slotOf(const QUuid& id) const { return m_slotOf.value(id, none); }
    qsizetype slotCount() const { return static_cast<qsizetype>(m_slots.size()); }
    // Whether the slot holds a shown node of that id.
    bool holds(Slot slot, const QUuid& id) const { return isShown(slot) && m_slots[slot].id == id; }
    // The frame of the shown node in the slot.
    ColumnNodeFrame frameAt(Slot slot) const;

private:
    struct Placed {
        SermonNodePtr node;
        QUuid id;
        // The text as last measured, its weight, and its number of lines; -1 lines: not
        // measured for this text. The same number holds at every width from fitMin to fitMax
        // (rounded inwards: a box is the size of a cache line or two).
        QString text;
        float fitMin = 0;
        float fitMax = -1;
        qsizetype lines = -1;
        bool bold = false;
        bool shown = false;
        bool isIndexed = false;
        qint32 column = 0;
        qint32 rightmost = 0;
        // Counts the measures, so that a column's bounds know which are past.
        quint32 fitVersion = 0;
        qreal top = 0;
        qreal height = 0;
        qreal bottom = 0;
        // The bottom of the shown children's subtrees, or top without any.
        qreal childBottom = 0;
        Slot parent = none;
        Slot firstChild = none;
        Slot nextSibling = none;
        // The node's place in m_order and one past its shown subtree there; its place in its
        // column.
        qint32 order = 0;
        qint32 orderEnd = 0;
        qint32 row = 0;
        quint32 stamp = 0;
    };

    bool isShown(Slot slot) const { return slot >= 0 && slot < slotCount() && m_slots[slot].shown; }
    qreal widthOf(qint32 column);
    Slot slotFor(const SermonNodePtr& node, Slot guess, bool& isNew);
    void measure(Placed& placed, qint32 column, ColumnWrapCache& cache);
    // Whether the node's lines are known at the column's width.
    bool holdsMeasure(const Placed& placed, qint32 column);
    // Measures the shown unmeasured boxes among m_order[from, to), many at once on the worker
    // threads too.
    void measureOrder(qint32 from, qint32 to, ColumnWrapCache& cache);
    // After measuring: the boxes placed again, the first unmeasured one found.
    void settleMeasures();
    // Wraps the node's text at the width and weight; whether its number of lines changed.
    bool wrap(Placed& placed, const QString& text, qreal width, bool bold, ColumnWrapCache& cache);
    void release(Slot slot, ColumnWrapCache& cache);
    void clear(ColumnWrapCache& cache);
    // Shifts the boxes m_order[from, to) down by delta.
    void shift(qint32 from, qint32 to, qreal delta);
    // Places every shown box again from the heights it has.
    void placeAgain();
    void finishColumns();
    // The boxes of the column whose number of lines may change at its new width, the column's
    // bounds brought up to date for the width they are measured at next.
    void collectRewrapped(qint32 column, qreal before, qreal width, std::vector<Slot>& due);
    void noteFits(qint32 column, Slot slot);
    std::optional<QUuid> neighbourInColumn(const QUuid& id, int step) const;

    std::vector<Placed> m_slots;
    std::vector<Slot> m_freeSlots;
    QHash<QUuid, Slot> m_slotOf;
    Slot m_root = none;
    quint32 m_stamp = 0;
    ColumnWidthsConfig m_widthsConfig;
    // Per column reached: its width, and the edges.
    std::vector<qreal> m_widths;
    std::vector<qreal> m_edges;
    qint32 m_columnCount = 0;
    QSizeF m_totalSize { 0, 0 };
    // The shown boxes in outline order, and by column from top to bottom.
    std::vector<Slot> m_order;
    std::vector<std::vector<Slot>> m_rows;

    // Per column, made when its width first changes after any other change: the widths below
    // which (a heap, greatest first) and above which (least first) each box's number of lines
    // is not known, so that a width drag measures again only the boxes it passes a bound of.
    // Bounds of an older measure than the box's stay behind until they come up.
    struct FitBound {
        qreal width;
        Slot slot;
        quint32 version;
    };
    struct ColumnFits {
        std::vector<FitBound> below;
        std::vector<FitBound> above;
        bool isMade = false;
    };
    std::vector<ColumnFits> m_fits;
    std::vector<Slot> m_due;

    // Shown boxes not yet measured, all at or after m_order[m_firstUnmeasured]; measured boxes
    // not yet placed again.
    qsizetype m_unmeasured = 0;
    qint32 m_firstUnmeasured = 0;
    qreal m_exactBottom = qInf();
    bool m_isPlacementStale = false;
};

} // namespace kestrion
