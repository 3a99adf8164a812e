#include "app/ContentView.h"
#include "app/FocusContentView.h"
#include "app/FocusWindow.h"
#include "app/SermonWindow.h"
#include "app/SermonWindowFixture.h"
#include "document/DocumentController.h"
#include "document/SermonDocument.h"
#include "mindmap/CanvasGeometry.h"
#include "mindmap/FocusOverlayView.h"
#include "mindmap/MindMapCanvas.h"
#include "mindmap/SearchBarOverlay.h"
#include "platform/Preferences.h"
#include "platform/UndoManager.h"
#include "support/ManualClock.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using namespace kestrion;

namespace {

class FocusModeTest : public test::SermonWindowTest {
protected:
    ContentView& view() { return *window->contentView(); }
    SermonNodePtr root() { return document->document().root(); }

    FocusContentView* enter()
    {
        view().toggleFocusMode();
        FocusContentView* focus = view().focusWindow().window();
        EXPECT_NE(focus, nullptr);
        if (focus) {
            focus->canvas()->setAnimationClock(&clock);
            EXPECT_TRUE(QTest::qWaitForWindowActive(focus));
        }
        return focus;
    }

    static void press(int key, Qt::KeyboardModifiers modifiers = {})
    {
        QWidget* target = QApplication::focusWidget();
        ASSERT_NE(target, nullptr);
        QTest::keyClick(target, Qt::Key(key), modifiers);
    }

    // Adds a child of the title through the focus window's map and types into it.
    static void typeNewNode(MindMapCanvas& canvas, const QString& text)
    {
        canvas.controller().setSelectedNodeID(canvas.document().root()->id());
        canvas.performEditingCommand(&DocumentController::addChild);
        canvas.controller().setEditingText(text);
    }

