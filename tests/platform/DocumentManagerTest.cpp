#include "DocumentManagerFixture.h"

#include <QAction>
#include <QMenuBar>
#include <QPointer>

#include "support/RoomyScreen.h"

#include <gtest/gtest.h>

#include <utime.h>

using namespace kestrion;
using namespace kestrion::test;
using namespace std::chrono_literals;

TEST_F(DocumentManagerTest, OpenEditSaveAndReopen)
{
    const QString file = writeFile(QStringLiteral("grace.md"), sermonText);
    OpenDocument* document = m_manager->open(file);
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(document->filePath(), file);
    EXPECT_EQ(document->displayName(), QStringLiteral("grace.md"));
    ASSERT_NE(document->window(), nullptr);
    EXPECT_EQ(document->window()->windowTitle(), QStringLiteral("grace.md[*]"));
    EXPECT_EQ(document->document().root()->text(), QStringLiteral("Grace"));
    EXPECT_FALSE(document->isModified());

    edit(*document, QStringLiteral("Amazing Grace"));
    EXPECT_TRUE(document->isModified());
    EXPECT_TRUE(document->window()->isWindowModified());
    ASSERT_TRUE(m_manager->save(*document));
    EXPECT_FALSE(document->isModified());
    EXPECT_FALSE(document->window()->isWindowModified());
    EXPECT_TRUE(readFile(file).contains("# Amazing Grace\n"));
    EXPECT_TRUE(readFile(file).contains("scripture: John 3:16"));

    ASSERT_TRUE(m_manager->close(*document));
    EXPECT_TRUE(m_manager->documents().empty());
    OpenDocument* reopened = m_manager->open(file);
    ASSERT_NE(reopened, nullptr);
    EXPECT_EQ(reopened->document().root()->text(), QStringLiteral("Amazing Grace"));
    EXPECT_EQ(reopened->document().metadata().scripture, QStringLiteral("John 3:16"));
    EXPECT_TRUE(m_dialogs->errors.isEmpty());
}

TEST_F(DocumentManagerTest, OneWindowPerFileWhateverThePathLooksLike)
{
    const QString file = writeFile(QStringLiteral("grace.md"), sermonText);
    ASSERT_TRUE(QDir().mkpath(path(QStringLiteral("sub"))));
    ASSERT_TRUE(QFile::link(file, path(QStringLiteral("link.md"))));
    OpenDocument* first = m_manager->open(file);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(m_manager->open(path(QStringLiteral("sub/../grace.md"))), first);
    EXPECT_EQ(m_manager->open(path(QStringLiteral("link.md"))), first);
    EXPECT_EQ(m_manager->documents().size(), 1u);
    EXPECT_EQ(m_manager->documentForPath(path(QStringLiteral("link.md"))), first);
}

TEST_F(DocumentManagerTest, UnreadableFilesAreReportedByNameAndOpenNothing)
{
    const QString empty = writeFile(QStringLiteral("empty.md"), QByteArray());
    const QString latin1 = writeFile(QStringLiteral("latin1.md"),
        QByteArray("# Gr\xe2"
                   "ce \xff\xfe\n"));
    ASSERT_TRUE(QDir().mkpath(path(QStringLiteral("folder.md"))));

    EXPECT_EQ(m_manager->open(empty), nullptr);
    EXPECT_EQ(m_manager->open(latin1), nullptr);
    EXPECT_EQ(m_manager->open(path(QStringLiteral("missing.md"))), nullptr);
    EXPECT_EQ(m_manager->open(path(QStringLiteral("folder.md"))), nullptr);
    EXPECT_TRUE(m_manager->documents().empty());

    ASSERT_EQ(m_dialogs->errors.size(), 4);
    EXPECT_TRUE(m_dialogs->errors.at(0).contains(QStringLiteral("empty.md")));
    EXPECT_TRUE(m_dialogs->errors.at(0).contains(QStringLiteral("empty or not UTF-8")));
    EXPECT_TRUE(m_dialogs->errors.at(1).contains(QStringLiteral("latin1.md")));
    EXPECT_TRUE(m_dialogs->errors.at(1).contains(QStringLiteral("empty or not UTF-8")));
    EXPECT_TRUE(m_dialogs->errors.at(2).contains(QStringLiteral("missing.md")));
    EXPECT_TRUE(m_dialogs->errors.at(3).contains(QStringLiteral("folder.md")));
    EXPECT_TRUE(m_manager->recentDocuments().paths().isEmpty());
}

