#include "mindmap/TreeLayoutCache.h"

#include "document/WordCount.h"
#include "mindmap/CanvasGeometry.h"
#include "mindmap/TreeLayout.h"

#include <gtest/gtest.h>

#include <random>

using namespace kestrion;

namespace {

struct KeptPass {
    TreeLayoutCache cache;
    NodeLayoutMap layouts;
    SermonNodeMap nodes;
    QHash<QUuid, qint64> words;
    QHash<QUuid, QUuid> parents;

    QRectF update(const SermonNodePtr& root) { return layoutTree(root, cache, { &layouts, &nodes, &words, &parents }); }
};

SermonNodePtr sermon(int count, std::mt19937& random)
{
    auto root = SermonNode::create(QStringLiteral("Title"));
    std::vector<SermonNodePtr> nodes { root };
    for (int i = 1; i < count; ++i) {
        SermonNodePtr child = nodes[random() % nodes.size()]->addChild(QStringLiteral("point %1 of the sermon").arg(i));
        nodes.push_back(child);
    }
    return root;
}

// What the drawing skips a branch by: the node's box and its shown descendants' boxes, and
// the parents among them laid out with their children shown.
BranchBounds branchOf(const SermonNodePtr& node, const NodeLayoutMap& layouts)
{
    const NodeLayout layout = layouts.value(node->id());
    BranchBounds branch { QRectF(layout.origin, layout.size), 0 };
    if (node->isCollapsed() || !node->hasChildren())
        return branch;
    branch.parents = 1;
    for (const SermonNodePtr& child : node->children()) {
        const BranchBounds below = branchOf(child, layouts);
        branch.bounds |= below.bounds;
        branch.parents += below.parents;
    }
    return branch;
}

} // namespace

TEST(TreeLayoutCacheTest, KeptOutputsMatchAFreshPassAfterEveryEdit)
{
    for (const unsigned seed : { 3u, 17u, 2024u }) {
        std::mt19937 random(seed);
        auto pick = [&](size_t n) { return static_cast<size_t>(random() % n); };
        SermonNodePtr root = sermon(40, random);
        KeptPass kept;
        for (int step = 0; step < 80; ++step) {
            const std::vector<SermonNodePtr> all = root->allNodes();
            const SermonNodePtr node = all[pick(all.size())];
            switch (pick(8)) {
            case 0:
                node->setText(node->text() + QStringLiteral(" more"));
                break;
            case 1:
                root->insertSibling(node->id(), QStringLiteral("sibling %1").arg(step));
                break;
            case 2:
                node->addChild(QStringLiteral("new %1").arg(step));
                break;
            case 3:
                root->removeNode(node->id());
                break;
            case 4:
                root->moveNode(node->id(), all[pick(all.size())]->id(), static_cast<qint64>(pick(3)));
                break;
            case 5:
                node->setCollapsed(!node->isCollapsed());
                break;
            case 6:
                node->setQuote(!node->isQuote());
                break;
            default:
                // What undo hands back: other node objects with the same ids and texts.
                root = root->deepCopy(false);
            }
            const QRectF bounds = kept.update(root);

            const NodeLayoutMap fresh = layoutTree(root);
            ASSERT_EQ(kept.layouts, fresh) << "seed " << seed << " step " << step;
            EXPECT_EQ(bounds, computeContentBounds(fresh));
            SermonNodeMap index;
            indexNodesByID(root, index);
            ASSERT_EQ(kept.nodes, index) << "seed " << seed << " step " << step;
            SermonNodeMap parentOf;
            indexParentsByChildID(root, parentOf);
            ASSERT_EQ(kept.parents.size(), parentOf.size()) << "seed " << seed << " step " << step;
            for (auto it = parentOf.cbegin(); it != parentOf.cend(); ++it)
                ASSERT_EQ(kept.parents.value(it.key()), it.value()->id()) << "seed " << seed << " step " << step;
            ASSERT_EQ(kept.words.size(), index.size());
            for (auto it = index.cbegin(); it != index.cend(); ++it)
                ASSERT_EQ(kept.words.value(it.key(), -1), wordCount(it.value())) << "seed " << seed;
            EXPECT_EQ(kept.cache.size(), index.size());
            for (auto it = kept.layouts.cbegin(); it != kept.layouts.cend(); ++it) {
                const BranchBounds* branch = kept.layouts.branchBounds(it);
                ASSERT_TRUE(branch) << "seed " << seed << " step " << step;
                ASSERT_EQ(*branch, branchOf(index.value(it.key()), fresh)) << "seed " << seed << " step " << step;
            }
        }
        // Layouts changed after the pass (moved for an animation) have no branch bounds to mislead.
        NodeLayoutMap moved = kept.layouts;
        moved.find(root->id())->origin += QPointF(0, 500);
        EXPECT_FALSE(moved.branchBounds(moved.constFind(root->id())));
        EXPECT_TRUE(kept.layouts.branchBounds(kept.layouts.constFind(root->id())));
    }
}

TEST(TreeLayoutCacheTest, MeasuresOnlyTextsItHasNotMeasuredAsTheyAre)
{
    std::mt19937 random(5);
    SermonNodePtr root = sermon(60, random);
    KeptPass kept;
    kept.update(root);
    EXPECT_EQ(kept.cache.lastMeasuredCount(), 60);
    kept.update(root);
    EXPECT_EQ(kept.cache.lastMeasuredCount(), 0);

    SermonNodePtr point = root->children().front();
    point->setText(QStringLiteral("A longer wording of the first point"));
    kept.update(root);
    EXPECT_EQ(kept.cache.lastMeasuredCount(), 1);

    // Moving among siblings, folding and unfolding, and undo's copy measure nothing again.
    root->moveNode(point->id(), root->id(), static_cast<qint64>(root->children().size()));
    kept.update(root);
    EXPECT_EQ(kept.cache.lastMeasuredCount(), 0);
    point->setCollapsed(true);
    kept.update(root);
    point->setCollapsed(false);
    kept.update(root);
    EXPECT_EQ(kept.cache.lastMeasuredCount(), 0);
    root = root->deepCopy(false);
    kept.update(root);
    EXPECT_EQ(kept.cache.lastMeasuredCount(), 0);
    EXPECT_EQ(kept.layouts, layoutTree(root));
}

TEST(TreeLayoutCacheTest, TextsMeasuredByWorkerThreadsMeasureAsOneByOne)
{
    // Enough texts that worker threads share the measuring, in all three fonts.
    auto root = SermonNode::create(QStringLiteral("Title"));
    const QString kinds[] = { QStringLiteral("Grace upon grace"), QString::fromUtf8("\xF0\x9F\x94\xB4 Repent"),
        QStringLiteral("two") + QChar(u'\u2028') + QStringLiteral("lines"), QString() };
    for (int p = 0; p < 60; ++p) {
        SermonNodePtr point = root->addChild(QStringLiteral("Point %1").arg(p));
        for (int l = 0; l < 70; ++l)
            point->addChild(kinds[l % 4] + QString::number(l));
    }
    ASSERT_GT(static_cast<qsizetype>(root->allNodes().size()), TreeLayoutCache::parallelMeasuringThreshold);
    const NodeLayoutMap layouts = layoutTree(root);
    const std::vector<SermonNodePtr> all = root->allNodes();
    for (size_t i = 0; i < all.size(); i += 5) {
        const SermonNode& node = *all[i];
        ASSERT_EQ(layouts.value(node.id()).size, measureNode(node.text(), node.depth(), !node.hasChildren()))
            << node.text().toStdString();
    }
}
