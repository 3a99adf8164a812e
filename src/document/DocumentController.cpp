#include "document/DocumentController.h"

#include "document/Clipboard.h"
#include "document/MarkdownCodec.h"
#include "document/SearchMatching.h"
#include "document/SermonDocument.h"

#include <QTextBoundaryFinder>

#include <algorithm>
#include <utility>

namespace kestrion {

namespace {

bool isBlankCharacter(QChar c)
{
    return MarkdownCodec::isFormatWhitespace(c) || DocumentController::isNewline(c);
}

bool isBlank(const QString& text)
{
    return std::all_of(text.begin(), text.end(), isBlankCharacter);
}

QString trimmedBy(const QString& text, bool (*isTrimmed)(QChar))
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isTrimmed(text[begin]))
        ++begin;
    while (end > begin && isTrimmed(text[end - 1]))
        --end;
    return text.mid(begin, end - begin);
}

// The lines of a text, trimmed of the file format's white space, empty ones dropped.
QStringList lineParts(const QString& text)
{
    QStringList parts;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i < text.size() && !DocumentController::isNewline(text[i]))
            continue;
        const QString piece = MarkdownCodec::trimWhitespace(QStringView(text).mid(start, i - start));
        if (!piece.isEmpty())
            parts.append(piece);
        start = i + 1;
    }
    return parts;
}

// The sentences of a text, trimmed of white space and line breaks, empty ones dropped.
QStringList sentenceParts(const QString& text)
{
    QStringList parts;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Sentence, text);
    qsizetype start = 0;
    for (qsizetype end = finder.toNextBoundary(); end != -1; end = finder.toNextBoundary()) {
        if (end <= start)
            continue;
        const QString piece = trimmedBy(text.mid(start, end - start), isBlankCharacter);
        if (!piece.isEmpty())
            parts.append(piece);
        start = end;
    }
    return parts;
}

// Takes the given children out of each parent, one pass over each parent's children.
void removeChildren(const QHash<SermonNode*, QSet<QUuid>>& removals)
{
    for (auto it = removals.cbegin(); it != removals.cend(); ++it) {
        const QSet<QUuid>& ids = it.value();
        std::erase_if(
            it.key()->mutableChildren(), [&](const SermonNodePtr& child) { return ids.contains(child->id()); });
    }
}

QStringList textsOf(const std::vector<SermonNodePtr>& nodes)
{
    QStringList texts;
    texts.reserve(static_cast<qsizetype>(nodes.size()));
    for (const auto& node : nodes)
        texts.append(node->text());
    return texts;
}

} // namespace

DocumentController::DocumentController(SermonDocument* document, QObject* parent)
    : QObject(parent)
    , m_document(document)
{
}

DocumentController::~DocumentController() = default;

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

// --- Selection groups ---------------------------------------------------------------------

QSet<QUuid> DocumentController::effectiveSelection() const
{
    QSet<QUuid> ids = m_selectedNodeIDs;
    if (m_selectedNodeID)
        ids.insert(*m_selectedNodeID);
    return ids;
}

std::vector<SermonNodePtr> DocumentController::selectedNodes() const
{
    std::vector<SermonNodePtr> nodes;
    const QSet<QUuid> ids = effectiveSelection();
    if (ids.isEmpty())
        return nodes;
    SermonNodeMap index;
    indexNodesByID(root(), index);
    for (const auto& id : ids) {
        if (SermonNodePtr node = index.value(id))
            nodes.push_back(std::move(node));
    }
    return nodes;
}

std::vector<SermonNodePtr> DocumentController::topLevelSelectedNodes() const
{
    return topLevelNodes(effectiveSelection());
}

