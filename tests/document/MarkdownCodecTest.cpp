#include "MarkdownCodecTestSupport.h"

#include "document/MarkdownCodec.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>

#include <vector>

using namespace kestrion;
using namespace kestrion::test;

namespace {

// Collects what the codec logs while it lives.
class LogCapture {
public:
    struct Message {
        QtMsgType type;
        QString text;
    };

    LogCapture()
    {
        messages().clear();
        QLoggingCategory::setFilterRules(QStringLiteral("app.kestrion.Kestrion.MarkdownCodec.debug=true"));
        m_previous = qInstallMessageHandler(&LogCapture::handle);
    }
    ~LogCapture() { qInstallMessageHandler(m_previous); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    static std::vector<Message>& messages()
    {
        static std::vector<Message> list;
        return list;
    }

private:
    static void handle(QtMsgType type, const QMessageLogContext& context, const QString& text)
    {
        if (context.category && QByteArray(context.category) == "app.kestrion.Kestrion.MarkdownCodec")
            messages().push_back({ type, text });
    }

    QtMessageHandler m_previous = nullptr;
};

const QString noClosingMessage = QStringLiteral("Opening --- found but no closing --- ; treating file as body only");

QString write(const N& tree, const SermonMetadata& metadata = {})
{
    return MarkdownCodec::serializeDocument(build(tree), metadata);
}

QString branchText(const SermonNodePtr& branch, int level = 0)
{
    QStringList lines;
    MarkdownCodec::writeNodeTree(branch, level, lines, true);
    return lines.join(u'\n');
}

QString pasted(const QString& text, qint64 targetDepth = 0)
{
    auto root = SermonNode::create(QStringLiteral("target"), targetDepth);
    for (SermonNodePtr& node : MarkdownCodec::parsePastedMarkdown(text, targetDepth))
        root->appendChild(std::move(node));
    QString out = dump(root, targetDepth);
    return out.mid(out.indexOf(u'\n') + 1); // without the target line
}

SermonNodePtr findByText(const SermonNodePtr& root, const QString& text)
{
    for (const SermonNodePtr& n : root->allNodes()) {
        if (n->text() == text)
            return n;
    }
    return nullptr;
}

N example1Tree()
{
    return node("Grace",
        { leaf("Opening story"), quote("For by grace you have been saved"),
            node("Point one", { leaf("Sub a"), leaf("Sub b") }),
            folded(node("Point two", { node("Detail", { leaf("Example") }), leaf("Closing thought") })) });
}

const QString example1Text = QStringLiteral("---\n"
                                            "scripture: Ephesians 2:8\n"
                                            "duration: 30\n"
                                            "---\n"
                                            "\n"
                                            "# Grace\n"
                                            "\n"
                                            "Opening story\n"
                                            "> For by grace you have been saved\n"
                                            "\n"
                                            "## Point one\n"
                                            "\n"
                                            "Sub a\n"
                                            "Sub b\n"
                                            "\n"
                                            "## Point two\n"
                                            "[//]: # (collapsed)\n"
                                            "\n"
                                            "- Detail\n"
                                            "  - Example\n"
                                            "- Closing thought\n");

} // namespace

// ---- The worked examples, both directions ---------------------------------------------

TEST(MarkdownCodecTest, WorkedExampleOneWritesAndReadsExactly)
{
    SermonMetadata metadata;
    metadata.scripture = QStringLiteral("Ephesians 2:8");
    metadata.duration = 30;
    EXPECT_EQ(write(example1Tree(), metadata), example1Text);

    const MarkdownCodec::FrontMatterSplit split = MarkdownCodec::splitFrontMatter(example1Text);
    EXPECT_EQ(split.metadata, metadata);
    EXPECT_EQ(dump(MarkdownCodec::parseDocument(split.bodyLines)), dump(example1Tree()));
}

TEST(MarkdownCodecTest, WorkedExampleTwoHasNoFrontMatterAndTwoEmptyLinesBeforeASubHeading)
{
    const N tree = node("Title", { node("Part", { leaf("x") }) });
    const QString text = QStringLiteral("# Title\n\n\n## Part\n\nx\n");
    EXPECT_EQ(write(tree), text);
    const MarkdownCodec::FrontMatterSplit split = MarkdownCodec::splitFrontMatter(text);
    EXPECT_EQ(split.metadata, SermonMetadata {});
    EXPECT_EQ(dump(MarkdownCodec::parseDocument(split.bodyLines)), dump(tree));
}

TEST(MarkdownCodecTest, WorkedExampleThreeContinuesLeafBulletsOnIndentedLines)
{
    const N plain = node("T", { node("P", { node("B", { leaf("first\nsecond") }), leaf("C") }) });
    const QString plainText = QStringLiteral("# T\n\n\n## P\n\n- B\n  - first\n    second\n- C\n");
    EXPECT_EQ(write(plain), plainText);
    EXPECT_EQ(dump(readBody(plainText)), dump(plain));

    const N quoted = node("T", { node("P", { node("B", { quote("first\nsecond") }), leaf("C") }) });
    const QString quotedText = QStringLiteral("# T\n\n\n## P\n\n- B\n  - > first\n    > second\n- C\n");
    EXPECT_EQ(write(quoted), quotedText);
    EXPECT_EQ(dump(readBody(quotedText)), dump(quoted));
}

// ---- Writer ---------------------------------------------------------------------------

TEST(MarkdownCodecTest, WritesFrontMatterOnlyForSetDetails)
{
    EXPECT_EQ(write(leaf("Title")), QStringLiteral("# Title\n"));

    SermonMetadata duration;
    duration.duration = 0;
    EXPECT_EQ(write(leaf("T"), duration), QStringLiteral("---\nduration: 0\n---\n\n# T\n"));

    SermonMetadata spaces;
    spaces.series = QStringLiteral("  ");
    const QString text = write(leaf("T"), spaces);
    EXPECT_TRUE(text.startsWith(QStringLiteral("---\nseries: "))) << text.toStdString();
    EXPECT_EQ(MarkdownCodec::splitFrontMatter(text).metadata, spaces);

    EXPECT_FALSE(MarkdownCodec::encodeFrontMatter(SermonMetadata {}));
    ASSERT_TRUE(MarkdownCodec::encodeFrontMatter(duration));
}

TEST(MarkdownCodecTest, FrontMatterKeepsDetailsThatLookLikeTheFormat)
{
    SermonMetadata metadata;
    metadata.scripture = QStringLiteral("---");
    metadata.series = QStringLiteral("# Advent\n---\n- x");
    SermonOccasion occasion;
    occasion.place = QStringLiteral("---");
    occasion.date = QDate(2024, 12, 1);
    metadata.occasions.push_back(occasion);
    const QString text = write(node("T", { leaf("body") }), metadata);
    const MarkdownCodec::FrontMatterSplit split = MarkdownCodec::splitFrontMatter(text);
    EXPECT_EQ(split.metadata.scripture, metadata.scripture);
    EXPECT_EQ(split.metadata.series, metadata.series);
    ASSERT_EQ(split.metadata.occasions.size(), 1u);
    EXPECT_EQ(split.metadata.occasions[0].place, QStringLiteral("---"));
    EXPECT_EQ(dump(MarkdownCodec::parseDocument(split.bodyLines)), dump(node("T", { leaf("body") })));
}

TEST(MarkdownCodecTest, HeadingModeSeparatesQuotesAndSectionsWithEmptyLines)
{
    EXPECT_EQ(write(node("T", { quote("a"), quote("b\nc"), leaf("d"), quote("e") })),
        QStringLiteral("# T\n\n> a\n\n> b\n> c\nd\n> e\n"));
    // A bare "> " would add nothing on reading: an empty quote is a bullet.
    EXPECT_EQ(write(node("T", { quote("") })), QStringLiteral("# T\n\n- > \n"));
}

TEST(MarkdownCodecTest, ChildlessChildAfterParentTurnsAllSiblingsIntoBullets)
{
    const N tree = node("T", { leaf("before"), node("A", { leaf("a1") }), quote("q"), leaf("after") });
    EXPECT_EQ(write(tree), QStringLiteral("# T\n\n- before\n- A\n  - a1\n- > q\n- after\n"));
    EXPECT_EQ(dump(readBody(write(tree))), dump(tree));

    // A leaf typed like another kind of line would, as a line of its own, swallow or adopt
    // the leaves after it on reading; its siblings are written as bullets instead.
    for (const QString& text : { QStringLiteral("- milk"), QStringLiteral("* note"), QStringLiteral("## Aside"),
             QStringLiteral(">b"), QStringLiteral("> b"), QStringLiteral(">"), QStringLiteral("one\ntwo"),
             QStringLiteral(" [//]: # (collapsed)"), QStringLiteral(""), QStringLiteral(" padded ") }) {
        const N typed = node("T", { node("P", { quote("q"), leaf(text), leaf("next"), leaf("last") }) });
        EXPECT_EQ(dump(readBody(write(typed))), dump(typed)) << text.toStdString();
        const SermonNodePtr target = SermonNode::create(QStringLiteral("target"));
        target->appendChild(build(typed)->children()[0]);
        const QString asPasted = dump(target);
        EXPECT_EQ(pasted(branchText(target->children()[0])), asPasted.mid(asPasted.indexOf(u'\n') + 1))
            << text.toStdString();
    }
    // Nor can a heading hold a line feed: its further lines would become children of their own.
    const N lines = node("T", { node("a\n  more", { leaf("c") }) });
    EXPECT_EQ(write(lines), QStringLiteral("# T\n\n- a\n    more\n  - c\n"));
    EXPECT_EQ(dump(readBody(write(lines))), dump(lines));
    const N titled = node("T", { node("P", { leaf("# Notes"), leaf("next") }) });
    EXPECT_EQ(write(titled), QStringLiteral("# T\n\n\n## P\n\n# Notes\nnext\n")) << "a later title line is plain";
    EXPECT_EQ(branchText(build(titled)->children()[0]), QStringLiteral("# P\n\n- # Notes\n- next"));
}

TEST(MarkdownCodecTest, BulletsStartBelowTheDeepestHeading)
{
    // Depth 6 with children under a depth-5 heading: bullets.
    const N deep = node("T",
        { node("1",
            { node("2", { node("3", { node("4", { node("5", { node("6", { leaf("7") }), leaf("six") }) }) }) }) }) });
    const QString deepText = write(deep);
    EXPECT_TRUE(deepText.endsWith(QStringLiteral("###### 5\n\n- 6\n  - 7\n- six\n"))) << deepText.toStdString();
    EXPECT_EQ(dump(readBody(deepText)), dump(deep));

    const N onlyChild = node(
        "T", { node("1", { node("2", { node("3", { node("4", { node("5", { node("6", { leaf("7") }) }) }) }) }) }) });
    EXPECT_TRUE(write(onlyChild).endsWith(QStringLiteral("###### 5\n\n- 6\n  - 7\n")));

    // A depth-5 heading whose children are all childless keeps heading mode.
    const N shallow = node(
        "T", { node("1", { node("2", { node("3", { node("4", { node("5", { leaf("6"), quote("q") }) }) }) }) }) });
    EXPECT_TRUE(write(shallow).endsWith(QStringLiteral("###### 5\n\n6\n> q\n")));
    EXPECT_EQ(dump(readBody(write(shallow))), dump(shallow));
}

TEST(MarkdownCodecTest, FlagsAreWrittenOnlyWhereTheyCanBeRead)
{
    N collapsedLeaf = folded(leaf("x"));
    N quoteParent = node("Q", { leaf("child") });
    quoteParent.quote = true;
    N quoteBullet = node("QB", { leaf("c") });
    quoteBullet.quote = true;
    const N tree
        = node("T", { collapsedLeaf, quoteParent, node("P", { node("X", { folded(leaf("y")) }), leaf("z") }) });
    const QString text = write(tree);
    EXPECT_EQ(text, QStringLiteral("# T\n\nx\n\n## Q\n\nchild\n\n## P\n\n- X\n  - y\n- z\n"));

    const N bullets = node("T", { node("P", { folded(quoteBullet), leaf("z") }) });
    EXPECT_EQ(write(bullets), QStringLiteral("# T\n\n\n## P\n\n- QB\n  [//]: # (collapsed)\n  - c\n- z\n"));
}

TEST(MarkdownCodecTest, LeafBulletLinesKeepEmptyPartsIndented)
{
    const N tree = node("T", { node("P", { leaf("a\n\nb") }), leaf("z") });
    EXPECT_EQ(write(tree), QStringLiteral("# T\n\n- P\n  - a\n    \n    b\n- z\n"));
    const N top = node("T", { node("P", { node("Q", { leaf("x") }), leaf("a\n\nb") }) });
    EXPECT_TRUE(write(top).endsWith(QStringLiteral("- a\n  \n  b\n")));
}

TEST(MarkdownCodecTest, FurtherLinesOfABulletWithChildrenKeepTheirLeadingBlanks)
{
    // Written without indentation these lines would lose two columns to the reader's
    // continuation rule on every save.
    const N tree = node("T", { node("P", { node("a\n   three\n\t\ttabs", { leaf("c") }), leaf("z") }) });
    const QString text = write(tree);
    EXPECT_EQ(text, QStringLiteral("# T\n\n\n## P\n\n- a\n     three\n  \t\ttabs\n  - c\n- z\n"));
    const auto split = MarkdownCodec::splitFrontMatter(text);
    const SermonNodePtr root = MarkdownCodec::parseDocument(split.bodyLines);
    ASSERT_TRUE(findByText(root, QStringLiteral("a\n   three\n\t\ttabs")));
    EXPECT_EQ(MarkdownCodec::serializeDocument(root, split.metadata), text);
}

TEST(MarkdownCodecTest, TextEndsWithExactlyOneLineFeed)
{
    EXPECT_EQ(write(node("T", { leaf("a"), leaf("") })), QStringLiteral("# T\n\n- a\n- \n")) << "a blank line vanishes";
    EXPECT_EQ(write(leaf("T\n")), QStringLiteral("# T\n\n")) << "a line ending in a line feed is not empty";
    EXPECT_EQ(write(folded(leaf("T"))), QStringLiteral("# T\n[//]: # (collapsed)\n"));
    EXPECT_EQ(write(at(3, node("T", { leaf("x") }))), QStringLiteral("# T\n\nx\n")) << "the root is the title";
}

TEST(MarkdownCodecTest, LineSeparatorsStayInsideTheirLine)
{
    const QString joined = QStringLiteral("one") + QChar(0x2028) + QStringLiteral("two");
    const N tree = node(joined, { leaf(joined), quote(joined), node(joined, { leaf(joined) }) });
    const QString text = write(tree);
    EXPECT_EQ(text.count(u'\n'), 8) << text.toStdString();
    EXPECT_EQ(dump(readBody(text)), dump(tree));
}

TEST(MarkdownCodecTest, CopyBranchCountsHeadingsFromTheBranchButSwitchesToBulletsByDepth)
{
    const N tree = node("T",
        { node("1",
            { node("2", { node("3", { node("4a", { node("5", { node("6", { leaf("7") }) }) }), leaf("4b") }) }) }) });
    const SermonNodePtr root = build(tree);
    const SermonNodePtr three = findByText(root, QStringLiteral("3"));
    ASSERT_TRUE(three);
    // 4a has children and 4b follows it: bullets already at depth 4.
    EXPECT_EQ(branchText(three), QStringLiteral("# 3\n\n- 4a\n  - 5\n    - 6\n      - 7\n- 4b"));

    const N straight = node("T",
        { node("1",
            { node("2", { node("3", { node("4", { node("5", { node("6", { leaf("7") }), leaf("5b") }) }) }) }) }) });
    const SermonNodePtr straightRoot = build(straight);
    EXPECT_EQ(branchText(findByText(straightRoot, QStringLiteral("3"))),
        QStringLiteral("# 3\n\n\n## 4\n\n\n### 5\n\n- 6\n  - 7\n- 5b"));

    // A level past the deepest heading writes the node as one bullet.
    EXPECT_EQ(
        branchText(findByText(straightRoot, QStringLiteral("5")), 6), QStringLiteral("- 5\n  - 6\n    - 7\n  - 5b"));
    QStringList lines { QStringLiteral("kept") };
    MarkdownCodec::writeNodeTree(findByText(straightRoot, QStringLiteral("4")), 0, lines, false);
    EXPECT_EQ(lines.mid(0, 3), (QStringList { "kept", "", "# 4" }));
}

TEST(MarkdownCodecTest, CopyBranchOfAShallowNodeReadsBackAsTheSameBranch)
{
    const N tree = node(
        "T", { node("A", { quote("q"), node("B", { leaf("b1"), leaf("b2") }), folded(node("C", { leaf("c") })) }) });
    const SermonNodePtr root = build(tree);
    const QString text = branchText(findByText(root, QStringLiteral("A")));
    EXPECT_EQ(text, QStringLiteral("# A\n\n> q\n\n## B\n\nb1\nb2\n\n## C\n[//]: # (collapsed)\n\nc"));
    EXPECT_EQ(pasted(text, 0), QStringLiteral("  A\n    > q\n    B\n      b1\n      b2\n    [+] C\n      c\n"));
}

// ---- Reader: line kinds ---------------------------------------------------------------

TEST(MarkdownCodecTest, BlankOrEmptyBodyGivesAnUntitledRoot)
{
    EXPECT_EQ(dump(readBody(QString())), QStringLiteral("Untitled\n"));
    EXPECT_EQ(dump(readBody(QStringLiteral("\n \t\n\u3000\n"))), QStringLiteral("Untitled\n"));
    EXPECT_EQ(dump(MarkdownCodec::parseDocument({})), QStringLiteral("Untitled\n"));
}

TEST(MarkdownCodecTest, HeadingsNeedOneToSixMarksAndASpace)
{
    EXPECT_EQ(dump(readBody(QStringLiteral("####### seven\n#text\n##\n#\n  ## indented  \n##\tTab\n"))),
        QStringLiteral("Untitled\n  ####### seven\n  #text\n  ##\n  #\n  indented\n    ##\tTab\n"));
    EXPECT_EQ(MarkdownCodec::parseHeading(u"###### six")->level, 5);
    EXPECT_FALSE(MarkdownCodec::parseHeading(u"####### x"));
}

TEST(MarkdownCodecTest, BulletMarkersNeedASpace)
{
    EXPECT_EQ(dump(readBody(QStringLiteral("-\n-x\n- \n* star\n+ plus\n- >\n- > \n- >x\n"))),
        QStringLiteral("Untitled\n  -\n  -x\n  \n  star\n  plus\n  > \n  > \n  \\>x\n"));
    const auto bullet = MarkdownCodec::parseBullet(u"\t  -   text  ");
    ASSERT_TRUE(bullet);
    EXPECT_EQ(bullet->width, 6);
    EXPECT_EQ(bullet->text, QStringLiteral("  text  "));
    EXPECT_FALSE(MarkdownCodec::parseBullet(u"   "));
    EXPECT_FALSE(MarkdownCodec::parseBullet(u""));
}

TEST(MarkdownCodecTest, CollapsedMarkerFoldsTheLastBulletOrHeading)
{
    EXPECT_EQ(dump(readBody(QStringLiteral("[//]: # (collapsed)\n# T\n"))), QStringLiteral("[+] T\n"));
    EXPECT_EQ(dump(readBody(QStringLiteral("# T\n- a\n\n   [//]: # (collapsed)  \n"))), QStringLiteral("T\n  [+] a\n"));
    EXPECT_EQ(dump(readBody(QStringLiteral("# T\n## H\nplain\n[//]: # (collapsed)\n"))),
        QStringLiteral("T\n  [+] H\n    plain\n"));
}

TEST(MarkdownCodecTest, BulletsNestByWidth)
{
    EXPECT_EQ(dump(readBody(QStringLiteral("# T\n- a\n    - b\n  - c\n"))), QStringLiteral("T\n  a\n    b\n    c\n"));
    EXPECT_EQ(dump(readBody(QStringLiteral("# T\n- a\n\t- tab\n  - c\n"))), QStringLiteral("T\n  a\n    tab\n    c\n"));
    EXPECT_EQ(dump(readBody(QStringLiteral("# T\n## H\n   - three\n"))), QStringLiteral("T\n  H\n    three\n"));
    EXPECT_EQ(dump(readBody(QStringLiteral("# T\n- a\n> q\n  - b\n"))), QStringLiteral("T\n  a\n  > q\n  b\n"));
}

TEST(MarkdownCodecTest, ContinuationLinesJoinTheirBullet)
{
    EXPECT_EQ(
        dump(readBody(QStringLiteral("- a\n   three\n\tTab\n"))), QStringLiteral("Untitled\n  a\\n three\\nTab\n"));
    EXPECT_EQ(dump(readBody(QStringLiteral("- a\n\n\nlazy  \n"))), QStringLiteral("Untitled\n  a\\nlazy\n"));
    EXPECT_EQ(dump(readBody(QStringLiteral("  - a\n  b\n  ## h\n"))), QStringLiteral("Untitled\n  a\\nb\n  h\n"));
    // A quote bullet only continues with quote lines.
    EXPECT_EQ(
        dump(readBody(QStringLiteral("- > q\n  > r\n  >\n  s\n"))), QStringLiteral("Untitled\n  > q\\nr\\n\n  s\n"));
    EXPECT_EQ(dump(readBody(QStringLiteral("- > q\nlazy\n"))), QStringLiteral("Untitled\n  > q\n  lazy\n"));
    // Lines that are something else are not swallowed.
    EXPECT_EQ(dump(readBody(QStringLiteral("- a\n> q\n"))), QStringLiteral("Untitled\n  a\n  > q\n"));
    EXPECT_EQ(dump(readBody(QStringLiteral("- a\n## h\n"))), QStringLiteral("Untitled\n  a\n  h\n"));
}

TEST(MarkdownCodecTest, QuoteLinesCollectUntilABlankLine)
{
    EXPECT_EQ(
        dump(readBody(QStringLiteral("# T\n> a\n>\n> \n  >  b \n\n> c\n"))), QStringLiteral("T\n  > a\\n b\n  > c\n"));
    EXPECT_EQ(dump(readBody(QStringLiteral("# T\n>\n> \n"))), QStringLiteral("T\n"));
    EXPECT_EQ(dump(readBody(QStringLiteral("# T\n> a\n- b\n"))), QStringLiteral("T\n  > a\n  b\n"));
}

TEST(MarkdownCodecTest, OnlyTheFirstTitleHeadingNamesTheRoot)
{
    EXPECT_EQ(dump(readBody(QStringLiteral("intro\n# Later\n"))), QStringLiteral("Later\n  intro\n"));
    // A later one is a line of its own: the title is never replaced and nothing is lost.
    EXPECT_EQ(dump(readBody(QStringLiteral("# One\n## A\n# Two\n## B\n- b\n# \n"))),
        QStringLiteral("One\n  A\n    # Two\n  B\n    b\n    #\n"));

    // A node typed with a leading "# " keeps its text and the title survives.
    const N typed = node("Sermon", { leaf("# Notes"), leaf("more") });
    const QString text = write(typed);
    EXPECT_EQ(text, QStringLiteral("# Sermon\n\n# Notes\nmore\n"));
    EXPECT_EQ(dump(readBody(text)), dump(typed));
    // Its blank would be trimmed off the line; a bullet keeps it.
    const N blank = node("Sermon", { leaf("# "), leaf("more") });
    EXPECT_EQ(write(blank), QStringLiteral("# Sermon\n\n- # \n- more\n"));
    EXPECT_EQ(dump(readBody(write(blank))), dump(blank));
}

// ---- Mended behaviour ---------------------------------------------------------------------

TEST(MarkdownCodecTest, SkippedHeadingLevelsGiveSiblingsThatKeepTheirDepth)
{
    const QString text = QStringLiteral("# T\n### A\n### B\n");
    EXPECT_EQ(dump(readBody(text)), QStringLiteral("T\n  A@2\n  B@2\n"));
    const QString written = readAndWrite(text);
    EXPECT_EQ(written, QStringLiteral("# T\n\nA\nB\n"));

    const QString sections = QStringLiteral("# T\n### A\nx\n### B\ny\n## C\n#### D\n### E\nz\n");
    EXPECT_EQ(
        dump(readBody(sections)), QStringLiteral("T\n  A@2\n    x@3\n  B@2\n    y@3\n  C\n    D@3\n    E\n      z\n"));
    const QString again = readAndWrite(sections);
    EXPECT_EQ(again, QStringLiteral("# T\n\n\n### A\n\nx\n\n### B\n\ny\n\n## C\n\nD\n\n### E\n\nz\n"));
    EXPECT_EQ(readAndWrite(again), again);
}

TEST(MarkdownCodecTest, EmptyHeadingsReadAsHeadingsWithEmptyText)
{
    EXPECT_EQ(dump(readBody(QStringLiteral("# \n"))), QStringLiteral("\n"));
    EXPECT_EQ(dump(readBody(QStringLiteral("  #  \t\n"))), QStringLiteral("\n"));
    EXPECT_EQ(dump(readBody(QStringLiteral("# T\n## \nx\n##\n"))), QStringLiteral("T\n  \n    x\n    ##\n"));

    const N untitledTitle = node("", { node("", { leaf("x") }) });
    const QString text = write(untitledTitle);
    EXPECT_EQ(text, QStringLiteral("# \n\n\n## \n\nx\n"));
    EXPECT_EQ(dump(readBody(text)), dump(untitledTitle));
    EXPECT_EQ(readAndWrite(text), text);
}

TEST(MarkdownCodecTest, WindowsLineEndsAreRead)
{
    const QString text = QString(example1Text).replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    const MarkdownCodec::FrontMatterSplit split = MarkdownCodec::splitFrontMatter(text);
    EXPECT_EQ(split.metadata.scripture, QStringLiteral("Ephesians 2:8"));
    EXPECT_EQ(split.metadata.duration, 30);
    EXPECT_EQ(dump(MarkdownCodec::parseDocument(split.bodyLines)), dump(example1Tree()));
    EXPECT_EQ(readAndWrite(text), example1Text);

    // One carriage return per line goes; one inside a line stays.
    EXPECT_EQ(dump(readBody(QStringLiteral("# T\r\na\rb\r\n- c\r\r\n"))), QStringLiteral("T\n  a\\rb\n  c\\r\n"));
}

TEST(MarkdownCodecTest, BulletNestingIsBounded)
{
    // Each bullet one column deeper than the one before: deeper than the bound, the
    // bullets become siblings at the deepest level.
    const int levels = 2500;
    QString text = QStringLiteral("# T\n");
    for (int i = 0; i < levels; ++i)
        text += QString(i, u' ') + QStringLiteral("- b%1\n").arg(i);
    const SermonNodePtr root = readBody(text);
    const std::vector<SermonNodePtr> all = root->allNodes();
    ASSERT_EQ(all.size(), static_cast<size_t>(levels + 1));
    qint64 deepest = 0;
    for (const SermonNodePtr& n : all)
        deepest = std::max(deepest, n->depth());
    EXPECT_EQ(deepest, MarkdownCodec::maxBulletNesting);
    const SermonNodePtr last = findByText(root, QStringLiteral("b%1").arg(levels - 1));
    ASSERT_TRUE(last);
    EXPECT_EQ(last->depth(), MarkdownCodec::maxBulletNesting);
    EXPECT_EQ(readAndWrite(readAndWrite(text)), readAndWrite(text));
}

TEST(MarkdownCodecTest, DeepTreesBuiltInMemoryAreWrittenWithoutRecursion)
{
    // Consistent depths: headings to depth 5, then bullets whose indentation stops growing
    // at the nesting bound.
    const int levels = 20000;
    SermonNodePtr root = SermonNode::create(QStringLiteral("T"));
    SermonNodePtr tip = root;
    for (int i = 1; i <= levels; ++i)
        tip = tip->addChild(QStringLiteral("n%1").arg(i));
    const QString text = MarkdownCodec::serializeDocument(root, {});
    qsizetype longest = 0;
    for (QStringView line : QStringView(text).split(u'\n'))
        longest = std::max(longest, line.size());
    EXPECT_LE(longest, 2 * MarkdownCodec::maxBulletNesting + 10);
    const SermonNodePtr back = readBody(text);
    EXPECT_EQ(back->allNodes().size(), static_cast<size_t>(levels + 1));
    EXPECT_EQ(readAndWrite(text), text);

    // Nonsense depths all at 0 keep every level a heading section.
    SermonNodePtr flat = SermonNode::create(QStringLiteral("T"));
    tip = flat;
    for (int i = 1; i <= 100000; ++i) {
        auto child = SermonNode::create(QStringLiteral("x"), 0);
        tip->appendChild(child);
        tip = child;
    }
    const QString flatText = MarkdownCodec::serializeDocument(flat, {});
    EXPECT_EQ(flatText.count(QStringLiteral("\n# x\n")), 100000 - 1);

    // Copy Branch counts levels instead; past the deepest heading they turn into bullets.
    SermonNodePtr shortFlat = SermonNode::create(QStringLiteral("T"));
    tip = shortFlat;
    for (int i = 1; i <= 20; ++i) {
        auto child = SermonNode::create(QStringLiteral("x"), 0);
        tip->appendChild(child);
        tip = child;
    }
    QStringList branch;
    MarkdownCodec::writeNodeTree(shortFlat, 0, branch, true);
    EXPECT_EQ(branch.filter(QStringLiteral("###### x")).size(), 1);
    EXPECT_EQ(branch.filter(QStringLiteral("- x")).size(), 20 - 5);
}

TEST(MarkdownCodecTest, PointsThatBeginAsQuoteBulletsDoAreWrittenWithABackslash)
{
    const N tree = node("T",
        { node("P", { leaf("a") }), leaf("> not a quote, my own words"), leaf(">"), leaf("\\> typed"),
            node("> hmm", { leaf("sub") }), quote("> quoted"), leaf(">x"), leaf("\\x") });
    const QString text = write(tree);
    EXPECT_EQ(text,
        QStringLiteral("# T\n\n- P\n  - a\n- \\> not a quote, my own words\n- \\>\n- \\\\> typed\n- \\> hmm\n  - sub\n"
                       "- > > quoted\n- >x\n- \\x\n"));
    EXPECT_EQ(dump(readBody(text)), dump(tree));
    const SermonNodePtr target = SermonNode::create(QStringLiteral("target"));
    target->appendChild(build(tree, 1));
    const QString asPasted = dump(target);
    EXPECT_EQ(pasted(branchText(target->children()[0])), asPasted.mid(asPasted.indexOf(u'\n') + 1));
}

TEST(MarkdownCodecTest, QuoteBulletThatGainsChildrenIsNoLongerAQuote)
{
    const SermonNodePtr root = readBody(QStringLiteral("# T\n- > q\n  - child\n- > leaf\n"));
    EXPECT_EQ(dump(root), QStringLiteral("T\n  q\n    child\n  > leaf\n"));
    EXPECT_EQ(readAndWrite(QStringLiteral("# T\n- > q\n  - child\n")), QStringLiteral("# T\n\n\n## q\n\nchild\n"));
}

// ---- Front matter -----------------------------------------------------------------------

TEST(MarkdownCodecTest, FrontMatterNeedsDelimitersOnTheFirstLineAndLater)
{
    LogCapture log;
    const auto emptyFirst = MarkdownCodec::splitFrontMatter(QStringLiteral("\n---\nseries: S\n---\n# T\n"));
    EXPECT_EQ(emptyFirst.metadata, SermonMetadata {});
    EXPECT_EQ(emptyFirst.bodyLines.size(), 6);
    const auto indented = MarkdownCodec::splitFrontMatter(QStringLiteral("  x\n---\nseries: S\n---\n"));
    EXPECT_EQ(indented.metadata, SermonMetadata {});
    EXPECT_TRUE(log.messages().empty());

    const auto spaced = MarkdownCodec::splitFrontMatter(QStringLiteral(" --- \nseries: S\n\t---\n# T"));
    EXPECT_EQ(spaced.metadata.series, QStringLiteral("S"));
    EXPECT_EQ(spaced.bodyLines, QStringList { QStringLiteral("# T") });

    const auto last = MarkdownCodec::splitFrontMatter(QStringLiteral("---\nseries: S\n---"));
    EXPECT_EQ(last.metadata.series, QStringLiteral("S"));
    EXPECT_TRUE(last.bodyLines.isEmpty());
    EXPECT_EQ(dump(MarkdownCodec::parseDocument(last.bodyLines)), QStringLiteral("Untitled\n"));
}

TEST(MarkdownCodecTest, UnclosedFrontMatterIsBodyAndLoggedAtDebugLevel)
{
    LogCapture log;
    const QString text = QStringLiteral("---\nseries: S\n# T\n");
    const auto split = MarkdownCodec::splitFrontMatter(text);
    EXPECT_EQ(split.metadata, SermonMetadata {});
    EXPECT_EQ(dump(MarkdownCodec::parseDocument(split.bodyLines)), QStringLiteral("T\n  ---\n  series: S\n"));
    ASSERT_EQ(log.messages().size(), 1u);
    EXPECT_EQ(log.messages()[0].type, QtDebugMsg);
    EXPECT_EQ(log.messages()[0].text, noClosingMessage);
}

TEST(MarkdownCodecTest, UnreadableFrontMatterIsLoggedAndTheBodyStillFollowsIt)
{
    const QStringList bad = {
        QStringLiteral("series: [unclosed"), // not YAML
        QStringLiteral("- a\n- b"), // not a mapping
        QStringLiteral("just text"), // a scalar
        QStringLiteral("# only a note to self"), // no value at all
        QString(), // nothing at all
    };
    for (const QString& yaml : bad) {
        LogCapture log;
        const QString block = QStringLiteral("---\n%1\n---").arg(yaml);
        const auto split = MarkdownCodec::splitFrontMatter(block + QStringLiteral("\n\n# Body\n"));
        EXPECT_EQ(split.metadata, SermonMetadata {}) << yaml.toStdString();
        // Kept to be written back, unless there is nothing in it to keep.
        if (yaml.isEmpty()) {
            EXPECT_FALSE(split.unreadableFrontMatter);
        } else {
            ASSERT_TRUE(split.unreadableFrontMatter) << yaml.toStdString();
            EXPECT_EQ(split.unreadableFrontMatter->text, block);
            EXPECT_FALSE(split.unreadableFrontMatter->reason.isEmpty());
            // The parser's line lies within the block, at most at its closing line.
            EXPECT_LE(split.unreadableFrontMatter->line, 3 + yaml.count(u'\n'));
        }
        EXPECT_EQ(dump(MarkdownCodec::parseDocument(split.bodyLines)), QStringLiteral("Body\n"));
        ASSERT_EQ(log.messages().size(), 1u) << yaml.toStdString();
        EXPECT_EQ(log.messages()[0].type, QtCriticalMsg);
        EXPECT_TRUE(log.messages()[0].text.startsWith(QStringLiteral("Failed to decode frontmatter: ")));
        EXPECT_GT(log.messages()[0].text.size(), 30) << "the reason is part of the message";
    }
}

TEST(MarkdownCodecTest, UnreadableFrontMatterIsWrittenBackAsItWasRead)
{
    LogCapture log;
    const QString block
        = QStringLiteral("---\nscripture: John 2:1-11\nseries: Gospel of John: Signs\nduration: 25\n---");
    const auto split = MarkdownCodec::splitFrontMatter(block + QStringLiteral("\n# Signs\nWater into wine\n"));
    ASSERT_TRUE(split.unreadableFrontMatter);
    EXPECT_EQ(split.unreadableFrontMatter->line, 3);
    EXPECT_EQ(split.unreadableFrontMatter->reason, QStringLiteral("mapping values are not allowed in this context"));
    const SermonNodePtr root = MarkdownCodec::parseDocument(split.bodyLines);
    EXPECT_EQ(MarkdownCodec::serializeDocument(root, split.metadata, split.unreadableFrontMatter),
        block + QStringLiteral("\n\n# Signs\n\nWater into wine\n"));

    // Spaced delimiters and CR LF line ends come back byte for byte; the body is written anew.
    const QString crlf = QStringLiteral(" --- \r\nseries: a: b\r\n---\t\r");
    const auto windows = MarkdownCodec::splitFrontMatter(crlf + QStringLiteral("\n# T\r\n"));
    ASSERT_TRUE(windows.unreadableFrontMatter);
    EXPECT_EQ(windows.unreadableFrontMatter->text, crlf);
    EXPECT_EQ(MarkdownCodec::serializeDocument(
                  MarkdownCodec::parseDocument(windows.bodyLines), windows.metadata, windows.unreadableFrontMatter),
        crlf + QStringLiteral("\n\n# T\n"));
}

TEST(MarkdownCodecTest, AYamlMistakeIsReportedAtItsLineOfTheFile)
{
    LogCapture log;
    // The details stand on lines 2 to 4 of the file; one of them is written wrongly.
    const QStringList good
        = { QStringLiteral("scripture: Romans 8"), QStringLiteral("series: Advent"), QStringLiteral("duration: 30") };
    const char* mistakes[] = {
        "series Advent", // a key without its colon
        "series: \"Advent", // a quote left open
        "series: [Advent, Hope", // a bracket left open
        "series: Advent: Hope", // a second colon
        "\tseries: Advent", // a tab for indentation
        "`series: Advent", // a character no YAML starts with
    };
    for (const char* mistake : mistakes) {
        for (qsizetype at = 0; at < good.size(); ++at) {
            QStringList lines = good;
            lines[at] = QString::fromUtf8(mistake);
            const auto split
                = MarkdownCodec::splitFrontMatter(QStringLiteral("---\n%1\n---\n# T\n").arg(lines.join(u'\n')));
            ASSERT_TRUE(split.unreadableFrontMatter) << mistake << " on line " << at + 2;
            EXPECT_EQ(split.unreadableFrontMatter->line, at + 2) << mistake;
        }
    }
}

TEST(MarkdownCodecTest, ABlockScalarReadsTheSameOnTheLastLineOfTheDetails)
{
    // A block scalar keeps its final line feed, so it is no date, wherever it stands.
    const QString occasion = QStringLiteral("occasions:\n- place: Hope\n  date: |\n    2024-03-10\n");
    const auto last = MarkdownCodec::splitFrontMatter(QStringLiteral("---\n%1---\n# T\n").arg(occasion));
    const auto inside = MarkdownCodec::splitFrontMatter(QStringLiteral("---\n%1series: S\n---\n# T\n").arg(occasion));
    EXPECT_EQ(inside.metadata.series, QStringLiteral("S"));
    EXPECT_TRUE(inside.metadata.occasions.empty());
    EXPECT_TRUE(last.metadata.occasions.empty());
}

TEST(MarkdownCodecTest, BadDetailFieldsFallBackOneByOne)
{
    LogCapture log;
    const auto split = MarkdownCodec::splitFrontMatter(
        QStringLiteral("---\nduration: long\nseries: S\noccasions:\n  - place: P\n    date: soon\n  - place: Q\n    "
                       "date: 2024-05-05\nunknown: 1\n---\n# T\n"));
    EXPECT_EQ(split.metadata.series, QStringLiteral("S"));
    EXPECT_FALSE(split.metadata.duration);
    ASSERT_EQ(split.metadata.occasions.size(), 1u);
    EXPECT_EQ(split.metadata.occasions[0].place, QStringLiteral("Q"));
    EXPECT_TRUE(log.messages().empty());
}

TEST(MarkdownCodecTest, DetailsReadOnlyInPartAreKeptAsWrittenBesideWhatWasRead)
{
    struct Case {
        const char* yaml;
        const char* leftOut; // a word of the reason
    };
    const Case cases[] = {
        { "scripture: John 2\nauthor: Pastor Tim", "author" },
        { "scripture: John 2\nscripture: John 3", "twice" },
        { "series: [Signs, Wonders]\nscripture: John 2", "series" },
        { "scripture: John 2\nduration: forty", "forty" },
        { "scripture: John 2\nduration: \"30\"", "30" },
        { "scripture: John 2\noccasions: Sunday", "occasions" },
        { "scripture: John 2\noccasions:\n- place: Grace Chapel\n  date: 2024-3-10", "1" },
        { "scripture: John 2\noccasions:\n- place: Grace Chapel\n  date: 2024-03-10\n  time: 10am", "time" },
        { "scripture: John 2\noccasions:\n- place: [Grace, Hope]\n  date: 2024-03-10", "1" },
        { "scripture: John 2\noccasions:\n- Grace Chapel", "1" },
        { "scripture: John 2\noccasions:\n- date: 2024-03-10\n- place: A\n  place: B\n  date: 2024-03-10", "2" },
    };
    for (const Case& c : cases) {
        const QString block = QStringLiteral("---\n%1\n---").arg(QString::fromUtf8(c.yaml));
        const auto split = MarkdownCodec::splitFrontMatter(block + QStringLiteral("\n# T\n"));
        // What could be read is there to see and edit ...
        EXPECT_EQ(split.metadata.scripture, QStringLiteral("John 2")) << c.yaml;
        // ... and the block is written back whole while the details are not edited.
        ASSERT_TRUE(split.unreadableFrontMatter) << c.yaml;
        EXPECT_EQ(split.unreadableFrontMatter->text, block) << c.yaml;
        EXPECT_TRUE(split.unreadableFrontMatter->isPartlyRead) << c.yaml;
        EXPECT_TRUE(split.unreadableFrontMatter->reason.contains(QString::fromUtf8(c.leftOut))) << c.yaml;
        EXPECT_TRUE(MarkdownCodec::serializeDocument(
            MarkdownCodec::parseDocument(split.bodyLines), split.metadata, split.unreadableFrontMatter)
                        .startsWith(block + u'\n'))
            << c.yaml;
    }

    // Read whole: nothing is kept beside the details, empty values included.
    for (const char* whole : { "scripture: John 2\nseries:\nduration: 0x1E\noccasions:\n- date: 2024-03-10",
             "scripture: 123\noccasions:\nduration: ~" }) {
        const auto split = MarkdownCodec::splitFrontMatter(QStringLiteral("---\n%1\n---\n# T\n").arg(whole));
        EXPECT_FALSE(split.unreadableFrontMatter) << whole;
    }
}

// ---- Pasting ------------------------------------------------------------------------------

TEST(MarkdownCodecTest, PastedPlainLinesBecomeSiblings)
{
    EXPECT_EQ(pasted(QStringLiteral("Line one\n\n  Line two \n")), QStringLiteral("  Line one\n  Line two\n"));
    EXPECT_EQ(pasted(QStringLiteral("A\nB"), 3), QStringLiteral("  A\n  B\n"));
    const auto nodes = MarkdownCodec::parsePastedMarkdown(QStringLiteral("A\nB"), 3);
    ASSERT_EQ(nodes.size(), 2u);
    EXPECT_EQ(nodes[0]->depth(), 4);
    EXPECT_FALSE(nodes[0]->isQuote());
}

TEST(MarkdownCodecTest, PastedHeadingsKeepOnlyTheirOrder)
{
    EXPECT_EQ(pasted(QStringLiteral("# Title\n## A\n## B")), QStringLiteral("  Title\n    A\n    B\n"));
    EXPECT_EQ(pasted(QStringLiteral("## A\n## B")), QStringLiteral("  A\n  B\n"));
    EXPECT_EQ(pasted(QStringLiteral("### Deep\ntext"), 2), QStringLiteral("  Deep\n    text\n"));
    const auto deep = MarkdownCodec::parsePastedMarkdown(QStringLiteral("### Deep\ntext"), 2);
    ASSERT_EQ(deep.size(), 1u);
    EXPECT_EQ(deep[0]->depth(), 3);
    EXPECT_EQ(deep[0]->children()[0]->depth(), 4);
}

TEST(MarkdownCodecTest, PastedTitleHeadingKeepsTheBranchWholeWhateverItsText)
{
    EXPECT_EQ(pasted(QStringLiteral("# Untitled\n## A")), QStringLiteral("  Untitled\n    A\n"));
    EXPECT_EQ(pasted(QStringLiteral("# Untitled")), QStringLiteral("  Untitled\n"));
    EXPECT_EQ(pasted(QStringLiteral("# \n\nx")), QStringLiteral("  \n    x\n"));

    const SermonNodePtr root = build(node("T", { node("Untitled", { quote("q"), folded(node("C", { leaf("c") })) }) }));
    EXPECT_EQ(pasted(branchText(findByText(root, QStringLiteral("Untitled"))), 5),
        QStringLiteral("  Untitled\n    > q\n    [+] C\n      c\n"));
}

TEST(MarkdownCodecTest, PastedTitleHeadingsEachStartABranch)
{
    EXPECT_EQ(pasted(QStringLiteral("intro\n# A\n## A1\nx\n# B\ny\n# C")),
        QStringLiteral("  A\n    intro\n    A1\n      x\n  B\n    y\n  C\n"));

    // Copy Branch of two branches and a leaf pastes as the same three nodes.
    const SermonNodePtr root
        = build(node("T", { node("A", { node("A1", { leaf("x") }) }), node("B", { quote("q") }), leaf("L") }));
    const QString copied = branchText(root->children()[0]) + u'\n' + branchText(root->children()[1]);
    EXPECT_EQ(pasted(copied, 1), QStringLiteral("  A\n    A1\n      x\n  B\n    > q\n"));
}

TEST(MarkdownCodecTest, PastedBulletsAndQuotesAreAnOutline)
{
    EXPECT_EQ(pasted(QStringLiteral("- a\n  - b\n- c")), QStringLiteral("  a\n    b\n  c\n"));
    EXPECT_EQ(pasted(QStringLiteral("Intro\n- x")), QStringLiteral("  Intro\n  x\n"));
    EXPECT_EQ(pasted(QStringLiteral(">")), QString());
    EXPECT_EQ(pasted(QStringLiteral("> one\n> two")), QStringLiteral("  > one\\ntwo\n"));
}

TEST(MarkdownCodecTest, PastedLineEndsOfEveryKindAreLineFeeds)
{
    EXPECT_EQ(pasted(QStringLiteral("# T\r\n## A\r\n- b\r\n")), QStringLiteral("  T\n    A\n      b\n"));
    EXPECT_EQ(pasted(QStringLiteral("# T\r## A\r- b\r")), QStringLiteral("  T\n    A\n      b\n"));
    EXPECT_EQ(pasted(QStringLiteral("one\r\ntwo\rthree")), QStringLiteral("  one\n  two\n  three\n"));
}

TEST(MarkdownCodecTest, SinglePastedLineIsCutIntoSentences)
{
    EXPECT_EQ(MarkdownCodec::splitPlainText(QStringLiteral("First. Second! Third? Fourth")),
        (QStringList { "First.", "Second!", "Third?", "Fourth" }));
    EXPECT_EQ(MarkdownCodec::splitPlainText(QStringLiteral("Wait... what")), (QStringList { "Wait...", "what" }));
    EXPECT_EQ(MarkdownCodec::splitPlainText(QStringLiteral("3.14 is pi.")), (QStringList { "3.14 is pi." }));
    EXPECT_EQ(MarkdownCodec::splitPlainText(QStringLiteral("Hello.World")), (QStringList { "Hello.World" }));
    EXPECT_EQ(MarkdownCodec::splitPlainText(QStringLiteral("\n\n  One. Two  \n\n")), (QStringList { "One.", "Two" }));
    EXPECT_EQ(MarkdownCodec::splitPlainText(QStringLiteral("Yes.\u00a0No.\u3000Maybe")),
        (QStringList { "Yes.", "No.", "Maybe" }));
    EXPECT_EQ(MarkdownCodec::splitPlainText(QStringLiteral("A. B.\nC")), (QStringList { "A. B.", "C" }));
    EXPECT_TRUE(MarkdownCodec::splitPlainText(QString()).isEmpty());
    EXPECT_TRUE(MarkdownCodec::splitPlainText(QStringLiteral(" \n\t\n ")).isEmpty());
}

TEST(MarkdownCodecTest, DepthSettersRenumberWholeSubtrees)
{
    const SermonNodePtr root = build(node("r", { node("a", { leaf("b") }), leaf("c") }));
    MarkdownCodec::setChildDepths(root, 7);
    EXPECT_EQ(root->depth(), 0);
    EXPECT_EQ(dump(root), QStringLiteral("r\n  a@7\n    b@8\n  c@7\n"));
    MarkdownCodec::setDepthRecursively(root, 2);
    EXPECT_EQ(dump(root), QStringLiteral("r@2\n  a@3\n    b@4\n  c@3\n"));
}

TEST(MarkdownCodecTest, FormatWhitespaceIsTabAndSpaceSeparatorsOnly)
{
    EXPECT_EQ(MarkdownCodec::trimWhitespace(QStringLiteral("\t\u00a0\u2003 x y \u202f\u3000")), QStringLiteral("x y"));
    const QString kept = QStringLiteral("\n\r\u2028x\u2029\u000b");
    EXPECT_EQ(MarkdownCodec::trimWhitespace(kept), kept);
    EXPECT_FALSE(MarkdownCodec::isFormatWhitespace(QChar(0x200b))) << "zero width space is not Zs";
    EXPECT_TRUE(MarkdownCodec::isFormatWhitespace(QChar(0x1680)));
}

// ---- Bad input ------------------------------------------------------------------------

TEST(MarkdownCodecTest, TextThatIsNoSermonStillReads)
{
    QString junk;
    for (int i = 0; i < 4096; ++i)
        junk += QChar(static_cast<char16_t>((i * 7919) % 0xD7FF + 1));
    const SermonNodePtr root = readBody(junk);
    EXPECT_EQ(readAndWrite(readAndWrite(junk)), readAndWrite(junk));
    EXPECT_FALSE(root->text().isEmpty());

    const QString code = QStringLiteral("int main() {\n  return 0;\n}\n<html>\n* {\n}\n");
    EXPECT_EQ(dump(readBody(code)), QStringLiteral("Untitled\n  int main() {\n  return 0;\n  }\n  <html>\n  {\\n}\n"));
}

TEST(MarkdownCodecTest, LargeFileReadsIntoTheWholeTree)
{
    // About 50 MB of sermon lines of every kind.
    const QString block = QStringLiteral("## Section\n\nplain line of some length here\n> a quote line\n\n"
                                         "- bullet\n  - nested bullet\n    continued text\n- > quoted bullet\n");
    const int copies = 50 * 1024 * 1024 / block.size();
    QString text = QStringLiteral("---\nseries: S\n---\n# Big\n");
    text.reserve(text.size() + copies * block.size());
    for (int i = 0; i < copies; ++i)
        text += block;
    const auto split = MarkdownCodec::splitFrontMatter(text);
    const SermonNodePtr root = MarkdownCodec::parseDocument(split.bodyLines);
    EXPECT_EQ(split.metadata.series, QStringLiteral("S"));
    EXPECT_EQ(root->children().size(), static_cast<size_t>(copies));
    EXPECT_EQ(root->allNodes().size(), static_cast<size_t>(1 + 6 * copies));

    // One bullet with a million continuation lines.
    QString longBullet = QStringLiteral("- start\n");
    for (int i = 0; i < 1000000; ++i)
        longBullet += QStringLiteral("  more\n");
    const SermonNodePtr one = readBody(longBullet);
    ASSERT_EQ(one->children().size(), 1u);
    EXPECT_EQ(one->children()[0]->text().count(u'\n'), 1000000);
}

TEST(MarkdownCodecTest, HostileFrontMatterFallsBackToDefaults)
{
    // An alias bomb: every level doubles the one before.
    QString bomb = QStringLiteral("---\na0: &a0 [x, x, x, x, x, x, x, x, x, x]\n");
    for (int i = 1; i < 30; ++i)
        bomb += QStringLiteral("a%1: &a%1 [*a%2, *a%2, *a%2, *a%2, *a%2, *a%2, *a%2, *a%2, *a%2, *a%2]\n")
                    .arg(i)
                    .arg(i - 1);
    bomb += QStringLiteral("scripture: *a29\nseries: S\n---\n# T\n");
    {
        LogCapture log;
        const auto split = MarkdownCodec::splitFrontMatter(bomb);
        EXPECT_EQ(split.metadata.series, QStringLiteral("S"));
        EXPECT_EQ(split.metadata.scripture, QString());
        EXPECT_EQ(split.bodyLines, (QStringList { QStringLiteral("# T"), QString() }));
    }
    // 100,000 nesting levels of YAML.
    for (const QString& deep : { QString(100000, u'[') + QString(100000, u']'),
             QStringLiteral("a:\n") + QStringLiteral(" - ").repeated(100000) + u'x' }) {
        LogCapture log;
        const auto split = MarkdownCodec::splitFrontMatter(QStringLiteral("---\n%1\n---\n# T\n").arg(deep));
        EXPECT_EQ(split.metadata, SermonMetadata {});
        EXPECT_EQ(split.bodyLines, (QStringList { QStringLiteral("# T"), QString() }));
        ASSERT_EQ(log.messages().size(), 1u);
        EXPECT_EQ(log.messages()[0].type, QtCriticalMsg);
    }
}
