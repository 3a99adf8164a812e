#include "DocumentManagerFixture.h"

#include "platform/SingleInstance.h"

#include <QAction>
#include <QMenu>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <utility>

using namespace kestrion;
using namespace kestrion::test;

TEST_F(DocumentManagerTest, WordsStillBeingTypedAreKeptForACrash)
{
    m_manager->setWindowFactory([](OpenDocument& document) { return new TypingWindow(document); });
    const QString file = writeFile(QStringLiteral("grace.md"), sermonText);
    OpenDocument* document = m_manager->open(file);
    ASSERT_NE(document, nullptr);
    auto* window = static_cast<TypingWindow*>(document->window());

    window->type("# Half a sentence\n");
    ASSERT_TRUE(timerOf(*document).isActive());
    timerOf(*document).fire();
    // The file waits for the edit to end; the words are safe meanwhile.
    EXPECT_EQ(readFile(file), sermonText);
    EXPECT_EQ(recoveryText(), "# Half a sentence\n");

    // The typing ends without a change: the copy goes.
    window->type(std::nullopt);
    timerOf(*document).fire();
    EXPECT_TRUE(recoveryFiles().isEmpty());

    window->type("# Typed when the power went\n");
    timerOf(*document).fire();
    crashManager();
    ASSERT_EQ(m_manager->recoverUnsavedDocuments(), 1);
    OpenDocument* recovered = m_manager->documents().front();
    EXPECT_EQ(recovered->filePath(), file);
    EXPECT_EQ(recovered->document().root()->text(), QStringLiteral("Typed when the power went"));
}

// Ten keys a second without a pause, as a paragraph is typed: whenever the process dies, the
// recovery folder holds all but the last second of it, and the next start brings that back.
TEST_F(DocumentManagerTest, SteadyTypingIsKeptUpToTheLastSecond)
{
    using namespace std::chrono_literals;
    const QString file = writeFile(QStringLiteral("grace.md"), sermonText);
    const struct {
        const char* name;
        bool isTitled;
        std::function<void(OpenDocument&, const QString&)> type;
    } ways[] = {
        { "words still in a titled sermon's editor", true,
            [](OpenDocument& document, const QString& title) {
                static_cast<TypingWindow*>(document.window())->type("# " + title.toUtf8() + "\n");
            } },
        { "edits of an untitled sermon", false,
            [](OpenDocument& document, const QString& title) { edit(document, title); } },
        { "keys written straight into a node, as in the columns", true,
            [](OpenDocument& document, const QString& title) {
                document.document().writeNodeText(*document.document().root(), title);
            } },
    };
    constexpr auto keyInterval = 100ms;
    constexpr int keysInASecond = 10;
    for (const auto& [name, isTitled, type] : ways) {
        crashManager();
        QDir(path(QStringLiteral("recovery"))).removeRecursively();
        m_manager->setWindowFactory([](OpenDocument& document) { return new TypingWindow(document); });
        OpenDocument* document = isTitled ? m_manager->open(file) : m_manager->newDocument();
        ASSERT_NE(document, nullptr) << name;
        QString typed;
        // Nine seconds: long enough for the in-place autosave's pause never to come.
        for (int key = 1; key <= 90; ++key) {
            typed += QChar(u'a' + key % 26);
            type(*document, typed);
            advanceClock(keyInterval);
            // Killed now: the copy holds every key pressed a second ago or earlier.
            const std::unique_ptr<SermonDocument> kept = SermonDocument::readDocument(recoveryText());
            const QString keptTitle = kept ? kept->root()->text() : QString();
            ASSERT_TRUE(typed.startsWith(keptTitle)) << name;
            ASSERT_GE(keptTitle.size(), key + 1 - keysInASecond) << name << " after key " << key;
        }
        crashManager();
        ASSERT_EQ(m_manager->recoverUnsavedDocuments(), 1) << name;
        const QString recovered = m_manager->documents().front()->document().root()->text();
        EXPECT_TRUE(typed.startsWith(recovered)) << name;
        EXPECT_GE(recovered.size(), typed.size() - keysInASecond) << name;
        EXPECT_EQ(readFile(file), sermonText) << name;
    }
}

