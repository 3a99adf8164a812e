#include "platform/DocumentManagerFixture.h"

#include <QAction>
#include <QApplication>
#include <QPointer>

#include <tuple>

using namespace kestrion;
using namespace kestrion::test;

namespace {

// What can be open over a document's window.
enum class Question {
    OpenDialog,
    SaveAsDialog,
    SaveChangesQuestion,
    DiskChangeQuestion,
    RevertQuestion,
    ErrorMessage,
    // Discard Restored Changes, with the file unreadable by then.
    DiscardRestoredError,
};

// How a window can be asked to go while it waits for an answer.
enum class Way {
    Close,
    Quit,
    // The session manager asks for the data to be kept, then ends the application, which
    // closes its windows first.
    SessionEnd,
    // Quit chosen in another document's window: its call is queued, so it runs in the loop
    // of whatever dialog is open by then.
    OtherWindowsQuit,
    // Its own File commands, which must not put up another dialog over it meanwhile.
    OwnFileCommands,
};

std::string caseName(const ::testing::TestParamInfo<std::tuple<Question, Way>>& info)
{
    static const char* const questions[]
        = { "Open", "SaveAs", "SaveChanges", "DiskChange", "Revert", "Error", "DiscardRestoredError" };
    static const char* const ways[] = { "Close", "Quit", "SessionEnd", "OtherWindowsQuit", "OwnFileCommands" };
    return std::string(questions[int(std::get<0>(info.param))]) + "While" + ways[int(std::get<1>(info.param))];
}

class DocumentQuestionsTest : public DocumentManagerTest {
protected:
    void SetUp() override
    {
        DocumentManagerTest::SetUp();
        // Only windows on screen are closed when the application ends.
        m_manager->setShowsWindows(true);
    }

    void TearDown() override
    {
        m_dialogs->whileAsking = nullptr;
        DocumentManagerTest::TearDown();
    }

    // Puts the question up over the document's window, the way the user would.
    void ask(Question question, OpenDocument& document)
    {
        DocumentWindow& window = *document.window();
        switch (question) {
        case Question::OpenDialog:
            m_dialogs->filesToOpen = { writeFile(QStringLiteral("other.md"), "# Other\n") };
            window.openAction()->trigger();
            break;
        case Question::SaveAsDialog:
            m_dialogs->savePaths = { path(QStringLiteral("saved-as.md")) };
            window.saveAsAction()->trigger();
            break;
        case Question::SaveChangesQuestion:
            window.closeAction()->trigger();
            break;
        case Question::DiskChangeQuestion:
            writeFile(QStringLiteral("grace.md"), "# Changed by another program\n");
            window.saveAction()->trigger();
            break;
        case Question::RevertQuestion:
            m_dialogs->revertChoice = true;
            window.revertAction()->trigger();
            break;
        case Question::ErrorMessage:
            m_manager->setFileWriter([](const QString&, const QByteArray&, QString* error) {
                *error = QStringLiteral("disk full");
                return false;
            });
            recoveryTimerOf(document).fire();
            break;
        case Question::DiscardRestoredError: {
            writeFile(QStringLiteral("grace.md"), QByteArray());
            NoticeBar* notice = restoredNotice(document);
            EXPECT_TRUE(notice && notice->trigger(QStringLiteral("Discard Restored Changes")));
            break;
        }
        }
    }

    void askToGo(Way way, OpenDocument& document, OpenDocument& other)
    {
        switch (way) {
        case Way::Close:
            document.window()->closeAction()->trigger();
            break;
        case Way::Quit:
            m_manager->quit();
            break;
        case Way::SessionEnd:
            // What the application does on the session's Quit, short of leaving its loops.
            m_manager->saveAllWithoutAsking();
            QApplication::closeAllWindows();
            break;
        case Way::OtherWindowsQuit:
            other.window()->quitAction()->trigger();
            break;
        case Way::OwnFileCommands: {
            DocumentWindow& window = *document.window();
            for (QAction* action :
                { window.openAction(), window.saveAsAction(), window.saveAction(), window.revertAction() })
                action->trigger();
            break;
        }
        }
    }
};

class EveryQuestionTest : public DocumentQuestionsTest,
                          public ::testing::WithParamInterface<std::tuple<Question, Way>> { };

} // namespace

