#include "ColumnCanvasFixture.h"

#include "document/WordCount.h"
#include "support/TreeDump.h"

#include <QAction>
#include <QKeySequence>
#include <QSignalSpy>

using namespace kestrion;
using kestrion::test::ColumnCanvasFixture;

namespace {

struct Step {
    int key;
    Qt::KeyboardModifiers modifiers;
};

} // namespace

TEST_F(ColumnCanvasFixture, ArrowsWalkTheColumnsAndTheTree)
{
    struct Case {
        SermonNodePtr* from;
        Step step;
        SermonNodePtr* to;
    };
    const std::vector<Case> cases {
        { &a1, { Qt::Key_Down, Qt::NoModifier }, &a2 },
        { &a1, { Qt::Key_Up, Qt::NoModifier }, &a1 }, // top of its column
        { &a, { Qt::Key_Down, Qt::ShiftModifier }, &b }, // Shift is ignored
        { &c, { Qt::Key_Down, Qt::NoModifier }, &c }, // lowest of its column
        { &a2, { Qt::Key_Left, Qt::NoModifier }, &a },
        { &root, { Qt::Key_Left, Qt::NoModifier }, &root },
        { &a, { Qt::Key_Right, Qt::NoModifier }, &a1 },
        { &c, { Qt::Key_Right, Qt::NoModifier }, &c }, // a leaf
        { &a1, { Qt::Key_Down, Qt::KeypadModifier }, &a2 },
    };
    for (const Case& c : cases) {
        select(*c.from);
        press(c.step.key, c.step.modifiers);
        EXPECT_EQ(selected(), (*c.to)->id()) << (*c.from)->text().toStdString() << " " << c.step.key;
    }
    EXPECT_EQ(undoCount(), 0);

    // A folded node opens first, keeping the selection; the next Right goes in.
    select(b);
    press(Qt::Key_Right);
    EXPECT_FALSE(b->isCollapsed());
    EXPECT_EQ(selected(), b->id());
    press(Qt::Key_Right);
    EXPECT_EQ(selected(), b1->id());
    // Up and Down cross to cousins; a held key walks one node per repeat.
    press(Qt::Key_Up);
    EXPECT_EQ(selected(), a2->id());
    select(a1);
    QTest::keyPress(canvas.get(), Qt::Key_Down);
    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier, QString(), true);
    QApplication::sendEvent(canvas.get(), &repeat);
    EXPECT_EQ(selected(), b1->id());
}

// A point moved into a folded branch leaves the selection on the branch, where it can be seen
// and edited; a point folded away is never edited in a box nobody sees.
TEST_F(ColumnCanvasFixture, APointFoldedAwayHandsTheSelectionToItsShownBranch)
{
    select(c);
    press(Qt::Key_Right, Qt::AltModifier);
    ASSERT_EQ(document->root()->findParent(c->id()), b);
    ASSERT_TRUE(b->isCollapsed());
    EXPECT_EQ(selected(), b->id());
    canvas->beginColumnEditing(c->id(), false);
    EXPECT_FALSE(controller().editingNodeID());
    press(Qt::Key_Space);
    EXPECT_EQ(controller().editingNodeID(), b->id());
    EXPECT_NE(canvas->editorOverlay(), nullptr);
}

