#include "columns/ColumnLayout.h"

#include "columns/ColumnMetrics.h"
#include "columns/ColumnWidthsConfig.h"
#include "columns/ColumnWrapCache.h"
#include "columns/LiveColumnLayout.h"
#include "columns/WrappedLine.h"
#include "platform/EmojiText.h"

#include <QFontMetricsF>
#include <QTextBoundaryFinder>
#include <QTextLayout>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <random>

using namespace kestrion;

namespace {

const QString lineSeparator(QChar(u'\u2028'));

QList<qreal> offsetsOf(const QList<WrappedLine>& lines)
{
    QList<qreal> offsets;
    for (const WrappedLine& line : lines)
        offsets.append(line.yOffset);
    return offsets;
}

// A text that fits one regular line of a column but not one semibold line, measured with the
// fonts that resolved; empty when the two weights measure alike.
struct WeightSensitiveText {
    QString text;
    qreal width = 0;
};

WeightSensitiveText weightSensitiveText()
{
    const QString text = QStringLiteral("Grace and peace to you from God our Father and the Lord");
    const qreal regular = QFontMetricsF(ColumnMetrics::font(false)).horizontalAdvance(text);
    const qreal bold = QFontMetricsF(ColumnMetrics::font(true)).horizontalAdvance(text);
    if (bold < regular + 4)
        return {};
    return { text, std::ceil(regular) + 2 + ColumnMetrics::textAllowance };
}

ColumnLayout layOut(const SermonNodePtr& root, const ColumnWidthsConfig& widths = {})
{
    ColumnWrapCache cache;
    return ColumnLayout::build(root, widths, cache);
}

} // namespace

TEST(WrappedLineTest, LineBreaksAndEmptyParagraphsFollowTheGrid)
{
    struct Case {
        QString text;
        QList<WrappedLine> lines;
    };
    const QList<Case> cases {
        { QString(), { { QString(), 0 } } },
        { QStringLiteral("Grace"), { { QStringLiteral("Grace"), 0 } } },
        { QStringLiteral("a") + lineSeparator + QStringLiteral("b"), { { "a", 0 }, { "b", 28 } } },
        { QStringLiteral("word\n"), { { "word", 0 }, { QString(), 28 } } },
        { QStringLiteral("\n"), { { QString(), 0 }, { QString(), 28 } } },
        { QStringLiteral("one\n\ntwo"), { { "one", 0 }, { QString(), 28 }, { "two", 56 } } },
        { QStringLiteral("one\r\ntwo"), { { "one", 0 }, { "two", 28 } } },
    };
    for (const Case& c : cases)
        EXPECT_EQ(wrapColumnText(c.text, 600, false), c.lines) << c.text.toStdString();
}

TEST(WrappedLineTest, LongSentenceBreaksOnlyAtSpacesKeepingThem)
{
    const QString text = QStringLiteral("The younger son asks for his share while his father still lives and goes far");
    const QList<WrappedLine> lines = wrapColumnText(text, 200, false);
    ASSERT_GT(lines.size(), 2);
    QString joined;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i].yOffset, 28.0 * static_cast<qreal>(i));
        if (i + 1 < lines.size()) {
            EXPECT_TRUE(lines[i].string.endsWith(u' ')) << lines[i].string.toStdString();
        }
        joined += lines[i].string;
    }
    EXPECT_EQ(joined, text);
}

TEST(WrappedLineTest, UnbrokenRunIsOneLineAndLaterLinesStayOnTheGrid)
{
    const QString run(300, u'x');
    EXPECT_EQ(wrapColumnText(run, 200, false), QList<WrappedLine>({ { run, 0 } }));
    // The lines after the run follow it at 28 and 56: the node's height (lines × 28) holds them.
    const QList<WrappedLine> lines = wrapColumnText(run + QStringLiteral("\nnext words\nlast"), 200, false);
    EXPECT_EQ(lines, QList<WrappedLine>({ { run, 0 }, { "next words", 28 }, { "last", 56 } }));
}

