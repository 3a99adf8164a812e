#pragma once

#include "document/NodeWordFraction.h"
#include "document/SermonNode.h"

#include <QString>
#include <QStringView>
#include <QUuid>

#include <vector>

namespace kestrion {

// Words are maximal runs of characters without the Unicode White_Space property; U+2028,
// the in-node line break, separates words like a space. Punctuation, digits, dashes and
// emoji are word characters. Nothing here keeps state; every call walks the tree.

bool isWordSeparator(char16_t c);
// Words of one text.
qint64 countWords(QStringView text);
// Words of the node's text and of its whole subtree, collapsed branches included.
qint64 wordCount(const SermonNodePtr& node);

// The leaves in document order with the words of their own texts. A node without children
// is its own one leaf.
void collectLeafWordCounts(const SermonNodePtr& node, std::vector<QUuid>& ids, std::vector<qint64>& counts);
// Centred mean over up to 2 * radius + 1 values, the window clipped at both ends.
std::vector<double> movingAverage(const std::vector<qint64>& counts, qsizetype radius);
// One record per leaf in document order: each starts where the previous ends, the first
// at 0 and the last at exactly 1. Empty when the sermon has no words or none in its leaves.
std::vector<NodeWordFraction> wordFractions(const SermonNodePtr& root);
// The same from the leaves' ids and word counts in document order and the words of the whole
// tree, for a walk that counted them already.
std::vector<NodeWordFraction> wordFractions(
    const std::vector<QUuid>& leafIDs, const std::vector<qint64>& leafWords, qint64 totalWords);

// A default planned duration: a multiple of 5 minutes, at least 5; 5 when the pace is
// below 1 word per minute.
qint64 roundedDurationMinutes(qint64 words, qint64 wordsPerMinute);
// The longest duration a sermon is planned with: a day.
inline constexpr qint64 maxPlannedMinutes = 1440;
// The duration a sermon that states none is planned with: roundedDurationMinutes, no longer
// than maxPlannedMinutes. Delivery counts down from it and the details sheets show it, so the
// two always agree.
qint64 estimatedDurationMinutes(qint64 words, qint64 wordsPerMinute);
// The minutes a stored duration is counted down as: within 1 to maxPlannedMinutes.
qint64 plannedDurationMinutes(qint64 storedMinutes);
// Reading time for the status displays: ceil(words / pace), at least 1. A stored pace below
// 1 reads as 1, so it can never divide by zero.
qint64 readingMinutes(qint64 words, qint64 wordsPerMinute);

} // namespace kestrion