// A copy that takes a tenth of a second (a very long sermon) is made about once a second for a
// slow typist too, rather than after every key: the copies take no more than a tenth of the time.
TEST_F(DocumentManagerTest, SlowCopiesAreSpacedOutAndStillKeepUpWithTheTyping)
{
    using namespace std::chrono_literals;
    OpenDocument* document = m_manager->newDocument();
    int copies = 0;
    m_manager->setFileWriter([this, &copies](const QString& target, const QByteArray& contents, QString* error) {
        ++copies;
        m_now += 100ms;
        return writeFileAtomically(target, contents, error);
    });
    QString typed;
    for (int key = 1; key <= 25; ++key) {
        typed += QChar(u'a' + key % 26);
        edit(*document, typed);
        advanceClock(400ms);
        const std::unique_ptr<SermonDocument> kept = SermonDocument::readDocument(recoveryText());
        ASSERT_GE(kept ? kept->root()->text().size() : 0, key - 3) << "after key " << key;
    }
    EXPECT_LE(copies, 12);
}

// A full disk, say, refuses the copy once: the same words are written at the next try, which
// comes without another keystroke, and the failure is reported only once.
TEST_F(DocumentManagerTest, RecoveryCopyThatCouldNotBeWrittenIsWrittenAtTheNextTry)
{
    const std::pair<const char*, std::function<void(OpenDocument&)>> ways[] = {
        { "its own timer", [this](OpenDocument& document) { recoveryTimerOf(document).fire(); } },
        { "autosave", [this](OpenDocument& document) { timerOf(document).fire(); } },
    };
    for (const auto& [name, write] : ways) {
        crashManager();
        QDir(path(QStringLiteral("recovery"))).removeRecursively();
        OpenDocument* document = m_manager->newDocument();
        int failures = 1;
        m_manager->setFileWriter([&failures](const QString& target, const QByteArray& contents, QString* error) {
            if (failures > 0) {
                --failures;
                *error = QStringLiteral("disk full");
                return false;
            }
            return writeFileAtomically(target, contents, error);
        });
        edit(*document, QStringLiteral("Kept at the second try"));
        m_dialogs->errors.clear();
        write(*document);
        EXPECT_EQ(m_dialogs->errors.size(), 1) << name;
        EXPECT_TRUE(recoveryFiles().isEmpty()) << name;
        ASSERT_TRUE(recoveryTimerOf(*document).isActive()) << name;
        recoveryTimerOf(*document).fire();
        EXPECT_EQ(recoveryText(), "# Kept at the second try\n") << name;
        EXPECT_EQ(m_dialogs->errors.size(), 1) << name;
        EXPECT_FALSE(recoveryTimerOf(*document).isActive()) << name;
    }
}

// A copy that falls due while a save waits for the answer to its question is not left for
// the next key or autosave.
TEST_F(DocumentManagerTest, SafetyCopyDueWhileASaveQuestionIsOpenIsWrittenWithinASecondAfterIt)
{
    using namespace std::chrono_literals;
    const std::pair<const char*, std::function<void(OpenDocument&)>> saves[] = {
        { "autosave", [this](OpenDocument& document) { timerOf(document).fire(); } },
        { "Save", [this](OpenDocument& document) { EXPECT_FALSE(m_manager->save(document)); } },
    };
    for (const auto& [name, save] : saves) {
        SCOPED_TRACE(name);
        const QString file = writeFile(QString::fromLatin1(name) + QStringLiteral(".md"), sermonText);
        OpenDocument* document = m_manager->open(file);
        ASSERT_NE(document, nullptr);
        edit(*document, QStringLiteral("Ours"));
        writeFile(QString::fromLatin1(name) + QStringLiteral(".md"), "# Theirs\n");
        const QByteArray typed = "# Typed while asked, " + QByteArray(name) + '\n';
        m_dialogs->whileAsking = [&] {
            edit(*document, QString::fromUtf8(typed.mid(2).chopped(1)));
            advanceClock(500ms);
        };
        m_dialogs->conflictChoices = { DocumentDialogs::ConflictChoice::Cancel };
        save(*document);
        m_dialogs->whileAsking = {};
        advanceClock(1000ms);
        EXPECT_TRUE(recoveryText().contains(typed));
    }
}

