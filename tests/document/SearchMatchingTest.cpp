#include "document/SearchMatching.h"

#include <gtest/gtest.h>

#include <QTextBoundaryFinder>

using namespace kestrion;

namespace {

QList<MatchRange> ranges(std::initializer_list<std::pair<qsizetype, qsizetype>> list)
{
    QList<MatchRange> result;
    for (const auto& [lower, upper] : list)
        result.append({ lower, upper });
    return result;
}

qsizetype clusterCount(const QString& text)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype count = 0;
    while (finder.toNextBoundary() > 0)
        ++count;
    return count;
}

struct Tree {
    SermonNodePtr root = SermonNode::create(QStringLiteral("Grace alone"));
    SermonNodePtr a = root->addChild(QStringLiteral("Law"));
    SermonNodePtr a1 = a->addChild(QStringLiteral("grace abounds"));
    SermonNodePtr a2 = a->addChild(QStringLiteral("Sin"));
    SermonNodePtr a21 = a2->addChild(QStringLiteral("GRACE more"));
    SermonNodePtr b = root->addChild(QStringLiteral("Amazing Grace"));
};

} // namespace

TEST(SearchMatchingTest, MatchesComeInDocumentOrderWithRootAndCollapsedSubtrees)
{
    Tree t;
    t.a->setCollapsed(true);
    t.a2->setCollapsed(true);
    QList<QUuid> matches;
    SearchMatching::collectMatches(t.root, SearchMatching::searchKey(QStringLiteral("GrAcE")), matches);
    EXPECT_EQ(matches, (QList<QUuid> { t.root->id(), t.a1->id(), t.a21->id(), t.b->id() }));
}

TEST(SearchMatchingTest, EmptyQueryAndSpacedLettersMatchNothing)
{
    Tree t;
    QList<QUuid> matches;
    SearchMatching::collectMatches(t.root, QString(), matches);
    EXPECT_TRUE(matches.isEmpty());
    // A trailing space belongs to the query.
    SearchMatching::collectMatches(t.root, SearchMatching::searchKey(QStringLiteral("grace ")), matches);
    EXPECT_EQ(matches, (QList<QUuid> { t.root->id(), t.a1->id(), t.a21->id() }));
    matches.clear();
    SearchMatching::collectMatches(t.root, SearchMatching::searchKey(QStringLiteral("gr ace")), matches);
    EXPECT_TRUE(matches.isEmpty());
}

TEST(SearchMatchingTest, ComposedAndDecomposedLettersMatchEachOther)
{
    const QString composed = QStringLiteral("Caf\u00e9");
    const QString decomposed = QStringLiteral("Cafe\u0301");
    auto root = SermonNode::create(composed);
    auto child = root->addChild(decomposed);
    QList<QUuid> matches;
    SearchMatching::collectMatches(root, SearchMatching::searchKey(QStringLiteral("CAFE\u0301")), matches);
    EXPECT_EQ(matches, (QList<QUuid> { root->id(), child->id() }));

    EXPECT_EQ(SearchMatching::matchRanges(decomposed, QStringLiteral("\u00c9")), ranges({ { 3, 4 } }));
    EXPECT_EQ(SearchMatching::matchRanges(composed, QStringLiteral("fe\u0301")), ranges({ { 2, 4 } }));
    // A bare e does not match an accented one.
    EXPECT_TRUE(SearchMatching::matchRanges(composed, QStringLiteral("fe")).isEmpty());
}