TEST_F(DocumentManagerTest, FailedWriteReportsAndKeepsTheDocumentEdited)
{
    ASSERT_TRUE(QDir().mkpath(path(QStringLiteral("place"))));
    const QString file = writeFile(QStringLiteral("place/grace.md"), sermonText);
    OpenDocument* document = m_manager->open(file);
    ASSERT_NE(document, nullptr);
    edit(*document, QStringLiteral("Changed"));

    // The folder becomes unwritable even for root: a plain file takes its place.
    ASSERT_TRUE(QDir().rename(path(QStringLiteral("place")), path(QStringLiteral("moved"))));
    writeFile(QStringLiteral("place"), "not a folder");
    m_dialogs->conflictChoices = { DocumentDialogs::ConflictChoice::Overwrite };
    EXPECT_FALSE(m_manager->save(*document));
    ASSERT_EQ(m_dialogs->errors.size(), 1);
    EXPECT_TRUE(m_dialogs->errors.at(0).contains(QStringLiteral("grace.md"))) << m_dialogs->errors.at(0).toStdString();
    EXPECT_TRUE(document->isModified());
    EXPECT_TRUE(document->window()->isWindowModified());
    EXPECT_TRUE(document->hasUnsavedChanges());
    // The text is safe meanwhile.
    EXPECT_EQ(recoveryFiles().size(), 1);

    // A file system that takes no new files: Save As fails the same way.
    m_dialogs->savePaths = { QStringLiteral("/proc/kestrion-test.md") };
    EXPECT_FALSE(m_manager->saveAs(*document));
    EXPECT_EQ(m_dialogs->errors.size(), 2);
    EXPECT_EQ(document->filePath(), file);
    EXPECT_TRUE(document->isModified());

    // Saving elsewhere works and ends the trouble.
    m_dialogs->savePaths = { path(QStringLiteral("moved/grace copy.md")) };
    ASSERT_TRUE(m_manager->saveAs(*document));
    EXPECT_FALSE(document->isModified());
    EXPECT_EQ(document->filePath(), QFileInfo(path(QStringLiteral("moved/grace copy.md"))).canonicalFilePath());
    EXPECT_TRUE(recoveryFiles().isEmpty());
}

TEST_F(DocumentManagerTest, FailedInPlaceSaveKeepsTheTextInTheRecoveryFolder)
{
    const QString file = writeFile(QStringLiteral("grace.md"), sermonText);
    OpenDocument* document = m_manager->open(file);
    ASSERT_NE(document, nullptr);
    edit(*document, QStringLiteral("Changed"));
    failWritesTo(file);
    // The message waits for the user; the text is already safe while it does.
    QByteArray keptWhileReporting;
    m_dialogs->whileAsking = [&] { keptWhileReporting = recoveryText(); };
    EXPECT_FALSE(m_manager->save(*document));
    EXPECT_TRUE(keptWhileReporting.contains("# Changed\n"));
    ASSERT_EQ(m_dialogs->errors.size(), 1);
    EXPECT_TRUE(m_dialogs->errors.at(0).contains(QStringLiteral("disk full")));
    EXPECT_TRUE(document->isModified());
    EXPECT_EQ(readFile(file), sermonText);

    crashManager();
    m_manager->recoverUnsavedDocuments();
    ASSERT_EQ(m_manager->documents().size(), 1u);
    EXPECT_EQ(m_manager->documents().front()->document().root()->text(), QStringLiteral("Changed"));
}

TEST_F(DocumentManagerTest, AutosaveWritesOnlyWhenItsTimerFires)
{
    const QString file = writeFile(QStringLiteral("grace.md"), sermonText);
    OpenDocument* document = m_manager->open(file);
    ASSERT_NE(document, nullptr);
    ManualTimer& timer = timerOf(*document);
    EXPECT_FALSE(timer.isActive());

    edit(*document, QStringLiteral("Autosaved"));
    EXPECT_TRUE(timer.isActive());
    EXPECT_EQ(timer.lastDelay, DocumentManager::defaultAutosaveDelay);
    EXPECT_EQ(readFile(file), sermonText);

    timer.fire();
    EXPECT_TRUE(readFile(file).contains("# Autosaved\n"));
    EXPECT_FALSE(document->isModified());
    // No question was needed: nobody else touched the file.
    EXPECT_TRUE(m_dialogs->conflicts.empty());
    EXPECT_TRUE(m_dialogs->errors.isEmpty());
}

// Edits that end where the file stands (a word typed and taken out again, or words a column
// editor wrote before an autosave and committed after it) leave nothing unsaved: the window
// stops showing it edited once an autosave or a save finds the file holding the same text.
TEST_F(DocumentManagerTest, EditsThatEndAsTheFileStandsLeaveTheDocumentUnedited)
{
    const QByteArray handWritten = "# Grace\n\n\n* one\n";
    const QString file = writeFile(QStringLiteral("grace.md"), handWritten);
    OpenDocument* document = m_manager->open(file);
    ASSERT_NE(document, nullptr);
    for (const bool bySave : { false, true }) {
        edit(*document, QStringLiteral("Mercy"));
        edit(*document, QStringLiteral("Grace"));
        EXPECT_TRUE(document->isModified());
        if (bySave)
            EXPECT_TRUE(m_manager->save(*document));
        else
            timerOf(*document).fire();
        EXPECT_FALSE(document->isModified()) << bySave;
        EXPECT_FALSE(document->window()->isWindowModified()) << bySave;
        EXPECT_EQ(readFile(file), handWritten);
    }
    // Undo still steps back to a text the file does not hold.
    document->undoManager().undo();
    EXPECT_TRUE(document->isModified());
    EXPECT_TRUE(m_dialogs->conflicts.empty());
}

