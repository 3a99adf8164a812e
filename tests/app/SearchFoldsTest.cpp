#include "app/ContentView.h"
#include "app/FocusContentView.h"
#include "app/FocusWindow.h"
#include "app/SermonWindow.h"
#include "app/SermonWindowFixture.h"
#include "document/DocumentController.h"
#include "mindmap/MindMapCanvas.h"
#include "mindmap/SearchBarOverlay.h"

#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

#include <ostream>

namespace kestrion::test {
namespace {

// Laid out by hand, a blank line more than the writer puts: a file written anew shows it.
const QByteArray foldedSermon = "# Grace\n\n\nOpening story\n\n## The Welcome\n[//]: # (collapsed)\n\n"
                                "The robe and the ring\n";

enum class Way { Save, Close, Quit, SessionEnd, Autosave, RecoveryCopy, SaveAs };

struct WayOut {
    const char* name;
    Way way;
    // Something else is edited during the search: the way out then writes.
    bool edits;
};

void PrintTo(const WayOut& way, std::ostream* os)
{
    *os << way.name;
}

class SearchFoldsTest : public SermonWindowTest, public ::testing::WithParamInterface<WayOut> {
protected:
    QByteArray sermonFile() const override { return foldedSermon; }

    SermonNodePtr welcome() const { return document->document().root()->children().at(1); }

