#include "document/DocumentController.h"

#include "document/SermonDocument.h"

#include <algorithm>

namespace kestrion {

DocumentController::DocumentController(SermonDocument* document, QObject* parent)
    : QObject(parent)
    , m_document(document)
{
}

DocumentController::~DocumentController()
{
    // A canvas that goes in the middle of a search leaves the tree folded as the user set it,
    // for the views that stay and for what is written.
    if (!m_document || m_savedCollapsedState.isEmpty())
        return;
    refoldSearchOpened();
    m_document->setPassingUnfolds(this, {});
    // Told on a later turn: this may go with a window that is being taken apart.
    QMetaObject::invokeMethod(
        m_document.data(), [document = m_document.data()] { document->announceContentEdited(); }, Qt::QueuedConnection);
}

SermonDocument* DocumentController::document() const
{
    return m_document;
}

bool DocumentController::setUndoManager(UndoRegistrar* undoManager)
{
    if (m_undoManager == undoManager)
        return false;
    m_undoManager = undoManager;
    Q_EMIT undoManagerChanged();
    return true;
}

// --- Selection fields ---------------------------------------------------------------------

bool DocumentController::setSelectedNodeID(const std::optional<QUuid>& id)
{
    const bool changed = m_selectedNodeID != id;
    if (changed) {
        if (!m_isExtendingSelection) {
            setSelectedNodeIDs({});
            setSelectionAnchorID(std::nullopt);
        }
        m_selectedNodeID = id;
        Q_EMIT selectedNodeIDChanged();
    }
    setExtendingSelection(false);
    return changed;
}

bool DocumentController::setSelectedNodeIDs(const QSet<QUuid>& ids)
{
    if (m_selectedNodeIDs == ids)
        return false;
    m_selectedNodeIDs = ids;
    Q_EMIT selectedNodeIDsChanged();
    return true;
}

bool DocumentController::setSelectionAnchorID(const std::optional<QUuid>& id)
{
    if (m_selectionAnchorID == id)
        return false;
    m_selectionAnchorID = id;
    Q_EMIT selectionAnchorIDChanged();
    return true;
}

bool DocumentController::setExtendingSelection(bool extending)
{
    if (m_isExtendingSelection == extending)
        return false;
    m_isExtendingSelection = extending;
    Q_EMIT isExtendingSelectionChanged();
    return true;
}

bool DocumentController::setNavigationDepth(qint64 depth)
{
    if (m_navigationDepth == depth)
        return false;
    m_navigationDepth = depth;
    Q_EMIT navigationDepthChanged();
    return true;
}

// --- Selection gestures -------------------------------------------------------------------

void DocumentController::setSelection(
    const QSet<QUuid>& ids, const std::optional<QUuid>& primary, const std::optional<QUuid>& anchor)
{
    setExtendingSelection(true);
    setSelectedNodeIDs(ids);
    setSelectionAnchorID(anchor);
    // Consumes the flag even when the primary stays.
    setSelectedNodeID(primary);
}

void DocumentController::selectSingleNode(const std::optional<QUuid>& id)
{
    setSelection({}, id, std::nullopt);
}

void DocumentController::toggleSelection(const QUuid& id)
{
    QSet<QUuid> ids = m_selectedNodeIDs;
    std::optional<QUuid> primary = m_selectedNodeID;
    if (ids.isEmpty() && primary)
        ids.insert(*primary);
    if (!ids.contains(id)) {
        ids.insert(id);
        primary = id;
    } else {
        ids.remove(id);
        if (primary == id)
            primary = firstInDocumentOrder(ids);
    }
    setSelection(ids, primary, std::nullopt);
}

void DocumentController::extendSelectionTo(const QUuid& id)
{
    const QUuid anchor = m_selectionAnchorID.value_or(m_selectedNodeID.value_or(id));
    setSelection(visibleRangeIDs(anchor, id), id, anchor);
}

void DocumentController::selectNodesInLasso(const QSet<QUuid>& ids)
{
    std::optional<QUuid> primary = m_selectedNodeID;
    if (!ids.isEmpty() && !(primary && ids.contains(*primary)))
        primary = firstInDocumentOrder(ids);
    setSelection(ids, primary, m_selectionAnchorID);
}

QSet<QUuid> DocumentController::visibleRangeIDs(const QUuid& a, const QUuid& b) const
{
    QList<QUuid> visible;
    if (SermonNodePtr top = root()) {
        std::vector<SermonNode*> stack { top.get() };
        while (!stack.empty()) {
            SermonNode* node = stack.back();
            stack.pop_back();
            visible.append(node->id());
            if (node->isCollapsed())
                continue;
            const auto& children = node->children();
            for (auto it = children.rbegin(); it != children.rend(); ++it)
                stack.push_back(it->get());
        }
    }
    const qsizetype ia = visible.indexOf(a);
    const qsizetype ib = visible.indexOf(b);
    if (ia < 0 || ib < 0)
        return { a, b };
    QSet<QUuid> range;
    for (qsizetype i = std::min(ia, ib); i <= std::max(ia, ib); ++i)
        range.insert(visible[i]);
    return range;
}

QUuid DocumentController::syncSelectionAfterUndo()
{
    SermonNodePtr top = root();
    if (!top)
        return {};
    QUuid chosen = top->id();
    if (SermonNodePtr restored = findNode(m_document->lastRestoredNodeID()))
        chosen = restored->id();
    // Lay out the restored tree before the selection asks to be scrolled into view.
    announceTreeMutation();
    setSelectedNodeID(chosen);
    return chosen;
}

// --- Helpers ------------------------------------------------------------------------------

SermonNodePtr DocumentController::root() const
{
    return m_document ? m_document->root() : nullptr;
}

SermonNodePtr DocumentController::findNode(const std::optional<QUuid>& id) const
{
    SermonNodePtr top = root();
    if (!id || !top)
        return nullptr;
    return top->findNode(*id);
}

void DocumentController::recordUndo()
{
    if (m_document)
        m_document->recordUndo(m_selectedNodeID, m_undoManager);
}

void DocumentController::announceTreeMutation()
{
    if (m_onTreeMutated)
        m_onTreeMutated();
}

std::optional<QUuid> DocumentController::firstInDocumentOrder(const QSet<QUuid>& ids) const
{
    if (ids.isEmpty())
        return std::nullopt;
    if (SermonNodePtr top = root()) {
        std::vector<SermonNode*> stack { top.get() };
        while (!stack.empty()) {
            SermonNode* node = stack.back();
            stack.pop_back();
            if (ids.contains(node->id()))
                return node->id();
            const auto& children = node->children();
            for (auto it = children.rbegin(); it != children.rend(); ++it)
                stack.push_back(it->get());
        }
    }
    // None of them is in the tree: any member keeps the selection non-empty.
    return *ids.begin();
}

} // namespace kestrion
