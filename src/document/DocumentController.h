#pragma once

#include "document/SearchHighlight.h"
#include "document/SermonNode.h"
#include "document/SiblingSelectionContext.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QUuid>

#include <functional>
#include <optional>
#include <utility>
#include <vector>

namespace kestrion {

class Clipboard;
class SermonDocument;
class UndoRegistrar;

// The working state of one editing canvas over a document: selection, in-place editing and
// search, and every edit the canvas offers. Each canvas owns its own controller, so two
// canvases on one document select and search independently but edit the same tree.
//
// Every edit has one shape: check that there is something to do (else change nothing and
// record nothing), record one undo snapshot carrying the primary selection from before the
// edit, change the nodes, call onTreeMutated, and write the selection last.
//
// Setters store the value and emit their change signal only when the value differs; they
// return whether it did.
class DocumentController final : public QObject {
    Q_OBJECT

public:
    using TreeMutatedCallback = std::function<void()>;
    using SelectionRequestVisibleCallback = std::function<void(const QUuid&)>;
    using RequestCanvasFocusCallback = std::function<void()>;

    explicit DocumentController(SermonDocument* document, QObject* parent = nullptr);
    ~DocumentController() override;

    // Null once the document is gone; every operation then does nothing.
    SermonDocument* document() const;

    // The window's undo manager, handed to every recorded edit; may be null.
    UndoRegistrar* undoManager() const { return m_undoManager; }
    bool setUndoManager(UndoRegistrar* undoManager);

    // Where copy, cut, paste and copy branch go; without one they do nothing. Not owned.
    Clipboard* clipboard() const { return m_clipboard; }
    void setClipboard(Clipboard* clipboard) { m_clipboard = clipboard; }

    // Called after every change of the tree's shape, flags or texts made here.
    const TreeMutatedCallback& onTreeMutated() const { return m_onTreeMutated; }
    void setOnTreeMutated(TreeMutatedCallback callback) { m_onTreeMutated = std::move(callback); }
    // Asks the canvas to scroll a node into view.
    const SelectionRequestVisibleCallback& onSelectionRequestVisible() const { return m_onSelectionRequestVisible; }
    void setOnSelectionRequestVisible(SelectionRequestVisibleCallback callback)
    {
        m_onSelectionRequestVisible = std::move(callback);
    }
    // Asks the canvas to take the keyboard back (when the search ends).
    const RequestCanvasFocusCallback& onRequestCanvasFocus() const { return m_onRequestCanvasFocus; }
    void setOnRequestCanvasFocus(RequestCanvasFocusCallback callback) { m_onRequestCanvasFocus = std::move(callback); }

    // --- Selection -------------------------------------------------------------------------
    // The primary (focused) node; single-node operations act on it alone.
    std::optional<QUuid> selectedNodeID() const { return m_selectedNodeID; }
    // A change of the primary that is not part of a selection extension ends any
    // multi-selection: the further selected nodes and the anchor are dropped first. Every
    // call consumes isExtendingSelection, changed primary or not.
    bool setSelectedNodeID(const std::optional<QUuid>& id);
    // The further nodes of a multi-selection; may or may not hold the primary.
    const QSet<QUuid>& selectedNodeIDs() const { return m_selectedNodeIDs; }
    bool setSelectedNodeIDs(const QSet<QUuid>& ids);
    // The fixed end of a range extended with Shift.
    std::optional<QUuid> selectionAnchorID() const { return m_selectionAnchorID; }
    bool setSelectionAnchorID(const std::optional<QUuid>& id);
    // True only while a selection extension writes its fields; cleared when it is done.
    bool isExtendingSelection() const { return m_isExtendingSelection; }
    bool setExtendingSelection(bool extending);
    // The depth vertical keyboard navigation tries to keep.
    qint64 navigationDepth() const { return m_navigationDepth; }
    bool setNavigationDepth(qint64 depth);