namespace {

// The width of a piece of text laid out alone on one line, as the columns font shapes it.
qreal naturalWidth(const QString& text, bool bold)
{
    QTextLayout layout(text, ColumnMetrics::font(bold));
    layout.setFormats(EmojiText::formats(text));
    layout.beginLayout();
    layout.createLine().setLineWidth(1e6);
    layout.endLayout();
    return layout.lineAt(0).naturalTextWidth();
}

// The places where the script allows a line to break, the start and the end included.
std::vector<qsizetype> lineBreakOpportunities(const QString& text)
{
    std::vector<qsizetype> places { 0 };
    QTextBoundaryFinder finder(QTextBoundaryFinder::Line, text);
    for (qsizetype at = finder.toNextBoundary(); at > 0; at = finder.toNextBoundary())
        places.push_back(at);
    return places;
}

} // namespace

// Chinese and Japanese are written without spaces: a paragraph that does not fit its column
// breaks between its characters, each line as full as the width allows, on the line grid, no
// character lost. A word with no such place stays one line however long; what fits stays whole.
TEST(WrappedLineTest, ARunWithoutSpacesBreaksWhereItsScriptAllowsOnlyWhenItDoesNotFit)
{
    // John 10:11-15 in 115 Chinese characters, and two verses in Japanese with their kana.
    const QString chinese = QStringLiteral(
        "\u6211\u662f\u597d\u7267\u4eba\uff0c\u597d\u7267\u4eba\u4e3a\u7f8a\u820d\u547d\u3002\u82e5\u662f"
        "\u96c7\u5de5\uff0c\u4e0d\u662f\u7267\u4eba\uff0c\u7f8a\u4e5f\u4e0d\u662f\u4ed6\u81ea\u5df1\u7684"
        "\uff0c\u4ed6\u770b\u89c1\u72fc\u6765\uff0c\u5c31\u6487\u4e0b\u7f8a\u9003\u8d70\uff0c\u72fc\u6293"
        "\u4f4f\u7f8a\uff0c\u8d76\u6563\u4e86\u7f8a\u7fa4\u3002\u96c7\u5de5\u9003\u8d70\uff0c\u56e0\u4ed6"
        "\u662f\u96c7\u5de5\uff0c\u5e76\u4e0d\u987e\u5ff5\u7f8a\u3002\u6211\u662f\u597d\u7267\u4eba\uff0c"
        "\u6211\u8ba4\u8bc6\u6211\u7684\u7f8a\uff0c\u6211\u7684\u7f8a\u4e5f\u8ba4\u8bc6\u6211\uff0c\u6b63"
        "\u5982\u7236\u8ba4\u8bc6\u6211\uff0c\u6211\u8ba4\u8bc6\u7236\u4e00\u6837\uff0c"
        "\u6211\u4e3a\u7f8a\u820d\u547d\u3002");
    ASSERT_EQ(chinese.size(), 115);
    const QString japanese = QStringLiteral(
        "\u308f\u305f\u3057\u306f\u826f\u3044\u7f8a\u98fc\u3044\u3067\u3042\u308b\u3002\u826f\u3044\u7f8a"
        "\u98fc\u3044\u306f\u3001\u7f8a\u306e\u305f\u3081\u306b\u547d\u3092\u6368\u3066\u308b\u3002\u30a4"
        "\u30a8\u30b9\u30fb\u30ad\u30ea\u30b9\u30c8\u306f\u304d\u306e\u3046\u3082\u304d\u3087\u3046\u3082"
        "\u3001\u3044\u3064\u307e\u3067\u3082\u5909\u308f\u308b\u3053\u3068\u304c\u306a\u3044\u3002");
    // A name and a year in Latin letters inside a Chinese sentence.
    const QString mixed = QStringLiteral(
        "\u6b63\u5982C.S.Lewis\u57281952\u5e74\u6240\u5199\u7684\uff0c\u57fa\u7763\u5f92\u7684\u751f\u547d"
        "\u5c31\u662f\u8ddf\u968f\u90a3\u4f4d\u597d\u7267\u4eba\uff0c\u542c\u4ed6\u7684\u58f0\u97f3\uff0c"
        "\u5728\u4ed6\u7684\u8349\u573a\u4e0a\u5f97\u7740\u996e\u98df\u3002");
    const QString longWord = QStringLiteral("Pneumonoultramicroscopicsilicovolcanoconiosis").repeated(3);
    const QString shortChinese = chinese.left(5);
    struct Case {
        QString text;
        bool breaks;
    };
    for (const Case& c : { Case { chinese, true }, Case { japanese, true }, Case { mixed, true },
             Case { longWord, false }, Case { shortChinese, false } }) {
        for (const bool bold : { false, true }) {
            const qreal width = 300;
            const qreal layoutWidth = width - ColumnMetrics::textAllowance;
            const QList<WrappedLine> lines = wrapColumnText(c.text, width, bold);
            const std::string label = c.text.left(12).toStdString() + (bold ? " bold" : "");
            if (!c.breaks) {
                EXPECT_EQ(lines, QList<WrappedLine>({ { c.text, 0 } })) << label;
                continue;
            }
            ASSERT_GT(lines.size(), 1) << label;
            const std::vector<qsizetype> places = lineBreakOpportunities(c.text);
            QString joined;
            for (qsizetype i = 0; i < lines.size(); ++i) {
                EXPECT_EQ(lines[i].yOffset, 28.0 * static_cast<qreal>(i)) << label;
                EXPECT_LE(naturalWidth(lines[i].string, bold), layoutWidth) << label << " line " << i;
                joined += lines[i].string;
                if (i + 1 == lines.size())
                    continue;
                const qsizetype end = joined.size();
                ASSERT_NE(std::find(places.cbegin(), places.cend(), end), places.cend()) << label << " line " << i;
                // Up to the next place a line may break, the line would not have fitted.
                const qsizetype next = *std::upper_bound(places.cbegin(), places.cend(), end);
                EXPECT_GT(naturalWidth(lines[i].string + c.text.mid(end, next - end), bold), layoutWidth)
                    << label << " line " << i;
            }
            EXPECT_EQ(joined, c.text) << label;
            // Wide enough for the whole run, it is one line again.
            EXPECT_EQ(wrapColumnText(c.text, naturalWidth(c.text, bold) + 2 + ColumnMetrics::textAllowance, bold),
                QList<WrappedLine>({ { c.text, 0 } }))
                << label;
        }
    }
}

