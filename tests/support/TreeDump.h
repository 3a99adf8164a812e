#pragma once

#include "document/SermonNode.h"

#include <QString>

namespace kestrion::test {

// The tree's shape without ids: text, depth and flags of each node in preorder.
inline QString treeShape(const SermonNodePtr& root)
{
    QString out;
    for (const auto& n : root->allNodes())
        out += QStringLiteral("%1:%2%3%4|")
                   .arg(n->text())
                   .arg(n->depth())
                   .arg(n->isCollapsed() ? "c" : "")
                   .arg(n->isQuote() ? "q" : "");
    return out;
}

} // namespace kestrion::test