TEST_F(DocumentManagerTest, ContinuousEditingStillSavesWithinTheMaximumDelay)
{
    const QString file = writeFile(QStringLiteral("grace.md"), sermonText);
    OpenDocument* document = m_manager->open(file);
    ASSERT_NE(document, nullptr);
    ManualTimer& timer = timerOf(*document);
    edit(*document, QStringLiteral("one"));
    EXPECT_EQ(timer.lastDelay, 3000ms);
    m_now += 2000ms;
    edit(*document, QStringLiteral("two"));
    EXPECT_EQ(timer.lastDelay, 3000ms);
    m_now += 26000ms;
    edit(*document, QStringLiteral("three"));
    EXPECT_EQ(timer.lastDelay, 2000ms);
    m_now += 5000ms;
    edit(*document, QStringLiteral("four"));
    EXPECT_EQ(timer.lastDelay, 0ms);

    timer.fire();
    EXPECT_TRUE(readFile(file).contains("# four\n"));
    // A new burst starts a new count.
    m_now += 1000ms;
    edit(*document, QStringLiteral("five"));
    EXPECT_EQ(timer.lastDelay, 3000ms);
}

TEST_F(DocumentManagerTest, AutosaveAsksInsteadOfOverwritingAFileChangedByOthers)
{
    const QString file = writeFile(QStringLiteral("grace.md"), sermonText);
    OpenDocument* document = m_manager->open(file);
    ASSERT_NE(document, nullptr);
    const QByteArray theirs = "# Their version\n";
    writeFile(QStringLiteral("grace.md"), theirs);

    edit(*document, QStringLiteral("Ours"));
    m_dialogs->conflictChoices = { DocumentDialogs::ConflictChoice::Cancel };
    timerOf(*document).fire();
    ASSERT_EQ(m_dialogs->conflicts.size(), 1u);
    EXPECT_EQ(m_dialogs->conflicts.at(0).path, file);
    EXPECT_EQ(m_dialogs->conflicts.at(0).change, DocumentDialogs::DiskChange::Modified);
    EXPECT_FALSE(m_dialogs->conflicts.at(0).isClosing);
    EXPECT_EQ(readFile(file), theirs);
    EXPECT_TRUE(document->isModified());
    // Ours is kept in the recovery folder meanwhile.
    ASSERT_EQ(recoveryFiles().size(), 1);

    // Further changes do not ask again on every pause.
    edit(*document, QStringLiteral("Ours again"));
    timerOf(*document).fire();
    EXPECT_EQ(m_dialogs->conflicts.size(), 1u);
    EXPECT_EQ(readFile(file), theirs);

    // An explicit save asks once more, and this time replaces theirs.
    m_dialogs->conflictChoices = { DocumentDialogs::ConflictChoice::Overwrite };
    ASSERT_TRUE(m_manager->save(*document));
    EXPECT_EQ(m_dialogs->conflicts.size(), 2u);
    EXPECT_TRUE(readFile(file).contains("# Ours again\n"));
    EXPECT_FALSE(document->isModified());
    EXPECT_TRUE(recoveryFiles().isEmpty());

    // From then on autosave runs quietly again.
    edit(*document, QStringLiteral("Quiet"));
    timerOf(*document).fire();
    EXPECT_EQ(m_dialogs->conflicts.size(), 2u);
    EXPECT_TRUE(readFile(file).contains("# Quiet\n"));
}

TEST_F(DocumentManagerTest, TouchedButUnchangedFileIsNoConflict)
{
    const QString file = writeFile(QStringLiteral("grace.md"), sermonText);
    OpenDocument* document = m_manager->open(file);
    ASSERT_NE(document, nullptr);
    // Same bytes, another modification time.
    struct utimbuf times {
        1000000000, 1000000000
    };
    ASSERT_EQ(utime(QFile::encodeName(file).constData(), &times), 0);
    edit(*document, QStringLiteral("Fine"));
    timerOf(*document).fire();
    EXPECT_TRUE(m_dialogs->conflicts.empty());
    EXPECT_TRUE(readFile(file).contains("# Fine\n"));
}

TEST_F(DocumentManagerTest, ChangeOfTheSameSizeWithANewTimeIsAskedAbout)
{
    const QString file = writeFile(QStringLiteral("grace.md"), sermonText);
    OpenDocument* document = m_manager->open(file);
    ASSERT_NE(document, nullptr);
    QByteArray theirs = sermonText;
    theirs.replace("Grace", "Mercy");
    ASSERT_EQ(theirs.size(), sermonText.size());
    writeFile(QStringLiteral("grace.md"), theirs);
    struct utimbuf times {
        1000000000, 1000000000
    };
    ASSERT_EQ(utime(QFile::encodeName(file).constData(), &times), 0);

    edit(*document, QStringLiteral("Ours"));
    m_dialogs->conflictChoices = { DocumentDialogs::ConflictChoice::Cancel };
    timerOf(*document).fire();
    EXPECT_EQ(m_dialogs->conflicts.size(), 1u);
    m_dialogs->conflictChoices = { DocumentDialogs::ConflictChoice::Cancel };
    EXPECT_FALSE(m_manager->save(*document));
    EXPECT_EQ(m_dialogs->conflicts.size(), 2u);
    EXPECT_EQ(readFile(file), theirs);
}