TEST(WrappedLineTest, AnUnbrokenRunTooLongToSearchFillsTheLineOfTheWordsBeforeIt)
{
    // Breaking such a run only where it meets the line's end keeps a pasted megabyte from
    // freezing the columns; no character is lost on the way.
    const QString text = QStringLiteral("hello ") + QString(20'000, u'x');
    const QList<WrappedLine> lines = wrapColumnText(text, 600, false);
    ASSERT_GT(lines.size(), 1);
    EXPECT_TRUE(lines.front().string.startsWith(QStringLiteral("hello x")));
    QString joined;
    for (const WrappedLine& line : lines)
        joined += line.string;
    EXPECT_EQ(joined, text);
}

TEST(WrappedLineTest, NarrowColumnLaysOutInOnePoint)
{
    // Width 20 leaves 1 point, not −8: every character on a line of its own.
    const QList<WrappedLine> lines = wrapColumnText(QStringLiteral("ab cd"), 20, false);
    EXPECT_EQ(offsetsOf(lines), QList<qreal>({ 0, 28, 56, 84 }));
}

TEST(WrappedLineTest, SemiboldCanNeedMoreLines)
{
    const WeightSensitiveText sample = weightSensitiveText();
    if (sample.text.isEmpty())
        GTEST_SKIP() << "the resolved font has no wider semibold";
    EXPECT_EQ(wrapColumnText(sample.text, sample.width, false).size(), 1);
    EXPECT_GT(wrapColumnText(sample.text, sample.width, true).size(), 1);
}

namespace {

// Every paragraph that may break laid out with QTextLayout, as a line of the canvas is drawn.
QList<WrappedLine> laidOutLines(const QString& text, qreal width, bool bold)
{
    QList<WrappedLine> lines;
    for (const QString& paragraph : columnParagraphs(text).split(u'\n')) {
        const auto y = [&lines] { return 28.0 * static_cast<qreal>(lines.size()); };
        const std::vector<qsizetype> places = lineBreakOpportunities(paragraph);
        if (std::none_of(paragraph.begin(), paragraph.end(), [](QChar c) { return c.isSpace(); })
            && places.size() <= 2) {
            lines.append({ paragraph, y() });
            continue;
        }
        QTextLayout layout(paragraph, ColumnMetrics::font(bold));
        layout.setFormats(EmojiText::formats(paragraph));
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine())
            line.setLineWidth(std::max(width - 28, qreal(1)));
        layout.endLayout();
        for (int i = 0; i < layout.lineCount(); ++i)
            lines.append({ paragraph.mid(layout.lineAt(i).textStart(), layout.lineAt(i).textLength()), y() });
    }
    return lines;
}

} // namespace

