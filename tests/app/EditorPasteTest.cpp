#include "platform/EditorPaste.h"
#include "app/ContentView.h"
#include "app/EditMenuCommands.h"
#include "app/FocusContentView.h"
#include "app/MenuCommands.h"
#include "app/SermonWindow.h"
#include "app/SermonWindowFixture.h"
#include "columns/ColumnCanvas.h"
#include "columns/ColumnEditorOverlay.h"
#include "document/DocumentController.h"
#include "document/SermonDocument.h"
#include "mindmap/MindMapCanvas.h"
#include "mindmap/NodeEditorOverlay.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDropEvent>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTest>
#include <QTextEdit>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

using namespace kestrion;

namespace {

const QChar lineSeparator(u'\u2028');

enum class Editor { Map, FocusWindow, Columns };
enum class Route { CtrlV, ShiftInsert, EditMenuPaste, MiddleClick };

const char* const editorNames[] { "Map", "FocusWindow", "Columns" };
const char* const routeNames[] { "Ctrl+V", "Shift+Insert", "Edit > Paste", "middle click" };
constexpr Route allRoutes[] { Route::CtrlV, Route::ShiftInsert, Route::EditMenuPaste, Route::MiddleClick };

const char* routeName(Route route)
{
    return routeNames[static_cast<int>(route)];
}

// A sermon window with a point being edited in one of the three editors: the map's, the focus
// window's and the columns'. The clipboard and the primary selection are set up by each test.
class EditorPasteTest : public test::SermonWindowTest, public ::testing::WithParamInterface<Editor> {
protected:
    void SetUp() override
    {
        SermonWindowTest::SetUp();
        if (HasFatalFailure())
            return;
        ASSERT_TRUE(QTest::qWaitForWindowActive(window));
        beginEditing();
    }

    void TearDown() override
    {
        EditorPaste::setSelectionForTesting(nullptr);
        SermonWindowTest::TearDown();
    }

    void beginEditing()
    {
        const QUuid point = document->document().root()->children().front()->id();
        ContentView& view = *window->contentView();
        switch (GetParam()) {
        case Editor::Map:
        case Editor::FocusWindow: {
            MindMapCanvas* canvas = view.mindMapCanvas();
            if (GetParam() == Editor::FocusWindow) {
                view.toggleFocusMode();
                canvas = view.focusCanvas();
                ASSERT_NE(canvas, nullptr);
                ASSERT_TRUE(QTest::qWaitForWindowActive(canvas->window()));
            }
            m_controller = &canvas->controller();
            canvas->beginEditingNode(point, false);
            ASSERT_NE(canvas->nodeEditor(), nullptr);
            editor = canvas->nodeEditor()->findChild<QPlainTextEdit*>(QStringLiteral("nodeEditor"));
            break;
        }
        case Editor::Columns:
            ASSERT_TRUE(view.setMode(AppMode::Columns));
            ASSERT_NE(view.columnCanvas(), nullptr);
            m_controller = &view.columnCanvas()->controller();
            view.columnCanvas()->beginColumnEditing(point, false);
            ASSERT_NE(view.columnCanvas()->editorOverlay(), nullptr);
            editor = view.columnCanvas()->editorOverlay()->textView();
            break;
        }
        ASSERT_NE(editor, nullptr);
        ASSERT_TRUE(QTest::qWaitFor([this] { return QApplication::focusWidget() == editor; }));
        ASSERT_EQ(editingText(), QStringLiteral("Opening story"));
    }

    QString editingText() const { return m_controller->editingText(); }
    bool isEditing() const { return m_controller->editingNodeID().has_value(); }

    // The state of a desktop where nothing owns the clipboard or the selection: data with no
    // formats at all.
    void offerNothing()
    {
        QGuiApplication::clipboard()->setMimeData(new QMimeData);
        selection.clear();
        EditorPaste::setSelectionForTesting(&selection);
    }

    void offerText(const QString& text)
    {
        auto* data = new QMimeData;
        data->setText(text);
        QGuiApplication::clipboard()->setMimeData(data);
        selection.setText(text);
        EditorPaste::setSelectionForTesting(&selection);
    }

