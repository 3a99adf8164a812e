#include "ControllerFixture.h"

#include "document/WordCount.h"

using namespace kestrion;

namespace {

const QString kFourSiblings = QStringLiteral("T\n"
                                             "  P\n"
                                             "    S1\n"
                                             "    S2\n"
                                             "    S3\n"
                                             "    S4\n"
                                             "  Q\n");

} // namespace

// --- Fields and the selection ---------------------------------------------------------------

TEST_F(ControllerTest, FreshControllerHasNoSelectionAndEveryEditRefuses)
{
    load(kFourSiblings);
    EXPECT_TRUE(controller.effectiveSelection().isEmpty());
    EXPECT_TRUE(controller.selectedNodes().empty());
    EXPECT_TRUE(controller.topLevelSelectedNodes().empty());
    EXPECT_FALSE(controller.siblingSelectionContext().has_value());
    EXPECT_EQ(controller.navigationDepth(), 0);
    EXPECT_FALSE(controller.editingNodeID().has_value());
    clipboard.setText(QStringLiteral("pasted"));
    clipboard.writes = 0;

    expectRefused([&] { controller.copy(); }, "copy");
    expectRefused([&] { controller.cut(); }, "cut");
    expectRefused([&] { controller.paste(); }, "paste");
    expectRefused([&] { controller.deleteSelection(); }, "delete");
    expectRefused([&] { controller.promote(); }, "promote");
    expectRefused([&] { controller.demote(); }, "demote");
    expectRefused([&] { controller.moveSelection(true); }, "move down");
    expectRefused([&] { controller.moveSelection(false); }, "move up");
    expectRefused([&] { controller.fold(); }, "fold");
    expectRefused([&] { controller.unfold(); }, "unfold");
    expectRefused([&] { controller.addChild(); }, "add child");
    expectRefused([&] { controller.addSiblingAfter(); }, "add sibling after");
    expectRefused([&] { controller.addSiblingBefore(); }, "add sibling before");
    expectRefused([&] { controller.beginEditing(); }, "begin editing");
    EXPECT_FALSE(controller.editingNodeID().has_value());
}

TEST_F(ControllerTest, EffectiveSelectionCountsThePrimaryOnce)
{
    load(kFourSiblings);
    controller.setSelectedNodeID(id("S1"));
    EXPECT_EQ(controller.effectiveSelection(), ids({ "S1" }));
    controller.setSelection(ids({ "S1", "S2" }), id("S1"), std::nullopt);
    EXPECT_EQ(controller.effectiveSelection(), ids({ "S1", "S2" }));
    controller.setSelection(ids({ "S2" }), id("S1"), std::nullopt);
    EXPECT_EQ(controller.effectiveSelection(), ids({ "S1", "S2" }));
    EXPECT_EQ(textsOf(controller.selectedNodes()).size(), 2);
}

TEST_F(ControllerTest, SettersSignalOnlyOnRealChange)
{
    load(kFourSiblings);
    EXPECT_TRUE(controller.setSelectedNodeID(id("S1")));
    signalLog.clear();
    EXPECT_FALSE(controller.setSelectedNodeID(id("S1")));
    EXPECT_FALSE(controller.setSelectedNodeIDs({}));
    EXPECT_FALSE(controller.setSelectionAnchorID(std::nullopt));
    EXPECT_FALSE(controller.setExtendingSelection(false));
    EXPECT_TRUE(signalLog.isEmpty()) << signalLog.join(u' ').toStdString();

    int textSignals = 0;
    int depthSignals = 0;
    int editingSignals = 0;
    QObject::connect(&controller, &DocumentController::editingTextChanged, [&] { ++textSignals; });
    QObject::connect(&controller, &DocumentController::navigationDepthChanged, [&] { ++depthSignals; });
    QObject::connect(&controller, &DocumentController::editingNodeIDChanged, [&] { ++editingSignals; });
    EXPECT_TRUE(controller.setEditingText(QStringLiteral("x")));
    EXPECT_FALSE(controller.setEditingText(QStringLiteral("x")));
    EXPECT_TRUE(controller.setNavigationDepth(2));
    EXPECT_FALSE(controller.setNavigationDepth(2));
    EXPECT_TRUE(controller.setEditingNodeID(id("S2")));
    EXPECT_FALSE(controller.setEditingNodeID(id("S2")));
    EXPECT_EQ(textSignals, 1);
    EXPECT_EQ(depthSignals, 1);
    EXPECT_EQ(editingSignals, 1);
}

TEST_F(ControllerTest, PlainChangeOfThePrimaryEndsTheMultiSelectionBeforeItSignals)
{
    load(kFourSiblings);
    controller.setSelection(ids({ "S1", "S2", "S3" }), id("S3"), id("S1"));
    signalLog.clear();
    // What the primary's observers see must already be consistent.
    QObject::connect(&controller, &DocumentController::selectedNodeIDChanged, [&] {
        EXPECT_TRUE(controller.selectedNodeIDs().isEmpty());
        EXPECT_FALSE(controller.selectionAnchorID().has_value());
    });
    controller.setSelectedNodeID(id("S4"));
    EXPECT_EQ(signalLog, (QStringList { "set", "anchor", "primary" }));
    EXPECT_EQ(selectionState(), QStringLiteral("S4|||0"));
}

TEST_F(ControllerTest, SelectionExtensionWritesFlagFirstPrimaryLastAndClearsTheFlag)
{
    load(kFourSiblings);
    controller.setSelectedNodeID(id("S1"));
    signalLog.clear();
    controller.setSelection(ids({ "S1", "S2" }), id("S2"), id("S1"));
    EXPECT_EQ(signalLog, (QStringList { "extending", "set", "anchor", "primary", "extended" }));
    EXPECT_EQ(selectionState(), QStringLiteral("S2|S1,S2|S1|0"));
}

TEST_F(ControllerTest, NoGestureLeavesTheExtensionFlagBehind)
{
    load(kFourSiblings);
    // A lasso that catches nothing.
    controller.setSelection(ids({ "S1", "S2" }), id("S2"), std::nullopt);
    controller.selectNodesInLasso({});
    EXPECT_FALSE(controller.isExtendingSelection());
    EXPECT_EQ(textOf(controller.selectedNodeID()), QStringLiteral("S2"));
    controller.setSelectedNodeID(id("S3")); // a plain arrow
    EXPECT_EQ(selectionState(), QStringLiteral("S3|||0"));

    // A Command-click that removes a member other than the primary.
    controller.selectSingleNode(id("S1"));
    controller.toggleSelection(id("S2"));
    controller.toggleSelection(id("S3"));
    EXPECT_EQ(selectionState(), QStringLiteral("S3|S1,S2,S3||0"));
    controller.toggleSelection(id("S1"));
    EXPECT_EQ(selectionState(), QStringLiteral("S3|S2,S3||0"));
    controller.setSelectedNodeID(id("S4"));
    EXPECT_EQ(selectionState(), QStringLiteral("S4|||0"));

    // A Shift-click on the primary.
    controller.selectSingleNode(id("S2"));
    controller.extendSelectionTo(id("S2"));
    EXPECT_FALSE(controller.isExtendingSelection());
    controller.setSelectedNodeID(id("S1"));
    EXPECT_EQ(selectionState(), QStringLiteral("S1|||0"));

    // The field-by-field protocol is safe too: any write of the primary consumes the flag.
    controller.setExtendingSelection(true);
    controller.setSelectedNodeIDs(ids({ "S1", "S2" }));
    controller.setSelectedNodeID(id("S1"));
    EXPECT_FALSE(controller.isExtendingSelection());
    controller.setSelectedNodeID(id("S3"));
    EXPECT_EQ(selectionState(), QStringLiteral("S3|||0"));
}

