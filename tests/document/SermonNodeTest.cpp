#include "document/SermonNode.h"

#include "support/TreeDump.h"

#include <gtest/gtest.h>

#include <QSet>

using namespace kestrion;

namespace {

QStringList texts(const std::vector<SermonNodePtr>& nodes)
{
    QStringList result;
    for (const auto& n : nodes)
        result << n->text();
    return result;
}

struct Tree {
    SermonNodePtr root = SermonNode::create(QStringLiteral("Title"));
    SermonNodePtr a = root->addChild(QStringLiteral("A"));
    SermonNodePtr b = root->addChild(QStringLiteral("B"));
    SermonNodePtr c = root->addChild(QStringLiteral("C"));
    SermonNodePtr a1 = a->addChild(QStringLiteral("A1"));
    SermonNodePtr a11 = a1->addChild(QStringLiteral("A11"));
};

} // namespace

TEST(SermonNodeTest, NewNodesHaveFreshIdsAndDepthOfTheirPlace)
{
    Tree t;
    EXPECT_NE(t.a->id(), t.b->id());
    EXPECT_EQ(t.a->depth(), 1);
    EXPECT_EQ(t.a11->depth(), 3);
    EXPECT_FALSE(t.a->isCollapsed());
    EXPECT_FALSE(t.a->isQuote());
    EXPECT_EQ(texts(t.root->children()), (QStringList { "A", "B", "C" }));
}

TEST(SermonNodeTest, IdsAreRandomUuidsThatDoNotRepeat)
{
    QSet<QUuid> seen;
    for (int i = 0; i < 20000; ++i) {
        const QUuid id = SermonNode::create()->id();
        ASSERT_EQ(id.version(), QUuid::Random) << id.toString().toStdString();
        ASSERT_EQ(id.variant(), QUuid::DCE) << id.toString().toStdString();
        seen.insert(id);
    }
    EXPECT_EQ(seen.size(), 20000);
}

TEST(SermonNodeTest, LookupFindsNodesAndParentsButNotTheRootsParent)
{
    Tree t;
    EXPECT_EQ(t.root->findNode(t.a11->id()), t.a11);
    EXPECT_EQ(t.root->findNode(t.root->id()), t.root);
    EXPECT_EQ(t.root->findNode(QUuid::createUuid()), nullptr);
    EXPECT_EQ(t.root->findParent(t.a11->id()), t.a1);
    EXPECT_EQ(t.root->findParent(t.c->id()), t.root);
    EXPECT_EQ(t.root->findParent(t.root->id()), nullptr);
    EXPECT_EQ(t.root->findParent(QUuid::createUuid()), nullptr);
}

TEST(SermonNodeTest, RefusalsLeaveTheTreeUnchanged)
{
    Tree t;
    const QString before = test::treeShape(t.root);
    EXPECT_FALSE(t.root->removeNode(t.root->id()));
    EXPECT_FALSE(t.root->removeNode(QUuid::createUuid()));
    EXPECT_EQ(t.root->insertSibling(t.root->id(), "x"), nullptr);
    EXPECT_EQ(t.root->insertSiblingBefore(t.root->id(), "x"), nullptr);
    EXPECT_EQ(t.root->insertSibling(QUuid::createUuid(), "x"), nullptr);
    EXPECT_FALSE(t.root->moveNode(t.root->id(), t.a->id(), 0));
    EXPECT_FALSE(t.root->moveNode(t.a->id(), t.a->id(), 0));
    EXPECT_FALSE(t.root->moveNode(t.a->id(), t.a11->id(), 0));
    EXPECT_FALSE(t.root->moveNode(QUuid::createUuid(), t.b->id(), 0));
    EXPECT_FALSE(t.root->moveNode(t.b->id(), QUuid::createUuid(), 0));
    t.c->setQuote(true);
    const QString withQuote = test::treeShape(t.root);
    EXPECT_FALSE(t.root->moveNode(t.b->id(), t.c->id(), 0));
    EXPECT_EQ(test::treeShape(t.root), withQuote);
    t.c->setQuote(false);
    EXPECT_EQ(test::treeShape(t.root), before);
}

TEST(SermonNodeTest, RemoveDetachesTheWholeBranchWhichLivesOnWhereHeld)
{
    Tree t;
    EXPECT_TRUE(t.root->removeNode(t.a->id()));
    EXPECT_EQ(texts(t.root->children()), (QStringList { "B", "C" }));
    EXPECT_EQ(t.root->findNode(t.a11->id()), nullptr);
    EXPECT_EQ(t.a->children().front(), t.a1);
    EXPECT_EQ(t.a11->depth(), 3);
}