    // The middle click lands at the start of the text; the other routes paste at the caret,
    // which is at its end.
    void paste(Route route)
    {
        switch (route) {
        case Route::CtrlV:
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_V, Qt::ControlModifier);
            break;
        case Route::ShiftInsert:
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Insert, Qt::ShiftModifier);
            break;
        case Route::EditMenuPaste:
            window->menus().edit().action(NodeCommand::Paste)->trigger();
            break;
        case Route::MiddleClick:
            QTest::mouseClick(editor->viewport(), Qt::MiddleButton, {}, startOfText());
            break;
        }
    }

    // Exits with 0 when the edit goes on after the paste with its text as it was. Nothing is
    // taken apart on the way out, so the process's own folder goes first.
    [[noreturn]] void pasteAndExit(Route route)
    {
        paste(route);
        const bool kept = isEditing() && editingText() == QStringLiteral("Opening story");
        if (!kept)
            std::fprintf(stderr, "after the paste: \"%s\"\n", qPrintable(editingText()));
        m_folder.remove();
        std::_Exit(kept ? 0 : 1);
    }

    // The text the edit began with back in the editor, the caret at its end.
    void restoreText()
    {
        QMetaObject::invokeMethod(editor, "selectAll");
        QMetaObject::invokeMethod(editor, "insertPlainText", Q_ARG(QString, QStringLiteral("Opening story")));
        ASSERT_EQ(editingText(), QStringLiteral("Opening story"));
    }

    QPoint startOfText() const
    {
        if (auto* plain = qobject_cast<QPlainTextEdit*>(editor))
            return plain->cursorRect(QTextCursor(plain->document())).center();
        auto* rich = static_cast<QTextEdit*>(editor);
        return rich->cursorRect(QTextCursor(rich->document())).center();
    }

    QAbstractScrollArea* editor = nullptr;
    // What the middle click reads.
    QMimeData selection;

private:
    DocumentController* m_controller = nullptr;
};

TEST_P(EditorPasteTest, PastingFromAClipboardNobodyOwnsLeavesTheTextAndTheProgramRunning)
{
    // Qt's own paste crashes on such data, so each route runs in a process of its own: the
    // test fails by its exit, not by taking the test runner down.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    offerNothing();
    for (Route route : allRoutes)
        EXPECT_EXIT(pasteAndExit(route), ::testing::ExitedWithCode(0), "") << routeName(route);
}

TEST_P(EditorPasteTest, PastedTextKeepsItsLineBreaksInsideThePoint)
{
    for (Route route : allRoutes) {
        SCOPED_TRACE(routeName(route));
        offerText(QStringLiteral("two\r\nlines\nend"));
        paste(route);
        const QString pasted
            = QStringLiteral("two") + lineSeparator + QStringLiteral("lines") + lineSeparator + QStringLiteral("end");
        EXPECT_EQ(editingText(),
            route == Route::MiddleClick ? pasted + QStringLiteral("Opening story")
                                        : QStringLiteral("Opening story") + pasted);
        EXPECT_TRUE(isEditing());
        EXPECT_EQ(QApplication::focusWidget(), editor);
        restoreText();
    }
}

TEST_P(EditorPasteTest, PastingAnEmptyTextKeepsTheSelectedWords)
{
    offerText(QString());
    for (Route route : allRoutes) {
        SCOPED_TRACE(routeName(route));
        QMetaObject::invokeMethod(editor, "selectAll");
        paste(route);
        EXPECT_EQ(editingText(), QStringLiteral("Opening story"));
    }
}

TEST_P(EditorPasteTest, DropsTakeTextOnlyWithItsLineBreaksInsideThePoint)
{
    const QPoint at = startOfText();
    auto drop = [this, at](const QMimeData& data) {
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, {});
        QCoreApplication::sendEvent(editor->viewport(), &enter);
        QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, {});
        QCoreApplication::sendEvent(editor->viewport(), &drop);
        return enter.isAccepted();
    };
    const QMimeData nothing;
    EXPECT_FALSE(drop(nothing));
    EXPECT_EQ(editingText(), QStringLiteral("Opening story"));

    QMimeData text;
    text.setText(QStringLiteral("two\nlines"));
    EXPECT_TRUE(drop(text));
    EXPECT_EQ(editingText(), QStringLiteral("two") + lineSeparator + QStringLiteral("linesOpening story"));
}

INSTANTIATE_TEST_SUITE_P(EveryEditor, EditorPasteTest,
    ::testing::Values(Editor::Map, Editor::FocusWindow, Editor::Columns),
    [](const ::testing::TestParamInfo<Editor>& info) { return editorNames[static_cast<int>(info.param)]; });

} // namespace