// A word matches its capitals whatever its sigma: lowercasing makes every capital sigma the
// medial one, also where the word ends in the final one. What other scripts match stays as it
// was: composed and decomposed letters alike, the Turkish dotted capital only with its dot,
// the dotless i and the sharp s only themselves.
TEST(SearchMatchingTest, TheThreeSigmasMatchEachOtherAndOtherLettersMatchAsTheirLowercaseDoes)
{
    struct Case {
        QString text;
        QString query;
        QList<MatchRange> expected;
    };
    const std::vector<Case> cases {
        { QStringLiteral("\u039f\u0394\u039f\u03a3 \u039a\u0391\u0399 \u0396\u03a9\u0397"),
            QStringLiteral("\u03bf\u03b4\u03bf\u03c2"), ranges({ { 0, 4 } }) },
        { QStringLiteral("\u039f\u0394\u039f\u03a3 \u039a\u0391\u0399 \u0396\u03a9\u0397"),
            QStringLiteral("\u03bf\u03b4\u03bf\u03c3"), ranges({ { 0, 4 } }) },
        { QStringLiteral("\u03bf \u03bb\u03cc\u03b3\u03bf\u03c2"), QStringLiteral("\u039b\u038c\u0393\u039f\u03a3"),
            ranges({ { 2, 7 } }) },
        // Decomposed, the accented capital is one character still.
        { QStringLiteral("\u039b\u039f\u0301\u0393\u039f\u03a3 \u03bb\u03cc\u03b3\u03bf\u03c2"),
            QStringLiteral("\u03bb\u03cc\u03b3\u03bf\u03c2"), ranges({ { 0, 5 }, { 6, 11 } }) },
        { QStringLiteral("\u039f \u039b\u039f\u0393\u039f\u03a3 \u03a3\u0391\u03a1\u039e"),
            QStringLiteral("\u03c3\u03b1\u03c1\u03be"), ranges({ { 8, 12 } }) },
        { QStringLiteral("\u03bb\u03cc\u03b3\u03bf\u03c2"), QStringLiteral("\u03a3"), ranges({ { 4, 5 } }) },
        { QStringLiteral("\u03bc\u03b9\u03c3\u03bf\u03c2"), QStringLiteral("\u03c2"), ranges({ { 2, 3 }, { 4, 5 } }) },
        // No accents are folded away.
        { QStringLiteral("\u03bb\u03cc\u03b3\u03bf\u03c2"), QStringLiteral("\u039b\u039f\u0393\u039f\u03a3"), {} },
        { QStringLiteral("Caf\u00e9"), QStringLiteral("CAFE\u0301"), ranges({ { 0, 4 } }) },
        { QStringLiteral("Cafe\u0301"), QStringLiteral("\u00c9"), ranges({ { 3, 4 } }) },
        { QStringLiteral("\u0130stanbul"), QStringLiteral("i"), ranges({ { 0, 1 } }) },
        { QStringLiteral("\u0130stanbul"), QStringLiteral("istanbul"), {} },
        { QStringLiteral("\u0130stanbul"), QStringLiteral("\u0130STANBUL"), ranges({ { 0, 8 } }) },
        { QStringLiteral("ISPARTA"), QStringLiteral("\u0131"), {} },
        { QStringLiteral("\u0131l\u0131k"), QStringLiteral("ILIK"), {} },
        { QStringLiteral("Stra\u00dfe"), QStringLiteral("STRASSE"), {} },
        { QStringLiteral("STRASSE"), QStringLiteral("stra\u00dfe"), {} },
        { QStringLiteral("Stra\u00dfe"), QStringLiteral("\u1e9e"), ranges({ { 4, 5 } }) },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SearchMatching::matchRanges(c.text, c.query), c.expected)
            << c.text.toStdString() << " / " << c.query.toStdString();
        // The node is found exactly where ranges are.
        auto node = SermonNode::create(c.text);
        QList<QUuid> matches;
        SearchMatching::collectMatches(node, SearchMatching::searchKey(c.query), matches);
        EXPECT_EQ(matches.size(), c.expected.isEmpty() ? 0 : 1)
            << c.text.toStdString() << " / " << c.query.toStdString();
    }
}

TEST(SearchMatchingTest, CollapsedAncestorsOfMatchesFromRootDownToParent)
{
    Tree t;
    t.root->setCollapsed(true);
    t.a->setCollapsed(true);
    t.a2->setCollapsed(true);
    t.a21->setCollapsed(true); // the match's own flag is not reported
    QSet<QUuid> result;
    SearchMatching::collectCollapsedAncestorsOfMatches(t.root, {}, { t.a21->id() }, result);
    EXPECT_EQ(result, (QSet<QUuid> { t.root->id(), t.a->id(), t.a2->id() }));

    // A match that is itself collapsed is reported only as another match's ancestor.
    result.clear();
    SearchMatching::collectCollapsedAncestorsOfMatches(t.root, {}, { t.a2->id(), t.b->id() }, result);
    EXPECT_EQ(result, (QSet<QUuid> { t.root->id(), t.a->id() }));

    // Matches in several folded branches each bring their own ancestors.
    t.a->setCollapsed(false);
    const SermonNodePtr b1 = t.b->addChild(QStringLiteral("grace"));
    t.b->setCollapsed(true);
    result.clear();
    SearchMatching::collectCollapsedAncestorsOfMatches(t.root, {}, { t.a1->id(), t.a21->id(), b1->id() }, result);
    EXPECT_EQ(result, (QSet<QUuid> { t.root->id(), t.a2->id(), t.b->id() }));
    t.b->mutableChildren().clear();
    t.b->setCollapsed(false);
    t.a->setCollapsed(true);

    // Siblings of a collapsed branch do not inherit it.
    t.root->setCollapsed(false);
    result.clear();
    SearchMatching::collectCollapsedAncestorsOfMatches(t.root, {}, { t.b->id() }, result);
    EXPECT_TRUE(result.isEmpty());

    // The given path counts as ancestors.
    result.clear();
    SearchMatching::collectCollapsedAncestorsOfMatches(t.a21, { t.root, t.a, t.a2 }, { t.a21->id() }, result);
    EXPECT_EQ(result, (QSet<QUuid> { t.a->id(), t.a2->id() }));
}