// Lines measured without a layout, kept over a range of widths, or kept for the paragraphs an
// edit did not touch are the lines a layout of every paragraph gives.
TEST(WrappedLineTest, LinesFoundWithoutALayoutOrKeptAreTheLinesALayoutGives)
{
    const QStringList words { QStringLiteral("Grace"), QStringLiteral("to"), QStringLiteral("you,"),
        QStringLiteral("and"), QStringLiteral("peace"), QStringLiteral("from"), QStringLiteral("God"),
        QStringLiteral("WAVE"), QStringLiteral("\u00e9glise"), QStringLiteral("\u0399\u03b7\u03c3\u03bf\u1fe6\u03c2"),
        QStringLiteral("\u05e9\u05dc\u05d5\u05dd"), QStringLiteral("\u2014"), QStringLiteral("\n"),
        // Markers, drawn from the emoji font, measured apart from the rest.
        QStringLiteral("\U0001F7E0"), QStringLiteral("\u26AB"), QStringLiteral("\U0001F535Amen") };
    // Written without spaces: Chinese, Japanese and the Latin words inside them.
    const QStringList unspacedWords { QStringLiteral("\u7f8a\u542c\u4ed6\u7684\u58f0\u97f3"), QStringLiteral("\u3002"),
        QStringLiteral("\uff0c"), QStringLiteral("\u308f\u305f\u3057\u306f"), QStringLiteral("\u30a4\u30a8\u30b9"),
        QStringLiteral("Lewis"), QStringLiteral("1952"), QStringLiteral("\u300c\u597d\u7267\u4eba\u300d"),
        QStringLiteral("\n") };
    std::mt19937 random(5);
    for (int round = 0; round < 75; ++round) {
        QString text;
        const bool isUnspaced = round >= 60;
        const QStringList& pool = isUnspaced ? unspacedWords : words;
        for (int i = 0, count = 1 + static_cast<int>(random() % 50); i < count; ++i)
            text += pool[static_cast<qsizetype>(random() % pool.size())] + (isUnspaced ? "" : " ");
        const bool bold = random() % 4 == 0;
        qreal width = 100 + static_cast<qreal>(random() % 600) + 0.5;
        ColumnTextWrap kept = ColumnTextWrap::wrap(text, width, bold);
        ASSERT_EQ(kept.lines, laidOutLines(text, width, bold)) << text.toStdString() << " " << width;
        for (int edit = 0; edit < 6; ++edit) {
            const auto at = static_cast<qsizetype>(random() % static_cast<unsigned>(text.size() + 1));
            if (random() % 2 == 0)
                text.insert(at, pool[static_cast<qsizetype>(random() % pool.size())]);
            else
                text.remove(at, static_cast<qsizetype>(random() % 12));
            if (random() % 2 == 0)
                width += static_cast<qreal>(static_cast<int>(random() % 81) - 40);
            kept = kept.rewrapped(text, width, bold);
            ASSERT_EQ(kept.lines, laidOutLines(text, width, bold)) << text.toStdString() << " " << width;
            EXPECT_TRUE(kept.minWidth <= width && width <= kept.maxWidth);
        }
    }
}

