#include "app/ContentView.h"
#include "app/SermonWindow.h"
#include "app/SermonWindowFixture.h"
#include "columns/ColumnCanvas.h"
#include "document/DocumentController.h"
#include "mindmap/MindMapCanvas.h"
#include "platform/TextFieldKeyGuard.h"

#include <QAction>
#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

using namespace kestrion;

namespace {

enum class Editor { Map, Columns };
enum class Taken { OpenedVersion, FileOnDisk };

struct VersionCase {
    const char* name;
    Editor editor;
    Taken taken;
};

void PrintTo(const VersionCase& row, std::ostream* out)
{
    *out << row.name;
}

// Revert to Opened Version and Reload while a point is being typed into: the words go into
// the history first, and one Ctrl+Z brings back everything the window held.
class SermonWindowVersionsTest : public test::SermonWindowTest, public ::testing::WithParamInterface<VersionCase> { };

TEST_P(SermonWindowVersionsTest, WordsBeingTypedAreOneUndoAway)
{
    const VersionCase& c = GetParam();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    ContentView& view = *window->contentView();
    const QUuid story = document->document().root()->children().front()->id();
    if (c.editor == Editor::Columns) {
        ASSERT_TRUE(view.setMode(AppMode::Columns));
        view.columnCanvas()->beginColumnEditing(story, false);
    } else {
        view.mindMapCanvas()->beginEditingNode(story, false);
    }
    ASSERT_TRUE(QTest::qWaitFor([] { return TextFieldKeyGuard::isTextField(QApplication::focusWidget()); }));
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral(" retold"));

    if (c.taken == Taken::OpenedVersion) {
        ASSERT_TRUE(window->revertAction()->isEnabled());
        // The question may wait long: the words are safe meanwhile.
        QByteArray keptWhileAsked;
        m_dialogs->whileAsking = [&] { keptWhileAsked = recoveryText(); };
        m_dialogs->revertChoice = true;
        window->revertAction()->trigger();
        m_dialogs->whileAsking = {};
        EXPECT_EQ(keptWhileAsked, "# Grace\n\nOpening story retold\n");
        EXPECT_EQ(contentsOf(*document), "# Grace\n\nOpening story\n");
    } else {
        writeFile(QStringLiteral("grace.md"), "# Theirs\n");
        m_dialogs->conflictChoices = { DocumentDialogs::ConflictChoice::Reload };
        window->saveAction()->trigger();
        ASSERT_EQ(m_dialogs->conflicts.size(), 1u);
        EXPECT_EQ(contentsOf(*document), "# Theirs\n");
    }
    QCoreApplication::processEvents();
    // The view took the new tree: what it selects is in it.
    const DocumentController& shown
        = c.editor == Editor::Columns ? view.columnCanvas()->controller() : view.mindMapCanvas()->controller();
    ASSERT_TRUE(shown.selectedNodeID());
    EXPECT_NE(document->document().root()->findNode(*shown.selectedNodeID()), nullptr);
    ASSERT_FALSE(TextFieldKeyGuard::isTextField(QApplication::focusWidget()));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(contentsOf(*document), "# Grace\n\nOpening story retold\n");
}

INSTANTIATE_TEST_SUITE_P(TypingIn, SermonWindowVersionsTest,
    ::testing::Values(VersionCase { "MapRevert", Editor::Map, Taken::OpenedVersion },
        VersionCase { "MapReload", Editor::Map, Taken::FileOnDisk },
        VersionCase { "ColumnsRevert", Editor::Columns, Taken::OpenedVersion },
        VersionCase { "ColumnsReload", Editor::Columns, Taken::FileOnDisk }),
    [](const ::testing::TestParamInfo<VersionCase>& info) { return std::string(info.param.name); });

} // namespace
