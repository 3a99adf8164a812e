#include "document/DocumentController.h"
#include "mindmap/MindMapCanvas.h"
#include "platform/Appearance.h"

#include <QPaintEvent>
#include <QPainter>

namespace kestrion {

// What the drawing is given, and the paint event that hands it over.

MindMapRenderer::Scene MindMapCanvas::makeScene(bool isDark) const
{
    MindMapRenderer::Scene scene;
    scene.root = root();
    scene.layouts = &m_cachedLayouts;
    scene.nodeLookup = &m_nodeLookup;
    scene.subtreeWordCounts = &m_subtreeWordCounts;
    scene.textCache = const_cast<TextBitmapCache*>(&m_textCache);
    scene.nodeAnimOffsets = &m_nodeAnimOffsets;
    scene.animationProgress = m_animationProgress;
    scene.fadeInNodeIDs = &m_fadeInNodeIDs;
    scene.fadeOutGhosts = &m_fadeOutGhosts;
    scene.dragNodeID = m_dragNodeID;
    scene.dropTarget = m_dropTarget;
    scene.lassoRect = m_lassoRect;
    scene.scale = m_scale;
    scene.panOffset = m_panOffset;
    scene.layoutGeneration = m_layoutGeneration;
    scene.editingNodeID = m_controller->editingNodeID();
    scene.selectedNodeID = m_controller->selectedNodeID();
    scene.selectedNodeIDs = &m_controller->selectedNodeIDs();
    scene.isSearching = m_controller->isSearching();
    scene.searchQuery = m_controller->searchQuery();
    scene.searchMatchSet = &m_controller->searchMatchSet();
    const auto& matches = m_controller->searchMatches();
    const qint64 current = m_controller->currentMatchIndex();
    if (current >= 0 && current < matches.size())
        scene.currentMatchID = matches[current];
    scene.readingPaceWPM = readingPaceWPM();
    scene.isDark = isDark;
    scene.accent = palette().color(QPalette::Highlight);
    return scene;
}

MindMapRenderer::Stats MindMapCanvas::renderCanvas(QPainter& painter, const QSizeF& size, const QRectF& exposed)
{
    return m_renderer.render(painter, size, makeScene(isDarkAppearance()), exposed);
}

void MindMapCanvas::paintEvent(QPaintEvent* event)
{
    checkRootText();
    QPainter painter(this);
    // The node editor lies over the map without a background of its own: each blink of its
    // caret repaints the few points under the caret, and only those are drawn.
    renderCanvas(painter, QSizeF(size()), QRectF(event->rect()));
}

} // namespace kestrion
