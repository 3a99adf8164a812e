#pragma once

#include "document/SermonDocument.h"
#include "document/SermonNode.h"
#include "mindmap/ContextMenuItem.h"
#include "mindmap/DropTarget.h"
#include "mindmap/GhostNode.h"
#include "mindmap/MindMapRenderer.h"
#include "mindmap/NodeActions.h"
#include "mindmap/NodeEditorOverlay.h"
#include "mindmap/NodeLayout.h"
#include "mindmap/TextBitmapCache.h"
#include "mindmap/TreeLayoutCache.h"
#include "platform/FocusedValuePublisher.h"
#include "platform/FrameAnimation.h"

#include <QHash>
#include <QList>
#include <QPoint>
#include <QPointF>
#include <QPointer>
#include <QRectF>
#include <QSet>
#include <QSizeF>
#include <QString>
#include <QTimer>
#include <QUuid>
#include <QWidget>

#include <functional>
#include <memory>

class QKeyEvent;
class QMenu;
#include <optional>
#include <utility>

namespace kestrion {

class AnimationClock;
class Clipboard;
class DocumentController;
class MinimapOverlay;
class Preferences;
class SearchBarOverlay;
class TrackpadEventView;
class UndoManager;

// The mind map of one document in one window: a widget painted with QPainter that lays the
// outline out, draws it, pans and zooms it, and carries out the edits of its own
// DocumentController. The document window and the focus-mode window each make one; they share
// the document and, through scaleChanged and setScale, the zoom scale.
//
// Overlays are child widgets: the node editor while a node is edited, and the slots for the
// search bar (top centre while searching) and the minimap (bottom right).
//
// It publishes, through the CommandRouter while it or a widget inside it has the keyboard,
// Zoom In, Zoom Out, Actual Size, Find and the split actions. Main thread only.
class MindMapCanvas : public QWidget, public FocusedValuePublisher {
    Q_OBJECT

public:
    struct ZoomFunctions {
        std::function<void()> zoomIn;
        std::function<void()> zoomOut;
        std::function<void()> reset;
    };
    using ZoomFunctionsReadyCallback = std::function<void(const ZoomFunctions&)>;

    static constexpr double nodeAnimationDuration = 0.3;
    static constexpr double zoomAnimationDuration = 0.2;
    static constexpr double scrollIntoViewDuration = 0.25;
    static constexpr int minimapHoldMilliseconds = 5000;
    static constexpr int overlayPadding = 12;
    // A second click on the same node sooner than this edits it.
    static constexpr double doubleClickInterval = 0.35;
    // A press that moves this far is a drag, not a click.
    static constexpr qreal dragThreshold = 8;

    struct CommitResult {
        std::optional<QUuid> editedID;
        bool removed = false;
    };
    using ControllerOperation = void (DocumentController::*)();

    // The undo manager is the window's; without one edits are recorded in the document only.
    explicit MindMapCanvas(SermonDocument& document, UndoManager* undoManager = nullptr, QWidget* parent = nullptr);
    ~MindMapCanvas() override;

    SermonDocument& document() const { return *m_document; }
    DocumentController& controller() const { return *m_controller; }
    UndoManager* undoManager() const;
    // Where copy, cut and paste go; the system clipboard unless set. Not owned.
    void setClipboard(Clipboard* clipboard);

    // The zoom scale, 1 = 100 %, within 0.1 to 3.0. Two-way: the owner connects scaleChanged
    // to its own value and its own changes to setScale.
    qreal scale() const { return m_scale; }
    bool setScale(qreal scale);

    // Called once, when the canvas is first shown, with the zoom steps for the owner's controls.
    const ZoomFunctionsReadyCallback& onZoomFunctionsReady() const { return m_onZoomFunctionsReady; }
    void setOnZoomFunctionsReady(ZoomFunctionsReadyCallback callback) { m_onZoomFunctionsReady = std::move(callback); }
    ZoomFunctions zoomFunctions();

