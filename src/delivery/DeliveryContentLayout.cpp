#include "delivery/DeliveryContentLayout.h"

#include "delivery/DeliveryFonts.h"
#include "delivery/DeliveryMeasures.h"
#include "delivery/DeliveryText.h"
#include "delivery/DeliveryTimer.h"
#include "document/WordCount.h"
#include "platform/EmojiText.h"
#include "platform/ParallelPieces.h"
#include "platform/Typography.h"

#include <QCoreApplication>
#include <QFontMetricsF>
#include <QLocale>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <memory>
#include <optional>

namespace kestrion {

namespace {

constexpr double quoteIndent = 20;
constexpr double missing = std::numeric_limits<double>::quiet_NaN();
// Below this many nodes the page is measured on this thread alone; above, in pieces of this
// many on the worker threads too.
constexpr qsizetype parallelMeasuringThreshold = 512;
constexpr qsizetype measuringPiece = 64;

// A value from a table by depth; the last entry serves every depth from 4 on.
double byDepth(const std::array<double, 5>& table, qint64 depth)
{
    return table[static_cast<std::size_t>(std::clamp<qint64>(depth, 0, 4))];
}

double finiteOr(double value, double fallback)
{
    return std::isfinite(value) ? value : fallback;
}

using Measure = DeliveryMeasures::Measure;

// A node as the page sets it: the root first, then its subtree in preorder, collapsed branches
// included; its depth is its place in that walk.
struct PageNode {
    const SermonNode* node = nullptr;
    qint64 depth = 0;
    bool isLeaf = false;
};

std::vector<PageNode> pageNodes(const SermonNodePtr& root)
{
    std::vector<PageNode> nodes;
    std::vector<std::pair<const SermonNode*, qint64>> stack;
    if (root)
        stack.emplace_back(root.get(), 0);
    while (!stack.empty()) {
        const auto [node, depth] = stack.back();
        stack.pop_back();
        for (auto it = node->children().rbegin(); it != node->children().rend(); ++it)
            stack.emplace_back(it->get(), depth + 1);
        nodes.push_back({ node, depth, !node->hasChildren() });
    }
    return nodes;
}

DeliveryMeasures::Key keyOf(const PageNode& page, double textWidth, double baseSize)
{
    return DeliveryMeasures::key(page.depth, page.isLeaf, page.node->isQuote(), textWidth, baseSize);
}

void measurePieces(const std::vector<PageNode>& nodes, const std::vector<std::size_t>& which, qsizetype begin,
    qsizetype end, double textWidth, DeliveryFonts& fonts, std::vector<Measure>& measured)
{
    for (qsizetype i = begin; i < end; ++i) {
        const std::size_t index = which[static_cast<std::size_t>(i)];
        const PageNode& page = nodes[index];
        measured[index] = DeliveryMeasures::measure(fonts, page.node->text(), keyOf(page, textWidth, fonts.baseSize()));
    }
}

// Every node's measure: those the kept measures hold as they are, the others measured and
// kept. Many texts are measured on the worker threads too, each with fonts of its own; the
// tree does not change meanwhile, since this thread waits.
std::vector<Measure> measurePageNodes(
    const std::vector<PageNode>& nodes, double textWidth, DeliveryFonts& fonts, DeliveryMeasures* measures)
{
    std::vector<Measure> measured(nodes.size());
    std::vector<std::size_t> missing;
    const double baseSize = fonts.baseSize();
    if (measures)
        measures->beginSweep();
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        const PageNode& page = nodes[i];
        const Measure* kept
            = measures ? measures->find(page.node->id(), page.node->text(), keyOf(page, textWidth, baseSize)) : nullptr;
        if (kept)
            measured[i] = *kept;
        else
            missing.push_back(i);
    }
    const auto count = static_cast<qsizetype>(missing.size());
    if (count < parallelMeasuringThreshold) {
        measurePieces(nodes, missing, 0, count, textWidth, fonts, measured);
    } else {
        EmojiText::emojiFamily();
        runInPieces(count, measuringPiece, [&] {
            return [&, local = std::make_shared<DeliveryFonts>(baseSize)](qsizetype begin, qsizetype end) {
                measurePieces(nodes, missing, begin, end, textWidth, *local, measured);
            };
        });
    }
    if (!measures)
        return measured;
    measures->reserve(measures->size() + count);
    for (const std::size_t i : missing) {
        const PageNode& page = nodes[i];
        measures->store(page.node->id(), page.node->text(), keyOf(page, textWidth, baseSize), measured[i]);
    }
    measures->endSweep();
    return measured;
}

// The top of the page's last line of text as drawn (a text's first baseline stands on its
// frame's top): the line's own top, or its ink where accents or an emoji reach above it; NaN
// when the page holds no text.
double topOfLastLine(const std::vector<DeliveryItem>& items, DeliveryFonts& fonts, double textWidth)
{
    const auto last
        = std::find_if(items.rbegin(), items.rend(), [](const DeliveryItem& item) { return item.hasFrame(); });
    if (last == items.rend())
        return missing;
    const DeliveryText& text
        = last->kind == DeliveryItem::Kind::Leaf ? fonts.leaf(last->isQuote) : fonts.heading(last->depth);
    const QString shown = DeliveryText::displayText(last->text);
    const double width
        = DeliveryContentLayout::measuringWidth(textWidth, last->frame.left() - DeliveryContentLayout::margin);
    const std::vector<DeliveryText::Line> lines = text.lines(shown, width);
    if (lines.empty())
        return missing;
    return last->frame.top() + std::fmin(lines.back().top, text.inkTop(shown, width, lines.size() - 1));
}

} // namespace

