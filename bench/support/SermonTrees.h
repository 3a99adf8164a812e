#pragma once

#include "document/MarkdownCodec.h"
#include "document/SermonDocument.h"
#include "document/SermonNode.h"
#include "platform/MarkerCircles.h"

#include <QSet>
#include <QStringList>

#include <algorithm>
#include <random>
#include <vector>

namespace kestrion::bench {

// A sermon-shaped tree of count nodes: a title, main points, sub-points and leaves of
// wording down to depth 4, one in six texts with a second line. Given a number of main points,
// the title has exactly that many (a year of sermons kept in one file) and the other nodes
// lie below them.
inline SermonNodePtr makeSermonTree(int count, unsigned seed, int mainPoints = 0)
{
    std::mt19937 random(seed);
    auto root = SermonNode::create(QStringLiteral("The Good Shepherd"));
    std::vector<SermonNodePtr> parents { root };
    int made = 1;
    if (mainPoints > 0) {
        parents.clear();
        for (; made <= mainPoints && made < count; ++made)
            parents.push_back(root->addChild(QStringLiteral("Sermon %1: the sheep hear his voice").arg(made)));
    }
    while (made < count) {
        SermonNodePtr parent = parents[random() % parents.size()];
        if (parent->depth() >= 4)
            continue;
        QString text = QStringLiteral("Point %1: the sheep hear his voice and follow").arg(made);
        if (random() % 6 == 0)
            text += QChar(u'\u2028') + QStringLiteral("and a second line of wording");
        auto child = parent->addChild(text);
        if (child->depth() < 4)
            parents.push_back(child);
        ++made;
    }
    return root;
}

// The same shape as makeSermonTree, written in Chinese: every text a sentence of 8 to 150
// characters without spaces, broken by commas, one in six with a second line, one in ten
// with a name in Latin letters inside.
inline SermonNodePtr makeChineseSermonTree(int count, unsigned seed)
{
    std::mt19937 random(seed);
    const QString characters = QStringLiteral("羊听他的声音我是好牧人为舍命跟着门草"
                                              "场生命父上帝爱恩典信望教会圣经话语心"
                                              "里天地人们永远平安喜乐光明");
    const auto sentence = [&] {
        const int length = 8 + static_cast<int>(random() % 143);
        QString text;
        for (int i = 0; i < length; ++i) {
            text += characters[static_cast<qsizetype>(random() % characters.size())];
            if (i % 17 == 16)
                text += QChar(u'\uff0c');
            if (i == length / 2 && random() % 10 == 0)
                text += QStringLiteral("Spurgeon");
        }
        return text + QChar(u'\u3002');
    };
    auto root = SermonNode::create(sentence());
    std::vector<SermonNodePtr> parents { root };
    for (int made = 1; made < count;) {
        SermonNodePtr parent = parents[random() % parents.size()];
        if (parent->depth() >= 4)
            continue;
        QString text = sentence();
        if (random() % 6 == 0)
            text += QChar(u'\u2028') + sentence();
        auto child = parent->addChild(text);
        if (child->depth() < 4)
            parents.push_back(child);
        ++made;
    }
    return root;
}

// A sermon of sentences of ordinary length, as the mode-switch timer writes one
// (bench/launch/switch_until_still.py): a title, main points, sub-points of eight points each,
// every third with a point below it; every text a sentence of 8 to 25 words, so that most wrap
// to two or three lines. The words are the commonest ones, then made-up words of one to four
// syllables, each drawn as often as its rank's share (Zipf), so that the vocabulary grows with the
// sermon as a real one does.
inline SermonNodePtr makeWordedSermonTree(int count, unsigned seed = 7)
{
    std::mt19937 random(seed);
    QStringList words = QStringLiteral(
        "the and of to a in that he i it his was for is with as be they shall not him but you all them by have are "
        "unto which my this said their will from me we on so what your there when who one man were god lord our had "
        "then if let come know us into out may love shepherd sheep voice door life good name fold flock father son "
        "church hope grace pasture")
                            .split(u' ');
    QStringList syllables;
    for (const char* consonant :
        { "b", "c", "d", "f", "g", "h", "l", "m", "n", "p", "r", "s", "t", "v", "w", "th", "st", "gr", "pr" }) {
        for (const char* vowel : { "a", "e", "i", "o", "u", "ea", "ou" })
            syllables.append(QLatin1String(consonant) + QLatin1String(vowel));
    }
    QSet<QString> seen(words.cbegin(), words.cend());
    while (words.size() < 30'000) {
        QString word;
        for (int s = 1 + static_cast<int>(random() % 4); s > 0; --s)
            word += syllables[static_cast<qsizetype>(random() % syllables.size())];
        if (!seen.contains(word)) {
            seen.insert(word);
            words.append(word);
        }
    }
    std::vector<double> ranks;
    double total = 0;
    for (qsizetype rank = 1; rank <= words.size(); ++rank)
        ranks.push_back(total += 1.0 / static_cast<double>(rank));
    std::uniform_real_distribution<double> share(0, total);
    const auto sentence = [&] {
        const int length = 8 + static_cast<int>(random() % 18);
        QStringList picked;
        for (int i = 0; i < length; ++i) {
            const auto rank = std::lower_bound(ranks.begin(), ranks.end(), share(random)) - ranks.begin();
            picked.append(words[std::min<qsizetype>(rank, words.size() - 1)]);
        }
        picked.front()[0] = picked.front()[0].toUpper();
        return picked.join(u' ') + u'.';
    };
    const int mains = count <= 10'000 ? 10 : 25;
    const int perSub = 1 + 8 + 3;
    const int subs = std::max(1, (count - 1 - mains + mains * perSub / 2) / (mains * perSub));
    auto root = SermonNode::create(sentence());
    for (int main = 0; main < mains; ++main) {
        const SermonNodePtr point = root->addChild(sentence());
        for (int sub = 0; sub < subs; ++sub) {
            const SermonNodePtr subPoint = point->addChild(sentence());
            for (int leaf = 0; leaf < 8; ++leaf) {
                const SermonNodePtr line = subPoint->addChild(sentence());
                if (leaf % 3 == 0)
                    line->addChild(sentence());
            }
        }
    }
    return root;
}

// The tree with every node's text led by one of the nine markers, in their turn.
inline SermonNodePtr markEveryNode(SermonNodePtr root)
{
    size_t index = 0;
    for (const SermonNodePtr& node : root->allNodes()) {
        const char32_t marker = MarkerCircles::codePoints[index++ % MarkerCircles::codePoints.size()];
        node->setText(QString::fromUcs4(&marker, 1) + QStringLiteral(" ") + node->text());
    }
    return root;
}

// The file of a tree, and the tree as the editor holds it once that file is open: read in
// file order, as a user's sermon is, rather than grown in the generator's random order.
inline QByteArray sermonFile(const SermonNodePtr& root)
{
    return SermonDocument::fileContents(MarkdownCodec::serializeDocument(root, SermonMetadata {}));
}

inline SermonNodePtr openedSermonTree(const SermonNodePtr& root)
{
    return SermonDocument::readDocument(sermonFile(root))->root();
}

} // namespace kestrion::bench