// What we write ourselves is what the disk check compares with next: a file only touched
// since is saved over quietly, one changed to the same size is asked about.
TEST_F(DocumentManagerTest, AfterOurOwnSaveTheDiskCheckStillTellsTouchFromChange)
{
    const std::vector<std::function<void(OpenDocument&)>> saves {
        [this](OpenDocument& document) { timerOf(document).fire(); },
        [this](OpenDocument& document) { EXPECT_TRUE(m_manager->save(document)); },
        [this](OpenDocument&) { m_manager->saveAllWithoutAsking(); },
    };
    for (size_t i = 0; i < saves.size(); ++i) {
        SCOPED_TRACE(i);
        const QString file = writeFile(QStringLiteral("grace-%1.md").arg(i), sermonText);
        OpenDocument* document = m_manager->open(file);
        ASSERT_NE(document, nullptr);
        edit(*document, QStringLiteral("Saved"));
        saves[i](*document);
        EXPECT_FALSE(document->hasUnsavedChanges());

        struct utimbuf times {
            1000000000, 1000000000
        };
        ASSERT_EQ(utime(QFile::encodeName(file).constData(), &times), 0);
        edit(*document, QStringLiteral("Touched"));
        timerOf(*document).fire();
        EXPECT_TRUE(m_dialogs->conflicts.empty());
        EXPECT_TRUE(readFile(file).contains("# Touched\n"));

        QByteArray theirs = readFile(file);
        theirs.replace("Touched", "Changed");
        writeFile(QStringLiteral("grace-%1.md").arg(i), theirs);
        ASSERT_EQ(utime(QFile::encodeName(file).constData(), &times), 0);
        edit(*document, QStringLiteral("Ours"));
        m_dialogs->conflictChoices = { DocumentDialogs::ConflictChoice::Cancel };
        timerOf(*document).fire();
        EXPECT_EQ(m_dialogs->conflicts.size(), 1u);
        EXPECT_EQ(readFile(file), theirs);
        m_dialogs->conflicts.clear();
    }
}

TEST_F(DocumentManagerTest, FileRemovedBehindOurBackIsAskedAbout)
{
    const QString file = writeFile(QStringLiteral("grace.md"), sermonText);
    OpenDocument* document = m_manager->open(file);
    ASSERT_NE(document, nullptr);
    ASSERT_TRUE(QFile::remove(file));
    edit(*document, QStringLiteral("Still here"));
    m_dialogs->conflictChoices = { DocumentDialogs::ConflictChoice::Overwrite };
    timerOf(*document).fire();
    ASSERT_EQ(m_dialogs->conflicts.size(), 1u);
    EXPECT_EQ(m_dialogs->conflicts.at(0).change, DocumentDialogs::DiskChange::Removed);
    EXPECT_TRUE(readFile(file).contains("# Still here\n"));
}

TEST_F(DocumentManagerTest, TextIsKeptOnDiskWhileAQuestionWaits)
{
    // A question may wait until the power goes; what it is about is in the recovery folder
    // before it is asked.
    QByteArray keptWhileAsking;
    m_dialogs->whileAsking = [&] { keptWhileAsking = recoveryText(); };

    OpenDocument* untitled = m_manager->newDocument();
    edit(*untitled, QStringLiteral("Draft"));
    m_dialogs->saveChoices = { DocumentDialogs::SaveChoice::Cancel };
    EXPECT_FALSE(m_manager->close(*untitled));
    EXPECT_TRUE(keptWhileAsking.contains("# Draft\n"));

    const QString file = writeFile(QStringLiteral("grace.md"), sermonText);
    OpenDocument* titled = m_manager->open(file);
    ASSERT_NE(titled, nullptr);
    writeFile(QStringLiteral("grace.md"), "# Theirs\n");
    edit(*titled, QStringLiteral("Ours"));
    m_dialogs->conflictChoices = { DocumentDialogs::ConflictChoice::Overwrite };
    timerOf(*titled).fire();
    ASSERT_EQ(m_dialogs->conflicts.size(), 1u);
    EXPECT_TRUE(keptWhileAsking.contains("# Ours\n"));
    // Once written in place, its copy goes; the untitled one stays.
    EXPECT_TRUE(readFile(file).contains("# Ours\n"));
    EXPECT_FALSE(recoveryText().contains("# Ours\n"));
    EXPECT_TRUE(recoveryText().contains("# Draft\n"));
}

TEST_F(DocumentManagerTest, ClosingSavesInPlaceWithoutAQuestion)
{
    const QString file = writeFile(QStringLiteral("grace.md"), sermonText);
    OpenDocument* document = m_manager->open(file);
    ASSERT_NE(document, nullptr);
    edit(*document, QStringLiteral("Closed with changes"));
    EXPECT_TRUE(m_manager->close(*document));
    EXPECT_TRUE(readFile(file).contains("# Closed with changes\n"));
    EXPECT_TRUE(m_dialogs->saveQuestions.isEmpty());
    EXPECT_TRUE(m_manager->documents().empty());
}