TEST_F(ControllerTest, ToggleAddsRemovesAndPromotesTheFirstRemainingMember)
{
    load(kFourSiblings);
    controller.selectSingleNode(id("S3"));
    controller.toggleSelection(id("S1"));
    EXPECT_EQ(selectionState(), QStringLiteral("S1|S1,S3||0"));
    controller.toggleSelection(id("S4"));
    controller.toggleSelection(id("S4")); // the primary leaves: the first in document order takes over
    EXPECT_EQ(selectionState(), QStringLiteral("S1|S1,S3||0"));
    controller.toggleSelection(id("S1"));
    EXPECT_EQ(selectionState(), QStringLiteral("S3|S3||0"));
    controller.toggleSelection(id("S3"));
    EXPECT_EQ(selectionState(), QStringLiteral("<none>|||0"));
}

TEST_F(ControllerTest, ExtendingRunsFromTheAnchorInVisiblePreorder)
{
    load(QStringLiteral("T\n  A\n    A1\n    A2\n  B+\n    B1\n  C\n"));
    controller.selectSingleNode(id("A2"));
    controller.extendSelectionTo(id("C"));
    EXPECT_EQ(selectionState(), QStringLiteral("C|A2,B,C|A2|0")); // B1 is folded away
    controller.extendSelectionTo(id("A1"));
    EXPECT_EQ(selectionState(), QStringLiteral("A1|A1,A2|A2|0")); // back past the anchor
    controller.extendSelectionTo(id("T"));
    EXPECT_EQ(selectionState(), QStringLiteral("T|T,A,A1,A2|A2|0"));
    // An anchor folded out of view gives just the two ends.
    node("A")->setCollapsed(true);
    controller.extendSelectionTo(id("C"));
    EXPECT_EQ(selectionState(), QStringLiteral("C|A2,C|A2|0"));
    // A plain move ends it all.
    controller.setSelectedNodeID(id("B"));
    EXPECT_EQ(selectionState(), QStringLiteral("B|||0"));
}

TEST_F(ControllerTest, LassoKeepsTheCaughtPrimaryOrTakesTheFirstCaughtNode)
{
    load(kFourSiblings);
    controller.selectSingleNode(id("S2"));
    controller.selectNodesInLasso(ids({ "S2", "S3" }));
    EXPECT_EQ(selectionState(), QStringLiteral("S2|S2,S3||0"));
    controller.selectNodesInLasso(ids({ "S4", "S3" }));
    EXPECT_EQ(selectionState(), QStringLiteral("S3|S3,S4||0"));
}

TEST_F(ControllerTest, TopLevelSelectionDropsDescendantsAndStaleIdsInDocumentOrder)
{
    load(QStringLiteral("T\n  A\n    B\n      C\n  D\n"));
    select({ "C", "A" });
    EXPECT_EQ(textsOf(controller.topLevelSelectedNodes()), QStringList { "A" });
    auto context = controller.siblingSelectionContext();
    ASSERT_TRUE(context);
    EXPECT_EQ(textsOf(context->nodes), QStringList { "A" });
    EXPECT_EQ(context->firstIndex, 0);

    select({ "D", "A" });
    EXPECT_EQ(textsOf(controller.topLevelSelectedNodes()), (QStringList { "A", "D" }));

    controller.setSelection({ QUuid::createUuid(), QUuid::createUuid() }, QUuid::createUuid(), std::nullopt);
    EXPECT_TRUE(controller.topLevelSelectedNodes().empty());
    EXPECT_FALSE(controller.siblingSelectionContext());

    select({ "T", "B" });
    EXPECT_EQ(textsOf(controller.topLevelSelectedNodes()), QStringList { "T" });
    EXPECT_FALSE(controller.siblingSelectionContext());

    select({ "B", "D" });
    EXPECT_FALSE(controller.siblingSelectionContext());

    const QUuid stranger = QUuid::createUuid();
    EXPECT_EQ(controller.topLevelIDs({ id("A"), stranger, id("C"), id("D") }, ids({ "A", "D" })),
        (QList<QUuid> { id("A"), stranger, id("D") }));
}

TEST_F(ControllerTest, SiblingContextSpansAGapAndInsertNodesClampsAndRenumbers)
{
    load(QStringLiteral("T\n  A\n  B\n  C\n  D\n    D1\n      D2\n        D3\n"));
    select({ "D", "B" });
    auto context = controller.siblingSelectionContext();
    ASSERT_TRUE(context);
    EXPECT_EQ(context->parent, root());
    EXPECT_EQ(textsOf(context->nodes), (QStringList { "B", "D" }));
    EXPECT_EQ(context->firstIndex, 1);
    EXPECT_EQ(context->lastIndex, 3);

    auto x = SermonNode::create(QStringLiteral("X"), 7);
    auto y = SermonNode::create(QStringLiteral("Y"), 7);
    y->addChild(QStringLiteral("Y1"));
    controller.insertNodes({ x, y }, node("D3"), 99);
    controller.insertNodes({ SermonNode::create(QStringLiteral("Z")) }, root(), 1);
    EXPECT_EQ(shape(), QStringLiteral("T[A,Z,B,C,D[D1[D2[D3[X,Y[Y1]]]]]]"));
    EXPECT_EQ(node("Y1")->depth(), 6);

    // Each node leaves the tree as if detached one by one: a node whose ancestor went
    // before it is no longer in the tree and stays inside that branch.
    const SermonNodePtr d1 = node("D1");
    controller.detachNodes({ node("B"), SermonNode::create(QStringLiteral("stranger")), d1, node("D3"), node("B") });
    EXPECT_EQ(shape(), QStringLiteral("T[A,Z,C,D]"));
    EXPECT_EQ(shapeOf(d1), QStringLiteral("D1[D2[D3[X,Y[Y1]]]]"));
    document.setRoot(d1);
    controller.detachNodes({ node("Y1"), node("D2") });
    EXPECT_EQ(shape(), QStringLiteral("D1"));
    load(QStringLiteral("T\n  A\n  Z\n  C\n  D\n"));

    node("D")->addChild(QStringLiteral("E"))->addChild(QStringLiteral("F"));
    node("D")->setCollapsed(true);
    EXPECT_EQ(controller.subtreeIDs(node("D")), (QList<QUuid> { id("D"), id("E"), id("F") }));
}

