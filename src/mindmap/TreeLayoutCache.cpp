#include "mindmap/TreeLayoutCache.h"

#include "document/SameText.h"
#include "document/WordCount.h"
#include "mindmap/NodeTextMeasurer.h"
#include "mindmap/TreeLayout.h"

#include <QtConcurrent/QtConcurrentMap>

#include <algorithm>
#include <limits>
#include <utility>

namespace kestrion {

namespace {

// Compared exactly, for every shown node of every pass: QRectF's own comparison is fuzzy and
// slower.
bool sameBranch(const BranchBounds& a, const BranchBounds& b)
{
    return a.parents == b.parents && a.bounds.x() == b.bounds.x() && a.bounds.y() == b.bounds.y()
        && a.bounds.width() == b.bounds.width() && a.bounds.height() == b.bounds.height();
}

} // namespace

// One pass: the walk of the tree against the entries of the previous pass, then the
// placement over the new entries.
struct TreeLayoutCache::Walk {
    TreeLayoutCache& cache;
    const Outputs& out;
    const NodeTextMeasurer& measurer;
    std::vector<Entry> old;
    // New entries met nowhere near their old place: new nodes, or moved from elsewhere.
    std::vector<qsizetype> unmatched;
    // Their nodes, held by their parents' child lists (or the caller, for the root).
    std::vector<const SermonNodePtr*> unmatchedPointers;
    // And their parents' ids; null for the root. A matched node stands under the parent it
    // stood under before, so only these can have a parent other than the last pass's.
    std::vector<QUuid> unmatchedParentIDs;
    // Old subtrees (ranges of old entries) found nowhere near where they stood.
    std::vector<std::pair<qsizetype, qsizetype>> dropped;
    std::vector<qsizetype> toMeasure;

    std::vector<Entry>& entries() { return cache.m_entries; }

    bool needsMeasuring(const Entry& e) const { return e.shown && e.fontSlot != NodeTextMeasurer::fontSlot(e.depth); }

    // The node's entry, taken over from the old entry at oldIndex (or new when -1).
    void enter(const SermonNodePtr& pointer, const SermonNode* parent, qsizetype oldIndex, bool shown)
    {
        const SermonNode& node = *pointer;
        const auto index = static_cast<qsizetype>(entries().size());
        if (oldIndex >= 0) {
            entries().push_back(std::move(old[static_cast<size_t>(oldIndex)]));
            Entry& e = entries().back();
            if (out.nodes && e.node != &node)
                out.nodes->insert(node.id(), pointer);
            if (e.text.constData() != node.text().constData() || e.text.size() != node.text().size()) {
                if (e.text != node.text()) {
                    e.fontSlot = -1;
                    e.words = -1;
                }
                // Kept even when equal, so that the next pass finds the characters shared.
                e.text = node.text();
            }
        } else {
            entries().emplace_back();
            Entry& e = entries().back();
            e.id = node.id();
            e.text = node.text();
            unmatched.push_back(index);
            unmatchedPointers.push_back(&pointer);
            unmatchedParentIDs.push_back(parent ? parent->id() : QUuid());
        }
        Entry& e = entries().back();
        e.node = &node;
        e.depth = node.depth();
        e.childCount = static_cast<qint32>(node.children().size());
        e.collapsed = node.isCollapsed();
        e.quote = node.isQuote();
        e.shown = shown;
        e.subtreeSize = 1;
        if (oldIndex >= 0 && needsMeasuring(e))
            toMeasure.push_back(index);
    }