TEST_F(DocumentManagerTest, ClosingOverAChangedFileOffersDontSaveAndCancelKeepsTheWindow)
{
    const QString file = writeFile(QStringLiteral("grace.md"), sermonText);
    OpenDocument* document = m_manager->open(file);
    ASSERT_NE(document, nullptr);
    writeFile(QStringLiteral("grace.md"), "# Theirs\n");
    edit(*document, QStringLiteral("Ours"));

    m_dialogs->conflictChoices = { DocumentDialogs::ConflictChoice::Cancel };
    EXPECT_FALSE(m_manager->close(*document));
    ASSERT_EQ(m_manager->documents().size(), 1u);
    ASSERT_EQ(m_dialogs->conflicts.size(), 1u);
    EXPECT_TRUE(m_dialogs->conflicts.back().isClosing);

    m_dialogs->conflictChoices = { DocumentDialogs::ConflictChoice::DontSave };
    EXPECT_TRUE(m_manager->close(*document));
    EXPECT_EQ(readFile(file), "# Theirs\n");
    EXPECT_TRUE(recoveryFiles().isEmpty());
}

TEST_F(DocumentManagerTest, ClosingOverAChangedFileWithSaveAsLeavesTheirsAndClosesTheWindow)
{
    const QString file = writeFile(QStringLiteral("grace.md"), sermonText);
    OpenDocument* document = m_manager->open(file);
    ASSERT_NE(document, nullptr);
    const QByteArray theirs = "# Theirs\n";
    writeFile(QStringLiteral("grace.md"), theirs);
    edit(*document, QStringLiteral("Ours"));
    const QByteArray ours = contentsOf(*document);

    const QString elsewhere = path(QStringLiteral("ours.md"));
    m_dialogs->conflictChoices = { DocumentDialogs::ConflictChoice::SaveAs };
    m_dialogs->savePaths = { elsewhere };
    EXPECT_TRUE(m_manager->close(*document));
    ASSERT_EQ(m_dialogs->conflicts.size(), 1u);
    EXPECT_TRUE(m_dialogs->conflicts.front().isClosing);
    EXPECT_EQ(m_dialogs->suggestedPaths.size(), 1);
    EXPECT_EQ(readFile(elsewhere), ours);
    EXPECT_EQ(readFile(file), theirs);
    EXPECT_TRUE(m_manager->documents().empty());
}

TEST_F(DocumentManagerTest, ClosingWhenTheFileCannotBeWrittenOffersSaveAsAndKeepsTheCopyUntilWritten)
{
    const QString file = writeFile(QStringLiteral("grace.md"), sermonText);
    OpenDocument* document = m_manager->open(file);
    ASSERT_NE(document, nullptr);
    edit(*document, QStringLiteral("Unsaved"));
    failWritesTo(file);
    QByteArray keptWhileAsking;
    m_dialogs->whileAsking = [&] { keptWhileAsking = recoveryText(); };

    // Save under another name, but the file dialog is cancelled: the window stays.
    m_dialogs->saveChoices = { DocumentDialogs::SaveChoice::Save };
    EXPECT_FALSE(m_manager->close(*document));
    EXPECT_EQ(m_dialogs->saveQuestions, QStringList({ QStringLiteral("grace.md") }));
    ASSERT_EQ(m_manager->documents().size(), 1u);
    EXPECT_TRUE(keptWhileAsking.contains("# Unsaved\n"));
    EXPECT_TRUE(recoveryText().contains("# Unsaved\n"));

    const QString elsewhere = path(QStringLiteral("elsewhere.md"));
    m_dialogs->saveChoices = { DocumentDialogs::SaveChoice::Save };
    m_dialogs->savePaths = { elsewhere };
    EXPECT_TRUE(m_manager->close(*document));
    EXPECT_TRUE(readFile(elsewhere).contains("# Unsaved\n"));
    EXPECT_TRUE(recoveryFiles().isEmpty());
}

