#include "document/SermonMetadata.h"
#include "document/Yaml.h"
#include "document/YamlDate.h"

#include <gtest/gtest.h>

using namespace kestrion;

namespace {

SermonMetadata decodeText(const QString& yaml)
{
    const YamlParseResult parsed = Yaml::parse(yaml);
    EXPECT_TRUE(parsed.root.has_value()) << parsed.error.toStdString();
    if (!parsed.root)
        return {};
    const auto metadata = SermonMetadata::decode(*parsed.root);
    EXPECT_TRUE(metadata.has_value());
    return metadata.value_or(SermonMetadata {});
}

QString encodeText(const SermonMetadata& metadata)
{
    return Yaml::emit(metadata.encode()).value_or(QStringLiteral("<emit failed>"));
}

SermonOccasion occasion(const QString& place, int y, int m, int d)
{
    SermonOccasion o;
    o.place = place;
    o.date = QDate(y, m, d);
    return o;
}

} // namespace

TEST(SermonMetadataTest, ReadsEachFieldOnItsOwn)
{
    const SermonMetadata onlySeries = decodeText("series: Advent\n");
    EXPECT_TRUE(onlySeries.occasions.empty());
    EXPECT_EQ(onlySeries.scripture, "");
    EXPECT_EQ(onlySeries.series, "Advent");
    EXPECT_FALSE(onlySeries.duration);

    const SermonMetadata all = decodeText("scripture: '  John 3:16 '\nduration: 25\nextra: [1, 2]\nseries: ~\n");
    EXPECT_EQ(all.scripture, "  John 3:16 ");
    EXPECT_EQ(all.series, "");
    EXPECT_EQ(all.duration, 25);

    const SermonMetadata badDuration = decodeText("duration: half an hour\nscripture: Ps 23\n");
    EXPECT_FALSE(badDuration.duration);
    EXPECT_EQ(badDuration.scripture, "Ps 23");

    EXPECT_EQ(decodeText("duration: -3\n").duration, -3);
    EXPECT_EQ(decodeText("duration: 0\n").duration, 0);
    EXPECT_FALSE(decodeText("duration: \"30\"\n").duration) << "a quoted number is text";
    EXPECT_EQ(decodeText("scripture: 123\n").scripture, "123") << "a number reads as text too";
    EXPECT_EQ(decodeText("scripture: [a]\n").scripture, "") << "a sequence is not text";
}

TEST(SermonMetadataTest, BadOccasionsAreDroppedAndTheRestKeptInFileOrder)
{
    const SermonMetadata m = decodeText("occasions:\n"
                                        "  - place: First\n    date: 2024-01-07\n"
                                        "  - place: No date\n"
                                        "  - place: Third\n    date: 2023-05-01\n"
                                        "  - place: Words\n    date: March 3\n"
                                        "  - place: Slashes\n    date: 10/03/2024\n"
                                        "  - date: 2022-02-02\n"
                                        "  - just a scalar\n"
                                        "  - place: Bad day\n    date: 2024-02-30\n");
    ASSERT_EQ(m.occasions.size(), 3u);
    EXPECT_EQ(m.occasions[0].place, "First");
    EXPECT_EQ(m.occasions[1].place, "Third");
    EXPECT_EQ(m.occasions[1].date, QDate(2023, 5, 1));
    EXPECT_EQ(m.occasions[2].place, "");
    EXPECT_EQ(m.occasions[2].date, QDate(2022, 2, 2));

    const SermonMetadata scalar = decodeText("occasions: Sunday\nseries: S\n");
    EXPECT_TRUE(scalar.occasions.empty());
    EXPECT_EQ(scalar.series, "S");
}

TEST(SermonMetadataTest, OnlyAMappingDecodes)
{
    for (const char* text : { "- a\n- b\n", "just text\n", "" }) {
        const auto parsed = Yaml::parse(QString::fromUtf8(text));
        ASSERT_TRUE(parsed.root);
        QString error;
        EXPECT_FALSE(SermonMetadata::decode(*parsed.root, &error)) << text;
        EXPECT_FALSE(error.isEmpty());
    }
}

TEST(SermonMetadataTest, DatesAreCalendarDays)
{
    QString error;
    const auto date = YamlDate::decode(YamlNode::text("2024-03-10"), &error);
    ASSERT_TRUE(date);
    EXPECT_EQ(date->wrappedValue, QDate(2024, 3, 10));
    EXPECT_EQ(date->encode().scalar, "2024-03-10");
    EXPECT_EQ(YamlDate::format(QDate(33, 4, 3)), "0033-04-03");

    EXPECT_FALSE(YamlDate::decode(YamlNode::text("March 3"), &error));
    EXPECT_EQ(error, "Expected yyyy-MM-dd, got \"March 3\"");
    EXPECT_FALSE(YamlDate::decode(YamlNode::sequence({}), &error));
    EXPECT_FALSE(YamlDate::parse("2024-3-10"));
    EXPECT_FALSE(YamlDate::parse("2024-03-10T00:00:00Z"));
    EXPECT_FALSE(YamlDate::parse("2024-03-10\n"));

    // A block scalar keeps its final line feed: not a date.
    const SermonMetadata block = decodeText("occasions:\n- place: Block\n  date: |\n    2024-03-10\n"
                                            "- place: Stripped\n  date: |-\n    2024-03-10\n");
    ASSERT_EQ(block.occasions.size(), 1u);
    EXPECT_EQ(block.occasions[0].place, "Stripped");
}