TEST_F(ControllerTest, SyncAfterUndoSelectsTheRestoredNodeOrTheRoot)
{
    load(kFourSiblings);
    controller.selectSingleNode(id("S2"));
    controller.setEditingText(QStringLiteral("typing"));
    document.recordUndo(id("S2"), nullptr);
    controller.selectSingleNode(id("Q"));
    undo();
    const int mutations = treeMutations;
    EXPECT_EQ(controller.syncSelectionAfterUndo(), id("S2"));
    EXPECT_EQ(textOf(controller.selectedNodeID()), QStringLiteral("S2"));
    EXPECT_EQ(treeMutations, mutations + 1);
    EXPECT_EQ(controller.editingText(), QStringLiteral("typing"));
    EXPECT_EQ(undoCount(), 0);

    document.recordUndo(std::nullopt, nullptr);
    undo();
    EXPECT_EQ(controller.syncSelectionAfterUndo(), root()->id());

    document.recordUndo(QUuid::createUuid(), nullptr);
    undo();
    EXPECT_EQ(controller.syncSelectionAfterUndo(), root()->id());
}

TEST(DocumentControllerLifetimeTest, AControllerOutlivingItsDocumentDoesNothing)
{
    auto document = std::make_unique<SermonDocument>();
    DocumentController controller(document.get());
    controller.selectSingleNode(document->root()->id());
    document.reset();
    EXPECT_EQ(controller.document(), nullptr);
    controller.addChild();
    controller.fold();
    controller.deleteSelection();
    EXPECT_TRUE(controller.syncSelectionAfterUndo().isNull());
    EXPECT_FALSE(controller.editingNodeID().has_value());
}

// --- New nodes and editing start -----------------------------------------------------------

TEST_F(ControllerTest, BeginEditingTakesTheTextUnchangedAndRecordsNothing)
{
    load(QStringLiteral("Title\n  A\n"));
    node("A")->setText(QStringLiteral("line one\u2028line two"));
    controller.selectSingleNode(root()->id());
    controller.beginEditing();
    EXPECT_EQ(controller.editingText(), QStringLiteral("Title"));
    EXPECT_EQ(controller.editingNodeID(), root()->id());
    EXPECT_FALSE(controller.editingIsNew());

    controller.selectSingleNode(root()->children().front()->id());
    controller.beginEditing();
    EXPECT_EQ(controller.editingText(), QStringLiteral("line one\u2028line two"));
    EXPECT_EQ(undoCount(), 0);
    EXPECT_EQ(treeMutations, 0);

    controller.setEditingNodeID(std::nullopt);
    controller.selectSingleNode(QUuid::createUuid());
    expectRefused([&] { controller.beginEditing(); }, "stale selection");
    EXPECT_FALSE(controller.editingNodeID().has_value());
}

TEST_F(ControllerTest, AddChildAppendsExpandsAndStartsEditingTheNewNode)
{
    load(QStringLiteral("T\n  A+\n    A1\n  >Q\n"));
    controller.selectSingleNode(id("A"));
    expectOneUndoStep([&] { controller.addChild(); }, "collapsed parent");
    EXPECT_EQ(afterEdit, QStringLiteral("T[A[A1,],>Q]"));

    controller.selectSingleNode(id("A"));
    controller.addChild();
    const auto created = root()->children().front()->children().back();
    EXPECT_EQ(controller.selectedNodeID(), created->id());
    EXPECT_EQ(controller.editingNodeID(), created->id());
    EXPECT_TRUE(controller.editingText().isEmpty());
    EXPECT_TRUE(controller.editingIsNew());
    // Undo removes it and selects its parent again.
    undo();
    controller.syncSelectionAfterUndo();
    EXPECT_EQ(textOf(controller.selectedNodeID()), QStringLiteral("A"));
    EXPECT_EQ(shape(), QStringLiteral("T[A+[A1],>Q]"));

    controller.selectSingleNode(root()->id());
    expectOneUndoStep([&] { controller.addChild(); }, "root");
    EXPECT_EQ(afterEdit, QStringLiteral("T[A+[A1],>Q,]"));

    // A quote holds no points: the new one goes right after it, plain.
    controller.selectSingleNode(id("Q"));
    expectOneUndoStep([&] { controller.addChild(); }, "quote");
    EXPECT_EQ(afterEdit, QStringLiteral("T[A+[A1],>Q,]"));
}

TEST_F(ControllerTest, AddSiblingPlacesTheNewNodeNextToThePrimaryOnly)
{
    load(QStringLiteral("T\n  A\n  B\n  C\n  >Q\n"));
    select({ "B", "A", "C" });
    expectOneUndoStep([&] { controller.addSiblingAfter(); }, "after");
    EXPECT_EQ(afterEdit, QStringLiteral("T[A,B,,C,>Q]"));
    EXPECT_EQ(afterSelection, QStringLiteral("|||0")); // the new, empty node alone

    controller.selectSingleNode(id("B"));
    expectOneUndoStep([&] { controller.addSiblingBefore(); }, "before");
    EXPECT_EQ(afterEdit, QStringLiteral("T[A,,B,C,>Q]"));

    controller.selectSingleNode(id("Q"));
    controller.addSiblingAfter();
    const auto created = root()->children().back();
    EXPECT_FALSE(created->isQuote());
    EXPECT_EQ(controller.editingNodeID(), created->id());
    EXPECT_TRUE(controller.editingIsNew());
    EXPECT_TRUE(controller.editingText().isEmpty());

    // The title has no siblings: both give a new last main point under it.
    for (auto add : { &DocumentController::addSiblingAfter, &DocumentController::addSiblingBefore }) {
        controller.selectSingleNode(root()->id());
        expectOneUndoStep([&] { (controller.*add)(); }, "root");
        // The second empty one: the one added after the quote above stays.
        EXPECT_EQ(afterEdit, QStringLiteral("T[A,B,C,>Q,,]"));
    }
}

TEST_F(ControllerTest, AddSiblingOfAStaleSelectionKeepsItsRecordButChangesNothing)
{
    load(QStringLiteral("T\n  A\n"));
    controller.selectSingleNode(QUuid::createUuid());
    const QStringList before = fullState();
    controller.addSiblingAfter();
    EXPECT_EQ(undoCount(), 1);
    EXPECT_EQ(fullState(), before);
    EXPECT_EQ(treeMutations, 0);
    EXPECT_FALSE(controller.editingNodeID().has_value());
}

// --- Clipboard and deletion ----------------------------------------------------------------

TEST_F(ControllerTest, CopyWritesTopLevelTextsInDocumentOrder)
{
    load(QStringLiteral("T\n  A\n    A1\n  B\n  C\n"));
    select({ "C", "A1", "A" });
    controller.copy();
    EXPECT_EQ(clipboard.text(), QStringLiteral("A\nC"));
    EXPECT_EQ(undoCount(), 0);
    EXPECT_EQ(treeMutations, 0);

    select({ "T", "B" });
    controller.copy();
    EXPECT_EQ(clipboard.text(), QStringLiteral("T"));

    controller.selectSingleNode(std::nullopt);
    expectRefused([&] { controller.copy(); }, "empty selection");
    EXPECT_EQ(clipboard.text(), QStringLiteral("T"));
}

