#include "mindmap/MindMapCanvas.h"

#include "document/DocumentController.h"
#include "document/SermonDocument.h"
#include "mindmap/CanvasGeometry.h"
#include "platform/UndoManager.h"

#include <QApplication>

#include <algorithm>
#include <utility>

namespace kestrion {

// Editing a node in place: the node editor, committing or cancelling its text, and the
// editor's own keys that end one edit and begin the next.

namespace {

constexpr QChar lineSeparator(u'\u2028');

// Without white space and line breaks (U+2028 among them) at either end.
QString trimmedOfSpace(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin].isSpace())
        ++begin;
    while (end > begin && text[end - 1].isSpace())
        --end;
    return text.mid(begin, end - begin);
}

} // namespace

void MindMapCanvas::updateNodeEditor()
{
    const std::optional<QUuid> id = m_controller->editingNodeID();
    if (!id) {
        m_editBase.reset();
    } else if (!m_editBase || m_editBase->first != *id) {
        const SermonNodePtr node = m_nodeLookup.value(*id);
        m_editBase = node ? std::optional(std::pair(*id, node->text())) : std::nullopt;
    }
    const auto layout = id ? m_cachedLayouts.constFind(*id) : m_cachedLayouts.cend();
    const bool isWanted = layout != m_cachedLayouts.cend();
    if (m_nodeEditor && (!isWanted || m_nodeEditorNodeID != *id)) {
        // A fresh editor for every node. This may run inside the old editor's own key
        // handling, so it goes later; hidden, it reports nothing more.
        NodeEditorOverlay* old = m_nodeEditor;
        m_nodeEditor = nullptr;
        old->hide();
        old->deleteLater();
    }
    if (!isWanted)
        return;
    if (m_nodeEditor) {
        m_nodeEditor->setNodeLayout(layout.value());
        m_nodeEditor->setViewTransform(m_scale, m_panOffset);
        return;
    }
    auto* editor = new NodeEditorOverlay(this);
    m_nodeEditor = editor;
    m_nodeEditorNodeID = *id;
    editor->setNodeLayout(layout.value());
    editor->setViewTransform(m_scale, m_panOffset);
    editor->setText(m_controller->editingText());
    editor->setOnTextEdited([this](const QString& text) { m_controller->setEditingText(text); });
    editor->setOnCommit([this] { nodeEditorLostKeyboard(); });
    editor->setOnTab([this] { editorTab(); });
    editor->setOnShiftTab([this] { editorShiftTab(); });
    editor->setOnEnter([this] { editorEnter(); });
    editor->setOnCommandEnter([this] { editorCommandEnter(); });
    editor->setOnOptionEnter([this](qint64 caret) { splitAtCaret(caret); });
    editor->setOnCancel([this] { endEditing(false); });
    editor->setOnCaretMoved([this] { keepCaretInView(); });
    editor->show();
    // Below the search bar and the minimap.
    editor->lower();
}

void MindMapCanvas::keepCaretInView()
{
    if (!m_nodeEditor)
        return;
    const std::optional<QPointF> target = panShowingViewRect(m_nodeEditor->caretRect(), m_panOffset, m_viewportSize);
    if (!target)
        return;
    // Typing wins over a glide still running; the view follows at once, keystroke by keystroke.
    m_scrollAnimation.stop();
    if (!m_editPanOrigin)
        m_editPanOrigin = m_panOffset;
    setPanOffset(clampPan(*target));
    m_caretFollowPan = m_panOffset;
}

void MindMapCanvas::settleEditPan(const std::optional<QUuid>& editedID)
{
    const std::optional<QPointF> origin = std::exchange(m_editPanOrigin, std::nullopt);
    // Only what the typing panned is taken back; a pan or zoom the user made since stays.
    if (!origin || m_panOffset != m_caretFollowPan)
        return;
    QPointF target = *origin;
    const auto layout = editedID ? m_cachedLayouts.constFind(*editedID) : m_cachedLayouts.cend();
    if (layout != m_cachedLayouts.cend()) {
        // From the view the edit began in, as little as shows the node: one larger than the
        // view, its start over half the view at least.
        const QRectF box(layout->origin * m_scale + target, layout->size * m_scale);
        const QSizeF room = m_viewportSize - QSizeF(2 * scrollIntoViewMargin, 2 * scrollIntoViewMargin);
        auto part = [](qreal length, qreal roomLength) { return length <= roomLength ? length : roomLength / 2; };
        const QRectF start(box.topLeft(), QSizeF(part(box.width(), room.width()), part(box.height(), room.height())));
        if (const std::optional<QPointF> shown = panShowingViewRect(start, target, m_viewportSize))
            target = *shown;
    }
    setPanOffset(clampPan(target));
}

void MindMapCanvas::nodeEditorLostKeyboard()
{
    // The user moved on to another widget: keep what was typed, and leave the keyboard where
    // it went unless nothing has it.
    commitEdit(true);
    QWidget* focus = QApplication::focusWidget();
    if (!focus || focus == this)
        setCanvasFocused(true);
}

