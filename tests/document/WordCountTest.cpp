#include "document/WordCount.h"

#include <gtest/gtest.h>

#include <limits>
#include <random>

using namespace kestrion;

namespace {

// A root whose children are leaves with the given texts.
SermonNodePtr flatTree(const QStringList& leafTexts, const QString& title = QStringLiteral("Title"))
{
    SermonNodePtr root = SermonNode::create(title);
    for (const QString& text : leafTexts)
        root->addChild(text);
    return root;
}

QString words(int n)
{
    QStringList list;
    for (int i = 0; i < n; ++i)
        list << QStringLiteral("w%1").arg(i);
    return list.join(u' ');
}

} // namespace

TEST(WordCountTest, CountsRunsBetweenUnicodeWhiteSpace)
{
    EXPECT_EQ(countWords(QString::fromUtf16(u"  Grace and\u2028peace  ")), 3);
    EXPECT_EQ(countWords(QString()), 0);
    EXPECT_EQ(countWords(QStringLiteral(" \t\n ")), 0);

    // Every White_Space character separates, the in-node line break among them.
    const char16_t separators[] = { 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x20, 0x85, 0xA0, 0x1680, 0x2000, 0x2005, 0x200A,
        0x2028, 0x2029, 0x202F, 0x205F, 0x3000 };
    for (const char16_t separator : separators) {
        const QString text = QStringLiteral("one") + QChar(separator) + QStringLiteral("two");
        EXPECT_EQ(countWords(text), 2) << "U+" << std::hex << int(separator);
    }
    // Zero-width and format characters are not White_Space: they join.
    for (const char16_t joiner : { char16_t(0x200B), char16_t(0x180E), char16_t(0xFEFF), char16_t(0x2060) }) {
        const QString text = QStringLiteral("one") + QChar(joiner) + QStringLiteral("two");
        EXPECT_EQ(countWords(text), 1) << "U+" << std::hex << int(joiner);
    }
}

TEST(WordCountTest, PunctuationDashesDigitsAndEmojiAreWordCharacters)
{
    EXPECT_EQ(countWords(QStringLiteral("well-known")), 1);
    EXPECT_EQ(countWords(QStringLiteral("faith - hope")), 3);
    EXPECT_EQ(countWords(QStringLiteral("John 3:16, NIV.")), 3);
    // A marker and its space make a word of their own; a surrogate pair is one character.
    EXPECT_EQ(countWords(QString::fromUtf8("\xF0\x9F\x94\xB4 Main point")), 3);
    EXPECT_EQ(countWords(QString::fromUtf8("\xE2\x9A\xAA")), 1);
}

TEST(WordCountTest, CountsTheWholeSubtreeIncludingCollapsedBranches)
{
    SermonNodePtr root = SermonNode::create(QStringLiteral("Title"));
    root->addChild(QStringLiteral("two words"));
    SermonNodePtr folded = root->addChild(QStringLiteral("one"));
    folded->addChild(QStringLiteral("three more words"));
    folded->setCollapsed(true);
    EXPECT_EQ(wordCount(root), 7);
    EXPECT_EQ(wordCount(folded), 4);
    EXPECT_EQ(wordCount(SermonNode::create()), 0);
    EXPECT_EQ(wordCount(nullptr), 0);
}

TEST(WordCountTest, DeepTreesDoNotOverflowTheStack)
{
    SermonNodePtr root = SermonNode::create(QStringLiteral("Title"));
    SermonNodePtr node = root;
    for (int i = 0; i < 100000; ++i)
        node = node->addChild(QStringLiteral("a b"));
    EXPECT_EQ(wordCount(root), 200001);
    const auto fractions = wordFractions(root);
    ASSERT_EQ(fractions.size(), 1u);
    EXPECT_EQ(fractions.front().nodeID, node->id());
}

TEST(WordCountTest, LeavesAreCollectedInDocumentOrder)
{
    SermonNodePtr root = SermonNode::create(QStringLiteral("Title"));
    SermonNodePtr a = root->addChild(QStringLiteral("A heading"));
    SermonNodePtr a1 = a->addChild(QStringLiteral("one"));
    SermonNodePtr a2 = a->addChild(QStringLiteral("two words"));
    SermonNodePtr b = root->addChild(QStringLiteral("leaf with three"));
    a->setCollapsed(true);

    std::vector<QUuid> ids;
    std::vector<qint64> counts;
    collectLeafWordCounts(root, ids, counts);
    EXPECT_EQ(ids, (std::vector<QUuid> { a1->id(), a2->id(), b->id() }));
    EXPECT_EQ(counts, (std::vector<qint64> { 1, 2, 3 }));

    ids.clear();
    counts.clear();
    SermonNodePtr lone = SermonNode::create(QStringLiteral("Only a title"));
    collectLeafWordCounts(lone, ids, counts);
    EXPECT_EQ(ids, (std::vector<QUuid> { lone->id() }));
    EXPECT_EQ(counts, (std::vector<qint64> { 3 }));
}

