// Laws of the file format over a few thousand random trees with fixed seeds:
// - a tree whose texts are of the kinds the format keeps reads back as the same tree, and
//   its text is written again byte for byte; the same holds for a branch pasted from Copy
//   Branch text;
// - any text of one line, however much it looks like the file's own syntax, reads back as
//   itself with its node's flags, wherever the node stands (the title's blanks at its ends
//   aside);
// - for any tree at all, no word is lost by writing and reading, and after a few rounds of
//   reading and writing the text stays as it is.

#include "MarkdownCodecTestSupport.h"

#include "document/MarkdownCodec.h"

#include <gtest/gtest.h>

#include <QRegularExpression>

#include <functional>
#include <random>

using namespace kestrion;
using namespace kestrion::test;

namespace {

const QStringList tokens = {
    QStringLiteral("a"),
    QStringLiteral("Word"),
    QStringLiteral(" "),
    QStringLiteral("  "),
    QStringLiteral("\t"),
    QStringLiteral("\u00a0"),
    QStringLiteral("\u2028"),
    QStringLiteral("#"),
    QStringLiteral("## "),
    QStringLiteral("-"),
    QStringLiteral("- "),
    QStringLiteral("* "),
    QStringLiteral(">"),
    QStringLiteral("> "),
    QStringLiteral("[//]: # (collapsed)"),
    QStringLiteral("---"),
    QStringLiteral("\u00e9t\u00e9"),
    QStringLiteral("\U0001F534 "),
    QStringLiteral("\n"),
    QStringLiteral("\n"),
    QStringLiteral(". "),
    QStringLiteral("?"),
    QStringLiteral(":"),
    QStringLiteral("'\""),
};

const QStringList hostileTokens = tokens
    + QStringList { QStringLiteral("\r"), QStringLiteral("\r\n"), QStringLiteral("\n\n"), QStringLiteral("    "),
          QStringLiteral("\n- "), QStringLiteral("\n  "), QStringLiteral("\n> "), QStringLiteral("\n# ") };

const QString marker = QStringLiteral("[//]: # (collapsed)");

// How the writer puts a node into the text.
enum class Role { Heading, Plain, HeadingQuote, BulletParent, BulletLeaf, BulletQuote };

class Generator {
public:
    explicit Generator(unsigned seed)
        : m_random(seed)
    {
    }

    int below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_random); }
    bool chance(int percent) { return below(100) < percent; }

    QString text(const QStringList& alphabet, int maxTokens)
    {
        QString result;
        const int count = below(maxTokens + 1);
        for (int i = 0; i < count; ++i)
            result += alphabet[below(static_cast<int>(alphabet.size()))];
        return result;
    }

    // Shape and flags; texts come later, once roles are known.
    N shape(qint64 depth, int& budget, bool hostile)
    {
        N result;
        const int maxChildren = depth == 0 ? 6 : (depth < 9 ? 4 : 0);
        const int children = budget > 0 ? below(maxChildren + 1) : 0;
        for (int i = 0; i < children && budget > 0; ++i) {
            --budget;
            if (chance(depth < 4 ? 55 : 35))
                result.children.push_back(shape(depth + 1, budget, hostile));
            else
                result.children.push_back(N {});
        }
        if (hostile) {
            result.collapsed = chance(25);
            result.quote = chance(25);
        } else if (result.children.empty()) {
            result.quote = chance(30);
        } else {
            result.collapsed = chance(30);
        }
        return result;
    }

    SermonMetadata metadata(bool hostile)
    {
        SermonMetadata m;
        if (chance(50))
            return m;
        const QStringList& alphabet = hostile ? hostileTokens : tokens;
        if (chance(60))
            m.scripture = text(alphabet, 5);
        if (chance(40))
            m.series = text(alphabet, 5);
        if (chance(50))
            m.duration = below(200) - 20;
        for (int i = below(4); i > 0; --i) {
            SermonOccasion occasion;
            occasion.place = text(alphabet, 4);
            occasion.date = QDate(2000 + below(40), 1 + below(12), 1 + below(28));
            m.occasions.push_back(occasion);
        }
        return m;
    }

