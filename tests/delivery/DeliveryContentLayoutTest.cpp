#include "delivery/DeliveryContentLayout.h"
#include "delivery/DeliveryText.h"
#include "document/WordCount.h"
#include "platform/Appearance.h"
#include "platform/EmojiText.h"
#include "support/InkBounds.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

using namespace kestrion;

namespace {

constexpr double width = 700;
constexpr double base = 15;

DeliveryContentLayout build(const SermonNodePtr& root, qint64 minutes = 1, double spacing = 1.8)
{
    return DeliveryContentLayout::build(root, minutes, width, base, spacing);
}

const DeliveryItem* itemOf(const DeliveryContentLayout& layout, const SermonNodePtr& node)
{
    for (const DeliveryItem& item : layout.items) {
        if (item.hasFrame() && item.id == node->id())
            return &item;
    }
    return nullptr;
}

// Title, a main point with two leaves, a second main point with a sub-point and a quote.
struct Sermon {
    SermonNodePtr root = SermonNode::create(QStringLiteral("The Good Shepherd"));
    SermonNodePtr point = root->addChild(QStringLiteral("He knows his sheep"));
    SermonNodePtr leafA = point->addChild(QStringLiteral("one two three four"));
    SermonNodePtr leafB = point->addChild(QStringLiteral("five six seven eight"));
    SermonNodePtr second = root->addChild(QStringLiteral("He lays down his life"));
    SermonNodePtr sub = second->addChild(QStringLiteral("For the sheep"));
    SermonNodePtr quote = sub->addChild(QStringLiteral("I am the good shepherd"));

    Sermon() { quote->setQuote(true); }
};

// The straightforward walks over the spans that the layout's searches must agree with.
double linearYForFraction(const DeliveryContentLayout& layout, double f)
{
    f = std::clamp(f, 0.0, 1.5);
    const auto& fractions = layout.wordFractions;
    for (qsizetype i = 0; i < qsizetype(fractions.size()); ++i) {
        if (f <= fractions[size_t(i)].endFraction) {
            const auto [top, bottom] = layout.nodeSpan(i);
            const double length = fractions[size_t(i)].endFraction - fractions[size_t(i)].startFraction;
            return length <= 0 ? top : top + (f - fractions[size_t(i)].startFraction) / length * (bottom - top);
        }
    }
    return layout.leafYs.back() + (f - 1) * layout.totalHeight;
}

double linearFractionForY(const DeliveryContentLayout& layout, double y)
{
    const auto& fractions = layout.wordFractions;
    for (qsizetype i = 0; i < qsizetype(fractions.size()); ++i) {
        const auto [top, bottom] = layout.nodeSpan(i);
        if (y < top)
            return i == 0 ? 0 : fractions[size_t(i - 1)].endFraction;
        if (y <= bottom) {
            const auto& entry = fractions[size_t(i)];
            return bottom - top <= 0
                ? entry.startFraction
                : entry.startFraction + (y - top) / (bottom - top) * (entry.endFraction - entry.startFraction);
        }
    }
    return 1;
}

} // namespace

TEST(DeliveryContentLayoutTest, ASermonOfOnlyItsTitleIsOneLeaf)
{
    const SermonNodePtr root = SermonNode::create(QStringLiteral("Title"));
    const DeliveryContentLayout layout = build(root, 1, 1.0);
    ASSERT_EQ(layout.items.size(), 1u);
    const DeliveryItem& item = layout.items.front();
    EXPECT_EQ(item.kind, DeliveryItem::Kind::Leaf);
    EXPECT_EQ(item.frame.topLeft(), QPointF(150, 40));
    const QSizeF size
        = DeliveryText(DeliveryContentLayout::font(0, true, base)).measure(QStringLiteral("Title"), width);
    EXPECT_EQ(item.frame.size(), size);
    EXPECT_EQ(layout.totalHeight, 40 + size.height() + 40);
    EXPECT_EQ(layout.nodeYPositions.value(root->id()), item.frame.center().y());
}