std::vector<SermonNodePtr> DocumentController::topLevelNodes(const QSet<QUuid>& ids) const
{
    std::vector<SermonNodePtr> result;
    SermonNodePtr top = root();
    if (ids.isEmpty() || !top)
        return result;
    // One preorder walk that knows whether a selected node lies above the current one.
    std::vector<std::pair<SermonNode*, bool>> stack { { top.get(), false } };
    while (!stack.empty()) {
        auto [node, underSelected] = stack.back();
        stack.pop_back();
        const bool selected = ids.contains(node->id());
        if (selected && !underSelected)
            result.push_back(node->shared_from_this());
        const auto& children = node->children();
        for (auto it = children.rbegin(); it != children.rend(); ++it)
            stack.emplace_back(it->get(), underSelected || selected);
    }
    return result;
}

QList<QUuid> DocumentController::topLevelIDs(const QList<QUuid>& ids, const QSet<QUuid>& set) const
{
    // The nodes of the tree that lie below a member of the set.
    QSet<QUuid> covered;
    if (SermonNodePtr top = root(); top && !set.isEmpty()) {
        std::vector<std::pair<SermonNode*, bool>> stack { { top.get(), false } };
        while (!stack.empty()) {
            auto [node, underSelected] = stack.back();
            stack.pop_back();
            if (underSelected)
                covered.insert(node->id());
            const bool below = underSelected || set.contains(node->id());
            for (const auto& child : node->children())
                stack.emplace_back(child.get(), below);
        }
    }
    QList<QUuid> result;
    for (const auto& id : ids) {
        if (!covered.contains(id))
            result.append(id);
    }
    return result;
}

std::optional<SiblingSelectionContext> DocumentController::siblingSelectionContext() const
{
    const QSet<QUuid> ids = effectiveSelection();
    SermonNodePtr top = root();
    if (ids.isEmpty() || !top || ids.contains(top->id()))
        return std::nullopt;
    std::vector<SermonNodePtr> nodes = topLevelSelectedNodes();
    if (nodes.empty())
        return std::nullopt;

    SermonNodePtr parent = top->findParent(nodes.front()->id());
    if (!parent)
        return std::nullopt;
    QSet<QUuid> group;
    group.reserve(static_cast<qsizetype>(nodes.size()));
    for (const auto& node : nodes)
        group.insert(node->id());
    // One pass over the parent's children: the group shares that parent exactly when every
    // member is found among them (ids are unique in the tree).
    const auto& children = parent->children();
    const auto count = static_cast<qint64>(children.size());
    qint64 first = -1;
    qint64 last = -1;
    qsizetype found = 0;
    for (qint64 i = 0; i < count; ++i) {
        if (group.contains(children[static_cast<size_t>(i)]->id())) {
            if (first < 0)
                first = i;
            last = i;
            ++found;
        }
    }
    if (found != group.size())
        return std::nullopt;
    return SiblingSelectionContext { std::move(parent), std::move(nodes), first, last };
}

void DocumentController::detachNodes(const std::vector<SermonNodePtr>& nodes)
{
    SermonNodePtr top = root();
    if (!top || nodes.empty())
        return;
    // One parent index and one pass per parent instead of a search from the root and a
    // pass over the siblings for every node. A node counts as it would one by one: it is
    // skipped when it is not in the tree, or no longer is because it or an ancestor was
    // detached before its turn.
    SermonNodeMap parents;
    indexParentsByChildID(top, parents);
    QSet<QUuid> detached;
    QHash<SermonNode*, QSet<QUuid>> removals;
    for (const auto& node : nodes) {
        const SermonNodePtr parent = parents.value(node->id());
        if (!parent || detached.contains(node->id()))
            continue;
        bool inTree = true;
        for (SermonNode* above = parent.get(); above && inTree; above = parents.value(above->id()).get())
            inTree = !detached.contains(above->id());
        if (!inTree)
            continue;
        detached.insert(node->id());
        removals[parent.get()].insert(node->id());
    }
    removeChildren(removals);
}