    // A search whose match lies in the folded branch, so that it opens the branch.
    void searchIntoTheFold()
    {
        MindMapCanvas* canvas = window->contentView()->mindMapCanvas();
        canvas->setCanvasFocused(true);
        QTest::keyClick(canvas, Qt::Key_F, Qt::ControlModifier);
        auto* bar = qobject_cast<SearchBarOverlay*>(canvas->searchBarOverlay());
        ASSERT_NE(bar, nullptr);
        ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget() == bar->field(); }));
        QTest::keyClicks(bar->field(), QStringLiteral("robe"));
        ASSERT_FALSE(welcome()->isCollapsed());
    }

    void pressInSearch(Qt::Key key, Qt::KeyboardModifiers modifiers)
    {
        QTest::keyClick(QApplication::focusWidget(), key, modifiers);
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void leave(Way way)
    {
        switch (way) {
        case Way::Save:
            return pressInSearch(Qt::Key_S, Qt::ControlModifier);
        case Way::Close:
            return pressInSearch(Qt::Key_W, Qt::ControlModifier);
        case Way::Quit:
            return pressInSearch(Qt::Key_Q, Qt::ControlModifier);
        case Way::SessionEnd:
            return m_manager->saveAllWithoutAsking();
        case Way::Autosave:
            return timerOf(*document).fire();
        case Way::RecoveryCopy:
            return recoveryTimerOf(*document).fire();
        case Way::SaveAs:
            m_dialogs->savePaths.push_back(path(QStringLiteral("copy.md")));
            return pressInSearch(Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
        }
    }

    // What the way out wrote, or what the file holds when it wrote nothing.
    QByteArray writtenBy(Way way) const
    {
        if (way == Way::RecoveryCopy)
            return recoveryText();
        return readFile(way == Way::SaveAs ? path(QStringLiteral("copy.md")) : file);
    }
};

TEST_P(SearchFoldsTest, EveryWayOutWritesTheFoldsAsTheUserSetThemAndNothingWhenNothingChanged)
{
    const WayOut& way = GetParam();
    searchIntoTheFold();
    if (way.edits)
        edit(*document, QStringLiteral("Amazing Grace"));
    leave(way.way);

    if (way.way == Way::Close || way.way == Way::Quit) {
        EXPECT_TRUE(m_manager->documents().empty());
    }
    const QByteArray text = writtenBy(way.way);
    if (!way.edits && way.way != Way::SaveAs) {
        EXPECT_EQ(text, foldedSermon);
        return;
    }
    const std::unique_ptr<SermonDocument> back = SermonDocument::readDocument(text);
    ASSERT_NE(back, nullptr) << text.toStdString();
    EXPECT_EQ(back->title(), way.edits ? QStringLiteral("Amazing Grace") : QStringLiteral("Grace"));
    ASSERT_EQ(back->root()->children().size(), 2u);
    EXPECT_TRUE(back->root()->children().at(1)->isCollapsed()) << text.toStdString();
}

INSTANTIATE_TEST_SUITE_P(DuringASearch, SearchFoldsTest,
    ::testing::Values(WayOut { "save", Way::Save, false }, WayOut { "save_edited", Way::Save, true },
        WayOut { "close", Way::Close, false }, WayOut { "close_edited", Way::Close, true },
        WayOut { "quit", Way::Quit, false }, WayOut { "quit_edited", Way::Quit, true },
        WayOut { "session_end", Way::SessionEnd, true }, WayOut { "autosave", Way::Autosave, true },
        WayOut { "recovery_copy", Way::RecoveryCopy, true }, WayOut { "save_as", Way::SaveAs, false }),
    [](const ::testing::TestParamInfo<WayOut>& info) { return std::string(info.param.name); });

class FocusSearchFoldsTest : public SermonWindowTest {
protected:
    QByteArray sermonFile() const override { return foldedSermon; }
};

// The branch a search in the focus window opened, as the file, the recovery copy and the steps
// hold it.
bool isWrittenFolded(const QByteArray& text)
{
    const std::unique_ptr<SermonDocument> written = SermonDocument::readDocument(text);
    return !written || written->root()->children().at(1)->isCollapsed();
}

TEST_F(FocusSearchFoldsTest, LeftDuringASearchTheFocusMapFoldsWhatItOpenedOnScreenAndForWhatIsWrittenNext)
{
    ContentView& view = *window->contentView();
    view.toggleFocusMode();
    FocusContentView* focus = view.focusWindow().window();
    ASSERT_NE(focus, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowActive(focus));
    MindMapCanvas* focusMap = focus->canvas();
    focusMap->setCanvasFocused(true);
    QTest::keyClick(focusMap, Qt::Key_F, Qt::ControlModifier);
    auto* bar = qobject_cast<SearchBarOverlay*>(focusMap->searchBarOverlay());
    ASSERT_NE(bar, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget() == bar->field(); }));
    QTest::keyClicks(bar->field(), QStringLiteral("robe"));
    const SermonNodePtr welcome = document->document().root()->children().at(1);
    const QUuid robe = welcome->children().front()->id();
    ASSERT_FALSE(welcome->isCollapsed());
    // Laid out again for an edit made meanwhile, the document window's map shows the branch
    // the search holds open.
    edit(*document, QStringLiteral("Grace and Peace"));
    MindMapCanvas* map = view.mindMapCanvas();
    ASSERT_TRUE(QTest::qWaitFor([&] { return map->cachedLayouts().contains(robe); }));

    // Left by its toggle while the search runs.
    view.toggleFocusMode();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_EQ(view.focusWindow().window(), nullptr);
    EXPECT_TRUE(welcome->isCollapsed());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !map->cachedLayouts().contains(robe); }))
        << "the document window's map still draws the folded branch";

    // Opened by the user afterwards, the branch is written open everywhere.
    map->controller().selectSingleNode(welcome->id());
    map->unfoldSelection();
    ASSERT_FALSE(welcome->isCollapsed());
    recoveryTimerOf(*document).fire();
    EXPECT_FALSE(isWrittenFolded(recoveryText())) << recoveryText().toStdString();
    edit(*document, QStringLiteral("Amazing Grace"));
    const SermonDocument::UndoSnapshot& step = document->document().undoStack().back();
    EXPECT_FALSE(step.root->children().at(1)->isCollapsed());
    QTest::keyClick(map, Qt::Key_S, Qt::ControlModifier);
    EXPECT_FALSE(isWrittenFolded(readFile(file))) << readFile(file).toStdString();
}

} // namespace
} // namespace kestrion::test