private:
    std::mt19937 m_random;
};

QStringList parts(const QString& text)
{
    return text.split(u'\n');
}

bool isTrimmed(const QString& text)
{
    return MarkdownCodec::trimWhitespace(text) == text;
}

bool startsLikeAnotherKind(const QString& line)
{
    return MarkdownCodec::parseBullet(line) || MarkdownCodec::parseHeading(line) || line.startsWith(u'>')
        || line == marker;
}

// Whether the format promises to keep this text for a node in this role.
bool isKept(const QString& text, Role role)
{
    if (text.contains(u'\r'))
        return false;
    switch (role) {
    case Role::Heading:
        return !text.contains(u'\n') && isTrimmed(text);
    case Role::Plain:
        return !text.contains(u'\n') && isTrimmed(text) && !text.isEmpty() && !startsLikeAnotherKind(text);
    case Role::HeadingQuote:
        for (const QString& part : parts(text)) {
            if (part.isEmpty() || MarkdownCodec::isFormatWhitespace(part.back()))
                return false;
        }
        return true;
    case Role::BulletParent:
        return !text.contains(u'\n') && !text.startsWith(QStringLiteral("> ")) && text != u">";
    case Role::BulletLeaf: {
        const QStringList all = parts(text);
        if (all.first().startsWith(QStringLiteral("> ")) || all.first() == u">")
            return false;
        for (qsizetype i = 1; i < all.size(); ++i) {
            const QString trimmed = MarkdownCodec::trimWhitespace(all[i]);
            if (trimmed.isEmpty() || trimmed == marker || MarkdownCodec::parseBullet(all[i]))
                return false;
        }
        return true;
    }
    case Role::BulletQuote:
        return true;
    }
    return false;
}

bool needsBulletMode(const N& parent, qint64 parentDepth)
{
    bool seenParent = false;
    for (const N& child : parent.children) {
        if (!child.children.empty()) {
            if (parentDepth + 1 > 5)
                return true;
            seenParent = true;
        } else if (seenParent) {
            return true;
        }
    }
    return false;
}

void fillTexts(N& outline, qint64 depth, Role role, Generator& random, bool hostile)
{
    const QStringList& alphabet = hostile ? hostileTokens : tokens;
    outline.text = random.text(alphabet, 5);
    if (!hostile) {
        for (int attempt = 0; !isKept(outline.text, role); ++attempt)
            outline.text = attempt < 20 ? random.text(alphabet, 5) : QStringLiteral("Word");
    }
    if (outline.children.empty())
        return;
    const bool bullets = role == Role::BulletParent || needsBulletMode(outline, depth);
    for (N& child : outline.children) {
        Role childRole;
        if (bullets)
            childRole
                = !child.children.empty() ? Role::BulletParent : (child.quote ? Role::BulletQuote : Role::BulletLeaf);
        else
            childRole = !child.children.empty() ? Role::Heading : (child.quote ? Role::HeadingQuote : Role::Plain);
        fillTexts(child, depth + 1, childRole, random, hostile);
    }
}

N randomTree(Generator& random, bool hostile)
{
    int budget = 3 + random.below(40);
    N tree = random.shape(0, budget, hostile);
    if (!hostile) {
        // The title is never a quote; its collapsed flag is kept even without children.
        tree.quote = false;
        tree.collapsed = random.chance(20);
    }
    fillTexts(tree, 0, Role::Heading, random, hostile);
    return tree;
}

// A tree of any shape the format keeps, its texts a few tokens of the alphabet each.
N randomTree(Generator& random, const QStringList& alphabet)
{
    int budget = 3 + random.below(40);
    N tree = random.shape(0, budget, false);
    const std::function<void(N&)> fill = [&](N& outline) {
        outline.text = random.text(alphabet, 4);
        for (N& child : outline.children)
            fill(child);
    };
    fill(tree);
    return tree;
}