void DocumentController::insertNodes(const std::vector<SermonNodePtr>& nodes, const SermonNodePtr& parent, qint64 index)
{
    if (nodes.empty() || !parent)
        return;
    auto& children = parent->mutableChildren();
    const qint64 position = std::clamp<qint64>(index, 0, static_cast<qint64>(children.size()));
    children.insert(children.begin() + position, nodes.begin(), nodes.end());
    for (const auto& node : nodes)
        node->setDepthRecursively(parent->depth() + 1);
}

QList<QUuid> DocumentController::subtreeIDs(const SermonNodePtr& node)
{
    QList<QUuid> ids;
    if (!node)
        return ids;
    for (const auto& each : node->allNodes())
        ids.append(each->id());
    return ids;
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

// --- Editing fields -----------------------------------------------------------------------

bool DocumentController::setEditingNodeID(const std::optional<QUuid>& id)
{
    if (m_editingNodeID == id)
        return false;
    m_editingNodeID = id;
    Q_EMIT editingNodeIDChanged();
    return true;
}

bool DocumentController::setEditingText(const QString& text)
{
    if (m_editingText == text)
        return false;
    m_editingText = text;
    Q_EMIT editingTextChanged();
    return true;
}

bool DocumentController::setEditingIsNew(bool isNew)
{
    if (m_editingIsNew == isNew)
        return false;
    m_editingIsNew = isNew;
    Q_EMIT editingIsNewChanged();
    return true;
}

// --- New nodes and editing start ----------------------------------------------------------

void DocumentController::beginEditing()
{
    SermonNodePtr node = findNode(m_selectedNodeID);
    if (!node)
        return;
    setEditingText(node->text());
    setEditingNodeID(node->id());
    setEditingIsNew(false);
}

void DocumentController::addChild()
{
    SermonNodePtr node = findNode(m_selectedNodeID);
    if (!node || node->isQuote())
        return;
    recordUndo();
    SermonNodePtr child = node->addChild(QString());
    announceTreeMutation();
    startEditingNewNode(child);
}

void DocumentController::addSiblingAfter()
{
    addSibling(true);
}

void DocumentController::addSiblingBefore()
{
    addSibling(false);
}

void DocumentController::addSibling(bool after)
{
    SermonNodePtr top = root();
    if (!m_selectedNodeID || !top || *m_selectedNodeID == top->id())
        return;
    // Recorded before the insertion is known to succeed: a stale selection still leaves
    // this step, as New Line Below and Above always have.
    recordUndo();
    SermonNodePtr sibling = after ? top->insertSibling(*m_selectedNodeID, QString())
                                  : top->insertSiblingBefore(*m_selectedNodeID, QString());
    if (!sibling)
        return;
    announceTreeMutation();
    startEditingNewNode(sibling);
}

void DocumentController::startEditingNewNode(const SermonNodePtr& node)
{
    selectSingleNode(node->id());
    setEditingText(QString());
    setEditingNodeID(node->id());
    setEditingIsNew(true);
}

// --- Clipboard and deletion ---------------------------------------------------------------

void DocumentController::copy()
{
    const std::vector<SermonNodePtr> nodes = topLevelSelectedNodes();
    if (nodes.empty() || !m_clipboard)
        return;
    m_clipboard->setText(textsOf(nodes).join(u'\n'));
}

void DocumentController::cut()
{
    const QSet<QUuid> ids = effectiveSelection();
    SermonNodePtr top = root();
    // Without a clipboard a cut would only delete.
    if (ids.isEmpty() || !top || ids.contains(top->id()) || !m_clipboard)
        return;
    copy();
    deleteSelection();
}

void DocumentController::paste()
{
    SermonNodePtr target = findNode(m_selectedNodeID);
    if (!target || target->isQuote() || !m_clipboard)
        return;
    const std::optional<QString> text = m_clipboard->text();
    if (!text || isBlank(*text))
        return;
    std::vector<SermonNodePtr> nodes = MarkdownCodec::parsePastedMarkdown(*text, target->depth());
    if (nodes.empty())
        return;

    recordUndo();
    for (const auto& node : nodes)
        target->appendChild(node);
    target->setCollapsed(false);
    announceTreeMutation();

    const QUuid first = nodes.front()->id();
    selectSingleNode(first);
    if (m_onSelectionRequestVisible)
        m_onSelectionRequestVisible(first);
}

void DocumentController::deleteSelection()
{
    const QSet<QUuid> ids = effectiveSelection();
    SermonNodePtr top = root();
    if (ids.isEmpty() || !top || ids.contains(top->id()))
        return;
    // Only branches without a selected ancestor are removed; their last one in document
    // order is where the next selection is sought, so it can never fall inside a removed
    // branch.
    const std::vector<SermonNodePtr> branches = topLevelNodes(ids);
    if (branches.empty())
        return;

    recordUndo();

    // The branches are disjoint: removing one never moves another, so one parent index
    // serves every removal.
    SermonNodeMap parents;
    indexParentsByChildID(top, parents);

    const QUuid reference = branches.back()->id();
    QUuid next = top->id();
    if (SermonNodePtr parent = parents.value(reference)) {
        const auto& children = parent->children();
        const qint64 i = parent->indexOfChild(reference);
        const auto count = static_cast<qint64>(children.size());
        std::optional<QUuid> found;
        for (qint64 k = i + 1; k < count && !found; ++k) {
            if (!ids.contains(children[static_cast<size_t>(k)]->id()))
                found = children[static_cast<size_t>(k)]->id();
        }
        for (qint64 k = i - 1; k >= 0 && !found; --k) {
            if (!ids.contains(children[static_cast<size_t>(k)]->id()))
                found = children[static_cast<size_t>(k)]->id();
        }
        next = found.value_or(parent->id());
    }

    QHash<SermonNode*, QSet<QUuid>> removals;
    for (const auto& branch : branches) {
        if (const SermonNodePtr parent = parents.value(branch->id()))
            removals[parent.get()].insert(branch->id());
    }
    removeChildren(removals);
    announceTreeMutation();
    selectSingleNode(next);
}

// --- Structural moves and folding ---------------------------------------------------------

void DocumentController::promote()
{
    const std::optional<SiblingSelectionContext> context = siblingSelectionContext();
    SermonNodePtr top = root();
    if (!context || context->parent == top)
        return;
    SermonNodePtr grandparent = top->findParent(context->parent->id());
    if (!grandparent)
        return;
    const qint64 parentIndex = grandparent->indexOfChild(context->parent->id());
    if (parentIndex < 0)
        return;

    recordUndo();
    detachNodes(context->nodes);
    insertNodes(context->nodes, grandparent, parentIndex + 1);
    announceTreeMutation();
}

void DocumentController::demote()
{
    const std::optional<SiblingSelectionContext> context = siblingSelectionContext();
    if (!context)
        return;
    const auto& siblings = context->parent->children();
    const auto count = static_cast<qint64>(siblings.size());
    SermonNodePtr target;
    qint64 index = 0;
    if (context->firstIndex > 0) {
        target = siblings[static_cast<size_t>(context->firstIndex - 1)];
        index = static_cast<qint64>(target->children().size());
    } else {
        if (context->lastIndex + 1 >= count)
            return;
        target = siblings[static_cast<size_t>(context->lastIndex + 1)];
        index = 0;
    }
    if (target->isQuote())
        return;

    recordUndo();
    detachNodes(context->nodes);
    insertNodes(context->nodes, target, index);
    announceTreeMutation();
}

void DocumentController::moveSelection(bool down)
{
    const std::optional<SiblingSelectionContext> context = siblingSelectionContext();
    if (!context)
        return;
    auto& siblings = context->parent->mutableChildren();
    const auto count = static_cast<qint64>(siblings.size());
    if (down ? context->lastIndex + 1 >= count : context->firstIndex == 0)
        return;

    recordUndo();
    // The neighbour trades sides with the group; the group's own members keep their order.
    const qint64 from = down ? context->lastIndex + 1 : context->firstIndex - 1;
    const qint64 to = down ? context->firstIndex : context->lastIndex;
    SermonNodePtr neighbour = siblings[static_cast<size_t>(from)];
    siblings.erase(siblings.begin() + from);
    context->parent->insertChild(to, std::move(neighbour));
    announceTreeMutation();
}

void DocumentController::fold()
{
    setFolded(true);
}

void DocumentController::unfold()
{
    setFolded(false);
}

void DocumentController::setFolded(bool folded)
{
    std::vector<SermonNodePtr> nodes = selectedNodes();
    std::erase_if(nodes, [](const SermonNodePtr& node) { return !node->hasChildren(); });
    if (nodes.empty())
        return;
    // Recorded even when every node already has the wanted state, like the other fold
    // commands of the canvas expect.
    recordUndo();
    for (const auto& node : nodes)
        node->setCollapsed(folded);
    announceTreeMutation();
}

// --- Search -------------------------------------------------------------------------------

bool DocumentController::setSearching(bool searching)
{
    if (m_isSearching == searching)
        return false;
    m_isSearching = searching;
    Q_EMIT isSearchingChanged();
    return true;
}

bool DocumentController::setSearchQuery(const QString& query)
{
    if (m_searchQuery == query)
        return false;
    m_searchQuery = query;
    Q_EMIT searchQueryChanged();
    return true;
}

bool DocumentController::setSearchMatches(const QList<QUuid>& matches)
{
    if (m_searchMatches == matches)
        return false;
    m_searchMatches = matches;
    Q_EMIT searchMatchesChanged();
    return true;
}

bool DocumentController::setSearchMatchSet(const QSet<QUuid>& matches)
{
    if (m_searchMatchSet == matches)
        return false;
    m_searchMatchSet = matches;
    Q_EMIT searchMatchSetChanged();
    return true;
}

bool DocumentController::setCurrentMatchIndex(qint64 index)
{
    if (m_currentMatchIndex == index)
        return false;
    m_currentMatchIndex = index;
    Q_EMIT currentMatchIndexChanged();
    return true;
}

bool DocumentController::setAutoExpandedNodeIDs(const QSet<QUuid>& ids)
{
    if (m_autoExpandedNodeIDs == ids)
        return false;
    m_autoExpandedNodeIDs = ids;
    Q_EMIT autoExpandedNodeIDsChanged();
    return true;
}

bool DocumentController::setSavedCollapsedState(const QHash<QUuid, bool>& state)
{
    if (m_savedCollapsedState == state)
        return false;
    m_savedCollapsedState = state;
    Q_EMIT savedCollapsedStateChanged();
    return true;
}

void DocumentController::updateSearch()
{
    const QList<QUuid> previous = m_searchMatches;
    QList<QUuid> matches;
    if (!m_searchQuery.isEmpty())
        SearchMatching::collectMatches(root(), SearchMatching::searchKey(m_searchQuery), matches);
    setSearchMatches(matches);
    setSearchMatchSet(QSet<QUuid>(matches.begin(), matches.end()));

    if (matches.isEmpty()) {
        setCurrentMatchIndex(0);
        restoreAutoExpanded();
        return;
    }
    // Stay on the match the user was looking at when it still matches.
    qint64 index = 0;
    if (m_currentMatchIndex >= 0 && m_currentMatchIndex < previous.size())
        index = std::max<qint64>(matches.indexOf(previous[m_currentMatchIndex]), 0);
    setCurrentMatchIndex(index);
    autoExpandMatchAncestors();
    announceTreeMutation();
    if (m_onSelectionRequestVisible)
        m_onSelectionRequestVisible(m_searchMatches[m_currentMatchIndex]);
}

void DocumentController::autoExpandMatchAncestors()
{
    SermonNodePtr top = root();
    if (!top)
        return;
    QSet<QUuid> toOpen;
    SearchMatching::collectCollapsedAncestorsOfMatches(top, {}, m_searchMatchSet, toOpen);
    if (toOpen.isEmpty())
        return;
    QHash<QUuid, bool> saved = m_savedCollapsedState;
    for (const auto& id : std::as_const(toOpen)) {
        if (!saved.contains(id))
            saved.insert(id, true);
    }
    setSavedCollapsedState(saved);
    SermonNodeMap index;
    indexNodesByID(top, index);
    for (const auto& id : std::as_const(toOpen)) {
        if (SermonNodePtr node = index.value(id))
            node->setCollapsed(false);
    }
    setAutoExpandedNodeIDs(m_autoExpandedNodeIDs | toOpen);
}

void DocumentController::restoreAutoExpanded()
{
    if (SermonNodePtr top = root(); top && !m_savedCollapsedState.isEmpty()) {
        SermonNodeMap index;
        indexNodesByID(top, index);
        for (auto it = m_savedCollapsedState.cbegin(); it != m_savedCollapsedState.cend(); ++it) {
            SermonNodePtr node = index.value(it.key());
            if (it.value() && node)
                node->setCollapsed(true);
        }
    }
    setSavedCollapsedState({});
    setAutoExpandedNodeIDs({});
    announceTreeMutation();
}

void DocumentController::nextMatch(bool forward)
{
    const auto count = static_cast<qint64>(m_searchMatches.size());
    if (count == 0)
        return;
    const qint64 current = std::clamp<qint64>(m_currentMatchIndex, 0, count - 1);
    setCurrentMatchIndex(forward ? (current + 1) % count : (current - 1 + count) % count);
    if (m_onSelectionRequestVisible)
        m_onSelectionRequestVisible(m_searchMatches[m_currentMatchIndex]);
}

void DocumentController::endSearch()
{
    setSearching(false);
    setSearchQuery(QString());
    setSearchMatches({});
    setSearchMatchSet({});
    setCurrentMatchIndex(0);
    restoreAutoExpanded();
    if (m_onRequestCanvasFocus)
        m_onRequestCanvasFocus();
}

std::optional<SearchHighlight> DocumentController::searchHighlight(const QUuid& id) const
{
    if (!m_isSearching || m_searchQuery.isEmpty() || !m_searchMatchSet.contains(id))
        return std::nullopt;
    SermonNodePtr node = findNode(id);
    SearchHighlight highlight;
    highlight.ranges = SearchMatching::matchRanges(node ? node->text() : QString(), m_searchQuery);
    highlight.isCurrent = m_currentMatchIndex >= 0 && m_currentMatchIndex < m_searchMatches.size()
        && m_searchMatches[m_currentMatchIndex] == id;
    return highlight;
}

// --- Split, join and copy branch ----------------------------------------------------------

void DocumentController::copyBranch()
{
    const std::vector<SermonNodePtr> nodes = topLevelSelectedNodes();
    if (nodes.empty() || !m_clipboard)
        return;
    QStringList pieces;
    for (const auto& node : nodes) {
        if (node->hasChildren()) {
            QStringList lines;
            MarkdownCodec::writeNodeTree(node, 0, lines, true);
            pieces.append(lines.join(u'\n'));
        } else if (node->isQuote()) {
            QStringList lines = node->text().split(u'\n');
            for (auto& line : lines)
                line.prepend(QStringLiteral("> "));
            pieces.append(lines.join(u'\n'));
        } else {
            pieces.append(node->text());
        }
    }
    m_clipboard->setText(pieces.join(u'\n'));
}

bool DocumentController::isNewline(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 0x0A && u <= 0x0D) || u == 0x85 || u == 0x2028 || u == 0x2029;
}