TEST_F(ControllerTest, CutCopiesThenDeletesButNeverTheRoot)
{
    load(QStringLiteral("T\n  A\n    A1\n  B\n"));
    clipboard.setText(QStringLiteral("before"));
    select({ "A", "T" });
    expectRefused([&] { controller.cut(); }, "root selected");
    EXPECT_EQ(clipboard.text(), QStringLiteral("before"));

    select({ "A" });
    expectOneUndoStep([&] { controller.cut(); }, "cut");
    EXPECT_EQ(afterEdit, QStringLiteral("T[B]"));
    EXPECT_EQ(afterSelection, QStringLiteral("B|||0"));
    EXPECT_EQ(clipboard.text(), QStringLiteral("# A\n\nA1"));

    controller.setClipboard(nullptr);
    select({ "B" });
    expectRefused([&] { controller.cut(); }, "no clipboard");
}

// Cut takes whole branches out of the tree, so it puts them on the clipboard whole: pasted
// where they were, they come back as they were, with their quotes, folds and markers. Points
// without sub-points go as Copy writes them.
TEST_F(ControllerTest, CutBranchesPasteBackAsTheyWere)
{
    const QString sermon = QStringLiteral("T\n"
                                          "  P\n"
                                          "    x\n"
                                          "    A\n"
                                          "      A1\n"
                                          "    B\n"
                                          "    >Q\n"
                                          "    \U0001F534 C+\n"
                                          "      C1\n"
                                          "        C11\n"
                                          "      >C2\n"
                                          "    D\n"
                                          "      D1\n");
    const QString copyBranchText = QStringLiteral("as Copy Branch writes it");
    // A "|" stands for a line feed, which only a file's continuation lines put into a text;
    // Shift+Return types U+2028.
    const auto loadWithLineFeeds = [this](const QString& outline) {
        load(outline);
        for (const SermonNodePtr& n : root()->allNodes())
            n->setText(QString(n->text()).replace(u'|', u'\n'));
    };
    struct Case {
        const char* name;
        QString sermon;
        QStringList cut;
        QString clipboard; // empty: whatever pastes back
    };
    const Case cases[] = {
        { "one branch", sermon, { "D" }, copyBranchText },
        { "branches, one with a selected sub-point", sermon, { "\U0001F534 C", "D", "C11" }, copyBranchText },
        { "a quote before branches", sermon, { "Q", "\U0001F534 C", "D" },
            QStringLiteral("- > Q\n- \U0001F534 C\n  [//]: # (collapsed)\n  - C1\n    - C11\n  - > C2\n- D\n  - D1") },
        { "points between branches", sermon, { "A", "B", "Q", "\U0001F534 C", "D" }, {} },
        { "a title broken by Shift+Return", QStringLiteral("T\n  P\n    x\n    E\u2028e\n      E1\n"), { "E\u2028e" },
            copyBranchText },
        { "a title with a line feed", QStringLiteral("T\n  P\n    x\n    F|f\n      F1\n"), { "F\nf" }, {} },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        loadWithLineFeeds(c.sermon);
        const QString before = shape();
        const qint64 words = wordCount(root());
        const qsizetype undos = undoCount();
        select(c.cut);
        controller.copyBranch();
        const std::optional<QString> copied = clipboard.text();

        controller.cut();
        EXPECT_EQ(undoCount(), undos + 1);
        if (c.clipboard == copyBranchText) {
            EXPECT_EQ(clipboard.text(), copied);
        } else if (!c.clipboard.isEmpty()) {
            EXPECT_EQ(clipboard.text(), c.clipboard);
        }
        controller.selectSingleNode(id("P"));
        controller.paste();
        EXPECT_EQ(undoCount(), undos + 2);
        EXPECT_EQ(shape(), before) << clipboard.text().value_or(QString()).toStdString();
        EXPECT_EQ(wordCount(root()), words);
    }

    // Points without sub-points go as their texts, one a line, when those paste back as the
    // same points; a quote, a second sentence, a line feed or a text that reads as outline
    // would not.
    const struct {
        const char* name;
        QString sermon;
        QString clipboard; // empty: whatever pastes back
    } leafCases[] = {
        { "plain points", QStringLiteral("T\n  P\n    x\n    B c\n"), QStringLiteral("x\nB c") },
        { "a quote", QStringLiteral("T\n  P\n    x\n    >Q\n"), {} },
        { "two sentences", QStringLiteral("T\n  P\n    One. Two.\n"), {} },
        { "outline marks", QStringLiteral("T\n  P\n    - dash\n    # hash\n"), {} },
        { "a line break", QStringLiteral("T\n  P\n    x\n    H\u2028h\n"), QStringLiteral("x\nH\u2028h") },
        { "a line feed, then a line break", QStringLiteral("T\n  P\n    x\n    G|g\n    H\u2028h\n"), {} },
    };
    for (const auto& c : leafCases) {
        SCOPED_TRACE(c.name);
        loadWithLineFeeds(c.sermon);
        const QString before = shape();
        QStringList points;
        for (const SermonNodePtr& child : node("P")->children())
            points.append(child->text());
        select(points);
        controller.cut();
        EXPECT_EQ(shape(), QStringLiteral("T[P]"));
        if (!c.clipboard.isEmpty()) {
            EXPECT_EQ(clipboard.text(), c.clipboard);
        }
        controller.selectSingleNode(id("P"));
        controller.paste();
        EXPECT_EQ(shape(), before) << clipboard.text().value_or(QString()).toStdString();
    }
}

TEST_F(ControllerTest, PasteAppendsParsedNodesExpandsTheTargetAndShowsTheFirst)
{
    load(QStringLiteral("T\n  A+\n    A1\n"));
    clipboard.setText(QStringLiteral("# Heading\n## One\n## Two\n"));
    controller.selectSingleNode(id("A"));
    expectOneUndoStep([&] { controller.paste(); }, "outline");
    EXPECT_EQ(afterEdit, QStringLiteral("T[A[A1,Heading[One,Two]]]"));

    controller.selectSingleNode(id("A"));
    controller.paste();
    EXPECT_EQ(textOf(controller.selectedNodeID()), QStringLiteral("Heading"));
    EXPECT_EQ(visibleRequests.size(), 2);
    EXPECT_EQ(visibleRequests.last(), *controller.selectedNodeID());
    EXPECT_EQ(node("One")->depth(), 3);
}

TEST_F(ControllerTest, PasteParsesTheUntrimmedTextAsPlainLines)
{
    load(QStringLiteral("T\n  A\n"));
    clipboard.setText(QStringLiteral("\n\n  Line one\n\nLine two  \n"));
    controller.selectSingleNode(id("A"));
    controller.paste();
    EXPECT_EQ(shape(), QStringLiteral("T[A[Line one,Line two]]"));
    EXPECT_EQ(textOf(controller.selectedNodeID()), QStringLiteral("Line one"));
}

TEST_F(ControllerTest, PasteRefusesQuotesBlankTextAndAnEmptyClipboard)
{
    load(QStringLiteral("T\n  >Q\n  A\n"));
    clipboard.setText(QStringLiteral("text"));
    controller.selectSingleNode(id("Q"));
    expectRefused([&] { controller.paste(); }, "quote target");

    controller.selectSingleNode(id("A"));
    clipboard.setText(QStringLiteral(" \n\t\u00a0\u2028\n "));
    expectRefused([&] { controller.paste(); }, "blank text");
    clipboard.setText(QStringLiteral(">"));
    expectRefused([&] { controller.paste(); }, "no nodes");
    clipboard.clear();
    expectRefused([&] { controller.paste(); }, "no text");
    controller.setClipboard(nullptr);
    expectRefused([&] { controller.paste(); }, "no clipboard");
}

