#include "CanvasFixture.h"

#include "document/WordCount.h"
#include "mindmap/FocusedNodeActionsKey.h"
#include "mindmap/NodeContextMenu.h"
#include "mindmap/NodeMarkers.h"
#include "platform/CommandRouter.h"
#include "support/TreeDump.h"

#include <QAction>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QTimer>

using namespace kestrion;
using namespace kestrion::test;

namespace {

const QChar lineSeparator(0x2028);

class MindMapCanvasKeyboardTest : public CanvasFixture {
protected:
    // Sends a press as the window system would, shortcut override first; true when taken.
    bool press(
        int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier, const QString& text = {}, bool autoRepeat = false)
    {
        QKeyEvent override(QEvent::ShortcutOverride, key, modifiers, text, autoRepeat);
        override.ignore();
        QApplication::sendEvent(canvas.get(), &override);
        QKeyEvent event(QEvent::KeyPress, key, modifiers, text, autoRepeat);
        event.ignore();
        QApplication::sendEvent(canvas.get(), &event);
        EXPECT_EQ(override.isAccepted(), event.isAccepted()) << "key " << key;
        return event.isAccepted();
    }
    void select(const SermonNodePtr& node) { controller().selectSingleNode(node->id()); }
    QSet<QUuid> ids(std::initializer_list<SermonNodePtr> nodes)
    {
        QSet<QUuid> result;
        for (const auto& node : nodes)
            result.insert(node->id());
        return result;
    }
    QStringList childTexts(const SermonNodePtr& node) const
    {
        QStringList texts;
        for (const auto& child : node->children())
            texts << child->text();
        return texts;
    }
    qsizetype undoSteps() const { return static_cast<qsizetype>(document->undoStack().size()); }
    NodeActionState state() { return canvas->makeNodeActions().state; }
    QStringList menuTitles()
    {
        QStringList titles;
        for (const ContextMenuItem& item : canvas->contextMenuItems())
            titles << (item.kind == ContextMenuItem::Kind::Separator ? QStringLiteral("-") : item.title);
        return titles;
    }
};

} // namespace

TEST_F(MindMapCanvasKeyboardTest, NoKeyReachesTheTableWhileEditingOrSearching)
{
    select(a1);
    controller().beginEditing();
    EXPECT_FALSE(canvas->keyCommand(QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier)));
    EXPECT_FALSE(canvas->keyCommand(QKeyEvent(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier)));
    canvas->endEditing(false);

    auto* field = new QLineEdit;
    canvas->setSearchBarOverlay(field);
    canvas->openSearch();
    EXPECT_FALSE(press(Qt::Key_Backspace));
    EXPECT_FALSE(press(Qt::Key_Down));
    EXPECT_EQ(a->children().size(), 2u);
    EXPECT_EQ(controller().selectedNodeID(), a1->id());
    // Tab, left alone, walks on to the search field.
    canvas->setCanvasFocused(true);
    QTest::keyClick(canvas.get(), Qt::Key_Tab);
    EXPECT_TRUE(field->hasFocus());
    EXPECT_EQ(a1->children().size(), 0u);
}

TEST_F(MindMapCanvasKeyboardTest, DeleteAndBackspaceDeleteWithAnyModifiers)
{
    select(a1);
    EXPECT_TRUE(press(Qt::Key_Backspace));
    EXPECT_EQ(childTexts(a), QStringList { QStringLiteral("Alpha two") });
    select(a2);
    EXPECT_TRUE(press(Qt::Key_Delete, Qt::ShiftModifier));
    EXPECT_TRUE(a->children().empty());
    // Nothing to delete is still a handled key.
    select(root);
    EXPECT_TRUE(press(Qt::Key_Delete));
    EXPECT_EQ(root->children().size(), 3u);
}

