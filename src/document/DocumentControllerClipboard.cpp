#include "document/DocumentController.h"

#include "document/ChildRemoval.h"
#include "document/Clipboard.h"
#include "document/MarkdownCodec.h"
#include "document/TextParts.h"

#include <algorithm>

namespace kestrion {

namespace {

QStringList textsOf(const std::vector<SermonNodePtr>& nodes)
{
    QStringList texts;
    texts.reserve(static_cast<qsizetype>(nodes.size()));
    for (const auto& node : nodes)
        texts.append(node->text());
    return texts;
}

bool readsBackAs(const QString& text, const std::vector<SermonNodePtr>& nodes)
{
    const std::vector<SermonNodePtr> pasted = MarkdownCodec::parsePastedMarkdown(text, 0);
    return std::equal(nodes.cbegin(), nodes.cend(), pasted.cbegin(), pasted.cend(),
        [](const SermonNodePtr& node, const SermonNodePtr& back) {
            return !node->hasChildren() && !back->hasChildren() && node->text() == back->text()
                && node->isQuote() == back->isQuote();
        });
}

} // namespace

void DocumentController::copy()
{
    const std::vector<SermonNodePtr> nodes = topLevelSelectedNodes();
    if (nodes.empty() || !m_clipboard)
        return;
    m_clipboard->setText(textsOf(nodes).join(u'\n'));
}

void DocumentController::copyForCut()
{
    const std::vector<SermonNodePtr> nodes = topLevelSelectedNodes();
    if (nodes.empty() || !m_clipboard)
        return;
    // Cut deletes what it takes, so paste must bring back the same points: the texts alone do
    // only when they read back as those points (no sub-points, no quote, no line break or
    // second sentence that paste would make a point of its own).
    const QString texts = textsOf(nodes).join(u'\n');
    m_clipboard->setText(readsBackAs(texts, nodes) ? texts : MarkdownCodec::writeRemovableBranches(nodes));
}

void DocumentController::cut()
{
    const QSet<QUuid> ids = effectiveSelection();
    SermonNodePtr top = root();
    // Without a clipboard a cut would only delete.
    if (ids.isEmpty() || !top || ids.contains(top->id()) || !m_clipboard)
        return;
    copyForCut();
    deleteSelection();
}

void DocumentController::paste()
{
    SermonNodePtr target = findNode(m_selectedNodeID);
    if (!target || target->isQuote() || !m_clipboard)
        return;
    const std::optional<QString> text = m_clipboard->text();
    if (!text || isBlank(*text))
        return;
    std::vector<SermonNodePtr> nodes = MarkdownCodec::parsePastedMarkdown(*text, target->depth());
    if (nodes.empty())
        return;

    recordUndo();
    for (const auto& node : nodes)
        target->appendChild(node);
    target->setCollapsed(false);
    announceTreeMutation();

    const QUuid first = nodes.front()->id();
    selectSingleNode(first);
    if (m_onSelectionRequestVisible)
        m_onSelectionRequestVisible(first);
}

void DocumentController::deleteSelection()
{
    const QSet<QUuid> ids = effectiveSelection();
    SermonNodePtr top = root();
    if (ids.isEmpty() || !top || ids.contains(top->id()))
        return;
    // Only branches without a selected ancestor are removed; their last one in document
    // order is where the next selection is sought, so it can never fall inside a removed
    // branch.
    const std::vector<SermonNodePtr> branches = topLevelNodes(ids);
    if (branches.empty())
        return;

    recordUndo();

    // The branches are disjoint: removing one never moves another, so one parent index
    // serves every removal.
    SermonNodeMap parents;
    indexParentsByChildID(top, parents);

    const QUuid reference = branches.back()->id();
    QUuid next = top->id();
    if (SermonNodePtr parent = parents.value(reference)) {
        const auto& children = parent->children();
        const qint64 i = parent->indexOfChild(reference);
        const auto count = static_cast<qint64>(children.size());
        std::optional<QUuid> found;
        for (qint64 k = i + 1; k < count && !found; ++k) {
            if (!ids.contains(children[static_cast<size_t>(k)]->id()))
                found = children[static_cast<size_t>(k)]->id();
        }
        for (qint64 k = i - 1; k >= 0 && !found; --k) {
            if (!ids.contains(children[static_cast<size_t>(k)]->id()))
                found = children[static_cast<size_t>(k)]->id();
        }
        next = found.value_or(parent->id());
    }

    QHash<SermonNode*, QSet<QUuid>> removals;
    for (const auto& branch : branches) {
        if (const SermonNodePtr parent = parents.value(branch->id()))
            removals[parent.get()].insert(branch->id());
    }
    removeChildren(removals);
    announceTreeMutation();
    selectSingleNode(next);
}

} // namespace kestrion
