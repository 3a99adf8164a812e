#pragma once

#include "document/MatchRange.h"
#include "document/SermonNode.h"

#include <QList>
#include <QSet>
#include <QString>
#include <QUuid>

namespace kestrion {

// The text walks of the find bar. Matching ignores case with the full Unicode lowercase
// mapping and compares NFC forms, so a composed and a decomposed letter match each other; the
// Greek sigma matches in any of its three forms.
// Every walk is iterative: outlines may nest very deeply.
class SearchMatching {
public:
    // The form a text and a query are compared in: NFC, lowercased with the final sigma as
    // the medial one, NFC again (lowercasing can leave a sequence that composes).
    static QString searchKey(const QString& text);

    // Appends, in preorder (collapsed subtrees included), the id of every node whose
    // searchKey contains key. key is a searchKey already; an empty key matches nothing.
    static void collectMatches(const SermonNodePtr& node, const QString& key, QList<QUuid>& result);

    // Inserts the id of every collapsed node that is an ancestor of a node in matchSet.
    // path holds the ancestors of node, outermost first.
    static void collectCollapsedAncestorsOfMatches(
        const SermonNodePtr& node, const QList<SermonNodePtr>& path, const QSet<QUuid>& matchSet, QSet<QUuid>& result);

    // The non-overlapping occurrences of query in text, in order, as ranges of the text's
    // own grapheme clusters. Never reaches past the end of the text, also where lowercasing
    // changes a character's length.
    static QList<MatchRange> matchRanges(const QString& text, const QString& query);
};

} // namespace kestrion
