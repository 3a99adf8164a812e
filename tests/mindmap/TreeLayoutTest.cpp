#include "mindmap/TreeLayout.h"

#include "platform/Typography.h"
#include "support/SignpostRecorder.h"

#include <QFontMetricsF>
#include <QRectF>

#include <gtest/gtest.h>

#include <cmath>
#include <random>

using namespace kestrion;

namespace {

const QChar lineSeparator(u'\u2028');

// Expected sizes come from the metrics of the font that actually resolved.
qreal lineHeight(qint64 depth)
{
    const QFontMetricsF m(Typography::nodeFont(depth));
    return std::ceil(m.ascent() + std::abs(m.descent()) + m.leading());
}

qreal lineWidth(const QString& line, qint64 depth)
{
    const QFontMetricsF m(Typography::nodeFont(depth));
    return std::ceil(m.horizontalAdvance(line.isEmpty() ? QStringLiteral(" ") : line));
}

QSizeF box(const QStringList& lines, qint64 depth, bool isLeaf)
{
    qreal widest = 0;
    for (const QString& line : lines)
        widest = std::max(widest, lineWidth(line, depth));
    return { widest + 32, lineHeight(depth) * static_cast<qreal>(lines.size()) + (isLeaf ? 6 : 16) };
}

QRectF rectOf(const NodeLayout& layout)
{
    return { layout.origin, layout.size };
}

} // namespace

TEST(TreeLayoutTest, ALoneRootIsOneLeafAtFortyForty)
{
    auto root = SermonNode::create(QStringLiteral("Grace upon grace"));
    const NodeLayoutMap layouts = layoutTree(root);
    ASSERT_EQ(layouts.size(), 1);
    const NodeLayout& l = layouts[root->id()];
    EXPECT_EQ(l.nodeID, root->id());
    EXPECT_EQ(l.origin, QPointF(40, 40));
    EXPECT_EQ(l.size, box({ "Grace upon grace" }, 0, true));
    EXPECT_EQ(l.size.height(), lineHeight(0) + 6);
    EXPECT_EQ(l.depth, 0);
    EXPECT_TRUE(l.isLeaf);
    EXPECT_FALSE(l.hasOnlyLeafChildren);
    EXPECT_FALSE(l.isQuote);
}

TEST(TreeLayoutTest, LeafChildrenStand28RightOfTheirParentAndTwoApart)
{
    auto root = SermonNode::create(QStringLiteral("Title"));
    auto a = root->addChild(QStringLiteral("First point"));
    auto b = root->addChild(QStringLiteral("Second"));
    auto c = root->addChild(QStringLiteral("A third, longer point"));
    const NodeLayoutMap layouts = layoutTree(root);
    ASSERT_EQ(layouts.size(), 4);

    const QSizeF rootBox = box({ "Title" }, 0, false);
    const NodeLayout& r = layouts[root->id()];
    EXPECT_EQ(r.size, rootBox);
    EXPECT_FALSE(r.isLeaf);
    EXPECT_TRUE(r.hasOnlyLeafChildren);

    const qreal childX = 40 + rootBox.width() + 28;
    qreal y = 40;
    for (const auto& child : { a, b, c }) {
        const NodeLayout& l = layouts[child->id()];
        EXPECT_EQ(l.origin, QPointF(childX, y)) << child->text().toStdString();
        EXPECT_EQ(l.size, box({ child->text() }, 1, true));
        EXPECT_TRUE(l.isLeaf);
        EXPECT_FALSE(l.hasOnlyLeafChildren);
        EXPECT_EQ(l.depth, 1);
        y += l.size.height() + 2;
    }
    const qreal span = y - 2 - 40;
    ASSERT_LT(rootBox.height(), span);
    EXPECT_EQ(r.origin, QPointF(40, 40 + (span - rootBox.height()) * 0.5)) << "centred on its children's band";
}

