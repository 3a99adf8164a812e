#include "columns/ColumnEditing.h"

#include "columns/ColumnCanvas.h"
#include "document/DocumentController.h"
#include "document/SermonDocument.h"
#include "platform/UndoManager.h"

#include <algorithm>

namespace kestrion {

namespace {

constexpr QChar lineSeparator(u'\u2028');

} // namespace

// Typed text is trimmed of white space and line breaks at both ends (QString::trimmed: U+2028
// among them).

ColumnEditing::ColumnEditing(ColumnCanvas& canvas)
    : m_canvas(canvas)
{
}

SermonNodePtr ColumnEditing::neighbourOf(const SermonNodePtr& root, const QUuid& id)
{
    const SermonNodePtr parent = root ? root->findParent(id) : nullptr;
    if (!parent)
        return nullptr;
    const qint64 index = parent->indexOfChild(id);
    const auto& children = parent->children();
    if (index >= 1)
        return children[static_cast<size_t>(index - 1)];
    if (index == 0 && children.size() >= 2)
        return children[1];
    return parent;
}

void ColumnEditing::recordWithOriginalText(SermonNode& node)
{
    SermonDocument& document = m_canvas.document();
    // The node holds what was typed; the step must hold what was there before.
    const QString typed = node.text();
    node.setText(m_canvas.editOriginalText());
    document.recordUndo(m_canvas.controller().selectedNodeID(), m_canvas.undoManager());
    node.setText(typed);
}

void ColumnEditing::recordCancelledWords(SermonNode& node, const QString& typed)
{
    node.setText(typed);
    m_canvas.document().recordUndo(m_canvas.controller().selectedNodeID(), m_canvas.undoManager());
}

bool ColumnEditing::finishEmptiedNode(const SermonNodePtr& node, bool isNew, bool isRecorded)
{
    DocumentController& c = m_canvas.controller();
    SermonDocument& document = m_canvas.document();
    const SermonNodePtr root = document.root();
    // The title, and a point emptied to be retyped, keep their place and their sub-points.
    const bool stays = node == root || node->hasChildren();
    if (!isNew && !isRecorded && !(stays && m_canvas.editOriginalText().isEmpty()))
        recordWithOriginalText(*node);
    if (stays) {
        m_canvas.writeNodeText(*node, QString());
        m_canvas.relayoutColumns(true);
        c.setSelectedNodeID(node->id());
        return false;
    }
    const SermonNodePtr neighbour = neighbourOf(root, node->id());
    if (root->removeNode(node->id()))
        document.announceContentEdited();
    // A new point left before anything was typed into it leaves no step behind.
    if (isNew && !isRecorded)
        document.withdrawUnchangedStep(m_canvas.undoManager());
    m_canvas.relayoutColumns(true);
    c.setSelectedNodeID(neighbour ? neighbour->id() : root->id());
    return true;
}

ColumnEditing::CommitResult ColumnEditing::commitColumnEdit(bool commit)
{
    DocumentController& c = m_canvas.controller();
    const SermonNodePtr root = m_canvas.document().root();
    const std::optional<QUuid> id = c.editingNodeID();
    const SermonNodePtr node = id && root ? root->findNode(*id) : nullptr;
    if (!node) {
        m_canvas.endEditing();
        m_canvas.setCanvasFocused(true);
        return {};
    }
    const QString typed = c.editingText().trimmed();
    const bool isNew = c.editingIsNew();
    m_canvas.endEditing();
    const QString text = commit ? typed : m_canvas.editOriginalText();
    // Cancelled words stay one Undo away.
    const bool isRecorded = !commit && !typed.isEmpty() && typed != text;
    if (isRecorded)
        recordCancelledWords(*node, typed);

    if (!text.isEmpty()) {
        if (text != m_canvas.editOriginalText() && !isNew)
            recordWithOriginalText(*node);
        m_canvas.writeNodeText(*node, text);
        m_canvas.relayoutColumns(true);
        c.setSelectedNodeID(*id);
        return { id, false };
    }
    const bool removed = finishEmptiedNode(node, isNew, isRecorded);
    m_canvas.setCanvasFocused(true);
    return { id, removed };
}

void ColumnEditing::storeColumnEdit()
{
    DocumentController& c = m_canvas.controller();
    const SermonNodePtr root = m_canvas.document().root();
    const std::optional<QUuid> id = c.editingNodeID();
    const SermonNodePtr node = id && root ? root->findNode(*id) : nullptr;
    const QString text = c.editingText().trimmed();
    if (!node || text.isEmpty() || text == m_canvas.editOriginalText())
        return;
    m_canvas.writeNodeText(*node, text);
    // A node just made stays new, and cancelling it still takes it away: its creation step
    // covers the words and there is no earlier text to go back to.
    if (c.editingIsNew())
        return;
    recordWithOriginalText(*node);
    m_canvas.setEditOriginalText(text);
}

void ColumnEditing::commitAndAppendChild()
{
    commitAndContinue(NewNodePlace::LastChild);
}

void ColumnEditing::commitAndInsertNode(bool after)
{
    commitAndContinue(after ? NewNodePlace::SiblingAfter : NewNodePlace::SiblingBefore);
}

void ColumnEditing::commitAndContinue(NewNodePlace place)
{
    DocumentController& c = m_canvas.controller();
    const std::optional<QUuid> id = c.editingNodeID();
    if (!id)
        return;
    const SermonNodePtr root = m_canvas.document().root();
    const SermonNodePtr node = root ? root->findNode(*id) : nullptr;
    if (!node) {
        m_canvas.endEditing();
        m_canvas.setCanvasFocused(true);
        return;
    }
    const bool wasNew = c.editingIsNew();
    const QString text = c.editingText().trimmed();
    if (text.isEmpty()) {
        m_canvas.endEditing();
        finishEmptiedNode(node, wasNew, false);
        m_canvas.setCanvasFocused(true);
        return;
    }
    if (text != m_canvas.editOriginalText() && !wasNew)
        recordWithOriginalText(*node);
    m_canvas.writeNodeText(*node, text);

    // A quote holds no points: the next one goes right after it.
    if (place == NewNodePlace::LastChild && node->isQuote())
        place = NewNodePlace::SiblingAfter;
    // Rapid entry goes on only from a node just made, and only where a new node can go: the
    // title has no siblings. Checked before anything is recorded.
    const bool canContinue = place == NewNodePlace::LastChild || root->findParent(*id) != nullptr;
    if (!wasNew || !canContinue) {
        m_canvas.endEditing();
        m_canvas.relayoutColumns(true);
        c.setSelectedNodeID(*id);
        m_canvas.setCanvasFocused(true);
        return;
    }

    m_canvas.document().recordUndo(c.selectedNodeID(), m_canvas.undoManager());
    SermonNodePtr next;
    switch (place) {
    case NewNodePlace::LastChild:
        next = node->addChild(QString());
        break;
    case NewNodePlace::SiblingAfter:
        next = root->insertSibling(*id, QString());
        break;
    case NewNodePlace::SiblingBefore:
        next = root->insertSiblingBefore(*id, QString());
        break;
    }
    m_canvas.relayoutColumns(true);
    c.setSelectedNodeID(next->id());
    m_canvas.switchEditing(next->id(), QString(), true);
}

void ColumnEditing::splitNodeAtCaret(qint64 caret)
{
    DocumentController& c = m_canvas.controller();
    const std::optional<QUuid> id = c.editingNodeID();
    const SermonNodePtr root = m_canvas.document().root();
    const SermonNodePtr node = id && root ? root->findNode(*id) : nullptr;
    // The title has no place for a sibling: refused, nothing recorded, the edit goes on.
    const SermonNodePtr parent = node && node != root ? root->findParent(*id) : nullptr;
    if (!parent)
        return;

    m_canvas.document().recordUndo(c.selectedNodeID(), m_canvas.undoManager());
    QString work = c.editingText();
    work.replace(lineSeparator, u'\n');
    qsizetype position = static_cast<qsizetype>(std::clamp<qint64>(caret, 0, work.size()));
    // Never between the halves of one character.
    if (position > 0 && position < work.size() && work[position].isLowSurrogate()
        && work[position - 1].isHighSurrogate())
        ++position;
    const auto stored = [](QString part) {
        part.replace(u'\n', lineSeparator);
        return part.trimmed();
    };
    const QString before = stored(work.left(position));
    const QString after = stored(work.mid(position));
    const qint64 index = parent->indexOfChild(*id);

    m_canvas.endEditing();
    SermonNodePtr sibling;
    if (before.isEmpty()) {
        // Nothing before the caret: the rest takes the node's own place, with its branch.
        root->removeNode(*id);
        sibling = SermonNode::create(after, parent->depth() + 1);
        sibling->mutableChildren().swap(node->mutableChildren());
        sibling->setCollapsed(node->isCollapsed());
        parent->insertChild(index, sibling);
    } else {
        m_canvas.writeNodeText(*node, before);
        sibling = root->insertSibling(*id, after);
    }
    // A quote split at its very start stays a quote: its text only moved.
    sibling->setQuote(node->isQuote());
    m_canvas.setEditOriginalText(after);
    m_canvas.relayoutColumns(true);
    c.setSelectedNodeID(sibling->id());
    m_canvas.switchEditing(sibling->id(), after, after.isEmpty());
}

} // namespace kestrion
