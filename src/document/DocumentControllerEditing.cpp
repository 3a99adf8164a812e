#include "document/DocumentController.h"

namespace kestrion {

bool DocumentController::setEditingNodeID(const std::optional<QUuid>& id)
{
    if (m_editingNodeID == id)
        return false;
    m_editingNodeID = id;
    Q_EMIT editingNodeIDChanged();
    return true;
}

bool DocumentController::setEditingText(const QString& text)
{
    if (m_editingText == text)
        return false;
    m_editingText = text;
    Q_EMIT editingTextChanged();
    return true;
}

bool DocumentController::setEditingIsNew(bool isNew)
{
    if (m_editingIsNew == isNew)
        return false;
    m_editingIsNew = isNew;
    Q_EMIT editingIsNewChanged();
    return true;
}

void DocumentController::beginEditing()
{
    SermonNodePtr node = findNode(m_selectedNodeID);
    if (!node)
        return;
    setEditingText(node->text());
    setEditingNodeID(node->id());
    setEditingIsNew(false);
}

void DocumentController::addChild()
{
    SermonNodePtr node = findNode(m_selectedNodeID);
    if (!node)
        return;
    // A quote holds no points: the nearest place under it that can is right after it.
    if (node->isQuote()) {
        if (node != root())
            addSibling(true);
        return;
    }
    recordUndo();
    SermonNodePtr child = node->addChild(QString());
    announceTreeMutation();
    startEditingNewNode(child);
}

void DocumentController::addSiblingAfter()
{
    addSibling(true);
}

void DocumentController::addSiblingBefore()
{
    addSibling(false);
}

void DocumentController::addSibling(bool after)
{
    SermonNodePtr top = root();
    if (!m_selectedNodeID || !top)
        return;
    // The title has no siblings: a new line next to it is a new main point under it.
    if (*m_selectedNodeID == top->id()) {
        addChild();
        return;
    }
    // Recorded before the insertion is known to succeed: a stale selection still leaves
    // this step, as New Line Below and Above always have.
    recordUndo();
    SermonNodePtr sibling = after ? top->insertSibling(*m_selectedNodeID, QString())
                                  : top->insertSiblingBefore(*m_selectedNodeID, QString());
    if (!sibling)
        return;
    announceTreeMutation();
    startEditingNewNode(sibling);
}

void DocumentController::startEditingNewNode(const SermonNodePtr& node)
{
    selectSingleNode(node->id());
    setEditingText(QString());
    setEditingNodeID(node->id());
    setEditingIsNew(true);
}

} // namespace kestrion
