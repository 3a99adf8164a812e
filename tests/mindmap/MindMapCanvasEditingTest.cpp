#include "CanvasFixture.h"

#include "mindmap/NodeEditorOverlay.h"
#include "mindmap/NodeMarkers.h"
#include "support/PopupLoopWatch.h"
#include "support/SignpostRecorder.h"

#include <QAction>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTimer>

using namespace kestrion;
using namespace kestrion::test;

namespace {

const QString red = QString::fromUcs4(U"\U0001F534");
const QString blue = QString::fromUcs4(U"\U0001F535");
const QString star = QString::fromUcs4(U"\u2B50");

class MindMapCanvasEditingTest : public CanvasFixture {
protected:
    void click(const SermonNodePtr& node, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::mouseClick(canvas.get(), Qt::LeftButton, modifiers, viewCentre(node));
    }
    void clickAt(const QPointF& viewPoint, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::mouseClick(canvas.get(), Qt::LeftButton, modifiers, viewPoint.toPoint());
    }
    // The middle of a node's right edge, where its fold circle sits.
    QPointF foldCircle(const SermonNodePtr& node)
    {
        const NodeLayout l = layoutOf(node);
        return QPointF(l.origin.x() + l.size.width(), l.origin.y() + l.size.height() / 2) * canvas->scale()
            + canvas->panOffset();
    }
    // Double-clicks a node: two clicks 0.2 s apart on the test's clock.
    void editByClicks(const SermonNodePtr& node)
    {
        click(node);
        clock.advance(0.2);
        click(node);
    }
    QPlainTextEdit* editorText()
    {
        return canvas->nodeEditor() ? canvas->nodeEditor()->findChild<QPlainTextEdit*>() : nullptr;
    }
    void key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QPlainTextEdit* text = editorText();
        ASSERT_TRUE(text);
        QTest::keyClick(text, static_cast<Qt::Key>(key), modifiers);
    }
    void type(const QString& text)
    {
        QPlainTextEdit* editor = editorText();
        ASSERT_TRUE(editor);
        QTest::keyClicks(editor, text);
    }
    qsizetype undoSteps() const { return static_cast<qsizetype>(document->undoStack().size()); }
    QStringList childTexts(const SermonNodePtr& node) const
    {
        QStringList texts;
        for (const auto& child : node->children())
            texts << child->text();
        return texts;
    }
    SermonNodePtr node(const QUuid& id) const { return document->root()->findNode(id); }
};

} // namespace

TEST_F(MindMapCanvasEditingTest, AClickSelectsOneNodeAndSetsTheNavigationDepth)
{
    click(a1);
    EXPECT_EQ(controller().selectedNodeID(), a1->id());
    EXPECT_TRUE(controller().selectedNodeIDs().isEmpty());
    EXPECT_EQ(controller().navigationDepth(), 2);
    EXPECT_TRUE(canvas->isCanvasFocused());
    EXPECT_FALSE(controller().editingNodeID());
}

TEST_F(MindMapCanvasEditingTest, CtrlClickTogglesNodesInAndOut)
{
    click(a1);
    click(c, Qt::ControlModifier);
    EXPECT_EQ(controller().selectedNodeIDs(), (QSet<QUuid> { a1->id(), c->id() }));
    EXPECT_EQ(controller().selectedNodeID(), c->id());
    click(c, Qt::ControlModifier);
    EXPECT_EQ(controller().selectedNodeIDs(), QSet<QUuid> { a1->id() });
    EXPECT_EQ(controller().selectedNodeID(), a1->id());
    click(a1, Qt::ControlModifier);
    EXPECT_TRUE(controller().selectedNodeIDs().isEmpty());
    EXPECT_FALSE(controller().selectedNodeID());
}

TEST_F(MindMapCanvasEditingTest, ShiftClickExtendsOverTheVisibleRange)
{
    click(a);
    click(c, Qt::ShiftModifier);
    // The folded point's children lie between but are not shown, so not selected.
    EXPECT_EQ(controller().selectedNodeIDs(), (QSet<QUuid> { a->id(), a1->id(), a2->id(), b->id(), c->id() }));
    EXPECT_EQ(controller().selectedNodeID(), c->id());
    EXPECT_EQ(controller().selectionAnchorID(), a->id());
    // A plain click ends it.
    click(a2);
    EXPECT_TRUE(controller().selectedNodeIDs().isEmpty());
    EXPECT_FALSE(controller().selectionAnchorID());
}

TEST_F(MindMapCanvasEditingTest, ASecondClickWithinTheIntervalEditsTheNode)
{
    editByClicks(a1);
    EXPECT_EQ(controller().editingNodeID(), a1->id());
    EXPECT_EQ(controller().editingText(), QStringLiteral("Alpha one"));
    EXPECT_FALSE(controller().editingIsNew());
    ASSERT_TRUE(canvas->nodeEditor());
    EXPECT_TRUE(canvas->nodeEditor()->isVisible());
    EXPECT_EQ(canvas->nodeEditor()->text(), QStringLiteral("Alpha one"));
    EXPECT_FALSE(canvas->isCanvasFocused());
    QCoreApplication::processEvents();
    EXPECT_TRUE(canvas->nodeEditor()->isFocused());
}

