#pragma once

#include "columns/CollapseResolver.h"
#include "columns/ColumnAnimator.h"
#include "columns/ColumnEditing.h"
#include "columns/ColumnEditorOverlay.h"
#include "columns/ColumnKeyCommands.h"
#include "columns/ColumnLayout.h"
#include "columns/ColumnRenderer.h"
#include "columns/ColumnWidthsConfig.h"
#include "columns/ColumnWrapCache.h"
#include "columns/LiveColumnLayout.h"
#include "columns/ScrollAnimator.h"
#include "document/SermonDocument.h"
#include "document/SermonNode.h"

#include <QHash>
#include <QPointF>
#include <QPointer>
#include <QSizeF>
#include <QString>
#include <QTimer>
#include <QUuid>
#include <QWidget>

#include <memory>
#include <optional>

class QKeyEvent;

namespace kestrion {

class AnimationClock;
class Clipboard;
class ColumnDragHandleOverlay;
class DocumentController;
class Preferences;
class TrackpadEventView;
class UndoManager;

// Columns mode of one document window: the outline as a row of columns of wrapped text (the
// title in column 0, its children in column 1, ...), panned by scrolling, with columns panned
// past the left edge collapsing into strips, pinned headers, resizable stored widths, and its
// own DocumentController, so its selection and editing are its own. Driven by its own keys,
// clicks and the in-place column editor; it offers the menus no node actions.
//
// The window makes one each time it enters columns mode and drops it when it leaves. Main
// thread only.
class ColumnCanvas : public QWidget {
    Q_OBJECT

public:
    // The distance scrolling into view keeps from every edge.
    static constexpr qreal scrollMargin = 40;

    // The undo manager is the window's; without one edits are recorded in the document only.
    // The scale is the window's zoom, kept for the window; columns mode does not zoom.
    explicit ColumnCanvas(
        SermonDocument& document, UndoManager* undoManager = nullptr, qreal scale = 1, QWidget* parent = nullptr);
    ~ColumnCanvas() override;

    SermonDocument& document() const { return *m_document; }
    DocumentController& controller() const { return *m_controller; }
    UndoManager* undoManager() const;
    qreal scale() const { return m_scale; }
    void setScale(qreal scale) { m_scale = scale; }
    // Where copy, cut and paste go; the system clipboard unless set. Not owned.
    void setClipboard(Clipboard* clipboard);
    // Where the column widths are stored; the shared preferences unless set.
    void setPreferences(Preferences* preferences);
    const ColumnWidthsConfig& columnWidths() const { return m_columnWidths; }

    // --- Layout ------------------------------------------------------------------------------
    // The newest layout, the target of any glide, with the tree as it was laid out; complete.
    const LiveColumnLayout& layout();
    // On entering, what the window shows is measured first and the rest while the event loop
    // is idle; until then only the view as first shown is drawn from the layout. Anything else
    // that reads or changes the layout measures the rest at once first.
    bool isLayoutComplete() const { return m_layout.isComplete(); }
    void completeLayout();
    const ColumnAnimator& animator() const { return m_animator; }
    const ScrollAnimator& scrollAnimator() const { return m_scrollAnimator; }
    ColumnWrapCache& wrapCache() { return m_wrapCache; }
    // Brings the layout in line with the tree after any change (one walk of it), re-applies
    // the pan limits and shows the new frames, gliding or not.
    void relayoutColumns(bool animated);
    // The layout as shown now, as a value: the animator's frames with the newest layout's
    // columns and edges.
    ColumnLayout displayColumnLayout();
    std::vector<CollapseResolver::AdjustedColumn> adjustedColumnsForPan() const;
    // A column's left edge on screen; none for a column that does not exist.
    std::optional<qreal> columnScreenX(qint64 column) const;

    // --- Panning -----------------------------------------------------------------------------
    // Both coordinates 0 or negative: x down to minus the whole content width (every column
    // then a strip), y down to the viewport height less the content height.
    QPointF panOffset() const { return m_panOffset; }
    QSizeF viewportSize() const { return m_viewportSize; }
    QPointF clampPan(const QPointF& offset) const;
    void clampPanOffset();
    void scrollColumnsBy(qreal dx, qreal dy);
    // Glides the pan so that the node's box and its subtree band lie 40 points inside the
    // edges, the left and top edges winning; nothing for a node without a frame.
    void scrollSelectionIntoView(const QUuid& id);

    // --- Pointer -----------------------------------------------------------------------------
    // A click at a canvas point: ends a running edit (keeping what was typed), selects the node
    // under the point when there is one, and takes the keyboard.
    void selectNodeAtPoint(const QPointF& point);
    // A double click: starts editing the node under the point.
    void editNodeAtPoint(const QPointF& point);

    // --- Navigation --------------------------------------------------------------------------
    // The node of the same column just above or below in the newest layout, cousins included;
    // none at the ends or for an id without a frame.
    std::optional<QUuid> nearestNodeAbove(const QUuid& id) const;
    std::optional<QUuid> nearestNodeBelow(const QUuid& id) const;
    // The first child of an expanded node with children; else none.
    static SermonNodePtr firstVisibleChild(const SermonNode& node);

    // A node of the tree and its parent, through the layout's slots when it holds them, else by
    // a walk of the tree.
    SermonNodePtr findNode(const QUuid& id) const;
    SermonNodePtr findParent(const QUuid& id) const;