TEST(DeliveryContentLayoutTest, HeadingsDividersAndSpacing)
{
    Sermon s;
    const DeliveryContentLayout layout = build(s.root);
    const double halfExtra = (1.8 - 1) * base * 0.5;
    EXPECT_DOUBLE_EQ(halfExtra, 6);

    const DeliveryItem* title = itemOf(layout, s.root);
    ASSERT_TRUE(title);
    EXPECT_EQ(title->kind, DeliveryItem::Kind::Heading);
    EXPECT_EQ(title->frame.top(), 40);
    EXPECT_FALSE(layout.headingYPositions.contains(s.root->id()));

    // Title, 24 after it, 28 before the main point; its divider 6 below, then 12.
    const DeliveryItem* point = itemOf(layout, s.point);
    ASSERT_TRUE(point);
    EXPECT_EQ(point->frame.top(), title->frame.bottom() + 24 + 28);
    EXPECT_EQ(point->frame.left(), 150);
    const auto pointIndex = std::size_t(point - layout.items.data());
    const DeliveryItem& divider = layout.items[pointIndex + 1];
    ASSERT_EQ(divider.kind, DeliveryItem::Kind::HeadingDivider);
    EXPECT_EQ(divider.y, point->frame.bottom() + 6);
    EXPECT_EQ(divider.width, width);
    const DeliveryItem* leafA = itemOf(layout, s.leafA);
    const DeliveryItem* leafB = itemOf(layout, s.leafB);
    EXPECT_EQ(leafA->frame.top(), divider.y + 12 + halfExtra);
    EXPECT_EQ(leafB->frame.top(), leafA->frame.bottom() + 2 * halfExtra);

    // Depth 2: indent 24 for a heading, 16 before it, no divider; the quote leaf at depth 3
    // stands 24 + 20 in.
    const DeliveryItem* sub = itemOf(layout, s.sub);
    EXPECT_EQ(sub->frame.left(), 150 + 24);
    const DeliveryItem* quote = itemOf(layout, s.quote);
    EXPECT_EQ(quote->frame.left(), 150 + 24 + 20);
    EXPECT_EQ(quote->frame.top(), sub->frame.bottom() + 6 + halfExtra);
    EXPECT_EQ(layout.totalHeight, quote->frame.bottom() + halfExtra + 40);

    EXPECT_EQ(layout.headingDepths.value(s.point->id()), 1);
    EXPECT_EQ(layout.headingDepths.value(s.sub->id()), 2);
    EXPECT_EQ(layout.headingTexts.value(s.second->id()), s.second->text());
    EXPECT_EQ(layout.headingYPositions.value(s.sub->id()), sub->frame.center().y());
    ASSERT_EQ(layout.headings.size(), 3u);
    EXPECT_EQ(layout.headings[2].id, s.sub->id());

    const DeliveryContentLayout tight = build(s.root, 1, 1.0);
    EXPECT_EQ(itemOf(tight, s.leafB)->frame.top(), itemOf(tight, s.leafA)->frame.bottom());
}

TEST(DeliveryContentLayoutTest, FontsByDepthAreSerif)
{
    struct Case {
        qint64 depth;
        bool isLeaf;
        int pixelSize;
        QFont::Weight weight;
    };
    const Case cases[] = { { 0, false, 28, QFont::Bold }, { 1, false, 20, QFont::DemiBold },
        { 2, false, 16, QFont::Medium }, { 3, false, 14, QFont::Medium }, { 4, false, 15, QFont::Normal },
        { 9, false, 15, QFont::Normal }, { 2, true, 15, QFont::Normal } };
    for (const Case& c : cases) {
        const QFont font = DeliveryContentLayout::font(c.depth, c.isLeaf, base);
        EXPECT_EQ(font.pixelSize(), c.pixelSize) << c.depth;
        EXPECT_EQ(font.weight(), c.weight) << c.depth;
        EXPECT_EQ(font.styleHint(), QFont::Serif) << c.depth;
    }
    EXPECT_TRUE(DeliveryContentLayout::leafFont(true, base).italic());
}

