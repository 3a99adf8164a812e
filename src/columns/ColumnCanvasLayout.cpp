#include "columns/ColumnCanvas.h"

#include "columns/ColumnDragHandleOverlay.h"
#include "columns/ColumnHitTest.h"
#include "columns/ColumnMetrics.h"
#include "document/DocumentController.h"
#include "platform/Preferences.h"
#include "platform/Signposter.h"

#include <QPointer>

#include <algorithm>
#include <cmath>

namespace kestrion {

// The canvas's layout and what follows from it: the widths, the boxes shown, the pan and its
// limits, and finding nodes by place.

// --- Widths ---------------------------------------------------------------------------------

void ColumnCanvas::readColumnWidths()
{
    applyColumnWidths(m_preferences ? ColumnWidthsConfig::read(*m_preferences) : ColumnWidthsConfig());
}

void ColumnCanvas::setColumnWidth(qint64 column, qreal width)
{
    ColumnWidthsConfig widths = m_columnWidths;
    widths.setColumnWidth(column, width);
    // Stored, the value comes back through the change signal.
    if (m_preferences)
        widths.write(*m_preferences);
    else
        applyColumnWidths(widths);
}

void ColumnCanvas::applyColumnWidths(const ColumnWidthsConfig& widths)
{
    if (widths == m_columnWidths)
        return;
    m_columnWidths = widths;
    if (!m_hasAppeared)
        return;
    completeLayout();
    // Only the columns whose width changed wrap again; those to their right move along.
    SignpostIntervalState interval = performanceSignposter().beginInterval("ColumnLayout");
    SelectionInView before = selectionInView();
    // While a handle is dragged the columns stay put across, so that the edge follows the
    // pointer; across, the selection comes back once the drag ends.
    if (m_handles->isDragging()) {
        if (!m_dragStartView)
            m_dragStartView = before;
        before.across = false;
    } else {
        m_dragStartView.reset();
    }
    if (m_layout.updateWidths(m_columnWidths, m_wrapCache)) {
        showChangedLayout();
        keepSelectionInView(before, false);
    }
    endSignpostInterval("ColumnLayout", interval);
}

void ColumnCanvas::widthDragEnded()
{
    if (!m_dragStartView)
        return;
    SelectionInView before = *m_dragStartView;
    m_dragStartView.reset();
    before.down = false;
    keepSelectionInView(before, true);
}

// --- Text -----------------------------------------------------------------------------------

void ColumnCanvas::handleEditingTextChange()
{
    if (m_isSwitchingEdit)
        return;
    const std::optional<QUuid> id = m_controller->editingNodeID();
    const SermonNodePtr& top = root();
    if (!id || !top)
        return;
    // Through the layout's slots: a keystroke must not walk the tree.
    SermonNodePtr node = m_layout.node(*id);
    if (!node)
        node = top->findNode(*id);
    if (!node)
        return;
    if (m_editor)
        m_editor->setText(m_controller->editingText());
    if (node->text() == m_controller->editingText())
        return;
    writeNodeText(*node, m_controller->editingText());
    relayoutText(*id);
}

void ColumnCanvas::relayoutText(const QUuid& id)
{
    completeLayout();
    SignpostIntervalState interval = performanceSignposter().beginInterval("ColumnLayout");
    const SelectionInView before = selectionInView();
    switch (m_layout.updateText(id, m_wrapCache)) {
    case LiveColumnLayout::TextChange::Unknown:
        relayoutColumns(false);
        break;
    case LiveColumnLayout::TextChange::Unmoved:
        // As many lines as before: only its text is drawn anew, however large the sermon.
        placeEditor();
        update();
        break;
    case LiveColumnLayout::TextChange::Moved:
        // The boxes after it move, nothing else.
        showChangedLayout();
        keepSelectionInView(before, false);
        break;
    }
    endSignpostInterval("ColumnLayout", interval);
}

void ColumnCanvas::writeNodeText(SermonNode& node, const QString& text)
{
    if (m_document)
        m_document->writeNodeText(node, text);
    else
        node.setText(text);
}

void ColumnCanvas::checkRootText()
{
    const SermonNodePtr& top = root();
    if (m_hasAppeared && top && top.get() == m_layout.root())
        relayoutText(top->id());
}

// --- Layout ---------------------------------------------------------------------------------

const LiveColumnLayout& ColumnCanvas::layout()
{
    completeLayout();
    return m_layout;
}

void ColumnCanvas::layoutFirstView()
{
    SignpostIntervalState interval = performanceSignposter().beginInterval("ColumnLayout");
    // The rows in view and one view more; everything when the view has no size yet.
    const qreal height = m_viewportSize.height();
    const qreal measuredTo = height > 0 ? -m_panOffset.y() + 2 * height : qInf();
    std::vector<LiveColumnLayout::Move> moves;
    m_animator.holdShownFrames();
    m_layout.update(root(), m_columnWidths, m_wrapCache, &moves, measuredTo);
    showChangedLayout(true, moves);
    endSignpostInterval("ColumnLayout", interval);
    if (!m_layout.isComplete())
        m_measuringTimer.start();
}

void ColumnCanvas::measureLaterBoxes()
{
    // A slice at a time, so that the event loop stays quick to answer.
    constexpr qint64 sliceMilliseconds = 8;
    if (m_layout.measureSome(m_wrapCache, sliceMilliseconds))
        layoutCompleted();
    else
        m_measuringTimer.start();
}

void ColumnCanvas::completeLayout()
{
    if (m_layout.isComplete())
        return;
    m_layout.measureAll(m_wrapCache);
    layoutCompleted();
}

void ColumnCanvas::layoutCompleted()
{
    m_measuringTimer.stop();
    // What was drawn stands as it was: only the boxes below the view and the content's height
    // have changed.
    clampPanOffset();
    Q_EMIT layoutChanged();
}

void ColumnCanvas::relayoutColumns(bool animated)
{
    // The boxes glide from where a complete layout had them.
    completeLayout();
    SignpostIntervalState interval = performanceSignposter().beginInterval("ColumnLayout");
    std::vector<LiveColumnLayout::Move> moves;
    if (animated)
        m_animator.holdShownFrames();
    const SelectionInView before = selectionInView();
    m_layout.update(root(), m_columnWidths, m_wrapCache, animated ? &moves : nullptr);
    showChangedLayout(animated, moves);
    keepSelectionInView(before, animated);
    endSignpostInterval("ColumnLayout", interval);
}

void ColumnCanvas::showChangedLayout(bool animated, const std::vector<LiveColumnLayout::Move>& moves)
{
    clampPanOffset();
    if (animated)
        m_animator.animateTo(moves);
    else
        m_animator.showLayout();
    revealSelection();
    updateEditor();
    placeOverlays();
    update();
    Q_EMIT layoutChanged();
}

void ColumnCanvas::revealSelection()
{
    // A node folded away (moved into a folded branch, or folded with an undo) cannot be seen or
    // edited: its nearest shown ancestor is selected instead, as a click on that branch would.
    const std::optional<QUuid> selected = m_controller->selectedNodeID();
    if (!selected)
        return;
    if (const std::optional<QUuid> shown = m_layout.shownAncestorOfHidden(*selected))
        m_controller->setSelectedNodeID(*shown);
}

ColumnLayout ColumnCanvas::displayColumnLayout()
{
    completeLayout();
    return m_animator.shownLayout();
}

std::vector<CollapseResolver::AdjustedColumn> ColumnCanvas::adjustedColumnsForPan() const
{
    return CollapseResolver::resolveAdjustedColumns(m_layout.columnCount(), m_layout.columnXEdges(), -m_panOffset.x());
}

std::optional<qreal> ColumnCanvas::columnScreenX(qint64 column) const
{
    for (const CollapseResolver::AdjustedColumn& adjusted : adjustedColumnsForPan()) {
        if (adjusted.column == column)
            return adjusted.xOrigin;
    }
    const std::vector<qreal>& edges = m_layout.columnXEdges();
    if (column >= 0 && column < static_cast<qint64>(edges.size()))
        return edges[static_cast<size_t>(column)] + m_panOffset.x();
    return std::nullopt;
}

// --- Panning --------------------------------------------------------------------------------

QPointF ColumnCanvas::clampPan(const QPointF& offset) const
{
    const QSizeF total = m_layout.totalSize();
    const qreal minX = m_viewportSize.width() < total.width() ? -total.width() : 0;
    const qreal minY = std::min(m_viewportSize.height() - total.height(), qreal(0));
    const auto clamp
        = [](qreal value, qreal low) { return std::isfinite(value) ? std::clamp(value, low, qreal(0)) : 0; };
    return { clamp(offset.x(), minX), clamp(offset.y(), minY) };
}

void ColumnCanvas::setPanOffset(const QPointF& offset)
{
    if (offset == m_panOffset)
        return;
    m_panOffset = offset;
    placeOverlays();
    update();
}

void ColumnCanvas::clampPanOffset()
{
    setPanOffset(clampPan(m_panOffset));
}

void ColumnCanvas::scrollColumnsBy(qreal dx, qreal dy)
{
    completeLayout();
    setPanOffset(clampPan(m_panOffset + QPointF(dx, dy)));
}

void ColumnCanvas::scrollSelectionIntoView(const QUuid& id)
{
    completeLayout();
    const std::optional<ColumnNodeFrame> frame = m_layout.frame(id);
    if (!frame)
        return;
    const QPointF target = panShowing(*frame, frame->subtreeTop, frame->subtreeBottom, m_panOffset, true, true);
    if (target == m_panOffset)
        return;
    glideTo(target);
}

QPointF ColumnCanvas::panShowing(
    const ColumnNodeFrame& frame, qreal top, qreal bottom, const QPointF& from, bool across, bool down) const
{
    const qreal m = scrollMargin;
    const qreal left = frame.origin.x() + from.x();
    const qreal right = frame.origin.x() + frame.size.width() + from.x();
    // The near edge wins over the far one.
    const auto delta = [m](qreal low, qreal high, qreal extent) {
        if (high > extent - m) {
            const qreal d = (extent - m) - high;
            return low + d < m ? m - low : d;
        }
        return low < m ? m - low : qreal(0);
    };
    const qreal dx = across ? delta(left, right, m_viewportSize.width()) : 0;
    const qreal dy = down ? delta(top + from.y(), bottom + from.y(), m_viewportSize.height()) : 0;
    QPointF target = clampPan(from + QPointF(dx, dy));
    if (!across)
        return target;
    // The columns panned past shrink into strips instead of leaving, so the node's column lies
    // further right than its edges say. Pan on until it lies within the margins as shown, but
    // never so far that its own column shrinks. Each round moves it at most as far as asked,
    // so the rounds close in on the answer; a few are enough.
    const qsizetype column = static_cast<qsizetype>(frame.column);
    for (int round = 0; round < 64; ++round) {
        const std::vector<CollapseResolver::AdjustedColumn> shown
            = CollapseResolver::resolveAdjustedColumns(m_layout.columnCount(), m_layout.columnXEdges(), -target.x());
        if (column >= static_cast<qsizetype>(shown.size()))
            break;
        const qreal shownLeft = shown[static_cast<size_t>(column)].xOrigin;
        const qreal step = delta(shownLeft, shownLeft + frame.size.width(), m_viewportSize.width());
        const qreal x = clampPan(QPointF(std::max(target.x() + step, -frame.origin.x()), target.y())).x();
        if (x == target.x())
            break;
        target.setX(x);
    }
    return target;
}

void ColumnCanvas::glideTo(const QPointF& target)
{
    QPointer<ColumnCanvas> self(this);
    // Each step is held inside the limits of its moment: the content may shrink meanwhile.
    m_scrollAnimator.animateScroll(m_panOffset, target, [self](const QPointF& offset) {
        if (self)
            self->setPanOffset(self->clampPan(offset));
    });
}

QPointF ColumnCanvas::headingPan() const
{
    return m_scrollAnimator.isAnimating() ? m_scrollAnimator.to() : m_panOffset;
}

ColumnCanvas::SelectionInView ColumnCanvas::selectionInView() const
{
    SelectionInView view;
    view.id = m_controller->selectedNodeID();
    const std::optional<ColumnNodeFrame> frame = view.id ? m_layout.frame(*view.id) : std::nullopt;
    if (!frame)
        return view;
    const QPointF pan = headingPan();
    const qreal top = frame->origin.y() + pan.y();
    view.down = top >= 0 && top + frame->size.height() <= m_viewportSize.height();
    // As shown: a column panned past is no longer wholly in view.
    const std::vector<CollapseResolver::AdjustedColumn> shown
        = CollapseResolver::resolveAdjustedColumns(m_layout.columnCount(), m_layout.columnXEdges(), -pan.x());
    if (frame->column >= 0 && frame->column < static_cast<qint64>(shown.size())) {
        const CollapseResolver::AdjustedColumn& column = shown[static_cast<size_t>(frame->column)];
        view.across = !column.isRotated && column.displayWidth >= frame->size.width() && column.xOrigin >= 0
            && column.xOrigin + frame->size.width() <= m_viewportSize.width();
    }
    return view;
}

void ColumnCanvas::keepSelectionInView(const SelectionInView& before, bool animated)
{
    const std::optional<QUuid> selected = m_controller->selectedNodeID();
    if (!selected || before.id != selected)
        return;
    const SelectionInView now = selectionInView();
    const bool across = before.across && !now.across;
    const bool down = before.down && !now.down;
    const std::optional<ColumnNodeFrame> frame = m_layout.frame(*selected);
    if ((!across && !down) || !frame)
        return;
    const QPointF from = headingPan();
    const QPointF target
        = panShowing(*frame, frame->origin.y(), frame->origin.y() + frame->size.height(), from, across, down);
    if (target == from)
        return;
    if (animated || m_scrollAnimator.isAnimating())
        glideTo(target);
    else
        setPanOffset(target);
}

// --- Pointer --------------------------------------------------------------------------------

std::optional<QUuid> ColumnCanvas::nodeAtPoint(const QPointF& point) const
{
    // The boxes as shown, mid-glide too; bands of gliding boxes may overlap, and any one of
    // those under the point will do.
    return hitTestColumnNode(
        point, m_layout.columnXEdges(), adjustedColumnsForPan(), m_panOffset, [this](qint64 column, qreal y) {
            std::optional<QUuid> hit;
            m_animator.forEachInRows(column, y, y, [&](const ColumnNodeFrame& frame) {
                if (!hit && frame.subtreeTop <= y && y < frame.subtreeBottom)
                    hit = frame.nodeID;
            });
            return hit;
        });
}

void ColumnCanvas::selectNodeAtPoint(const QPointF& point)
{
    completeLayout();
    // The node under the pointer as the user saw it, before a running edit ends and moves things.
    const std::optional<QUuid> hit = nodeAtPoint(point);
    if (m_controller->editingNodeID())
        m_editing.commitColumnEdit(true);
    if (hit && m_layout.node(*hit))
        m_controller->setSelectedNodeID(*hit);
    setCanvasFocused(true);
}

void ColumnCanvas::editNodeAtPoint(const QPointF& point)
{
    completeLayout();
    if (const std::optional<QUuid> hit = nodeAtPoint(point))
        beginColumnEditing(*hit, false);
}

// --- Navigation -----------------------------------------------------------------------------

std::optional<QUuid> ColumnCanvas::nearestNodeAbove(const QUuid& id) const
{
    return m_layout.nodeAbove(id);
}

std::optional<QUuid> ColumnCanvas::nearestNodeBelow(const QUuid& id) const
{
    return m_layout.nodeBelow(id);
}

SermonNodePtr ColumnCanvas::findNode(const QUuid& id) const
{
    const SermonNodePtr& top = root();
    if (!top)
        return nullptr;
    const SermonNodePtr node = m_layout.root() == top.get() ? m_layout.node(id) : nullptr;
    return node ? node : top->findNode(id);
}

SermonNodePtr ColumnCanvas::findParent(const QUuid& id) const
{
    const SermonNodePtr& top = root();
    if (!top)
        return nullptr;
    const SermonNodePtr parent = m_layout.root() == top.get() ? m_layout.parent(id) : nullptr;
    return parent ? parent : top->findParent(id);
}

SermonNodePtr ColumnCanvas::firstVisibleChild(const SermonNode& node)
{
    if (node.isCollapsed() || !node.hasChildren())
        return nullptr;
    return node.children().front();
}

} // namespace kestrion