TEST(TreeLayoutTest, ParentsWithGrandchildrenSpaceChildren40RightAndEightApart)
{
    auto root = SermonNode::create(QStringLiteral("Title"));
    auto a = root->addChild(QStringLiteral("Point A"));
    auto a1 = a->addChild(QStringLiteral("Sub A1"));
    auto a2 = a->addChild(QStringLiteral("Sub A2"));
    auto b = root->addChild(QStringLiteral("Point B"));
    const NodeLayoutMap layouts = layoutTree(root);
    ASSERT_EQ(layouts.size(), 5);

    const NodeLayout& r = layouts[root->id()];
    EXPECT_FALSE(r.hasOnlyLeafChildren);
    const qreal childX = 40 + r.size.width() + 40;

    // A's band is its two leaves, 2 apart; A is centred on them.
    const NodeLayout& la = layouts[a->id()];
    const NodeLayout& la1 = layouts[a1->id()];
    const NodeLayout& la2 = layouts[a2->id()];
    EXPECT_EQ(la.size, box({ "Point A" }, 1, false));
    EXPECT_TRUE(la.hasOnlyLeafChildren);
    EXPECT_EQ(la1.origin, QPointF(childX + la.size.width() + 28, 40));
    EXPECT_EQ(la2.origin, QPointF(la1.origin.x(), 40 + la1.size.height() + 2));
    EXPECT_EQ(la2.size, box({ "Sub A2" }, 2, true));
    const qreal bandA = la1.size.height() + 2 + la2.size.height();
    const qreal aHeight = std::max(bandA, la.size.height());
    EXPECT_EQ(la.origin.x(), childX);
    EXPECT_EQ(la.origin.y(), la.size.height() < bandA ? 40 + (bandA - la.size.height()) * 0.5 : 40);

    // B follows A's whole band, 8 below it.
    const NodeLayout& lb = layouts[b->id()];
    EXPECT_EQ(lb.origin, QPointF(childX, 40 + aHeight + 8));

    const qreal span = aHeight + 8 + lb.size.height();
    EXPECT_EQ(r.origin.y(), r.size.height() < span ? 40 + (span - r.size.height()) * 0.5 : 40);
}

TEST(TreeLayoutTest, AParentTallerThanItsChildrenKeepsItsTopAndSoDoTheChildren)
{
    QString tall = QStringLiteral("one");
    for (int i = 0; i < 6; ++i)
        tall += lineSeparator + QStringLiteral("more");
    auto root = SermonNode::create(tall);
    auto child = root->addChild(QStringLiteral("only child"));
    const NodeLayoutMap layouts = layoutTree(root);
    const NodeLayout& r = layouts[root->id()];
    const NodeLayout& c = layouts[child->id()];
    ASSERT_GT(r.size.height(), c.size.height());
    EXPECT_EQ(r.origin, QPointF(40, 40));
    EXPECT_EQ(c.origin.y(), 40);
    EXPECT_EQ(c.origin.x(), 40 + r.size.width() + 28);
}

TEST(TreeLayoutTest, CollapsedNodesAreLaidOutWithoutTheirDescendants)
{
    auto root = SermonNode::create(QStringLiteral("Title"));
    auto folded = root->addChild(QStringLiteral("Folded"));
    auto hidden = folded->addChild(QStringLiteral("Hidden"));
    auto hiddenDeeper = hidden->addChild(QStringLiteral("Deeper"));
    auto leaf = root->addChild(QStringLiteral("Leaf"));
    folded->setCollapsed(true);
    folded->setQuote(true);
    const NodeLayoutMap layouts = layoutTree(root);

    EXPECT_EQ(layouts.size(), 3);
    EXPECT_FALSE(layouts.contains(hidden->id()));
    EXPECT_FALSE(layouts.contains(hiddenDeeper->id()));
    const NodeLayout& f = layouts[folded->id()];
    EXPECT_EQ(f.size, box({ "Folded" }, 1, false)) << "measured as a node with children";
    EXPECT_FALSE(f.isLeaf);
    EXPECT_FALSE(f.hasOnlyLeafChildren);
    EXPECT_TRUE(f.isQuote);
    // The root's children are the folded node and a leaf: none of them shows children, but the
    // folded one has some, so the root is not a parent of leaves only.
    const NodeLayout& r = layouts[root->id()];
    EXPECT_FALSE(r.hasOnlyLeafChildren);
    EXPECT_EQ(f.origin.x(), 40 + r.size.width() + 40);
    EXPECT_EQ(layouts[leaf->id()].origin.y(), 40 + f.size.height() + 8);
}

TEST(TreeLayoutTest, QuoteFlagsShowOnlyOnNodesWithoutShownChildren)
{
    auto root = SermonNode::create(QStringLiteral("Title"));
    auto parent = root->addChild(QStringLiteral("Quoted parent"));
    parent->addChild(QStringLiteral("child"));
    auto quoteLeaf = root->addChild(QStringLiteral("Quoted leaf"));
    parent->setQuote(true);
    quoteLeaf->setQuote(true);
    const NodeLayoutMap layouts = layoutTree(root);
    EXPECT_FALSE(layouts[parent->id()].isQuote);
    EXPECT_TRUE(layouts[quoteLeaf->id()].isQuote);
}