TEST_F(MindMapCanvasEditingTest, SlowOrModifiedSecondClicksDoNotEdit)
{
    click(a1);
    clock.advance(0.35);
    click(a1);
    EXPECT_FALSE(controller().editingNodeID());

    clock.advance(1);
    click(a1);
    clock.advance(0.1);
    click(a1, Qt::ControlModifier);
    EXPECT_FALSE(controller().editingNodeID());

    // Two quick clicks on different nodes select twice.
    clock.advance(1);
    click(a1);
    clock.advance(0.1);
    click(a2);
    EXPECT_FALSE(controller().editingNodeID());
    EXPECT_EQ(controller().selectedNodeID(), a2->id());
}

TEST_F(MindMapCanvasEditingTest, TheSystemsDoubleClickCountsAsTheSecondClickAndAThirdIsAFirst)
{
    // What the window system sends: press, release, double click, release.
    click(a1);
    QTest::mouseDClick(canvas.get(), Qt::LeftButton, Qt::NoModifier, viewCentre(a1));
    QTest::mouseRelease(canvas.get(), Qt::LeftButton, Qt::NoModifier, viewCentre(a1));
    EXPECT_EQ(controller().editingNodeID(), a1->id());
    key(Qt::Key_Escape);
    EXPECT_FALSE(controller().editingNodeID());
    clock.advance(0.1);
    click(a1);
    EXPECT_FALSE(controller().editingNodeID());
}

TEST_F(MindMapCanvasEditingTest, TheFoldCircleFoldsAndUnfoldsWithoutEverEditing)
{
    clickAt(foldCircle(b));
    EXPECT_FALSE(b->isCollapsed());
    EXPECT_EQ(controller().selectedNodeID(), b->id());
    EXPECT_TRUE(canvas->cachedLayouts().contains(b1->id()));
    clock.advance(0.1);
    clickAt(foldCircle(b));
    EXPECT_TRUE(b->isCollapsed());
    EXPECT_FALSE(controller().editingNodeID());
    // Folding hands the hidden texts to the animation.
    EXPECT_EQ(canvas->fadeOutGhosts().value(b1->id()).text, QStringLiteral("Beta one"));
}

TEST_F(MindMapCanvasEditingTest, AClickOnEmptySpaceClearsTheSelectionAndCommitsTheEdit)
{
    editByClicks(a1);
    type(QStringLiteral("!"));
    clickAt(QPointF(790, 590));
    EXPECT_FALSE(controller().editingNodeID());
    EXPECT_EQ(a1->text(), QStringLiteral("Alpha one!"));
    EXPECT_FALSE(controller().selectedNodeID());
    EXPECT_TRUE(controller().selectedNodeIDs().isEmpty());
    EXPECT_TRUE(canvas->isCanvasFocused());
}

TEST_F(MindMapCanvasEditingTest, AClickWhileEditingSelectsTheNodeThatWasUnderThePointer)
{
    // A new empty node above c pushes c down; committing it away moves c back up. The click
    // picks the node that was shown under the pointer, before the edit ends.
    controller().selectSingleNode(c->id());
    canvas->performEditingCommand(&DocumentController::addSiblingBefore);
    ASSERT_TRUE(controller().editingNodeID());
    ASSERT_TRUE(canvas->nodeEditor());
    const QUuid fresh = *controller().editingNodeID();
    click(c);
    EXPECT_FALSE(controller().editingNodeID());
    EXPECT_FALSE(node(fresh));
    EXPECT_EQ(controller().selectedNodeID(), c->id());
    EXPECT_TRUE(canvas->isCanvasFocused());

    // A press that pans leaves the edit and its keyboard alone.
    controller().selectSingleNode(a1->id());
    canvas->performEditingCommand(&DocumentController::beginEditing);
    ASSERT_TRUE(editorText());
    QTest::mousePress(canvas.get(), Qt::LeftButton, Qt::NoModifier, QPoint(790, 590));
    QTest::mouseMove(canvas.get(), QPoint(760, 560));
    QTest::mouseRelease(canvas.get(), Qt::LeftButton, Qt::NoModifier, QPoint(760, 560));
    EXPECT_EQ(controller().editingNodeID(), a1->id());
    ASSERT_TRUE(editorText());
    EXPECT_TRUE(editorText()->hasFocus());
}

TEST_F(MindMapCanvasEditingTest, ReturnCommitsTheTrimmedTextAsOneUndoStep)
{
    editByClicks(a1);
    type(QStringLiteral(" more  "));
    key(Qt::Key_Return);
    EXPECT_FALSE(controller().editingNodeID());
    EXPECT_EQ(a1->text(), QStringLiteral("Alpha one more"));
    EXPECT_EQ(undoSteps(), 1);
    EXPECT_EQ(controller().selectedNodeID(), a1->id());
    EXPECT_TRUE(canvas->isCanvasFocused());

    undoManager->undo();
    EXPECT_EQ(node(a1->id())->text(), QStringLiteral("Alpha one"));
}

