#pragma once

#include "document/SermonNode.h"

#include <QHash>
#include <QSet>
#include <QUuid>

namespace kestrion {

// Takes the given children out of each parent, one pass over each parent's children.
void removeChildren(const QHash<SermonNode*, QSet<QUuid>>& removals);

} // namespace kestrion
