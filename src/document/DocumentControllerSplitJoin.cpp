#include "document/DocumentController.h"

#include "document/Clipboard.h"
#include "document/MarkdownCodec.h"
#include "document/TextParts.h"

#include <utility>

namespace kestrion {

void DocumentController::copyBranch()
{
    const std::vector<SermonNodePtr> nodes = topLevelSelectedNodes();
    if (nodes.empty() || !m_clipboard)
        return;
    m_clipboard->setText(MarkdownCodec::writeBranches(nodes));
}

bool DocumentController::isNewline(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 0x0A && u <= 0x0D) || u == 0x85 || u == 0x2028 || u == 0x2029;
}

void DocumentController::splitLines()
{
    splitSelectedLeaves(&lineParts, false);
}

void DocumentController::splitSentences()
{
    splitSelectedLeaves(&sentenceParts, true);
}

void DocumentController::splitSelectedLeaves(QStringList (*parts)(const QString&), bool recordBeforeLooking)
{
    const QSet<QUuid> ids = effectiveSelection();
    SermonNodePtr top = root();
    if (ids.isEmpty() || !top)
        return;
    // Split Sentences keeps its step even when no node turns out to split.
    bool recorded = recordBeforeLooking;
    if (recordBeforeLooking)
        recordUndo();

    SermonNodeMap nodes;
    SermonNodeMap parents;
    indexNodesByID(top, nodes);
    indexParentsByChildID(top, parents);
    // The pieces of every node that splits are gathered first; then each parent's children
    // are rebuilt in one pass, the pieces standing in their node's place.
    QHash<SermonNode*, QHash<QUuid, QStringList>> splits;
    for (const auto& id : ids) {
        SermonNodePtr node = nodes.value(id);
        if (!node || node->hasChildren() || node == top)
            continue;
        SermonNodePtr parent = parents.value(id);
        if (!parent)
            continue;
        QStringList pieces = parts(node->text());
        if (pieces.size() < 2)
            continue;
        splits[parent.get()].insert(id, std::move(pieces));
    }
    if (splits.isEmpty())
        return;
    if (!recorded)
        recordUndo();

    QSet<QUuid> created;
    // The anchor stays, so that Shift and an arrow extend from it as before; when its own
    // node was split, its first piece stands in for it.
    std::optional<QUuid> anchor = m_selectionAnchorID;
    for (auto it = splits.cbegin(); it != splits.cend(); ++it) {
        const auto& children = it.key()->children();
        std::vector<SermonNodePtr> rebuilt;
        rebuilt.reserve(children.size());
        for (const SermonNodePtr& child : children) {
            const auto found = it.value().constFind(child->id());
            if (found == it.value().cend()) {
                rebuilt.push_back(child);
                continue;
            }
            for (const QString& text : *found) {
                SermonNodePtr piece = SermonNode::create(text, child->depth());
                piece->setQuote(child->isQuote());
                if (anchor == child->id())
                    anchor = piece->id();
                created.insert(piece->id());
                rebuilt.push_back(std::move(piece));
            }
        }
        it.key()->mutableChildren() = std::move(rebuilt);
    }
    announceTreeMutation();
    setSelection(created, firstInDocumentOrder(created), anchor);
}

void DocumentController::join()
{
    const QSet<QUuid> ids = effectiveSelection();
    SermonNodePtr top = root();
    if (ids.size() < 2 || !top)
        return;
    auto joinable = [&](const SermonNodePtr& child) { return ids.contains(child->id()) && !child->hasChildren(); };

    bool recorded = false;
    QSet<QUuid> joined;
    // Every parent, in document order; removed members are leaves, so the list stays valid.
    for (const auto& parent : top->allNodes()) {
        auto& children = parent->mutableChildren();
        for (size_t i = 0; i < children.size(); ++i) {
            if (!joinable(children[i]))
                continue;
            size_t end = i + 1;
            while (end < children.size() && joinable(children[end]))
                ++end;
            if (end - i < 2)
                continue;
            if (!recorded) {
                recordUndo();
                recorded = true;
            }
            QStringList texts;
            bool allQuotes = true;
            for (size_t k = i; k < end; ++k) {
                texts.append(children[k]->text());
                allQuotes = allQuotes && children[k]->isQuote();
            }
            const SermonNodePtr& first = children[i];
            first->setText(texts.join(QChar(0x2028)));
            first->setQuote(allQuotes);
            joined.insert(first->id());
            children.erase(
                children.begin() + static_cast<qsizetype>(i) + 1, children.begin() + static_cast<qsizetype>(end));
        }
    }
    if (joined.isEmpty())
        return;
    announceTreeMutation();
    selectSingleNode(firstInDocumentOrder(joined));
}

} // namespace kestrion