TEST_F(MindMapCanvasEditingTest, CommittingTheUnchangedTextRecordsNothing)
{
    editByClicks(a1);
    key(Qt::Key_Return);
    EXPECT_EQ(undoSteps(), 0);
    EXPECT_EQ(a1->text(), QStringLiteral("Alpha one"));
}

TEST_F(MindMapCanvasEditingTest, EscapeKeepsTheTextOfAnExistingNodeAndOneUndoBringsTheTypedWordsBack)
{
    editByClicks(a1);
    key(Qt::Key_Escape);
    EXPECT_EQ(undoSteps(), 0);

    clock.advance(1);
    editByClicks(a1);
    type(QStringLiteral(" changed"));
    key(Qt::Key_Escape);
    EXPECT_EQ(a1->text(), QStringLiteral("Alpha one"));
    EXPECT_FALSE(canvas->nodeEditor());
    undoManager->undo();
    EXPECT_EQ(node(a1->id())->text(), QStringLiteral("Alpha one changed"));
    EXPECT_EQ(controller().selectedNodeID(), a1->id());
    EXPECT_FALSE(undoManager->canUndo());
    undoManager->redo();
    EXPECT_EQ(node(a1->id())->text(), QStringLiteral("Alpha one"));
}

TEST_F(MindMapCanvasEditingTest, EscapeRemovesANewNodeAndOneUndoBringsItBackWithItsWords)
{
    editByClicks(c);
    type(QStringLiteral(" today"));
    key(Qt::Key_Return);
    controller().selectSingleNode(c->id());
    canvas->performEditingCommand(&DocumentController::addChild);
    type(QStringLiteral("Words typed in a hurry"));
    key(Qt::Key_Escape);
    EXPECT_FALSE(node(c->id())->hasChildren());
    undoManager->undo();
    ASSERT_EQ(childTexts(node(c->id())), QStringList { QStringLiteral("Words typed in a hurry") });
    EXPECT_EQ(controller().selectedNodeID(), node(c->id())->children().front()->id());
    // Further back the history goes on as before: the new node, then the edit before it.
    undoManager->undo();
    EXPECT_FALSE(node(c->id())->hasChildren());
    undoManager->undo();
    EXPECT_EQ(node(c->id())->text(), QStringLiteral("Closing words"));
}

TEST_F(MindMapCanvasEditingTest, CancellingANewEmptyNodeRemovesItWithItsStepAndSelectsItsNeighbour)
{
    controller().selectSingleNode(c->id());
    canvas->performEditingCommand(&DocumentController::addSiblingAfter);
    ASSERT_TRUE(controller().editingNodeID());
    EXPECT_TRUE(controller().editingIsNew());
    EXPECT_FALSE(canvas->isCanvasFocused());
    EXPECT_EQ(root->children().size(), 4u);
    EXPECT_FALSE(undoManager->isClean());
    key(Qt::Key_Escape);
    EXPECT_EQ(root->children().size(), 3u);
    EXPECT_EQ(controller().selectedNodeID(), c->id());
    EXPECT_EQ(undoSteps(), 0);
    EXPECT_TRUE(undoManager->isClean());
    EXPECT_TRUE(canvas->isCanvasFocused());
}

TEST_F(MindMapCanvasEditingTest, ClearingAHeadingKeepsItEmptyWithItsSubPoints)
{
    editByClicks(a);
    editorText()->selectAll();
    key(Qt::Key_Delete);
    key(Qt::Key_Return);
    ASSERT_TRUE(node(a->id()));
    EXPECT_EQ(node(a->id())->text(), QString());
    EXPECT_EQ(childTexts(node(a->id())), (QStringList { QStringLiteral("Alpha one"), QStringLiteral("Alpha two") }));
    EXPECT_EQ(controller().selectedNodeID(), a->id());
    EXPECT_EQ(undoSteps(), 1);
    undoManager->undo();
    EXPECT_EQ(node(a->id())->text(), QStringLiteral("First point"));
}

TEST_F(MindMapCanvasEditingTest, ClearingAnExistingNodeRemovesItWithOneStepAndNoGhost)
{
    editByClicks(a1);
    editorText()->selectAll();
    key(Qt::Key_Delete);
    key(Qt::Key_Return);
    EXPECT_EQ(childTexts(a), QStringList { QStringLiteral("Alpha two") });
    EXPECT_EQ(undoSteps(), 1);
    // The first child went: its next sibling is selected.
    EXPECT_EQ(controller().selectedNodeID(), a2->id());
    EXPECT_FALSE(canvas->fadeOutGhosts().contains(a1->id()));
    EXPECT_TRUE(canvas->nodeAnimOffsets().contains(a2->id()));
    undoManager->undo();
    EXPECT_EQ(childTexts(node(a->id())), (QStringList { QStringLiteral("Alpha one"), QStringLiteral("Alpha two") }));
}