void DocumentController::splitLines()
{
    splitSelectedLeaves(&lineParts, false);
}

void DocumentController::splitSentences()
{
    splitSelectedLeaves(&sentenceParts, true);
}

void DocumentController::splitSelectedLeaves(QStringList (*parts)(const QString&), bool recordBeforeLooking)
{
    const QSet<QUuid> ids = effectiveSelection();
    SermonNodePtr top = root();
    if (ids.isEmpty() || !top)
        return;
    // Split Sentences keeps its step even when no node turns out to split.
    bool recorded = recordBeforeLooking;
    if (recordBeforeLooking)
        recordUndo();

    SermonNodeMap nodes;
    SermonNodeMap parents;
    indexNodesByID(top, nodes);
    indexParentsByChildID(top, parents);
    // The pieces of every node that splits are gathered first; then each parent's children
    // are rebuilt in one pass, the pieces standing in their node's place.
    QHash<SermonNode*, QHash<QUuid, QStringList>> splits;
    for (const auto& id : ids) {
        SermonNodePtr node = nodes.value(id);
        if (!node || node->hasChildren() || node == top)
            continue;
        SermonNodePtr parent = parents.value(id);
        if (!parent)
            continue;
        QStringList pieces = parts(node->text());
        if (pieces.size() < 2)
            continue;
        splits[parent.get()].insert(id, std::move(pieces));
    }
    if (splits.isEmpty())
        return;
    if (!recorded)
        recordUndo();

    QSet<QUuid> created;
    // The anchor stays, so that Shift and an arrow extend from it as before; when its own
    // node was split, its first piece stands in for it.
    std::optional<QUuid> anchor = m_selectionAnchorID;
    for (auto it = splits.cbegin(); it != splits.cend(); ++it) {
        const auto& children = it.key()->children();
        std::vector<SermonNodePtr> rebuilt;
        rebuilt.reserve(children.size());
        for (const SermonNodePtr& child : children) {
            const auto found = it.value().constFind(child->id());
            if (found == it.value().cend()) {
                rebuilt.push_back(child);
                continue;
            }
            for (const QString& text : *found) {
                SermonNodePtr piece = SermonNode::create(text, child->depth());
                piece->setQuote(child->isQuote());
                if (anchor == child->id())
                    anchor = piece->id();
                created.insert(piece->id());
                rebuilt.push_back(std::move(piece));
            }
        }
        it.key()->mutableChildren() = std::move(rebuilt);
    }
    announceTreeMutation();
    setSelection(created, firstInDocumentOrder(created), anchor);
}