    // Where the layout's origin lies in the view, in view points. Every change from the canvas
    // itself passes through clampPan.
    QPointF panOffset() const { return m_panOffset; }
    bool setPanOffset(const QPointF& offset);
    QPointF clampPan(const QPointF& offset) const;
    QSizeF viewportSize() const { return m_viewportSize; }

    const NodeLayoutMap& cachedLayouts() const { return m_cachedLayouts; }
    const SermonNodeMap& nodeLookup() const { return m_nodeLookup; }
    // The id of every node's parent but the root's, from the last layout pass.
    const QHash<QUuid, QUuid>& parentLookup() const { return m_parentLookup; }
    QRectF cachedContentBounds() const { return m_cachedContentBounds; }
    const QHash<QUuid, qint64>& subtreeWordCounts() const { return m_subtreeWordCounts; }
    TextBitmapCache& textCache() { return m_textCache; }

    // The keyboard focus the canvas wants: true gives it the focus, false hands it on (to the
    // node editor).
    bool isCanvasFocused() const { return m_isCanvasFocused; }
    void setCanvasFocused(bool focused);
    // The keyboard to where the map reads its keys: the search field while a search is open
    // (the canvas leaves every key alone then), else the canvas.
    void takeKeyboard();

    // Node animation state, read by the drawing.
    const QHash<QUuid, QPointF>& nodeAnimOffsets() const { return m_nodeAnimOffsets; }
    double animationProgress() const { return m_animationProgress; }
    const QHash<QUuid, GhostNode>& fadeOutGhosts() const { return m_fadeOutGhosts; }
    const QSet<QUuid>& fadeInNodeIDs() const { return m_fadeInNodeIDs; }
    bool isNodeAnimationRunning() const { return m_nodeAnimation.isRunning(); }
    bool isScrollAnimationRunning() const { return m_scrollAnimation.isRunning(); }

    // Drag state, read by the drawing.
    std::optional<QUuid> dragNodeID() const { return m_dragNodeID; }
    const QSet<QUuid>& dragNodeIDs() const { return m_dragNodeIDs; }
    std::optional<DropTarget> dropTarget() const { return m_dropTarget; }
    std::optional<QRectF> lassoRect() const { return m_lassoRect; }

    bool minimapVisible() const { return m_minimapVisible; }
    const QTimer& minimapHideTimer() const { return m_minimapHideTimer; }

    // Words per minute of the reading-time badges: the stored pace, 120 when the stored value
    // is below 1.
    qint64 readingPaceWPM() const;
    // Preferences read for the pace; the shared ones unless set.
    void setPreferences(Preferences* preferences);

    // --- Layout ------------------------------------------------------------------------------
    // Lays the tree out again (inside "RecomputeLayout") and rebuilds the node lookup, the
    // content bounds and the subtree word counts.
    void recomputeLayout();
    // Animates from the layouts before a change to the current ones: moved nodes glide, new
    // ones fade in, vanished ones with a text fade out where they were.
    void relayoutAndAnimate(
        double duration, const NodeLayoutMap& previousLayouts, const QHash<QUuid, QString>& previousTexts);

    // Brings the map up to date with the tree as another view of the document left it (the
    // other window's map, the columns): lays out again and lets go of what left the tree. A
    // selected node that went hands the selection to its nearest ancestor that stays; an edit
    // of a node that went, or whose text was written there, ends, its typed words kept in the
    // history so that stepping back brings the node back as typed; a search finds its matches
    // again.
    void followOutsideChange();

    // --- Pan and zoom ------------------------------------------------------------------------
    void animatePan(const QPointF& target, double duration);
    void zoomIn();
    void zoomOut();
    void resetZoom();
    void animateZoom(qreal target);
    // The scale a zoom step starts from: where a running zoom is heading, else the scale.
    qreal zoomStepBase() const;
    // Scroll deltas in view points.
    void handleScroll(qreal dx, qreal dy);
    // One step of a pinch at a point of the canvas.
    void handleMagnify(qreal magnification, const QPointF& location);
    void scrollNodeIntoView(const QUuid& id);
    // Puts a canvas point in the middle of the view at once (the minimap's navigation).
    void centreOnPoint(const QPointF& contentPoint);
    void showMinimapBriefly();
    void minimapHideTimerFired();
    void hideMinimap();

