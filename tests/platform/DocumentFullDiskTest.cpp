#include "DocumentManagerFixture.h"

#include "support/FileSizeLimit.h"

#include <QTextBoundaryFinder>

#include <gtest/gtest.h>

#include <cerrno>
#include <functional>

using namespace kestrion;
using namespace kestrion::test;

// Saving with the real writer onto a disk with no room left, and under names too long to save.

namespace {

// No room for the document's text as it stands: the last byte of it does not fit.
rlim_t roomForAllButTheLastByteOf(const QByteArray& contents)
{
    return static_cast<rlim_t>(contents.size() - 1);
}

} // namespace

TEST_F(DocumentManagerTest, AWriteOntoAFullDiskLeavesTheFileTheEditedWindowAndTheCopyAndTheNextSaveAsksNothing)
{
    const struct {
        const char* name;
        std::function<void(OpenDocument& document)> write;
        bool isReported;
    } ways[] {
        { "save", [this](OpenDocument& document) { EXPECT_FALSE(m_manager->save(document)); }, true },
        { "autosave", [this](OpenDocument& document) { timerOf(document).fire(); }, true },
        { "session end", [this](OpenDocument&) { m_manager->saveAllWithoutAsking(); }, false },
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.name);
        const QString file = writeFile(QString::fromLatin1(way.name) + QStringLiteral(".md"), sermonText);
        OpenDocument* document = m_manager->open(file);
        ASSERT_NE(document, nullptr);
        edit(*document, QStringLiteral("Saved before"));
        ASSERT_TRUE(m_manager->save(*document));
        const QByteArray before = readFile(file);
        edit(*document, QStringLiteral("Typed with the disk full"));
        recoveryTimerOf(*document).fire();
        ASSERT_TRUE(recoveryText().contains("# Typed with the disk full\n"));
        m_dialogs->errors.clear();
        m_dialogs->saveAsOffers = 0;

        {
            const FileSizeLimit full(roomForAllButTheLastByteOf(contentsOf(*document)));
            ASSERT_TRUE(full.isSet());
            way.write(*document);
        }
        EXPECT_EQ(readFile(file), before);
        EXPECT_TRUE(document->isModified());
        EXPECT_TRUE(document->window()->isWindowModified());
        EXPECT_TRUE(recoveryText().contains("# Typed with the disk full\n"));
        if (way.isReported) {
            ASSERT_EQ(m_dialogs->errors.size(), 1);
            EXPECT_TRUE(m_dialogs->errors.front().contains(
                QDir::toNativeSeparators(file) + QStringLiteral("” could not be saved: ") + qt_error_string(EFBIG)))
                << m_dialogs->errors.front().toStdString();
            EXPECT_EQ(m_dialogs->saveAsOffers, 1);
        } else {
            EXPECT_TRUE(m_dialogs->errors.isEmpty());
        }

        // Room again: the file on disk is still the one the window knows.
        ASSERT_TRUE(m_manager->save(*document));
        EXPECT_TRUE(m_dialogs->conflicts.empty());
        EXPECT_EQ(readFile(file), contentsOf(*document));
        EXPECT_FALSE(document->isModified());
        EXPECT_TRUE(recoveryFiles().isEmpty());
        EXPECT_TRUE(m_manager->close(*document));
    }
}

TEST_F(DocumentManagerTest, ANewSermonsFirstSaveOntoAFullDiskMakesNoFileAndKeepsTheCopy)
{
    OpenDocument* document = m_manager->newDocument();
    edit(*document, QStringLiteral("First words"));
    recoveryTimerOf(*document).fire();
    const QString file = path(QStringLiteral("first.md"));
    m_dialogs->savePaths = { file };
    {
        const FileSizeLimit full(roomForAllButTheLastByteOf(contentsOf(*document)));
        ASSERT_TRUE(full.isSet());
        EXPECT_FALSE(m_manager->saveAs(*document));
    }
    EXPECT_FALSE(QFile::exists(file));
    EXPECT_TRUE(document->isUntitled());
    EXPECT_TRUE(document->isModified());
    EXPECT_EQ(recoveryText(), contentsOf(*document));
    ASSERT_EQ(m_dialogs->errors.size(), 1);
    EXPECT_TRUE(m_dialogs->errors.front().contains(qt_error_string(EFBIG))) << m_dialogs->errors.front().toStdString();

    m_dialogs->savePaths = { file };
    ASSERT_TRUE(m_manager->saveAs(*document));
    EXPECT_EQ(readFile(file), contentsOf(*document));
    EXPECT_TRUE(recoveryFiles().isEmpty());
}