TEST_F(DocumentManagerTest, UntitledTextIsKeptAndOfferedBackAfterACrash)
{
    OpenDocument* document = m_manager->newDocument();
    edit(*document, QStringLiteral("Unsaved Sermon"));
    EXPECT_TRUE(recoveryFiles().isEmpty());
    timerOf(*document).fire();
    ASSERT_EQ(recoveryFiles().size(), 1);

    crashManager();
    ASSERT_EQ(m_manager->recoverUnsavedDocuments(), 1);
    ASSERT_EQ(m_manager->documents().size(), 1u);
    OpenDocument* recovered = m_manager->documents().front();
    EXPECT_TRUE(recovered->isUntitled());
    EXPECT_EQ(recovered->document().root()->text(), QStringLiteral("Unsaved Sermon"));
    EXPECT_TRUE(recovered->isModified());
    EXPECT_TRUE(recovered->window()->isWindowModified());
    // Explained, and named as its first save would name it.
    ASSERT_NE(restoredNotice(*recovered), nullptr);
    EXPECT_TRUE(restoredNotice(*recovered)->text().contains(QStringLiteral("never saved")));
    EXPECT_EQ(recovered->displayName(), QStringLiteral("Unsaved Sermon"));
    EXPECT_TRUE(recovered->window()->windowTitle().startsWith(QStringLiteral("Unsaved Sermon")));

    // A second instance does not take what this one holds.
    {
        QSettings settings(path(QStringLiteral("other.ini")), QSettings::IniFormat);
        DocumentManager other(settings, std::make_unique<ScriptedDialogs>());
        other.setRecoveryFolder(path(QStringLiteral("recovery")));
        other.setShowsWindows(false);
        EXPECT_EQ(other.recoverUnsavedDocuments(), 0);
    }

    // Closing it asks, like any untitled document with text.
    m_dialogs->saveChoices = { DocumentDialogs::SaveChoice::DontSave };
    EXPECT_TRUE(m_manager->close(*recovered));
    EXPECT_EQ(m_dialogs->saveQuestions, QStringList { QStringLiteral("Unsaved Sermon") });
    EXPECT_TRUE(recoveryFiles().isEmpty());
    crashManager();
    EXPECT_EQ(m_manager->recoverUnsavedDocuments(), 0);
}

TEST_F(DocumentManagerTest, RestoredTextGoesBackIntoItsOwnFilesWindowUntilSaved)
{
    const QString file = writeFile(QStringLiteral("grace.md"), sermonText);
    crashWhileTyping(file, restoredText);
    ASSERT_EQ(m_manager->recoverUnsavedDocuments(), 1);
    ASSERT_EQ(m_manager->documents().size(), 1u);
    OpenDocument* document = m_manager->documents().front();
    EXPECT_EQ(document->filePath(), file);
    EXPECT_EQ(contentsOf(*document), restoredText);
    EXPECT_TRUE(document->isModified());
    EXPECT_TRUE(document->window()->isWindowModified());
    ASSERT_NE(restoredNotice(*document), nullptr);
    EXPECT_EQ(restoredNotice(*document)->actionTitles(), QStringList({ QStringLiteral("Discard Restored Changes") }));
    EXPECT_EQ(readFile(file), sermonText);
    // The launch opens the files it was given after recovering: the same window.
    EXPECT_EQ(m_manager->open(file), document);
    EXPECT_EQ(m_manager->documents().size(), 1u);

    // Nothing is dropped before the text is saved: another crash offers it again.
    crashManager();
    ASSERT_EQ(m_manager->recoverUnsavedDocuments(), 1);
    document = m_manager->documents().front();
    ASSERT_TRUE(m_manager->save(*document));
    EXPECT_EQ(readFile(file), restoredText);
    EXPECT_FALSE(document->isModified());
    EXPECT_EQ(restoredNotice(*document), nullptr);
    EXPECT_TRUE(recoveryFolderEntries().isEmpty()) << recoveryFolderEntries().join(u' ').toStdString();
    EXPECT_TRUE(m_dialogs->conflicts.empty());
    EXPECT_TRUE(m_dialogs->errors.isEmpty());
}