TEST_F(MindMapCanvasKeyboardTest, EscapeClearsASelectionAndIsIgnoredWithoutOne)
{
    controller().setSelection(ids({ a1, a2 }), std::nullopt, std::nullopt);
    EXPECT_TRUE(press(Qt::Key_Escape));
    EXPECT_TRUE(controller().selectedNodeIDs().isEmpty());
    EXPECT_FALSE(controller().selectedNodeID());
    EXPECT_FALSE(press(Qt::Key_Escape));
}

TEST_F(MindMapCanvasKeyboardTest, CtrlASelectsEveryNodeWhateverElseIsHeld)
{
    for (Qt::KeyboardModifiers modifiers : { Qt::KeyboardModifiers(Qt::ControlModifier),
             Qt::ControlModifier | Qt::ShiftModifier, Qt::ControlModifier | Qt::AltModifier }) {
        select(a1);
        EXPECT_TRUE(press(Qt::Key_A, modifiers));
        EXPECT_EQ(controller().selectedNodeIDs().size(), 8);
        EXPECT_TRUE(controller().selectedNodeIDs().contains(b1->id()));
        EXPECT_EQ(controller().selectedNodeID(), a1->id());
    }
}

TEST_F(MindMapCanvasKeyboardTest, CtrlLettersCutCopyPasteDuplicateAndUndo)
{
    select(c);
    EXPECT_TRUE(press(Qt::Key_C, Qt::ControlModifier));
    EXPECT_EQ(clipboard.text(), QStringLiteral("Closing words"));
    select(a2);
    EXPECT_TRUE(press(Qt::Key_V, Qt::ControlModifier));
    EXPECT_EQ(childTexts(a2), QStringList { QStringLiteral("Closing words") });
    select(a1);
    EXPECT_TRUE(press(Qt::Key_X, Qt::ControlModifier));
    EXPECT_EQ(clipboard.text(), QStringLiteral("Alpha one"));
    EXPECT_EQ(childTexts(a), QStringList { QStringLiteral("Alpha two") });
    select(c);
    EXPECT_TRUE(press(Qt::Key_D, Qt::ControlModifier));
    EXPECT_EQ(root->children().size(), 4u);
    EXPECT_EQ(undoSteps(), 3);

    EXPECT_TRUE(press(Qt::Key_Z, Qt::ControlModifier));
    EXPECT_EQ(document->root()->children().size(), 3u);
    EXPECT_TRUE(press(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier));
    EXPECT_EQ(document->root()->children().size(), 4u);

    // With anything more than Ctrl the row does not match and the key falls through.
    EXPECT_FALSE(press(Qt::Key_X, Qt::ControlModifier | Qt::AltModifier));
    EXPECT_EQ(document->root()->children().size(), 4u);
}

// Cut takes whole branches; Paste brings them back as they were, one step each.
TEST_F(MindMapCanvasKeyboardTest, CutBranchesComeBackWholeWithPaste)
{
    const QString before = treeShape(document->root());
    const qint64 words = wordCount(document->root());
    controller().setSelection(ids({ b, c }), b->id(), std::nullopt);
    EXPECT_TRUE(press(Qt::Key_X, Qt::ControlModifier));
    EXPECT_EQ(childTexts(document->root()), QStringList { a->text() });
    select(document->root());
    EXPECT_TRUE(press(Qt::Key_V, Qt::ControlModifier));
    EXPECT_EQ(treeShape(document->root()), before);
    EXPECT_EQ(wordCount(document->root()), words);
    EXPECT_EQ(undoSteps(), 2);
}

TEST_F(MindMapCanvasKeyboardTest, CtrlShiftCCopiesTheBranch)
{
    select(a);
    EXPECT_TRUE(press(Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier, QStringLiteral("C")));
    ASSERT_TRUE(clipboard.text());
    EXPECT_TRUE(clipboard.text()->contains(QStringLiteral("Alpha two")));
}

