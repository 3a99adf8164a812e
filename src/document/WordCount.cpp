#include "document/WordCount.h"

#include <algorithm>
#include <cmath>

namespace kestrion {

namespace {

// Whole minutes from a double, saturating instead of overflowing on absurd inputs.
qint64 toMinutes(double minutes)
{
    constexpr double largest = 9.0e18;
    return static_cast<qint64>(std::min(minutes, largest));
}

inline bool isWhiteSpace(char16_t c)
{
    // The White_Space property, listed rather than derived from a category so that it
    // cannot drift with the Unicode tables. Every such character is in the BMP.
    if (c < 0x80) {
        // Tab to carriage return, and space, as bits of one mask: no branch per character.
        constexpr quint64 asciiWhiteSpace = (quint64(1) << 0x20) | (quint64(0x1F) << 0x09);
        return (c < 0x40) & static_cast<bool>((asciiWhiteSpace >> (c & 0x3F)) & 1);
    }
    switch (c) {
    case 0x0085:
    case 0x00A0:
    case 0x1680:
    case 0x2028:
    case 0x2029:
    case 0x202F:
    case 0x205F:
    case 0x3000:
        return true;
    default:
        return c >= 0x2000 && c <= 0x200A;
    }
}

} // namespace

bool isWordSeparator(char16_t c)
{
    return isWhiteSpace(c);
}

qint64 countWords(QStringView text)
{
    qint64 words = 0;
    bool inWord = false;
    const char16_t* const end = text.utf16() + text.size();
    for (const char16_t* c = text.utf16(); c != end; ++c) {
        const bool separator = isWhiteSpace(*c);
        words += static_cast<qint64>(!separator && !inWord);
        inWord = !separator;
    }
    return words;
}

qint64 wordCount(const SermonNodePtr& node)
{
    if (!node)
        return 0;
    qint64 words = 0;
    std::vector<const SermonNode*> stack { node.get() };
    while (!stack.empty()) {
        const SermonNode* current = stack.back();
        stack.pop_back();
        words += countWords(current->text());
        for (const auto& child : current->children())
            stack.push_back(child.get());
    }
    return words;
}

void collectLeafWordCounts(const SermonNodePtr& node, std::vector<QUuid>& ids, std::vector<qint64>& counts)
{
    if (!node)
        return;
    std::vector<const SermonNode*> stack { node.get() };
    while (!stack.empty()) {
        const SermonNode* current = stack.back();
        stack.pop_back();
        if (!current->hasChildren()) {
            ids.push_back(current->id());
            counts.push_back(countWords(current->text()));
            continue;
        }
        for (auto it = current->children().rbegin(); it != current->children().rend(); ++it)
            stack.push_back(it->get());
    }
}

std::vector<double> movingAverage(const std::vector<qint64>& counts, qsizetype radius)
{
    const auto n = static_cast<qsizetype>(counts.size());
    radius = std::max<qsizetype>(radius, 0);
    // Prefix sums of whole counts are exact, so each mean is the window's sum over its
    // length with a single rounding.
    std::vector<qint64> prefix(counts.size() + 1, 0);
    for (qsizetype i = 0; i < n; ++i)
        prefix[i + 1] = prefix[i] + counts[i];
    std::vector<double> result;
    result.reserve(counts.size());
    for (qsizetype i = 0; i < n; ++i) {
        const qsizetype low = std::max<qsizetype>(0, i - radius);
        const qsizetype high = std::min<qsizetype>(n - 1, i + radius);
        const qint64 sum = prefix[high + 1] - prefix[low];
        result.push_back(static_cast<double>(sum) / static_cast<double>(high - low + 1));
    }
    return result;
}

std::vector<NodeWordFraction> wordFractions(const SermonNodePtr& root)
{
    const qint64 total = wordCount(root);
    if (total < 1)
        return {};
    std::vector<QUuid> ids;
    std::vector<qint64> counts;
    collectLeafWordCounts(root, ids, counts);
    return wordFractions(ids, counts, total);
}

std::vector<NodeWordFraction> wordFractions(
    const std::vector<QUuid>& ids, const std::vector<qint64>& counts, qint64 totalWords)
{
    if (totalWords < 1)
        return {};
    const std::vector<double> smoothed = movingAverage(counts, 5);
    if (smoothed.empty())
        return {};
    double total = 0.0;
    for (const double value : smoothed)
        total += value;
    if (!(total > 0.0))
        return {};

    std::vector<NodeWordFraction> fractions;
    fractions.reserve(ids.size());
    double sum = 0.0;
    for (size_t i = 0; i < ids.size(); ++i) {
        const double start = fractions.empty() ? 0.0 : fractions.back().endFraction;
        sum += smoothed[i];
        fractions.push_back({ ids[i], start, std::min(sum / total, 1.0) });
    }
    // Delivery maps the end of the sermon to the end of the last leaf: no rounding residue.
    fractions.back().endFraction = 1.0;
    return fractions;
}

qint64 roundedDurationMinutes(qint64 words, qint64 wordsPerMinute)
{
    if (wordsPerMinute < 1)
        return 5;
    const double steps = std::ceil(static_cast<double>(words) / static_cast<double>(wordsPerMinute) / 5.0);
    return std::max<qint64>(toMinutes(steps * 5.0), 5);
}

qint64 estimatedDurationMinutes(qint64 words, qint64 wordsPerMinute)
{
    return std::min(roundedDurationMinutes(words, wordsPerMinute), maxPlannedMinutes);
}

qint64 plannedDurationMinutes(qint64 storedMinutes)
{
    return std::clamp<qint64>(storedMinutes, 1, maxPlannedMinutes);
}

qint64 readingMinutes(qint64 words, qint64 wordsPerMinute)
{
    const qint64 pace = std::max<qint64>(wordsPerMinute, 1);
    return std::max<qint64>(toMinutes(std::ceil(static_cast<double>(words) / static_cast<double>(pace))), 1);
}

} // namespace kestrion