TEST_F(MindMapCanvasEditingTest, ClearingTheTitleCancelsTheEdit)
{
    editByClicks(root);
    ASSERT_EQ(controller().editingNodeID(), root->id());
    editorText()->selectAll();
    key(Qt::Key_Backspace);
    key(Qt::Key_Return);
    EXPECT_EQ(document->root()->text(), QStringLiteral("Title"));
    EXPECT_EQ(controller().selectedNodeID(), root->id());
    EXPECT_FALSE(controller().editingNodeID());
    EXPECT_EQ(undoSteps(), 0);
}

TEST_F(MindMapCanvasEditingTest, TabAndReturnEnterAnOutlineWithoutTheMouse)
{
    controller().selectSingleNode(c->id());
    canvas->performEditingCommand(&DocumentController::addChild);
    type(QStringLiteral("One"));
    key(Qt::Key_Tab);
    type(QStringLiteral("Two"));
    key(Qt::Key_Return);
    type(QStringLiteral("Three"));
    key(Qt::Key_Return);
    // An empty new node cancelled goes away again.
    key(Qt::Key_Escape);

    ASSERT_EQ(c->children().size(), 1u);
    const SermonNodePtr one = c->children().front();
    EXPECT_EQ(one->text(), QStringLiteral("One"));
    EXPECT_EQ(childTexts(one), (QStringList { QStringLiteral("Two"), QStringLiteral("Three") }));
    EXPECT_FALSE(controller().editingNodeID());
    EXPECT_EQ(controller().selectedNodeID(), one->children().back()->id());

    // Every new node is its own step: add, Tab's child, Return's sibling; the last one, left
    // empty, took its step with it.
    EXPECT_EQ(undoSteps(), 3);
    undoManager->undo();
    EXPECT_EQ(childTexts(node(one->id())), QStringList { QStringLiteral("Two") });
}