TEST(SermonNodeTest, InsertSiblingsAfterAndBefore)
{
    Tree t;
    t.root->setCollapsed(true);
    auto after = t.root->insertSibling(t.b->id(), "after B");
    auto before = t.root->insertSiblingBefore(t.a->id(), "before A");
    ASSERT_TRUE(after && before);
    EXPECT_EQ(texts(t.root->children()), (QStringList { "before A", "A", "B", "after B", "C" }));
    EXPECT_EQ(after->depth(), 1);
    EXPECT_TRUE(t.root->isCollapsed()) << "inserting a sibling does not expand the parent";
    auto deep = t.root->insertSibling(t.a11->id(), "deep");
    EXPECT_EQ(deep->depth(), 3);
}

TEST(SermonNodeTest, AddChildExpandsButNeverGivesAQuoteChildren)
{
    Tree t;
    t.b->setCollapsed(true);
    auto child = t.b->addChild("b1");
    EXPECT_FALSE(t.b->isCollapsed());
    EXPECT_EQ(t.b->children().size(), 1u);
    EXPECT_EQ(child->depth(), 2);

    t.c->setQuote(true);
    t.c->setCollapsed(true);
    auto orphan = t.c->addChild("q1");
    ASSERT_TRUE(orphan);
    EXPECT_EQ(orphan->text(), "q1");
    EXPECT_TRUE(t.c->children().empty());
    EXPECT_TRUE(t.c->isCollapsed());
    EXPECT_EQ(t.root->findNode(orphan->id()), nullptr);
}

TEST(SermonNodeTest, MoveWithinOneParentCountsAmongTheOtherChildren)
{
    struct Case {
        const char* moved;
        qint64 index;
        QStringList expected;
    };
    const Case cases[] = {
        { "A", 2, { "B", "C", "A" } }, { "A", 99, { "B", "C", "A" } }, { "C", 0, { "C", "A", "B" } },
        { "B", 1, { "A", "B", "C" } }, { "C", -5, { "C", "A", "B" } }, // a negative index counts as 0
    };
    for (const Case& c : cases) {
        Tree t;
        SermonNodePtr moved = c.moved == QStringLiteral("A") ? t.a : c.moved == QStringLiteral("B") ? t.b : t.c;
        EXPECT_TRUE(t.root->moveNode(moved->id(), t.root->id(), c.index));
        EXPECT_EQ(texts(t.root->children()), c.expected) << c.moved << " to " << c.index;
    }
}

TEST(SermonNodeTest, MoveRenumbersTheWholeBranchAndKeepsTheParentFolded)
{
    Tree t;
    // A three-level branch at depth 1 moved under a node at depth 3.
    auto target = t.c->addChild("c1")->addChild("c11");
    target->setCollapsed(true);
    ASSERT_EQ(target->depth(), 3);
    EXPECT_TRUE(t.root->moveNode(t.a->id(), target->id(), 0));
    EXPECT_EQ(t.a->depth(), 4);
    EXPECT_EQ(t.a1->depth(), 5);
    EXPECT_EQ(t.a11->depth(), 6);
    EXPECT_TRUE(target->isCollapsed());
    EXPECT_EQ(t.root->findParent(t.a->id()), target);
}

TEST(SermonNodeTest, SetDepthRecursivelyVisitsTheWholeSubtree)
{
    Tree t;
    t.a->setDepthRecursively(10);
    EXPECT_EQ(t.a->depth(), 10);
    EXPECT_EQ(t.a1->depth(), 11);
    EXPECT_EQ(t.a11->depth(), 12);
    EXPECT_EQ(t.b->depth(), 1);
}

TEST(SermonNodeTest, AllNodesIsPreorderIncludingCollapsedBranches)
{
    auto root = SermonNode::create("R");
    auto only = root->addChild("only");
    only->addChild("x");
    only->addChild("y");
    only->setCollapsed(true);
    EXPECT_EQ(texts(root->allNodes()), (QStringList { "R", "only", "x", "y" }));
    Tree t;
    EXPECT_EQ(texts(t.root->allNodes()), (QStringList { "Title", "A", "A1", "A11", "B", "C" }));
}

TEST(SermonNodeTest, HasOnlyLeafChildren)
{
    Tree t;
    EXPECT_FALSE(t.a11->hasOnlyLeafChildren());
    EXPECT_TRUE(t.a1->hasOnlyLeafChildren());
    EXPECT_FALSE(t.root->hasOnlyLeafChildren());
    t.b->setQuote(true);
    EXPECT_FALSE(t.a->hasOnlyLeafChildren());
}