void expectSameDetails(const SermonMetadata& read, const SermonMetadata& written)
{
    EXPECT_EQ(read.scripture, written.scripture);
    EXPECT_EQ(read.series, written.series);
    EXPECT_EQ(read.duration, written.duration);
    const std::vector<SermonOccasion> expected = sortedOccasionsForEncoding(written.occasions);
    ASSERT_EQ(read.occasions.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(read.occasions[i].place, expected[i].place);
        EXPECT_EQ(read.occasions[i].date, expected[i].date);
    }
}

// Nodes with children written as headings: Copy Branch writes their subtree in the very
// same roles as the file does.
void collectHeadingSections(const SermonNodePtr& node, bool isHeading, std::vector<SermonNodePtr>& out)
{
    if (!isHeading || !node->hasChildren())
        return;
    out.push_back(node);
    bool seenParent = false;
    bool bullets = false;
    for (const SermonNodePtr& child : node->children()) {
        if (child->hasChildren()) {
            bullets = bullets || child->depth() > 5;
            seenParent = true;
        } else if (seenParent) {
            bullets = true;
        }
    }
    for (const SermonNodePtr& child : node->children())
        collectHeadingSections(child, !bullets, out);
}

// The letter and digit runs of all node texts, sorted; "collapsed" may become a marker.
QStringList words(const SermonNodePtr& root)
{
    static const QRegularExpression run(QStringLiteral("[\\p{L}\\p{N}]+"));
    QStringList result;
    for (const SermonNodePtr& node : root->allNodes()) {
        for (const auto& match : run.globalMatch(node->text())) {
            if (match.captured() != u"collapsed")
                result.append(match.captured());
        }
    }
    result.sort();
    return result;
}

// What every tree the reader builds satisfies: children deeper than their parent (bullets
// and lines one level, headings to their own level), no quotation with children, and
// bounded depth.
bool isWellFormed(const SermonNodePtr& root)
{
    for (const SermonNodePtr& node : root->allNodes()) {
        if (node->isQuote() && node->hasChildren())
            return false;
        if (node->depth() > MarkdownCodec::deepestHeadingDepth + MarkdownCodec::maxBulletNesting + 1)
            return false;
        for (const SermonNodePtr& child : node->children()) {
            if (child->depth() <= node->depth())
                return false;
            if (child->depth() > node->depth() + 1 && child->depth() > MarkdownCodec::deepestHeadingDepth)
                return false;
        }
    }
    return root->depth() == 0;
}

} // namespace

TEST(MarkdownCodecPropertyTest, KeptTextsSurviveTheRoundTripByteForByte)
{
    Generator random(20240310);
    for (int round = 0; round < 3000; ++round) {
        const N tree = randomTree(random, false);
        const SermonMetadata metadata = random.metadata(false);
        const SermonNodePtr root = build(tree);
        const QString text = MarkdownCodec::serializeDocument(root, metadata);

        const MarkdownCodec::FrontMatterSplit split = MarkdownCodec::splitFrontMatter(text);
        const SermonNodePtr back = MarkdownCodec::parseDocument(split.bodyLines);
        ASSERT_EQ(dump(back), dump(root)) << "round " << round << "\n" << text.toStdString();
        expectSameDetails(split.metadata, metadata);
        ASSERT_EQ(MarkdownCodec::serializeDocument(back, split.metadata), text) << "round " << round;

        std::vector<SermonNodePtr> sections;
        collectHeadingSections(root, true, sections);
        for (const SermonNodePtr& section : sections) {
            QStringList lines;
            MarkdownCodec::writeNodeTree(section, 0, lines, true);
            const qint64 target = random.below(8);
            const auto nodes = MarkdownCodec::parsePastedMarkdown(lines.join(u'\n'), target);
            ASSERT_EQ(nodes.size(), 1u) << lines.join(u'\n').toStdString();
            ASSERT_EQ(dump(nodes[0], target + 1), dump(section, section->depth())) << "round " << round << "\n"
                                                                                   << lines.join(u'\n').toStdString();
        }
    }
}