// Edits a question left unsaved are saved as any others once the file can be written again.
TEST_F(DocumentManagerTest, ACancelledCloseOrQuitGoesBackToAutosaving)
{
    const QString first = writeFile(QStringLiteral("first.md"), sermonText);
    const QString second = writeFile(QStringLiteral("second.md"), sermonText);
    bool isDiskFull = true;
    m_manager->setFileWriter([&](const QString& target, const QByteArray& contents, QString* error) {
        if (isDiskFull && (target == first || target == second)) {
            *error = QStringLiteral("disk full");
            return false;
        }
        return writeFileAtomically(target, contents, error);
    });
    OpenDocument* one = m_manager->open(first);
    ASSERT_NE(one, nullptr);
    edit(*one, QStringLiteral("Close cancelled"));
    m_dialogs->saveChoices = { DocumentDialogs::SaveChoice::Cancel };
    EXPECT_FALSE(m_manager->close(*one));
    isDiskFull = false;
    advanceClock(DocumentManager::defaultAutosaveDelay);
    EXPECT_TRUE(readFile(first).contains("# Close cancelled\n"));

    // Don't Save for the first window, Cancel at the second: both stay, both are saved.
    OpenDocument* two = m_manager->open(second);
    ASSERT_NE(two, nullptr);
    edit(*one, QStringLiteral("Quit cancelled, one"));
    edit(*two, QStringLiteral("Quit cancelled, two"));
    isDiskFull = true;
    m_dialogs->saveChoices = { DocumentDialogs::SaveChoice::DontSave, DocumentDialogs::SaveChoice::Cancel };
    m_manager->quit();
    ASSERT_EQ(m_dialogs->saveQuestions,
        QStringList({ QStringLiteral("first.md"), QStringLiteral("first.md"), QStringLiteral("second.md") }));
    ASSERT_EQ(m_manager->documents().size(), 2u);
    isDiskFull = false;
    advanceClock(DocumentManager::defaultAutosaveDelay);
    EXPECT_TRUE(readFile(first).contains("# Quit cancelled, one\n"));
    EXPECT_TRUE(readFile(second).contains("# Quit cancelled, two\n"));
}

TEST_F(DocumentManagerTest, OpeningAndClosingDoesNotRewriteAHandWrittenFile)
{
    // Not the writer's layout: extra blank lines and a star bullet.
    const QByteArray handWritten = "# Title\n\n\n\n* one\n* two\n";
    const QString file = writeFile(QStringLiteral("hand.md"), handWritten);
    const QDateTime modified = QFileInfo(file).lastModified();
    OpenDocument* document = m_manager->open(file);
    ASSERT_NE(document, nullptr);
    EXPECT_FALSE(document->hasUnsavedChanges());
    EXPECT_TRUE(m_manager->close(*document));
    EXPECT_EQ(readFile(file), handWritten);
    EXPECT_EQ(QFileInfo(file).lastModified(), modified);
}

TEST_F(DocumentManagerTest, UnreadableDetailsSurviveAnEditAnAutosaveAndAReopen)
{
    const QByteArray block = "---\nseries: Gospel of John: Signs\nduration: 30\n---";
    const QString file = writeFile(QStringLiteral("signs.md"), block + "\n# Signs\n");
    OpenDocument* document = m_manager->open(file);
    ASSERT_NE(document, nullptr);
    edit(*document, QStringLiteral("Seven Signs"));
    timerOf(*document).fire();
    EXPECT_EQ(readFile(file), block + "\n\n# Seven Signs\n");

    ASSERT_TRUE(m_manager->close(*document));
    OpenDocument* reopened = m_manager->open(file);
    ASSERT_NE(reopened, nullptr);
    ASSERT_TRUE(reopened->document().unreadableFrontMatter());
    EXPECT_EQ(reopened->document().unreadableFrontMatter()->text, QString::fromUtf8(block));
    EXPECT_FALSE(reopened->hasUnsavedChanges());
}

TEST_F(DocumentManagerTest, UntitledDocumentAsksBeforeItsContentIsDropped)
{
    OpenDocument* fresh = m_manager->newDocument();
    ASSERT_NE(fresh, nullptr);
    EXPECT_TRUE(fresh->isUntitled());
    EXPECT_EQ(fresh->displayName(), QStringLiteral("Untitled"));
    EXPECT_EQ(fresh->document().root()->text(), QStringLiteral("New Sermon"));
    // Nothing written in it yet: it closes without a question.
    EXPECT_TRUE(m_manager->close(*fresh));
    EXPECT_TRUE(m_dialogs->saveQuestions.isEmpty());

    OpenDocument* document = m_manager->newDocument();
    OpenDocument* second = m_manager->newDocument();
    EXPECT_EQ(second->displayName(), QStringLiteral("Untitled 2"));
    edit(*document, QStringLiteral("Easter Morning"));
    m_dialogs->saveChoices = { DocumentDialogs::SaveChoice::Cancel };
    EXPECT_FALSE(m_manager->close(*document));
    EXPECT_EQ(m_dialogs->saveQuestions, QStringList({ QStringLiteral("Untitled") }));

    // Save, but the file dialog is cancelled: still open.
    m_dialogs->saveChoices = { DocumentDialogs::SaveChoice::Save };
    EXPECT_FALSE(m_manager->close(*document));
    EXPECT_EQ(m_manager->documents().size(), 2u);
    EXPECT_TRUE(m_dialogs->suggestedPaths.last().endsWith(QStringLiteral("/Easter Morning.md")));

    const QString target = path(QStringLiteral("easter.md"));
    m_dialogs->saveChoices = { DocumentDialogs::SaveChoice::Save };
    m_dialogs->savePaths = { target };
    EXPECT_TRUE(m_manager->close(*document));
    EXPECT_TRUE(readFile(target).contains("# Easter Morning\n"));
    EXPECT_EQ(m_manager->recentDocuments().paths(), QStringList({ QFileInfo(target).canonicalFilePath() }));

    edit(*second, QStringLiteral("Dropped"));
    m_dialogs->saveChoices = { DocumentDialogs::SaveChoice::DontSave };
    EXPECT_TRUE(m_manager->close(*second));
    EXPECT_TRUE(m_manager->documents().empty());
    EXPECT_TRUE(recoveryFiles().isEmpty());
}