    // --- Commands ----------------------------------------------------------------------------
    void openSearch();

    // --- Editing in place --------------------------------------------------------------------
    // The node editor while a node with a layout is edited; null otherwise.
    NodeEditorOverlay* nodeEditor() const { return m_nodeEditor; }
    // Opens a node for editing and hands the keyboard to the node editor.
    void beginEditingNode(const QUuid& id, bool isNew);
    // Ends editing: with commit the edited text (trimmed) is written back, as one undo step
    // unless the node is new; without, the node keeps its text, and words typed in it are one
    // undo step away. A node left empty is removed, unless it has sub-points: it stays, empty,
    // with them. A new node left before anything was typed leaves no step. Empty text on the
    // title cancels instead: the title stays.
    CommitResult commitEdit(bool commit);
    // commitEdit, then the keyboard back to the canvas.
    void endEditing(bool commit);
    // Writes the edited text (trimmed) into the node as commitEdit would, but editing goes on.
    // Emptied text is left to the end of the editing.
    void storeEditingText();
    // The editor's keys: Tab adds a child to edit (after a quote, a sibling right after it),
    // Shift-Tab edits the parent, Return on a new node adds the next sibling to edit (else
    // ends editing), Ctrl-Return adds a sibling above to edit.
    void editorTab();
    void editorShiftTab();
    void editorEnter();
    void editorCommandEnter();
    // Alt-Return: splits the edited node at the caret (UTF-16 offset into the stored text;
    // beyond the end splits at the end) into two nodes, as one undo step; the second part of a
    // quote is a quote. Refused on the title.
    void splitAtCaret(qint64 caret);

    // --- Node operations ---------------------------------------------------------------------
    // Each works on the controller's selection at the moment it runs; shape changes animate.
    void cutSelection();
    void duplicateSelection();
    void deleteSelectionAnimated();
    void joinSelection();
    void foldSelection();
    void unfoldSelection();
    void moveSelectionAnimated(bool down);
    // Promote or demote, then the selected node into view.
    void performStructuralEdit(ControllerOperation operation);
    // Add a node or begin editing, then the keyboard to the node editor.
    void performEditingCommand(ControllerOperation operation);
    void toggleQuote();
    void selectAllNodes();
    void deselectAllNodes();
    // Puts the marker in front of every selected text, or takes it off when all carry it.
    void setMarker(const QString& marker);
    void removeMarker();

    // --- Pointer -----------------------------------------------------------------------------
    QPointF toCanvasPoint(const QPointF& viewPoint) const;
    // A primary click at a canvas point with the modifiers held.
    void handleTap(const QPointF& canvasPoint, Qt::KeyboardModifiers modifiers);
    // A secondary click at a view point on a node other than the title: on a selected node it
    // makes that node primary, keeping the other selected nodes; on any other node it selects
    // that node alone. Then it opens the context menu.
    void handleSecondaryClick(const QPointF& viewPoint);

    // --- Drawing -----------------------------------------------------------------------------
    // The map into a drawing area of this size in view points; given an exposed part of it,
    // only what reaches that part.
    MindMapRenderer::Stats renderCanvas(QPainter& painter, const QSizeF& size, const QRectF& exposed = {});

    // --- Overlays ----------------------------------------------------------------------------
    // The search bar, placed at the top centre while the controller searches, and the minimap,
    // placed at the bottom right; the canvas takes ownership. The canvas makes its own
    // SearchBarOverlay and MinimapOverlay and feeds them; other widgets are only placed.
    void setSearchBarOverlay(QWidget* overlay);
    QWidget* searchBarOverlay() const { return m_searchBarOverlay; }
    void setMinimapOverlay(QWidget* overlay);
    QWidget* minimapOverlay() const { return m_minimapOverlay; }