QFont DeliveryContentLayout::font(qint64 depth, bool isLeaf, double baseSize)
{
    if (isLeaf)
        return Typography::systemFont(baseSize, QFont::Normal, FontDesign::Serif);
    switch (depth) {
    case 0:
        return Typography::systemFont(baseSize + 13, QFont::Bold, FontDesign::Serif);
    case 1:
        return Typography::systemFont(baseSize + 5, QFont::DemiBold, FontDesign::Serif);
    case 2:
        return Typography::systemFont(baseSize + 1, QFont::Medium, FontDesign::Serif);
    case 3:
        return Typography::systemFont(baseSize - 1, QFont::Medium, FontDesign::Serif);
    default:
        return Typography::systemFont(baseSize, QFont::Normal, FontDesign::Serif);
    }
}

QFont DeliveryContentLayout::leafFont(bool isQuote, double baseSize)
{
    if (isQuote)
        return Typography::italicSystemFont(baseSize, QFont::Normal, FontDesign::Serif);
    return font(0, true, baseSize);
}

double DeliveryContentLayout::measuringWidth(double textWidth, double indent)
{
    const double width = textWidth - indent;
    return std::isfinite(width) ? std::max(width, 1.0) : 1.0;
}

double DeliveryContentLayout::headingIndent(qint64 depth)
{
    return byDepth({ 0, 0, 24, 48, 48 }, depth);
}

double DeliveryContentLayout::leafIndent(qint64 depth)
{
    return byDepth({ 0, 0, 0, 24, 48 }, depth);
}

double DeliveryContentLayout::itemIndent(qint64 depth, bool isLeaf, bool isQuote)
{
    return (isLeaf ? leafIndent(depth) : headingIndent(depth)) + (isQuote ? quoteIndent : 0);
}

double DeliveryContentLayout::spaceBeforeHeading(qint64 depth)
{
    return byDepth({ 0, 28, 16, 12, 8 }, depth);
}

double DeliveryContentLayout::spaceAfterHeading(qint64 depth)
{
    return byDepth({ 24, 12, 6, 4, 4 }, depth);
}

QString DeliveryContentLayout::minuteLabel(qint64 minutes)
{
    return QCoreApplication::translate("DeliveryContentLayout", "%1 min").arg(QLocale().toString(minutes));
}

QFont DeliveryContentLayout::minuteLabelFont()
{
    return Typography::systemFont(10);
}

double DeliveryContentLayout::minuteLabelSpacing()
{
    return 2 * QFontMetricsF(minuteLabelFont()).height();
}