// The copy's note describes the file as our own last save wrote it, so that file is not
// taken for one changed by someone else.
TEST_F(DocumentManagerTest, WordsTypedAfterAnAutosaveComeBackWithoutCallingTheFileChanged)
{
    const QString file = writeFile(QStringLiteral("grace.md"), sermonText);
    m_manager->setWindowFactory([](OpenDocument& document) { return new TypingWindow(document); });
    OpenDocument* document = m_manager->open(file);
    ASSERT_NE(document, nullptr);
    edit(*document, QStringLiteral("Saved"));
    timerOf(*document).fire();
    static_cast<TypingWindow*>(document->window())->type(restoredText);
    timerOf(*document).fire();
    crashManager();

    ASSERT_EQ(m_manager->recoverUnsavedDocuments(), 1);
    document = m_manager->documents().front();
    EXPECT_EQ(contentsOf(*document), restoredText);
    ASSERT_NE(restoredNotice(*document), nullptr);
    EXPECT_EQ(restoredNotice(*document)->actionTitles(), QStringList({ QStringLiteral("Discard Restored Changes") }));
}

TEST_F(DocumentManagerTest, FileWithRestoredTextOpensIntoItWhicheverWayItIsOpened)
{
    const QString file = writeFile(QStringLiteral("grace.md"), sermonText);
    crashWhileTyping(file, restoredText);
    const std::pair<const char*, std::function<void()>> ways[] = {
        { "by name", [&] { m_manager->open(file); } },
        { "open dialog",
            [&] {
                m_dialogs->filesToOpen = { file };
                m_manager->showOpenDialog(nullptr);
            } },
        { "open recent",
            [&] {
                OpenDocument* other = m_manager->newDocument();
                const QList<QAction*> recent = other->window()->openRecentMenu()->actions();
                ASSERT_FALSE(recent.isEmpty());
                recent.front()->trigger();
            } },
        { "second launch",
            [&] {
                SingleInstance running(path(QStringLiteral("instance.socket")));
                ASSERT_EQ(running.start({}), SingleInstance::Role::Primary);
                QObject::connect(&running, &SingleInstance::filesReceived, m_manager.get(), &DocumentManager::openAll);
                SingleInstance later(path(QStringLiteral("instance.socket")));
                EXPECT_EQ(later.start({ file }), SingleInstance::Role::HandedOver);
            } },
    };
    for (const auto& [name, openFile] : ways) {
        crashManager();
        openFile();
        OpenDocument* document = m_manager->documentForPath(file);
        ASSERT_NE(document, nullptr) << name;
        EXPECT_EQ(contentsOf(*document), restoredText) << name;
        EXPECT_TRUE(document->isModified()) << name;
        EXPECT_NE(restoredNotice(*document), nullptr) << name;
        EXPECT_EQ(recoveryFiles().size(), 1) << name;
        const std::vector<OpenDocument*>& documents = m_manager->documents();
        EXPECT_EQ(std::count_if(documents.begin(), documents.end(),
                      [&](const OpenDocument* open) { return !open->isUntitled() || open->isModified(); }),
            1)
            << name;
    }
    EXPECT_TRUE(m_dialogs->errors.isEmpty());
}

