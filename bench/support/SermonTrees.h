#pragma once

#include "document/MarkdownCodec.h"
#include "document/SermonDocument.h"
#include "document/SermonNode.h"

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

// A sermon of sentences of ordinary length, as the mode-switch timer writes one
// (bench/launch/switch_until_still.py): a title, main points, sub-points of eight points each,
// every third point with a point below it; every text a sentence of 8 to 25 words, so that
// most wrap to two or three lines in a column.
inline SermonNodePtr makeWordedSermonTree(int count, unsigned seed = 7)
{
    static const QStringList words = QStringLiteral(
        "the shepherd calls his own sheep by name and leads them out into green pastures where they find rest for "
        "their souls a thief comes only to steal kill destroy but I came that they may have life abundantly good "
        "lays down for hireling sees wolf coming leaves flees because he cares nothing about know me just as Father "
        "knows other not of this fold must bring also will listen my voice so there be one flock no takes it from")
                                         .split(u' ');
    std::mt19937 random(seed);
    const auto sentence = [&] {
        const int length = 8 + static_cast<int>(random() % 18);
        QStringList picked;
        for (int i = 0; i < length; ++i)
            picked.append(words[static_cast<qsizetype>(random() % words.size())]);
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
