#include "platform/DocumentManagerFixture.h"

#include <QAction>
#include <QMenu>

#include <chrono>

using namespace kestrion;
using namespace kestrion::test;
using namespace std::chrono_literals;

namespace {

void setSeries(OpenDocument& document, const QString& series)
{
    SermonDocument& sermon = document.document();
    sermon.recordUndo(std::nullopt, &document.undoManager());
    SermonMetadata details = sermon.metadata();
    details.series = series;
    sermon.setMetadata(details);
}

// The document manager's tests, with the way back after a crash.
class DocumentVersionsTest : public DocumentManagerTest {
protected:
    // The process dies; the file opens again and is reverted to the version its window keeps.
    OpenDocument* crashThenRevert(const QString& file)
    {
        crashManager();
        OpenDocument* document = m_manager->open(file);
        EXPECT_NE(document, nullptr);
        m_dialogs->revertChoice = true;
        EXPECT_TRUE(document && m_manager->revertToOpenedVersion(*document));
        return document;
    }
};

} // namespace

TEST_F(DocumentVersionsTest, RevertPutsBackTheOpenedTextAndDetailsAsOneUndoableStep)
{
    const QString file = writeFile(QStringLiteral("grace.md"), sermonText);
    OpenDocument* document = m_manager->open(file);
    ASSERT_NE(document, nullptr);
    QAction* revert = document->window()->revertAction();
    EXPECT_FALSE(revert->isEnabled());
    EXPECT_FALSE(m_manager->revertToOpenedVersion(*document));
    EXPECT_TRUE(m_dialogs->revertQuestions.isEmpty());

    edit(*document, QStringLiteral("Changed"));
    setSeries(*document, QStringLiteral("Signs"));
    timerOf(*document).fire();
    const QByteArray changed = contentsOf(*document);
    ASSERT_EQ(readFile(file), changed);
    EXPECT_TRUE(revert->isEnabled());

    // Cancelled: nothing changes.
    EXPECT_FALSE(m_manager->revertToOpenedVersion(*document));
    EXPECT_EQ(m_dialogs->revertQuestions, QStringList({ QStringLiteral("grace.md") }));
    EXPECT_EQ(contentsOf(*document), changed);

    m_dialogs->revertChoice = true;
    EXPECT_TRUE(m_manager->revertToOpenedVersion(*document));
    EXPECT_EQ(contentsOf(*document), written(sermonText));
    EXPECT_FALSE(revert->isEnabled());
    timerOf(*document).fire();
    EXPECT_EQ(readFile(file), written(sermonText));

    document->window()->undoAction()->trigger();
    EXPECT_EQ(contentsOf(*document), changed);
    EXPECT_TRUE(revert->isEnabled());
    EXPECT_TRUE(document->isModified());
    // Undone all the way, the text is as opened once more, and nothing is offered.
    document->window()->undoAction()->trigger();
    document->window()->undoAction()->trigger();
    EXPECT_EQ(contentsOf(*document), written(sermonText));
    document->window()->fileMenu()->aboutToShow();
    EXPECT_FALSE(revert->isEnabled());
}

TEST_F(DocumentVersionsTest, AnUntitledSermonHasNoOpenedVersionEvenOnceSaved)
{
    OpenDocument* document = m_manager->newDocument();
    edit(*document, QStringLiteral("Draft"));
    EXPECT_FALSE(document->hasOpenedVersion());
    EXPECT_FALSE(document->window()->revertAction()->isEnabled());
    m_dialogs->savePaths = { path(QStringLiteral("draft.md")) };
    ASSERT_TRUE(m_manager->save(*document));
    edit(*document, QStringLiteral("Draft two"));
    EXPECT_FALSE(document->window()->revertAction()->isEnabled());
    m_dialogs->revertChoice = true;
    EXPECT_FALSE(m_manager->revertToOpenedVersion(*document));
    EXPECT_TRUE(m_dialogs->revertQuestions.isEmpty());
    EXPECT_FALSE(QDir(m_manager->openedVersionsFolder()).exists());
}

