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

void MindMapCanvas::setSearchBarOverlay(QWidget* overlay)
{
    if (m_searchBarOverlay == overlay)
        return;
    delete m_searchBarOverlay;
    m_searchBarOverlay = overlay;
    if (overlay) {
        overlay->setParent(this);
        if (auto* bar = qobject_cast<SearchBarOverlay*>(overlay))
            connectSearchBar(*bar);
    }
    placeOverlays();
}

void MindMapCanvas::setMinimapOverlay(QWidget* overlay)
{
    if (m_minimapOverlay == overlay)
        return;
    delete m_minimapOverlay;
    m_minimapOverlay = overlay;
    if (overlay) {
        overlay->setParent(this);
        if (auto* minimap = qobject_cast<MinimapOverlay*>(overlay))
            connectMinimap(*minimap);
        overlay->show();
    }
    placeOverlays();
}

namespace {

// The size an overlay asks for: its size hint, or its own size when it gives none.
QSize overlaySize(const QWidget& overlay)
{
    const QSize hint = overlay.sizeHint();
    return (hint.isValid() ? hint : overlay.size()).expandedTo(overlay.minimumSize());
}

} // namespace

void MindMapCanvas::placeOverlays()
{
    const int padding = overlayPadding;
    if (m_searchBarOverlay) {
        const QSize hint = overlaySize(*m_searchBarOverlay);
        const int w = std::max(0, std::min(hint.width(), width() - 2 * padding));
        m_searchBarOverlay->setGeometry((width() - w) / 2, padding, w, hint.height());
        m_searchBarOverlay->setVisible(m_controller->isSearching());
        if (m_controller->isSearching())
            m_searchBarOverlay->raise();
    }
    if (m_minimapOverlay) {
        const QSize hint = overlaySize(*m_minimapOverlay);
        m_minimapOverlay->setGeometry(
            width() - padding - hint.width(), height() - padding - hint.height(), hint.width(), hint.height());
    }
}

} // namespace kestrion