TEST_F(DocumentQuestionsTest, AWindowOnItsWayOutAsksNothingMore)
{
    // Keys typed fast enough still reach the menus of a window that has just closed.
    const QString file = writeFile(QStringLiteral("grace.md"), sermonText);
    OpenDocument* document = m_manager->open(file);
    ASSERT_NE(document, nullptr);
    edit(*document, QStringLiteral("Typed here"));
    DocumentWindow* window = document->window();
    window->closeAction()->trigger();
    ASSERT_FALSE(window->isVisible());
    const QByteArray changedElsewhere = "# Changed by another program\n";
    writeFile(QStringLiteral("grace.md"), changedElsewhere);

    m_dialogs->filesToOpen = { writeFile(QStringLiteral("other.md"), "# Other\n") };
    m_dialogs->savePaths = { path(QStringLiteral("saved-as.md")) };
    m_dialogs->revertChoice = true;
    for (QAction* action :
        { window->openAction(), window->saveAsAction(), window->saveAction(), window->revertAction() })
        action->trigger();
    EXPECT_FALSE(m_manager->showOpenDialog(*document));
    EXPECT_FALSE(m_manager->saveAs(*document));
    EXPECT_FALSE(m_manager->save(*document));
    EXPECT_FALSE(m_manager->revertToOpenedVersion(*document));

    EXPECT_EQ(m_dialogs->openDialogs, 0);
    EXPECT_TRUE(m_dialogs->suggestedPaths.isEmpty());
    EXPECT_TRUE(m_dialogs->conflicts.empty());
    EXPECT_TRUE(m_dialogs->revertQuestions.isEmpty());
    EXPECT_EQ(readFile(file), changedElsewhere);
    EXPECT_EQ(m_manager->documents().size(), 0u);
}

TEST_F(DocumentQuestionsTest, SaveAsKeepsTheTextSafeWhileItsDialogWaitsAndAutosaveGoesOnWhenCancelled)
{
    const QString file = writeFile(QStringLiteral("grace.md"), sermonText);
    OpenDocument* document = m_manager->open(file);
    ASSERT_NE(document, nullptr);
    edit(*document, QStringLiteral("Typed just now"));
    QByteArray keptWhileAsked;
    m_dialogs->whileAsking = [&] {
        keptWhileAsked = recoveryText();
        // Due while the dialog waits: it leaves the file alone.
        timerOf(*document).fire();
    };
    EXPECT_FALSE(m_manager->saveAs(*document));
    m_dialogs->whileAsking = nullptr;
    EXPECT_EQ(keptWhileAsked, contentsOf(*document));
    EXPECT_EQ(readFile(file), sermonText);

    ASSERT_TRUE(timerOf(*document).active);
    timerOf(*document).fire();
    EXPECT_EQ(readFile(file), contentsOf(*document));
}

TEST_F(DocumentManagerTest, AutosaveGoesOnAfterEveryOutcomeOfSaveAs)
{
    enum class Outcome { Cancelled, OpenInAnotherWindow, InTheRecoveryFolder, NotWritten, Saved };
    for (const Outcome outcome : { Outcome::Cancelled, Outcome::OpenInAnotherWindow, Outcome::InTheRecoveryFolder,
             Outcome::NotWritten, Outcome::Saved }) {
        SCOPED_TRACE(int(outcome));
        makeManager();
        const QString file = writeFile(QStringLiteral("grace-%1.md").arg(int(outcome)), sermonText);
        OpenDocument* document = m_manager->open(file);
        ASSERT_NE(document, nullptr);
        const QString chosen = path(QStringLiteral("chosen-%1.md").arg(int(outcome)));
        switch (outcome) {
        case Outcome::Cancelled:
            m_dialogs->savePaths = { std::nullopt };
            break;
        case Outcome::OpenInAnotherWindow:
            ASSERT_NE(m_manager->open(writeFile(QStringLiteral("other.md"), "# Other\n")), nullptr);
            m_dialogs->savePaths = { path(QStringLiteral("other.md")) };
            break;
        case Outcome::InTheRecoveryFolder:
            m_dialogs->savePaths = { path(QStringLiteral("recovery/chosen.md")) };
            break;
        case Outcome::NotWritten:
            failWritesTo(chosen);
            m_dialogs->savePaths = { chosen };
            break;
        case Outcome::Saved:
            m_dialogs->savePaths = { chosen };
            break;
        }
        edit(*document, QStringLiteral("Typed before Save As"));
        // The autosave falls due while the dialog or its message waits.
        m_dialogs->whileAsking = [&] {
            if (timerOf(*document).active)
                timerOf(*document).fire();
        };
        EXPECT_EQ(m_manager->saveAs(*document), outcome == Outcome::Saved);
        m_dialogs->whileAsking = nullptr;
        if (outcome == Outcome::Saved)
            edit(*document, QStringLiteral("Typed after Save As"));

        advanceClock(DocumentManager::defaultAutosaveMaximumDelay);
        EXPECT_TRUE(readFile(document->filePath())
                        .contains(outcome == Outcome::Saved ? "# Typed after Save As\n" : "# Typed before Save As\n"));
        EXPECT_FALSE(document->hasUnsavedChanges());
    }
}