TEST(DeliveryContentLayoutTest, TextWrapsWithinTheColumnAndTheQuoteIndent)
{
    const SermonNodePtr root = SermonNode::create(QStringLiteral("Title"));
    QString words;
    for (int i = 0; i < 60; ++i)
        words += QStringLiteral("shepherd ");
    const SermonNodePtr point = root->addChild(QStringLiteral("Point"));
    // Leaves at depth 2.
    const SermonNodePtr plain = point->addChild(words);
    const SermonNodePtr quote = point->addChild(words);
    quote->setQuote(true);
    // A word longer than the column breaks inside itself.
    const SermonNodePtr longWord = point->addChild(QString(400, u'w'));
    const DeliveryContentLayout layout = build(root);

    const QRectF plainFrame = itemOf(layout, plain)->frame;
    const QRectF quoteFrame = itemOf(layout, quote)->frame;
    EXPECT_EQ(plainFrame.left(), 150);
    EXPECT_EQ(quoteFrame.left(), 170);
    EXPECT_LE(plainFrame.right(), 150 + width);
    EXPECT_LE(quoteFrame.right(), 150 + width);
    EXPECT_GT(plainFrame.right(), 150 + width - 100);
    EXPECT_LE(itemOf(layout, longWord)->frame.right(), 150 + width);
    const double line
        = DeliveryText(DeliveryContentLayout::font(3, true, base)).measure(QStringLiteral("x"), 100).height();
    EXPECT_GT(plainFrame.height(), 3 * line);

    // Line breaks inside a node, U+2028 or line feed, make lines of their own.
    const SermonNodePtr lines = SermonNode::create(QStringLiteral("one\u2028two\nthree"));
    EXPECT_GE(build(lines).items.front().frame.height(), 3 * line - 1);
}

TEST(DeliveryContentLayoutTest, AnUnbrokenRunTooLongToSearchFillsTheLineOfTheWordsBeforeIt)
{
    // Breaking such a run only where it meets the line's end keeps a pasted megabyte from
    // freezing the page; the words before it then share its first line.
    const DeliveryText text(DeliveryContentLayout::font(3, true, base));
    const qsizetype perLine = qsizetype(width / QFontMetricsF(text.font()).horizontalAdvance(u'x'));
    const QString run(perLine * 500 + perLine / 2, u'x');
    EXPECT_EQ(text.measure(QStringLiteral("hi ") + run, width).height(),
        text.measure(QStringLiteral("hi") + run, width).height());
}

TEST(DeliveryContentLayoutTest, AWidthNarrowerThanOnePointStillMeasures)
{
    Sermon s;
    for (const double narrow : { 1.0, 0.0, -500.0, std::numeric_limits<double>::quiet_NaN() }) {
        const DeliveryContentLayout layout = DeliveryContentLayout::build(s.root, 5, narrow, base, 1.8);
        const DeliveryItem* leaf = itemOf(layout, s.leafA);
        ASSERT_TRUE(leaf) << narrow;
        EXPECT_GT(leaf->frame.height(), 0) << narrow;
        EXPECT_TRUE(std::isfinite(layout.totalHeight)) << narrow;
    }
}