// Kept beside the safety copies, never taken for one; after a crash the file's next window
// reverts to the version opened first; closed, the window leaves nothing behind.
TEST_F(DocumentVersionsTest, OpenedVersionOutlivesACrashAndGoesWithTheWindow)
{
    const QString file = writeFile(QStringLiteral("grace.md"), sermonText);
    OpenDocument* document = m_manager->open(file);
    ASSERT_NE(document, nullptr);
    const QDir kept(m_manager->openedVersionsFolder());
    EXPECT_EQ(QFileInfo(kept.path()).dir(), QFileInfo(m_manager->recoveryFolder()).dir());
    edit(*document, QStringLiteral("Before the crash"));
    timerOf(*document).fire();
    ASSERT_TRUE(readFile(file).contains("# Before the crash\n"));

    crashManager();
    EXPECT_EQ(m_manager->recoverUnsavedDocuments(), 0);
    EXPECT_TRUE(m_manager->documents().empty());
    const QStringList copies = kept.entryList({ QStringLiteral("*.md") }, QDir::Files);
    ASSERT_EQ(copies.size(), 1);
    EXPECT_EQ(readFile(kept.filePath(copies.front())), sermonText);
    EXPECT_TRUE(recoveryFiles().isEmpty());

    document = m_manager->open(file);
    ASSERT_NE(document, nullptr);
    EXPECT_TRUE(document->window()->revertAction()->isEnabled());
    edit(*document, QStringLiteral("After the crash"));
    // Crashed again before anything closed: still the version opened first.
    document = crashThenRevert(file);
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(contentsOf(*document), written(sermonText));

    EXPECT_TRUE(m_manager->close(*document));
    EXPECT_EQ(readFile(file), written(sermonText));
    EXPECT_TRUE(kept.entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());
    EXPECT_TRUE(recoveryFolderEntries().isEmpty());
}

// Until then the file itself holds the version as opened.
TEST_F(DocumentVersionsTest, OpenedVersionIsKeptOnceAnotherProgramIsFoundToHaveChangedTheFile)
{
    const QString file = writeFile(QStringLiteral("grace.md"), sermonText);
    OpenDocument* document = m_manager->open(file);
    ASSERT_NE(document, nullptr);
    writeFile(QStringLiteral("grace.md"), "# Theirs\n");
    edit(*document, QStringLiteral("Ours"));
    m_dialogs->conflictChoices = { DocumentDialogs::ConflictChoice::Cancel };
    timerOf(*document).fire();
    ASSERT_EQ(m_dialogs->conflicts.size(), 1u);

    document = crashThenRevert(file);
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(contentsOf(*document), written(sermonText));
}