TEST_F(DocumentManagerTest, NothingIsAskedOverAWindowWhileOneOfItsQuestionsOrMessagesIsOpen)
{
    enum class Open { SafetyCopyMessage, OpenDialog };
    for (const Open open : { Open::SafetyCopyMessage, Open::OpenDialog }) {
        SCOPED_TRACE(int(open));
        makeManager();
        const QString name = QStringLiteral("grace-%1.md").arg(int(open));
        const QString file = writeFile(name, sermonText);
        OpenDocument* document = m_manager->open(file);
        ASSERT_NE(document, nullptr);
        // No safety copy can be written: a file stands where the folder should be.
        writeFile(QStringLiteral("recovery"), "not a folder");
        const QByteArray theirs = "# Changed by another program\n";
        writeFile(name, theirs);
        edit(*document, QStringLiteral("Ours"));

        // Whatever falls due while a question or message is open runs then; what it asks
        // meanwhile would stand over it.
        int askedOverAnother = 0;
        QString textUnderTheFirst;
        m_dialogs->whileAsking = [&] {
            const auto asked = [this] { return m_dialogs->errors.size() + qsizetype(m_dialogs->conflicts.size()); };
            const qsizetype before = asked();
            advanceClock(DocumentManager::defaultAutosaveMaximumDelay);
            askedOverAnother += asked() != before ? 1 : 0;
            if (textUnderTheFirst.isEmpty())
                textUnderTheFirst = document->document().root()->text();
        };
        m_dialogs->conflictChoices = { DocumentDialogs::ConflictChoice::Reload };
        if (open == Open::SafetyCopyMessage)
            recoveryTimerOf(*document).fire();
        else
            EXPECT_FALSE(m_manager->showOpenDialog(*document));
        EXPECT_EQ(askedOverAnother, 0);
        EXPECT_EQ(textUnderTheFirst, QStringLiteral("Ours"));
        EXPECT_EQ(readFile(file), theirs);

        // Once answered, each comes in its turn (time passes under each as well).
        for (int round = 0; round < 3; ++round)
            advanceClock(DocumentManager::defaultAutosaveMaximumDelay);
        EXPECT_EQ(askedOverAnother, 0);
        EXPECT_EQ(m_dialogs->errors.size(), 1);
        ASSERT_EQ(m_dialogs->conflicts.size(), 1u);
        EXPECT_EQ(document->document().root()->text(), QStringLiteral("Changed by another program"));
        EXPECT_EQ(readFile(file), theirs);
        m_dialogs->whileAsking = nullptr;
        QFile::remove(path(QStringLiteral("recovery")));
    }
}

TEST_F(DocumentManagerTest, ReplaceAsksAgainWhenTheFileChangesOnceMoreWhileItsQuestionWaits)
{
    enum class Way { Autosave, Save, Close };
    struct Case {
        Way way;
        // The second change: another version, or the file removed.
        bool removes;
    };
    for (const Case& c : { Case { Way::Autosave, false }, Case { Way::Save, true }, Case { Way::Close, false } }) {
        SCOPED_TRACE(int(c.way));
        const QString name = QStringLiteral("grace-%1.md").arg(int(c.way));
        const QString file = writeFile(name, sermonText);
        OpenDocument* document = m_manager->open(file);
        ASSERT_NE(document, nullptr);
        writeFile(name, "# Their first version\n");
        edit(*document, QStringLiteral("Ours"));
        const QByteArray second = "# Their second version\n";
        m_dialogs->whileAsking = [&] {
            if (!m_dialogs->conflicts.empty())
                return;
            if (c.removes)
                QFile::remove(file);
            else
                writeFile(name, second);
        };
        m_dialogs->conflicts.clear();
        m_dialogs->conflictChoices
            = { DocumentDialogs::ConflictChoice::Overwrite, DocumentDialogs::ConflictChoice::Cancel };
        switch (c.way) {
        case Way::Autosave:
            timerOf(*document).fire();
            break;
        case Way::Save:
            EXPECT_FALSE(m_manager->save(*document));
            break;
        case Way::Close:
            EXPECT_FALSE(m_manager->close(*document));
            break;
        }
        m_dialogs->whileAsking = nullptr;
        ASSERT_EQ(m_dialogs->conflicts.size(), 2u);
        EXPECT_EQ(m_dialogs->conflicts.at(1).change,
            c.removes ? DocumentDialogs::DiskChange::Removed : DocumentDialogs::DiskChange::Modified);
        EXPECT_EQ(QFileInfo::exists(file), !c.removes);
        if (!c.removes) {
            EXPECT_EQ(readFile(file), second);
        }
        EXPECT_TRUE(document->hasUnsavedChanges());

        // Replace given for the version asked about writes ours over it.
        m_dialogs->conflictChoices = { DocumentDialogs::ConflictChoice::Overwrite };
        EXPECT_TRUE(m_manager->save(*document));
        EXPECT_EQ(m_dialogs->conflicts.size(), 3u);
        EXPECT_TRUE(readFile(file).contains("# Ours\n"));
    }
}

