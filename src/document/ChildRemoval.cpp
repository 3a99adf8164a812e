#include "document/ChildRemoval.h"

namespace kestrion {

void removeChildren(const QHash<SermonNode*, QSet<QUuid>>& removals)
{
    for (auto it = removals.cbegin(); it != removals.cend(); ++it) {
        const QSet<QUuid>& ids = it.value();
        std::erase_if(
            it.key()->mutableChildren(), [&](const SermonNodePtr& child) { return ids.contains(child->id()); });
    }
}

} // namespace kestrion