TEST(MarkdownCodecPropertyTest, AnyOneLineTextReadsBackAsItself)
{
    QStringList alphabet = tokens + QStringList { QStringLiteral("\\"), QStringLiteral("\\> ") };
    alphabet.removeAll(QStringLiteral("\n"));
    Generator random(20250611);
    for (int round = 0; round < 3000; ++round) {
        N tree = randomTree(random, alphabet);
        tree.text = MarkdownCodec::trimWhitespace(tree.text);
        tree.quote = false;
        tree.collapsed = random.chance(20);
        const SermonNodePtr root = build(tree);
        const QString text = MarkdownCodec::serializeDocument(root, SermonMetadata());
        const SermonNodePtr back = readBody(text);
        ASSERT_EQ(dump(back), dump(root)) << "round " << round << "\n" << text.toStdString();
        ASSERT_EQ(MarkdownCodec::serializeDocument(back, SermonMetadata()), text) << "round " << round;
    }
}

TEST(MarkdownCodecPropertyTest, AnyTreeSettlesWithoutLosingWords)
{
    Generator random(7);
    for (int round = 0; round < 3000; ++round) {
        const N tree = randomTree(random, true);
        const SermonMetadata metadata = random.metadata(true);
        QString text = MarkdownCodec::serializeDocument(build(tree), metadata);
        const MarkdownCodec::FrontMatterSplit firstSplit = MarkdownCodec::splitFrontMatter(text);
        const SermonNodePtr firstRead = MarkdownCodec::parseDocument(firstSplit.bodyLines);
        const QStringList firstWords = words(firstRead);
        ASSERT_EQ(firstWords, words(build(tree))) << "round " << round << "\n" << text.toStdString();
        expectSameDetails(firstSplit.metadata, metadata);

        // Texts the format does not keep (an empty leaf, a heading left without children)
        // may change the text a few more times; then it must stay.
        int rounds = 0;
        SermonNodePtr settled;
        for (;; ++rounds) {
            const MarkdownCodec::FrontMatterSplit split = MarkdownCodec::splitFrontMatter(text);
            settled = MarkdownCodec::parseDocument(split.bodyLines);
            ASSERT_TRUE(isWellFormed(settled)) << "round " << round << "\n" << text.toStdString();
            const QString next = MarkdownCodec::serializeDocument(settled, split.metadata);
            if (next == text)
                break;
            ASSERT_LT(rounds, 8) << "round " << round << "\n" << text.toStdString();
            text = next;
        }
        ASSERT_EQ(words(settled), firstWords) << "round " << round << "\n" << text.toStdString();
    }
}

// What Cut writes: any siblings in document order, whatever their texts (line feeds aside, which
// only a file's continuation lines make), paste back as themselves.
TEST(MarkdownCodecPropertyTest, RemovableBranchesPasteBackAsThemselves)
{
    QStringList alphabet = tokens + QStringList { QStringLiteral("\\"), QStringLiteral("Untitled") };
    alphabet.removeAll(QStringLiteral("\n"));
    Generator random(20260101);
    for (int round = 0; round < 3000; ++round) {
        const SermonNodePtr root = build(randomTree(random, alphabet));
        for (const SermonNodePtr& parent : root->allNodes()) {
            std::vector<SermonNodePtr> picked;
            QString expected;
            for (const SermonNodePtr& child : parent->children()) {
                if (random.chance(60)) {
                    picked.push_back(child);
                    expected += dump(child, child->depth());
                }
            }
            if (picked.empty())
                continue;
            const QString text = MarkdownCodec::writeRemovableBranches(picked);
            QString pasted;
            for (const SermonNodePtr& node : MarkdownCodec::parsePastedMarkdown(text, parent->depth()))
                pasted += dump(node, parent->depth() + 1);
            ASSERT_EQ(pasted, expected) << "round " << round << "\n" << text.toStdString();
        }
    }
}