TEST(TreeLayoutTest, LineSeparatorsAndLineFeedsBothBreakLines)
{
    const QString withSeparator = QStringLiteral("In the beginning") + lineSeparator + QStringLiteral("was the Word");
    const QString withLineFeed = QStringLiteral("In the beginning\nwas the Word");
    const QSizeF expected = box({ "In the beginning", "was the Word" }, 2, true);
    EXPECT_EQ(measureNode(withSeparator, 2, true), expected);
    EXPECT_EQ(measureNode(withLineFeed, 2, true), expected);

    // A break at the end gives an empty last line, measured as a space.
    EXPECT_EQ(measureNode(QStringLiteral("Amen") + lineSeparator, 2, true), box({ "Amen", " " }, 2, true));
    EXPECT_EQ(measureNode(QStringLiteral("\n"), 2, true), box({ " ", " " }, 2, true));
    // Consecutive breaks give empty lines between them; both kinds mix.
    EXPECT_EQ(measureNode(QStringLiteral("a\n") + lineSeparator + QStringLiteral("b"), 1, false),
        box({ "a", "", "b" }, 1, false));
    // A carriage return is not a line break.
    EXPECT_EQ(measureNode(QStringLiteral("a\rb"), 2, true).height(), lineHeight(2) + 6);
}

TEST(TreeLayoutTest, AnEmptyTextIsMeasuredAsOneSpace)
{
    for (qint64 depth : { 0, 1, 2 }) {
        const QSizeF size = measureNode(QString(), depth, true);
        EXPECT_EQ(size.width(), lineWidth(QStringLiteral(" "), depth) + 32);
        EXPECT_EQ(size.height(), lineHeight(depth) + 6);
        EXPECT_EQ(measureNode(QString(), depth, false).height(), lineHeight(depth) + 16);
    }
}

TEST(TreeLayoutTest, EachDepthIsMeasuredInItsOwnFont)
{
    const QString text = QStringLiteral("Therefore, if anyone is in Christ");
    for (qint64 depth : { 0, 1, 2, 3, 9 })
        EXPECT_EQ(measureNode(text, depth, true), box({ text }, depth, true)) << "depth " << depth;
    // Sizes are whole points.
    const QSizeF s = measureNode(text, 1, false);
    EXPECT_EQ(s.width(), std::floor(s.width()));
    EXPECT_EQ(s.height(), std::floor(s.height()));
}

TEST(TreeLayoutTest, MarkersAndOtherScriptsAreMeasuredAsTheyAre)
{
    const QString marked = QString::fromUtf8("\xF0\x9F\x94\xB4 Repent");
    EXPECT_EQ(measureNode(marked, 1, true), box({ marked }, 1, true));
    EXPECT_GT(measureNode(marked, 1, true).width(), measureNode(QStringLiteral("Repent"), 1, true).width());
    const QString hebrew = QString::fromUtf8("\xD7\x91\xD7\xA8\xD7\x90\xD7\xA9\xD7\x99\xD7\xAA");
    EXPECT_EQ(measureNode(hebrew, 2, true), box({ hebrew }, 2, true));
}

TEST(TreeLayoutTest, LayoutMarksItsPassWithSignposts)
{
    auto root = SermonNode::create(QStringLiteral("Title"));
    root->addChild(QStringLiteral("a"))->addChild(QStringLiteral("b"));
    root->children().front()->setCollapsed(true);
    test::SignpostRecorder recorder;
    layoutTree(root);
    ASSERT_EQ(recorder.lines().size(), 3);
    EXPECT_TRUE(recorder.lines()[0].startsWith("begin TreeLayout id="));
    EXPECT_EQ(recorder.lines()[1], "event TreeLayout.done nodes=2");
    EXPECT_TRUE(recorder.lines()[2].startsWith("end TreeLayout id="));
    EXPECT_FALSE(recorder.lines()[2].contains("[Error]"));
}

TEST(TreeLayoutTest, AVeryDeepTreeLaysOutWithoutExhaustingTheStack)
{
    constexpr int levels = 50000;
    auto root = SermonNode::create(QStringLiteral("deep"));
    SermonNodePtr node = root;
    for (int i = 1; i < levels; ++i)
        node = node->addChild(QStringLiteral("x"));
    const NodeLayoutMap layouts = layoutTree(root);
    EXPECT_EQ(layouts.size(), levels);
    const NodeLayout& last = layouts[node->id()];
    EXPECT_TRUE(last.isLeaf);
    EXPECT_EQ(last.origin.y(), 40) << "a chain of single children starts level with the root";
    EXPECT_GT(last.origin.x(), layouts[root->id()].origin.x());
}

