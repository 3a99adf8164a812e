#include "ManualMinimapRenderScheduler.h"

#include "mindmap/ConcurrentMinimapRenderScheduler.h"
#include "mindmap/Fnv1a64.h"
#include "mindmap/MinimapCache.h"
#include "mindmap/MinimapCacheKey.h"
#include "mindmap/TreeLayout.h"
#include "mindmap/TreeNodeSnapshot.h"

#include <QTest>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>

using namespace kestrion;
using namespace kestrion::test;

namespace {

quint64 fnv(const QByteArray& bytes)
{
    Fnv1a64 hash;
    hash.feedBytes(reinterpret_cast<const quint8*>(bytes.constData()), bytes.size());
    return hash.value();
}

//   Title
//     A (folded)
//       A1
//     B
//       B1
struct Tree {
    SermonNodePtr root = SermonNode::create(QStringLiteral("Title"));
    SermonNodePtr a = root->addChild(QStringLiteral("A"));
    SermonNodePtr a1 = a->addChild(QStringLiteral("A1"));
    SermonNodePtr b = root->addChild(QStringLiteral("B"));
    SermonNodePtr b1 = b->addChild(QStringLiteral("B1"));

    Tree() { a->setCollapsed(true); }

    MinimapCacheKey key(QRectF bounds = QRectF(40, 40, 400, 200), qreal displayScale = 1, bool dark = false) const
    {
        return makeMinimapCacheKey(root, layoutTree(root), bounds, QSizeF(164, 82), displayScale, dark);
    }
};

MinimapCacheKey keyNumbered(quint64 n)
{
    MinimapCacheKey key;
    key.textHash = n;
    key.pixelWidth = 20;
    key.pixelHeight = 10;
    return key;
}

// An input that renders: one box.
MinimapRenderer::Input smallInput()
{
    MinimapRenderer::Input input;
    auto root = SermonNode::create(QStringLiteral("Title"));
    input.root = TreeNodeSnapshot::make(root);
    input.layouts.insert(root->id(), NodeLayout { root->id(), QPointF(0, 0), QSizeF(100, 30), 0, true });
    input.contentBounds = QRectF(0, 0, 100, 30);
    input.pixelSize = QSizeF(20, 6);
    return input;
}

class MinimapCacheTest : public ::testing::Test {
protected:
    MinimapCacheTest()
    {
        auto owned = std::make_unique<ManualMinimapRenderScheduler>();
        scheduler = owned.get();
        cache = std::make_unique<MinimapCache>(std::move(owned));
    }

    size_t jobCount() const { return scheduler->jobs()->size(); }

    ManualMinimapRenderScheduler* scheduler = nullptr;
    std::unique_ptr<MinimapCache> cache;
};

} // namespace

TEST(Fnv1a64Test, StandardVectorsAndLittleEndianMixing)
{
    EXPECT_EQ(Fnv1a64().value(), 0xcbf29ce484222325ULL);
    EXPECT_EQ(fnv("a"), 0xaf63dc4c8601ec8cULL);
    EXPECT_EQ(fnv("foobar"), 0x85944171f73967e8ULL);
    Fnv1a64 mixed;
    mixed.mix(0x6261);
    EXPECT_EQ(mixed.value(), 0xf2b95d3dce2aeb9aULL);
}

TEST(MinimapCacheKeyTest, TopologyFeedsTheIdInTheUuidsOwnByteOrder)
{
    auto node = SermonNode::create(QStringLiteral("x"), 3);
    Fnv1a64 topology;
    Fnv1a64 text;
    hashTreeForMinimap(node, topology, text);
    Fnv1a64 expected;
    const QByteArray id = node->id().toRfc4122();
    expected.feedBytes(reinterpret_cast<const quint8*>(id.constData()), id.size());
    expected.mix(3);
    expected.mix(0);
    expected.mix(0);
    EXPECT_EQ(topology.value(), expected.value());
}

TEST(MinimapCacheKeyTest, WhatChangesTheKeyAndWhatDoesNot)
{
    Tree t;
    const MinimapCacheKey before = t.key();
    EXPECT_EQ(t.key(), before);

    // Renaming changes the text hash only.
    t.b1->setText(QStringLiteral("B one"));
    MinimapCacheKey renamed = t.key();
    EXPECT_NE(renamed.textHash, before.textHash);
    EXPECT_EQ(renamed.topologyHash, before.topologyHash);

    // Text inside a folded branch is not seen.
    t.a1->setText(QStringLiteral("hidden"));
    EXPECT_EQ(t.key(), renamed);

    // Folding changes the shape: the flag, and the children no longer visited.
    t.b->setCollapsed(true);
    const MinimapCacheKey folded = t.key();
    EXPECT_NE(folded.topologyHash, renamed.topologyHash);
    t.b->setCollapsed(false);
    EXPECT_EQ(t.key(), renamed);

    // A folded node's hidden children are counted.
    t.a->addChild(QStringLiteral("A2"));
    EXPECT_NE(t.key().topologyHash, renamed.topologyHash);
}