TEST(SearchMatchingTest, RangesAreNonOverlappingAndIgnoreCase)
{
    EXPECT_EQ(SearchMatching::matchRanges(QStringLiteral("GRACE more grace"), QStringLiteral("grace")),
        ranges({ { 0, 5 }, { 11, 16 } }));
    EXPECT_EQ(SearchMatching::matchRanges(QStringLiteral("GRACE more grace"), QStringLiteral("GRACE")),
        ranges({ { 0, 5 }, { 11, 16 } }));
    EXPECT_EQ(
        SearchMatching::matchRanges(QStringLiteral("aaaa"), QStringLiteral("aa")), ranges({ { 0, 2 }, { 2, 4 } }));
    EXPECT_EQ(SearchMatching::matchRanges(QStringLiteral("aaa"), QStringLiteral("aa")), ranges({ { 0, 2 } }));
    EXPECT_TRUE(SearchMatching::matchRanges(QStringLiteral("aaa"), QString()).isEmpty());
    EXPECT_TRUE(SearchMatching::matchRanges(QString(), QStringLiteral("a")).isEmpty());
    EXPECT_TRUE(SearchMatching::matchRanges(QStringLiteral("abc"), QStringLiteral("abcd")).isEmpty());
}

TEST(SearchMatchingTest, RangesCountGraphemeClustersOfTheOriginalText)
{
    // A marker emoji is two UTF-16 units but one character.
    EXPECT_EQ(
        SearchMatching::matchRanges(QStringLiteral("\U0001F534 Grace"), QStringLiteral("grace")), ranges({ { 2, 7 } }));
    // A flag of two regional indicators and a family joined by ZWJ are one character each.
    const QString family = QStringLiteral("\U0001F468\u200D\U0001F469\u200D\U0001F467");
    EXPECT_EQ(SearchMatching::matchRanges(
                  QStringLiteral("\U0001F1E9\U0001F1EA") + family + QStringLiteral("xy"), QStringLiteral("Y")),
        ranges({ { 3, 4 } }));
}

TEST(SearchMatchingTest, LoweringThatGrowsTheTextNeverShiftsOrOverrunsRanges)
{
    // U+0130 lowercases to two code points; ranges still index the original text.
    const QString text = QStringLiteral("\u0130\u0130\u0130 grace");
    EXPECT_EQ(SearchMatching::matchRanges(text, QStringLiteral("grace")), ranges({ { 4, 9 } }));
    // A query matching part of a grown character covers that whole character.
    const auto dotted = SearchMatching::matchRanges(text, QStringLiteral("i"));
    EXPECT_EQ(dotted, ranges({ { 0, 1 }, { 1, 2 }, { 2, 3 } }));
    const QString tail = QStringLiteral("ab\u0130");
    for (const QString& query : { QStringLiteral("\u0130"), QStringLiteral("i"), QStringLiteral("b\u0130") }) {
        for (const auto& range : SearchMatching::matchRanges(tail, query)) {
            EXPECT_LT(range.lower, range.upper);
            EXPECT_LE(range.upper, clusterCount(tail)) << query.toStdString();
        }
    }
    EXPECT_EQ(SearchMatching::matchRanges(tail, QStringLiteral("i\u0307")), ranges({ { 2, 3 } }));
}

TEST(SearchMatchingTest, DeepTreesAreWalkedWithoutRecursion)
{
    auto root = SermonNode::create(QStringLiteral("top"));
    SermonNodePtr node = root;
    std::vector<SermonNodePtr> chain;
    for (int i = 0; i < 100000; ++i) {
        node = node->addChild(QStringLiteral("level"));
        chain.push_back(node);
    }
    for (const auto& n : chain)
        n->setCollapsed(true);
    node->setText(QStringLiteral("needle"));
    QList<QUuid> matches;
    SearchMatching::collectMatches(root, SearchMatching::searchKey(QStringLiteral("needle")), matches);
    ASSERT_EQ(matches, QList<QUuid> { node->id() });
    QSet<QUuid> toOpen;
    SearchMatching::collectCollapsedAncestorsOfMatches(root, {}, { node->id() }, toOpen);
    EXPECT_EQ(toOpen.size(), 99999);

    // Every level a match: each folded node is reported once, not once per match below it.
    matches.clear();
    SearchMatching::collectMatches(root, SearchMatching::searchKey(QStringLiteral("e")), matches);
    ASSERT_EQ(matches.size(), 100000);
    toOpen.clear();
    SearchMatching::collectCollapsedAncestorsOfMatches(root, {}, QSet<QUuid>(matches.begin(), matches.end()), toOpen);
    EXPECT_EQ(toOpen.size(), 99999);
}