TEST(TreeLayoutTest, RandomTreesNeverOverlapAndKeepEachFamilyInOneColumn)
{
    std::mt19937 random(20240607);
    for (int round = 0; round < 20; ++round) {
        auto root = SermonNode::create(QStringLiteral("Root"));
        std::vector<SermonNodePtr> nodes { root };
        const int count = 2 + static_cast<int>(random() % 120);
        for (int i = 0; i < count; ++i) {
            SermonNodePtr parent = nodes[random() % nodes.size()];
            QString text = QStringLiteral("node %1").arg(i);
            if (random() % 5 == 0)
                text += lineSeparator + QStringLiteral("second line");
            auto child = parent->addChild(text);
            child->setQuote(random() % 7 == 0);
            nodes.push_back(child);
        }
        qsizetype visible = 0;
        for (const auto& n : nodes) {
            if (n->hasChildren() && random() % 6 == 0)
                n->setCollapsed(true);
        }
        // Count the shown nodes independently of the layout.
        std::vector<SermonNode*> stack { root.get() };
        while (!stack.empty()) {
            SermonNode* n = stack.back();
            stack.pop_back();
            ++visible;
            if (!n->isCollapsed()) {
                for (const auto& c : n->children())
                    stack.push_back(c.get());
            }
        }

        const NodeLayoutMap layouts = layoutTree(root);
        ASSERT_EQ(layouts.size(), visible) << "round " << round;
        const QList<NodeLayout> all = layouts.values();
        for (qsizetype i = 0; i < all.size(); ++i) {
            for (qsizetype j = i + 1; j < all.size(); ++j) {
                ASSERT_FALSE(rectOf(all[i]).intersects(rectOf(all[j]))) << "round " << round << ": two boxes overlap";
            }
        }
        for (const auto& n : nodes) {
            if (!layouts.contains(n->id()) || n->isCollapsed() || !n->hasChildren())
                continue;
            const NodeLayout& p = layouts[n->id()];
            const qreal gapX = n->hasOnlyLeafChildren() ? 28 : 40;
            qreal previousBottom = -1;
            for (const auto& c : n->children()) {
                const NodeLayout& l = layouts[c->id()];
                EXPECT_EQ(l.origin.x(), p.origin.x() + p.size.width() + gapX);
                EXPECT_GT(l.origin.y(), previousBottom);
                previousBottom = l.origin.y() + l.size.height();
            }
        }
    }
}

TEST(TreeLayoutTest, ANullRootGivesNoLayouts)
{
    EXPECT_TRUE(layoutTree(nullptr).isEmpty());
}

// Navigation over:
// root
//   A          A1 (A1a, A1b), A2
//   B          folded, with B1
//   C          C1
class NavigationTest : public ::testing::Test {
protected:
    SermonNodePtr root = SermonNode::create(QStringLiteral("root"));
    SermonNodePtr a = root->addChild(QStringLiteral("A"));
    SermonNodePtr a1 = a->addChild(QStringLiteral("A1"));
    SermonNodePtr a1a = a1->addChild(QStringLiteral("A1a"));
    SermonNodePtr a1b = a1->addChild(QStringLiteral("A1b"));
    SermonNodePtr a2 = a->addChild(QStringLiteral("A2"));
    SermonNodePtr b = root->addChild(QStringLiteral("B"));
    SermonNodePtr b1 = b->addChild(QStringLiteral("B1"));
    SermonNodePtr c = root->addChild(QStringLiteral("C"));
    SermonNodePtr c1 = c->addChild(QStringLiteral("C1"));

    void SetUp() override { b->setCollapsed(true); }
};

TEST_F(NavigationTest, DescendingFollowsFirstOrLastChildrenDownToTheLimit)
{
    EXPECT_EQ(descendToNavigationDepth(root, 2, true), a1->id());
    EXPECT_EQ(descendToNavigationDepth(root, 2, false), c1->id());
    EXPECT_EQ(descendToNavigationDepth(root, 3, true), a1a->id());
    EXPECT_EQ(descendToNavigationDepth(a, 3, false), a2->id()) << "a childless node ends the descent";
    EXPECT_EQ(descendToNavigationDepth(b, 5, true), b->id()) << "never into a folded node";
    EXPECT_EQ(descendToNavigationDepth(a, 1, true), a->id()) << "a node at the limit stays";
    EXPECT_EQ(descendToNavigationDepth(a1, 0, true), a1->id()) << "as does one below it";
    EXPECT_EQ(descendToNavigationDepth(root, -1, true), root->id());
    EXPECT_TRUE(descendToNavigationDepth(nullptr, 2, true).isNull());
}