TEST_F(DocumentManagerTest, QuitAsksEveryQuestionBeforeClosingAnyWindow)
{
    const QString first = writeFile(QStringLiteral("a.md"), sermonText);
    OpenDocument* saved = m_manager->open(first);
    OpenDocument* untitled = m_manager->newDocument();
    edit(*untitled, QStringLiteral("Keep me"));
    const QString third = writeFile(QStringLiteral("c.md"), sermonText);
    OpenDocument* edited = m_manager->open(third);
    edit(*edited, QStringLiteral("Saved on the way"));
    OpenDocument* theirs = m_manager->open(writeFile(QStringLiteral("b.md"), sermonText));
    edit(*theirs, QStringLiteral("Ours"));
    writeFile(QStringLiteral("b.md"), "# Theirs\n");
    OpenDocument* last = m_manager->newDocument();
    edit(*last, QStringLiteral("Last"));

    // Cancel at the last question: every window stays, those answered Don't Save too.
    m_dialogs->saveChoices = { DocumentDialogs::SaveChoice::DontSave, DocumentDialogs::SaveChoice::Cancel };
    m_dialogs->conflictChoices = { DocumentDialogs::ConflictChoice::DontSave };
    EXPECT_FALSE(m_manager->closeAll());
    EXPECT_EQ(m_manager->documents(), std::vector<OpenDocument*>({ saved, untitled, edited, theirs, last }));
    EXPECT_EQ(untitled->document().root()->text(), QStringLiteral("Keep me"));
    EXPECT_TRUE(recoveryText().contains("# Keep me\n"));
    EXPECT_TRUE(readFile(third).contains("# Saved on the way\n"));
    // The file changed on disk is not asked about again until the user saves it.
    timerOf(*theirs).fire();
    EXPECT_EQ(m_dialogs->conflicts.size(), 1u);
    EXPECT_TRUE(recoveryText().contains("# Ours\n"));

    // Text typed after its Don't Save, while another question waited, is asked about again.
    m_dialogs->saveChoices = { DocumentDialogs::SaveChoice::DontSave, DocumentDialogs::SaveChoice::DontSave };
    m_dialogs->conflictChoices = { DocumentDialogs::ConflictChoice::DontSave };
    m_dialogs->whileAsking = [&] {
        if (m_dialogs->saveQuestions.size() == 3)
            edit(*untitled, QStringLiteral("Typed meanwhile"));
    };
    EXPECT_FALSE(m_manager->closeAll());
    EXPECT_EQ(m_dialogs->saveQuestions.size(), 5);
    EXPECT_EQ(m_manager->documents().size(), 5u);
    EXPECT_TRUE(recoveryText().contains("# Typed meanwhile\n"));

    m_dialogs->whileAsking = nullptr;
    m_dialogs->saveChoices = { DocumentDialogs::SaveChoice::DontSave, DocumentDialogs::SaveChoice::DontSave };
    m_dialogs->conflictChoices = { DocumentDialogs::ConflictChoice::DontSave };
    EXPECT_TRUE(m_manager->closeAll());
    EXPECT_TRUE(m_manager->documents().empty());
    EXPECT_EQ(readFile(path(QStringLiteral("b.md"))), "# Theirs\n");
}

TEST_F(DocumentManagerTest, SaveAsRefusesAFileOpenInAnotherWindow)
{
    const QString a = writeFile(QStringLiteral("a.md"), sermonText);
    const QString b = writeFile(QStringLiteral("b.md"), "# B\n");
    OpenDocument* first = m_manager->open(a);
    ASSERT_NE(m_manager->open(b), nullptr);
    m_dialogs->savePaths = { b };
    EXPECT_FALSE(m_manager->saveAs(*first));
    ASSERT_EQ(m_dialogs->errors.size(), 1);
    EXPECT_TRUE(m_dialogs->errors.at(0).contains(QStringLiteral("b.md")));
    EXPECT_EQ(readFile(b), "# B\n");
    EXPECT_EQ(first->filePath(), a);
}

TEST_F(DocumentManagerTest, RecentListFollowsOpenAndSave)
{
    const QString a = writeFile(QStringLiteral("a.md"), sermonText);
    const QString b = writeFile(QStringLiteral("b.md"), sermonText);
    m_manager->open(a);
    OpenDocument* second = m_manager->open(b);
    EXPECT_EQ(m_manager->recentDocuments().paths(), QStringList({ b, a }));
    m_dialogs->savePaths = { path(QStringLiteral("c.md")) };
    ASSERT_TRUE(m_manager->saveAs(*second));
    const QString c = QFileInfo(path(QStringLiteral("c.md"))).canonicalFilePath();
    EXPECT_EQ(m_manager->recentDocuments().paths(), QStringList({ c, b, a }));
    QFile::remove(b);
    EXPECT_EQ(m_manager->recentDocuments().paths(), QStringList({ c, a }));
}