TEST(DeliveryContentLayoutTest, MinuteMarkers)
{
    Sermon s;
    const DeliveryContentLayout oneMinute = build(s.root, 1);
    EXPECT_TRUE(std::none_of(oneMinute.items.begin(), oneMinute.items.end(),
        [](const DeliveryItem& item) { return item.kind == DeliveryItem::Kind::TimeMarker; }));

    const DeliveryContentLayout layout = build(s.root, 10);
    std::vector<const DeliveryItem*> markers;
    for (const DeliveryItem& item : layout.items) {
        if (item.kind == DeliveryItem::Kind::TimeMarker)
            markers.push_back(&item);
    }
    ASSERT_EQ(markers.size(), 9u);
    for (size_t m = 0; m < markers.size(); ++m) {
        EXPECT_EQ(markers[m]->text, DeliveryContentLayout::minuteLabel(qint64(m) + 1));
        EXPECT_DOUBLE_EQ(markers[m]->y, layout.yForFraction(double(m + 1) / 10.0));
    }
    EXPECT_EQ(DeliveryContentLayout::minuteLabel(3), QStringLiteral("3 min"));
    // Each marker stands after every item whose top is at or above it, so tops never decrease.
    for (size_t i = 1; i < layout.items.size(); ++i)
        EXPECT_LE(layout.items[i - 1].top(), layout.items[i].top()) << i;

    // However long the duration, the markers are bounded by the timer's day.
    const DeliveryContentLayout huge = build(s.root, std::numeric_limits<qint64>::max());
    EXPECT_EQ(huge.items.size(), oneMinute.items.size() + 1439);
}

TEST(DeliveryContentLayoutTest, MinuteLabelsTooCloseToTheOneAboveAreLeftOut)
{
    // A short outline delivered over an hour: many minutes share each leaf's stretch of page.
    Sermon s;
    const DeliveryContentLayout layout = build(s.root, 60);
    double shown = -1e9;
    int markers = 0;
    int crowded = 0;
    // Shown labels keep at least their own height apart.
    const double apart = 2 * QFontMetricsF(DeliveryContentLayout::minuteLabelFont()).height();
    for (const DeliveryItem& item : layout.items) {
        if (item.kind != DeliveryItem::Kind::TimeMarker)
            continue;
        ++markers;
        if (item.isCrowded) {
            ++crowded;
            EXPECT_LT(item.y - shown, apart) << item.text.toStdString();
        } else {
            EXPECT_GE(item.y - shown, apart) << item.text.toStdString();
            shown = item.y;
        }
    }
    EXPECT_EQ(markers, 59);
    EXPECT_GT(crowded, 0);
    EXPECT_LT(crowded, markers);
}

TEST(DeliveryContentLayoutTest, ASermonWithoutWordsMapsFractionsOverTheWholeHeight)
{
    const SermonNodePtr root = SermonNode::create(QStringLiteral(" "));
    root->addChild(QString());
    root->addChild(QStringLiteral("\u2028"));
    const DeliveryContentLayout layout = build(root, 4);
    EXPECT_TRUE(layout.wordFractions.empty());
    EXPECT_DOUBLE_EQ(layout.yForFraction(0.25), layout.totalHeight / 4);
    EXPECT_DOUBLE_EQ(layout.yForFraction(0.5), layout.totalHeight / 2);
    EXPECT_EQ(layout.fractionForY(0), 0);
    EXPECT_EQ(layout.fractionForY(layout.totalHeight / 2), 0);
    EXPECT_EQ(layout.fractionForY(1e9), 0);
}

