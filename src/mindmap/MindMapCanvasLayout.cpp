#include "document/DocumentController.h"
#include "document/SermonDocument.h"
#include "mindmap/MindMapCanvas.h"
#include "mindmap/TreeLayout.h"
#include "platform/Signposter.h"

#include <algorithm>

namespace kestrion {

// Keeping the layout up to date with the tree: after this canvas's own edits, after undo and
// redo, and after changes that another view of the document made.

void MindMapCanvas::handleTreeMutated()
{
    m_textCache.clearBitmaps();
    recomputeLayout();
}

void MindMapCanvas::noteDocumentChange()
{
    // Hidden (the columns are shown), the map catches up once it is shown again, so typing in
    // another view costs it nothing.
    if (m_document && m_hasAppeared && isVisible() && m_document->changeCount() != m_laidOutChangeCount)
        followOutsideChange();
}

void MindMapCanvas::followOutsideChange()
{
    DocumentController& c = *m_controller;
    // The ancestors of the selection as the last pass knew them, nearest first.
    std::vector<QUuid> ancestors;
    if (const std::optional<QUuid> primary = c.selectedNodeID()) {
        for (auto parent = m_parentLookup.constFind(*primary); parent != m_parentLookup.cend();
             parent = m_parentLookup.constFind(*parent))
            ancestors.push_back(*parent);
    }
    recomputeLayout();
    endEditChangedElsewhere();

    const auto stays = [this](const std::optional<QUuid>& id) { return id && m_nodeLookup.contains(*id); };
    QSet<QUuid> ids;
    for (const QUuid& id : c.selectedNodeIDs()) {
        if (stays(id))
            ids.insert(id);
    }
    std::optional<QUuid> primary = c.selectedNodeID();
    if (primary && !stays(primary)) {
        const auto kept = std::find_if(ancestors.cbegin(), ancestors.cend(), stays);
        primary = kept != ancestors.cend() ? std::optional<QUuid>(*kept) : std::nullopt;
        if (!primary && root())
            primary = root()->id();
    }
    const std::optional<QUuid> anchor = stays(c.selectionAnchorID()) ? c.selectionAnchorID() : std::nullopt;
    if (ids.size() != c.selectedNodeIDs().size() || primary != c.selectedNodeID() || anchor != c.selectionAnchorID())
        c.setSelection(ids, primary, anchor);
    if (c.isSearching())
        c.updateSearch();
}

void MindMapCanvas::handleUndoRedoChange()
{
    const NodeLayoutMap previousLayouts = m_cachedLayouts;
    // The nodes as they were. A restore puts a new node wherever it changes one, so these keep
    // the texts that vanishing nodes fade out with.
    const SermonNodeMap previousNodes = m_nodeLookup;
    const QUuid selected = m_controller->syncSelectionAfterUndo();
    QHash<QUuid, QString> vanishedTexts;
    for (auto it = previousLayouts.cbegin(); it != previousLayouts.cend(); ++it) {
        if (!m_cachedLayouts.findNear(previousLayouts.slotOf(it), it.key())) {
            if (const SermonNodePtr node = previousNodes.value(it.key()))
                vanishedTexts.insert(it.key(), node->text());
        }
    }
    relayoutAndAnimate(nodeAnimationDuration, previousLayouts, vanishedTexts);
    // Undone or redone in the other window, the node being edited here may be gone or changed.
    endEditChangedElsewhere();
    if (!selected.isNull())
        scrollNodeIntoView(selected);
}

void MindMapCanvas::handleRootTextChange()
{
    m_textCache.clearBitmaps();
    recomputeLayout();
    endEditChangedElsewhere();
}

void MindMapCanvas::checkRootText()
{
    const SermonNodePtr& top = root();
    if (top && top.get() == m_layoutRoot && top->text() != m_layoutRootText)
        handleRootTextChange();
}

void MindMapCanvas::recomputeLayout()
{
    SignpostIntervalState interval = performanceSignposter().beginInterval("RecomputeLayout");
    relayout();
    endSignpostInterval("RecomputeLayout", interval);
}

void MindMapCanvas::relayout()
{
    const SermonNodePtr& top = root();
    m_cachedContentBounds
        = layoutTree(top, m_layoutCache, { &m_cachedLayouts, &m_nodeLookup, &m_subtreeWordCounts, &m_parentLookup });
    m_layoutRoot = top.get();
    m_layoutRootText = top ? top->text() : QString();
    ++m_layoutGeneration;
    if (m_document)
        m_laidOutChangeCount = m_document->changeCount();

    placeOverlays();
    updateNodeEditor();
    update();
    Q_EMIT layoutChanged();
    notifyStateChanged();
}

} // namespace kestrion