TEST_F(DocumentManagerTest, WindowCarriesTheFileAndEditCommands)
{
    const RoomyScreen screen;
    const QString file = writeFile(QStringLiteral("grace.md"), sermonText);
    OpenDocument* document = m_manager->open(file);
    ASSERT_NE(document, nullptr);
    DocumentWindow* window = document->window();
    const QList<QAction*> menus = window->menuBar()->actions();
    ASSERT_GE(menus.size(), 2);
    EXPECT_EQ(menus.at(0)->menu(), window->fileMenu());
    EXPECT_EQ(menus.at(1)->menu(), window->editMenu());
    EXPECT_EQ(window->openAction()->shortcut(), QKeySequence(QStringLiteral("Ctrl+O")));
    EXPECT_EQ(window->saveAction()->shortcut(), QKeySequence(QStringLiteral("Ctrl+S")));
    EXPECT_EQ(window->saveAsAction()->shortcut(), QKeySequence(QStringLiteral("Ctrl+Shift+S")));
    EXPECT_EQ(window->closeAction()->shortcut(), QKeySequence(QStringLiteral("Ctrl+W")));
    EXPECT_EQ(window->quitAction()->shortcut(), QKeySequence(QStringLiteral("Ctrl+Q")));
    EXPECT_EQ(window->undoAction()->shortcut(), QKeySequence(QStringLiteral("Ctrl+Z")));
    EXPECT_EQ(window->redoAction()->shortcut(), QKeySequence(QStringLiteral("Ctrl+Shift+Z")));
    EXPECT_EQ(window->size(), DocumentWindow::defaultSize);

    EXPECT_FALSE(window->undoAction()->isEnabled());
    edit(*document, QStringLiteral("Edited"));
    EXPECT_TRUE(window->undoAction()->isEnabled());
    EXPECT_FALSE(window->redoAction()->isEnabled());
    window->undoAction()->trigger();
    EXPECT_EQ(document->document().root()->text(), QStringLiteral("Grace"));
    EXPECT_FALSE(document->isModified());
    EXPECT_TRUE(window->redoAction()->isEnabled());
    window->redoAction()->trigger();
    EXPECT_EQ(document->document().root()->text(), QStringLiteral("Edited"));

    window->saveAction()->trigger();
    EXPECT_TRUE(readFile(file).contains("# Edited\n"));

    QPointer<DocumentWindow> guard(window);
    window->closeAction()->trigger();
    EXPECT_TRUE(m_manager->documents().empty());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(guard.isNull());
}

TEST_F(DocumentManagerTest, WindowFactoryMakesTheWindows)
{
    class CustomWindow : public DocumentWindow {
    public:
        using DocumentWindow::DocumentWindow;
    };
    int made = 0;
    m_manager->setWindowFactory([&made](OpenDocument& document) {
        ++made;
        return new CustomWindow(document);
    });
    OpenDocument* document = m_manager->newDocument();
    EXPECT_EQ(made, 1);
    EXPECT_NE(dynamic_cast<CustomWindow*>(document->window()), nullptr);
}

TEST_F(DocumentManagerTest, FileDialogsStartInAFolderThatExists)
{
    // A home of the test's own, without a Documents folder yet, as on a fresh machine.
    struct Environment {
        const QByteArray home = qgetenv("HOME");
        const QByteArray config = qgetenv("XDG_CONFIG_HOME");
        ~Environment()
        {
            qputenv("HOME", home);
            qputenv("XDG_CONFIG_HOME", config);
        }
    } restore;
    const QString home = path(QStringLiteral("home"));
    ASSERT_TRUE(QDir().mkpath(home));
    qputenv("HOME", home.toUtf8());
    qputenv("XDG_CONFIG_HOME", (home + QStringLiteral("/.config")).toUtf8());
    const auto openFolder = [this] {
        m_manager->showOpenDialog(nullptr);
        return m_dialogs->openFolders.isEmpty() ? QString() : m_dialogs->openFolders.last();
    };
    EXPECT_EQ(openFolder(), home);

    const QString documents = home + QStringLiteral("/Documents");
    ASSERT_TRUE(QDir().mkpath(documents));
    EXPECT_EQ(openFolder(), documents);
    OpenDocument* untitled = m_manager->newDocument();
    edit(*untitled, QStringLiteral("Easter"));
    EXPECT_FALSE(m_manager->saveAs(*untitled));
    EXPECT_EQ(m_dialogs->suggestedPaths.last(), documents + QStringLiteral("/Easter.md"));

    // The folder of the file last opened, while it is there.
    ASSERT_TRUE(QDir().mkpath(path(QStringLiteral("sermons"))));
    const QString file = writeFile(QStringLiteral("sermons/grace.md"), sermonText);
    OpenDocument* opened = m_manager->open(file);
    ASSERT_NE(opened, nullptr);
    EXPECT_EQ(openFolder(), QFileInfo(file).absolutePath());
    ASSERT_TRUE(m_manager->close(*opened));
    ASSERT_TRUE(QDir(path(QStringLiteral("sermons"))).removeRecursively());
    EXPECT_EQ(openFolder(), documents);
}