TEST_F(MindMapCanvasEditingTest, ShiftTabClimbsToTheParent)
{
    controller().selectSingleNode(a->id());
    canvas->performEditingCommand(&DocumentController::addChild);
    type(QStringLiteral("Alpha three"));
    key(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(controller().editingNodeID(), a->id());
    EXPECT_FALSE(controller().editingIsNew());
    EXPECT_EQ(childTexts(a).last(), QStringLiteral("Alpha three"));
}

TEST_F(MindMapCanvasEditingTest, ReturnOnAnExistingNodeOnlyEndsAndCtrlReturnAddsAbove)
{
    editByClicks(a2);
    key(Qt::Key_Return);
    EXPECT_FALSE(controller().editingNodeID());
    EXPECT_EQ(a->children().size(), 2u);

    clock.advance(1);
    editByClicks(a2);
    key(Qt::Key_Return, Qt::ControlModifier);
    ASSERT_TRUE(controller().editingNodeID());
    EXPECT_TRUE(controller().editingIsNew());
    EXPECT_EQ(childTexts(a), (QStringList { QStringLiteral("Alpha one"), QString(), QStringLiteral("Alpha two") }));
}

TEST_F(MindMapCanvasEditingTest, CtrlReturnOnTheTitleEndsEditingWithoutAStep)
{
    editByClicks(root);
    key(Qt::Key_Return, Qt::ControlModifier);
    EXPECT_FALSE(controller().editingNodeID());
    EXPECT_EQ(root->children().size(), 3u);
    EXPECT_EQ(undoSteps(), 0);
    EXPECT_TRUE(canvas->isCanvasFocused());
}

TEST_F(MindMapCanvasEditingTest, TabOnAQuoteAddsThePointRightAfterIt)
{
    // A quote holds no points: the words typed next go into a plain point after it.
    a1->setQuote(true);
    canvas->recomputeLayout();
    editByClicks(a1);
    key(Qt::Key_Tab);
    type(QStringLiteral("under quote"));
    canvas->endEditing(true);
    EXPECT_FALSE(a1->hasChildren());
    EXPECT_EQ(childTexts(a),
        (QStringList { QStringLiteral("Alpha one"), QStringLiteral("under quote"), QStringLiteral("Alpha two") }));
    EXPECT_FALSE(a->children()[1]->isQuote());
}

TEST_F(MindMapCanvasEditingTest, AltReturnSplitsAtTheCaretAsOneStep)
{
    a1->setQuote(true);
    canvas->recomputeLayout();
    editByClicks(a1);
    key(Qt::Key_Home);
    for (int i = 0; i < 5; ++i)
        key(Qt::Key_Right);
    key(Qt::Key_Return, Qt::AltModifier);

    EXPECT_EQ(
        childTexts(a), (QStringList { QStringLiteral("Alpha"), QStringLiteral("one"), QStringLiteral("Alpha two") }));
    const SermonNodePtr second = a->children()[1];
    EXPECT_TRUE(second->isQuote());
    EXPECT_EQ(controller().editingNodeID(), second->id());
    EXPECT_FALSE(controller().editingIsNew());
    EXPECT_EQ(undoSteps(), 1);
    key(Qt::Key_Escape);
    undoManager->undo();
    EXPECT_EQ(childTexts(node(a->id())), (QStringList { QStringLiteral("Alpha one"), QStringLiteral("Alpha two") }));
}

TEST_F(MindMapCanvasEditingTest, AltReturnAtTheEndMakesAnEmptyNewSibling)
{
    editByClicks(a1);
    key(Qt::Key_End);
    key(Qt::Key_Return, Qt::AltModifier);
    EXPECT_EQ(childTexts(a), (QStringList { QStringLiteral("Alpha one"), QString(), QStringLiteral("Alpha two") }));
    EXPECT_TRUE(controller().editingIsNew());
    // Cancelled, the empty one goes, and the split that changed nothing leaves no step.
    key(Qt::Key_Escape);
    EXPECT_EQ(childTexts(a), (QStringList { QStringLiteral("Alpha one"), QStringLiteral("Alpha two") }));
    EXPECT_EQ(undoSteps(), 0);
}

TEST_F(MindMapCanvasEditingTest, AltReturnAtTheStartKeepsTheTextInItsPlace)
{
    a2->setQuote(true);
    canvas->recomputeLayout();
    editByClicks(a2);
    key(Qt::Key_Home);
    key(Qt::Key_Return, Qt::AltModifier);
    // The node's whole text moves to a new node at the same place under the same parent, and
    // stays a quote, as the second part of a split in the middle does.
    EXPECT_EQ(childTexts(a), (QStringList { QStringLiteral("Alpha one"), QStringLiteral("Alpha two") }));
    EXPECT_NE(a->children()[1]->id(), a2->id());
    EXPECT_TRUE(a->children()[1]->isQuote());
    EXPECT_EQ(controller().editingNodeID(), a->children()[1]->id());
    EXPECT_EQ(undoSteps(), 1);

    // Also for a first child, whose removal would select its next sibling.
    key(Qt::Key_Escape);
    clock.advance(1);
    const SermonNodePtr first = a->children()[0];
    editByClicks(first);
    key(Qt::Key_Home);
    key(Qt::Key_Return, Qt::AltModifier);
    EXPECT_EQ(childTexts(a), (QStringList { QStringLiteral("Alpha one"), QStringLiteral("Alpha two") }));

    // A point with a branch keeps it, folded as it was, under the text that takes its place.
    key(Qt::Key_Escape);
    clock.advance(1);
    a->setCollapsed(true);
    canvas->recomputeLayout();
    editByClicks(a);
    key(Qt::Key_Home);
    key(Qt::Key_Return, Qt::AltModifier);
    const SermonNodePtr moved = root->children()[0];
    EXPECT_EQ(moved->text(), QStringLiteral("First point"));
    EXPECT_EQ(childTexts(moved), (QStringList { QStringLiteral("Alpha one"), QStringLiteral("Alpha two") }));
    EXPECT_TRUE(moved->isCollapsed());
}

TEST_F(MindMapCanvasEditingTest, AltReturnOnTheTitleIsRefused)
{
    editByClicks(root);
    key(Qt::Key_Home);
    for (int i = 0; i < 2; ++i)
        key(Qt::Key_Right);
    key(Qt::Key_Return, Qt::AltModifier);
    EXPECT_EQ(controller().editingNodeID(), root->id());
    EXPECT_EQ(root->text(), QStringLiteral("Title"));
    EXPECT_EQ(root->children().size(), 3u);
    EXPECT_EQ(undoSteps(), 0);
}

TEST_F(MindMapCanvasEditingTest, ShiftReturnStoresALineSeparator)
{
    editByClicks(a1);
    key(Qt::Key_End);
    key(Qt::Key_Return, Qt::ShiftModifier);
    type(QStringLiteral("two"));
    EXPECT_EQ(controller().editingText(), QStringLiteral("Alpha one") + QChar(0x2028) + QStringLiteral("two"));
    key(Qt::Key_Return);
    EXPECT_EQ(a1->text(), QStringLiteral("Alpha one") + QChar(0x2028) + QStringLiteral("two"));
}

TEST_F(MindMapCanvasEditingTest, MenuShortcutsNeverActWhileTheEditorHasTheKeyboard)
{
    int triggered = 0;
    QList<QAction*> actions;
    for (const QKeySequence& sequence : { QKeySequence(Qt::Key_Backspace), QKeySequence(Qt::Key_Delete),
             QKeySequence(Qt::Key_Space), QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Tab),
             QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::Key_Escape) }) {
        auto* action = new QAction(canvas.get());
        action->setShortcut(sequence);
        action->setShortcutContext(Qt::WindowShortcut);
        QObject::connect(action, &QAction::triggered, [&] { ++triggered; });
        canvas->addAction(action);
        actions << action;
    }
    editByClicks(a1);
    key(Qt::Key_End);
    key(Qt::Key_Backspace);
    key(Qt::Key_Space);
    key(Qt::Key_Left);
    key(Qt::Key_Delete);
    EXPECT_EQ(controller().editingText(), QStringLiteral("Alpha on"));
    // Each of these ends the edit (and may start another, which Escape cancels).
    key(Qt::Key_Return, Qt::ControlModifier);
    key(Qt::Key_Escape);
    clock.advance(1);
    editByClicks(a2);
    key(Qt::Key_Tab);
    key(Qt::Key_Escape);
    clock.advance(1);
    editByClicks(a2);
    key(Qt::Key_Return);
    EXPECT_EQ(triggered, 0);
    EXPECT_EQ(a1->text(), QStringLiteral("Alpha on"));
}