TEST_F(MindMapCanvasKeyboardTest, SplitJoinAndQuoteKeys)
{
    a1->setText(QStringLiteral("Amen. Then we pray"));
    select(a1);
    EXPECT_TRUE(press(Qt::Key_Semicolon, Qt::ControlModifier));
    EXPECT_EQ(childTexts(a),
        (QStringList { QStringLiteral("Amen."), QStringLiteral("Then we pray"), QStringLiteral("Alpha two") }));

    controller().setSelection(ids({ a->children()[0], a->children()[1] }), a->children()[0]->id(), std::nullopt);
    EXPECT_TRUE(press(Qt::Key_J, Qt::ControlModifier));
    EXPECT_EQ(childTexts(a).first(), QStringLiteral("Amen.") + lineSeparator + QStringLiteral("Then we pray"));

    // Ctrl-Return splits the lines again; the canvas keeps the keyboard.
    select(a->children()[0]);
    EXPECT_TRUE(press(Qt::Key_Return, Qt::ControlModifier));
    EXPECT_EQ(a->children().size(), 3u);
    EXPECT_TRUE(canvas->isCanvasFocused());
    EXPECT_FALSE(controller().editingNodeID());

    // Ctrl-Space joins too.
    controller().setSelection(ids({ a->children()[0], a->children()[1] }), a->children()[0]->id(), std::nullopt);
    EXPECT_TRUE(press(Qt::Key_Space, Qt::ControlModifier));
    EXPECT_EQ(a->children().size(), 2u);

    select(a2);
    EXPECT_TRUE(press(Qt::Key_Apostrophe, Qt::ControlModifier));
    EXPECT_TRUE(a2->isQuote());
}

TEST_F(MindMapCanvasKeyboardTest, CtrlShiftDigitsSetMarkersWhateverTheLayoutReports)
{
    const auto& markers = NodeMarkers::markerEmoji();
    select(a1);
    // The shifted symbol of a US layout.
    EXPECT_TRUE(press(Qt::Key_Exclam, Qt::ControlModifier | Qt::ShiftModifier, QStringLiteral("!")));
    EXPECT_EQ(a1->text(), markers[0] + QStringLiteral(" Alpha one"));
    // A layout that reports the digit itself.
    EXPECT_TRUE(press(Qt::Key_2, Qt::ControlModifier | Qt::ShiftModifier, QStringLiteral("2")));
    EXPECT_EQ(a1->text(), markers[1] + QStringLiteral(" Alpha one"));
    // A layout whose shifted digit is another symbol, with no text at all.
    EXPECT_TRUE(press(Qt::Key_9, Qt::ControlModifier | Qt::ShiftModifier));
    EXPECT_EQ(a1->text(), markers[8] + QStringLiteral(" Alpha one"));
    EXPECT_TRUE(press(Qt::Key_ParenLeft, Qt::ControlModifier | Qt::ShiftModifier, QStringLiteral("(")));
    EXPECT_EQ(a1->text(), QStringLiteral("Alpha one"));
    EXPECT_TRUE(press(Qt::Key_At, Qt::ControlModifier | Qt::ShiftModifier, QStringLiteral("@")));
    EXPECT_EQ(a1->text(), markers[1] + QStringLiteral(" Alpha one"));

    EXPECT_TRUE(press(Qt::Key_ParenRight, Qt::ControlModifier | Qt::ShiftModifier, QStringLiteral(")")));
    EXPECT_EQ(a1->text(), QStringLiteral("Alpha one"));
    a1->setText(markers[3] + QStringLiteral(" Alpha one"));
    EXPECT_TRUE(press(Qt::Key_0, Qt::ControlModifier | Qt::ShiftModifier, QStringLiteral("0")));
    EXPECT_EQ(a1->text(), QStringLiteral("Alpha one"));
}