TEST_F(NavigationTest, DownMovesInReadingOrderAtTheNavigationDepth)
{
    EXPECT_EQ(adjacentVisibleNode(a1->id(), root, 2, true), a2->id());
    EXPECT_EQ(adjacentVisibleNode(a2->id(), root, 2, true), b->id()) << "the folded sibling itself";
    EXPECT_EQ(adjacentVisibleNode(b->id(), root, 2, true), c1->id());
    EXPECT_EQ(adjacentVisibleNode(c1->id(), root, 2, true), std::nullopt) << "the last node";
    EXPECT_EQ(adjacentVisibleNode(a1a->id(), root, 2, true), a1b->id()) << "below the depth, siblings still count";
    EXPECT_EQ(adjacentVisibleNode(a1b->id(), root, 3, true), a2->id());
    EXPECT_EQ(adjacentVisibleNode(a->id(), root, 1, true), b->id());
}

TEST_F(NavigationTest, UpMovesBackToTheLastNodeUnderThePreviousSibling)
{
    EXPECT_EQ(adjacentVisibleNode(a2->id(), root, 2, false), a1->id());
    EXPECT_EQ(adjacentVisibleNode(a2->id(), root, 3, false), a1b->id());
    EXPECT_EQ(adjacentVisibleNode(c1->id(), root, 2, false), b->id());
    EXPECT_EQ(adjacentVisibleNode(b->id(), root, 2, false), a2->id());
    EXPECT_EQ(adjacentVisibleNode(a1->id(), root, 2, false), std::nullopt) << "first at the depth";
    EXPECT_EQ(adjacentVisibleNode(root->id(), root, 2, false), std::nullopt);
    EXPECT_EQ(adjacentVisibleNode(root->id(), root, 2, true), std::nullopt);
}

TEST_F(NavigationTest, UnknownNodesHaveNoNeighbour)
{
    EXPECT_EQ(adjacentVisibleNode(QUuid::createUuid(), root, 2, true), std::nullopt);
    EXPECT_EQ(neighborOfAncestor(QUuid::createUuid(), root, 2, false), std::nullopt);
    EXPECT_EQ(neighborOfAncestor(a->id(), nullptr, 2, true), std::nullopt);
    // A node inside a folded branch still finds its neighbours in the tree.
    EXPECT_EQ(neighborOfAncestor(b1->id(), root, 2, true), c1->id());
}

TEST_F(NavigationTest, NeighbourOfAnAncestorClimbsFromThatAncestor)
{
    EXPECT_EQ(neighborOfAncestor(a->id(), root, 2, true), b->id()) << "B is folded: it is the target";
    b->setCollapsed(false);
    EXPECT_EQ(neighborOfAncestor(a->id(), root, 2, true), b1->id());
    EXPECT_EQ(neighborOfAncestor(c->id(), root, 3, false), b1->id());
    EXPECT_EQ(neighborOfAncestor(a->id(), root, 2, false), std::nullopt);
}

TEST_F(NavigationTest, PathsComeFromTheIndexesOnlyWhileTheyHoldForTheTree)
{
    SermonNodeMap nodes;
    indexNodesByID(root, nodes);
    SermonNodeMap parentNodes;
    indexParentsByChildID(root, parentNodes);
    QHash<QUuid, QUuid> parents;
    for (auto it = parentNodes.cbegin(); it != parentNodes.cend(); ++it)
        parents.insert(it.key(), it.value()->id());
    const auto indexed = [&](const SermonNodePtr& node, const SermonNodePtr& top) {
        return pathToNode(node->id(), top, &nodes, &parents);
    };
    for (const SermonNodePtr& node : root->allNodes())
        EXPECT_EQ(indexed(node, root), pathToNode(node->id(), root)) << node->text().toStdString();
    EXPECT_EQ(adjacentVisibleNode(a2->id(), root, 2, true, &nodes, &parents), b->id());

    // The tree changed after the indexes were made: a move, then other objects under the same ids.
    ASSERT_TRUE(root->moveNode(a2->id(), c->id(), 0));
    EXPECT_EQ(indexed(a2, root), (std::vector<SermonNode*> { root.get(), c.get(), a2.get() }));
    root->mutableChildren().front() = a->deepCopy(false);
    EXPECT_EQ(indexed(a1b, root), pathToNode(a1b->id(), root));
    EXPECT_TRUE(indexed(SermonNode::create(QStringLiteral("elsewhere")), root).empty());
}