// A write that fails after the file was replaced (its folder could not be synced) left our
// text there: the next save writes without asking. Anything else there is asked about.
TEST_F(DocumentManagerTest, AFailedWriteThatLeftTheFileChangedIsAskedAboutOnlyWhenTheFileIsNotOurs)
{
    const struct {
        const char* name;
        std::function<QByteArray(const QByteArray& contents)> left;
        bool asks;
    } cases[] {
        { "ours", [](const QByteArray& contents) { return contents; }, false },
        { "cut short", [](const QByteArray& contents) { return contents.left(contents.size() / 2); }, true },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString file = writeFile(QString::fromLatin1(c.name) + QStringLiteral(".md"), sermonText);
        OpenDocument* document = m_manager->open(file);
        ASSERT_NE(document, nullptr);
        edit(*document, QStringLiteral("Ours"));
        m_manager->setFileWriter([&](const QString& target, const QByteArray& contents, QString* error) {
            if (target != file)
                return writeFileAtomically(target, contents, error);
            EXPECT_TRUE(writeFileAtomically(target, c.left(contents), error));
            *error = QStringLiteral("its folder could not be written to disk");
            return false;
        });
        EXPECT_FALSE(m_manager->save(*document));
        EXPECT_TRUE(document->isModified());
        m_manager->setFileWriter(&writeFileAtomically);

        m_dialogs->conflicts.clear();
        m_dialogs->conflictChoices = { DocumentDialogs::ConflictChoice::Overwrite };
        ASSERT_TRUE(m_manager->save(*document));
        EXPECT_EQ(m_dialogs->conflicts.size(), c.asks ? 1u : 0u);
        EXPECT_EQ(readFile(file), contentsOf(*document));
        EXPECT_FALSE(document->isModified());
    }
}

TEST_F(DocumentManagerTest, AFailedSaveOffersSaveAsAndSavingThereMovesTheWindow)
{
    const std::pair<const char*, std::function<void(OpenDocument & document)>> ways[] = {
        { "save", [this](OpenDocument& document) { EXPECT_TRUE(m_manager->save(document)); } },
        { "autosave", [this](OpenDocument& document) { timerOf(document).fire(); } },
    };
    for (const auto& [name, write] : ways) {
        SCOPED_TRACE(name);
        const QString file = writeFile(QString::fromLatin1(name) + QStringLiteral(".md"), sermonText);
        OpenDocument* document = m_manager->open(file);
        ASSERT_NE(document, nullptr);
        edit(*document, QStringLiteral("Saved elsewhere"));
        failWritesTo(file);
        const QString elsewhere = path(QString::fromLatin1(name) + QStringLiteral(" elsewhere.md"));
        m_dialogs->saveAsAnswers = { true };
        m_dialogs->savePaths = { elsewhere };
        write(*document);
        EXPECT_EQ(readFile(file), sermonText);
        EXPECT_EQ(readFile(elsewhere), contentsOf(*document));
        EXPECT_EQ(document->filePath(), QFileInfo(elsewhere).canonicalFilePath());
        EXPECT_FALSE(document->isModified());
        EXPECT_TRUE(recoveryFiles().isEmpty());
        EXPECT_TRUE(m_manager->close(*document));
    }
}

// The name proposed for a new sermon with a long title can be saved over again, cut between
// whole characters with its extension kept.
TEST_F(DocumentManagerTest, ALongTitleIsProposedANameThatSavesEveryTime)
{
    QString family;
    for (int i = 0; i < 40; ++i)
        family += QString::fromUtf16(u"\U0001F468\u200D\U0001F469\u200D\U0001F467");
    const QString titles[] = { QString(260, u'a'), QString(200, QChar(0x00E9)), family };
    for (const QString& title : titles) {
        SCOPED_TRACE(title.toStdString());
        OpenDocument* document = m_manager->newDocument(std::make_unique<SermonDocument>(), title);
        edit(*document, title);
        m_dialogs->suggestedPaths.clear();
        EXPECT_FALSE(m_manager->saveAs(*document));
        ASSERT_EQ(m_dialogs->suggestedPaths.size(), 1);
        const QString proposed = QFileInfo(m_dialogs->suggestedPaths.front()).fileName();
        EXPECT_LE(QFile::encodeName(proposed).size(), longestWritableFileName);
        ASSERT_TRUE(proposed.endsWith(QStringLiteral(".md")));
        const QString stem = proposed.chopped(3);
        EXPECT_FALSE(stem.isEmpty());
        EXPECT_TRUE(title.startsWith(stem));
        QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, title);
        graphemes.setPosition(stem.size());
        EXPECT_TRUE(graphemes.isAtBoundary());

        m_dialogs->savePaths = { path(proposed) };
        ASSERT_TRUE(m_manager->saveAs(*document));
        edit(*document, title + QStringLiteral(" again"));
        EXPECT_TRUE(m_manager->save(*document));
        EXPECT_EQ(readFile(path(proposed)), contentsOf(*document));
        EXPECT_TRUE(m_dialogs->errors.isEmpty()) << m_dialogs->errors.join(u'\n').toStdString();
        EXPECT_TRUE(m_manager->close(*document));
    }
}

