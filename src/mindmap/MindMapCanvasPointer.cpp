#include "mindmap/MindMapCanvas.h"

#include "document/DocumentController.h"
#include "mindmap/CanvasGeometry.h"
#include "platform/AnimationClock.h"

#include <QLineF>
#include <QMouseEvent>

namespace kestrion {

// Clicks on the map: selection, folding, editing on a second click, the context menu, and the
// press that turns into a drag.

QPointF MindMapCanvas::toCanvasPoint(const QPointF& viewPoint) const
{
    return kestrion::toCanvasPoint(viewPoint, m_panOffset, m_scale);
}

void MindMapCanvas::handleTap(const QPointF& p, Qt::KeyboardModifiers modifiers)
{
    DocumentController& c = *m_controller;
    const bool shift = modifiers.testFlag(Qt::ShiftModifier);
    const bool command = modifiers.testFlag(Qt::ControlModifier);

    if (const std::optional<QUuid> toggle = foldToggleHit(m_cachedLayouts, m_nodeLookup, p)) {
        if (c.editingNodeID())
            commitEdit(true);
        c.setSelectedNodeID(*toggle);
        const SermonNodePtr node = m_nodeLookup.value(*toggle);
        if (node && node->isCollapsed())
            unfoldSelection();
        else
            foldSelection();
        setCanvasFocused(true);
        return;
    }

    const double now = m_clock->now();
    const std::optional<QUuid> hit = hitTestNode(m_cachedLayouts, p);
    if (m_lastTapTime && m_lastTapNodeID && hit && *m_lastTapNodeID == *hit
        && now - *m_lastTapTime < doubleClickInterval && !shift && !command) {
        m_lastTapTime.reset();
        m_lastTapNodeID.reset();
        beginEditingNode(*hit, false);
        return;
    }

    if (c.editingNodeID())
        commitEdit(true);
    if (!hit) {
        c.selectSingleNode(std::nullopt);
    } else if (shift) {
        c.extendSelectionTo(*hit);
    } else if (command) {
        c.toggleSelection(*hit);
    } else {
        c.selectSingleNode(*hit);
    }
    if (hit) {
        if (const SermonNodePtr node = m_nodeLookup.value(*hit))
            c.setNavigationDepth(node->depth());
    }
    setCanvasFocused(true);
    m_lastTapTime = now;
    m_lastTapNodeID = hit;
}

void MindMapCanvas::handleSecondaryClick(const QPointF& viewPoint)
{
    const std::optional<QUuid> hit = hitTestNode(m_cachedLayouts, toCanvasPoint(viewPoint));
    const SermonNodePtr& top = root();
    if (!hit || !top || *hit == top->id())
        return;
    if (m_controller->editingNodeID())
        commitEdit(true);
    DocumentController& c = *m_controller;
    // On a member of the selection the node becomes primary and the others stay, so the menu
    // acts on the whole selection; on any other node the menu acts on that node alone, never
    // on nodes the user did not point at.
    if (c.effectiveSelection().contains(*hit))
        c.setSelection(c.selectedNodeIDs(), *hit, c.selectionAnchorID());
    else
        c.selectSingleNode(*hit);
    setCanvasFocused(true);
    showContextMenu(mapToGlobal(viewPoint.toPoint()));
}

void MindMapCanvas::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    m_press = Press { event->position(), false };
    event->accept();
}

void MindMapCanvas::mouseDoubleClickEvent(QMouseEvent* event)
{
    // The system's double click is a second press; the canvas tells double clicks apart itself.
    mousePressEvent(event);
}

void MindMapCanvas::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_press || !event->buttons().testFlag(Qt::LeftButton)) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    if (!m_press->isDragging && QLineF(m_press->start, event->position()).length() >= dragThreshold)
        m_press->isDragging = true;
    if (m_press->isDragging)
        handleDragChanged(m_press->start, event->position(), event->modifiers());
    event->accept();
}

void MindMapCanvas::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_press) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    const Press press = *m_press;
    m_press.reset();
    if (press.isDragging)
        handleDragEnded();
    else
        handleTap(toCanvasPoint(event->position()), event->modifiers());
    event->accept();
}

} // namespace kestrion
