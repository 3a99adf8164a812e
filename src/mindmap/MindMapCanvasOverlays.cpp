#include "document/DocumentController.h"
#include "mindmap/MindMapCanvas.h"
#include "mindmap/MinimapOverlay.h"
#include "mindmap/SearchBarOverlay.h"

namespace kestrion {

// The canvas only places and feeds its overlays; what they show and do is their own.

void MindMapCanvas::installOverlays()
{
    setSearchBarOverlay(new SearchBarOverlay);
    setMinimapOverlay(new MinimapOverlay);
}

void MindMapCanvas::connectSearchBar(SearchBarOverlay& bar)
{
    DocumentController& c = *m_controller;
    bar.setOnQueryChanged([this](const QString& query) { m_controller->setSearchQuery(query); });
    bar.setOnNext([this] { m_controller->nextMatch(true); });
    bar.setOnPrevious([this] { m_controller->nextMatch(false); });
    bar.setOnDismiss([this] { m_controller->endSearch(); });
    auto showQuery = [this, &bar] { bar.setQuery(m_controller->searchQuery()); };
    auto showMatches
        = [this, &bar] { bar.setMatches(m_controller->searchMatches().size(), m_controller->currentMatchIndex()); };
    // The bar is the context: the connections go with it.
    connect(&c, &DocumentController::searchQueryChanged, &bar, showQuery);
    connect(&c, &DocumentController::searchMatchesChanged, &bar, showMatches);
    connect(&c, &DocumentController::currentMatchIndexChanged, &bar, showMatches);
    showQuery();
    showMatches();
}

void MindMapCanvas::connectMinimap(MinimapOverlay& minimap)
{
    minimap.setOnNavigate([this](const QPointF& point) { centreOnPoint(point); });
    auto showContent = [this, &minimap] {
        minimap.setContent(root(), m_cachedLayouts, m_cachedContentBounds);
        // Its size follows the content's proportions.
        placeOverlays();
    };
    auto showView = [this, &minimap] {
        minimap.setView(m_viewportSize, m_panOffset, m_scale);
        minimap.setMinimapVisible(m_minimapVisible);
    };
    connect(this, &MindMapCanvas::layoutChanged, &minimap, showContent);
    connect(this, &MindMapCanvas::viewChanged, &minimap, showView);
    minimap.setContent(root(), m_cachedLayouts, m_cachedContentBounds);
    showView();
}

} // namespace kestrion
