#include "delivery/DeliveryMeasureKeeper.h"
#include "delivery/DeliveryContentLayout.h"
#include "delivery/DeliveryFonts.h"
#include "delivery/DeliveryMeasures.h"
#include "document/SermonDocument.h"
#include "document/WordCount.h"
#include "platform/BackgroundThreads.h"

#include <QCoreApplication>
#include <QSemaphore>
#include <QThreadPool>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>

using namespace kestrion;

namespace {

using Target = DeliveryMeasureKeeper::Target;

constexpr qint64 minutes = 12;
constexpr double spacing = 1.8;

// Words of every kind the page sets differently: short and long, line breaks, emoji, Hebrew.
QString randomText(std::mt19937& random)
{
    static const QStringList words
        = QStringLiteral("the shepherd calls his own sheep by name and leads them out righteousness \U0001F534 "
                         "\u26AA \u05e9\u05dc\u05d5\u05dd \u2028 \n")
              .split(u' ');
    QStringList picked;
    for (unsigned count = random() % 45; count > 0; --count)
        picked.append(words[static_cast<qsizetype>(random() % words.size())]);
    return picked.join(u' ');
}

SermonNodePtr randomTree(std::mt19937& random, int count)
{
    const SermonNodePtr root = SermonNode::create(randomText(random));
    std::vector<SermonNodePtr> parents { root };
    for (int i = 0; i < count; ++i) {
        const SermonNodePtr node = parents[random() % parents.size()]->addChild(randomText(random));
        node->setQuote(random() % 7 == 0);
        if (node->depth() < 6)
            parents.push_back(node);
    }
    return root;
}

// Every field of both layouts, exactly: frames to the last bit, markers, heading positions.
testing::AssertionResult sameLayout(const DeliveryContentLayout& a, const DeliveryContentLayout& b)
{
    if (a.items.size() != b.items.size())
        return testing::AssertionFailure() << a.items.size() << " items against " << b.items.size();
    for (std::size_t i = 0; i < a.items.size(); ++i) {
        const DeliveryItem& x = a.items[i];
        const DeliveryItem& y = b.items[i];
        const bool same = x.kind == y.kind && x.id == y.id && x.depth == y.depth && x.text == y.text
            && x.frame.x() == y.frame.x() && x.frame.y() == y.frame.y() && x.frame.width() == y.frame.width()
            && x.frame.height() == y.frame.height() && x.isQuote == y.isQuote && x.isCrowded == y.isCrowded
            && x.y == y.y && x.width == y.width;
        if (!same)
            return testing::AssertionFailure() << "item " << i << " differs: " << x.text.toStdString();
    }
    if (a.totalHeight != b.totalHeight || a.nodeYPositions != b.nodeYPositions
        || a.headingYPositions != b.headingYPositions || a.headingDepths != b.headingDepths
        || a.headingTexts != b.headingTexts || a.wordFractions != b.wordFractions)
        return testing::AssertionFailure() << "the heights, positions or word fractions differ";
    return testing::AssertionSuccess();
}

DeliveryContentLayout fromKeptMeasures(DeliveryMeasureKeeper& keeper, SermonDocument& document, const Target& target)
{
    return DeliveryContentLayout::build(
        document.root(), minutes, target.textWidth, *keeper.fonts(target.baseSize), spacing, &keeper.measures());
}

DeliveryContentLayout measuredAfresh(const SermonDocument& document, const Target& target)
{
    return DeliveryContentLayout::build(document.root(), minutes, target.textWidth, target.baseSize, spacing);
}

SermonNodePtr randomNode(std::mt19937& random, const SermonDocument& document)
{
    const std::vector<SermonNodePtr> nodes = document.root()->allNodes();
    return nodes[random() % nodes.size()];
}

} // namespace

// Pages laid out from the kept measures, however the sermon and the settings changed and
// whether the passes in between ran to their end or were cut short, are the pages measured
// afresh, and no node that left the tree keeps a measure.
TEST(DeliveryMeasureKeeperTest, APageFromKeptMeasuresIsThePageMeasuredAfresh)
{
    std::mt19937 random(11);
    SermonDocument document(randomTree(random, 120));
    Target target { 15, 700 };
    DeliveryMeasureKeeper keeper(document, [&target] { return target; });
    // Entered while the first pass measures.
    keeper.refresh();
    ASSERT_FALSE(keeper.isIdle());
    const DeliveryContentLayout entered = fromKeptMeasures(keeper, document, target);
    ASSERT_TRUE(sameLayout(entered, measuredAfresh(document, target)));
    for (int step = 0; step < 50; ++step) {
        const SermonNodePtr node = randomNode(random, document);
        switch (random() % 8) {
        case 0:
        case 1:
            document.writeNodeText(*node, randomText(random));
            break;
        case 2:
            document.recordUndo(std::nullopt);
            for (unsigned added = 1 + random() % 20; added > 0; --added)
                node->addChild(randomText(random));
            break;
        case 3:
            if (node != document.root()) {
                document.recordUndo(std::nullopt);
                document.root()->removeNode(node->id());
            }
            break;
        case 4:
            document.recordUndo(std::nullopt);
            node->setQuote(!node->isQuote());
            break;
        case 5:
            document.undo();
            break;
        case 6:
            document.redo();
            break;
        case 7:
            target
                = { std::array { 13.0, 15.0, 19.0 }[random() % 3], std::array { 500.0, 650.0, 700.0 }[random() % 3] };
            break;
        }
        if (random() % 3 != 0) {
            keeper.refresh();
            if (random() % 2 == 0)
                keeper.finishWork();
        }
        ASSERT_TRUE(sameLayout(fromKeptMeasures(keeper, document, target), measuredAfresh(document, target)))
            << "step " << step;
        ASSERT_EQ(keeper.measures().size(), static_cast<qsizetype>(document.root()->allNodes().size()));
    }
}

