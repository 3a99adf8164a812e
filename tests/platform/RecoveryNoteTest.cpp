#include "DocumentManagerFixture.h"

#include <gtest/gtest.h>

using namespace kestrion;
using namespace kestrion::test;

// The note beside each recovery copy names the file its words belong to: any name exactly,
// or, when it cannot be read for certain, none.

// Each name beside a file that a careless reading of it would name instead.
TEST_F(DocumentManagerTest, RestoredWordsGoBackToTheirOwnFileWhateverItsName)
{
    const QString names[] = { QStringLiteral("new\nline.md"), QStringLiteral("new\r\nline.md"),
        QStringLiteral("100%0A.md"), QStringLiteral("tab\tand space.md"), QStringLiteral("Gnade ü %20.md") };
    const QString other = writeFile(QStringLiteral("new"), "# Someone else's\n");
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        const QString file = writeFile(name, sermonText);
        crashWhileTyping(file, restoredText);
        ASSERT_EQ(m_manager->recoverUnsavedDocuments(), 1);
        OpenDocument* document = m_manager->documents().front();
        EXPECT_EQ(document->filePath(), file);
        EXPECT_EQ(contentsOf(*document), restoredText);

        ASSERT_TRUE(m_manager->save(*document));
        EXPECT_EQ(readFile(file), restoredText);
        EXPECT_EQ(readFile(other), "# Someone else's\n");
        EXPECT_TRUE(m_manager->close(*document));
    }
}

// Notes as earlier versions wrote them are read where their shape leaves no doubt; one that
// cannot be read for certain offers its words as a sermon never saved.
TEST_F(DocumentManagerTest, ACopyWhoseNoteCannotBeReadForCertainIsOfferedAsNeverSaved)
{
    const QString file = writeFile(QStringLiteral("grace.md"), sermonText);
    const QString split = writeFile(QStringLiteral("new\nline.md"), sermonText);
    const QString other = writeFile(QStringLiteral("new"), "# Someone else's\n");
    const DiskFingerprint fingerprint = DiskFingerprint::of(file, sermonText);
    const QByteArray fingerprintLines = QByteArray::number(fingerprint.size) + '\n'
        + QByteArray::number(fingerprint.modified.toMSecsSinceEpoch()) + '\n' + fingerprint.hash.toHex() + '\n';
    const struct {
        const char* name;
        QByteArray note;
        // The file the words go back to; none for a sermon never saved.
        QString origin;
    } cases[] {
        { "earlier, path alone", file.toUtf8(), file },
        { "earlier, path and line feed", file.toUtf8() + '\n', file },
        { "earlier, with fingerprint", file.toUtf8() + '\n' + fingerprintLines, file },
        { "earlier, name split at its line feed", split.toUtf8() + '\n', {} },
        { "earlier, split name with fingerprint", split.toUtf8() + '\n' + fingerprintLines, {} },
        { "earlier, bad fingerprint", file.toUtf8() + "\n12\nnoon\nabc\n", {} },
        { "earlier, not UTF-8",
            "/tmp/gr\xe2"
            "ce.md\n",
            {} },
        { "earlier, relative", "grace.md\n", {} },
        { "current", "Kestrion recovery note 2\npath " + QFile::encodeName(split).toPercentEncoding("/") + '\n',
            split },
        { "current, path not UTF-8", "Kestrion recovery note 2\npath /tmp/gr%E2ce.md\n", {} },
        { "current without a path", "Kestrion recovery note 2\nsize 12\n", {} },
        { "current, path not percent-encoded", "Kestrion recovery note 2\npath " + split.toUtf8() + '\n', {} },
        { "current, relative path", "Kestrion recovery note 2\npath grace.md\n", {} },
        { "current, path twice", "Kestrion recovery note 2\npath " + file.toUtf8() + "\npath " + other.toUtf8() + '\n',
            {} },
        { "current, part of a fingerprint", "Kestrion recovery note 2\npath " + file.toUtf8() + "\nsize 12\n", {} },
        { "empty", QByteArray(), {} },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(QDir().mkpath(path(QStringLiteral("recovery"))));
        const QString copy = QStringLiteral("recovery/5b0c2a4e-8d1f-4e3a-9c7b-2f6e1d0a3b4c.md");
        writeFile(copy, restoredText);
        writeFile(copy + QStringLiteral(".origin"), c.note);

        ASSERT_EQ(m_manager->recoverUnsavedDocuments(), 1);
        OpenDocument* document = m_manager->documents().front();
        EXPECT_EQ(contentsOf(*document), restoredText);
        EXPECT_EQ(document->filePath(), c.origin);
        if (c.origin.isEmpty()) {
            EXPECT_EQ(document->displayName(), QStringLiteral("Grace"));
        }

        for (const QString& untouched : { file, split })
            EXPECT_EQ(readFile(untouched), sermonText);
        EXPECT_EQ(readFile(other), "# Someone else's\n");
        crashManager();
        QDir(path(QStringLiteral("recovery"))).removeRecursively();
    }
}

// Without its note the copy would come back as a sermon never saved: a note that cannot be
// written is reported and tried again, as the copy itself is.
TEST_F(DocumentManagerTest, ANoteThatCouldNotBeWrittenIsReportedAndWrittenAtTheNextTry)
{
    const QString file = writeFile(QStringLiteral("grace.md"), sermonText);
    OpenDocument* document = m_manager->open(file);
    ASSERT_NE(document, nullptr);
    bool isNoteRefused = true;
    m_manager->setFileWriter([&](const QString& target, const QByteArray& contents, QString* error) {
        if (isNoteRefused && target.endsWith(QStringLiteral(".origin"))) {
            *error = QStringLiteral("disk full");
            return false;
        }
        return writeFileAtomically(target, contents, error);
    });
    edit(*document, QStringLiteral("Noted"));
    recoveryTimerOf(*document).fire();
    ASSERT_EQ(m_dialogs->errors.size(), 1);
    EXPECT_TRUE(m_dialogs->errors.front().contains(QStringLiteral("disk full")));
    ASSERT_TRUE(recoveryTimerOf(*document).isActive());

    isNoteRefused = false;
    recoveryTimerOf(*document).fire();
    EXPECT_FALSE(recoveryTimerOf(*document).isActive());
    crashManager();
    ASSERT_EQ(m_manager->recoverUnsavedDocuments(), 1);
    EXPECT_EQ(m_manager->documents().front()->filePath(), file);
    EXPECT_EQ(m_manager->documents().front()->document().root()->text(), QStringLiteral("Noted"));
}