DeliveryContentLayout DeliveryContentLayout::build(
    const SermonNodePtr& root, qint64 minutes, double textWidth, double baseFontSize, double lineSpacing)
{
    DeliveryFonts fonts(finiteOr(baseFontSize, defaultBaseFontSize));
    return build(root, minutes, textWidth, fonts, lineSpacing);
}

DeliveryContentLayout DeliveryContentLayout::build(const SermonNodePtr& root, qint64 minutes, double textWidth,
    DeliveryFonts& fonts, double lineSpacing, DeliveryMeasures* measures)
{
    DeliveryContentLayout layout;
    textWidth = finiteOr(textWidth, defaultTextWidth);
    const double baseFontSize = fonts.baseSize();
    lineSpacing = finiteOr(lineSpacing, 1);
    minutes = DeliveryTimer::boundedMinutes(minutes);
    const double halfExtra = (lineSpacing - 1) * baseFontSize * 0.5;

    const std::vector<PageNode> nodes = pageNodes(root);
    const std::vector<Measure> measured = measurePageNodes(nodes, textWidth, fonts, measures);

    double y = topMargin;
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        const PageNode& page = nodes[i];
        const SermonNode& node = *page.node;
        const qint64 depth = page.depth;
        const QSizeF& size = measured[i].size;
        const double x = itemIndent(depth, page.isLeaf, node.isQuote()) + margin;

        DeliveryItem item;
        item.id = node.id();
        item.depth = depth;
        item.text = node.text();
        item.isQuote = node.isQuote();
        if (page.isLeaf) {
            item.kind = DeliveryItem::Kind::Leaf;
            item.frame = QRectF(x, y + halfExtra, size.width(), size.height());
            layout.nodeYPositions.insert(item.id, item.frame.center().y());
            y = item.frame.bottom() + halfExtra;
            layout.items.push_back(std::move(item));
            continue;
        }
        item.kind = DeliveryItem::Kind::Heading;
        item.frame = QRectF(x, y + spaceBeforeHeading(depth), size.width(), size.height());
        y = item.frame.bottom();
        if (depth >= 1 && depth <= 3) {
            const double middle = item.frame.center().y();
            layout.headingYPositions.insert(item.id, middle);
            layout.headingDepths.insert(item.id, depth);
            layout.headingTexts.insert(item.id, item.text);
            layout.headings.push_back({ item.id, depth, middle, item.text });
        }
        layout.items.push_back(std::move(item));
        if (depth == 1) {
            y += dividerGap;
            DeliveryItem divider;
            divider.kind = DeliveryItem::Kind::HeadingDivider;
            divider.y = y;
            divider.width = textWidth;
            layout.items.push_back(std::move(divider));
        }
        y += spaceAfterHeading(depth);
    }
    layout.totalHeight = y + bottomMargin;
    layout.lastLineTop = topOfLastLine(layout.items, fonts, textWidth);

    // The words were counted with the measures.
    std::vector<QUuid> leafIDs;
    std::vector<qint64> leafWords;
    qint64 totalWords = 0;
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        totalWords += measured[i].words;
        if (nodes[i].isLeaf) {
            leafIDs.push_back(nodes[i].node->id());
            leafWords.push_back(measured[i].words);
        }
    }
    layout.wordFractions = kestrion::wordFractions(leafIDs, leafWords, totalWords);
    layout.leafYs.reserve(layout.wordFractions.size());
    for (const NodeWordFraction& fraction : layout.wordFractions)
        layout.leafYs.push_back(layout.nodeYPositions.value(fraction.nodeID, missing));

    if (minutes >= 2) {
        // Each marker goes after every item whose top is at or above it.
        std::vector<DeliveryItem> merged;
        merged.reserve(layout.items.size() + static_cast<std::size_t>(minutes) - 1);
        std::size_t next = 0;
        // Where a short text is given many minutes, their labels would pile up into a smear.
        double shownY = -std::numeric_limits<double>::infinity();
        const double spacing = minuteLabelSpacing();
        for (qint64 m = 1; m < minutes; ++m) {
            const double markerY = layout.yForFraction(static_cast<double>(m) / static_cast<double>(minutes));
            while (next < layout.items.size() && layout.items[next].top() <= markerY)
                merged.push_back(std::move(layout.items[next++]));
            DeliveryItem marker;
            marker.kind = DeliveryItem::Kind::TimeMarker;
            marker.text = minuteLabel(m);
            marker.y = markerY;
            marker.isCrowded = markerY - shownY < spacing;
            if (!marker.isCrowded)
                shownY = markerY;
            merged.push_back(std::move(marker));
        }
        while (next < layout.items.size())
            merged.push_back(std::move(layout.items[next++]));
        layout.items = std::move(merged);
    }

    layout.reachedBottoms.reserve(layout.items.size());
    double reached = -std::numeric_limits<double>::infinity();
    for (const DeliveryItem& item : layout.items) {
        reached = std::max(reached, item.bottom());
        layout.reachedBottoms.push_back(reached);
    }
    return layout;
}