TEST(WordCountTest, MovingAverageClipsItsWindowAtBothEnds)
{
    EXPECT_TRUE(movingAverage({}, 5).empty());
    EXPECT_EQ(movingAverage({ 4 }, 5), (std::vector<double> { 4.0 }));
    // Radius 1: windows [0,1], [0,2], [1,3], [2,3].
    EXPECT_EQ(movingAverage({ 3, 6, 9, 0 }, 1), (std::vector<double> { 4.5, 6.0, 5.0, 4.5 }));
    EXPECT_EQ(movingAverage({ 3, 6, 9, 0 }, 0), (std::vector<double> { 3.0, 6.0, 9.0, 0.0 }));
}

TEST(WordCountTest, FractionsFollowTheSmoothedCountsNotTheRawOnes)
{
    QStringList texts;
    for (int i = 0; i < 11; ++i)
        texts << QString();
    texts << words(12);
    const SermonNodePtr root = flatTree(texts);
    const auto fractions = wordFractions(root);
    ASSERT_EQ(fractions.size(), 12u);

    const std::vector<double> smoothed { 0, 0, 0, 0, 0, 0, 12.0 / 11, 12.0 / 10, 12.0 / 9, 12.0 / 8, 12.0 / 7,
        12.0 / 6 };
    double total = 0;
    for (double v : smoothed)
        total += v;
    double sum = 0;
    for (size_t i = 0; i < 12; ++i) {
        EXPECT_EQ(fractions[i].nodeID, root->children()[i]->id());
        EXPECT_DOUBLE_EQ(fractions[i].startFraction, sum / total) << i;
        sum += smoothed[i];
        EXPECT_DOUBLE_EQ(fractions[i].endFraction, sum / total) << i;
    }
    // The first six leaves have no words and no neighbour with words within reach.
    EXPECT_EQ(fractions[5].endFraction, 0.0);
    EXPECT_GT(fractions[6].endFraction, 0.0);
}

TEST(WordCountTest, FractionsAreContiguousAndEndAtExactlyOne)
{
    std::mt19937 random(7);
    std::uniform_int_distribution<int> wordsPerLeaf(0, 37);
    for (int round = 0; round < 50; ++round) {
        QStringList texts;
        const int leaves = 1 + round * 3;
        for (int i = 0; i < leaves; ++i)
            texts << words(wordsPerLeaf(random));
        texts << QStringLiteral("x");
        const auto fractions = wordFractions(flatTree(texts));
        ASSERT_EQ(fractions.size(), static_cast<size_t>(leaves + 1));
        EXPECT_EQ(fractions.front().startFraction, 0.0);
        for (size_t i = 1; i < fractions.size(); ++i) {
            EXPECT_EQ(fractions[i].startFraction, fractions[i - 1].endFraction);
            EXPECT_GE(fractions[i].endFraction, fractions[i].startFraction);
        }
        EXPECT_EQ(fractions.back().endFraction, 1.0);
    }
}

TEST(WordCountTest, NoFractionsWithoutWordsInLeaves)
{
    EXPECT_TRUE(wordFractions(flatTree({ QString(), QStringLiteral("  ") }, QString())).empty());

    // Words only in the root and in headings: every leaf is empty.
    SermonNodePtr root = SermonNode::create(QStringLiteral("Title words"));
    SermonNodePtr heading = root->addChild(QStringLiteral("Heading"));
    heading->addChild(QString());
    root->addChild(QStringLiteral("\u2028"));
    EXPECT_EQ(wordCount(root), 3);
    EXPECT_TRUE(wordFractions(root).empty());

    SermonNodePtr lone = SermonNode::create(QStringLiteral("Two words"));
    const auto fractions = wordFractions(lone);
    ASSERT_EQ(fractions.size(), 1u);
    EXPECT_EQ(fractions.front(), (NodeWordFraction { lone->id(), 0.0, 1.0 }));
}

TEST(WordCountTest, RoundedDurationIsAMultipleOfFiveOfAtLeastFive)
{
    EXPECT_EQ(roundedDurationMinutes(0, 130), 5);
    EXPECT_EQ(roundedDurationMinutes(650, 130), 5);
    EXPECT_EQ(roundedDurationMinutes(651, 130), 10);
    EXPECT_EQ(roundedDurationMinutes(1300, 130), 10);
    EXPECT_EQ(roundedDurationMinutes(1301, 130), 15);
    for (const qint64 pace : { qint64(0), qint64(-1), std::numeric_limits<qint64>::min() }) {
        EXPECT_EQ(roundedDurationMinutes(0, pace), 5);
        EXPECT_EQ(roundedDurationMinutes(100000, pace), 5);
    }
    EXPECT_EQ(roundedDurationMinutes(-20, 130), 5);
    EXPECT_GT(roundedDurationMinutes(std::numeric_limits<qint64>::max(), 1), 0);
}

TEST(WordCountTest, ReadingMinutesRoundUpToAtLeastOneWhateverThePace)
{
    EXPECT_EQ(readingMinutes(0, 120), 1);
    EXPECT_EQ(readingMinutes(120, 120), 1);
    EXPECT_EQ(readingMinutes(121, 120), 2);
    EXPECT_EQ(readingMinutes(1000, 140), 8);
    // A pace stored outside the program reads as one word a minute.
    EXPECT_EQ(readingMinutes(7, 0), 7);
    EXPECT_EQ(readingMinutes(7, -120), 7);
    EXPECT_EQ(readingMinutes(0, 0), 1);
}