// A column's width dragged narrower and wider in small and fractional steps: the lines found
// again at each width from the paragraphs' measures, their number found without making them,
// and the lines at both ends of the widths they are said to hold over are the lines a layout
// gives. Words end in glyphs that overhang (r, f, ligatures), in other fonts and scripts; some
// words are too long for a line, some spaces come in runs.
TEST(WrappedLineTest, LinesFoundAgainAtEveryWidthOfADragAreTheLinesALayoutGives)
{
    const QStringList words { QStringLiteral("door"), QStringLiteral("fluff"), QStringLiteral("office"),
        QStringLiteral("the"), QStringLiteral("sheep"), QStringLiteral("WAVE"), QStringLiteral("x/y"),
        QStringLiteral("abundantly;"), QStringLiteral("\u00e9glise"), QStringLiteral("\u2014"),
        QStringLiteral("\u0399\u03b7\u03c3\u03bf\u1fe6\u03c2"),
        QStringLiteral("\u0425\u0440\u0438\u0441\u0442\u043e\u0441"),
        QStringLiteral("\u65e5\u672c\u8a9e\u306e\u6587\u7ae0\u3002"), QStringLiteral("\ud55c\uad6d\uc5b4"),
        QStringLiteral("\u05e9\u05dc\u05d5\u05dd"), QStringLiteral("\U0001F534"), QStringLiteral("\u26ab"),
        QStringLiteral("counter\u00adfeit"), QStringLiteral("tab\there"), QStringLiteral(" "),
        QStringLiteral("Pneumonoultramicroscopicsilicovolcanoconiosis"), QStringLiteral("\n"), lineSeparator };
    std::mt19937 random(11);
    for (int round = 0; round < 28; ++round) {
        QString text = round % 5 == 0 ? QStringLiteral(" ") : QString();
        // The last rounds run the words together, as Chinese and Japanese are written.
        const bool isUnspaced = round >= 20;
        for (int i = 0, count = 2 + static_cast<int>(random() % 30); i < count; ++i)
            text += words[static_cast<qsizetype>(random() % words.size())]
                + (isUnspaced               ? ""
                        : random() % 6 == 0 ? "  "
                                            : " ");
        const bool bold = random() % 4 == 0;
        qreal width = 600;
        ColumnTextWrap kept = ColumnTextWrap::wrap(text, width, bold);
        for (int step = 0; step < 120; ++step) {
            width += (step < 60 ? -1 : 1) * (0.3 + static_cast<qreal>(random() % 70) / 10);
            const QList<WrappedLine> expected = laidOutLines(text, width, bold);
            qreal minWidth = 0;
            qreal maxWidth = 0;
            if (const std::optional<qsizetype> count = kept.lineCount(width, minWidth, maxWidth)) {
                ASSERT_EQ(*count, expected.size()) << text.toStdString() << " " << width;
                ASSERT_TRUE(minWidth <= width && width <= maxWidth);
            }
            kept = kept.rewrapped(width, bold);
            ASSERT_EQ(kept.lines, expected) << text.toStdString() << " " << width;
            ASSERT_TRUE(kept.minWidth <= width && width <= kept.maxWidth);
            for (const qreal end : { kept.minWidth, std::min(kept.maxWidth, qreal(2000)) })
                ASSERT_EQ(laidOutLines(text, end, bold), expected) << text.toStdString() << " " << width << " " << end;
        }
    }
}

TEST(ColumnLayoutTest, LoneTitleFillsOneColumnAndNoTreeNothing)
{
    const ColumnLayout empty = layOut(nullptr);
    EXPECT_EQ(empty.totalSize, QSizeF(0, 0));
    EXPECT_EQ(empty, ColumnLayout());
    EXPECT_TRUE(empty.columnXEdges.empty());

    const ColumnLayout layout = layOut(SermonNode::create(QStringLiteral("Title")));
    ASSERT_EQ(layout.frames.size(), 1);
    const ColumnNodeFrame frame = *layout.frames.cbegin();
    EXPECT_EQ(frame.origin, QPointF(0, 0));
    EXPECT_EQ(frame.size, QSizeF(600, 28));
    EXPECT_EQ(layout.columnCount, 1);
    EXPECT_EQ(layout.columnXEdges, std::vector<qreal>({ 0, 600 }));
    EXPECT_EQ(layout.totalSize, QSizeF(600, 28));

    const ColumnLayout narrow = layOut(SermonNode::create(QStringLiteral("Title")), ColumnWidthsConfig({ 420 }));
    EXPECT_EQ(narrow.totalSize, QSizeF(420, 28));
}