TEST_F(DocumentManagerTest, DiscardingRestoredTextShowsTheFileAsItIsOnDisk)
{
    const QString file = writeFile(QStringLiteral("grace.md"), sermonText);
    crashWhileTyping(file, restoredText);
    ASSERT_EQ(m_manager->recoverUnsavedDocuments(), 1);
    OpenDocument* restored = m_manager->documents().front();

    // A file that cannot be shown keeps the restored text in place.
    writeFile(QStringLiteral("grace.md"), QByteArray());
    ASSERT_TRUE(restoredNotice(*restored)->trigger(QStringLiteral("Discard Restored Changes")));
    EXPECT_EQ(m_dialogs->errors.size(), 1);
    ASSERT_EQ(m_manager->documents().front(), restored);
    EXPECT_EQ(contentsOf(*restored), restoredText);
    EXPECT_EQ(recoveryFiles().size(), 1);

    writeFile(QStringLiteral("grace.md"), sermonText);
    m_manager->discardRecoveredChanges(*restored);
    ASSERT_EQ(m_manager->documents().size(), 1u);
    OpenDocument* shown = m_manager->documents().front();
    EXPECT_EQ(shown->filePath(), file);
    EXPECT_EQ(shown->document().root()->text(), QStringLiteral("Grace"));
    EXPECT_FALSE(shown->isModified());
    EXPECT_EQ(restoredNotice(*shown), nullptr);
    EXPECT_EQ(readFile(file), sermonText);
    EXPECT_TRUE(recoveryFolderEntries().isEmpty());

    // Discarding was one click too many: the restored words come back with Undo, and are kept.
    ASSERT_NE(shown->window(), nullptr);
    shown->window()->undoAction()->trigger();
    EXPECT_EQ(contentsOf(*shown), restoredText);
    EXPECT_TRUE(shown->isModified());
    timerOf(*shown).fire();
    EXPECT_EQ(readFile(file), restoredText);
    shown->window()->redoAction()->trigger();
    timerOf(*shown).fire();
    EXPECT_EQ(readFile(file), sermonText);
    crashManager();
    EXPECT_EQ(m_manager->recoverUnsavedDocuments(), 0);
}

TEST_F(DocumentManagerTest, RestoredTextOverAFileChangedSinceWaitsForTheUsersChoice)
{
    const QString file = writeFile(QStringLiteral("grace.md"), sermonText);
    crashWhileTyping(file, restoredText);
    const QByteArray theirs = "# Theirs\n";
    writeFile(QStringLiteral("grace.md"), theirs);
    ASSERT_EQ(m_manager->recoverUnsavedDocuments(), 1);
    OpenDocument* document = m_manager->documents().front();
    NoticeBar* notice = restoredNotice(*document);
    ASSERT_NE(notice, nullptr);
    EXPECT_TRUE(notice->text().contains(QStringLiteral("changed on disk"))) << notice->text().toStdString();
    EXPECT_EQ(notice->actionTitles(),
        QStringList({ QStringLiteral("Keep Restored Changes"), QStringLiteral("Discard Restored Changes") }));

    // Not while typing, not at session end, not by a save without asking first.
    edit(*document, QStringLiteral("Ours"));
    timerOf(*document).fire();
    EXPECT_TRUE(m_dialogs->conflicts.empty());
    EXPECT_TRUE(recoveryText().contains("# Ours\n"));
    m_manager->saveAllWithoutAsking();
    m_dialogs->conflictChoices = { DocumentDialogs::ConflictChoice::Cancel };
    EXPECT_FALSE(m_manager->save(*document));
    EXPECT_EQ(m_dialogs->conflicts.size(), 1u);
    EXPECT_EQ(readFile(file), theirs);

    notice->trigger(QStringLiteral("Keep Restored Changes"));
    EXPECT_EQ(restoredNotice(*document), nullptr);
    timerOf(*document).fire();
    EXPECT_TRUE(readFile(file).contains("# Ours\n"));
    EXPECT_FALSE(document->isModified());
    EXPECT_TRUE(recoveryFolderEntries().isEmpty());
}