void MindMapCanvas::beginEditingNode(const QUuid& id, bool isNew)
{
    const SermonNodePtr& top = root();
    const SermonNodePtr node = top ? top->findNode(id) : nullptr;
    if (!node)
        return;
    m_controller->setSelectedNodeID(id);
    m_controller->setEditingText(node->text());
    m_controller->setEditingNodeID(id);
    m_controller->setEditingIsNew(isNew);
    setCanvasFocused(false);
    if (m_nodeEditor)
        m_nodeEditor->setFocused(true);
}

MindMapCanvas::CommitResult MindMapCanvas::commitEdit(bool commit)
{
    DocumentController& c = *m_controller;
    const SermonNodePtr& top = root();
    const std::optional<QUuid> id = c.editingNodeID();
    const SermonNodePtr node = id && top ? top->findNode(*id) : nullptr;
    if (!node) {
        c.setEditingNodeID(std::nullopt);
        m_editPanOrigin.reset();
        setCanvasFocused(true);
        return {};
    }
    const QString typed = trimmedOfSpace(c.editingText());
    QString text = commit ? typed : node->text();
    // The title cannot be removed: clearing it cancels the edit.
    if (text.isEmpty() && node == top)
        text = node->text();
    c.setEditingNodeID(std::nullopt);
    const bool wasNew = c.editingIsNew();
    // Cancelled words stay one Undo away.
    const bool isRecorded = !commit && !typed.isEmpty() && typed != text;
    if (isRecorded)
        recordCancelledWords(*node, typed);

    // A point emptied to be retyped keeps its sub-points.
    if (!text.isEmpty() || node->hasChildren()) {
        writeEditedText(*node, text);
        settleEditPan(id);
        c.setSelectedNodeID(*id);
        return { id, false };
    }

    // A node left empty goes.
    const NodeLayoutMap previousLayouts = m_cachedLayouts;
    if (!wasNew && !isRecorded)
        m_document->recordUndo(c.selectedNodeID(), m_undoManager);
    std::optional<QUuid> next;
    if (const SermonNodePtr parent = top->findParent(*id)) {
        const qint64 i = parent->indexOfChild(*id);
        const auto& children = parent->children();
        if (i >= 1)
            next = children[static_cast<size_t>(i - 1)]->id();
        else if (i == 0 && children.size() >= 2)
            next = children[1]->id();
        else
            next = parent->id();
    }
    top->removeNode(*id);
    // A new point left before anything was typed into it leaves no step behind.
    if (wasNew && !isRecorded)
        m_document->withdrawUnchangedStep(m_undoManager);
    recomputeLayout();
    if (!wasNew)
        relayoutAndAnimate(nodeAnimationDuration, previousLayouts, {});
    settleEditPan(std::nullopt);
    c.setSelectedNodeID(next);
    // The keyboard stays where it went (the search field, say); the callers that keep it on
    // the map take it back themselves.
    notifyStateChanged();
    return { id, true };
}

void MindMapCanvas::endEditChangedElsewhere()
{
    DocumentController& c = *m_controller;
    const std::optional<QUuid> id = c.editingNodeID();
    if (!id)
        return;
    const SermonNodePtr node = m_nodeLookup.value(*id);
    const bool isRewritten = node && m_editBase && m_editBase->first == *id && node->text() != m_editBase->second;
    if (node && !isRewritten)
        return;
    // Another view, which had no word of what is typed here, took the node away or gave it a
    // newer text: the typed words go into the history's last state that held the node, and
    // stepping back there brings it back with them.
    const QString typed = trimmedOfSpace(c.editingText());
    if (!typed.isEmpty() && (!node || typed != node->text()))
        m_document->keepTypedText(*id, typed);
    if (!node) {
        commitEdit(true);
        return;
    }
    // The newer text stands.
    c.setEditingNodeID(std::nullopt);
    m_editPanOrigin.reset();
    setCanvasFocused(true);
}

void MindMapCanvas::recordCancelledWords(SermonNode& node, const QString& typed)
{
    const QString kept = node.text();
    node.setText(typed);
    m_document->recordUndo(m_controller->selectedNodeID(), m_undoManager);
    node.setText(kept);
}

void MindMapCanvas::storeEditingText()
{
    DocumentController& c = *m_controller;
    const SermonNodePtr& top = root();
    const std::optional<QUuid> id = c.editingNodeID();
    const SermonNodePtr node = id && top ? top->findNode(*id) : nullptr;
    const QString text = trimmedOfSpace(c.editingText());
    if (node && !text.isEmpty())
        writeEditedText(*node, text);
}

void MindMapCanvas::writeEditedText(SermonNode& node, const QString& text)
{
    if (text == node.text())
        return;
    DocumentController& c = *m_controller;
    // A new node's creation step covers its first words.
    if (!c.editingIsNew())
        m_document->recordUndo(c.selectedNodeID(), m_undoManager);
    node.setText(text);
    if (m_editBase && m_editBase->first == node.id())
        m_editBase->second = text;
    if (c.editingIsNew())
        m_document->announceContentEdited();
    recomputeLayout();
}

