#include "document/SearchMatching.h"

#include <QTextBoundaryFinder>

#include <algorithm>
#include <utility>
#include <vector>

namespace kestrion {

QString SearchMatching::searchKey(const QString& text)
{
    QString key = text.normalized(QString::NormalizationForm_C).toLower();
    // Lowercasing gives a capital sigma as the medial form also where the word is written with
    // the final one: both small forms are one letter here. One unit for one, so the offsets
    // of the text stay as they are.
    key.replace(QChar(u'\u03c2'), QChar(u'\u03c3'));
    return key.normalized(QString::NormalizationForm_C);
}

void SearchMatching::collectMatches(const SermonNodePtr& node, const QString& key, QList<QUuid>& result)
{
    if (!node || key.isEmpty())
        return;
    std::vector<SermonNode*> stack { node.get() };
    while (!stack.empty()) {
        SermonNode* current = stack.back();
        stack.pop_back();
        if (searchKey(current->text()).contains(key))
            result.append(current->id());
        const auto& children = current->children();
        for (auto it = children.rbegin(); it != children.rend(); ++it)
            stack.push_back(it->get());
    }
}

void SearchMatching::collectCollapsedAncestorsOfMatches(
    const SermonNodePtr& node, const QList<SermonNodePtr>& path, const QSet<QUuid>& matchSet, QSet<QUuid>& result)
{
    if (!node)
        return;
    // The collapsed ancestors of the node being visited, as a stack that follows the walk:
    // an entry records how many of them lie above each pending node.
    QList<QUuid> collapsedPath;
    for (const auto& ancestor : path) {
        if (ancestor && ancestor->isCollapsed())
            collapsedPath.append(ancestor->id());
    }
    // How many entries of collapsedPath, from the top, are in result already: a match below
    // another one adds only the ancestors between them, so a deep chain of matches inside
    // folded nodes costs one insertion per node rather than one per node and ancestor.
    qsizetype inserted = 0;
    std::vector<std::pair<SermonNode*, qsizetype>> stack { { node.get(), collapsedPath.size() } };
    while (!stack.empty()) {
        auto [current, collapsedAbove] = stack.back();
        stack.pop_back();
        collapsedPath.resize(collapsedAbove);
        inserted = std::min(inserted, collapsedAbove);
        if (matchSet.contains(current->id())) {
            for (; inserted < collapsedPath.size(); ++inserted)
                result.insert(collapsedPath[inserted]);
        }
        const qsizetype forChildren = collapsedAbove + (current->isCollapsed() ? 1 : 0);
        if (current->isCollapsed())
            collapsedPath.append(current->id());
        const auto& children = current->children();
        for (auto it = children.rbegin(); it != children.rend(); ++it)
            stack.emplace_back(it->get(), forChildren);
    }
}

QList<MatchRange> SearchMatching::matchRanges(const QString& text, const QString& query)
{
    QList<MatchRange> ranges;
    const QString key = searchKey(query);
    if (key.isEmpty() || text.isEmpty())
        return ranges;

    // Fold the text cluster by cluster and remember, for every code unit of the folded text,
    // the cluster of the original text it came from.
    QString folded;
    std::vector<qsizetype> clusterOfUnit;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype start = 0;
    qsizetype cluster = 0;
    for (qsizetype end = finder.toNextBoundary(); end != -1; end = finder.toNextBoundary()) {
        if (end <= start)
            continue;
        const QString piece = searchKey(text.mid(start, end - start));
        folded += piece;
        clusterOfUnit.insert(clusterOfUnit.end(), static_cast<size_t>(piece.size()), cluster);
        ++cluster;
        start = end;
    }

    qsizetype from = 0;
    while (from < folded.size()) {
        const qsizetype at = folded.indexOf(key, from);
        if (at < 0)
            break;
        const qsizetype endUnit = at + key.size();
        const qsizetype lower = clusterOfUnit[static_cast<size_t>(at)];
        const qsizetype upper = clusterOfUnit[static_cast<size_t>(endUnit - 1)] + 1;
        // Two occurrences inside one folded cluster widen the range before them.
        if (!ranges.isEmpty() && lower < ranges.last().upper)
            ranges.last().upper = std::max(ranges.last().upper, upper);
        else
            ranges.append({ lower, upper });
        from = endUnit;
    }
    return ranges;
}

} // namespace kestrion