void DocumentController::join()
{
    const QSet<QUuid> ids = effectiveSelection();
    SermonNodePtr top = root();
    if (ids.size() < 2 || !top)
        return;
    auto joinable = [&](const SermonNodePtr& child) { return ids.contains(child->id()) && !child->hasChildren(); };

    bool recorded = false;
    QSet<QUuid> joined;
    // Every parent, in document order; removed members are leaves, so the list stays valid.
    for (const auto& parent : top->allNodes()) {
        auto& children = parent->mutableChildren();
        for (size_t i = 0; i < children.size(); ++i) {
            if (!joinable(children[i]))
                continue;
            size_t end = i + 1;
            while (end < children.size() && joinable(children[end]))
                ++end;
            if (end - i < 2)
                continue;
            if (!recorded) {
                recordUndo();
                recorded = true;
            }
            QStringList texts;
            bool allQuotes = true;
            for (size_t k = i; k < end; ++k) {
                texts.append(children[k]->text());
                allQuotes = allQuotes && children[k]->isQuote();
            }
            const SermonNodePtr& first = children[i];
            first->setText(texts.join(QChar(0x2028)));
            first->setQuote(allQuotes);
            joined.insert(first->id());
            children.erase(
                children.begin() + static_cast<qsizetype>(i) + 1, children.begin() + static_cast<qsizetype>(end));
        }
    }
    if (joined.isEmpty())
        return;
    announceTreeMutation();
    selectSingleNode(firstInDocumentOrder(joined));
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