    // Writes a whole selection at once: the set, the anchor and the primary, in that order,
    // as one extension. The extension flag is clear afterwards whatever changed.
    void setSelection(const QSet<QUuid>& ids, const std::optional<QUuid>& primary, const std::optional<QUuid>& anchor);
    // Exactly one node selected (or none), no anchor.
    void selectSingleNode(const std::optional<QUuid>& id);
    // Command-click: adds the node to the multi-selection and makes it primary, or removes
    // it; removing the primary promotes a remaining member (the first in document order).
    void toggleSelection(const QUuid& id);
    // Shift-click and Shift-arrows: the visible range from the anchor (set from the primary
    // when there is none) to the node, which becomes primary.
    void extendSelectionTo(const QUuid& id);
    // Lasso: the caught nodes become the multi-selection; the primary stays when caught,
    // else the first caught node in document order takes its place; catching nothing
    // leaves the primary as it was.
    void selectNodesInLasso(const QSet<QUuid>& ids);
    // The ids from a to b, both included, in visible preorder (children of collapsed nodes
    // left out); just {a, b} when either is not visible.
    QSet<QUuid> visibleRangeIDs(const QUuid& a, const QUuid& b) const;

    // The multi-selection together with the primary.
    QSet<QUuid> effectiveSelection() const;
    // The nodes of the effective selection that are in the tree, in no particular order.
    std::vector<SermonNodePtr> selectedNodes() const;
    // The selected nodes without a selected ancestor, in document order.
    std::vector<SermonNodePtr> topLevelSelectedNodes() const;
    std::vector<SermonNodePtr> topLevelNodes(const QSet<QUuid>& ids) const;
    // The ids of the list without an ancestor in the set, in list order; ids that are not
    // in the tree stay.
    QList<QUuid> topLevelIDs(const QList<QUuid>& ids, const QSet<QUuid>& set) const;
    // None when the selection is empty, holds the root, or spans several parents.
    std::optional<SiblingSelectionContext> siblingSelectionContext() const;
    // Removes each node from wherever it now stands; nodes not in the tree are skipped.
    void detachNodes(const std::vector<SermonNodePtr>& nodes);
    // Inserts the nodes together, in order, from index (clamped) and renumbers their depths.
    void insertNodes(const std::vector<SermonNodePtr>& nodes, const SermonNodePtr& parent, qint64 index);
    // The node's id and those of all its descendants, in preorder.
    static QList<QUuid> subtreeIDs(const SermonNodePtr& node);

    // After an undo or redo: selects the node the restored snapshot names when it exists,
    // else the root, and returns it.
    QUuid syncSelectionAfterUndo();

    // --- In-place editing ------------------------------------------------------------------
    std::optional<QUuid> editingNodeID() const { return m_editingNodeID; }
    bool setEditingNodeID(const std::optional<QUuid>& id);
    const QString& editingText() const { return m_editingText; }
    bool setEditingText(const QString& text);
    // The edited node was just created by addChild or addSibling...
    bool editingIsNew() const { return m_editingIsNew; }
    bool setEditingIsNew(bool isNew);

    // --- Edits -----------------------------------------------------------------------------
    void beginEditing();
    // A new empty last child of the selected node, edited; for a quote, which holds none, a
    // new sibling right after it.
    void addChild();
    // A new empty sibling right after (before) the selected node, edited; for the title,
    // which has none, a new last main point as addChild gives.
    void addSiblingAfter();
    void addSiblingBefore();

    void copy();
    // What cut puts on the clipboard: the texts, as copy writes them, when they paste back as
    // the same points; else the whole branches as outline text that paste rebuilds as they were.
    void copyForCut();
    void cut();
    void paste();
    void deleteSelection();

    void promote();
    void demote();
    void moveSelection(bool down);
    void fold();
    void unfold();

    // Outline text of the selected branches on the clipboard, in the file's body syntax.
    void copyBranch();
    // Each selected leaf with several lines (or sentences) becomes one sibling per line (or
    // sentence) in its place; the new nodes are selected, the first in document order
    // primary.
    void splitLines();
    void splitSentences();
    // The characters splitLines ends a line at: U+000A to U+000D, U+0085, U+2028, U+2029.
    static bool isNewline(QChar c);
    // Each run of adjacent selected leaves becomes its first node, the texts separated by
    // in-node line breaks. The first joined node in document order is selected.
    void join();