TEST_F(ControllerTest, DeleteSelectsTheNextSurvivingSiblingThenTheOneBeforeThenTheParent)
{
    struct Case {
        QStringList selected;
        QString shape;
        QString next;
    };
    const Case cases[] = {
        { { "S2" }, "T[P[S1,S3,S4],Q]", "S3" },
        { { "S4" }, "T[P[S1,S2,S3],Q]", "S3" },
        { { "S1", "S2", "S3", "S4" }, "T[P,Q]", "P" },
        { { "S1", "S3" }, "T[P[S2,S4],Q]", "S4" },
        { { "S3", "S4" }, "T[P[S1,S2],Q]", "S2" },
        { { "S2", "S3", "S4" }, "T[P[S1],Q]", "S1" },
        { { "S2", "S3" }, "T[P[S1,S4],Q]", "S4" },
    };
    for (const auto& c : cases) {
        load(kFourSiblings);
        select(c.selected);
        controller.setSelectionAnchorID(id(c.selected.first()));
        expectOneUndoStep([&] { controller.deleteSelection(); }, qPrintable(c.selected.join(u',')));
        EXPECT_EQ(afterEdit, c.shape);
        EXPECT_EQ(afterSelection, c.next + QStringLiteral("|||0"));
    }
}

TEST_F(ControllerTest, DeleteOfABranchWithItsLastChildSelectsASurvivor)
{
    load(QStringLiteral("T\n  P\n    P1\n    P2\n  Q\n  R\n    R1\n"));
    // The last selected node in document order lies inside the first removed branch.
    select({ "P2", "P" });
    controller.deleteSelection();
    EXPECT_EQ(shape(), QStringLiteral("T[Q,R[R1]]"));
    EXPECT_EQ(textOf(controller.selectedNodeID()), QStringLiteral("Q"));

    select({ "R1", "R", "Q" });
    controller.deleteSelection();
    EXPECT_EQ(shape(), QStringLiteral("T"));
    EXPECT_EQ(textOf(controller.selectedNodeID()), QStringLiteral("T"));
}

TEST_F(ControllerTest, DeleteRefusesTheRootAndSelectionsThatAreGone)
{
    load(kFourSiblings);
    select({ "S1", "T" });
    expectRefused([&] { controller.deleteSelection(); }, "root");
    controller.setSelection({ QUuid::createUuid() }, QUuid::createUuid(), std::nullopt);
    expectRefused([&] { controller.deleteSelection(); }, "gone");

    // Stale ids beside live ones: only the live branch goes.
    controller.setSelection({ QUuid::createUuid(), id("S2") }, QUuid::createUuid(), std::nullopt);
    controller.deleteSelection();
    EXPECT_EQ(shape(), QStringLiteral("T[P[S1,S3,S4],Q]"));
    EXPECT_EQ(textOf(controller.selectedNodeID()), QStringLiteral("S3"));
}

TEST_F(ControllerTest, UndoOfDeleteRestoresBranchesWithTheirIdsAndFlags)
{
    load(QStringLiteral("T\n  A+\n    >A1\n  B\n    B1\n  C\n"));
    const QStringList before = fullState();
    select({ "B", "A" });
    controller.deleteSelection();
    EXPECT_EQ(shape(), QStringLiteral("T[C]"));
    undo();
    EXPECT_EQ(fullState(), before);
    EXPECT_EQ(controller.syncSelectionAfterUndo(), id("B"));
}

// --- Structural moves and folding ----------------------------------------------------------

TEST_F(ControllerTest, PromoteMovesTheGroupRightAfterItsParent)
{
    load(QStringLiteral("T\n  O\n  P\n    P1\n    P2\n      X\n    P3\n      Y\n    P4\n  R\n"));
    select({ "P3", "P2" });
    const QString selection = selectionState();
    expectOneUndoStep([&] { controller.promote(); }, "promote");
    EXPECT_EQ(afterEdit, QStringLiteral("T[O,P[P1,P4],P2[X],P3[Y],R]"));
    EXPECT_EQ(afterSelection, selection);

    controller.promote();
    EXPECT_EQ(node("Y")->depth(), 2);
    select({ "O" });
    expectRefused([&] { controller.promote(); }, "child of the root");
    select({ "P1", "X" });
    expectRefused([&] { controller.promote(); }, "different parents");
    select({ "P1", "T" });
    expectRefused([&] { controller.promote(); }, "root");
}

TEST_F(ControllerTest, DemoteIntoThePreviousSiblingOrTheFront)
{
    load(QStringLiteral("T\n  A\n    A1\n  B\n    B1\n  C\n"));
    select({ "B" });
    expectOneUndoStep([&] { controller.demote(); }, "second of three");
    EXPECT_EQ(afterEdit, QStringLiteral("T[A[A1,B[B1]],C]"));

    select({ "A" });
    expectOneUndoStep([&] { controller.demote(); }, "first of three");
    EXPECT_EQ(afterEdit, QStringLiteral("T[B[A[A1],B1],C]"));

    select({ "A1" });
    expectRefused([&] { controller.demote(); }, "only child");
    select({ "A", "B", "C" });
    expectRefused([&] { controller.demote(); }, "all siblings");

    load(QStringLiteral("T\n  >Q\n  B\n  C\n"));
    select({ "B" });
    expectRefused([&] { controller.demote(); }, "onto a quote");
    load(QStringLiteral("T\n  A\n  B+\n    B1\n"));
    select({ "A" });
    controller.demote();
    EXPECT_EQ(shape(), QStringLiteral("T[B+[A,B1]]"));
}

TEST_F(ControllerTest, MovesSwapTheGroupWithItsNeighbourKeepingTheSelection)
{
    load(kFourSiblings);
    select({ "S1", "S3" });
    const QString selection = selectionState();
    expectOneUndoStep([&] { controller.moveSelection(true); }, "down");
    EXPECT_EQ(afterEdit, QStringLiteral("T[P[S4,S1,S2,S3],Q]"));
    EXPECT_EQ(afterSelection, selection);

    select({ "S2", "S3" });
    expectOneUndoStep([&] { controller.moveSelection(false); }, "up");
    EXPECT_EQ(afterEdit, QStringLiteral("T[P[S2,S3,S1,S4],Q]"));

    select({ "S4" });
    expectRefused([&] { controller.moveSelection(true); }, "last down");
    select({ "S1" });
    expectRefused([&] { controller.moveSelection(false); }, "first up");
    select({ "S1", "Q" });
    expectRefused([&] { controller.moveSelection(true); }, "different parents");
    select({ "P", "T" });
    expectRefused([&] { controller.moveSelection(true); }, "root");
}

