#pragma once

#include "document/MatchRange.h"
#include "document/SermonNode.h"
#include "mindmap/DropTarget.h"
#include "mindmap/GhostNode.h"
#include "mindmap/NodeLayout.h"

#include <QColor>
#include <QFont>
#include <QHash>
#include <QList>
#include <QPointF>
#include <QRectF>
#include <QSet>
#include <QSizeF>
#include <QStaticText>
#include <QString>
#include <QUuid>

#include <functional>
#include <optional>
#include <vector>

class QPainter;

namespace kestrion {

class TextBitmapCache;

// Draws the mind map in one pass: connectors, node boxes, fading ghosts, the drop indicator
// and the lasso. Everything comes from the state the canvas keeps ready; the pass changes
// nothing but the text bitmap cache, which it fills. One renderer per canvas: it keeps the
// small fonts and texts of the fold circles and reading-time badges between passes.
class MindMapRenderer {
public:
    // What one pass reads. Pointers are never null while the pass runs.
    struct Scene {
        SermonNodePtr root;
        const NodeLayoutMap* layouts = nullptr;
        const SermonNodeMap* nodeLookup = nullptr;
        const QHash<QUuid, qint64>* subtreeWordCounts = nullptr;
        TextBitmapCache* textCache = nullptr;
        const QHash<QUuid, QPointF>* nodeAnimOffsets = nullptr;
        qreal animationProgress = 1;
        const QSet<QUuid>* fadeInNodeIDs = nullptr;
        const QHash<QUuid, GhostNode>* fadeOutGhosts = nullptr;
        std::optional<QUuid> dragNodeID;
        std::optional<DropTarget> dropTarget;
        std::optional<QRectF> lassoRect;
        qreal scale = 1;
        QPointF panOffset;
        // Set when the layouts are those of the tree as last laid out (the canvas counts its
        // passes here): with it the pass skips whole branches out of view by the branch bounds
        // the layout pass keeps beside the layouts. Without it every branch is walked.
        std::optional<quint64> layoutGeneration;
        std::optional<QUuid> editingNodeID;
        std::optional<QUuid> selectedNodeID;
        const QSet<QUuid>* selectedNodeIDs = nullptr;
        // Search highlights while a search with a query is open.
        bool isSearching = false;
        QString searchQuery;
        const QSet<QUuid>* searchMatchSet = nullptr;
        std::optional<QUuid> currentMatchID;
        // Words per minute of the reading-time badges; at least 1.
        qint64 readingPaceWPM = 120;
        bool isDark = false;
        QColor accent;
    };

    struct Stats {
        // Nodes whose connectors were attempted.
        int connectors = 0;
        // Node boxes drawn (culled and edited nodes not counted).
        int drawn = 0;
    };

    // Ink of the mind map.
    static QColor inkColor(bool isDark);
    static QColor orangeColor(bool isDark);

    MindMapRenderer();

    // The whole pass inside the "CanvasDraw" interval; size is the drawing area in view points.
    // Given an exposed part of it (view points), only what can reach that part is drawn.
    Stats render(QPainter& painter, const QSizeF& size, const Scene& scene, const QRectF& exposed = {});

    // The layouts the pass draws: the cached ones, moved by their animation offsets.
    static NodeLayoutMap displayLayouts(const NodeLayoutMap& layouts, const QHash<QUuid, QPointF>& offsets);

    // The rectangles of the search matches in a node's shown text (line breaks as line feeds),
    // relative to the text origin, over the letters matched in whichever direction the text
    // runs: one per range, or one per stretch where a range crosses between directions.
    static QList<QRectF> matchRectangles(
        const QString& displayText, const QFont& font, const QList<MatchRange>& ranges);

    // Reading-time text of a subtree: "N min".
    static QString readingTimeText(qint64 words, qint64 wordsPerMinute);

private:
    struct NodeStyle {
        bool selected = false;
        // Where the selection outline runs, when not simply around the box.
        std::optional<QRectF> selectionOutline;
        const QString* textOverride = nullptr;
        // Present while the node is a search match.
        std::optional<QList<MatchRange>> matchRanges;
        bool isCurrentMatch = false;
    };

    // Pruning, branches out of view are skipped by the layouts' branch bounds, and the
    // laid-out nodes the walk reached are collected for the node layer.
    int drawConnectorTree(QPainter& painter, const Scene& scene, const NodeLayoutMap& layouts, const QRectF& visible,
        bool pruning, std::vector<QUuid>* reached);
    // Draws the given nodes, or every laid-out one when none are given.
    int drawNodeLayer(QPainter& painter, const Scene& scene, const NodeLayoutMap& layouts, const QRectF& visible,
        const std::vector<QUuid>* candidates);
    void drawGhosts(QPainter& painter, const Scene& scene, const QRectF& visible);
    void drawDropIndicator(QPainter& painter, const Scene& scene, const NodeLayoutMap& layouts);
    void drawLasso(QPainter& painter, const Scene& scene, const QRectF& rect);
    void drawCanvasNode(
        QPainter& painter, const Scene& scene, const NodeLayout& layout, const QRectF& frame, const NodeStyle& style);
    void drawMatchBackgrounds(QPainter& painter, const QString& displayText, const NodeLayout& layout, qreal textX,
        qreal textY, const QList<MatchRange>& ranges, bool isCurrent);
    const QStaticText& staticText(const QString& text, const QFont& font, QHash<QString, QStaticText>& cache);

    QFont m_foldFont;
    QFont m_badgeFont;
    QHash<QString, QStaticText> m_foldTexts;
    QHash<QString, QStaticText> m_badgeTexts;
};

} // namespace kestrion