TEST_F(DocumentManagerTest, RestoredTextOfAFileThatIsGoneOpensOnItsOwn)
{
    const QString file = writeFile(QStringLiteral("grace.md"), sermonText);
    crashWhileTyping(file, restoredText);
    ASSERT_TRUE(QFile::remove(file));
    ASSERT_EQ(m_manager->recoverUnsavedDocuments(), 1);
    OpenDocument* document = m_manager->documents().front();
    EXPECT_TRUE(document->isUntitled());
    EXPECT_EQ(document->displayName(), QStringLiteral("grace.md (Recovered)"));
    EXPECT_EQ(restoredNotice(*document), nullptr);
    m_dialogs->savePaths = { file };
    ASSERT_TRUE(m_manager->save(*document));
    EXPECT_EQ(m_dialogs->suggestedPaths, QStringList({ file }));
    EXPECT_EQ(readFile(file), restoredText);
    EXPECT_TRUE(recoveryFolderEntries().isEmpty());
}

TEST_F(DocumentManagerTest, CopyThatTheFileHoldsAlreadyIsDroppedQuietly)
{
    // Killed after the save and before the copy went.
    const QString file = writeFile(QStringLiteral("grace.md"), sermonText);
    crashWhileTyping(file, restoredText);
    writeFile(QStringLiteral("grace.md"), restoredText);
    ASSERT_EQ(m_manager->recoverUnsavedDocuments(), 1);
    OpenDocument* document = m_manager->documents().front();
    EXPECT_EQ(document->filePath(), file);
    EXPECT_FALSE(document->isModified());
    EXPECT_EQ(restoredNotice(*document), nullptr);
    EXPECT_TRUE(recoveryFolderEntries().isEmpty());
}

TEST_F(DocumentManagerTest, SavingWithoutQuestionsKeepsEverythingForTheNextStart)
{
    const QString file = writeFile(QStringLiteral("grace.md"), sermonText);
    const QString conflicted = writeFile(QStringLiteral("conflicted.md"), sermonText);
    OpenDocument* titled = m_manager->open(file);
    OpenDocument* changedOnDisk = m_manager->open(conflicted);
    OpenDocument* untitled = m_manager->newDocument();
    edit(*titled, QStringLiteral("In place"));
    edit(*changedOnDisk, QStringLiteral("Ours"));
    writeFile(QStringLiteral("conflicted.md"), "# Theirs\n");
    edit(*untitled, QStringLiteral("Draft"));

    m_manager->saveAllWithoutAsking();
    EXPECT_TRUE(m_dialogs->conflicts.empty());
    EXPECT_TRUE(m_dialogs->errors.isEmpty());
    EXPECT_TRUE(readFile(file).contains("# In place\n"));
    EXPECT_EQ(readFile(conflicted), "# Theirs\n");
    EXPECT_EQ(recoveryFiles().size(), 2);

    crashManager();
    EXPECT_EQ(m_manager->recoverUnsavedDocuments(), 2);
    QStringList names;
    for (OpenDocument* document : m_manager->documents())
        names.append(document->displayName());
    names.sort();
    EXPECT_EQ(names, QStringList({ QStringLiteral("Draft"), QStringLiteral("conflicted.md") }));
    // And the versions first opened, which neither file holds any longer.
    for (const QString& opened : { file, conflicted }) {
        OpenDocument* document = m_manager->open(opened);
        ASSERT_NE(document, nullptr);
        m_dialogs->revertChoice = true;
        EXPECT_TRUE(m_manager->revertToOpenedVersion(*document)) << opened.toStdString();
        EXPECT_EQ(contentsOf(*document), written(sermonText)) << opened.toStdString();
    }
}