// Words restored after a crash go back to the file as the window that restored them opened
// it: the version the ended session opened, when it left one, else the file as on disk.
TEST_F(DocumentVersionsTest, RestoredSermonRevertsToTheOpenedFileWithTheRestoredWordsOneUndoAway)
{
    const struct {
        const char* name;
        std::function<OpenDocument*(const QString& file)> crashThenRestore;
    } cases[] {
        { "file as on disk, restored at start",
            [this](const QString& file) {
                crashWhileTyping(file, restoredText);
                EXPECT_EQ(m_manager->recoverUnsavedDocuments(), 1);
                return m_manager->documentForPath(file);
            } },
        { "version opened before the file was saved over, restored when opened",
            [this](const QString& file) {
                m_manager->setWindowFactory([](OpenDocument& document) { return new TypingWindow(document); });
                OpenDocument* before = m_manager->open(file);
                if (!before)
                    return before;
                edit(*before, QStringLiteral("Saved over"));
                timerOf(*before).fire();
                EXPECT_TRUE(readFile(file).contains("# Saved over\n"));
                // Typed into the window open already.
                crashWhileTyping(file, restoredText);
                return m_manager->open(file);
            } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        crashManager();
        QDir(m_manager->recoveryFolder()).removeRecursively();
        QDir(m_manager->openedVersionsFolder()).removeRecursively();
        const QString file = writeFile(QStringLiteral("grace.md"), sermonText);
        OpenDocument* document = c.crashThenRestore(file);
        ASSERT_NE(document, nullptr);
        ASSERT_EQ(contentsOf(*document), restoredText);
        document->window()->fileMenu()->aboutToShow();
        EXPECT_TRUE(document->window()->revertAction()->isEnabled());
        m_dialogs->revertChoice = true;
        document->window()->revertAction()->trigger();
        EXPECT_EQ(contentsOf(*document), written(sermonText));
        document->window()->undoAction()->trigger();
        EXPECT_EQ(contentsOf(*document), restoredText);
    }
}

TEST_F(DocumentVersionsTest, ReloadTakesTheFilesTextAndLeavesOursOneUndoAway)
{
    const QString file = writeFile(QStringLiteral("grace.md"), sermonText);
    OpenDocument* document = m_manager->open(file);
    ASSERT_NE(document, nullptr);
    edit(*document, QStringLiteral("Ours"));
    const QByteArray ours = contentsOf(*document);
    const QByteArray theirs = "# Theirs\n\nTheir point\n";
    writeFile(QStringLiteral("grace.md"), theirs);

    m_dialogs->conflictChoices = { DocumentDialogs::ConflictChoice::Reload };
    timerOf(*document).fire();
    ASSERT_EQ(m_dialogs->conflicts.size(), 1u);
    EXPECT_EQ(contentsOf(*document), written(theirs));
    EXPECT_EQ(readFile(file), theirs);
    EXPECT_FALSE(document->isModified());
    EXPECT_TRUE(recoveryFiles().isEmpty());

    document->window()->undoAction()->trigger();
    EXPECT_EQ(contentsOf(*document), ours);
    EXPECT_TRUE(document->isModified());
    // Brought back on purpose, ours is saved over theirs without asking again.
    timerOf(*document).fire();
    EXPECT_EQ(m_dialogs->conflicts.size(), 1u);
    EXPECT_EQ(readFile(file), ours);
}

TEST_F(DocumentVersionsTest, AFileThatCannotBeReloadedIsReportedAndOursStays)
{
    const struct {
        const char* name;
        std::function<void(const QString& file)> spoil;
    } cases[] {
        { "gone", [](const QString& file) { QFile::remove(file); } },
        { "not UTF-8",
            [this](const QString& file) {
                writeFile(QFileInfo(file).fileName(),
                    "# Gr\xe2"
                    "ce \xff\n");
            } },
        { "empty", [this](const QString& file) { writeFile(QFileInfo(file).fileName(), QByteArray()); } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString file = writeFile(QStringLiteral("%1.md").arg(m_manager->documents().size()), sermonText);
        OpenDocument* document = m_manager->open(file);
        ASSERT_NE(document, nullptr);
        edit(*document, QStringLiteral("Ours, %1").arg(QString::fromLatin1(c.name)));
        const QByteArray ours = contentsOf(*document);
        writeFile(QFileInfo(file).fileName(), "# Theirs\n");
        // Spoilt while the question waits.
        m_dialogs->whileAsking = [&] { c.spoil(file); };
        m_dialogs->conflictChoices = { DocumentDialogs::ConflictChoice::Reload };
        m_dialogs->errors.clear();
        timerOf(*document).fire();
        m_dialogs->whileAsking = {};
        ASSERT_EQ(m_dialogs->errors.size(), 1);
        EXPECT_TRUE(m_dialogs->errors.front().contains(QStringLiteral("could not be reloaded")));
        EXPECT_TRUE(m_dialogs->errors.front().contains(QDir::toNativeSeparators(file)));
        EXPECT_EQ(contentsOf(*document), ours);
        EXPECT_TRUE(document->isModified());
        EXPECT_TRUE(recoveryText().contains(ours));
        // Neither written over it unasked, nor asked about at every pause.
        const size_t asked = m_dialogs->conflicts.size();
        edit(*document, QStringLiteral("Ours still"));
        timerOf(*document).fire();
        EXPECT_FALSE(readFile(file).contains("# Ours"));
        EXPECT_EQ(m_dialogs->conflicts.size(), asked);
    }
}
