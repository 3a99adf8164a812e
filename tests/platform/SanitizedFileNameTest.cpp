#include "platform/SanitizedFileName.h"

#include <QTextBoundaryFinder>

#include <gtest/gtest.h>

using namespace kestrion;

namespace {

struct NameCase {
    const char16_t* title;
    const char16_t* expected;
};

class SanitizedFileNameTest : public ::testing::TestWithParam<NameCase> { };

TEST_P(SanitizedFileNameTest, GivesTheExpectedName)
{
    const NameCase& c = GetParam();
    EXPECT_EQ(sanitizedFileName(QString::fromUtf16(c.title)), QString::fromUtf16(c.expected))
        << QString::fromUtf16(c.title).toStdString();
}

INSTANTIATE_TEST_SUITE_P(Titles, SanitizedFileNameTest,
    ::testing::Values(NameCase { u"What: Is Love?", u"What Is Love" }, NameCase { u"A <b> | \"c\" \\ d", u"A b  c  d" },
        NameCase { u"  ..Word", u"Word" }, NameCase { u"///", u"Untitled" }, NameCase { u"", u"Untitled" },
        // Only the run of full stops at the very start goes; the spaces are trimmed after.
        NameCase { u". . .", u". ." },
        // Never a name that means this folder or the one above.
        NameCase { u". .", u"Untitled" }, NameCase { u".. ..", u"Untitled" }, NameCase { u"./..", u"Untitled" },
        // By code point: a slash carrying a combining mark is still a slash.
        NameCase { u"a/\u0301b", u"a\u0301b" }, NameCase { u"Line\u2028Two\nThree\tFour", u"Line Two Three Four" },
        NameCase { u"Bell\u0007\u001B", u"Bell" },
        // A surrogate without its pair cannot be named on disk.
        NameCase { u"Half\xD83D pair\xDE00", u"Half pair" }, NameCase { u"\u00A0 Easter \u2003", u"Easter" }));

TEST(SanitizedFileNameBoundTest, FitsTheByteBoundWithoutCuttingACharacter)
{
    const QString accented = QString(200, QChar(0x00E9));
    EXPECT_EQ(sanitizedFileName(accented), QString(127, QChar(0x00E9)));

    QString emoji;
    for (int i = 0; i < 100; ++i)
        emoji += QString::fromUtf16(u"\U0001F525");
    EXPECT_EQ(sanitizedFileName(emoji).toUtf8().size(), 252);

    // A letter with its combining mark stays whole.
    QString combined;
    for (int i = 0; i < 100; ++i)
        combined += QString::fromUtf16(u"e\u0301");
    const QString bounded = sanitizedFileName(combined, 100);
    EXPECT_LE(bounded.toUtf8().size(), 100);
    EXPECT_TRUE(bounded.endsWith(QChar(0x0301)));
    EXPECT_EQ(sanitizedFileName(QStringLiteral("abc"), 255), QStringLiteral("abc"));
}

} // namespace