TEST_F(DocumentManagerTest, SessionEndRemovesAnOutdatedCopyOnceWrittenAndKeepsItWhenTheWriteFails)
{
    const QString file = writeFile(QStringLiteral("grace.md"), sermonText);
    OpenDocument* document = m_manager->open(file);
    ASSERT_NE(document, nullptr);
    failWritesTo(file);
    edit(*document, QStringLiteral("First"));
    timerOf(*document).fire();
    ASSERT_TRUE(recoveryText().contains("# First\n"));

    m_manager->setFileWriter(&writeFileAtomically);
    edit(*document, QStringLiteral("Second"));
    m_manager->saveAllWithoutAsking();
    EXPECT_TRUE(readFile(file).contains("# Second\n"));
    EXPECT_TRUE(recoveryFiles().isEmpty());

    failWritesTo(file);
    edit(*document, QStringLiteral("Third"));
    timerOf(*document).fire();
    edit(*document, QStringLiteral("Fourth"));
    m_manager->saveAllWithoutAsking();
    EXPECT_TRUE(m_keptWhenWriteFailed.contains("# Third\n"));
    EXPECT_TRUE(readFile(file).contains("# Second\n"));
    EXPECT_EQ(recoveryFiles().size(), 1);
    EXPECT_TRUE(recoveryText().contains("# Fourth\n"));
}