TEST(MinimapCacheKeyTest, AppearanceScaleAndBoundsButNotThePan)
{
    Tree t;
    const MinimapCacheKey light = t.key();
    // The pan is no input at all: the content bounds do not move with the view.
    const MinimapCacheKey dark = t.key(QRectF(40, 40, 400, 200), 1, true);
    EXPECT_TRUE(dark.isDark);
    EXPECT_EQ(dark.topologyHash, light.topologyHash);
    EXPECT_EQ(dark.textHash, light.textHash);
    EXPECT_EQ(dark.layoutSignature, light.layoutSignature);
    EXPECT_NE(dark, light);

    const MinimapCacheKey sharp = t.key(QRectF(40, 40, 400, 200), 2);
    EXPECT_EQ(sharp.pixelWidth, 328);
    EXPECT_EQ(sharp.pixelHeight, 164);
    EXPECT_NE(t.key(QRectF(40, 40, 400, 201)).layoutSignature, light.layoutSignature);

    auto node = SermonNode::create();
    const MinimapCacheKey cut = makeMinimapCacheKey(node, {}, {}, QSizeF(163.9, 40.99), 1, false);
    EXPECT_EQ(cut.pixelWidth, 163);
    EXPECT_EQ(cut.pixelHeight, 40);
    EXPECT_EQ(makeMinimapCacheKey(node, {}, {}, QSizeF(qQNaN(), -4), 1, false).pixelWidth, 0);
}

TEST(TreeNodeSnapshotTest, CopiesTheVisibleTreeWithItsFlagsInPreorder)
{
    Tree t;
    t.b1->setQuote(true);
    const TreeNodeSnapshot snapshot = TreeNodeSnapshot::make(t.root);
    ASSERT_EQ(snapshot.size(), 4);
    QStringList texts;
    for (qsizetype i = 0; i < snapshot.size(); ++i)
        texts << snapshot.node(i).text;
    EXPECT_EQ(texts, (QStringList { "Title", "A", "B", "B1" }));

    const TreeNodeSnapshot::Node& a = snapshot.node(1);
    EXPECT_EQ(a.id, t.a->id());
    EXPECT_TRUE(a.isCollapsed);
    EXPECT_FALSE(a.isLeaf);
    EXPECT_TRUE(a.hasOnlyLeafChildren);
    EXPECT_FALSE(snapshot.hasCopiedChildren(1));
    EXPECT_TRUE(snapshot.node(3).isLeaf && snapshot.node(3).isQuote);
    EXPECT_EQ(snapshot.node(3).depth, 2);

    std::vector<qsizetype> children;
    snapshot.forEachChild(0, [&](qsizetype child) { children.push_back(child); });
    EXPECT_EQ(children, (std::vector<qsizetype> { 1, 2 }));
    EXPECT_EQ(snapshot.indexByID().value(t.b1->id()), 3);

    // Later edits do not reach it.
    t.b1->setText(QStringLiteral("changed"));
    EXPECT_EQ(snapshot.node(3).text, "B1");
    EXPECT_TRUE(TreeNodeSnapshot::make(nullptr).isEmpty());
}

TEST(TreeNodeSnapshotTest, AHundredThousandLevelsDeepNeitherOverflowsNorRecurses)
{
    auto root = SermonNode::create(QStringLiteral("0"));
    SermonNodePtr node = root;
    for (int i = 1; i < 100000; ++i)
        node = node->addChild(QStringLiteral("level"));
    Fnv1a64 topology;
    Fnv1a64 text;
    hashTreeForMinimap(root, topology, text);
    const TreeNodeSnapshot snapshot = TreeNodeSnapshot::make(root);
    ASSERT_EQ(snapshot.size(), 100000);
    EXPECT_EQ(snapshot.node(0).subtreeEnd, 100000);
    EXPECT_EQ(snapshot.node(99999).depth, 99999);
}

TEST_F(MinimapCacheTest, ASecondRequestForTheSameKeyStartsNothing)
{
    cache->requestMinimapRender(smallInput(), keyNumbered(1));
    cache->requestMinimapRender(smallInput(), keyNumbered(1));
    EXPECT_EQ(jobCount(), 1u);
    EXPECT_EQ(cache->pendingKey(), keyNumbered(1));
    EXPECT_FALSE(cache->currentImage());

    scheduler->renderAll();
    scheduler->deliverAll();
    ASSERT_TRUE(cache->currentImage());
    EXPECT_EQ(cache->currentImage()->size(), QSize(20, 6));
    EXPECT_EQ(cache->currentKey(), keyNumbered(1));
    EXPECT_FALSE(cache->pendingKey());
    EXPECT_FALSE(cache->inFlight());

    cache->requestMinimapRender(smallInput(), keyNumbered(1));
    EXPECT_EQ(jobCount(), 1u);
}

