#include "mindmap/NodeActionState.h"

#include "document/DocumentController.h"
#include "document/SermonDocument.h"

#include <gtest/gtest.h>

using namespace kestrion;

namespace {

// Root
//   Main A
//     a1, a2 (leaves)
//   Main B (collapsed)
//     b1
//   Main C (leaf)
struct Tree {
    SermonNodePtr root = SermonNode::create(QStringLiteral("Sermon"));
    SermonNodePtr mainA = root->addChild(QStringLiteral("Main A"));
    SermonNodePtr a1 = mainA->addChild(QStringLiteral("a1"));
    SermonNodePtr a2 = mainA->addChild(QStringLiteral("a2"));
    SermonNodePtr mainB = root->addChild(QStringLiteral("Main B"));
    SermonNodePtr b1 = mainB->addChild(QStringLiteral("b1"));
    SermonNodePtr mainC = root->addChild(QStringLiteral("Main C"));
    SermonNodeMap lookup;

    Tree()
    {
        mainB->setCollapsed(true);
        indexNodesByID(root, lookup);
    }

    NodeActionState state(std::initializer_list<SermonNodePtr> nodes, std::optional<QUuid> groupParent = {}) const
    {
        QSet<QUuid> ids;
        for (const SermonNodePtr& node : nodes)
            ids.insert(node->id());
        return computeNodeActionState(ids, root->id(), lookup, groupParent);
    }
};

} // namespace

TEST(NodeActionStateTest, EmptySelectionAllowsNothing)
{
    Tree tree;
    EXPECT_EQ(tree.state({}), NodeActionState {});
}

TEST(NodeActionStateTest, TheRootAllowsOnlyTheSelectionFlags)
{
    Tree tree;
    NodeActionState rootOnly;
    rootOnly.hasAnySelection = true;
    EXPECT_EQ(tree.state({ tree.root }), rootOnly);

    NodeActionState rootAndLeaf = rootOnly;
    rootAndLeaf.hasMultiSelection = true;
    tree.a1->setText(QStringLiteral("one\u2028two. Then"));
    EXPECT_EQ(tree.state({ tree.root, tree.a1 }), rootAndLeaf);
}

TEST(NodeActionStateTest, APlainLeaf)
{
    Tree tree;
    const NodeActionState s = tree.state({ tree.a1 }, tree.mainA->id());
    EXPECT_TRUE(s.hasAnySelection);
    EXPECT_TRUE(s.hasSelection);
    EXPECT_FALSE(s.hasMultiSelection);
    EXPECT_FALSE(s.canFold);
    EXPECT_FALSE(s.canUnfold);
    EXPECT_FALSE(s.canSplit);
    EXPECT_FALSE(s.canSplitSentences);
    EXPECT_TRUE(s.canPromote);
    EXPECT_TRUE(s.canToggleQuote);
    EXPECT_FALSE(s.isQuote);
}

TEST(NodeActionStateTest, FoldingFollowsChildrenAndCollapsedState)
{
    Tree tree;
    const NodeActionState expanded = tree.state({ tree.mainA });
    EXPECT_TRUE(expanded.canFold);
    EXPECT_FALSE(expanded.canUnfold);
    EXPECT_FALSE(expanded.canToggleQuote);

    const NodeActionState collapsed = tree.state({ tree.mainB });
    EXPECT_FALSE(collapsed.canFold);
    EXPECT_TRUE(collapsed.canUnfold);

    const NodeActionState both = tree.state({ tree.mainA, tree.mainB, tree.mainC });
    EXPECT_TRUE(both.canFold);
    EXPECT_TRUE(both.canUnfold);
    EXPECT_TRUE(both.hasMultiSelection);
}

TEST(NodeActionStateTest, OnlyLeavesAreOfferedSplits)
{
    Tree tree;
    tree.mainA->setText(QStringLiteral("Main\u2028A. Then more"));
    const NodeActionState s = tree.state({ tree.mainA });
    EXPECT_FALSE(s.canSplit);
    EXPECT_FALSE(s.canSplitSentences);

    tree.a1->setText(QStringLiteral("Main\u2028A. Then more"));
    const NodeActionState leaf = tree.state({ tree.mainA, tree.a1 });
    EXPECT_TRUE(leaf.canSplit);
    EXPECT_TRUE(leaf.canSplitSentences);
}

TEST(NodeActionStateTest, SentenceBreakNeedsWhiteSpaceThenAnUpperCaseLetter)
{
    EXPECT_TRUE(hasSentenceBreak(QStringLiteral("Amen. Then we pray")));
    EXPECT_TRUE(hasSentenceBreak(QStringLiteral("Really?  Yes")));
    EXPECT_TRUE(hasSentenceBreak(QStringLiteral("Go!\u2028Now")));
    EXPECT_TRUE(hasSentenceBreak(QStringLiteral("Fin.\u00a0\u00c9glise")));
    EXPECT_TRUE(hasSentenceBreak(QStringLiteral("Amen. \u0394\u03cc\u03be\u03b1")));
    EXPECT_FALSE(hasSentenceBreak(QStringLiteral("e.g. this")));
    EXPECT_FALSE(hasSentenceBreak(QStringLiteral("Done!")));
    EXPECT_FALSE(hasSentenceBreak(QStringLiteral("Done.Then")));
    EXPECT_FALSE(hasSentenceBreak(QStringLiteral("Amen, Then")));
    EXPECT_FALSE(hasSentenceBreak(QStringLiteral("Amen. 2 Kings")));
}

