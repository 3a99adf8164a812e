#include "mindmap/MindMapCanvas.h"

#include "document/DocumentController.h"
#include "document/SermonDocument.h"
#include "mindmap/NodeActionState.h"
#include "mindmap/NodeContextMenu.h"
#include "mindmap/NodeMarkers.h"
#include "platform/UndoManager.h"

#include <QMenu>

#include <algorithm>
#include <cmath>

namespace kestrion {

// What the canvas does to the selected nodes, the animation from the layouts before a change
// to those after, and the node commands offered in the menus.

void MindMapCanvas::relayoutAndAnimate(
    double duration, const NodeLayoutMap& previousLayouts, const QHash<QUuid, QString>& previousTexts)
{
    // The previous layouts were usually copied from the present ones, so each node is looked
    // for first in the slot it had there.
    QHash<QUuid, QPointF> offsets;
    QHash<QUuid, GhostNode> ghosts;
    for (auto it = previousLayouts.cbegin(); it != previousLayouts.cend(); ++it) {
        if (const NodeLayout* now = m_cachedLayouts.findNear(previousLayouts.slotOf(it), it.key())) {
            const QPointF delta = it.value().origin - now->origin;
            if (std::abs(delta.x()) > 0.5 || std::abs(delta.y()) > 0.5)
                offsets.insert(it.key(), delta);
        } else if (auto text = previousTexts.constFind(it.key()); text != previousTexts.cend()) {
            ghosts.insert(it.key(), GhostNode { it.value(), text.value() });
        }
    }
    QSet<QUuid> fadeIn;
    for (auto it = m_cachedLayouts.cbegin(); it != m_cachedLayouts.cend(); ++it) {
        if (!previousLayouts.findNear(m_cachedLayouts.slotOf(it), it.key()))
            fadeIn.insert(it.key());
    }
    if (offsets.isEmpty() && ghosts.isEmpty() && fadeIn.isEmpty())
        return;

    m_nodeAnimation.stop();
    m_nodeAnimOffsets = offsets;
    m_fadeOutGhosts = std::move(ghosts);
    m_fadeInNodeIDs = std::move(fadeIn);
    m_animationProgress = 0;
    update();
    m_nodeAnimation.start(
        duration,
        [this, offsets](double t) {
            m_animationProgress = t;
            // The offsets are a copy of these, entry for entry in the same order.
            auto from = offsets.cbegin();
            for (auto it = m_nodeAnimOffsets.begin(); it != m_nodeAnimOffsets.end(); ++it) {
                if (from != offsets.cend() && from.key() == it.key())
                    it.value() = (from++).value() * (1 - t);
                else
                    it.value() = offsets.value(it.key()) * (1 - t);
            }
            update();
        },
        [this] {
            m_nodeAnimOffsets.clear();
            m_fadeOutGhosts.clear();
            m_fadeInNodeIDs.clear();
            m_animationProgress = 1.0;
            update();
        });
}

// --- Node operations ------------------------------------------------------------------------

void MindMapCanvas::cutSelection()
{
    const QSet<QUuid> selection = m_controller->effectiveSelection();
    const SermonNodePtr& top = root();
    if (selection.isEmpty() || !top || selection.contains(top->id()))
        return;
    m_controller->copyForCut();
    deleteSelectionAnimated();
}

void MindMapCanvas::deleteSelectionAnimated()
{
    const QSet<QUuid> selection = m_controller->effectiveSelection();
    const SermonNodePtr& top = root();
    if (selection.isEmpty() || !top || selection.contains(top->id()))
        return;
    const NodeLayoutMap previousLayouts = m_cachedLayouts;
    QHash<QUuid, QString> previousTexts;
    for (const SermonNodePtr& node : m_controller->selectedNodes()) {
        for (const SermonNodePtr& each : node->allNodes())
            previousTexts.insert(each->id(), each->text());
    }
    m_controller->deleteSelection();
    relayoutAndAnimate(nodeAnimationDuration, previousLayouts, previousTexts);
}

void MindMapCanvas::duplicateSelection()
{
    const std::vector<SermonNodePtr> nodes = m_controller->topLevelSelectedNodes();
    const SermonNodePtr& top = root();
    if (nodes.empty() || !top)
        return;
    if (std::any_of(nodes.begin(), nodes.end(), [&](const SermonNodePtr& n) { return n == top; }))
        return;
    m_document->recordUndo(m_controller->selectedNodeID(), m_undoManager);
    QSet<QUuid> copies;
    std::optional<QUuid> primary;
    // From the last to the first, so the places of those still to copy stay valid.
    for (auto it = nodes.rbegin(); it != nodes.rend(); ++it) {
        const SermonNodePtr parent = top->findParent((*it)->id());
        if (!parent)
            continue;
        const qint64 i = parent->indexOfChild((*it)->id());
        if (i < 0)
            continue;
        const SermonNodePtr copy = (*it)->deepCopy(true);
        parent->insertChild(i + 1, copy);
        copies.insert(copy->id());
        primary = copy->id();
    }
    // The copies are a selection of their own: written as one extension, so the change of
    // the primary keeps them all.
    m_controller->setSelection(copies, primary, std::nullopt);
    handleTreeMutated();
    if (const std::optional<QUuid> selected = m_controller->selectedNodeID())
        scrollNodeIntoView(*selected);
}

void MindMapCanvas::joinSelection()
{
    const NodeLayoutMap previousLayouts = m_cachedLayouts;
    m_controller->join();
    relayoutAndAnimate(nodeAnimationDuration, previousLayouts, {});
}

void MindMapCanvas::foldSelection()
{
    std::vector<SermonNodePtr> nodes = m_controller->selectedNodes();
    std::erase_if(nodes, [](const SermonNodePtr& node) { return !node->hasChildren(); });
    if (nodes.empty())
        return;
    const NodeLayoutMap previousLayouts = m_cachedLayouts;
    QHash<QUuid, QString> previousTexts;
    for (const SermonNodePtr& node : nodes) {
        for (const SermonNodePtr& each : node->allNodes()) {
            if (each != node)
                previousTexts.insert(each->id(), each->text());
        }
    }
    m_controller->fold();
    relayoutAndAnimate(nodeAnimationDuration, previousLayouts, previousTexts);
    if (const std::optional<QUuid> selected = m_controller->selectedNodeID())
        scrollNodeIntoView(*selected);
}

void MindMapCanvas::unfoldSelection()
{
    const std::vector<SermonNodePtr> nodes = m_controller->selectedNodes();
    if (std::none_of(nodes.begin(), nodes.end(), [](const SermonNodePtr& node) { return node->hasChildren(); }))
        return;
    const NodeLayoutMap previousLayouts = m_cachedLayouts;
    m_controller->unfold();
    relayoutAndAnimate(nodeAnimationDuration, previousLayouts, {});
    if (const std::optional<QUuid> selected = m_controller->selectedNodeID())
        scrollNodeIntoView(*selected);
}

void MindMapCanvas::moveSelectionAnimated(bool down)
{
    const NodeLayoutMap previousLayouts = m_cachedLayouts;
    m_controller->moveSelection(down);
    relayoutAndAnimate(nodeAnimationDuration, previousLayouts, {});
    if (const std::optional<QUuid> selected = m_controller->selectedNodeID())
        scrollNodeIntoView(*selected);
}

void MindMapCanvas::performStructuralEdit(ControllerOperation operation)
{
    (m_controller.get()->*operation)();
    if (const std::optional<QUuid> selected = m_controller->selectedNodeID())
        scrollNodeIntoView(*selected);
}

void MindMapCanvas::performEditingCommand(ControllerOperation operation)
{
    (m_controller.get()->*operation)();
    if (m_controller->editingNodeID()) {
        setCanvasFocused(false);
        if (m_nodeEditor)
            m_nodeEditor->setFocused(true);
    }
}

void MindMapCanvas::toggleQuote()
{
    const std::vector<SermonNodePtr> nodes = m_controller->selectedNodes();
    if (nodes.empty())
        return;
    const NodeLayoutMap previousLayouts = m_cachedLayouts;
    m_document->recordUndo(m_controller->selectedNodeID(), m_undoManager);
    for (const SermonNodePtr& node : nodes) {
        if (node->isQuote())
            node->setQuote(false);
        else if (!node->hasChildren())
            node->setQuote(true);
    }
    recomputeLayout();
    relayoutAndAnimate(nodeAnimationDuration, previousLayouts, {});
}

void MindMapCanvas::selectAllNodes()
{
    const SermonNodePtr& top = root();
    if (!top)
        return;
    QSet<QUuid> all;
    for (const SermonNodePtr& node : top->allNodes())
        all.insert(node->id());
    m_controller->setSelectedNodeIDs(all);
    update();
}

void MindMapCanvas::deselectAllNodes()
{
    m_controller->setSelectedNodeIDs({});
    m_controller->setSelectedNodeID(std::nullopt);
}

void MindMapCanvas::setMarker(const QString& marker)
{
    const std::vector<SermonNodePtr> nodes = m_controller->selectedNodes();
    if (nodes.empty())
        return;
    const bool allMarked = std::all_of(
        nodes.begin(), nodes.end(), [&](const SermonNodePtr& node) { return node->text().startsWith(marker); });
    const NodeLayoutMap previousLayouts = m_cachedLayouts;
    m_document->recordUndo(m_controller->selectedNodeID(), m_undoManager);
    for (const SermonNodePtr& node : nodes) {
        const QString base = NodeMarkers::stripLeadingMarker(node->text());
        node->setText(allMarked ? base : marker + u' ' + base);
    }
    recomputeLayout();
    relayoutAndAnimate(nodeAnimationDuration, previousLayouts, {});
}

void MindMapCanvas::removeMarker()
{
    const std::vector<SermonNodePtr> nodes = m_controller->selectedNodes();
    if (nodes.empty())
        return;
    const NodeLayoutMap previousLayouts = m_cachedLayouts;
    m_document->recordUndo(m_controller->selectedNodeID(), m_undoManager);
    bool changed = false;
    for (const SermonNodePtr& node : nodes)
        changed = node->setText(NodeMarkers::stripLeadingMarker(node->text())) || changed;
    if (!changed)
        return;
    recomputeLayout();
    relayoutAndAnimate(nodeAnimationDuration, previousLayouts, {});
}

// --- Node actions and the context menu ------------------------------------------------------

NodeActions MindMapCanvas::makeNodeActions()
{
    NodeActions actions;
    actions.state = computeNodeActionState(*m_controller, m_nodeLookup, m_parentLookup);
    QPointer<MindMapCanvas> self(this);
    auto bind = [self](auto&& f) -> NodeActions::Action {
        return [self, f] {
            if (self)
                f(*self);
        };
    };
    actions.cut = bind([](MindMapCanvas& m) { m.cutSelection(); });
    actions.copy = bind([](MindMapCanvas& m) { m.controller().copy(); });
    actions.copyBranch = bind([](MindMapCanvas& m) { m.controller().copyBranch(); });
    actions.paste = bind([](MindMapCanvas& m) { m.controller().paste(); });
    actions.duplicate = bind([](MindMapCanvas& m) { m.duplicateSelection(); });
    actions.delete_ = bind([](MindMapCanvas& m) { m.deleteSelectionAnimated(); });
    actions.fold = bind([](MindMapCanvas& m) { m.foldSelection(); });
    actions.unfold = bind([](MindMapCanvas& m) { m.unfoldSelection(); });
    actions.moveUp = bind([](MindMapCanvas& m) { m.moveSelectionAnimated(false); });
    actions.moveDown = bind([](MindMapCanvas& m) { m.moveSelectionAnimated(true); });
    actions.promote = bind([](MindMapCanvas& m) { m.performStructuralEdit(&DocumentController::promote); });
    actions.demote = bind([](MindMapCanvas& m) { m.performStructuralEdit(&DocumentController::demote); });
    actions.split = bind([](MindMapCanvas& m) { m.controller().splitLines(); });
    actions.splitSentences = bind([](MindMapCanvas& m) { m.controller().splitSentences(); });
    actions.join = bind([](MindMapCanvas& m) { m.joinSelection(); });
    actions.edit = bind([](MindMapCanvas& m) { m.performEditingCommand(&DocumentController::beginEditing); });
    actions.newLineBelow
        = bind([](MindMapCanvas& m) { m.performEditingCommand(&DocumentController::addSiblingAfter); });
    actions.newLineAbove
        = bind([](MindMapCanvas& m) { m.performEditingCommand(&DocumentController::addSiblingBefore); });
    actions.newLineUnder = bind([](MindMapCanvas& m) { m.performEditingCommand(&DocumentController::addChild); });
    actions.toggleQuote = bind([](MindMapCanvas& m) { m.toggleQuote(); });
    actions.selectAll = bind([](MindMapCanvas& m) { m.selectAllNodes(); });
    actions.deselectAll = bind([](MindMapCanvas& m) { m.deselectAllNodes(); });
    actions.setMarker = [self](const QString& marker) {
        if (self)
            self->setMarker(marker);
    };
    actions.removeMarker = bind([](MindMapCanvas& m) { m.removeMarker(); });
    return actions;
}

QList<ContextMenuItem> MindMapCanvas::contextMenuItems()
{
    return NodeContextMenu::items(computeNodeActionState(*m_controller, m_nodeLookup, m_parentLookup));
}

void MindMapCanvas::showContextMenu(const QPoint& globalPosition)
{
    closeContextMenu();
    const NodeActions actions = makeNodeActions();
    // A command is for the nodes the menu was opened on: if the selection has moved on by the
    // time one is chosen, it is dropped rather than run on nodes the user did not point at. (A
    // node gone from the tree meanwhile needs nothing here: every command refuses it.)
    const std::optional<QUuid> primary = m_controller->selectedNodeID();
    const QSet<QUuid> members = m_controller->selectedNodeIDs();
    const auto applies = [self = QPointer<MindMapCanvas>(this), primary, members] {
        return self && self->controller().selectedNodeID() == primary
            && self->controller().selectedNodeIDs() == members;
    };
    // The menu is the canvas's child: if the canvas goes while the menu is up, so does the menu.
    QMenu* menu = NodeContextMenu::create(NodeContextMenu::items(actions.state), actions, this, this, applies);
    connect(menu, &QMenu::aboutToHide, this, [this, menu] {
        setCanvasFocused(true);
        menu->deleteLater();
    });
    m_contextMenu = menu;
    // Popped up, never run in a loop of its own: this is called inside the right press, and
    // a close request handled in such a loop would delete the window, this canvas and the
    // press's receivers while the press is still being delivered to them.
    menu->popup(globalPosition);
}

void MindMapCanvas::closeContextMenu()
{
    QMenu* menu = m_contextMenu;
    if (!menu)
        return;
    m_contextMenu = nullptr;
    menu->disconnect(this);
    delete menu;
}

} // namespace kestrion