TEST_F(MindMapCanvasKeyboardTest, TabReturnAndSpaceHandTheKeyboardToTheEditor)
{
    for (Qt::KeyboardModifiers modifiers : { Qt::KeyboardModifiers(), Qt::KeyboardModifiers(Qt::ShiftModifier),
             Qt::KeyboardModifiers(Qt::ControlModifier), Qt::KeyboardModifiers(Qt::AltModifier) }) {
        select(c);
        EXPECT_TRUE(press(modifiers == Qt::ShiftModifier ? Qt::Key_Backtab : Qt::Key_Tab, modifiers));
        ASSERT_TRUE(controller().editingNodeID());
        EXPECT_TRUE(controller().editingIsNew());
        EXPECT_FALSE(canvas->isCanvasFocused());
        canvas->endEditing(false);
        EXPECT_FALSE(c->hasChildren());
    }

    select(a2);
    EXPECT_TRUE(press(Qt::Key_Return));
    ASSERT_TRUE(controller().editingNodeID());
    EXPECT_EQ(a->children()[2]->id(), *controller().editingNodeID());
    canvas->endEditing(false);

    select(a2);
    EXPECT_TRUE(press(Qt::Key_Return, Qt::ShiftModifier));
    ASSERT_TRUE(controller().editingNodeID());
    EXPECT_EQ(a->children()[1]->id(), *controller().editingNodeID());
    canvas->endEditing(false);

    select(a2);
    EXPECT_TRUE(press(Qt::Key_Space));
    EXPECT_EQ(controller().editingNodeID(), a2->id());
    EXPECT_FALSE(controller().editingIsNew());
    EXPECT_FALSE(canvas->isCanvasFocused());
}

TEST_F(MindMapCanvasKeyboardTest, AltArrowsMoveAndPromoteAndDemote)
{
    select(a2);
    EXPECT_TRUE(press(Qt::Key_Up, Qt::AltModifier));
    EXPECT_EQ(childTexts(a), (QStringList { QStringLiteral("Alpha two"), QStringLiteral("Alpha one") }));
    EXPECT_TRUE(press(Qt::Key_Down, Qt::AltModifier));
    EXPECT_EQ(childTexts(a), (QStringList { QStringLiteral("Alpha one"), QStringLiteral("Alpha two") }));
    EXPECT_TRUE(press(Qt::Key_Left, Qt::AltModifier));
    EXPECT_EQ(childTexts(root),
        (QStringList { QStringLiteral("First point"), QStringLiteral("Alpha two"), QStringLiteral("Second point"),
            QStringLiteral("Closing words") }));
    EXPECT_TRUE(press(Qt::Key_Right, Qt::AltModifier | Qt::ControlModifier));
    EXPECT_EQ(childTexts(a), (QStringList { QStringLiteral("Alpha one"), QStringLiteral("Alpha two") }));
}

TEST_F(MindMapCanvasKeyboardTest, CtrlLeftAndRightFoldAndUnfold)
{
    select(a);
    EXPECT_TRUE(press(Qt::Key_Left, Qt::ControlModifier));
    EXPECT_TRUE(a->isCollapsed());
    EXPECT_TRUE(press(Qt::Key_Right, Qt::ControlModifier));
    EXPECT_FALSE(a->isCollapsed());
    // Shift with Ctrl still folds: Ctrl is tested first.
    EXPECT_TRUE(press(Qt::Key_Left, Qt::ControlModifier | Qt::ShiftModifier));
    EXPECT_TRUE(a->isCollapsed());
}

TEST_F(MindMapCanvasKeyboardTest, KeysOutsideTheTableAreLeftAlone)
{
    EXPECT_FALSE(press(Qt::Key_Q, Qt::NoModifier, QStringLiteral("q")));
    EXPECT_FALSE(press(Qt::Key_F5));
}