TEST_F(MindMapCanvasEditingTest, TheEditorSitsOverItsNodeAtAnyZoomAndFollowsThePan)
{
    canvas->setScale(2.0);
    canvas->setPanOffset(QPointF(-30, -10));
    editByClicks(a1);
    NodeEditorOverlay* editor = canvas->nodeEditor();
    ASSERT_TRUE(editor);
    const NodeLayout l = layoutOf(a1);
    const QSizeF size = NodeEditorOverlay::editorSize(QStringLiteral("Alpha one"), l.depth, 2.0);
    const auto placed = NodeEditorOverlay::placement(l, size, 2.0, QPointF(-30, -10));
    EXPECT_EQ(editor->geometry(), placed.bounds.toAlignedRect());
    canvas->handleScroll(-20, 0);
    const auto moved = NodeEditorOverlay::placement(l, size, 2.0, QPointF(-50, -10));
    EXPECT_EQ(editor->geometry(), moved.bounds.toAlignedRect());
}

TEST_F(MindMapCanvasEditingTest, TheViewFollowsTheCaretPastTheWindowsEdges)
{
    canvas->resize(400, 300);
    QCoreApplication::processEvents();
    editByClicks(c);
    finishAnimations();
    const QRectF room = QRectF(QPointF(), canvas->viewportSize()).adjusted(10, 10, -10, -10);
    auto caret = [&] { return canvas->nodeEditor()->caretRect(); };
    key(Qt::Key_End);
    type(QStringLiteral(" and a closing prayer for everyone who came"));
    ASSERT_GT(canvas->nodeEditor()->geometry().right(), 400) << "the editor grew past the edge";
    EXPECT_TRUE(room.contains(caret())) << "the view followed";
    key(Qt::Key_Home);
    EXPECT_TRUE(room.contains(caret())) << "and back to the start";
    // Scrolling away by hand while editing is left alone.
    canvas->handleScroll(0, -200);
    EXPECT_FALSE(room.contains(caret()));
}

TEST_F(MindMapCanvasEditingTest, AfterALongEditTheViewShowsTheNodesStartAgain)
{
    canvas->resize(400, 300);
    QCoreApplication::processEvents();
    for (const bool scrolledByHand : { false, true }) {
        finishAnimations();
        const QPointF before = canvas->panOffset();
        editByClicks(root);
        finishAnimations();
        key(Qt::Key_End);
        type(QStringLiteral(" of the Father who runs to meet his son on the road home"));
        ASSERT_LT(canvas->panOffset().x(), before.x()) << "the view followed the caret";
        if (scrolledByHand)
            canvas->handleScroll(-15, 0);
        const QPointF followed = canvas->panOffset();
        key(Qt::Key_Return);
        ASSERT_FALSE(controller().editingNodeID());
        if (scrolledByHand) {
            EXPECT_EQ(canvas->panOffset(), followed) << "a pan made by hand stays";
        } else {
            const NodeLayout l = layoutOf(root);
            EXPECT_EQ(canvas->panOffset(), before);
            EXPECT_GE(l.origin.x() * canvas->scale() + canvas->panOffset().x(), 10) << "the title is not cut off";
        }
    }
}

TEST_F(MindMapCanvasEditingTest, TheCaretsBlinkRedrawsOnlyWhatLiesUnderTheCaret)
{
    makeCanvasOverPoints(40);
    const SermonNodePtr edited = root->children()[5];
    editByClicks(edited);
    QCoreApplication::processEvents();
    QPlainTextEdit* text = editorText();
    ASSERT_TRUE(text);

    SignpostRecorder recorder;
    // What one blink does: the caret's few points are marked for repainting.
    text->viewport()->update(text->cursorRect());
    QCoreApplication::processEvents();
    const QStringList stats = recorder.linesStartingWith(QStringLiteral("event DrawStats"));
    ASSERT_EQ(stats.size(), 1) << "the map under the caret is repainted";
    const qsizetype from = stats[0].indexOf(QStringLiteral("drawn=")) + 6;
    const int drawn = stats[0].mid(from, stats[0].indexOf(u' ', from) - from).toInt();
    // The neighbours within reach of the caret, not the dozen nodes in view.
    EXPECT_LE(drawn, 4) << stats[0].toStdString();
}

TEST_F(MindMapCanvasEditingTest, ANodeEditedWithoutALayoutShowsNoEditor)
{
    controller().selectSingleNode(b1->id());
    controller().beginEditing();
    EXPECT_EQ(controller().editingNodeID(), b1->id());
    EXPECT_FALSE(canvas->nodeEditor());
    // Shown again, the editor appears.
    b->setCollapsed(false);
    canvas->recomputeLayout();
    EXPECT_TRUE(canvas->nodeEditor());
}