    // --- Editing -----------------------------------------------------------------------------
    ColumnEditing& editing() { return m_editing; }
    ColumnKeyCommands& keyCommands() { return m_keys; }
    // Starts editing a node in place (a running edit of another node is committed first) and
    // hands the keyboard to the column editor; nothing for a node not in the tree.
    void beginColumnEditing(const QUuid& id, bool isNew);
    // Moves editing to a node with the given text in one step, without writing that text into
    // the node that was edited before.
    void switchEditing(const QUuid& id, const QString& text, bool isNew);
    // Ends editing without touching the node.
    void endEditing();
    // The edited node's text when editing began (cancel restores it).
    const QString& editOriginalText() const { return m_editOriginalText; }
    void setEditOriginalText(const QString& text) { m_editOriginalText = text; }
    // Commits a running edit (trimmed, as an undo step unless the node is new) and hands the
    // keyboard back; for saving, closing and leaving the mode. Nothing when none runs.
    void commitPendingEdit();
    // As commitPendingEdit, for a save asked for while typing: the edit and the keyboard stay.
    void storePendingEdit();
    // The editor while a node with a frame is edited; null otherwise.
    ColumnEditorOverlay* editorOverlay() const { return m_editor; }
    // Writes a node's text; a change without an undo step of its own is reported to the
    // document, so that saving sees it.
    void writeNodeText(SermonNode& node, const QString& text);

    // --- Keyboard ----------------------------------------------------------------------------
    // The command of the column key table for a key press; empty when the canvas leaves the
    // key alone (every key while a node is edited).
    std::function<void()> keyCommand(const QKeyEvent& event);

    // --- Focus -------------------------------------------------------------------------------
    bool isCanvasFocused() const { return m_isCanvasFocused; }
    void setCanvasFocused(bool focused);

    // --- Drawing and time --------------------------------------------------------------------
    ColumnRenderer::Stats renderCanvas(QPainter& painter, const QSizeF& size);
    ColumnDragHandleOverlay* handleOverlay() const { return m_handles; }
    void setAnimationClock(const AnimationClock* clock);
    // Runs one tick of both animators now.
    void tickAnimations();

Q_SIGNALS:
    // The layout was computed again.
    void layoutChanged();

public Q_SLOTS:
    // The standard editing actions, as the Edit menu hands them to the widget with the
    // keyboard: the cut, copy and paste of points that Ctrl+X, Ctrl+C and Ctrl+V do. Nothing
    // while a point is edited; the editor has the keyboard then.
    void cut();
    void copy();
    void paste();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Whether the selected node's box lies wholly inside the canvas, across and down, with
    // the pan where the view is heading.
    struct SelectionInView {
        std::optional<QUuid> id;
        bool across = false;
        bool down = false;
    };

    void installCallbacks();
    void prepare();
    // Lays out the tree with what the window shows measured.
    void layoutFirstView();
    void measureLaterBoxes();
    void layoutCompleted();
    void setPanOffset(const QPointF& offset);
    void handleUndoRedo();
    void handleSelectionChange();
    void handleEditingTextChange();
    void checkRootText();
    void readColumnWidths();
    void setColumnWidth(qint64 column, qreal width);
    void applyColumnWidths(const ColumnWidthsConfig& widths);
    // After a change of one node's text alone.
    void relayoutText(const QUuid& id);
    // What follows a change of the layout: pan limits, the boxes shown, the overlays.
    void showChangedLayout(bool animated = false, const std::vector<LiveColumnLayout::Move>& moves = {});
    // Moves the selection off a node folded away.
    void revealSelection();
    SelectionInView selectionInView() const;
    // After a change of the layout or of the canvas's size: the selected node, where it lay
    // wholly inside before and no longer does, goes back inside the margins that way, as
    // little as it takes; a node the user had scrolled away from stays where it is.
    void keepSelectionInView(const SelectionInView& before, bool animated);
    void widthDragEnded();
    // The pan, from a given one, that brings a node's box across and the rows from top to
    // bottom down inside the margins, as shown with the columns panned past in strips.
    QPointF panShowing(
        const ColumnNodeFrame& frame, qreal top, qreal bottom, const QPointF& from, bool across, bool down) const;
    void glideTo(const QPointF& target);
    // The pan a running glide is heading to, else the pan.
    QPointF headingPan() const;
    std::optional<QUuid> nodeAtPoint(const QPointF& point) const;
    void updateEditor();
    void placeOverlays();
    void placeEditor();
    ColumnScene makeScene() const;
    const SermonNodePtr& root() const;

    QPointer<SermonDocument> m_document;
    std::unique_ptr<DocumentController> m_controller;
    QPointer<UndoManager> m_undoManager;
    QPointer<Preferences> m_preferences;
    qreal m_scale = 1;
    ColumnWidthsConfig m_columnWidths;

    LiveColumnLayout m_layout;
    ColumnWrapCache m_wrapCache;
    QTimer m_measuringTimer;

    const AnimationClock* m_clock = nullptr;
    ColumnAnimator m_animator;
    ScrollAnimator m_scrollAnimator;

    QPointF m_panOffset;
    QSizeF m_viewportSize;
    // Where the selection lay when the running width drag began.
    std::optional<SelectionInView> m_dragStartView;
    bool m_isCanvasFocused = false;
    bool m_hasAppeared = false;

    QString m_editOriginalText;
    // While editing moves from node to node, the text change belongs to the new node.
    bool m_isSwitchingEdit = false;
    QPointer<ColumnEditorOverlay> m_editor;
    QUuid m_editorNodeID;

    TrackpadEventView* m_eventView = nullptr;
    ColumnDragHandleOverlay* m_handles = nullptr;
    ColumnEditing m_editing;
    ColumnKeyCommands m_keys;
};

} // namespace kestrion