TEST(DeliveryContentLayoutTest, FractionsAndYs)
{
    Sermon s;
    const DeliveryContentLayout layout = build(s.root);
    ASSERT_EQ(layout.wordFractions.size(), 3u);
    const double y0 = layout.nodeYPositions.value(s.leafA->id());
    const double y1 = layout.nodeYPositions.value(s.leafB->id());
    const double yLast = layout.nodeYPositions.value(s.quote->id());
    const double end0 = layout.wordFractions[0].endFraction;
    EXPECT_EQ(layout.nodeSpan(0), std::make_pair(40.0, y0));
    EXPECT_EQ(layout.nodeSpan(1), std::make_pair(y1, yLast));
    EXPECT_EQ(layout.nodeSpan(2), std::make_pair(yLast, yLast + 20));
    EXPECT_EQ(layout.nodeSpan(3), std::make_pair(0.0, 0.0));
    EXPECT_EQ(layout.nodeSpan(-1), std::make_pair(0.0, 0.0));

    EXPECT_EQ(layout.yForFraction(0), 40);
    EXPECT_DOUBLE_EQ(layout.yForFraction(end0), y0);
    EXPECT_DOUBLE_EQ(layout.yForFraction(1), yLast + 20);
    EXPECT_DOUBLE_EQ(layout.yForFraction(2.0), layout.yForFraction(1.5));
    EXPECT_DOUBLE_EQ(layout.yForFraction(1.5), yLast + 0.5 * layout.totalHeight);
    // Out of range or not finite: the page's start.
    for (const double odd : { -0.5, -std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN(),
             std::numeric_limits<double>::infinity() })
        EXPECT_EQ(layout.yForFraction(odd), 40) << odd;

    EXPECT_EQ(layout.fractionForY(39.9), 0);
    EXPECT_EQ(layout.fractionForY(-1e12), 0);
    EXPECT_EQ(layout.fractionForY(std::numeric_limits<double>::quiet_NaN()), 0);
    // Between the first leaf's middle and the second's: the first leaf's words are done.
    EXPECT_DOUBLE_EQ(layout.fractionForY((y0 + y1) / 2), end0);
    EXPECT_EQ(layout.fractionForY(yLast + 20.1), 1);
    EXPECT_EQ(layout.fractionForY(1e12), 1);
    for (const double f : { 0.0, end0 / 2, 0.5, 0.9, 1.0 })
        EXPECT_NEAR(layout.fractionForY(layout.yForFraction(f)), f, 1e-12) << f;
}

TEST(DeliveryContentLayoutTest, WithASingleLeafTheEndOfTheWordsIsItsMiddle)
{
    const SermonNodePtr root = SermonNode::create(QStringLiteral("Title"));
    const SermonNodePtr leaf = root->addChild(QStringLiteral("all the words"));
    const DeliveryContentLayout layout = build(root);
    const double y0 = layout.nodeYPositions.value(leaf->id());
    EXPECT_DOUBLE_EQ(layout.yForFraction(1), y0);
    EXPECT_DOUBLE_EQ(layout.yForFraction(1.25), y0 + 0.25 * layout.totalHeight);
}

TEST(DeliveryContentLayoutTest, SearchesAgreeWithAWalkOverEverySpan)
{
    std::mt19937 random(7);
    for (int round = 0; round < 20; ++round) {
        const SermonNodePtr root = SermonNode::create(QStringLiteral("Title"));
        std::vector<SermonNodePtr> parents { root };
        for (int i = 0; i < 60; ++i) {
            const SermonNodePtr parent = parents[random() % parents.size()];
            QString text;
            for (unsigned w = random() % 12; w > 0; --w)
                text += QStringLiteral("word ");
            parents.push_back(parent->addChild(text));
        }
        const DeliveryContentLayout layout = build(root, 7);
        if (layout.wordFractions.empty())
            continue;
        for (int i = 0; i <= 300; ++i) {
            const double f = i / 200.0;
            EXPECT_DOUBLE_EQ(layout.yForFraction(f), linearYForFraction(layout, f)) << round << " f " << f;
            const double y = layout.totalHeight * i / 300.0;
            EXPECT_DOUBLE_EQ(layout.fractionForY(y), linearFractionForY(layout, y)) << round << " y " << y;
        }
    }
}

TEST(DeliveryContentLayoutTest, ItemsBetweenHoldsEveryItemReachingTheRange)
{
    Sermon s;
    for (int i = 0; i < 40; ++i)
        s.point->addChild(QStringLiteral("leaf %1").arg(i));
    const DeliveryContentLayout layout = build(s.root, 12);
    for (double top = -100; top < layout.totalHeight + 100; top += 37) {
        const double bottom = top + 120;
        const auto [first, last] = layout.itemsBetween(top, bottom);
        for (size_t i = 0; i < layout.items.size(); ++i) {
            const bool reaches = layout.items[i].bottom() >= top && layout.items[i].top() <= bottom;
            if (reaches) {
                EXPECT_TRUE(i >= first && i < last) << i << " in " << top;
            }
        }
    }
}