TEST_F(MinimapCacheTest, OnlyTheNewestOfABurstIsRendered)
{
    for (quint64 n = 1; n <= 3; ++n)
        cache->requestMinimapRender(smallInput(), keyNumbered(n));
    ASSERT_EQ(jobCount(), 3u);
    EXPECT_TRUE((*scheduler->jobs())[0].task->isCancelled());
    EXPECT_TRUE((*scheduler->jobs())[1].task->isCancelled());
    EXPECT_EQ(scheduler->renderAll(), 1);
    scheduler->deliverAll();
    EXPECT_EQ(cache->currentKey(), keyNumbered(3));
}

TEST_F(MinimapCacheTest, AStaleResultIsNeverStored)
{
    cache->requestMinimapRender(smallInput(), keyNumbered(1));
    scheduler->renderAll();
    // The tree changes while the first bitmap is on its way back.
    cache->requestMinimapRender(smallInput(), keyNumbered(2));
    scheduler->deliverAll(true);
    EXPECT_FALSE(cache->currentImage());
    EXPECT_EQ(cache->pendingKey(), keyNumbered(2));

    scheduler->renderAll();
    scheduler->deliverAll();
    EXPECT_EQ(cache->currentKey(), keyNumbered(2));
}

TEST_F(MinimapCacheTest, GoingBackToTheShownKeyDropsTheRenderOfTheOther)
{
    cache->requestMinimapRender(smallInput(), keyNumbered(1));
    scheduler->renderAll();
    scheduler->deliverAll();
    const QImage shown = *cache->currentImage();

    // An edit, and its undo within the pause: the picture on display is right again.
    cache->requestMinimapRender(smallInput(), keyNumbered(2));
    cache->requestMinimapRender(smallInput(), keyNumbered(1));
    EXPECT_FALSE(cache->pendingKey());
    EXPECT_FALSE(cache->inFlight());
    scheduler->renderAll();
    scheduler->deliverAll(true);
    EXPECT_EQ(cache->currentKey(), keyNumbered(1));
    EXPECT_EQ(cache->currentImage()->cacheKey(), shown.cacheKey());
}

TEST_F(MinimapCacheTest, AFailedRenderKeepsThePreviousBitmapAndIsNotRetried)
{
    cache->requestMinimapRender(smallInput(), keyNumbered(1));
    scheduler->renderAll();
    scheduler->deliverAll();

    MinimapRenderer::Input empty = smallInput();
    empty.contentBounds = QRectF();
    cache->requestMinimapRender(empty, keyNumbered(2));
    scheduler->renderAll();
    scheduler->deliverAll();
    EXPECT_EQ(cache->currentKey(), keyNumbered(1));
    EXPECT_EQ(cache->pendingKey(), keyNumbered(2));
    cache->requestMinimapRender(empty, keyNumbered(2));
    EXPECT_EQ(jobCount(), 2u);
}

TEST_F(MinimapCacheTest, AResultArrivingAfterTheCacheIsGoneDoesNothing)
{
    cache->requestMinimapRender(smallInput(), keyNumbered(1));
    const std::shared_ptr<std::vector<ManualMinimapRenderScheduler::Job>> jobs = scheduler->jobs();
    cache.reset();
    EXPECT_TRUE(jobs->front().task->isCancelled());
    // The job's own closures still run safely.
    jobs->front().result = jobs->front().render();
    jobs->front().deliver(QImage(4, 4, QImage::Format_ARGB32_Premultiplied));
}

TEST(ConcurrentMinimapRenderSchedulerTest, RendersOffTheMainThreadAndDeliversOnIt)
{
    ConcurrentMinimapRenderScheduler scheduler;
    std::atomic<int> cancelledRenders { 0 };
    QThread* renderThread = nullptr;
    QThread* deliverThread = nullptr;
    auto first = std::make_shared<MinimapRenderTask>();
    scheduler.start(
        first,
        [&] {
            ++cancelledRenders;
            return std::optional<QImage>(QImage(2, 2, QImage::Format_ARGB32_Premultiplied));
        },
        [](const QImage&) {});
    // A newer request within the pause cancels the older before it renders.
    first->cancel();
    auto second = std::make_shared<MinimapRenderTask>();
    scheduler.start(
        second,
        [&] {
            renderThread = QThread::currentThread();
            return std::optional<QImage>(QImage(2, 2, QImage::Format_ARGB32_Premultiplied));
        },
        [&](const QImage&) { deliverThread = QThread::currentThread(); });
    ASSERT_TRUE(QTest::qWaitFor([&] { return deliverThread != nullptr; }));
    EXPECT_EQ(deliverThread, QThread::currentThread());
    EXPECT_NE(renderThread, QThread::currentThread());
    EXPECT_EQ(cancelledRenders.load(), 0);
}