    void matchTree(const SermonNodePtr& root)
    {
        struct Visit {
            const SermonNode* node;
            size_t nextChild;
            qsizetype entry;
            // The old entries of the node's children still to be met: [oldNext, oldEnd).
            qsizetype oldNext;
            qsizetype oldEnd;
            bool childrenShown;
        };
        std::vector<Visit> stack;
        auto push = [&](const SermonNodePtr& node, const SermonNode* parent, qsizetype oldIndex, bool shown) {
            const qsizetype oldEnd = oldIndex >= 0 ? oldIndex + old[static_cast<size_t>(oldIndex)].subtreeSize : -1;
            const auto index = static_cast<qsizetype>(entries().size());
            enter(node, parent, oldIndex, shown);
            prefetchChildren(node->children(), 0, childPrefetchDistance);
            stack.push_back(
                { node.get(), 0, index, oldIndex >= 0 ? oldIndex + 1 : -1, oldEnd, shown && !node->isCollapsed() });
        };

        const bool sameRoot = !old.empty() && old.front().id == root->id();
        if (!old.empty() && !sameRoot)
            dropped.emplace_back(0, static_cast<qsizetype>(old.size()));
        push(root, nullptr, sameRoot ? 0 : -1, true);
        while (!stack.empty()) {
            Visit& visit = stack.back();
            const auto& children = visit.node->children();
            if (visit.nextChild < children.size()) {
                prefetchChildren(children, visit.nextChild + childPrefetchDistance, 1);
                const SermonNodePtr& child = children[visit.nextChild++];
                qsizetype match = -1;
                if (visit.oldNext >= 0 && visit.oldNext < visit.oldEnd) {
                    const qsizetype next = visit.oldNext;
                    const qsizetype following = next + old[static_cast<size_t>(next)].subtreeSize;
                    if (old[static_cast<size_t>(next)].id == child->id()) {
                        match = next;
                    } else if (following < visit.oldEnd && old[static_cast<size_t>(following)].id == child->id()) {
                        // The old child before it is gone from here.
                        dropped.emplace_back(next, following);
                        match = following;
                    }
                    if (match >= 0)
                        visit.oldNext = match + old[static_cast<size_t>(match)].subtreeSize;
                }
                push(child, visit.node, match, visit.childrenShown);
                continue;
            }
            if (visit.oldNext >= 0 && visit.oldNext < visit.oldEnd)
                dropped.emplace_back(visit.oldNext, visit.oldEnd);
            Entry& e = entries()[static_cast<size_t>(visit.entry)];
            e.subtreeSize = static_cast<qint32>(static_cast<qsizetype>(entries().size()) - visit.entry);
            // Only children without children of their own leave one entry each.
            e.leafy = visit.childrenShown && e.childCount > 0 && e.subtreeSize == e.childCount + 1;
            stack.pop_back();
        }
    }

    // Nodes moved away from their place take their old entries along; what is left of the
    // old entries belongs to nodes that left the tree.
    void settleMovesAndRemovals()
    {
        // The first pass sizes the tables for the whole tree at once.
        const auto count = static_cast<qsizetype>(entries().size());
        if (out.layouts->isEmpty())
            out.layouts->reserve(count);
        if (out.subtreeWordCounts && out.subtreeWordCounts->isEmpty())
            out.subtreeWordCounts->reserve(count);
        if (out.nodes) {
            if (out.nodes->isEmpty())
                out.nodes->reserve(count);
            for (const SermonNodePtr* pointer : unmatchedPointers)
                out.nodes->insert((*pointer)->id(), *pointer);
        }
        if (out.parentIDs) {
            if (out.parentIDs->isEmpty())
                out.parentIDs->reserve(count);
            for (size_t k = 0; k < unmatched.size(); ++k) {
                const QUuid& id = entries()[static_cast<size_t>(unmatched[k])].id;
                if (unmatchedParentIDs[k].isNull())
                    out.parentIDs->remove(id);
                else
                    out.parentIDs->insert(id, unmatchedParentIDs[k]);
            }
        }
        if (!unmatched.empty() && !dropped.empty()) {
            QHash<QUuid, qsizetype> pool;
            for (const auto& [begin, end] : dropped) {
                for (qsizetype k = begin; k < end; ++k)
                    pool.insert(old[static_cast<size_t>(k)].id, k);
            }
            for (const qsizetype u : unmatched) {
                Entry& e = entries()[static_cast<size_t>(u)];
                const auto it = pool.constFind(e.id);
                if (it == pool.cend() || old[static_cast<size_t>(*it)].taken)
                    continue;
                Entry& o = old[static_cast<size_t>(*it)];
                o.taken = true;
                e.layoutSlot = o.layoutSlot;
                e.subtreeWords = o.subtreeWords;
                if (isSameText(o.text, e.text)) {
                    e.widest = o.widest;
                    e.lines = o.lines;
                    e.fontSlot = o.fontSlot;
                    e.words = o.words;
                }
            }
        }
        for (const qsizetype u : unmatched) {
            if (needsMeasuring(entries()[static_cast<size_t>(u)]))
                toMeasure.push_back(u);
        }
        for (const auto& [begin, end] : dropped) {
            for (qsizetype k = begin; k < end; ++k) {
                const Entry& o = old[static_cast<size_t>(k)];
                if (o.taken)
                    continue;
                if (out.nodes)
                    out.nodes->remove(o.id);
                if (out.parentIDs)
                    out.parentIDs->remove(o.id);
                if (out.subtreeWordCounts)
                    out.subtreeWordCounts->remove(o.id);
                if (out.layouts->slotHolds(o.layoutSlot, o.id))
                    out.layouts->removeSlot(o.layoutSlot);
            }
        }
    }