// A file another program named too long to be saved over: the save says why and offers Save
// As, under a name that fits.
TEST_F(DocumentManagerTest, AnExistingNameTooLongToSaveOverSaysWhyAndOffersANameThatFits)
{
    const QString longName = QString(250 - 3, u'b') + QStringLiteral(".md");
    const QString file = writeFile(longName, sermonText);
    OpenDocument* document = m_manager->open(file);
    ASSERT_NE(document, nullptr);
    edit(*document, QStringLiteral("Kept"));
    m_dialogs->saveAsAnswers = { true };
    EXPECT_FALSE(m_manager->save(*document));
    ASSERT_EQ(m_dialogs->errors.size(), 1);
    EXPECT_TRUE(m_dialogs->errors.front().contains(QStringLiteral("name is too long")))
        << m_dialogs->errors.front().toStdString();
    EXPECT_EQ(m_dialogs->saveAsOffers, 1);
    EXPECT_EQ(readFile(file), sermonText);
    EXPECT_TRUE(document->isModified());
    EXPECT_TRUE(recoveryText().contains("# Kept\n"));

    ASSERT_EQ(m_dialogs->suggestedPaths.size(), 1);
    const QFileInfo proposed(m_dialogs->suggestedPaths.front());
    EXPECT_EQ(proposed.absolutePath(), QFileInfo(file).absolutePath());
    EXPECT_LE(QFile::encodeName(proposed.fileName()).size(), longestWritableFileName);
    EXPECT_TRUE(longName.startsWith(proposed.fileName().chopped(3)));
    EXPECT_TRUE(proposed.fileName().endsWith(QStringLiteral(".md")));
}

// The words are kept nowhere else: the message says why the copy could not be made.
TEST_F(DocumentManagerTest, ASafetyCopyOntoAFullDiskSaysWhyItCouldNotBeWritten)
{
    OpenDocument* document = m_manager->newDocument();
    edit(*document, QStringLiteral("Nowhere else"));
    {
        const FileSizeLimit full(0);
        ASSERT_TRUE(full.isSet());
        recoveryTimerOf(*document).fire();
    }
    ASSERT_EQ(m_dialogs->errors.size(), 1);
    EXPECT_TRUE(
        m_dialogs->errors.front().startsWith(QStringLiteral("A safety copy of “Untitled” could not be written")))
        << m_dialogs->errors.front().toStdString();
    EXPECT_TRUE(m_dialogs->errors.front().contains(qt_error_string(EFBIG))) << m_dialogs->errors.front().toStdString();
    EXPECT_TRUE(recoveryFiles().isEmpty());
    EXPECT_TRUE(recoveryTimerOf(*document).isActive());

    recoveryTimerOf(*document).fire();
    EXPECT_EQ(recoveryText(), contentsOf(*document));
}

// A failed save reported does not silence a failed copy, nor the other way round.
TEST_F(DocumentManagerTest, AFailedSaveAndAFailedSafetyCopyAreEachReported)
{
    const QString file = writeFile(QStringLiteral("grace.md"), sermonText);
    OpenDocument* document = m_manager->open(file);
    ASSERT_NE(document, nullptr);
    failWritesTo(file);
    // Nothing can be made where the copies go.
    writeFile(QStringLiteral("recovery"), "not a folder");

    edit(*document, QStringLiteral("Copy first"));
    recoveryTimerOf(*document).fire();
    timerOf(*document).fire();
    ASSERT_EQ(m_dialogs->errors.size(), 2);
    EXPECT_TRUE(m_dialogs->errors.at(0).startsWith(QStringLiteral("A safety copy")))
        << m_dialogs->errors.at(0).toStdString();
    EXPECT_TRUE(m_dialogs->errors.at(1).startsWith(QStringLiteral("The file")))
        << m_dialogs->errors.at(1).toStdString();

    // Reported once each while the trouble lasts.
    edit(*document, QStringLiteral("Then again"));
    recoveryTimerOf(*document).fire();
    timerOf(*document).fire();
    EXPECT_EQ(m_dialogs->errors.size(), 2);
}