TEST_F(MindMapCanvasKeyboardTest, TheCanvasTakesItsKeysBeforeMenuShortcuts)
{
    int selectAllMenu = 0;
    int deleteMenu = 0;
    auto* selectAll = new QAction(canvas.get());
    selectAll->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
    QObject::connect(selectAll, &QAction::triggered, [&] { ++selectAllMenu; });
    auto* remove = new QAction(canvas.get());
    remove->setShortcut(QKeySequence(Qt::Key_Backspace));
    QObject::connect(remove, &QAction::triggered, [&] { ++deleteMenu; });
    canvas->addAction(selectAll);
    canvas->addAction(remove);
    canvas->setFocus();

    select(a1);
    QTest::keyClick(canvas.get(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(controller().selectedNodeIDs().size(), 8);
    select(a1);
    QTest::keyClick(canvas.get(), Qt::Key_Backspace);
    EXPECT_EQ(a->children().size(), 1u);
    EXPECT_EQ(selectAllMenu, 0);
    EXPECT_EQ(deleteMenu, 0);
}

TEST_F(MindMapCanvasKeyboardTest, ArrowsWithNothingSelectedSelectTheTitle)
{
    for (int key : { Qt::Key_Up, Qt::Key_Down, Qt::Key_Left, Qt::Key_Right }) {
        for (Qt::KeyboardModifiers modifiers : { Qt::KeyboardModifiers(), Qt::KeyboardModifiers(Qt::ShiftModifier) }) {
            controller().selectSingleNode(std::nullopt);
            EXPECT_TRUE(press(key, modifiers));
            EXPECT_EQ(controller().selectedNodeID(), root->id());
            EXPECT_TRUE(controller().selectedNodeIDs().isEmpty());
        }
    }
}

TEST_F(MindMapCanvasKeyboardTest, FromTheTitleOnlyRightMoves)
{
    for (int key : { Qt::Key_Up, Qt::Key_Down, Qt::Key_Left }) {
        select(root);
        press(key);
        EXPECT_EQ(controller().selectedNodeID(), root->id());
    }
    press(Qt::Key_Right);
    EXPECT_EQ(controller().selectedNodeID(), a->id());
    EXPECT_EQ(controller().navigationDepth(), 1);
}

TEST_F(MindMapCanvasKeyboardTest, UpAndDownKeepTheNavigationDepth)
{
    controller().setNavigationDepth(2);
    select(a2);
    // The last child moving down: the next main point is folded, so it is the stop.
    press(Qt::Key_Down);
    EXPECT_EQ(controller().selectedNodeID(), b->id());
    press(Qt::Key_Down);
    EXPECT_EQ(controller().selectedNodeID(), c->id());
    press(Qt::Key_Down);
    EXPECT_EQ(controller().selectedNodeID(), c->id());
    press(Qt::Key_Up);
    press(Qt::Key_Up);
    // Up from b descends into a's last child at depth 2.
    EXPECT_EQ(controller().selectedNodeID(), a2->id());

    controller().setNavigationDepth(1);
    select(a2);
    press(Qt::Key_Down);
    EXPECT_EQ(controller().selectedNodeID(), b->id());
    // Holding a key repeats it.
    select(a);
    EXPECT_TRUE(press(Qt::Key_Down, Qt::NoModifier, {}, true));
    EXPECT_EQ(controller().selectedNodeID(), b->id());
}

TEST_F(MindMapCanvasKeyboardTest, LeftAndRightWalkParentsAndFirstChildren)
{
    select(a2);
    press(Qt::Key_Left);
    EXPECT_EQ(controller().selectedNodeID(), a->id());
    EXPECT_EQ(controller().navigationDepth(), 1);
    press(Qt::Key_Right);
    EXPECT_EQ(controller().selectedNodeID(), a1->id());
    EXPECT_EQ(controller().navigationDepth(), 2);
    // A leaf and a folded node have no first child to go to.
    press(Qt::Key_Right);
    EXPECT_EQ(controller().selectedNodeID(), a1->id());
    select(b);
    press(Qt::Key_Right);
    EXPECT_EQ(controller().selectedNodeID(), b->id());
}

TEST_F(MindMapCanvasKeyboardTest, ShiftArrowsExtendFromTheAnchor)
{
    controller().setNavigationDepth(2);
    select(a1);
    press(Qt::Key_Down, Qt::ShiftModifier);
    press(Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(controller().selectedNodeIDs(), ids({ a1, a2, b }));
    EXPECT_EQ(controller().selectedNodeID(), b->id());
    EXPECT_EQ(controller().selectionAnchorID(), a1->id());
    press(Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_EQ(controller().selectedNodeIDs(), ids({ a1, a2 }));
    EXPECT_EQ(controller().navigationDepth(), 2);
    // A plain arrow ends it.
    press(Qt::Key_Down);
    EXPECT_EQ(controller().selectedNodeID(), b->id());
    EXPECT_TRUE(controller().selectedNodeIDs().isEmpty());
    EXPECT_FALSE(controller().selectionAnchorID());

    select(a2);
    press(Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_EQ(controller().selectedNodeIDs(), ids({ a, a1, a2 }));
    select(a);
    press(Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(controller().selectedNodeIDs(), ids({ a, a1 }));
}

TEST_F(MindMapCanvasKeyboardTest, NodeActionsArePublishedOnlyWhileNoFieldHasTheKeyboard)
{
    CommandRouter& router = CommandRouter::shared();
    router.setFocusOverride(canvas.get());
    select(a1);
    auto actions = router.value<FocusedNodeActionsKey>();
    ASSERT_TRUE(actions);
    EXPECT_TRUE(actions->state.hasSelection);
    actions->duplicate();
    EXPECT_EQ(a->children().size(), 3u);

    controller().beginEditing();
    EXPECT_FALSE(router.value<FocusedNodeActionsKey>());
    canvas->endEditing(false);
    EXPECT_TRUE(router.value<FocusedNodeActionsKey>());
    canvas->openSearch();
    EXPECT_FALSE(router.value<FocusedNodeActionsKey>());
    router.setFocusOverride(nullptr);
}

TEST_F(MindMapCanvasKeyboardTest, EnablementFollowsTheSelection)
{
    controller().selectSingleNode(std::nullopt);
    EXPECT_EQ(state(), NodeActionState {});

    select(root);
    NodeActionState expected;
    expected.hasAnySelection = true;
    EXPECT_EQ(state(), expected);
    controller().toggleSelection(a->id());
    expected.hasMultiSelection = true;
    EXPECT_EQ(state(), expected);

    select(a1);
    NodeActionState leaf = state();
    EXPECT_TRUE(leaf.hasSelection);
    EXPECT_FALSE(leaf.canSplit);
    EXPECT_FALSE(leaf.canSplitSentences);
    EXPECT_TRUE(leaf.canPromote);
    EXPECT_TRUE(leaf.canToggleQuote);
    EXPECT_FALSE(leaf.isQuote);

    // A leaf read from a multi-line bullet holds a line feed: it can be split too.
    a1->setText(QStringLiteral("first line\nsecond line"));
    EXPECT_TRUE(state().canSplit);
    a1->setText(QStringLiteral("first") + lineSeparator + QStringLiteral("second"));
    EXPECT_TRUE(state().canSplit);
    a1->setText(QStringLiteral("Amen. Then we pray"));
    EXPECT_TRUE(state().canSplitSentences);
    a1->setText(QStringLiteral("e.g. this"));
    EXPECT_FALSE(state().canSplitSentences);

    select(a);
    EXPECT_TRUE(state().canFold);
    EXPECT_FALSE(state().canUnfold);
    EXPECT_FALSE(state().canToggleQuote);
    EXPECT_FALSE(state().canPromote);
    select(b);
    EXPECT_TRUE(state().canUnfold);
}

TEST_F(MindMapCanvasKeyboardTest, TheContextMenuShowsWhatTheSelectionAllows)
{
    select(a1);
    const QString separator = QStringLiteral("-");
    EXPECT_EQ(menuTitles(),
        (QStringList { QStringLiteral("Cut"), QStringLiteral("Copy"), QStringLiteral("Copy Branch"),
            QStringLiteral("Paste"), QStringLiteral("Duplicate"), separator, QStringLiteral("Delete"), separator,
            QStringLiteral("Mark as Quote"), separator, QStringLiteral("Mark"), separator, QStringLiteral("Move Up"),
            QStringLiteral("Move Down"), QStringLiteral("Promote"), QStringLiteral("Demote"), separator,
            QStringLiteral("Edit"), QStringLiteral("New Line Below"), QStringLiteral("New Line Above"),
            QStringLiteral("New Line Under") }));

    // A main point: no quote item, a fold section, no Promote.
    select(a);
    QStringList titles = menuTitles();
    EXPECT_FALSE(titles.contains(QStringLiteral("Mark as Quote")));
    EXPECT_EQ(
        titles.mid(5, 4), (QStringList { separator, QStringLiteral("Delete"), separator, QStringLiteral("Mark") }));
    EXPECT_TRUE(titles.contains(QStringLiteral("Fold")));
    EXPECT_FALSE(titles.contains(QStringLiteral("Promote")));

    // Siblings together: Join, and neither Edit nor New Line Under.
    controller().setSelection(ids({ a1, a2 }), a1->id(), std::nullopt);
    titles = menuTitles();
    EXPECT_TRUE(titles.contains(QStringLiteral("Join")));
    EXPECT_FALSE(titles.contains(QStringLiteral("Edit")));
    EXPECT_FALSE(titles.contains(QStringLiteral("New Line Under")));

    a2->setQuote(true);
    select(a2);
    EXPECT_TRUE(menuTitles().contains(QStringLiteral("Unmark as Quote")));
}

TEST_F(MindMapCanvasKeyboardTest, ARightClickPopsTheMenuUpAndRunsTheChoiceAfterItCloses)
{
    QStringList shown;
    bool ranInsideMenu = false;
    QTimer chooser;
    chooser.setInterval(5);
    QObject::connect(&chooser, &QTimer::timeout, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu)
            return;
        chooser.stop();
        for (QAction* action : menu->actions()) {
            if (!action->isSeparator())
                shown << action->text();
        }
        for (QAction* action : menu->actions()) {
            if (action->text() == QStringLiteral("Duplicate"))
                action->trigger();
        }
        ranInsideMenu = root->children().size() != 3;
        menu->close();
    });
    chooser.start();
    QTest::mouseClick(canvas.get(), Qt::RightButton, Qt::NoModifier, viewCentre(c));
    EXPECT_TRUE(shown.contains(QStringLiteral("Duplicate")));
    EXPECT_EQ(controller().selectedNodeID(), c->id());
    EXPECT_FALSE(ranInsideMenu);
    EXPECT_TRUE(canvas->isCanvasFocused());
    QCoreApplication::processEvents();
    EXPECT_EQ(childTexts(root).last(), QStringLiteral("Closing words"));
    EXPECT_EQ(root->children().size(), 4u);
}

TEST_F(MindMapCanvasKeyboardTest, ACanvasClosedWhileItsMenuIsOpenTakesTheMenuAlong)
{
    select(c);
    QPointer<MindMapCanvas> gone(canvas.get());
    QTimer closer;
    closer.setInterval(5);
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (!qobject_cast<QMenu*>(QApplication::activePopupWidget()))
            return;
        closer.stop();
        // The window goes while the menu is up, as when the application quits.
        canvas.release()->deleteLater();
    });
    closer.start();
    gone->showContextMenu(QPoint(20, 20));
    EXPECT_TRUE(gone.isNull());
    EXPECT_FALSE(QApplication::activePopupWidget());
}