void MindMapCanvas::endEditing(bool commit)
{
    commitEdit(commit);
    setCanvasFocused(true);
}

void MindMapCanvas::editorTab()
{
    const std::optional<QUuid> id = m_controller->editingNodeID();
    if (!id)
        return;
    const CommitResult result = commitEdit(true);
    const SermonNodePtr& top = root();
    const SermonNodePtr node = top ? top->findNode(*id) : nullptr;
    if (result.removed || !node) {
        setCanvasFocused(true);
        return;
    }
    // A quote holds no points: the new one goes right after it.
    if (node->isQuote()) {
        if (!insertSiblingToEdit(*id, true))
            setCanvasFocused(true);
        return;
    }
    m_document->recordUndo(m_controller->selectedNodeID(), m_undoManager);
    const SermonNodePtr child = node->addChild(QString());
    node->setCollapsed(false);
    recomputeLayout();
    m_controller->setSelectedNodeID(child->id());
    beginEditingNode(child->id(), true);
}

void MindMapCanvas::editorShiftTab()
{
    const std::optional<QUuid> id = m_controller->editingNodeID();
    if (!id)
        return;
    const SermonNodePtr& top = root();
    const SermonNodePtr parent = top ? top->findParent(*id) : nullptr;
    commitEdit(true);
    if (!parent) {
        setCanvasFocused(true);
        return;
    }
    m_controller->setSelectedNodeID(parent->id());
    beginEditingNode(parent->id(), false);
}

bool MindMapCanvas::insertSiblingToEdit(const QUuid& id, bool after)
{
    const SermonNodePtr& top = root();
    // The title has no siblings; refused before anything is recorded.
    if (!top || id == top->id() || !top->findParent(id))
        return false;
    m_document->recordUndo(m_controller->selectedNodeID(), m_undoManager);
    const SermonNodePtr sibling = after ? top->insertSibling(id, QString()) : top->insertSiblingBefore(id, QString());
    if (!sibling)
        return false;
    recomputeLayout();
    m_controller->setSelectedNodeID(sibling->id());
    beginEditingNode(sibling->id(), true);
    return true;
}

void MindMapCanvas::editorEnter()
{
    const std::optional<QUuid> id = m_controller->editingNodeID();
    if (!id)
        return;
    const bool isNew = m_controller->editingIsNew();
    const CommitResult result = commitEdit(true);
    if (result.removed) {
        setCanvasFocused(true);
        return;
    }
    // Rapid entry: Return on a node just made makes the next one.
    if (!isNew || !insertSiblingToEdit(*id, true))
        setCanvasFocused(true);
}

void MindMapCanvas::editorCommandEnter()
{
    const std::optional<QUuid> id = m_controller->editingNodeID();
    if (!id)
        return;
    const CommitResult result = commitEdit(true);
    if (result.removed) {
        setCanvasFocused(true);
        return;
    }
    if (!insertSiblingToEdit(*id, false))
        setCanvasFocused(true);
}

void MindMapCanvas::splitAtCaret(qint64 caret)
{
    DocumentController& c = *m_controller;
    const std::optional<QUuid> id = c.editingNodeID();
    const SermonNodePtr& top = root();
    const SermonNodePtr node = id && top ? top->findNode(*id) : nullptr;
    // The title cannot have a sibling for the second part: refused, the edit goes on.
    if (!node || node == top)
        return;
    const SermonNodePtr parent = top->findParent(*id);
    if (!parent)
        return;
    const qint64 index = parent->indexOfChild(*id);

    m_document->recordUndo(c.selectedNodeID(), m_undoManager);
    QString work = c.editingText();
    work.replace(lineSeparator, u'\n');
    const qsizetype position = static_cast<qsizetype>(std::clamp<qint64>(caret, 0, work.size()));
    auto stored = [](QString part) {
        part.replace(u'\n', lineSeparator);
        return trimmedOfSpace(part);
    };
    const QString first = stored(work.left(position));
    const QString second = stored(work.mid(position));

    // The words that move keep the node's quote, wherever the caret was.
    const bool isQuote = node->isQuote();
    SermonNodePtr sibling;
    if (first.isEmpty()) {
        // Nothing before the caret: the text takes the node's own place, with its branch.
        c.setEditingNodeID(std::nullopt);
        top->removeNode(*id);
        sibling = SermonNode::create(second, parent->depth() + 1);
        sibling->mutableChildren().swap(node->mutableChildren());
        sibling->setCollapsed(node->isCollapsed());
        parent->insertChild(index, sibling);
    } else {
        // The split is one step: the commit of the first part records nothing of its own.
        c.setEditingIsNew(true);
        c.setEditingText(first);
        commitEdit(true);
        sibling = top->insertSibling(*id, second);
    }
    if (!sibling)
        return;
    sibling->setQuote(isQuote);
    recomputeLayout();
    c.setSelectedNodeID(sibling->id());
    beginEditingNode(sibling->id(), second.isEmpty());
}

} // namespace kestrion