    test::ManualClock clock;
};

TEST_F(FocusModeTest, EntersFromTheMindMapOnlyAndCoversTheScreenWithAMapOfItsOwn)
{
    FocusContentView* focus = enter();
    ASSERT_NE(focus, nullptr);
    EXPECT_TRUE(view().isFocusMode());
    EXPECT_TRUE(focus->isVisible());
    EXPECT_TRUE(focus->isFullScreen());
    EXPECT_TRUE(focus->windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ(focus->geometry(), window->screen()->geometry());
    MindMapCanvas* canvas = focus->canvas();
    EXPECT_NE(canvas, view().mindMapCanvas());
    EXPECT_EQ(&canvas->document(), &document->document());
    EXPECT_EQ(canvas->undoManager(), &document->undoManager());
    EXPECT_TRUE(canvas->hasFocus());
    EXPECT_TRUE(focus->overlay()->isVisible());
    EXPECT_NE(canvas->searchBarOverlay(), nullptr);
    EXPECT_NE(canvas->minimapOverlay(), nullptr);
    // The pill reads the window's own reading pace.
    preferences->setReadingPaceWPM(160);
    EXPECT_EQ(focus->overlay()->labelText(), QStringLiteral("3 words · 1 min"));
    root()->children().front()->setText(QString(QStringLiteral("word ")).repeated(200));
    Q_EMIT document->document().contentEdited();
    QCoreApplication::processEvents();
    EXPECT_EQ(focus->overlay()->labelText(), QStringLiteral("201 words · 2 min"));
    preferences->setReadingPaceWPM(100);
    EXPECT_EQ(focus->overlay()->labelText(), QStringLiteral("201 words · 3 min"));

    view().toggleFocusMode();
    EXPECT_FALSE(view().isFocusMode());
    EXPECT_EQ(view().focusWindow().window(), nullptr);
    EXPECT_FALSE(focus->isVisible());

    // Delivery and the columns have no focus mode; leaving the mind map ends it. So the column
    // editor, which writes each keystroke into its point, never types beside the focus window.
    for (const AppMode mode : { AppMode::Delivery, AppMode::Columns }) {
        SCOPED_TRACE(int(mode));
        view().setMode(mode);
        view().toggleFocusMode();
        EXPECT_FALSE(view().isFocusMode());
        view().setMode(AppMode::Tree);
        QPointer<FocusContentView> second = enter();
        view().setMode(mode);
        EXPECT_FALSE(view().isFocusMode());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(second.isNull());
        view().setMode(AppMode::Tree);
    }
}

TEST_F(FocusModeTest, TheFocusMapPlacesTheTitleAsTheDocumentWindowDoesOnOpening)
{
    // Enough points that the title, halfway down them, lies below the screen at first.
    for (int i = 0; i < 200; ++i)
        root()->addChild(QStringLiteral("Point %1").arg(i));
    FocusContentView* focus = enter();
    ASSERT_NE(focus, nullptr);
    QCoreApplication::processEvents();
    MindMapCanvas* canvas = focus->canvas();
    ASSERT_EQ(canvas->viewportSize(), QSizeF(window->screen()->size()));
    const std::optional<QPointF> pan = scrollIntoViewPan(
        canvas->cachedLayouts().value(root()->id()), { canvas->scale(), {} }, canvas->viewportSize());
    ASSERT_TRUE(pan.has_value());
    EXPECT_EQ(canvas->panOffset(), canvas->clampPan(*pan));
}

TEST_F(FocusModeTest, EscapeLeavesOnlyOnceTheEditorAndTheSearchFieldHaveHadTheirs)
{
    FocusContentView* focus = enter();
    ASSERT_NE(focus, nullptr);
    MindMapCanvas* canvas = focus->canvas();

    // The node editor's Escape ends the edit, and focus mode stays.
    canvas->beginEditingNode(root()->id(), false);
    ASSERT_NE(canvas->nodeEditor(), nullptr);
    QTRY_VERIFY(canvas->nodeEditor()->isAncestorOf(QApplication::focusWidget()));
    press(Qt::Key_Escape);
    EXPECT_FALSE(canvas->controller().editingNodeID());
    EXPECT_TRUE(view().isFocusMode());

    // So does the search field's: it closes the search.
    press(Qt::Key_F, Qt::ControlModifier);
    auto* bar = qobject_cast<SearchBarOverlay*>(canvas->searchBarOverlay());
    ASSERT_NE(bar, nullptr);
    QTRY_COMPARE(QApplication::focusWidget(), bar->field());
    press(Qt::Key_Escape);
    EXPECT_FALSE(canvas->controller().isSearching());
    EXPECT_TRUE(view().isFocusMode());

    // On the map itself Escape leaves, though the canvas would clear its selection with it;
    // neither map loses its selection to it.
    canvas->setCanvasFocused(true);
    ASSERT_TRUE(canvas->controller().selectedNodeID());
    const std::optional<QUuid> selected = view().mindMapCanvas()->controller().selectedNodeID();
    ASSERT_TRUE(selected);
    press(Qt::Key_Escape);
    EXPECT_FALSE(view().isFocusMode());
    EXPECT_FALSE(focus->isVisible());
    EXPECT_TRUE(canvas->controller().selectedNodeID());
    EXPECT_EQ(view().mindMapCanvas()->controller().selectedNodeID(), selected);
}

// Escape in the focus window's editor cancels the new point, and the window's own Ctrl+Z
// brings it back with its words; a point left untyped leaves the document unedited.
TEST_F(FocusModeTest, EscapeOnANewPointThereIsUndoneWithItsWords)
{
    FocusContentView* focus = enter();
    ASSERT_NE(focus, nullptr);
    MindMapCanvas* canvas = focus->canvas();
    const auto addPoint = [&] {
        canvas->controller().setSelectedNodeID(root()->id());
        canvas->performEditingCommand(&DocumentController::addChild);
        ASSERT_NE(canvas->nodeEditor(), nullptr);
        QTRY_VERIFY(canvas->nodeEditor()->isAncestorOf(QApplication::focusWidget()));
    };
    addPoint();
    press(Qt::Key_Escape);
    EXPECT_EQ(root()->children().size(), 1u);
    EXPECT_FALSE(document->isModified());

    addPoint();
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("Typed in focus"));
    press(Qt::Key_Escape);
    EXPECT_EQ(root()->children().size(), 1u);
    EXPECT_TRUE(view().isFocusMode());
    press(Qt::Key_Z, Qt::ControlModifier);
    ASSERT_EQ(root()->children().size(), 2u);
    EXPECT_EQ(root()->children().back()->text(), QStringLiteral("Typed in focus"));
}

TEST_F(FocusModeTest, TheMenusKeysZoomFindAndLeaveThereEachThroughOneAction)
{
    FocusContentView* focus = enter();
    ASSERT_NE(focus, nullptr);
    MindMapCanvas* canvas = focus->canvas();

    press(Qt::Key_Equal, Qt::ControlModifier);
    clock.advance(1);
    canvas->tickAnimations();
    EXPECT_DOUBLE_EQ(canvas->scale(), 1.2);
    // Shared both ways with the document window.
    EXPECT_DOUBLE_EQ(view().scale(), 1.2);
    EXPECT_DOUBLE_EQ(view().mindMapCanvas()->scale(), 1.2);
    view().setScale(0.5);
    EXPECT_DOUBLE_EQ(canvas->scale(), 0.5);

    press(Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(canvas->controller().isSearching());
    canvas->controller().endSearch();
    canvas->setCanvasFocused(true);

    // The document window's keys work here too, each through exactly one action.
    QMap<QKeySequence, QStringList> owners;
    for (QAction* action : focus->actions()) {
        for (const QKeySequence& key : action->shortcuts())
            owners[key].append(action->text());
    }
    for (auto it = owners.cbegin(); it != owners.cend(); ++it)
        EXPECT_EQ(it.value().size(), 1) << it.key().toString().toStdString() << ": "
                                        << it.value().join(QStringLiteral(", ")).toStdString();
    EXPECT_TRUE(owners.contains(QKeySequence(Qt::CTRL | Qt::Key_S)));

    press(Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_FALSE(view().isFocusMode());
}

TEST_F(FocusModeTest, EditsAreInTheWindowsUndoHistoryAutosavedAndShownAfterwards)
{
    FocusContentView* focus = enter();
    ASSERT_NE(focus, nullptr);
    typeNewNode(*focus->canvas(), QStringLiteral("Written in focus"));
    focus->canvas()->endEditing(true);
    EXPECT_TRUE(document->undoManager().canUndo());
    EXPECT_TRUE(window->isWindowModified());
    timerOf(*document).fire();
    EXPECT_TRUE(readFile(file).contains("Written in focus"));

    view().exitFocusMode();
    const SermonNodePtr added = root()->children().back();
    EXPECT_TRUE(view().mindMapCanvas()->cachedLayouts().contains(added->id()));

    // Undone from the document window: the step is one of its own.
    window->undoAction()->trigger();
    EXPECT_EQ(root()->children().size(), 1u);
    EXPECT_FALSE(view().mindMapCanvas()->nodeLookup().contains(added->id()));
}

// Each window's map follows what the other does to the tree. A point being typed in the focus
// window that the document window takes away (deleted, or its making undone) leaves the focus
// map with its editor and its selection, and comes back as typed one step back.
TEST_F(FocusModeTest, APointTakenAwayInTheDocumentWindowLeavesTheFocusMapWithItsTypingOneStepBack)
{
    FocusContentView* focus = enter();
    ASSERT_NE(focus, nullptr);
    MindMapCanvas* focusMap = focus->canvas();
    MindMapCanvas* map = view().mindMapCanvas();
    const QUuid story = root()->children().front()->id();
    focusMap->controller().setSelectedNodeID(story);
    focusMap->performEditingCommand(&DocumentController::addChild);
    focusMap->controller().setEditingText(QStringLiteral("The son"));
    focusMap->endEditing(true);
    const QUuid id = root()->children().front()->children().back()->id();
    QCoreApplication::processEvents();
    EXPECT_TRUE(map->cachedLayouts().contains(id));

    struct Case {
        const char* name;
        QString typed;
        QAction* takeAway;
        QAction* bringBack;
    };
    const Case cases[] = {
        { "made, then undone", QStringLiteral("The younger son"), window->undoAction(), window->redoAction() },
        { "deleted", QStringLiteral("The son who left"), nullptr, window->undoAction() },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        focusMap->beginEditingNode(id, false);
        focusMap->controller().setEditingText(c.typed + QStringLiteral("  "));
        if (c.takeAway) {
            c.takeAway->trigger();
        } else {
            map->controller().selectSingleNode(id);
            map->deleteSelectionAnimated();
        }
        QCoreApplication::processEvents();
        EXPECT_FALSE(focusMap->cachedLayouts().contains(id));
        EXPECT_FALSE(focusMap->controller().editingNodeID());
        EXPECT_EQ(focusMap->nodeEditor(), nullptr);
        EXPECT_EQ(focusMap->controller().selectedNodeID(), story);
        c.bringBack->trigger();
        const SermonNodePtr back = root()->findNode(id);
        ASSERT_NE(back, nullptr);
        EXPECT_EQ(back->text(), c.typed);
        EXPECT_TRUE(focusMap->cachedLayouts().contains(id));
    }
}

// A point being typed in one window whose text the other window commits: the edit there ends,
// the newer text stands, and the words typed first come back one step back. A change of
// another point leaves the edit going. So too when another point was typed there before.
TEST_F(FocusModeTest, APointRewrittenInTheOtherWindowEndsTheEditThereWithItsTypingOneStepBack)
{
    FocusContentView* focus = enter();
    ASSERT_NE(focus, nullptr);
    MindMapCanvas* focusMap = focus->canvas();
    MindMapCanvas* map = view().mindMapCanvas();
    const QUuid story = root()->children().front()->id();
    const QUuid title = root()->id();
    const auto write = [](MindMapCanvas* canvas, const QUuid& node, const QString& text) {
        canvas->beginEditingNode(node, false);
        canvas->controller().setEditingText(text);
        canvas->endEditing(true);
        QCoreApplication::processEvents();
    };

    struct Case {
        const char* name;
        MindMapCanvas* typing;
        MindMapCanvas* writing;
        QUuid edited;
        QUuid other;
        std::optional<QUuid> typedBefore = std::nullopt;
    };
    // First, while nothing was typed in either window before: the title is the first point typed.
    const Case cases[] = {
        { "a point typed in the focus window after the title", focusMap, map, story, title, title },
        { "a point typed in the focus window", focusMap, map, story, title },
        { "a point typed in the document window", map, focusMap, story, title },
        { "the title typed in the focus window", focusMap, map, title, story },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString typed = QStringLiteral("Typed first, ") + QString::fromUtf8(c.name);
        const QString newer = QStringLiteral("Newer words, ") + QString::fromUtf8(c.name);
        if (c.typedBefore)
            write(c.typing, *c.typedBefore, QStringLiteral("Typed before, ") + QString::fromUtf8(c.name));
        c.typing->beginEditingNode(c.edited, false);
        c.typing->controller().setEditingText(typed);
        // What a save writes while the typing goes on is this edit's own.
        view().storePendingEdits();
        write(c.writing, c.other, QStringLiteral("Another change, ") + QString::fromUtf8(c.name));
        EXPECT_EQ(c.typing->controller().editingNodeID(), c.edited);
        c.typing->controller().setEditingText(typed + QStringLiteral(" and more"));

        write(c.writing, c.edited, newer);
        EXPECT_FALSE(c.typing->controller().editingNodeID());
        EXPECT_EQ(c.typing->nodeEditor(), nullptr);
        c.typing->editorEnter();
        EXPECT_EQ(root()->findNode(c.edited)->text(), newer);
        window->undoAction()->trigger();
        EXPECT_EQ(root()->findNode(c.edited)->text(), typed + QStringLiteral(" and more"));
        window->redoAction()->trigger();
        EXPECT_EQ(root()->findNode(c.edited)->text(), newer);
    }
}

TEST_F(FocusModeTest, TypingInTheFocusWindowIsKeptByAutosaveSaveAndQuit)
{
    FocusContentView* focus = enter();
    ASSERT_NE(focus, nullptr);
    MindMapCanvas* canvas = focus->canvas();
    QSignalSpy typing(window, &DocumentWindow::pendingEditsChanged);
    canvas->beginEditingNode(root()->id(), false);
    canvas->controller().setEditingText(QStringLiteral("Grace Abounding"));
    EXPECT_GE(typing.count(), 1);
    const std::optional<QByteArray> typed = window->contentsWithPendingEdits();
    ASSERT_TRUE(typed);
    EXPECT_TRUE(typed->startsWith("# Grace Abounding\n"));

    ASSERT_TRUE(m_manager->save(*document));
    EXPECT_TRUE(readFile(file).startsWith("# Grace Abounding\n"));
    EXPECT_TRUE(view().isFocusMode());

    // Quitting with a new node still open in the focus window.
    typeNewNode(*canvas, QStringLiteral("Typed just before quitting"));
    m_manager->quit();
    EXPECT_TRUE(readFile(file).contains("\nTyped just before quitting\n"));
    EXPECT_EQ(view().focusWindow().window(), nullptr);
}

TEST_F(FocusModeTest, MessagesOfTheDocumentAppearOverTheFocusWindowThatCoversIt)
{
    FocusContentView* focus = enter();
    ASSERT_NE(focus, nullptr);
    failWritesTo(file);
    typeNewNode(*focus->canvas(), QStringLiteral("Kept though the disk is full"));
    focus->canvas()->endEditing(true);
    timerOf(*document).fire();
    ASSERT_EQ(m_dialogs->errors.size(), 1);
    EXPECT_EQ(m_dialogs->lastParent, focus);

    view().exitFocusMode();
    EXPECT_FALSE(m_manager->save(*document));
    EXPECT_EQ(m_dialogs->lastParent, window);
}

TEST_F(FocusModeTest, ADialogOverTheFocusWindowKeepsItWhileTheDocumentWindowIsAskedToClose)
{
    QPointer<FocusContentView> focus = enter();
    ASSERT_FALSE(focus.isNull());
    m_dialogs->savePaths = { path(QStringLiteral("saved-as.md")) };
    bool isClosed = true;
    m_dialogs->whileAsking = [&] { isClosed = window->close(); };
    window->saveAsAction()->trigger();
    m_dialogs->whileAsking = nullptr;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    EXPECT_FALSE(isClosed);
    ASSERT_FALSE(focus.isNull());
    EXPECT_EQ(m_dialogs->lastParent, focus);
    EXPECT_TRUE(view().isFocusMode());
    EXPECT_EQ(document->filePath(), QFileInfo(path(QStringLiteral("saved-as.md"))).canonicalFilePath());
}

TEST_F(FocusModeTest, ClosingTheDocumentWindowEndsFocusModeBeforeAnyQuestion)
{
    OpenDocument* draft = m_manager->newDocument();
    auto* draftWindow = qobject_cast<SermonWindow*>(draft->window());
    draftWindow->show();
    ContentView& draftView = *draftWindow->contentView();
    draftView.toggleFocusMode();
    QPointer<FocusContentView> focus = draftView.focusWindow().window();
    ASSERT_FALSE(focus.isNull());
    typeNewNode(*focus->canvas(), QStringLiteral("Not yet saved"));

    bool wasShownWhileAsking = true;
    m_dialogs->whileAsking = [&] { wasShownWhileAsking = focus && focus->isVisible(); };
    m_dialogs->saveChoices = { DocumentDialogs::SaveChoice::Cancel };
    EXPECT_FALSE(m_manager->close(*draft));
    EXPECT_EQ(m_dialogs->saveQuestions.size(), 1);
    EXPECT_FALSE(wasShownWhileAsking);
    EXPECT_FALSE(draftView.isFocusMode());
    // The typing was written into the document, not dropped with the focus window.
    EXPECT_EQ(draft->document().root()->children().back()->text(), QStringLiteral("Not yet saved"));
}

TEST_F(FocusModeTest, AStoredFocusWindowIsHiddenWithItsTypingKeptBeforeItIsReplaced)
{
    FocusWindow owner;
    QScreen* screen = QGuiApplication::primaryScreen();
    EXPECT_EQ(owner.showFocusWindow(nullptr, document->document(), &document->undoManager(), 1.0, {}), nullptr);

    QPointer<FocusContentView> first
        = owner.showFocusWindow(screen, document->document(), &document->undoManager(), 1.0, {});
    ASSERT_FALSE(first.isNull());
    typeNewNode(*first->canvas(), QStringLiteral("From the first window"));
    FocusContentView* second = owner.showFocusWindow(screen, document->document(), &document->undoManager(), 1.0, {});
    EXPECT_FALSE(first.isNull() || first->isVisible());
    EXPECT_EQ(owner.window(), second);
    EXPECT_TRUE(second->isVisible());
    EXPECT_EQ(root()->children().back()->text(), QStringLiteral("From the first window"));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(first.isNull());
}

} // namespace

TEST_F(FocusModeTest, AWindowDestroyedBehindAnotherDoesNotAskItsHalfGoneSelfForItsMenus)
{
    // Its views leave the command router while the window is being taken apart; the menus
    // that refresh on that must not reach into what is already gone.
    OpenDocument* other = m_manager->open(writeFile(QStringLiteral("hope.md"), "# Hope\n\nA point\n"));
    ASSERT_NE(other, nullptr);
    QWidget* front = other->window();
    front->show();
    front->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(front));
    delete window;
    window = nullptr;
    EXPECT_EQ(QApplication::activeWindow(), front);
}