TEST(ColumnLayoutTest, SubtreesTakeTheTallerOfTextAndChildren)
{
    auto root = SermonNode::create(QStringLiteral("Title"));
    auto tall = root->addChild(QStringLiteral("one") + lineSeparator + "two" + lineSeparator + "three");
    auto tallChild = tall->addChild(QStringLiteral("child"));
    auto shortParent = root->addChild(QStringLiteral("short"));
    for (int i = 0; i < 3; ++i)
        shortParent->addChild(QStringLiteral("leaf %1").arg(i));
    auto folded = root->addChild(QStringLiteral("folded"));
    folded->addChild(QStringLiteral("hidden"));
    folded->setCollapsed(true);
    auto last = root->addChild(QStringLiteral("last"));

    const ColumnLayout layout = layOut(root);
    const auto frame = [&](const SermonNodePtr& node) { return layout.frames.value(node->id()); };
    EXPECT_EQ(frame(tall).size.height(), 84);
    EXPECT_EQ(frame(tall).subtreeBottom, 84);
    EXPECT_EQ(frame(tallChild).origin, QPointF(1200, 0));
    EXPECT_EQ(frame(shortParent).origin.y(), 84);
    EXPECT_EQ(frame(shortParent).size.height(), 28);
    EXPECT_EQ(frame(shortParent).subtreeBottom, 84 + 84);
    // A folded node is its own box; the next sibling starts right under its text.
    EXPECT_EQ(frame(folded).subtreeTop, 168);
    EXPECT_EQ(frame(folded).subtreeBottom, 196);
    EXPECT_FALSE(layout.frames.contains(folded->children().front()->id()));
    EXPECT_EQ(frame(last).origin.y(), 196);
    EXPECT_EQ(layout.totalSize, QSizeF(1800, 224));
    EXPECT_EQ(layout.columnCount, 3);
}

TEST(ColumnLayoutTest, StoredWidthsGiveTheEdgesAndMissingOnesCountSixHundred)
{
    auto root = SermonNode::create(QStringLiteral("Title"));
    root->addChild(QStringLiteral("a"))->addChild(QStringLiteral("b"));
    EXPECT_EQ(layOut(root, ColumnWidthsConfig({ 420 })).columnXEdges, std::vector<qreal>({ 0, 420, 1020, 1620 }));
}

TEST(ColumnLayoutTest, TitleIsMeasuredInTheWeightItIsDrawnIn)
{
    const WeightSensitiveText sample = weightSensitiveText();
    if (sample.text.isEmpty())
        GTEST_SKIP() << "the resolved font has no wider semibold";
    auto root = SermonNode::create(sample.text);
    auto child = root->addChild(sample.text);
    const ColumnLayout layout = layOut(root, ColumnWidthsConfig({ sample.width, sample.width }));
    const qsizetype drawnLines = wrapColumnText(sample.text, sample.width, true).size();
    EXPECT_EQ(layout.frames.value(root->id()).size.height(), 28.0 * static_cast<qreal>(drawnLines));
    EXPECT_EQ(layout.frames.value(child->id()).size.height(), 28);
}

TEST(ColumnLayoutTest, DeepOutlineLaysOutWithoutOverflowingTheStack)
{
    auto root = SermonNode::create(QStringLiteral("Title"));
    SermonNodePtr node = root;
    for (int i = 0; i < 100000; ++i)
        node = node->addChild(QStringLiteral("x"));
    const ColumnLayout layout = layOut(root);
    EXPECT_EQ(layout.columnCount, 100001);
    EXPECT_EQ(layout.frames.size(), 100001);
    EXPECT_EQ(layout.columnXEdges.back(), 600.0 * 100001);
}

