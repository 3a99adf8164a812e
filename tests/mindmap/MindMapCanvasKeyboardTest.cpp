#include "CanvasFixture.h"

#include "document/WordCount.h"
#include "mindmap/FocusedNodeActionsKey.h"
#include "mindmap/NodeContextMenu.h"
#include "mindmap/NodeMarkers.h"
#include "platform/CommandRouter.h"
#include "support/PopupLoopWatch.h"
#include "support/TreeDump.h"

#include <QAction>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
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
    // A right click on a node; the menu it left open. A menu that ran a loop of its own inside
    // the press fails the test.
    QMenu* rightClick(const SermonNodePtr& node)
    {
        const QPoint at = viewCentre(node);
        EXPECT_FALSE(popupLoopsInside([&] { QTest::mouseClick(canvas.get(), Qt::RightButton, Qt::NoModifier, at); }))
            << "the menu ran inside the right press";
        return qobject_cast<QMenu*>(QApplication::activePopupWidget());
    }
    static QAction* findAction(const QMenu& menu, const QString& title)
    {
        for (QAction* action : menu.actions()) {
            if (action->text() == title)
                return action;
            if (action->menu()) {
                if (QAction* inner = findAction(*action->menu(), title))
                    return inner;
            }
        }
        return nullptr;
    }
    static QStringList titlesOf(const QMenu& menu)
    {
        QStringList titles;
        for (const QAction* action : menu.actions()) {
            if (!action->isSeparator())
                titles << action->text();
        }
        return titles;
    }
    // What a command changed: the tree, the selection, the edit, the clipboard and the steps.
    QString outcome()
    {
        const auto textOf = [this](const std::optional<QUuid>& id) {
            const SermonNodePtr node = id ? root->findNode(*id) : nullptr;
            return node ? node->text() : QStringLiteral("-");
        };
        QStringList selected;
        for (const QUuid& id : controller().selectedNodeIDs())
            selected << textOf(id);
        selected.sort();
        return QStringLiteral("%1 / %2 [%3] / editing %4 / clip %5 / %6 steps")
            .arg(treeShape(root), textOf(controller().selectedNodeID()), selected.join(QLatin1Char(',')),
                textOf(controller().editingNodeID()), clipboard.text().value_or(QString()))
            .arg(undoSteps());
    }
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
    QPointer<QMenu> menu = rightClick(c);
    ASSERT_FALSE(HasFailure());
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(titlesOf(*menu).contains(QStringLiteral("Duplicate")));
    EXPECT_EQ(controller().selectedNodeID(), c->id());
    canvas->setCanvasFocused(false);

    menu->setActiveAction(findAction(*menu, QStringLiteral("Duplicate")));
    QTest::keyClick(menu, Qt::Key_Return);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    EXPECT_EQ(root->children().size(), 3u) << "ran inside the menu";
    EXPECT_TRUE(canvas->isCanvasFocused());
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(childTexts(root).last(), QStringLiteral("Closing words"));
    EXPECT_EQ(root->children().size(), 4u);
    EXPECT_TRUE(menu.isNull());
}

TEST_F(MindMapCanvasKeyboardTest, EveryItemOfTheMenuActsOnTheNodesItWasOpenedOn)
{
    struct Target {
        const char* name;
        std::function<SermonNodePtr()> clicked;
        // Selected before the click besides it; empty for a plain right click.
        std::function<QSet<QUuid>()> alsoSelected;
    };
    const Target targets[] = {
        { "a leaf", [this] { return a1; }, {} },
        { "a point", [this] { return a; }, {} },
        { "a folded point", [this] { return b; }, {} },
        { "two siblings", [this] { return a2; },
            [this] {
                return ids({ a1, a2 });
            } },
    };
    for (const Target& target : targets) {
        const auto start = [&] {
            makeSmallSermon();
            makeCanvas();
            clipboard.setText(QStringLiteral("Pasted words"));
            if (target.alsoSelected)
                controller().setSelection(target.alsoSelected(), target.clicked()->id(), std::nullopt);
        };
        start();
        QList<ContextMenuItem> items;
        for (const ContextMenuItem& item : canvas->contextMenuItems()) {
            if (item.kind == ContextMenuItem::Kind::Submenu)
                items.append(item.submenu);
            else
                items.append(item);
        }
        for (const ContextMenuItem& item : items) {
            if (item.kind != ContextMenuItem::Kind::Command)
                continue;
            SCOPED_TRACE(std::string(target.name) + ": " + item.title.toStdString());
            start();
            QMenu* menu = rightClick(target.clicked());
            ASSERT_NE(menu, nullptr);
            QAction* action = findAction(*menu, item.title);
            ASSERT_NE(action, nullptr);
            action->trigger();
            menu->close();
            QCoreApplication::processEvents();
            finishAnimations();
            const QString chosen = outcome();

            // The same command of the Edit menu, on the selection the right click makes.
            start();
            const QUuid hit = target.clicked()->id();
            DocumentController& selection = controller();
            if (selection.effectiveSelection().contains(hit))
                selection.setSelection(selection.selectedNodeIDs(), hit, selection.selectionAnchorID());
            else
                selection.selectSingleNode(hit);
            canvas->makeNodeActions().actionFor(item.command, item.marker)();
            QCoreApplication::processEvents();
            finishAnimations();
            EXPECT_EQ(chosen, outcome());
        }
    }
}

TEST_F(MindMapCanvasKeyboardTest, AChoiceIsDroppedWhenItsNodesChangedBeforeItRuns)
{
    struct Case {
        const char* name;
        std::function<void()> meanwhile;
    };
    const Case cases[] = {
        { "another node selected", [this] { select(a1); } },
        { "another node added to the selection", [this] { controller().toggleSelection(a1->id()); } },
        { "the node gone from the tree", [this] { root->removeNode(c->id()); } },
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.name);
        makeSmallSermon();
        makeCanvas();
        QMenu* menu = rightClick(c);
        ASSERT_NE(menu, nullptr);
        findAction(*menu, QStringLiteral("Delete"))->trigger();
        menu->close();
        row.meanwhile();
        const QString before = treeShape(root);
        QCoreApplication::processEvents();
        finishAnimations();
        EXPECT_EQ(treeShape(root), before);
        EXPECT_EQ(undoSteps(), 0);
    }
}

TEST_F(MindMapCanvasKeyboardTest, ACanvasClosedWhileItsMenuIsOpenTakesTheMenuAlong)
{
    QPointer<QMenu> menu = rightClick(c);
    ASSERT_NE(menu, nullptr);
    // Chosen in the last moment, as the window goes.
    findAction(*menu, QStringLiteral("Delete"))->trigger();
    QPointer<MindMapCanvas> gone(canvas.get());
    canvas.release()->deleteLater();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(gone.isNull());
    EXPECT_TRUE(menu.isNull());
    EXPECT_FALSE(QApplication::activePopupWidget());
    QCoreApplication::processEvents();
    EXPECT_EQ(root->children().size(), 3u);
}

TEST_F(MindMapCanvasKeyboardTest, ASecondRightClickReplacesTheMenuOfTheFirst)
{
    QPointer<QMenu> first = rightClick(c);
    ASSERT_NE(first, nullptr);
    QMenu* second = rightClick(a1);
    ASSERT_NE(second, nullptr);
    EXPECT_TRUE(first.isNull());
    EXPECT_EQ(QApplication::activePopupWidget(), second);
    EXPECT_EQ(controller().selectedNodeID(), a1->id());
    second->close();
}