std::pair<double, double> DeliveryContentLayout::nodeSpan(qsizetype index) const
{
    const auto count = static_cast<qsizetype>(leafYs.size());
    if (index < 0 || index >= count || std::isnan(leafYs[std::size_t(index)]))
        return { 0, 0 };
    const double y = leafYs[std::size_t(index)];
    if (index == 0)
        return { topMargin, y };
    if (index + 1 < count && !std::isnan(leafYs[std::size_t(index + 1)]))
        return { y, leafYs[std::size_t(index + 1)] };
    return { y, y + lastLeafSpan };
}

double DeliveryContentLayout::yForFraction(double fraction) const
{
    const double f = std::isfinite(fraction) ? std::clamp(fraction, 0.0, maxFraction) : 0.0;
    if (wordFractions.empty())
        return f * totalHeight;
    // The first entry whose end is at or beyond f; ends never decrease.
    const auto found = std::partition_point(wordFractions.begin(), wordFractions.end(),
        [f](const NodeWordFraction& entry) { return entry.endFraction < f; });
    if (found == wordFractions.end()) {
        const double last = leafYs.back();
        return std::isnan(last) ? f * totalHeight : last + (f - 1) * totalHeight;
    }
    const auto index = static_cast<qsizetype>(found - wordFractions.begin());
    if (std::isnan(leafYs[std::size_t(index)]))
        return f * totalHeight;
    const auto [top, bottom] = nodeSpan(index);
    const double length = found->endFraction - found->startFraction;
    if (length <= 0)
        return top;
    const double t = (f - found->startFraction) / length;
    return top + t * (bottom - top);
}

double DeliveryContentLayout::fractionForY(double y) const
{
    if (wordFractions.empty() || std::isnan(y))
        return 0;
    // Spans follow one another down the page: the first whose bottom is at or below y.
    const auto count = static_cast<qsizetype>(wordFractions.size());
    qsizetype low = 0;
    qsizetype high = count;
    while (low < high) {
        const qsizetype middle = low + (high - low) / 2;
        if (nodeSpan(middle).second < y)
            low = middle + 1;
        else
            high = middle;
    }
    if (low == count)
        return 1;
    const auto [top, bottom] = nodeSpan(low);
    const NodeWordFraction& entry = wordFractions[std::size_t(low)];
    if (y < top)
        return low == 0 ? 0 : wordFractions[std::size_t(low - 1)].endFraction;
    if (bottom - top <= 0)
        return entry.startFraction;
    return entry.startFraction + (y - top) / (bottom - top) * (entry.endFraction - entry.startFraction);
}

std::pair<std::size_t, std::size_t> DeliveryContentLayout::itemsBetween(double top, double bottom) const
{
    const auto first = std::lower_bound(reachedBottoms.begin(), reachedBottoms.end(), top);
    const std::size_t begin = static_cast<std::size_t>(first - reachedBottoms.begin());
    const auto last = std::partition_point(items.begin() + static_cast<std::ptrdiff_t>(begin), items.end(),
        [bottom](const DeliveryItem& item) { return item.top() <= bottom; });
    return { begin, static_cast<std::size_t>(last - items.begin()) };
}

} // namespace kestrion