// Once the user chose to replace the other program's version, the file is ours again: later
// words reach it in place when the session ends, not only the recovery folder.
TEST_F(DocumentManagerTest, AfterReplacingAFileChangedOnDiskSessionEndWritesInPlace)
{
    const struct {
        const char* name;
        std::function<void(OpenDocument& document)> save;
    } cases[] {
        { "autosave", [this](OpenDocument& document) { timerOf(document).fire(); } },
        { "save", [this](OpenDocument& document) { EXPECT_TRUE(m_manager->save(document)); } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString name = QStringLiteral("%1.md").arg(QString::fromLatin1(c.name));
        const QString file = writeFile(name, sermonText);
        OpenDocument* document = m_manager->open(file);
        ASSERT_NE(document, nullptr);
        writeFile(name, "# Theirs\n");
        edit(*document, QStringLiteral("Replaced"));
        m_dialogs->conflictChoices = { DocumentDialogs::ConflictChoice::Overwrite };
        c.save(*document);
        ASSERT_EQ(m_dialogs->conflicts.size(), 1u);
        ASSERT_TRUE(readFile(file).contains("# Replaced\n"));

        edit(*document, QStringLiteral("Later"));
        m_manager->saveAllWithoutAsking();
        EXPECT_TRUE(readFile(file).contains("# Later\n"));
        EXPECT_TRUE(recoveryFiles().isEmpty());
        m_dialogs->conflicts.clear();
    }
}

// Left open or answered with Cancel, the question about a file changed on disk keeps session
// end from writing over it, even once the file reads as we last saw it; the words wait in the
// safety copy.
TEST_F(DocumentManagerTest, SessionEndNeverWritesOverAFileWhoseChangeQuestionWasLeftOpen)
{
    for (const bool isAnswered : { false, true }) {
        SCOPED_TRACE(isAnswered ? "answered with Cancel" : "still open");
        const QString name = QStringLiteral("grace-%1.md").arg(isAnswered);
        const QString file = writeFile(name, sermonText);
        OpenDocument* document = m_manager->open(file);
        ASSERT_NE(document, nullptr);
        const QString ours = QStringLiteral("Ours %1").arg(isAnswered);
        edit(*document, ours);
        writeFile(name, "# Theirs\n");
        const auto changedBackThenSessionEnds = [&] {
            writeFile(name, sermonText);
            m_manager->saveAllWithoutAsking();
        };
        if (!isAnswered)
            m_dialogs->whileAsking = changedBackThenSessionEnds;
        m_dialogs->conflictChoices = { DocumentDialogs::ConflictChoice::Cancel };
        timerOf(*document).fire();
        m_dialogs->whileAsking = {};
        ASSERT_EQ(m_dialogs->conflicts.size(), 1u + isAnswered);
        if (isAnswered)
            changedBackThenSessionEnds();
        EXPECT_EQ(readFile(file), sermonText);
        EXPECT_TRUE(recoveryText().contains("# " + ours.toUtf8() + '\n'));
    }
}

TEST_F(DocumentManagerTest, RecoveryTakesOnlyItsOwnCopiesAndDeletesOnlyEmptyOnes)
{
    ASSERT_TRUE(QDir().mkpath(path(QStringLiteral("recovery"))));
    const QString empty = QStringLiteral("recovery/0d6a5c1e-3f7b-4c2a-9e8d-1b2c3d4e5f60.md");
    const QString latin1Copy = QStringLiteral("recovery/7e1f2a3b-4c5d-4e6f-8a9b-0c1d2e3f4a5b.md");
    const QByteArray latin1 = "# Gr\xe2"
                              "ce \xff\xfe\n";
    writeFile(empty, QByteArray());
    writeFile(empty + QStringLiteral(".origin"), path(QStringLiteral("gone.md")).toUtf8());
    writeFile(latin1Copy, latin1);
    writeFile(latin1Copy + QStringLiteral(".origin"), path(QStringLiteral("gone.md")).toUtf8());
    writeFile(QStringLiteral("recovery/3c4d5e6f-7a8b-4c9d-8e0f-1a2b3c4d5e6f.md"), sermonText);
    // Files someone keeps there, named otherwise, are theirs.
    writeFile(QStringLiteral("recovery/Notes.md"), sermonText);
    writeFile(QStringLiteral("recovery/blank.md"), QByteArray());
    writeFile(QStringLiteral("recovery/3C4D5E6F-7A8B-4C9D-8E0F-1A2B3C4D5E6F.md"), sermonText);

    EXPECT_EQ(m_manager->recoverUnsavedDocuments(), 1);
    EXPECT_FALSE(QFile::exists(path(empty)));
    EXPECT_FALSE(QFile::exists(path(empty + QStringLiteral(".origin"))));
    EXPECT_EQ(readFile(path(latin1Copy)), latin1);
    EXPECT_TRUE(QFile::exists(path(latin1Copy + QStringLiteral(".origin"))));
    ASSERT_EQ(m_manager->documents().size(), 1u);
    m_dialogs->saveChoices = { DocumentDialogs::SaveChoice::DontSave };
    EXPECT_TRUE(m_manager->close(*m_manager->documents().front()));
    EXPECT_EQ(readFile(path(QStringLiteral("recovery/Notes.md"))), sermonText);
    EXPECT_TRUE(QFile::exists(path(QStringLiteral("recovery/blank.md"))));
    EXPECT_EQ(m_manager->recoverUnsavedDocuments(), 0);
}

TEST_F(DocumentManagerTest, SafetyCopyIsNeverASermonsFile)
{
    OpenDocument* document = m_manager->newDocument();
    edit(*document, QStringLiteral("Only here"));
    recoveryTimerOf(*document).fire();
    ASSERT_EQ(recoveryFiles().size(), 1);
    const QString copy = path(QStringLiteral("recovery/") + recoveryFiles().front());

    // Saved over the copy, or anywhere in its folder, or through a link into it: refused,
    // and the text stays where it was.
    ASSERT_TRUE(QFile::link(copy, path(QStringLiteral("link.md"))));
    m_dialogs->savePaths = { copy, path(QStringLiteral("recovery/Mine.md")), path(QStringLiteral("link.md")) };
    for (int attempt = 0; attempt < 3; ++attempt)
        EXPECT_FALSE(m_manager->saveAs(*document)) << attempt;
    ASSERT_EQ(m_dialogs->errors.size(), 3);
    EXPECT_TRUE(m_dialogs->errors.front().contains(QDir::toNativeSeparators(path(QStringLiteral("recovery")))));
    EXPECT_TRUE(document->isUntitled());
    EXPECT_TRUE(document->isModified());
    EXPECT_TRUE(readFile(copy).contains("# Only here\n"));
    EXPECT_EQ(recoveryFiles().size(), 1);

    // Opened by hand, the copy is the window that keeps it.
    EXPECT_EQ(m_manager->open(copy), document);
    EXPECT_EQ(m_manager->documents().size(), 1u);
}