TEST_F(ColumnCanvasFixture, EscapeDeselectsAndThenOnlyTheAlwaysKeysAct)
{
    press(Qt::Key_Escape);
    EXPECT_EQ(selected(), std::nullopt);
    for (int key : { Qt::Key_Down, Qt::Key_Tab, Qt::Key_Return, Qt::Key_Space }) {
        QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
        EXPECT_FALSE(canvas->keyCommand(event)) << key;
    }
    QKeyEvent undo(QEvent::KeyPress, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(canvas->keyCommand(undo));
    // A key the canvas leaves alone goes on to the window.
    QKeyEvent letter(QEvent::KeyPress, Qt::Key_Q, Qt::NoModifier, QStringLiteral("q"));
    select(a);
    EXPECT_FALSE(canvas->keyCommand(letter));
}

TEST_F(ColumnCanvasFixture, ModifiedArrowsRestructureAndFold)
{
    const std::vector<std::tuple<SermonNodePtr*, Step, QString>> cases {
        { &a2, { Qt::Key_Up, Qt::AltModifier }, QStringLiteral("Title:0|First point:1|Alpha two:2|Alpha one:2|") },
        { &a2, { Qt::Key_Down, Qt::AltModifier }, QStringLiteral("Title:0|First point:1|Alpha one:2|Alpha two:2|") },
        { &a2, { Qt::Key_Left, Qt::AltModifier }, QStringLiteral("Title:0|First point:1|Alpha one:2|Alpha two:1|") },
        { &b, { Qt::Key_Right, Qt::AltModifier },
            QStringLiteral("Title:0|First point:1|Alpha one:2|Alpha two:2|Second point:2c|Beta one:3|") },
        { &a, { Qt::Key_Left, Qt::ControlModifier }, QStringLiteral("Title:0|First point:1c|Alpha one:2|") },
        // Alt wins over Ctrl.
        { &a, { Qt::Key_Right, Qt::ControlModifier | Qt::AltModifier }, QStringLiteral("Title:0|Second point:1") },
    };
    for (const auto& [node, step, prefix] : cases) {
        select(*node);
        press(step.key, step.modifiers);
        const QString shape = test::treeShape(document->root());
        EXPECT_TRUE(shape.startsWith(prefix)) << step.key << " " << shape.toStdString();
        undoManager->undo();
    }
    // Every step above was one undo step, and undone; Ctrl+Right unfolds.
    EXPECT_EQ(undoManager->undoCount(), 0);
    select(b);
    press(Qt::Key_Right, Qt::ControlModifier);
    EXPECT_FALSE(document->root()->findNode(b->id())->isCollapsed());
    EXPECT_EQ(undoManager->undoCount(), 1);
}

// Cut takes whole branches; Paste brings them back as they were, one step each.
TEST_F(ColumnCanvasFixture, CutBranchesComeBackWholeWithPaste)
{
    const QString before = test::treeShape(document->root());
    const qint64 words = wordCount(document->root());
    controller().setSelection({ b->id(), c->id() }, b->id(), std::nullopt);
    press(Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(document->root()->children().size(), 1u);
    select(document->root());
    press(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(test::treeShape(document->root()), before);
    EXPECT_EQ(wordCount(document->root()), words);
    EXPECT_EQ(undoCount(), 2);
}

TEST_F(ColumnCanvasFixture, ClipboardDeleteUndoAndRedoKeys)
{
    select(a1);
    press(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(clipboard.text(), QStringLiteral("Alpha one"));
    press(Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(a->children().size(), 1u);
    select(c);
    press(Qt::Key_V, Qt::ControlModifier);
    ASSERT_EQ(c->children().size(), 1u);
    EXPECT_EQ(c->children().front()->text(), QStringLiteral("Alpha one"));
    EXPECT_EQ(selected(), c->children().front()->id());

    // Delete and Backspace with any modifiers; never the title.
    press(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_TRUE(c->children().empty());
    select(a2);
    press(Qt::Key_Backspace);
    EXPECT_TRUE(a->children().empty());
    select(root);
    press(Qt::Key_Delete);
    EXPECT_EQ(undoCount(), 4);

    press(Qt::Key_Z, Qt::ControlModifier);
    press(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(document->root()->findNode(a->id())->children().size(), 1u);
    EXPECT_EQ(document->root()->findNode(c->id())->children().size(), 1u);
    press(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(document->root()->findNode(c->id())->children().size(), 0u);
    // Ctrl+Alt+Z is neither undo nor redo.
    press(Qt::Key_Z, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(undoManager->undoCount(), 3);
}

TEST_F(ColumnCanvasFixture, TabReturnAndSpaceOpenTheEditor)
{
    select(root);
    canvas->keyCommands().addSiblingToEdit(root->id());
    EXPECT_EQ(undoCount(), 0);
    // On the title, Return adds a main point as Tab does: it has no siblings.
    for (int key : { Qt::Key_Tab, Qt::Key_Return }) {
        select(root);
        press(key);
        ASSERT_EQ(root->children().size(), 4u);
        EXPECT_EQ(controller().editingNodeID(), root->children().back()->id());
        EXPECT_TRUE(controller().editingIsNew());
        EXPECT_EQ(undoCount(), 1);
        ASSERT_NE(editorText(), nullptr);
        EXPECT_TRUE(editorText()->hasFocus());
        press(Qt::Key_Escape);
        EXPECT_EQ(root->children().size(), 3u);
    }

    select(a1);
    press(Qt::Key_Return);
    ASSERT_EQ(a->children().size(), 3u);
    EXPECT_EQ(controller().editingNodeID(), a->children()[1]->id());
    press(Qt::Key_Escape);

    select(c);
    press(Qt::Key_Space);
    EXPECT_EQ(controller().editingNodeID(), c->id());
    EXPECT_FALSE(controller().editingIsNew());
    EXPECT_EQ(editorText()->toPlainText(), QStringLiteral("Closing words"));
}

TEST_F(ColumnCanvasFixture, TabOnAQuoteAddsThePointRightAfterIt)
{
    c->setQuote(true);
    select(c);
    press(Qt::Key_Tab);
    EXPECT_TRUE(c->children().empty());
    ASSERT_EQ(root->children().size(), 4u);
    EXPECT_EQ(controller().editingNodeID(), root->children()[3]->id());
    EXPECT_FALSE(root->children()[3]->isQuote());
    EXPECT_EQ(undoCount(), 1);
}

TEST_F(ColumnCanvasFixture, CanvasKeysComeBeforeTheWindowsShortcutsButNotWhileEditing)
{
    // Menu items with the same keys, as the Edit menu has.
    QWidget window;
    canvas->setParent(&window);
    window.resize(1000, 600);
    window.show();
    (void)QTest::qWaitForWindowActive(&window);
    int fired = 0;
    for (const QKeySequence& keys : { QKeySequence(Qt::Key_Delete), QKeySequence(Qt::Key_Return),
             QKeySequence(Qt::CTRL | Qt::Key_Z), QKeySequence(Qt::Key_Space), QKeySequence(Qt::CTRL | Qt::Key_C) }) {
        auto* action = new QAction(&window);
        action->setShortcut(keys);
        QObject::connect(action, &QAction::triggered, [&fired] { ++fired; });
        window.addAction(action);
    }
    canvas->setCanvasFocused(true);
    ASSERT_EQ(QApplication::focusWidget(), canvas.get());
    select(a1);
    press(Qt::Key_Delete);
    EXPECT_EQ(a->children().size(), 1u);
    EXPECT_EQ(fired, 0);

    // While the editor has the keyboard, no bare key and no text key reaches a node or a menu.
    select(c);
    press(Qt::Key_Space);
    ASSERT_TRUE(editorText()->hasFocus());
    for (const Step& step : { Step { Qt::Key_Delete, Qt::NoModifier }, Step { Qt::Key_Space, Qt::NoModifier },
             Step { Qt::Key_Z, Qt::ControlModifier }, Step { Qt::Key_C, Qt::ControlModifier } })
        press(step.key, step.modifiers);
    EXPECT_EQ(fired, 0);
    EXPECT_EQ(a->children().size(), 1u);
    EXPECT_TRUE(document->root()->findNode(c->id()));
    canvas->setParent(nullptr);
}
