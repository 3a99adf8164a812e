#include "document/DocumentController.h"

#include "document/SearchMatching.h"
#include "document/SermonDocument.h"

#include <algorithm>
#include <utility>

namespace kestrion {

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
    // The branches this search opened stay folded in what is written.
    if (m_document)
        m_document->setPassingUnfolds(this, searchOpenedIDs());
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

QSet<QUuid> DocumentController::searchOpenedIDs() const
{
    QSet<QUuid> ids;
    for (auto it = m_savedCollapsedState.cbegin(); it != m_savedCollapsedState.cend(); ++it) {
        if (it.value())
            ids.insert(it.key());
    }
    return ids;
}

void DocumentController::refoldSearchOpened()
{
    setCollapsedWhere(root(), searchOpenedIDs(), true);
}

void DocumentController::restoreAutoExpanded()
{
    refoldSearchOpened();
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

} // namespace kestrion