TEST_F(ControllerTest, FoldRecordsWheneverASelectedNodeHasChildren)
{
    load(QStringLiteral("T\n  A\n    A1\n  B+\n    B1\n  C\n"));
    select({ "A", "B", "C" });
    expectOneUndoStep([&] { controller.fold(); }, "fold");
    EXPECT_EQ(afterEdit, QStringLiteral("T[A+[A1],B+[B1],C]"));
    expectOneUndoStep([&] { controller.unfold(); }, "unfold");
    EXPECT_EQ(afterEdit, QStringLiteral("T[A[A1],B[B1],C]"));

    // Already folded: still one step, as the canvas's fold command expects.
    select({ "B" });
    expectOneUndoStep([&] { controller.fold(); }, "already folded");
    EXPECT_EQ(afterEdit, QStringLiteral("T[A[A1],B+[B1],C]"));

    select({ "C", "A1" });
    expectRefused([&] { controller.fold(); }, "leaves");
    expectRefused([&] { controller.unfold(); }, "leaves");

    // The root folds too.
    select({ "T" });
    controller.fold();
    EXPECT_TRUE(root()->isCollapsed());
}

// --- Split lines and sentences ------------------------------------------------------------

TEST_F(ControllerTest, SplitLinesReplacesALeafByItsTrimmedLinesAllSelected)
{
    load(QStringLiteral("T\n  P\n    before\n    leaf\n    after\n"));
    node("leaf")->setText(QStringLiteral("first line\u2028  second line \t\n\u00a0\nthird"));
    controller.selectSingleNode(root()->children().front()->children()[1]->id());
    expectOneUndoStep([&] { controller.splitLines(); }, "split");
    EXPECT_EQ(afterEdit, QStringLiteral("T[P[before,first line,second line,third,after]]"));
    EXPECT_EQ(afterSelection, QStringLiteral("first line|first line,second line,third||0"));
}

TEST_F(ControllerTest, SplitLinesSplitsLeavesUnderDifferentParentsInOneStep)
{
    load(QStringLiteral("T\n  A\n    a\n    x\n    c\n  B\n    b\n"));
    node("a")->setText(QStringLiteral("a1\na2"));
    node("c")->setText(QStringLiteral("c1\nc2"));
    node("b")->setText(QStringLiteral("b1\rb2\u2029b3"));
    // The primary is the later leaf; the first new node in document order takes its place.
    controller.setSelection({ root()->children()[0]->children()[0]->id(), root()->children()[0]->children()[2]->id() },
        root()->children()[1]->children()[0]->id(), std::nullopt);
    expectOneUndoStep([&] { controller.splitLines(); }, "two parents");
    EXPECT_EQ(afterEdit, QStringLiteral("T[A[a1,a2,x,c1,c2],B[b1,b2,b3]]"));
    EXPECT_EQ(afterSelection, QStringLiteral("a1|a1,a2,c1,c2,b1,b2,b3||0"));
}

TEST_F(ControllerTest, SplitLeavesRootsBranchesAndSingleLinesAlone)
{
    load(QStringLiteral("T\n  A\n    A1\n  B\n  C\n"));
    root()->setText(QStringLiteral("Title\nSubtitle"));
    node("A")->setText(QStringLiteral("A\nwith children"));
    node("B")->setText(QStringLiteral("one line\n\n \n"));
    node("C")->setText(QStringLiteral("One sentence only."));
    controller.setSelection(ids({ "A1" })
            | QSet<QUuid> { root()->id(), root()->children()[0]->id(), root()->children()[1]->id(),
                root()->children()[2]->id() },
        root()->id(), std::nullopt);
    expectRefused([&] { controller.splitLines(); }, "lines");

    // Split Sentences keeps its record although nothing splits, and clears the redo history.
    document.recordUndo(std::nullopt);
    undo();
    ASSERT_EQ(document.redoStack().size(), 1u);
    const QStringList before = fullState();
    const QString selection = selectionState();
    const int mutations = treeMutations;
    controller.splitSentences();
    EXPECT_EQ(fullState(), before);
    EXPECT_EQ(selectionState(), selection);
    EXPECT_EQ(treeMutations, mutations);
    EXPECT_EQ(undoCount(), 1);
    EXPECT_TRUE(document.redoStack().empty());

    controller.selectSingleNode(std::nullopt);
    expectRefused([&] { controller.splitSentences(); }, "empty selection");
}

TEST_F(ControllerTest, SplitKeepsTheSelectionAnchorForTheNextExtension)
{
    load(QStringLiteral("T\n  A\n  b1\n  One.\n"));
    node("b1")->setText(QStringLiteral("b1\nb2"));
    node("One.")->setText(QStringLiteral("One. Two."));
    controller.setSelection(ids({ "A", "b1\nb2" }), id("b1\nb2"), id("A"));
    controller.splitLines();
    EXPECT_EQ(selectionState(), QStringLiteral("b1|b1,b2|A|0"));

    // An anchor that was itself split moves to its first piece.
    controller.setSelection({}, id("One. Two."), id("One. Two."));
    controller.splitSentences();
    EXPECT_EQ(selectionState(), QStringLiteral("One.|One.,Two.|One.|0"));
}

TEST_F(ControllerTest, SplitOfAQuoteGivesQuotesAtItsDepth)
{
    load(QStringLiteral("T\n  A\n    >q\n"));
    node("q")->setText(QStringLiteral("Blessed are the meek. They shall inherit the earth."));
    controller.selectSingleNode(root()->children()[0]->children()[0]->id());
    expectOneUndoStep([&] { controller.splitSentences(); }, "sentences");
    EXPECT_EQ(afterEdit, QStringLiteral("T[A[>Blessed are the meek.,>They shall inherit the earth.]]"));
}

TEST_F(ControllerTest, SplitSentencesTrimsAndKeepsSentenceMarks)
{
    load(QStringLiteral("T\n  s\n"));
    node("s")->setText(QStringLiteral("  Wait!  Really?\u2028Yes.\tNo  "));
    controller.selectSingleNode(root()->children()[0]->id());
    controller.splitSentences();
    EXPECT_EQ(shape(), QStringLiteral("T[Wait!,Really?,Yes.,No]"));
    EXPECT_EQ(textOf(controller.selectedNodeID()), QStringLiteral("Wait!"));
    EXPECT_EQ(controller.selectedNodeIDs().size(), 4);
}

// --- Join ----------------------------------------------------------------------------------

TEST_F(ControllerTest, JoinMergesAdjacentSelectedLeavesIntoTheFirst)
{
    load(QStringLiteral("T\n  A\n  B\n  C\n  D\n"));
    const QUuid a = id("A");
    select({ "C", "B", "A" });
    controller.setSelectionAnchorID(id("C"));
    expectOneUndoStep([&] { controller.join(); }, "three");
    EXPECT_EQ(afterEdit, QStringLiteral("T[A\u2028B\u2028C,D]"));
    EXPECT_EQ(afterSelection, QStringLiteral("A\u2028B\u2028C|||0"));

    // The joined node is the first member itself.
    select({ "C", "B", "A" });
    controller.join();
    EXPECT_EQ(root()->children().front()->id(), a);
}

TEST_F(ControllerTest, JoinRunsSeparatedByUnselectedOrBranchNodes)
{
    load(QStringLiteral("T\n  A\n  B\n  C\n  D\n  E\n"));
    select({ "E", "D", "B", "A" });
    expectOneUndoStep([&] { controller.join(); }, "two runs");
    EXPECT_EQ(afterEdit, QStringLiteral("T[A\u2028B,C,D\u2028E]"));
    EXPECT_EQ(afterSelection, QStringLiteral("A\u2028B|||0")); // first in document order

    load(QStringLiteral("T\n  A\n  B\n    B1\n  C\n"));
    select({ "A", "B", "C" });
    expectRefused([&] { controller.join(); }, "branch in the middle");
    select({ "A" });
    expectRefused([&] { controller.join(); }, "one node");
}

