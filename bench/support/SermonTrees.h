#pragma once

#include "document/MarkdownCodec.h"
#include "document/SermonDocument.h"
#include "document/SermonNode.h"

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