TEST_P(EveryQuestionTest, AWindowStaysWhileItsQuestionIsOpenAndTheAnswerStillCounts)
{
    const auto [question, way] = GetParam();
    const bool isUntitled = question == Question::SaveChangesQuestion || question == Question::ErrorMessage;
    const QString file = writeFile(QStringLiteral("grace.md"), sermonText);
    if (question == Question::DiscardRestoredError) {
        // The file opens with what an ended session typed into it.
        crashWhileTyping(file, restoredText);
        m_manager->setShowsWindows(true);
    }
    // Listed first, and with nothing to ask, it would be closed first.
    OpenDocument* other = m_manager->open(writeFile(QStringLiteral("hope.md"), "# Hope\n"));
    ASSERT_NE(other, nullptr);
    OpenDocument* document = isUntitled ? m_manager->newDocument() : m_manager->open(file);
    ASSERT_NE(document, nullptr);
    const bool isEdited = question != Question::OpenDialog && question != Question::SaveAsDialog;
    if (isEdited)
        edit(*document, QStringLiteral("Typed here"));

    QPointer<OpenDocument> guard(document);
    QPointer<DocumentWindow> window(document->window());
    const QPointer<OpenDocument> otherGuard(other);
    int asked = 0;
    m_dialogs->whileAsking = [&] {
        if (asked++ == 0)
            askToGo(way, *document, *other);
    };
    ask(question, *document);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    EXPECT_EQ(asked, 1);
    ASSERT_FALSE(guard.isNull());
    ASSERT_FALSE(window.isNull());
    EXPECT_FALSE(m_manager->isQuitting());
    // A quit that cannot close one window closes none.
    if (way == Way::Quit || way == Way::OtherWindowsQuit) {
        EXPECT_FALSE(otherGuard.isNull());
    }
    switch (question) {
    case Question::OpenDialog:
        EXPECT_NE(m_manager->documentForPath(path(QStringLiteral("other.md"))), nullptr);
        break;
    case Question::SaveAsDialog:
        EXPECT_EQ(document->filePath(), QFileInfo(path(QStringLiteral("saved-as.md"))).canonicalFilePath());
        EXPECT_EQ(readFile(document->filePath()), contentsOf(*document));
        break;
    case Question::RevertQuestion:
        EXPECT_EQ(document->document().root()->text(), QStringLiteral("Grace"));
        break;
    case Question::SaveChangesQuestion:
    case Question::DiskChangeQuestion:
    case Question::ErrorMessage:
    case Question::DiscardRestoredError:
        EXPECT_EQ(document->document().root()->text(), QStringLiteral("Typed here"));
        break;
    }

    // Once answered, the window closes as ever.
    m_dialogs->whileAsking = nullptr;
    m_dialogs->saveChoices = { DocumentDialogs::SaveChoice::DontSave };
    m_dialogs->conflictChoices = { DocumentDialogs::ConflictChoice::DontSave };
    m_manager->setFileWriter(&writeFileAtomically);
    EXPECT_TRUE(m_manager->close(*document));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(guard.isNull());
}

INSTANTIATE_TEST_SUITE_P(EveryQuestionAndEveryWay, EveryQuestionTest,
    ::testing::Combine(::testing::Values(Question::OpenDialog, Question::SaveAsDialog, Question::SaveChangesQuestion,
                           Question::DiskChangeQuestion, Question::RevertQuestion, Question::ErrorMessage,
                           Question::DiscardRestoredError),
        ::testing::Values(Way::Close, Way::Quit, Way::SessionEnd, Way::OtherWindowsQuit, Way::OwnFileCommands)),
    caseName);