// Each marker comes from the colour emoji font: the room of the others, and its own colours
// whatever the page's ink.
TEST(DeliveryContentLayoutTest, EveryMarkerTakesTheRoomOfTheOthersInItsOwnColours)
{
    if (EmojiText::emojiFamily().isEmpty())
        GTEST_SKIP() << "no colour emoji font is installed";
    const DeliveryText text(DeliveryContentLayout::font(3, true, base));
    const QStringList markers = kestrion::test::markerCircles();
    const auto paint = [&](const QString& line, const QColor& colour) {
        QImage image(200, 60, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        text.draw(painter, line, width, QPointF(10, 40), colour);
        return image;
    };
    const qreal markerWidth = EmojiText::horizontalAdvance(text.font(), QFontMetricsF(text.font()), markers.front());
    const QRect markerArea(0, 0, int(10 + markerWidth), 60);
    for (const QString& marker : markers) {
        SCOPED_TRACE(marker.toStdString());
        const QString line = marker + QStringLiteral(" Line");
        EXPECT_EQ(text.measure(line, width), text.measure(markers.front() + " Line", width));
        const QImage light = paint(line, Appearance::inkColor(false));
        EXPECT_FALSE(kestrion::test::inkBounds(light, markerArea).isEmpty());
        EXPECT_TRUE(kestrion::test::differenceBounds(
            light.copy(markerArea), paint(line, Appearance::inkColor(true)).copy(markerArea))
                        .isNull());
    }
}

// A long sermon is measured on the worker threads too: every frame is the size this thread
// measures for its text, and the word fractions are those the tree gives.
TEST(DeliveryContentLayoutTest, ALongSermonIsMeasuredAsThisThreadMeasuresIt)
{
    std::mt19937 random(5);
    const QStringList words = QStringLiteral("the shepherd calls his own sheep by name and leads them out \U0001F534 "
                                             "\u26AA righteousness \u05e9\u05dc\u05d5\u05dd")
                                  .split(u' ');
    const SermonNodePtr root = SermonNode::create(QStringLiteral("Title"));
    std::vector<SermonNodePtr> parents { root };
    for (int i = 0; i < 1500; ++i) {
        QStringList picked;
        for (unsigned w = random() % 40; w > 0; --w)
            picked.append(words[static_cast<qsizetype>(random() % words.size())]);
        const SermonNodePtr node = parents[random() % parents.size()]->addChild(picked.join(u' '));
        node->setQuote(random() % 9 == 0);
        if (node->depth() < 5)
            parents.push_back(node);
    }
    const DeliveryContentLayout layout = build(root, 40);
    std::vector<SermonNodePtr> nodes = root->allNodes();
    ASSERT_GT(nodes.size(), 1000u);
    qsizetype checked = 0;
    for (const DeliveryItem& item : layout.items) {
        if (!item.hasFrame())
            continue;
        const SermonNodePtr node = root->findNode(item.id);
        const bool isLeaf = item.kind == DeliveryItem::Kind::Leaf;
        const DeliveryText text(isLeaf ? DeliveryContentLayout::leafFont(node->isQuote(), base)
                                       : DeliveryContentLayout::font(item.depth, false, base));
        const double indent = (isLeaf ? DeliveryContentLayout::leafIndent(item.depth)
                                      : DeliveryContentLayout::headingIndent(item.depth))
            + (node->isQuote() ? 20 : 0);
        EXPECT_EQ(item.frame.size(),
            text.measure(
                DeliveryText::displayText(node->text()), DeliveryContentLayout::measuringWidth(width, indent)));
        ++checked;
    }
    EXPECT_EQ(checked, static_cast<qsizetype>(nodes.size()));
    EXPECT_EQ(layout.wordFractions, wordFractions(root));
}