    // Places every shown node as layoutSubtree does, with the same arithmetic in the same
    // order, totals the words from the leaves up, and gathers each shown branch's bounds from
    // its children's as it closes.
    Result place(const QPointF& origin)
    {
        constexpr qreal infinity = std::numeric_limits<qreal>::infinity();
        struct Band {
            qsizetype entry;
            qsizetype end;
            QPointF at;
            QSizeF size;
            qreal gap;
            qreal childX;
            qreal cursor;
            qreal childHeights;
            qint64 words;
            // The edges of the shown children's branches, and their expanded parents.
            qreal left = infinity;
            qreal top = infinity;
            qreal right = -infinity;
            qreal bottom = -infinity;
            qint32 parents = 0;
        };
        NodeLayoutMap& layouts = *out.layouts;
        const bool counting = out.subtreeWordCounts != nullptr;
        Result result;
        std::vector<Band> stack;

        auto write = [&](Entry& e, const NodeLayout& layout) {
            if (layouts.slotHolds(e.layoutSlot, e.id)) {
                NodeLayout& held = layouts.layoutAt(e.layoutSlot);
                if (held != layout)
                    held = layout;
            } else {
                e.layoutSlot = static_cast<qint32>(layouts.insertSlot(e.id, layout));
            }
        };

        // The branch of a node just written, handed on to its parent's band.
        // The edges are handed on as they are, not through the rectangle, which would round them.
        auto closeBranch = [&](const Entry& e, const Band& band, const QPointF& at) {
            const qreal left = std::min(band.left, at.x());
            const qreal top = std::min(band.top, at.y());
            const qreal right = std::max(band.right, at.x() + band.size.width());
            const qreal bottom = std::max(band.bottom, at.y() + band.size.height());
            const BranchBounds branch {
                QRectF(QPointF(left, top), QPointF(right, bottom)),
                e.collapsed || e.childCount == 0 ? 0 : band.parents + 1,
            };
            if (!sameBranch(layouts.branchBoundsAt(e.layoutSlot), branch))
                layouts.setBranchBoundsAt(e.layoutSlot, branch);
            if (stack.empty()) {
                result.contentBounds = branch.bounds;
                return;
            }
            Band& parent = stack.back();
            parent.left = std::min(parent.left, left);
            parent.top = std::min(parent.top, top);
            parent.right = std::max(parent.right, right);
            parent.bottom = std::max(parent.bottom, bottom);
            parent.parents += branch.parents;
        };

        auto close = [&] {
            const Band band = stack.back();
            stack.pop_back();
            Entry& e = entries()[static_cast<size_t>(band.entry)];
            qreal height = 0;
            if (e.shown) {
                const qreal h = band.size.height();
                QPointF at = band.at;
                if (e.collapsed || e.childCount == 0) {
                    write(e, NodeLayout { e.id, at, band.size, e.depth, e.childCount == 0, false, e.quote });
                    height = h;
                } else {
                    const qreal span = band.childHeights + band.gap * (static_cast<qreal>(e.childCount) - 1);
                    at.setY(h < span ? band.at.y() + (span - h) * 0.5 : band.at.y());
                    write(e, NodeLayout { e.id, at, band.size, e.depth, false, e.leafy, false });
                    height = std::max(span, h);
                }
                closeBranch(e, band, at);
                if (!stack.empty()) {
                    Band& parent = stack.back();
                    parent.childHeights += height;
                    parent.cursor += height + parent.gap;
                }
            } else if (layouts.slotHolds(e.layoutSlot, e.id)) {
                layouts.removeSlot(e.layoutSlot);
                e.layoutSlot = -1;
            }
            if (counting) {
                if (e.subtreeWords != band.words) {
                    out.subtreeWordCounts->insert(e.id, band.words);
                    e.subtreeWords = band.words;
                }
                if (!stack.empty())
                    stack.back().words += band.words;
            }
            if (stack.empty())
                result.height = height;
        };

        const auto count = static_cast<qsizetype>(entries().size());
        for (qsizetype i = 0; i < count; ++i) {
            while (!stack.empty() && i >= stack.back().end)
                close();
            Entry& e = entries()[static_cast<size_t>(i)];
            Band band { i, i + e.subtreeSize, {}, {}, 0, 0, 0, 0, 0 };
            if (e.shown) {
                band.at = stack.empty() ? origin : QPointF(stack.back().childX, stack.back().cursor);
                band.size = measurer.boxSize({ e.widest, e.lines }, e.depth, e.childCount == 0);
                band.gap = e.leafy ? leafyChildGapY : childGapY;
                band.childX = band.at.x() + band.size.width() + (e.leafy ? leafyChildGapX : childGapX);
                band.cursor = band.at.y();
            }
            if (counting) {
                if (e.words < 0)
                    e.words = countWords(e.text);
                band.words = e.words;
            }
            stack.push_back(band);
        }
        while (!stack.empty())
            close();
        layouts.setBranchBoundsComplete();
        return result;
    }
};

TreeLayoutCache::TreeLayoutCache() = default;
TreeLayoutCache::~TreeLayoutCache() = default;

void TreeLayoutCache::measure(const std::vector<qsizetype>& indices, const NodeTextMeasurer& measurer)
{
    auto measureRange = [this, &indices](const NodeTextMeasurer& m, size_t begin, size_t end) {
        for (size_t k = begin; k < end; ++k) {
            Entry& e = m_entries[static_cast<size_t>(indices[k])];
            const NodeTextMeasurer::Extent extent = m.extent(e.text, e.depth);
            e.widest = extent.widest;
            e.lines = static_cast<qint32>(extent.lines);
            e.fontSlot = static_cast<qint8>(NodeTextMeasurer::fontSlot(e.depth));
        }
    };
    m_lastMeasuredCount = static_cast<qsizetype>(indices.size());
    if (m_lastMeasuredCount < parallelMeasuringThreshold) {
        measureRange(measurer, 0, indices.size());
        return;
    }
    // Each worker resolves the fonts itself; one that resolves others (which should not
    // happen) leaves its share to the measurer of the pass.
    constexpr size_t chunk = 1024;
    std::vector<std::pair<size_t, size_t>> chunks;
    for (size_t begin = 0; begin < indices.size(); begin += chunk)
        chunks.emplace_back(begin, std::min(begin + chunk, indices.size()));
    const QString fontsKey = measurer.fontsKey();
    std::vector<char> done(chunks.size(), 0);
    QtConcurrent::blockingMap(chunks, [&](const std::pair<size_t, size_t>& range) {
        const NodeTextMeasurer local;
        if (local.fontsKey() != fontsKey)
            return;
        measureRange(local, range.first, range.second);
        done[static_cast<size_t>(&range - chunks.data())] = 1;
    });
    for (size_t c = 0; c < chunks.size(); ++c) {
        if (!done[c])
            measureRange(measurer, chunks[c].first, chunks[c].second);
    }
}

TreeLayoutCache::Result TreeLayoutCache::update(
    const SermonNodePtr& root, const QPointF& origin, const Outputs& outputs)
{
    const NodeTextMeasurer measurer;
    const QString fontsKey = measurer.fontsKey();
    if (fontsKey != m_fontsKey) {
        for (Entry& e : m_entries)
            e.fontSlot = -1;
        m_fontsKey = fontsKey;
    }
    // The previous entries become the old ones; the buffer of the pass before takes the new
    // ones, so that no pass allocates the whole table again.
    Walk walk { *this, outputs, measurer, std::move(m_entries), {}, {}, {}, {}, {} };
    m_entries = std::move(m_spare);
    m_entries.clear();
    m_lastMeasuredCount = 0;
    if (!root) {
        if (!walk.old.empty())
            walk.dropped.emplace_back(0, static_cast<qsizetype>(walk.old.size()));
        walk.settleMovesAndRemovals();
        return {};
    }
    m_entries.reserve(walk.old.size() + 64);
    walk.matchTree(root);
    walk.settleMovesAndRemovals();
    measure(walk.toMeasure, measurer);
    const Result result = walk.place(origin);
    m_spare = std::move(walk.old);
    m_spare.clear();
    return result;
}

} // namespace kestrion
