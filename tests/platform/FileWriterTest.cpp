#include "platform/FileWriter.h"

#include "support/FileSizeLimit.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>

using namespace kestrion;
using kestrion::test::FileSizeLimit;

namespace {

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void putFile(const QString& path, const QByteArray& contents)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(contents), contents.size());
}

QByteArray sermonOf(qsizetype size)
{
    QByteArray text = "# Grace\n\n";
    while (text.size() < size)
        text += "- Words typed on Saturday night\n";
    text.truncate(size - 1);
    return text + '\n';
}

struct CutShortWrite {
    const char* name;
    qsizetype size;
    // How far the file may grow, as a share of the new text: a disk that fills part-way.
    double room;
    bool exists;
};

void PrintTo(const CutShortWrite& c, std::ostream* out)
{
    *out << c.name;
}

class FileWriterCutShortTest : public ::testing::TestWithParam<CutShortWrite> { };

// A small text is buffered and written at the end, where Qt's own commit takes no notice of a
// failure; a long one is written in pieces. Either way the file is whole, old or new.
TEST_P(FileWriterCutShortTest, LeavesTheFileAsItWasAndSaysWhy)
{
    const CutShortWrite& c = GetParam();
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString target = folder.filePath(QStringLiteral("sermon.md"));
    const QByteArray old = "# Grace\n\nLast week's words\n";
    if (c.exists)
        putFile(target, old);
    const QByteArray contents = sermonOf(c.size);

    QString error;
    bool written = true;
    {
        const FileSizeLimit limit(static_cast<rlim_t>(c.room * static_cast<double>(c.size)));
        ASSERT_TRUE(limit.isSet());
        written = writeFileAtomically(target, contents, &error);
    }
    EXPECT_FALSE(written);
    EXPECT_TRUE(error.contains(qt_error_string(EFBIG))) << error.toStdString();
    if (c.exists) {
        EXPECT_EQ(readFile(target), old);
    } else {
        EXPECT_FALSE(QFile::exists(target));
    }
    // Nothing half-written is left beside it.
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
        c.exists ? QStringList { QStringLiteral("sermon.md") } : QStringList());

    // Room again: the whole text goes in.
    error.clear();
    EXPECT_TRUE(writeFileAtomically(target, contents, &error)) << error.toStdString();
    EXPECT_EQ(readFile(target), contents);
}

INSTANTIATE_TEST_SUITE_P(Writes, FileWriterCutShortTest,
    ::testing::Values(CutShortWrite { "SmallNoRoom", 1009, 0.0, true }, CutShortWrite { "SmallHalf", 1009, 0.5, true },
        CutShortWrite { "SmallAllButOneByte", 1009, 0.999, true }, CutShortWrite { "SmallFirstSave", 1009, 0.5, false },
        CutShortWrite { "LongNoRoom", 300000, 0.0, true }, CutShortWrite { "LongHalf", 300000, 0.5, true },
        CutShortWrite { "LongAllButOneByte", 300000, 0.99999, true },
        CutShortWrite { "LongFirstSave", 300000, 0.5, false }),
    [](const ::testing::TestParamInfo<CutShortWrite>& info) { return std::string(info.param.name); });

QString nameOfBytes(qsizetype bytes)
{
    return QString(bytes - 3, u'a') + QStringLiteral(".md");
}

TEST(FileWriterTest, ANameThatCanBeWrittenOverAgainSavesEveryTime)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString target = folder.filePath(nameOfBytes(longestWritableFileName));
    QString error;
    for (const QByteArray& contents : { QByteArray("# First\n"), QByteArray("# Second\n") }) {
        EXPECT_TRUE(writeFileAtomically(target, contents, &error)) << error.toStdString();
        EXPECT_EQ(readFile(target), contents);
    }
}

// Such a name saves once and never again; refused from the start, it says why.
TEST(FileWriterTest, ANameTooLongToWriteOverAgainIsRefusedAndLeftAlone)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QByteArray old = "# Theirs\n";
    for (const qsizetype bytes : { longestWritableFileName + 1, qsizetype(255) }) {
        for (const bool exists : { true, false }) {
            SCOPED_TRACE(testing::Message() << bytes << " bytes, " << (exists ? "existing" : "new"));
            const QString target = folder.filePath(nameOfBytes(bytes));
            QFile::remove(target);
            if (exists)
                putFile(target, old);
            QString error;
            EXPECT_FALSE(writeFileAtomically(target, "# Ours\n", &error));
            EXPECT_TRUE(error.contains(QStringLiteral("name is too long"))) << error.toStdString();
            EXPECT_EQ(QFile::exists(target), exists);
            if (exists) {
                EXPECT_EQ(readFile(target), old);
            }
        }
    }
}

} // namespace