TEST_F(MindMapCanvasEditingTest, DuplicateCopiesTheTopLevelBranchesAndKeepsTheCopiesSelected)
{
    controller().selectSingleNode(a->id());
    controller().toggleSelection(c->id());
    controller().toggleSelection(a1->id());
    canvas->duplicateSelection();
    ASSERT_EQ(root->children().size(), 5u);
    EXPECT_EQ(childTexts(root),
        (QStringList { QStringLiteral("First point"), QStringLiteral("First point"), QStringLiteral("Second point"),
            QStringLiteral("Closing words"), QStringLiteral("Closing words") }));
    const SermonNodePtr aCopy = root->children()[1];
    const SermonNodePtr cCopy = root->children()[4];
    // The child was copied inside its parent's copy, not on its own.
    EXPECT_EQ(childTexts(aCopy), (QStringList { QStringLiteral("Alpha one"), QStringLiteral("Alpha two") }));
    EXPECT_NE(aCopy->children()[0]->id(), a1->id());
    EXPECT_EQ(childTexts(a), (QStringList { QStringLiteral("Alpha one"), QStringLiteral("Alpha two") }));
    EXPECT_EQ(controller().selectedNodeIDs(), (QSet<QUuid> { aCopy->id(), cCopy->id() }));
    ASSERT_TRUE(controller().selectedNodeID());
    EXPECT_TRUE(controller().selectedNodeIDs().contains(*controller().selectedNodeID()));
    EXPECT_TRUE(canvas->cachedLayouts().contains(cCopy->id()));

    EXPECT_EQ(undoSteps(), 1);
    undoManager->undo();
    EXPECT_EQ(document->root()->children().size(), 3u);
}

TEST_F(MindMapCanvasEditingTest, DuplicateCutAndDeleteLeaveTheTitleAlone)
{
    controller().selectSingleNode(root->id());
    canvas->duplicateSelection();
    canvas->cutSelection();
    canvas->deleteSelectionAnimated();
    EXPECT_EQ(root->children().size(), 3u);
    EXPECT_EQ(undoSteps(), 0);
}

TEST_F(MindMapCanvasEditingTest, DeleteFadesOutEveryRemovedNodeWithItsText)
{
    controller().selectSingleNode(a->id());
    canvas->deleteSelectionAnimated();
    EXPECT_EQ(childTexts(root), (QStringList { QStringLiteral("Second point"), QStringLiteral("Closing words") }));
    EXPECT_EQ(canvas->fadeOutGhosts().value(a->id()).text, QStringLiteral("First point"));
    EXPECT_EQ(canvas->fadeOutGhosts().value(a2->id()).text, QStringLiteral("Alpha two"));
    undoManager->undo();
    EXPECT_EQ(document->root()->children().size(), 3u);
}

TEST_F(MindMapCanvasEditingTest, CutCopiesThenDeletes)
{
    controller().selectSingleNode(c->id());
    canvas->cutSelection();
    EXPECT_EQ(clipboard.text(), QStringLiteral("Closing words"));
    EXPECT_EQ(root->children().size(), 2u);
}

TEST_F(MindMapCanvasEditingTest, MarkersToggleReplaceAndLeaveOtherEmojiAlone)
{
    c->setText(red + QStringLiteral(" Closing words"));
    controller().selectSingleNode(a1->id());
    controller().toggleSelection(c->id());
    canvas->setMarker(red);
    EXPECT_EQ(a1->text(), red + QStringLiteral(" Alpha one"));
    EXPECT_EQ(c->text(), red + QStringLiteral(" Closing words"));
    canvas->setMarker(red);
    EXPECT_EQ(a1->text(), QStringLiteral("Alpha one"));
    EXPECT_EQ(c->text(), QStringLiteral("Closing words"));
    canvas->setMarker(blue);
    canvas->setMarker(red);
    EXPECT_EQ(a1->text(), red + QStringLiteral(" Alpha one"));
    EXPECT_EQ(undoSteps(), 4);

    // A user's own leading emoji is text, not a marker.
    a2->setText(star + QStringLiteral(" Highlight"));
    controller().selectSingleNode(a2->id());
    canvas->setMarker(blue);
    EXPECT_EQ(a2->text(), blue + QStringLiteral(" ") + star + QStringLiteral(" Highlight"));
    canvas->removeMarker();
    EXPECT_EQ(a2->text(), star + QStringLiteral(" Highlight"));

    // Removing from unmarked text still records a step.
    const qsizetype steps = undoSteps();
    canvas->removeMarker();
    EXPECT_EQ(undoSteps(), steps + 1);
    EXPECT_EQ(a2->text(), star + QStringLiteral(" Highlight"));

    while (undoManager->canUndo())
        undoManager->undo();
    EXPECT_EQ(node(a1->id())->text(), QStringLiteral("Alpha one"));
}