    // --- Keyboard ----------------------------------------------------------------------------
    // The arrows: Up and Down step to the vertical neighbour (kept on the navigation depth),
    // Left to the parent, Right to the first child of an expanded node; with Shift they
    // extend the selection from its anchor instead. With nothing selected each selects the
    // title.
    void selectAdjacentNode(bool down);
    void extendSelectionVertically(bool down);
    void selectParentNode();
    void extendSelectionToParent();
    void selectFirstChild();
    void extendSelectionToFirstChild();
    std::optional<QUuid> verticalNeighborID(const QUuid& id, bool down) const;
    // The command of the canvas's key table for a key press; empty when the canvas leaves the
    // key alone (while a node is edited or a search is open, every key).
    std::function<void()> keyCommand(const QKeyEvent& event);

    // --- Node actions and the context menu ---------------------------------------------------
    // The node commands with their enablement for the selection of this moment.
    NodeActions makeNodeActions();
    // The items of the context menu for the selection of this moment.
    QList<ContextMenuItem> contextMenuItems();
    // Pops the node context menu up and returns while it is open; the chosen command runs once
    // the menu has closed. A menu still open is closed first.
    void showContextMenu(const QPoint& globalPosition);

    // --- Dragging ----------------------------------------------------------------------------
    // One movement of a drag that began at startLocation (view points): the first decides
    // between lasso (Shift), node drag (on a node other than the title) and pan.
    void handleDragChanged(const QPointF& startLocation, const QPointF& location, Qt::KeyboardModifiers modifiers);
    void handleDragEnded();
    // Where dragged nodes would land for a canvas point; none when no node drag runs or no
    // node can take them.
    std::optional<DropTarget> computeDropTarget(const QPointF& canvasPoint) const;
    bool isLassoSelecting() const { return m_isLassoSelecting; }
    bool isPanning() const { return m_isPanning; }

    // --- Time --------------------------------------------------------------------------------
    // The clock of every animation and of the double-click test; tests give their own.
    void setAnimationClock(const AnimationClock* clock);
    const AnimationClock& animationClock() const;
    // Runs one frame of every running animation now.
    void tickAnimations();

    void publishFocusedValues(FocusedValues& values) const override;

Q_SIGNALS:
    void scaleChanged(qreal scale);
    // Pan, scale, viewport size or minimap visibility changed.
    void viewChanged();
    // The layouts were computed again.
    void layoutChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // Takes an open context menu down without its closing steps.
    void closeContextMenu();
    void installControllerCallbacks();
    // Makes the search bar and the minimap; each, when placed, is tied to the controller and
    // the view.
    void installOverlays();
    void connectSearchBar(SearchBarOverlay& bar);
    void connectMinimap(MinimapOverlay& minimap);
    void focusSearchField();
    void handleCanvasAppear();
    // Scrolls the selection of the first showing into view once there is a layout and a size.
    void revealInitialSelection();
    void handleSelectionChange();
    void handleSearchQueryChange();
    void handleUndoRedoChange();
    void handleRootTextChange();
    // Lays out again when the title was changed from outside the controller.
    void checkRootText();
    void handleTreeMutated();
    // After anything the document tells of: follows a change this canvas has not laid out
    // since, at once when shown, else when it is next shown.
    void noteDocumentChange();
    // Ends an edit whose node another view took out of the tree or wrote a text into, keeping
    // what was typed here in the history; the edit goes on when its node is as it was.
    void endEditChangedElsewhere();
    void relayout();
    void updateViewportSize(const QSizeF& size);
    void placeOverlays();
    void updateNodeEditor();
    void nodeEditorLostKeyboard();
    // The edited node's new text, as one undo step unless the node is new.
    void writeEditedText(SermonNode& node, const QString& text);
    // One undo step that brings back the words of a cancelled edit.
    void recordCancelledWords(SermonNode& node, const QString& typed);
    // Pans as little as needed to keep the editor's caret inside the view's margins.
    void keepCaretInView();
    // Once an edit ends, takes back what following its caret panned, keeping the edited node's
    // start in view; none for a node the edit removed.
    void settleEditPan(const std::optional<QUuid>& editedID);
    // Puts a new empty sibling next to a node and edits it; false when the node has no parent.
    bool insertSiblingToEdit(const QUuid& id, bool after);
    void notifyStateChanged();
    // Drops the dragged nodes at the drop target as one undo step; false when refused.
    bool dropDraggedNodes(const DropTarget& target);
    // The primary node for an arrow key; with none, selects the title and gives none.
    SermonNodePtr arrowStart();
    // Through the last layout pass's indexes, without walking the tree while they hold.
    SermonNodePtr parentOf(const SermonNode& node) const;
    MindMapRenderer::Scene makeScene(bool isDark) const;
    const SermonNodePtr& root() const;