    // --- Search ----------------------------------------------------------------------------
    // Nothing here is recorded for undo, although folded branches holding matches are opened
    // while the search runs and closed again afterwards.
    bool isSearching() const { return m_isSearching; }
    bool setSearching(bool searching);
    // The canvas runs updateSearch after every change of the query.
    const QString& searchQuery() const { return m_searchQuery; }
    bool setSearchQuery(const QString& query);
    // Matching node ids in document order, root and folded branches included.
    const QList<QUuid>& searchMatches() const { return m_searchMatches; }
    const QSet<QUuid>& searchMatchSet() const { return m_searchMatchSet; }
    qint64 currentMatchIndex() const { return m_currentMatchIndex; }
    // The folded nodes the search opened, and the folded state each had before.
    const QSet<QUuid>& autoExpandedNodeIDs() const { return m_autoExpandedNodeIDs; }
    const QHash<QUuid, bool>& savedCollapsedState() const { return m_savedCollapsedState; }

    void updateSearch();
    void nextMatch(bool forward);
    void endSearch();
    // How to highlight a node while searching; none for a node that is not a match.
    std::optional<SearchHighlight> searchHighlight(const QUuid& id) const;

Q_SIGNALS:
    void undoManagerChanged();
    void selectedNodeIDChanged();
    void selectedNodeIDsChanged();
    void selectionAnchorIDChanged();
    void isExtendingSelectionChanged();
    void navigationDepthChanged();
    void editingNodeIDChanged();
    void editingTextChanged();
    void editingIsNewChanged();
    void isSearchingChanged();
    void searchQueryChanged();
    void searchMatchesChanged();
    void searchMatchSetChanged();
    void currentMatchIndexChanged();
    void autoExpandedNodeIDsChanged();
    void savedCollapsedStateChanged();

private:
    SermonNodePtr root() const;
    SermonNodePtr findNode(const std::optional<QUuid>& id) const;
    void recordUndo();
    void announceTreeMutation();
    void addSibling(bool after);
    void setFolded(bool folded);
    void startEditingNewNode(const SermonNodePtr& node);
    std::optional<QUuid> firstInDocumentOrder(const QSet<QUuid>& ids) const;
    void splitSelectedLeaves(QStringList (*parts)(const QString&), bool recordBeforeLooking);
    bool setSearchMatches(const QList<QUuid>& matches);
    bool setSearchMatchSet(const QSet<QUuid>& matches);
    bool setCurrentMatchIndex(qint64 index);
    bool setAutoExpandedNodeIDs(const QSet<QUuid>& ids);
    bool setSavedCollapsedState(const QHash<QUuid, bool>& state);
    void autoExpandMatchAncestors();
    void restoreAutoExpanded();
    // The folded nodes the search opened, and folding them again, telling nobody.
    QSet<QUuid> searchOpenedIDs() const;
    void refoldSearchOpened();

    QPointer<SermonDocument> m_document;
    UndoRegistrar* m_undoManager = nullptr;
    Clipboard* m_clipboard = nullptr;
    TreeMutatedCallback m_onTreeMutated;
    SelectionRequestVisibleCallback m_onSelectionRequestVisible;
    RequestCanvasFocusCallback m_onRequestCanvasFocus;

    std::optional<QUuid> m_selectedNodeID;
    QSet<QUuid> m_selectedNodeIDs;
    std::optional<QUuid> m_selectionAnchorID;
    bool m_isExtendingSelection = false;
    qint64 m_navigationDepth = 0;

    std::optional<QUuid> m_editingNodeID;
    QString m_editingText;
    bool m_editingIsNew = false;

    bool m_isSearching = false;
    QString m_searchQuery;
    QList<QUuid> m_searchMatches;
    QSet<QUuid> m_searchMatchSet;
    qint64 m_currentMatchIndex = 0;
    QSet<QUuid> m_autoExpandedNodeIDs;
    QHash<QUuid, bool> m_savedCollapsedState;
};

} // namespace kestrion