TEST_F(MindMapCanvasEditingTest, QuoteToggleFlipsLeavesAndQuotesAndAlwaysRecords)
{
    a1->setQuote(true);
    controller().selectSingleNode(a1->id());
    controller().toggleSelection(a2->id());
    canvas->toggleQuote();
    EXPECT_FALSE(a1->isQuote());
    EXPECT_TRUE(a2->isQuote());
    EXPECT_EQ(undoSteps(), 1);

    controller().selectSingleNode(a->id());
    canvas->toggleQuote();
    EXPECT_FALSE(a->isQuote());
    EXPECT_EQ(undoSteps(), 2);
    undoManager->undo();
    undoManager->undo();
    EXPECT_TRUE(node(a1->id())->isQuote());
    EXPECT_FALSE(node(a2->id())->isQuote());
}

TEST_F(MindMapCanvasEditingTest, FoldAndMoveAnimateAndAreUndone)
{
    controller().selectSingleNode(a->id());
    canvas->foldSelection();
    EXPECT_TRUE(a->isCollapsed());
    EXPECT_TRUE(canvas->fadeOutGhosts().contains(a1->id()));
    EXPECT_FALSE(canvas->fadeOutGhosts().contains(a->id()));
    finishAnimations();
    canvas->unfoldSelection();
    EXPECT_FALSE(a->isCollapsed());
    EXPECT_TRUE(canvas->fadeInNodeIDs().contains(a1->id()));
    finishAnimations();

    canvas->moveSelectionAnimated(true);
    EXPECT_EQ(childTexts(root).first(), QStringLiteral("Second point"));
    EXPECT_TRUE(canvas->nodeAnimOffsets().contains(a->id()));
    EXPECT_EQ(undoSteps(), 3);
    undoManager->undo();
    EXPECT_EQ(childTexts(document->root()).first(), QStringLiteral("First point"));

    // A leaf alone folds nothing.
    controller().selectSingleNode(c->id());
    const qsizetype steps = undoSteps();
    canvas->foldSelection();
    EXPECT_EQ(undoSteps(), steps);
}

TEST_F(MindMapCanvasEditingTest, SelectAllTakesEveryNodeAndDeselectAllNone)
{
    controller().selectSingleNode(a1->id());
    canvas->selectAllNodes();
    EXPECT_EQ(controller().selectedNodeIDs().size(), 8);
    EXPECT_TRUE(controller().selectedNodeIDs().contains(b2->id()));
    EXPECT_EQ(controller().selectedNodeID(), a1->id());
    canvas->deselectAllNodes();
    EXPECT_TRUE(controller().selectedNodeIDs().isEmpty());
    EXPECT_FALSE(controller().selectedNodeID());
}

TEST_F(MindMapCanvasEditingTest, ASecondaryClickSelectsANodeButNotTheTitle)
{
    // What the menu of a right click offers; the menu is closed again.
    const auto rightClick = [this](const SermonNodePtr& node) {
        EXPECT_FALSE(popupLoopsInside(
            [&] { QTest::mouseClick(canvas.get(), Qt::RightButton, Qt::NoModifier, viewCentre(node)); }));
        QStringList offered;
        if (QWidget* popup = QApplication::activePopupWidget()) {
            for (QAction* action : popup->actions())
                offered << action->text();
            popup->close();
        }
        return offered;
    };
    controller().selectSingleNode(a1->id());
    controller().toggleSelection(a2->id());
    EXPECT_TRUE(rightClick(root).isEmpty());
    EXPECT_EQ(controller().selectedNodeID(), a2->id());

    // On another member of a multi-selection: that node becomes primary, the others stay
    // selected, and the menu offers what the whole selection allows.
    EXPECT_TRUE(rightClick(a1).contains(QStringLiteral("Join")));
    EXPECT_EQ(controller().selectedNodeID(), a1->id());
    EXPECT_EQ(controller().selectedNodeIDs(), (QSet<QUuid> { a1->id(), a2->id() }));
    EXPECT_FALSE(controller().isExtendingSelection());

    // On a node outside the selection: that node alone, so the menu acts on what was pointed at.
    const QStringList offered = rightClick(c);
    EXPECT_EQ(controller().selectedNodeID(), c->id());
    EXPECT_TRUE(controller().selectedNodeIDs().isEmpty());
    EXPECT_TRUE(offered.contains(QStringLiteral("Delete")));
    EXPECT_FALSE(offered.contains(QStringLiteral("Join")));

    editByClicks(c);
    type(QStringLiteral("!"));
    EXPECT_FALSE(rightClick(b).isEmpty());
    EXPECT_EQ(controller().selectedNodeID(), b->id());
    EXPECT_EQ(c->text(), QStringLiteral("Closing words!"));
    EXPECT_FALSE(controller().editingNodeID());
}

TEST_F(MindMapCanvasEditingTest, EditingCommandsHandTheKeyboardToTheEditor)
{
    controller().selectSingleNode(a2->id());
    canvas->performEditingCommand(&DocumentController::beginEditing);
    EXPECT_EQ(controller().editingNodeID(), a2->id());
    EXPECT_FALSE(canvas->isCanvasFocused());
    QCoreApplication::processEvents();
    ASSERT_TRUE(canvas->nodeEditor());
    EXPECT_TRUE(canvas->nodeEditor()->isFocused());
    canvas->endEditing(true);
    EXPECT_TRUE(canvas->isCanvasFocused());
}