TEST(SermonMetadataTest, WritesOnlyWhatIsSetInKeyOrderNewestOccasionFirst)
{
    SermonMetadata m;
    EXPECT_TRUE(m.isEmpty());
    EXPECT_TRUE(m.encode().entries.empty());

    m.duration = 0;
    EXPECT_EQ(encodeText(m), "duration: 0\n");

    m.occasions = { occasion("A", 2024, 1, 7), occasion("B", 2024, 3, 3), occasion("C", 2024, 1, 7) };
    m.series = "Advent";
    m.scripture = " ";
    EXPECT_EQ(encodeText(m),
        "occasions:\n"
        "- place: B\n  date: 2024-03-03\n"
        "- place: A\n  date: 2024-01-07\n"
        "- place: C\n  date: 2024-01-07\n"
        "scripture: ' '\n"
        "series: Advent\n"
        "duration: 0\n");
    EXPECT_EQ(m.occasions[0].place, "A") << "the details keep their own order";
}

TEST(SermonMetadataTest, EveryWrittenStringReadsBackAsTheSameText)
{
    const QStringList awkward = {
        "",
        "~",
        "null",
        "NULL",
        "true",
        "no",
        "On",
        "123",
        "-7",
        "0x1F",
        "1.5",
        ".inf",
        "1e3",
        "12:30",
        "- dash",
        "# hash",
        "key: value",
        "'quoted'",
        "\"double\"",
        "a\nb",
        "line\r\nbreak",
        "---",
        "a\n---\nb",
        "...",
        "& anchor",
        "* alias",
        "! tag",
        "% directive",
        "@at",
        "`tick`",
        "{ flow }",
        "[seq]",
        "  padded  ",
        "tab\there",
        "ü ñ 中文 🙂",
        QString(QChar(0x2028)) + "sep",
        "trailing:",
        "|",
        ">",
        "?",
        "2024-03-10",
        QString(QChar(0x0007)) + "bell",
        // Pasted from a web page: only a file's first character is a byte-order mark.
        QString(QChar(0xFEFF)) + "zero-width start",
        QString(QChar(0xFEFF)),
    };
    for (const QString& text : awkward) {
        SermonMetadata m;
        m.scripture = text.isEmpty() ? QStringLiteral("x") : text;
        m.series = text;
        m.occasions = { occasion(text, 2020, 2, 29) };
        const QString yaml = encodeText(m);
        for (const QString& line : yaml.split('\n'))
            EXPECT_NE(line.trimmed(), "---") << "a written line closes the front matter: " << yaml.toStdString();
        const SermonMetadata back = decodeText(yaml);
        EXPECT_EQ(back.scripture, m.scripture) << yaml.toStdString();
        EXPECT_EQ(back.series, m.series) << yaml.toStdString();
        ASSERT_EQ(back.occasions.size(), 1u) << yaml.toStdString();
        EXPECT_EQ(back.occasions[0].place, text) << yaml.toStdString();
        EXPECT_EQ(back.occasions[0].date, QDate(2020, 2, 29));
    }
}

TEST(SermonMetadataTest, HandWrittenTextKeepsALeadingZeroWidthNoBreakSpace)
{
    const SermonMetadata m = decodeText(QStringLiteral("scripture: \"\\uFEFFJohn 1\"\nseries: \uFEFFSigns\n"
                                                       "occasions:\n- place: '\uFEFFHall'\n  date: 2024-03-10\n"));
    EXPECT_EQ(m.scripture, QStringLiteral("\uFEFFJohn 1"));
    EXPECT_EQ(m.series, QStringLiteral("\uFEFFSigns"));
    ASSERT_EQ(m.occasions.size(), 1u);
    EXPECT_EQ(m.occasions[0].place, QStringLiteral("\uFEFFHall"));
}

TEST(SermonMetadataTest, TwoReadsOfOneFileAreNotEqualButACopyIs)
{
    const QString yaml = "occasions:\n- place: P\n  date: 2024-01-01\n";
    const SermonMetadata first = decodeText(yaml);
    const SermonMetadata second = decodeText(yaml);
    EXPECT_NE(first, second);
    SermonMetadata copy = first;
    EXPECT_EQ(copy, first);
    copy.occasions[0].place = "Q";
    EXPECT_NE(copy, first);
}

TEST(YamlTest, HostileInputIsRefusedOrDefused)
{
    // An alias bomb: aliases are never expanded.
    QString bomb = "a: &a [x, x, x, x, x, x, x, x, x]\n";
    for (char c = 'b'; c <= 'z'; ++c)
        bomb += QStringLiteral("%1: &%1 [*%2, *%2, *%2, *%2, *%2, *%2, *%2, *%2, *%2]\n").arg(c).arg(QChar(c - 1));
    bomb += "scripture: *z\nseries: fine\n";
    const auto parsed = Yaml::parse(bomb);
    ASSERT_TRUE(parsed.root);
    const auto metadata = SermonMetadata::decode(*parsed.root);
    ASSERT_TRUE(metadata);
    EXPECT_EQ(metadata->scripture, "");
    EXPECT_EQ(metadata->series, "fine");

    const QString deep = QString(1000, '[') + QString(1000, ']');
    const auto tooDeep = Yaml::parse("series: " + deep + "\n");
    EXPECT_FALSE(tooDeep.root);
    EXPECT_FALSE(tooDeep.error.isEmpty());

    const auto broken = Yaml::parse("series: [unclosed\n");
    EXPECT_FALSE(broken.root);
    EXPECT_TRUE(broken.error.contains("line")) << broken.error.toStdString();

    const auto duplicate = Yaml::parse("series: first\nseries: second\n");
    ASSERT_TRUE(duplicate.root);
    EXPECT_EQ(SermonMetadata::decode(*duplicate.root)->series, "first");
}
