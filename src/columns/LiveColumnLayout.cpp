#include "columns/LiveColumnLayout.h"

#include "columns/ColumnMetrics.h"
#include "columns/ColumnWrapCache.h"

#include <QElapsedTimer>

#include <cmath>
#include <limits>

namespace kestrion {

namespace {

// The boxes measured together between two looks at the clock.
constexpr qint32 measuringStep = 256;

// The orders of a column's heaps of bounds.
constexpr auto greatestFirst = [](const auto& a, const auto& b) { return a.width < b.width; };
constexpr auto leastFirst = [](const auto& a, const auto& b) { return a.width > b.width; };

// The bounds of a range of widths in less room, rounded into it.
float lowerBound(qreal width)
{
    const auto bound = static_cast<float>(width);
    return bound < width ? std::nextafter(bound, std::numeric_limits<float>::infinity()) : bound;
}

float upperBound(qreal width)
{
    const auto bound = static_cast<float>(width);
    return bound > width ? std::nextafter(bound, -std::numeric_limits<float>::infinity()) : bound;
}

} // namespace

// --- Updates ------------------------------------------------------------------------------

qreal LiveColumnLayout::widthOf(qint32 column)
{
    while (static_cast<qint32>(m_widths.size()) <= column) {
        const qreal width = m_widthsConfig.widthOf(static_cast<qint64>(m_widths.size()));
        m_widths.push_back(width);
        m_edges.push_back(m_edges.back() + width);
    }
    return m_widths[static_cast<size_t>(column)];
}

LiveColumnLayout::Slot LiveColumnLayout::slotFor(const SermonNodePtr& node, Slot guess, bool& isNew)
{
    isNew = false;
    if (guess != none && m_slots[guess].node.get() == node.get() && m_slots[guess].stamp != m_stamp)
        return guess;
    const auto found = m_slotOf.constFind(node->id());
    if (found != m_slotOf.cend() && m_slots[*found].stamp != m_stamp) {
        Placed& placed = m_slots[*found];
        // The same node in another object: a tree that undo or redo brought back.
        if (placed.node != node)
            placed.node = node;
        return *found;
    }
    isNew = true;
    Slot slot;
    if (m_freeSlots.empty()) {
        slot = static_cast<Slot>(m_slots.size());
        m_slots.emplace_back();
    } else {
        slot = m_freeSlots.back();
        m_freeSlots.pop_back();
        m_slots[slot] = Placed {};
    }
    Placed& placed = m_slots[slot];
    placed.node = node;
    placed.id = node->id();
    // A second node of the same id (no tree the program makes has one) gets a box of its own,
    // found through the tree only.
    if (found == m_slotOf.cend()) {
        m_slotOf.insert(placed.id, slot);
        placed.isIndexed = true;
    }
    return slot;
}

void LiveColumnLayout::measure(Placed& placed, qint32 column, ColumnWrapCache& cache)
{
    const qreal width = widthOf(column);
    const bool bold = column == 0;
    const QString& text = placed.node->text();
    if (placed.lines < 0 || width < placed.fitMin || width > placed.fitMax || placed.bold != bold
        || !isSameText(placed.text, text))
        wrap(placed, text, width, bold, cache);
    placed.column = column;
    placed.height = static_cast<qreal>(placed.lines) * ColumnMetrics::lineHeight;
}

bool LiveColumnLayout::wrap(Placed& placed, const QString& text, qreal width, bool bold, ColumnWrapCache& cache)
{
    qreal fitMin = 0;
    qreal fitMax = 0;
    const qsizetype lines = cache.lineCount(placed.id, text, width, bold, fitMin, fitMax);
    placed.fitMin = lowerBound(fitMin);
    placed.fitMax = upperBound(fitMax);
    const bool isChanged = lines != placed.lines;
    placed.lines = lines;
    ++placed.fitVersion;
    placed.text = text;
    placed.bold = bold;
    return isChanged;
}

void LiveColumnLayout::release(Slot slot, ColumnWrapCache& cache)
{
    Placed& placed = m_slots[slot];
    if (placed.isIndexed) {
        m_slotOf.remove(placed.id);
        cache.remove(placed.id);
    }
    placed = Placed {};
    m_freeSlots.push_back(slot);
}

void LiveColumnLayout::clear(ColumnWrapCache& cache)
{
    for (Slot slot = 0; slot < static_cast<Slot>(m_slots.size()); ++slot) {
        if (m_slots[slot].node)
            release(slot, cache);
    }
    m_root = none;
    m_order.clear();
    m_rows.clear();
    m_widths.clear();
    m_edges.clear();
    m_columnCount = 0;
    m_totalSize = QSizeF(0, 0);
}

void LiveColumnLayout::update(const SermonNodePtr& root, const ColumnWidthsConfig& widths, ColumnWrapCache& cache,
    std::vector<Move>* moves, qreal measuredTo)
{
    m_unmeasured = 0;
    m_isPlacementStale = false;
    m_exactBottom = qInf();
    if (!root) {
        clear(cache);
        return;
    }
    // The geometry the frames had, for the frames that moves hand back.
    std::vector<qreal> oldEdges;
    std::vector<qreal> oldWidths;
    if (moves) {
        oldEdges = m_edges;
        oldWidths = m_widths;
    }
    m_widthsConfig = widths;
    m_fits.clear();
    m_widths.clear();
    m_edges.assign(1, 0);
    ++m_stamp;
    m_order.clear();
    for (std::vector<Slot>& rows : m_rows)
        rows.clear();
    qint32 maxColumn = 0;
    qsizetype visited = 0;

    // A node on the way down, its children still being visited.
    struct Step {
        Slot slot;
        const SermonNode* node;
        size_t next;
        // The child the layout had next here: usually the one the tree has next.
        Slot guess;
        Slot lastChild;
        qreal childBottom;
        qint32 rightmost;
        bool isShowingChildren;
        // The frame before.
        bool wasShown;
        qint32 oldColumn;
        qreal oldTop;
        qreal oldHeight;
        qreal oldBottom;
    };
    std::vector<Step> stack;

    const auto enter = [&](const SermonNodePtr& node, qsizetype parentStep) {
        Step* parent = parentStep >= 0 ? &stack[static_cast<size_t>(parentStep)] : nullptr;
        bool isNew = false;
        const Slot slot = slotFor(node, parent ? parent->guess : m_root, isNew);
        Placed& placed = m_slots[slot];
        if (parent && !isNew)
            parent->guess = placed.nextSibling;
        Step step { slot, node.get(), 0, placed.firstChild, none, 0, 0, false, placed.shown, placed.column, placed.top,
            placed.height, placed.bottom };
        ++visited;
        placed.stamp = m_stamp;
        placed.parent = parent ? parent->slot : none;
        placed.firstChild = none;
        placed.nextSibling = none;
        if (parent) {
            if (parent->lastChild != none)
                m_slots[parent->lastChild].nextSibling = slot;
            else
                m_slots[parent->slot].firstChild = slot;
            parent->lastChild = slot;
        }
        placed.shown = !parent || parent->isShowingChildren;
        if (placed.shown) {
            const qint32 column = parent ? m_slots[parent->slot].column + 1 : 0;
            placed.top = parent ? parent->childBottom : 0;
            if (placed.top < measuredTo || holdsMeasure(placed, column)) {
                measure(placed, column, cache);
            } else {
                // One line until measured.
                if (m_unmeasured++ == 0)
                    m_firstUnmeasured = static_cast<qint32>(m_order.size());
                placed.lines = -1;
                placed.column = column;
                placed.height = ColumnMetrics::lineHeight;
            }
            placed.order = static_cast<qint32>(m_order.size());
            m_order.push_back(slot);
            if (static_cast<qint32>(m_rows.size()) <= column)
                m_rows.resize(static_cast<size_t>(column) + 1);
            std::vector<Slot>& rows = m_rows[static_cast<size_t>(column)];
            placed.row = static_cast<qint32>(rows.size());
            rows.push_back(slot);
            step.childBottom = placed.top;
            step.rightmost = column;
            step.isShowingChildren = !node->isCollapsed();
        }
        stack.push_back(step);
    };

    enter(root, -1);
    m_root = stack.front().slot;
    // Iterative, so that however deep the outline, the stack does not overflow.
    while (!stack.empty()) {
        Step& step = stack.back();
        const std::vector<SermonNodePtr>& children = step.node->children();
        if (step.next < children.size()) {
            prefetchChildren(children, step.next + 1, childPrefetchDistance);
            enter(children[step.next++], static_cast<qsizetype>(stack.size()) - 1);
            continue;
        }
        const Step done = step;
        stack.pop_back();
        Placed& placed = m_slots[done.slot];
        if (!placed.shown)
            continue;
        placed.childBottom = done.childBottom;
        placed.bottom = std::max(placed.top + placed.height, done.childBottom);
        placed.rightmost = done.rightmost;
        placed.orderEnd = static_cast<qint32>(m_order.size());
        maxColumn = std::max(maxColumn, placed.column);
        if (moves && done.wasShown) {
            const auto column = static_cast<size_t>(placed.column);
            const auto oldColumn = static_cast<size_t>(done.oldColumn);
            const bool isSame = done.oldColumn == placed.column && done.oldTop == placed.top
                && done.oldHeight == placed.height && done.oldBottom == placed.bottom && oldColumn + 1 < oldEdges.size()
                && oldEdges[oldColumn] == m_edges[column] && oldWidths[oldColumn] == m_widths[column];
            if (!isSame && oldColumn + 1 < oldEdges.size()) {
                moves->push_back({ done.slot, placed.id,
                    { placed.id, done.oldColumn, QPointF(oldEdges[oldColumn], done.oldTop),
                        QSizeF(oldWidths[oldColumn], done.oldHeight), done.oldTop, done.oldBottom } });
            }
        }
        if (!stack.empty()) {
            Step& parent = stack.back();
            parent.childBottom = placed.bottom;
            parent.rightmost = std::max(parent.rightmost, placed.rightmost);
        }
    }

    // Nodes the walk did not meet have left the tree.
    if (visited != static_cast<qsizetype>(m_slots.size() - m_freeSlots.size())) {
        for (Slot slot = 0; slot < static_cast<Slot>(m_slots.size()); ++slot) {
            if (m_slots[slot].node && m_slots[slot].stamp != m_stamp)
                release(slot, cache);
        }
    }
    m_columnCount = maxColumn + 1;
    finishColumns();
    if (m_unmeasured > 0)
        m_exactBottom = m_slots[m_order[static_cast<size_t>(m_firstUnmeasured)]].top;
}

bool LiveColumnLayout::holdsMeasure(const Placed& placed, qint32 column)
{
    const qreal width = widthOf(column);
    return placed.lines >= 0 && width >= placed.fitMin && width <= placed.fitMax && placed.bold == (column == 0)
        && isSameText(placed.text, placed.node->text());
}

// --- Measuring what was left --------------------------------------------------------------

void LiveColumnLayout::measureOrder(qint32 from, qint32 to, ColumnWrapCache& cache)
{
    std::vector<Slot> due;
    for (qint32 i = from; i < to; ++i) {
        const Slot slot = m_order[static_cast<size_t>(i)];
        if (m_slots[slot].lines < 0)
            due.push_back(slot);
    }
    if (due.empty())
        return;
    // The texts as they stand, so that the workers read nothing of the tree.
    std::vector<ColumnWrapCache::Request> requests;
    requests.reserve(due.size());
    for (const Slot slot : due) {
        const Placed& placed = m_slots[slot];
        requests.push_back(
            { placed.id, placed.node->text(), m_widths[static_cast<size_t>(placed.column)], placed.column == 0 });
    }
    cache.wrapAll(requests);
    for (const Slot slot : due) {
        Placed& placed = m_slots[slot];
        wrap(placed, placed.node->text(), m_widths[static_cast<size_t>(placed.column)], placed.column == 0, cache);
        placed.height = static_cast<qreal>(placed.lines) * ColumnMetrics::lineHeight;
        --m_unmeasured;
    }
    m_isPlacementStale = true;
}

void LiveColumnLayout::settleMeasures()
{
    if (m_isPlacementStale) {
        placeAgain();
        m_totalSize.setHeight(m_slots[m_root].bottom);
        m_isPlacementStale = false;
    }
    const auto count = static_cast<qint32>(m_order.size());
    while (m_firstUnmeasured < count && m_slots[m_order[static_cast<size_t>(m_firstUnmeasured)]].lines >= 0)
        ++m_firstUnmeasured;
    m_exactBottom = m_unmeasured == 0 || m_firstUnmeasured >= count
        ? qInf()
        : m_slots[m_order[static_cast<size_t>(m_firstUnmeasured)]].top;
}

bool LiveColumnLayout::measureTo(qreal y, ColumnWrapCache& cache)
{
    if (isComplete() || y < m_exactBottom)
        return false;
    settleMeasures();
    bool isMoved = false;
    // Boxes measured push those below them down: a few rounds reach y.
    while (!isComplete() && y >= m_exactBottom) {
        const auto count = static_cast<qint32>(m_order.size());
        qint32 end = m_firstUnmeasured;
        while (end < count && m_slots[m_order[static_cast<size_t>(end)]].top <= y)
            ++end;
        measureOrder(m_firstUnmeasured, std::max(end, m_firstUnmeasured + 1), cache);
        settleMeasures();
        isMoved = true;
    }
    return isMoved;
}

bool LiveColumnLayout::measureSome(ColumnWrapCache& cache, qint64 milliseconds)
{
    QElapsedTimer elapsed;
    elapsed.start();
    const auto count = static_cast<qint32>(m_order.size());
    qint32 next = m_firstUnmeasured;
    while (!isComplete() && next < count && !elapsed.hasExpired(milliseconds)) {
        const qint32 end = std::min(next + measuringStep, count);
        measureOrder(next, end, cache);
        next = end;
    }
    if (isComplete())
        settleMeasures();
    else
        m_firstUnmeasured = next;
    return isComplete();
}

void LiveColumnLayout::measureAll(ColumnWrapCache& cache)
{
    if (isComplete())
        return;
    measureOrder(m_firstUnmeasured, static_cast<qint32>(m_order.size()), cache);
    settleMeasures();
}

void LiveColumnLayout::finishColumns()
{
    m_rows.resize(static_cast<size_t>(m_columnCount));
    m_widths.resize(static_cast<size_t>(m_columnCount));
    m_edges.resize(static_cast<size_t>(m_columnCount) + 1);
    m_totalSize = QSizeF(m_edges.back(), m_slots[m_root].bottom);
}

void LiveColumnLayout::shift(qint32 from, qint32 to, qreal delta)
{
    for (qint32 i = from; i < to; ++i) {
        Placed& placed = m_slots[m_order[static_cast<size_t>(i)]];
        placed.top += delta;
        placed.bottom += delta;
        placed.childBottom += delta;
    }
}

LiveColumnLayout::TextChange LiveColumnLayout::updateText(const QUuid& id, ColumnWrapCache& cache)
{
    measureAll(cache);
    const Slot slot = slotOf(id);
    if (slot == none)
        return TextChange::Unknown;
    Placed& placed = m_slots[slot];
    const QString& text = placed.node->text();
    if (placed.lines >= 0 && isSameText(placed.text, text))
        return TextChange::Unmoved;
    if (!placed.shown) {
        // Measured once it is shown.
        placed.lines = -1;
        return TextChange::Unmoved;
    }
    m_fits.clear();
    if (!wrap(placed, text, m_widths[static_cast<size_t>(placed.column)], placed.bold, cache))
        return TextChange::Unmoved;
    const qsizetype lines = placed.lines;
    placed.height = static_cast<qreal>(lines) * ColumnMetrics::lineHeight;
    const qreal bottom = std::max(placed.top + placed.height, placed.childBottom);
    qreal delta = bottom - placed.bottom;
    placed.bottom = bottom;
    // Up the ancestors, each moving the boxes after its child by what that child's subtree grew.
    for (Slot child = slot; delta != 0;) {
        const Slot parent = m_slots[child].parent;
        if (parent == none)
            break;
        shift(m_slots[child].orderEnd, m_slots[parent].orderEnd, delta);
        Placed& above = m_slots[parent];
        above.childBottom += delta;
        const qreal aboveBottom = std::max(above.top + above.height, above.childBottom);
        delta = aboveBottom - above.bottom;
        above.bottom = aboveBottom;
        child = parent;
    }
    m_totalSize.setHeight(m_slots[m_root].bottom);
    return TextChange::Moved;
}

bool LiveColumnLayout::updateWidths(const ColumnWidthsConfig& widths, ColumnWrapCache& cache)
{
    measureAll(cache);
    m_widthsConfig = widths;
    bool isChanged = false;
    bool isHeightChanged = false;
    for (qint32 column = 0; column < m_columnCount; ++column) {
        const qreal width = widths.widthOf(column);
        if (width == m_widths[static_cast<size_t>(column)])
            continue;
        const qreal before = m_widths[static_cast<size_t>(column)];
        m_widths[static_cast<size_t>(column)] = width;
        isChanged = true;
        // The boxes of other columns keep their lines; only their places may change.
        collectRewrapped(column, before, width, m_due);
        for (const Slot slot : m_due) {
            Placed& placed = m_slots[slot];
            if (wrap(placed, placed.node->text(), width, placed.bold, cache)) {
                placed.height = static_cast<qreal>(placed.lines) * ColumnMetrics::lineHeight;
                isHeightChanged = true;
            }
            noteFits(column, slot);
        }
    }
    if (!isChanged)
        return false;
    for (size_t column = 0; column < m_widths.size(); ++column)
        m_edges[column + 1] = m_edges[column] + m_widths[column];
    if (isHeightChanged)
        placeAgain();
    m_totalSize = QSizeF(m_edges.back(), m_slots[m_root].bottom);
    return true;
}

void LiveColumnLayout::collectRewrapped(qint32 column, qreal before, qreal width, std::vector<Slot>& due)
{
    due.clear();
    if (static_cast<qint32>(m_fits.size()) <= column)
        m_fits.resize(static_cast<size_t>(column) + 1);
    ColumnFits& fits = m_fits[static_cast<size_t>(column)];
    const std::vector<Slot>& rows = m_rows[static_cast<size_t>(column)];
    const auto isCurrent = [&](const FitBound& bound) {
        const Placed& placed = m_slots[bound.slot];
        return placed.shown && placed.column == column && placed.fitVersion == bound.version;
    };
    // Remade when bounds left behind outnumber the boxes.
    if (!fits.isMade || fits.below.size() > 2 * rows.size() + 64 || fits.above.size() > 2 * rows.size() + 64) {
        fits.below.clear();
        fits.above.clear();
        for (const Slot slot : rows) {
            const Placed& placed = m_slots[slot];
            fits.below.push_back({ placed.fitMin, slot, placed.fitVersion });
            fits.above.push_back({ placed.fitMax, slot, placed.fitVersion });
        }
        std::make_heap(fits.below.begin(), fits.below.end(), greatestFirst);
        std::make_heap(fits.above.begin(), fits.above.end(), leastFirst);
        fits.isMade = true;
    }
    if (width < before) {
        while (!fits.below.empty() && fits.below.front().width > width) {
            std::pop_heap(fits.below.begin(), fits.below.end(), greatestFirst);
            if (isCurrent(fits.below.back()))
                due.push_back(fits.below.back().slot);
            fits.below.pop_back();
        }
    } else {
        while (!fits.above.empty() && fits.above.front().width < width) {
            std::pop_heap(fits.above.begin(), fits.above.end(), leastFirst);
            if (isCurrent(fits.above.back()))
                due.push_back(fits.above.back().slot);
            fits.above.pop_back();
        }
    }
}

void LiveColumnLayout::noteFits(qint32 column, Slot slot)
{
    ColumnFits& fits = m_fits[static_cast<size_t>(column)];
    const Placed& placed = m_slots[slot];
    fits.below.push_back({ placed.fitMin, slot, placed.fitVersion });
    std::push_heap(fits.below.begin(), fits.below.end(), greatestFirst);
    fits.above.push_back({ placed.fitMax, slot, placed.fitVersion });
    std::push_heap(fits.above.begin(), fits.above.end(), leastFirst);
}

void LiveColumnLayout::placeAgain()
{
    struct Open {
        Slot slot;
        qreal childBottom;
    };
    std::vector<Open> open;
    const auto close = [&] {
        const Open done = open.back();
        open.pop_back();
        Placed& placed = m_slots[done.slot];
        placed.childBottom = done.childBottom;
        placed.bottom = std::max(placed.top + placed.height, done.childBottom);
        if (!open.empty())
            open.back().childBottom = placed.bottom;
    };
    for (qint32 i = 0; i < static_cast<qint32>(m_order.size()); ++i) {
        while (!open.empty() && m_slots[open.back().slot].orderEnd <= i)
            close();
        const Slot slot = m_order[static_cast<size_t>(i)];
        Placed& placed = m_slots[slot];
        placed.top = open.empty() ? 0 : open.back().childBottom;
        open.push_back({ slot, placed.top });
    }
    while (!open.empty())
        close();
}

// --- Queries ------------------------------------------------------------------------------

ColumnNodeFrame LiveColumnLayout::frameAt(Slot slot) const
{
    const Placed& placed = m_slots[slot];
    const auto column = static_cast<size_t>(placed.column);
    return { placed.id, placed.column, QPointF(m_edges[column], placed.top), QSizeF(m_widths[column], placed.height),
        placed.top, placed.bottom };
}

std::optional<ColumnNodeFrame> LiveColumnLayout::frame(const QUuid& id) const
{
    const Slot slot = slotOf(id);
    if (!isShown(slot))
        return std::nullopt;
    return frameAt(slot);
}

ColumnLayout LiveColumnLayout::snapshot() const
{
    ColumnLayout layout;
    layout.frames.reserve(static_cast<qsizetype>(m_order.size()));
    for (const Slot slot : m_order)
        layout.frames.insert(m_slots[slot].id, frameAt(slot));
    layout.totalSize = m_totalSize;
    layout.columnCount = m_columnCount;
    layout.columnXEdges = m_edges;
    return layout;
}

SermonNodePtr LiveColumnLayout::node(const QUuid& id) const
{
    const Slot slot = slotOf(id);
    return slot == none ? nullptr : m_slots[slot].node;
}

SermonNodePtr LiveColumnLayout::parent(const QUuid& id) const
{
    const Slot slot = slotOf(id);
    return slot == none || m_slots[slot].parent == none ? nullptr : m_slots[m_slots[slot].parent].node;
}

std::optional<QUuid> LiveColumnLayout::nextSiblingID(const QUuid& id) const
{
    const Slot slot = slotOf(id);
    if (slot == none || m_slots[slot].nextSibling == none)
        return std::nullopt;
    return m_slots[m_slots[slot].nextSibling].id;
}

std::optional<qint64> LiveColumnLayout::subtreeRightmost(const QUuid& id) const
{
    const Slot slot = slotOf(id);
    if (!isShown(slot))
        return std::nullopt;
    return m_slots[slot].rightmost;
}

std::optional<QUuid> LiveColumnLayout::shownAncestorOfHidden(const QUuid& id) const
{
    Slot slot = slotOf(id);
    if (slot == none || m_slots[slot].shown)
        return std::nullopt;
    while (slot != none && !m_slots[slot].shown)
        slot = m_slots[slot].parent;
    return slot == none ? std::nullopt : std::optional<QUuid>(m_slots[slot].id);
}

std::optional<QUuid> LiveColumnLayout::neighbourInColumn(const QUuid& id, int step) const
{
    const Slot slot = slotOf(id);
    if (!isShown(slot))
        return std::nullopt;
    const Placed& placed = m_slots[slot];
    const std::vector<Slot>& rows = m_rows[static_cast<size_t>(placed.column)];
    const qint64 row = static_cast<qint64>(placed.row) + step;
    if (row < 0 || row >= static_cast<qint64>(rows.size()))
        return std::nullopt;
    return m_slots[rows[static_cast<size_t>(row)]].id;
}

std::optional<QUuid> LiveColumnLayout::nodeAt(qint64 column, qreal y) const
{
    if (column < 0 || column >= columnCount())
        return std::nullopt;
    const std::vector<Slot>& rows = m_rows[static_cast<size_t>(column)];
    const auto it
        = std::partition_point(rows.begin(), rows.end(), [&](Slot slot) { return m_slots[slot].bottom <= y; });
    if (it == rows.end() || !(m_slots[*it].top <= y))
        return std::nullopt;
    return m_slots[*it].id;
}

} // namespace kestrion