TEST(NodeActionStateTest, QuoteFlags)
{
    Tree tree;
    tree.a1->setQuote(true);
    const NodeActionState mixed = tree.state({ tree.a1, tree.a2 });
    EXPECT_TRUE(mixed.canToggleQuote);
    EXPECT_FALSE(mixed.isQuote);

    tree.a2->setQuote(true);
    const NodeActionState quotes = tree.state({ tree.a1, tree.a2 });
    EXPECT_TRUE(quotes.canToggleQuote);
    EXPECT_TRUE(quotes.isQuote);

    const NodeActionState withParent = tree.state({ tree.a1, tree.mainA });
    EXPECT_FALSE(withParent.canToggleQuote);
    EXPECT_FALSE(withParent.isQuote);
}

TEST(NodeActionStateTest, IdsMissingFromTheLookupArePassedOver)
{
    Tree tree;
    const QSet<QUuid> gone = { QUuid::createUuid(), QUuid::createUuid() };
    const NodeActionState s = computeNodeActionState(gone, tree.root->id(), tree.lookup, std::nullopt);
    NodeActionState expected;
    expected.hasAnySelection = true;
    expected.hasSelection = true;
    expected.hasMultiSelection = true;
    expected.canToggleQuote = true;
    EXPECT_EQ(s, expected);
}

namespace {

// The same tree in a document, with a controller selecting in it.
struct ControlledTree : Tree {
    SermonDocument document { root };
    DocumentController controller { &document };
    QHash<QUuid, QUuid> parents;

    ControlledTree()
    {
        SermonNodeMap parentNodes;
        indexParentsByChildID(root, parentNodes);
        for (auto it = parentNodes.cbegin(); it != parentNodes.cend(); ++it)
            parents.insert(it.key(), it.value()->id());
    }

    NodeActionState select(std::initializer_list<SermonNodePtr> nodes, const SermonNodePtr& primary = nullptr)
    {
        QSet<QUuid> ids;
        for (const SermonNodePtr& node : nodes)
            ids.insert(node->id());
        controller.setSelection(ids, primary ? std::optional<QUuid>(primary->id()) : std::nullopt, std::nullopt);
        // The group the menus see is the one the controller's moves act on.
        const auto context = controller.siblingSelectionContext();
        EXPECT_EQ(siblingGroupParentID(controller.effectiveSelection(), parents),
            context ? std::optional<QUuid>(context->parent->id()) : std::nullopt);
        return computeNodeActionState(controller, lookup, parents);
    }
};

} // namespace

TEST(NodeActionStateTest, ReadsTheControllersEffectiveSelection)
{
    ControlledTree tree;
    EXPECT_EQ(computeNodeActionState(tree.controller, tree.lookup, tree.parents), NodeActionState {});

    // The primary alone, and the primary counted once when it is also in the set.
    EXPECT_EQ(tree.select({}, tree.a1), tree.state({ tree.a1 }, tree.mainA->id()));
    EXPECT_FALSE(tree.select({ tree.a1 }, tree.a1).hasMultiSelection);
    EXPECT_TRUE(tree.select({ tree.a2 }, tree.a1).hasMultiSelection);
}

TEST(NodeActionStateTest, SelectAllAllowsOnlyTheSelectionFlags)
{
    ControlledTree tree;
    QSet<QUuid> all;
    for (const SermonNodePtr& node : tree.root->allNodes())
        all.insert(node->id());
    tree.controller.setSelectedNodeIDs(all);
    NodeActionState expected;
    expected.hasAnySelection = true;
    expected.hasMultiSelection = true;
    EXPECT_EQ(computeNodeActionState(tree.controller, tree.lookup, tree.parents), expected);
}

TEST(NodeActionStateTest, PromoteFollowsTheControllersSiblingGroup)
{
    ControlledTree tree;
    EXPECT_TRUE(tree.select({ tree.a1, tree.a2 }).canPromote);
    EXPECT_TRUE(tree.select({ tree.a2 }).canPromote);
    EXPECT_FALSE(tree.select({ tree.mainA, tree.mainC }).canPromote);
    EXPECT_FALSE(tree.select({ tree.a1, tree.b1 }).canPromote);
    // A node with its own child is the group of that node alone.
    EXPECT_FALSE(tree.select({ tree.mainA, tree.a1 }).canPromote);
    EXPECT_FALSE(tree.select({ tree.a1, tree.mainB }).canPromote);
    EXPECT_FALSE(tree.select({ tree.root, tree.a1, tree.a2 }).canPromote);
}

TEST(NodeActionStateTest, SplitIsOfferedExactlyWhenTheLineSplitWouldSplit)
{
    for (char16_t lineBreak : { 0x000A, 0x000B, 0x000C, 0x000D, 0x0085, 0x2028, 0x2029, 0x2027, 0x0009, 0x00A0 }) {
        ControlledTree tree;
        tree.a1->setText(QStringLiteral("first") + QChar(lineBreak) + QStringLiteral("second"));
        const bool offered = tree.select({ tree.a1 }).canSplit;
        tree.controller.splitLines();
        const bool split = tree.mainA->children().size() == 3;
        EXPECT_EQ(offered, split) << int(lineBreak);
    }
}
