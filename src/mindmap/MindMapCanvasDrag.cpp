#include "mindmap/MindMapCanvas.h"

#include "document/DocumentController.h"
#include "document/SermonDocument.h"
#include "mindmap/CanvasGeometry.h"
#include "platform/UndoManager.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace kestrion {

// One drag on the map: a lasso with Shift, a node dragged to a new place, or a pan.

void MindMapCanvas::handleDragChanged(
    const QPointF& startLocation, const QPointF& location, Qt::KeyboardModifiers modifiers)
{
    DocumentController& c = *m_controller;
    if (!m_dragNodeID && !m_isPanning && !m_isLassoSelecting) {
        const QPointF start = toCanvasPoint(startLocation);
        const SermonNodePtr& top = root();
        if (modifiers.testFlag(Qt::ShiftModifier)) {
            m_isLassoSelecting = true;
            m_lassoOrigin = start;
            if (c.editingNodeID()) {
                commitEdit(true);
                setCanvasFocused(true);
            }
        } else if (const std::optional<QUuid> hit = hitTestNode(m_cachedLayouts, start);
                   hit && top && *hit != top->id()) {
            m_dragNodeID = *hit;
            if (c.selectedNodeIDs().contains(*hit)) {
                // The whole multi-selection goes along and stays selected.
                m_dragNodeIDs = c.selectedNodeIDs();
                c.setSelection(c.selectedNodeIDs(), *hit, c.selectionAnchorID());
            } else {
                m_dragNodeIDs = { *hit };
                c.setSelectedNodeID(*hit);
            }
        } else {
            m_isPanning = true;
            m_panStart = m_panOffset;
        }
    }

    if (m_isLassoSelecting) {
        const QPointF current = toCanvasPoint(location);
        m_lassoRect
            = QRectF(QPointF(std::min(m_lassoOrigin.x(), current.x()), std::min(m_lassoOrigin.y(), current.y())),
                QSizeF(std::abs(current.x() - m_lassoOrigin.x()), std::abs(current.y() - m_lassoOrigin.y())));
        c.selectNodesInLasso(nodesInLasso(*m_lassoRect, m_cachedLayouts));
        update();
    } else if (m_isPanning) {
        setPanOffset(clampPan(m_panStart + (location - startLocation)));
        showMinimapBriefly();
    } else if (m_dragNodeID) {
        m_dropTarget = computeDropTarget(toCanvasPoint(location));
        update();
    }
}

void MindMapCanvas::handleDragEnded()
{
    if (m_isLassoSelecting) {
        m_isLassoSelecting = false;
        m_lassoRect.reset();
        m_controller->setSelectionAnchorID(std::nullopt);
    } else if (m_isPanning) {
        m_isPanning = false;
    } else if (m_dragNodeID && m_dropTarget) {
        dropDraggedNodes(*m_dropTarget);
    }
    m_dragNodeID.reset();
    m_dragNodeIDs.clear();
    m_dropTarget.reset();
    update();
}

std::optional<DropTarget> MindMapCanvas::computeDropTarget(const QPointF& p) const
{
    const SermonNodePtr& top = root();
    if (!m_dragNodeID || !top)
        return std::nullopt;
    QSet<QUuid> excluded;
    for (const QUuid& id : m_dragNodeIDs) {
        if (const SermonNodePtr node = top->findNode(id)) {
            for (const SermonNodePtr& each : node->allNodes())
                excluded.insert(each->id());
        }
    }
    std::optional<QUuid> nearest;
    qreal nearestDistance = std::numeric_limits<qreal>::infinity();
    for (auto it = m_cachedLayouts.cbegin(); it != m_cachedLayouts.cend(); ++it) {
        if (excluded.contains(it.key()))
            continue;
        const SermonNodePtr node = m_nodeLookup.value(it.key());
        if (!node || node->isQuote())
            continue;
        const NodeLayout& l = it.value();
        // To the middle of the node's left edge.
        const qreal distance = std::hypot(p.x() - l.origin.x(), p.y() - (l.origin.y() + l.size.height() * 0.5));
        if (distance < nearestDistance) {
            nearestDistance = distance;
            nearest = it.key();
        }
    }
    if (!nearest)
        return std::nullopt;
    const NodeLayout l = m_cachedLayouts.value(*nearest);
    const SermonNodePtr node = m_nodeLookup.value(*nearest);
    if (!node)
        return std::nullopt;
    const qint64 childCount = static_cast<qint64>(node->children().size());
    if (p.x() > l.origin.x() + l.size.width())
        return DropTarget { node->id(), childCount, p.y() };
    const SermonNodePtr parent = top->findParent(node->id());
    const qint64 index = parent ? parent->indexOfChild(node->id()) : -1;
    if (!parent || index < 0)
        return DropTarget { node->id(), childCount, p.y() };
    if (l.origin.y() + l.size.height() * 0.5 <= p.y())
        return DropTarget { parent->id(), index + 1, p.y() };
    return DropTarget { parent->id(), index, p.y() };
}

bool MindMapCanvas::dropDraggedNodes(const DropTarget& target)
{
    DocumentController& c = *m_controller;
    const SermonNodePtr& top = root();
    if (!top)
        return false;
    const std::vector<SermonNodePtr> moved = c.topLevelNodes(m_dragNodeIDs);
    const SermonNodePtr parent = top->findNode(target.parentID);
    // The tree may have changed since the target was found (another window on the same
    // document): refuse before anything is recorded or detached when the target is gone,
    // cannot take children, or now lies inside what is dragged.
    if (moved.empty() || !parent || parent->isQuote())
        return false;
    for (const SermonNodePtr& node : moved) {
        if (node == top || node->findNode(target.parentID) || !top->findParent(node->id()))
            return false;
    }

    // Places are counted with the dragged nodes still in place; each one before the target
    // index under the same parent moves the index up by one.
    qint64 index = target.index;
    for (const SermonNodePtr& node : moved) {
        const SermonNodePtr oldParent = top->findParent(node->id());
        if (oldParent && oldParent->id() == target.parentID && oldParent->indexOfChild(node->id()) < index)
            --index;
    }

    m_document->recordUndo(c.selectedNodeID(), m_undoManager);
    if (moved.size() == 1) {
        // The branch that is dragged as a whole: a node dragged with its own selected child
        // moves with that child.
        top->moveNode(moved.front()->id(), target.parentID, index);
    } else {
        c.detachNodes(moved);
        c.insertNodes(moved, parent, index);
    }
    recomputeLayout();
    if (m_dragNodeIDs.size() < 2)
        c.setSelectedNodeIDs({});
    else
        c.setSelectedNodeIDs(m_dragNodeIDs);
    return true;
}

} // namespace kestrion