TEST(SermonNodeTest, DeepCopyKeepingIdsIsIndependent)
{
    Tree t;
    t.a1->setCollapsed(true);
    t.b->setQuote(true);
    auto copy = t.root->deepCopy(false);
    for (const auto& n : t.root->allNodes()) {
        auto twin = copy->findNode(n->id());
        ASSERT_TRUE(twin);
        EXPECT_NE(twin, n);
        EXPECT_EQ(twin->text(), n->text());
        EXPECT_EQ(twin->depth(), n->depth());
        EXPECT_EQ(twin->isCollapsed(), n->isCollapsed());
        EXPECT_EQ(twin->isQuote(), n->isQuote());
    }
    EXPECT_EQ(test::treeShape(copy), test::treeShape(t.root));
    copy->findNode(t.a11->id())->setText("changed");
    copy->findNode(t.a->id())->addChild("new");
    EXPECT_EQ(t.a11->text(), "A11");
    EXPECT_EQ(t.a->children().size(), 1u);
}

// The copy a kept undo step takes when typed words are put into it: other steps share its nodes.
TEST(SermonNodeTest, CopyWithTextChangesOneTextAndSharesEverythingOffItsWay)
{
    Tree t;
    t.a1->setCollapsed(true);
    const QString before = test::treeShape(t.root);
    const SermonNodePtr copy = t.root->copyWithText(t.a11->id(), QStringLiteral("typed"));
    ASSERT_TRUE(copy);
    EXPECT_EQ(test::treeShape(t.root), before);
    EXPECT_EQ(copy->findNode(t.a11->id())->text(), QStringLiteral("typed"));
    EXPECT_TRUE(copy->findNode(t.a1->id())->isCollapsed());
    EXPECT_EQ(copy->id(), t.root->id());
    EXPECT_NE(copy->findNode(t.a1->id()), t.a1);
    EXPECT_EQ(copy->children()[1], t.b);
    EXPECT_EQ(copy->children()[2], t.c);
    EXPECT_EQ(t.root->copyWithText(QUuid::createUuid(), QStringLiteral("typed")), nullptr);
}

TEST(SermonNodeTest, DeepCopyWithNewIdsSharesNoId)
{
    Tree t;
    t.a->setDepthRecursively(7); // depths are copied, not renumbered
    auto copy = t.a->deepCopy(true);
    QSet<QUuid> sourceIDs;
    for (const auto& n : t.root->allNodes())
        sourceIDs.insert(n->id());
    for (const auto& n : copy->allNodes())
        EXPECT_FALSE(sourceIDs.contains(n->id()));
    EXPECT_EQ(texts(copy->allNodes()), (QStringList { "A", "A1", "A11" }));
    EXPECT_EQ(copy->depth(), 7);
}

TEST(SermonNodeTest, SettersReportOnlyRealChanges)
{
    auto n = SermonNode::create("same");
    EXPECT_FALSE(n->setText(QStringLiteral("same")));
    EXPECT_TRUE(n->setText(QStringLiteral("other")));
    EXPECT_FALSE(n->setDepth(0));
    EXPECT_TRUE(n->setDepth(2));
    EXPECT_FALSE(n->setCollapsed(false));
    EXPECT_TRUE(n->setCollapsed(true));
    EXPECT_FALSE(n->setQuote(false));
    EXPECT_TRUE(n->setQuote(true));
    EXPECT_EQ(n->text(), "other");
}

TEST(SermonNodeTest, IndexesCoverTheSubtree)
{
    Tree t;
    t.a->setCollapsed(true);
    SermonNodeMap byID;
    indexNodesByID(t.root, byID);
    EXPECT_EQ(byID.size(), 6);
    EXPECT_EQ(byID.value(t.a11->id()), t.a11);

    SermonNodeMap parents;
    indexParentsByChildID(t.root, parents);
    EXPECT_EQ(parents.size(), 5);
    EXPECT_FALSE(parents.contains(t.root->id()));
    EXPECT_EQ(parents.value(t.a11->id()), t.a1);
    EXPECT_EQ(parents.value(t.c->id()), t.root);
}

TEST(SermonNodeTest, HundredThousandLevelsCopySearchAndTearDownWithoutRecursion)
{
    constexpr int levels = 100000;
    auto root = SermonNode::create("root");
    SermonNodePtr deepest = root;
    for (int i = 0; i < levels; ++i)
        deepest = deepest->addChild(QString::number(i));
    EXPECT_EQ(deepest->depth(), levels);
    EXPECT_EQ(root->findNode(deepest->id()), deepest);
    EXPECT_EQ(root->findParent(deepest->id())->text(), QString::number(levels - 2));
    EXPECT_EQ(root->allNodes().size(), size_t(levels + 1));

    auto copy = root->deepCopy(true);
    SermonNodeMap index;
    indexNodesByID(copy, index);
    EXPECT_EQ(index.size(), levels + 1);
    index.clear();

    root->setDepthRecursively(1);
    EXPECT_EQ(deepest->depth(), levels + 1);
    deepest.reset();
    copy.reset();
    root.reset(); // must not overflow the stack
}