TEST_F(ControllerTest, JoinUnderSeveralParentsSelectsTheFirstJoinedNodeInDocumentOrder)
{
    load(QStringLiteral("T\n  P\n    p1\n    p2\n  Q\n    q1\n    q2\n"));
    controller.setSelection(ids({ "p1", "p2", "q1" }), id("q2"), std::nullopt);
    controller.join();
    EXPECT_EQ(shape(), QStringLiteral("T[P[p1\u2028p2],Q[q1\u2028q2]]"));
    EXPECT_EQ(textOf(controller.selectedNodeID()), QStringLiteral("p1\u2028p2"));
    EXPECT_EQ(undoCount(), 1);
}

TEST_F(ControllerTest, JoinedQuotesStayQuotesOnlyWhenAllWere)
{
    load(QStringLiteral("T\n  >q1\n  >q2\n  x\n  >q3\n"));
    select({ "q1", "q2" });
    controller.join();
    select({ "x", "q3" });
    controller.join();
    EXPECT_EQ(shape(), QStringLiteral("T[>q1\u2028q2,x\u2028q3]"));
}

// --- Copy branch ---------------------------------------------------------------------------

TEST_F(ControllerTest, CopyBranchWritesOutlinesQuotesAndLeaves)
{
    load(QStringLiteral("T\n  A\n    A1\n    >Said\n  B\n  >Q\n"));
    node("Q")->setText(QStringLiteral("line one\nline\u2028two"));
    select({ "B", "A", "A1" });
    controller.copyBranch();
    EXPECT_EQ(clipboard.text(), QStringLiteral("# A\n\nA1\n> Said\nB"));

    controller.selectSingleNode(root()->children().back()->id());
    controller.copyBranch();
    EXPECT_EQ(clipboard.text(), QStringLiteral("> line one\n> line\u2028two"));

    root()->children().back()->setText(QString());
    controller.copyBranch();
    EXPECT_EQ(clipboard.text(), QStringLiteral("> "));

    const int writes = clipboard.writes;
    controller.selectSingleNode(std::nullopt);
    expectRefused([&] { controller.copyBranch(); }, "nothing selected");
    EXPECT_EQ(clipboard.writes, writes);
    EXPECT_EQ(undoCount(), 0);
}

TEST_F(ControllerTest, CopiedBranchPastesBackAsTheSameBranch)
{
    load(QStringLiteral("T\n  A+\n    A1\n      A11\n    >A2\n  B\n"));
    select({ "A" });
    controller.copyBranch();
    controller.selectSingleNode(id("B"));
    controller.paste();
    EXPECT_EQ(shape(), QStringLiteral("T[A+[A1[A11],>A2],B[A+[A1[A11],>A2]]]"));
}

// --- Search -------------------------------------------------------------------------------

namespace {

// Matches hide in folded branches: "grace" sits in the root, under two folded levels and in
// a folded leaf branch of its own.
const QString kSermon = QStringLiteral("Grace alone\n"
                                       "  Law+\n"
                                       "    Sin+\n"
                                       "      More grace\n"
                                       "        Deep+\n"
                                       "          Deeper\n"
                                       "  Amazing GRACE\n"
                                       "  Hope+\n"
                                       "    Disgraced\n"
                                       "    Faith\n");

} // namespace

class SearchTest : public ControllerTest {
protected:
    void search(const QString& query)
    {
        controller.setSearching(true);
        controller.setSearchQuery(query);
        controller.updateSearch();
    }

    QStringList matchTexts() const
    {
        QStringList result;
        for (const auto& id : controller.searchMatches())
            result.append(textOf(id));
        return result;
    }

    QString current() const
    {
        const auto& matches = controller.searchMatches();
        const qint64 i = controller.currentMatchIndex();
        return i >= 0 && i < matches.size() ? textOf(matches[i]) : QStringLiteral("<none>");
    }
};

TEST_F(SearchTest, MatchesIgnoreCaseAndComeInDocumentOrderRootFirst)
{
    load(kSermon);
    search(QStringLiteral("GRACE"));
    EXPECT_EQ(matchTexts(), (QStringList { "Grace alone", "More grace", "Amazing GRACE", "Disgraced" }));
    EXPECT_EQ(controller.searchMatchSet(), ids(matchTexts()));
    EXPECT_EQ(current(), QStringLiteral("Grace alone"));
    EXPECT_EQ(visibleRequests, QList<QUuid> { root()->id() });
    // The selection is not touched by searching.
    EXPECT_FALSE(controller.selectedNodeID().has_value());
    EXPECT_EQ(undoCount(), 0);
}

TEST_F(SearchTest, AncestorsOfMatchesOpenAndCloseAgainWithoutUndoSteps)
{
    load(kSermon);
    const QString folded = shape();
    search(QStringLiteral("more"));
    // Both folded ancestors open; the match's own folded branch stays folded.
    EXPECT_EQ(shape(),
        QStringLiteral("Grace alone[Law[Sin[More grace[Deep+[Deeper]]]],Amazing GRACE,Hope+[Disgraced,Faith]]"));
    EXPECT_EQ(controller.autoExpandedNodeIDs(), ids({ "Law", "Sin" }));
    EXPECT_EQ(controller.savedCollapsedState(), (QHash<QUuid, bool> { { id("Law"), true }, { id("Sin"), true } }));
    EXPECT_GE(treeMutations, 1);

    // One letter more and nothing matches: all folded again, both memories empty.
    search(QStringLiteral("morex"));
    EXPECT_TRUE(controller.searchMatches().isEmpty());
    EXPECT_EQ(controller.currentMatchIndex(), 0);
    EXPECT_EQ(shape(), folded);
    EXPECT_TRUE(controller.autoExpandedNodeIDs().isEmpty());
    EXPECT_TRUE(controller.savedCollapsedState().isEmpty());
    EXPECT_EQ(undoCount(), 0);
}

TEST_F(SearchTest, BranchesOpenedForAnEarlierQueryStayOpenWhileMatchesRemain)
{
    load(kSermon);
    search(QStringLiteral("more"));
    search(QStringLiteral("disgrace"));
    EXPECT_EQ(matchTexts(), QStringList { "Disgraced" });
    EXPECT_FALSE(node("Law")->isCollapsed());
    EXPECT_FALSE(node("Hope")->isCollapsed());
    EXPECT_EQ(controller.autoExpandedNodeIDs(), ids({ "Law", "Sin", "Hope" }));

    // Closing folds every node the search opened, also one the user folded or unfolded
    // meanwhile, and skips one that was deleted.
    node("Sin")->setCollapsed(true);
    root()->removeNode(id("Hope"));
    const int focus = focusRequests;
    controller.endSearch();
    EXPECT_EQ(shape(), QStringLiteral("Grace alone[Law+[Sin+[More grace[Deep+[Deeper]]]],Amazing GRACE]"));
    EXPECT_FALSE(controller.isSearching());
    EXPECT_TRUE(controller.searchQuery().isEmpty());
    EXPECT_TRUE(controller.searchMatches().isEmpty());
    EXPECT_TRUE(controller.searchMatchSet().isEmpty());
    EXPECT_TRUE(controller.autoExpandedNodeIDs().isEmpty());
    EXPECT_EQ(focusRequests, focus + 1);
    EXPECT_EQ(undoCount(), 0);
}