    QPointer<SermonDocument> m_document;
    std::unique_ptr<DocumentController> m_controller;
    QPointer<UndoManager> m_undoManager;
    qreal m_scale = 1.0;
    ZoomFunctionsReadyCallback m_onZoomFunctionsReady;
    bool m_hasAppeared = false;
    bool m_isInitialRevealPending = false;
    // The view as the first showing placed it, while nothing has moved it since.
    struct OpeningView {
        QPointF pan;
        qreal scale = 1;
        std::optional<QUuid> selected;
    };
    std::optional<OpeningView> m_openingView;

    bool m_isCanvasFocused = false;
    QPointF m_panOffset;
    QSizeF m_viewportSize;

    NodeLayoutMap m_cachedLayouts;
    SermonNodeMap m_nodeLookup;
    QHash<QUuid, QUuid> m_parentLookup;
    QRectF m_cachedContentBounds;
    QHash<QUuid, qint64> m_subtreeWordCounts;
    // Keeps the four above up to date with what changed since the last pass.
    TreeLayoutCache m_layoutCache;
    TextBitmapCache m_textCache;
    // The root and its text as last laid out.
    SermonNode* m_layoutRoot = nullptr;
    QString m_layoutRootText;
    // Counts the layout passes; given to the drawing, it lets it skip branches out of view.
    quint64 m_layoutGeneration = 0;
    // The document's change count at the last layout pass.
    quint64 m_laidOutChangeCount = 0;

    const AnimationClock* m_clock;
    FrameAnimation m_scrollAnimation;
    // Where the zoom that m_scrollAnimation runs is heading; empty while it runs a pan.
    std::optional<qreal> m_zoomTarget;
    // The pan before the caret of the running edit first moved the view, and where it last put it.
    std::optional<QPointF> m_editPanOrigin;
    QPointF m_caretFollowPan;
    FrameAnimation m_nodeAnimation;
    QHash<QUuid, QPointF> m_nodeAnimOffsets;
    double m_animationProgress = 1.0;
    QHash<QUuid, GhostNode> m_fadeOutGhosts;
    QSet<QUuid> m_fadeInNodeIDs;

    bool m_minimapVisible = false;
    QTimer m_minimapHideTimer;

    // The last single click that selected: when and on what (none for empty space).
    std::optional<double> m_lastTapTime;
    std::optional<QUuid> m_lastTapNodeID;
    // The left button's press while it is down.
    struct Press {
        QPointF start;
        bool isDragging = false;
    };
    std::optional<Press> m_press;

    std::optional<QUuid> m_dragNodeID;
    QSet<QUuid> m_dragNodeIDs;
    std::optional<DropTarget> m_dropTarget;
    std::optional<QRectF> m_lassoRect;
    bool m_isLassoSelecting = false;
    QPointF m_lassoOrigin;
    bool m_isPanning = false;
    QPointF m_panStart;

    QPointer<Preferences> m_preferences;
    MindMapRenderer m_renderer;
    TrackpadEventView* m_eventView = nullptr;
    QPointer<NodeEditorOverlay> m_nodeEditor;
    QUuid m_nodeEditorNodeID;
    // The edited node and its text as this map last saw or wrote it.
    std::optional<std::pair<QUuid, QString>> m_editBase;
    QPointer<QWidget> m_searchBarOverlay;
    QPointer<QWidget> m_minimapOverlay;
    QPointer<QMenu> m_contextMenu;
};

} // namespace kestrion