// A text typed into while the background measured it as it was: the measure of the old text is
// kept, and never taken for the new one.
TEST(DeliveryMeasureKeeperTest, ATextEditedWhileItWasMeasuredIsMeasuredAgain)
{
    std::mt19937 random(5);
    SermonDocument document(randomTree(random, 400));
    const Target target { 15, 700 };
    DeliveryMeasureKeeper keeper(document, [&target] { return target; });
    const SermonNodePtr leaf = document.root()->children().back();
    document.writeNodeText(*leaf, QStringLiteral("Short"));
    keeper.refresh();
    ASSERT_FALSE(keeper.isIdle()) << "the texts are measured in the background";
    document.writeNodeText(*leaf, QStringLiteral("Longer now, ").repeated(40));
    keeper.finishWork();
    EXPECT_TRUE(sameLayout(fromKeptMeasures(keeper, document, target), measuredAfresh(document, target)));
}

// Revert to Opened Version and Reload put another tree in place while the texts of the old
// one are being measured: the measures then hold the new tree's nodes alone.
TEST(DeliveryMeasureKeeperTest, ASermonReplacedWhileItWasMeasuredKeepsOnlyTheNewOnesMeasures)
{
    std::mt19937 random(7);
    SermonDocument document(randomTree(random, 1500));
    const Target target { 15, 700 };
    DeliveryMeasureKeeper keeper(document, [&target] { return target; });
    keeper.refresh();
    ASSERT_FALSE(keeper.isIdle());
    const QByteArray file = SermonDocument(randomTree(random, 300)).snapshot().toUtf8();
    document.replaceContents(SermonDocument::readDocument(file));
    keeper.refresh();
    keeper.finishWork();
    EXPECT_EQ(keeper.measures().size(), static_cast<qsizetype>(document.root()->allNodes().size()));
    EXPECT_TRUE(sameLayout(fromKeptMeasures(keeper, document, target), measuredAfresh(document, target)));
}

// A keeper that goes while the background measures for it (its window closed) waits for that
// work: nothing holds the sermon's texts any longer, and nothing is handed to it later.
TEST(DeliveryMeasureKeeperTest, AKeeperGoneWhileMeasuringLeavesNoWorkBehind)
{
    std::mt19937 random(3);
    auto document = std::make_unique<SermonDocument>(randomTree(random, 3000));
    const QString text = document->root()->children().front()->text();
    auto keeper = std::make_unique<DeliveryMeasureKeeper>(*document, [] { return Target { 15, 700 }; });
    keeper->refresh();
    ASSERT_FALSE(keeper->isIdle());
    keeper.reset();
    document.reset();
    EXPECT_TRUE(text.isDetached());
    QCoreApplication::processEvents();
}

// The sermon's words come from the measures while the document is as the last pass found it.
TEST(DeliveryMeasureKeeperTest, TheWordsOfTheSermonAreKnownUntilItChanges)
{
    std::mt19937 random(9);
    SermonDocument document(randomTree(random, 300));
    DeliveryMeasureKeeper keeper(document, [] { return Target { 15, 700 }; });
    EXPECT_EQ(keeper.sermonWords(), std::nullopt);
    keeper.refresh();
    keeper.finishWork();
    EXPECT_EQ(keeper.sermonWords(), wordCount(document.root()));
    SermonNode& leaf = *document.root()->children().front();
    document.writeNodeText(leaf, leaf.text() + QStringLiteral(" and more words"));
    EXPECT_EQ(keeper.sermonWords(), std::nullopt);
    keeper.refresh();
    keeper.finishWork();
    EXPECT_EQ(keeper.sermonWords(), wordCount(document.root()));
}

// Delivery entered while a pass measures stops it with texts still unmeasured: the words found
// by then are not the sermon's.
TEST(DeliveryMeasureKeeperTest, APassStoppedPartWayNeverGivesItsWordsAsTheSermons)
{
    std::mt19937 random(13);
    SermonDocument document(randomTree(random, 200));
    DeliveryMeasureKeeper keeper(document, [] { return Target { 15, 700 }; });
    keeper.refresh();
    keeper.finishWork();
    // More new texts than this thread measures itself: the next pass hands them to the
    // background, and finds the rest measured already.
    document.recordUndo(std::nullopt);
    for (qsizetype i = 0; i < 2 * DeliveryMeasureKeeper::measuredHere; ++i)
        document.root()->addChild(QStringLiteral("three more words"));
    const qint64 whole = wordCount(document.root());

    // The background threads busy elsewhere, so that none of the new texts is measured before
    // the pass is stopped.
    QThreadPool& pool = BackgroundThreads::pool();
    QSemaphore started;
    QSemaphore released;
    for (int i = 0; i < pool.maxThreadCount(); ++i) {
        pool.start([&] {
            started.release();
            released.acquire();
        });
    }
    started.acquire(pool.maxThreadCount());
    keeper.refresh();
    const bool wasMeasuring = !keeper.isIdle();
    keeper.measures();
    released.release(pool.maxThreadCount());
    pool.waitForDone();
    ASSERT_TRUE(wasMeasuring);

    EXPECT_EQ(keeper.sermonWords().value_or(whole), whole);
}