TEST(ColumnWrapCacheTest, WrapsAgainOnlyWhatChangedAndForgetsNodesThatWent)
{
    auto root = SermonNode::create(QStringLiteral("Title"));
    auto a = root->addChild(QStringLiteral("a"));
    ColumnWrapCache cache;
    const QList<WrappedLine>* first = &cache.lines(a->id(), a->text(), 600, false);
    EXPECT_EQ(&cache.lines(a->id(), a->text(), 600, false), first);
    EXPECT_EQ(cache.lines(a->id(), QStringLiteral("a\nb"), 600, false).size(), 2);
    // The layout forgets the nodes that leave the tree.
    LiveColumnLayout layout;
    layout.update(root, ColumnWidthsConfig(), cache);
    EXPECT_EQ(cache.size(), 2);
    root->removeNode(a->id());
    layout.update(root, ColumnWidthsConfig(), cache);
    EXPECT_EQ(cache.size(), 1);
}

TEST(ColumnWidthsConfigTest, SettingAWidthFillsAndClamps)
{
    struct Case {
        std::vector<double> before;
        qint64 column;
        double width;
        std::vector<double> after;
    };
    const std::vector<Case> cases {
        { {}, 0, 100, { 180 } },
        { {}, 0, 5000, { 1200 } },
        { {}, 2, 300, { 600, 600, 300 } },
        { {}, 3, 250, { 600, 600, 600, 250 } },
        { { 420 }, -1, 300, { 420 } },
        { { 420, 500 }, 0, 700, { 700, 500 } },
        { {}, 0, HUGE_VAL, { 1200 } },
        { {}, 1, -HUGE_VAL, { 600, 180 } },
    };
    for (const Case& c : cases) {
        ColumnWidthsConfig config(c.before);
        config.setColumnWidth(c.column, c.width);
        EXPECT_EQ(config.widths(), c.after) << c.column << " " << c.width;
    }
}

TEST(ColumnWidthsConfigTest, StoredTextIsReadSafely)
{
    struct Case {
        QString raw;
        std::optional<std::vector<double>> widths;
    };
    const std::vector<Case> cases {
        { QStringLiteral("[]"), std::vector<double> {} },
        { QStringLiteral("[600,600,300]"), std::vector<double> { 600, 600, 300 } },
        { QStringLiteral("[420.5]"), std::vector<double> { 420.5 } },
        // Out of range values are held to the limits; a bad entry costs only itself.
        { QStringLiteral("[10, 99999, \"wide\", null, 300]"), std::vector<double> { 180, 1200, 600, 600, 300 } },
        { QStringLiteral("not json"), std::nullopt },
        { QStringLiteral("{\"widths\": [300]}"), std::nullopt },
        { QString(), std::nullopt },
    };
    for (const Case& c : cases) {
        const std::optional<ColumnWidthsConfig> config = ColumnWidthsConfig::fromRawValue(c.raw);
        ASSERT_EQ(config.has_value(), c.widths.has_value()) << c.raw.toStdString();
        if (config) {
            EXPECT_EQ(config->widths(), *c.widths) << c.raw.toStdString();
        }
    }
    // Not finite reads as the default width.
    EXPECT_EQ(ColumnWidthsConfig({ std::nan(""), 300 }).widths(), std::vector<double>({ 600, 300 }));
    EXPECT_EQ(ColumnWidthsConfig({ HUGE_VAL }).widthOf(0), 600);
}

TEST(ColumnWidthsConfigTest, EncodesAsAJsonListThatReadsBack)
{
    EXPECT_EQ(ColumnWidthsConfig().rawValue(), QStringLiteral("[]"));
    ColumnWidthsConfig config;
    config.setColumnWidth(2, 333.5);
    EXPECT_EQ(config.rawValue(), QStringLiteral("[600,600,333.5]"));
    EXPECT_EQ(ColumnWidthsConfig::fromRawValue(config.rawValue()), config);
    EXPECT_EQ(config.widthOf(7), 600);
}