TEST_F(SearchTest, TheCurrentMatchIsKeptByIdentityOrReset)
{
    load(QStringLiteral("T\n  ab\n  abc\n  abcd\n  xbcd\n"));
    search(QStringLiteral("ab"));
    EXPECT_EQ(matchTexts(), (QStringList { "ab", "abc", "abcd" }));
    controller.nextMatch(true);
    controller.nextMatch(true);
    EXPECT_EQ(current(), QStringLiteral("abcd"));

    search(QStringLiteral("bcd"));
    EXPECT_EQ(matchTexts(), (QStringList { "abcd", "xbcd" }));
    EXPECT_EQ(controller.currentMatchIndex(), 0); // abcd kept, now first
    controller.nextMatch(true);
    search(QStringLiteral("bc"));
    EXPECT_EQ(current(), QStringLiteral("xbcd")); // kept at its new index
    EXPECT_EQ(controller.currentMatchIndex(), 2);

    search(QStringLiteral("ab"));
    EXPECT_EQ(controller.currentMatchIndex(), 0); // xbcd gone
}

TEST_F(SearchTest, NextMatchWrapsBothWaysAndAlwaysAsksForVisibility)
{
    load(QStringLiteral("T\n  a1\n  a2\n  a3\n  b\n"));
    search(QStringLiteral("A"));
    visibleRequests.clear();
    controller.nextMatch(false);
    EXPECT_EQ(current(), QStringLiteral("a3"));
    controller.nextMatch(true);
    EXPECT_EQ(current(), QStringLiteral("a1"));
    EXPECT_EQ(visibleRequests, (QList<QUuid> { id("a3"), id("a1") }));

    search(QStringLiteral("b"));
    visibleRequests.clear();
    controller.nextMatch(true);
    EXPECT_EQ(current(), QStringLiteral("b"));
    EXPECT_EQ(visibleRequests.size(), 1);

    search(QStringLiteral("zzz"));
    visibleRequests.clear();
    controller.nextMatch(true);
    controller.nextMatch(false);
    EXPECT_TRUE(visibleRequests.isEmpty());
    EXPECT_EQ(controller.currentMatchIndex(), 0);
}

TEST_F(SearchTest, HighlightsOnlyMatchesOfAnOpenSearch)
{
    load(QStringLiteral("T\n  aaaa\n  baab\n  c\n"));
    search(QStringLiteral("AA"));
    auto first = controller.searchHighlight(id("aaaa"));
    ASSERT_TRUE(first);
    EXPECT_EQ(first->ranges, (QList<MatchRange> { { 0, 2 }, { 2, 4 } }));
    EXPECT_TRUE(first->isCurrent);
    auto second = controller.searchHighlight(id("baab"));
    ASSERT_TRUE(second);
    EXPECT_EQ(second->ranges, (QList<MatchRange> { { 1, 3 } }));
    EXPECT_FALSE(second->isCurrent);
    EXPECT_FALSE(controller.searchHighlight(id("c")));

    controller.setSearching(false);
    EXPECT_FALSE(controller.searchHighlight(id("aaaa")));
    controller.setSearching(true);
    controller.endSearch();
    EXPECT_FALSE(controller.searchHighlight(id("aaaa")));
}

TEST_F(SearchTest, DecomposedQueryFindsComposedText)
{
    load(QStringLiteral("T\n  Caf\u00e9 talk\n  Cafe\n"));
    search(QStringLiteral("CAFE\u0301"));
    EXPECT_EQ(matchTexts(), QStringList { QStringLiteral("Caf\u00e9 talk") });
    EXPECT_EQ(
        controller.searchHighlight(id(QStringLiteral("Caf\u00e9 talk")))->ranges, (QList<MatchRange> { { 0, 4 } }));
}

TEST_F(SearchTest, EmptyQueryMatchesNothingAndRestores)
{
    load(kSermon);
    search(QStringLiteral("deeper"));
    EXPECT_FALSE(node("Deep")->isCollapsed());
    search(QString());
    EXPECT_TRUE(controller.searchMatches().isEmpty());
    EXPECT_TRUE(node("Deep")->isCollapsed());
    EXPECT_TRUE(node("Law")->isCollapsed());
}

TEST_F(SearchTest, WhatIsWrittenOrKeptForUndoHoldsTheFoldsThatOnlyTheSearchOpened)
{
    load(kSermon);
    const QString folded = shape();
    const QString file = document.snapshot();
    search(QStringLiteral("more"));
    ASSERT_FALSE(node("Law")->isCollapsed());
    EXPECT_EQ(document.snapshot(), file);

    // A step that changed nothing still goes, the open branches notwithstanding.
    document.recordUndo(std::nullopt);
    EXPECT_TRUE(document.withdrawUnchangedStep());
    document.recordUndo(std::nullopt);
    document.setTitle(QStringLiteral("Grace only"));
    const QString edited = QString(file).replace(QStringLiteral("Grace alone"), QStringLiteral("Grace only"));
    EXPECT_EQ(document.snapshot(), edited);

    // Undone and redone while the search runs, the branches it opened stay open on screen.
    const QString searched = shape();
    document.undo();
    document.redo();
    EXPECT_EQ(shape(), searched);
    EXPECT_EQ(document.snapshot(), edited);

    controller.endSearch();
    document.undo();
    EXPECT_EQ(shape(), folded);
    document.redo();
    EXPECT_EQ(shape(), QString(folded).replace(QStringLiteral("Grace alone"), QStringLiteral("Grace only")));
}

TEST_F(SearchTest, ACanvasGoneDuringItsSearchLeavesTheBranchesItOpenedFolded)
{
    load(kSermon);
    const QString file = document.snapshot();
    auto other = std::make_unique<DocumentController>(&document);
    other->setSearching(true);
    other->setSearchQuery(QStringLiteral("disgrace"));
    other->updateSearch();
    search(QStringLiteral("more"));
    ASSERT_FALSE(node("Hope")->isCollapsed());
    EXPECT_EQ(document.snapshot(), file);

    other.reset();
    EXPECT_TRUE(node("Hope")->isCollapsed());
    EXPECT_FALSE(node("Law")->isCollapsed());
    EXPECT_EQ(document.snapshot(), file);

    // Opened by the user afterwards, the branch is written open, and kept open by the steps.
    controller.selectSingleNode(id("Hope"));
    controller.unfold();
    const auto writtenFolded = [](const SermonNodePtr& top) { return top->children().at(2)->isCollapsed(); };
    EXPECT_FALSE(writtenFolded(SermonDocument::readDocument(document.snapshot().toUtf8())->root()));
    document.recordUndo(std::nullopt);
    document.setTitle(QStringLiteral("Grace only"));
    EXPECT_FALSE(writtenFolded(document.undoStack().back().root));
}
