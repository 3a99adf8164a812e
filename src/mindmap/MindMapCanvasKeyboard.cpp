#include "mindmap/MindMapCanvas.h"

#include "document/DocumentController.h"
#include "mindmap/NodeMarkers.h"
#include "mindmap/TreeLayout.h"
#include "platform/CommandKeys.h"
#include "platform/UndoManager.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QPointer>

namespace kestrion {

// The map's keys: the arrows' navigation and the key table, taken before the menus' shortcuts.

SermonNodePtr MindMapCanvas::arrowStart()
{
    const SermonNodePtr& top = root();
    if (!top)
        return nullptr;
    const std::optional<QUuid> selected = m_controller->selectedNodeID();
    if (!selected) {
        m_controller->setSelectedNodeID(top->id());
        return nullptr;
    }
    const std::vector<SermonNode*> path = pathToNode(*selected, top, &m_nodeLookup, &m_parentLookup);
    return path.empty() ? nullptr : path.back()->shared_from_this();
}

SermonNodePtr MindMapCanvas::parentOf(const SermonNode& node) const
{
    const std::vector<SermonNode*> path = pathToNode(node.id(), root(), &m_nodeLookup, &m_parentLookup);
    return path.size() >= 2 ? path[path.size() - 2]->shared_from_this() : nullptr;
}

std::optional<QUuid> MindMapCanvas::verticalNeighborID(const QUuid& id, bool down) const
{
    return adjacentVisibleNode(id, root(), m_controller->navigationDepth(), down, &m_nodeLookup, &m_parentLookup);
}

void MindMapCanvas::selectAdjacentNode(bool down)
{
    if (const SermonNodePtr start = arrowStart()) {
        if (const std::optional<QUuid> next = verticalNeighborID(start->id(), down))
            m_controller->setSelectedNodeID(*next);
    }
}

void MindMapCanvas::extendSelectionVertically(bool down)
{
    if (const SermonNodePtr start = arrowStart()) {
        if (const std::optional<QUuid> next = verticalNeighborID(start->id(), down))
            m_controller->extendSelectionTo(*next);
    }
}

void MindMapCanvas::selectParentNode()
{
    if (const SermonNodePtr start = arrowStart()) {
        if (const SermonNodePtr parent = parentOf(*start)) {
            m_controller->setSelectedNodeID(parent->id());
            m_controller->setNavigationDepth(parent->depth());
        }
    }
}

void MindMapCanvas::extendSelectionToParent()
{
    if (const SermonNodePtr start = arrowStart()) {
        if (const SermonNodePtr parent = parentOf(*start))
            m_controller->extendSelectionTo(parent->id());
    }
}

void MindMapCanvas::selectFirstChild()
{
    const SermonNodePtr start = arrowStart();
    if (!start || start->isCollapsed() || !start->hasChildren())
        return;
    const SermonNodePtr& child = start->children().front();
    m_controller->setSelectedNodeID(child->id());
    m_controller->setNavigationDepth(child->depth());
}

void MindMapCanvas::extendSelectionToFirstChild()
{
    const SermonNodePtr start = arrowStart();
    if (!start || start->isCollapsed() || !start->hasChildren())
        return;
    m_controller->extendSelectionTo(start->children().front()->id());
}

namespace {

// The marker of Ctrl+Shift with a digit key: by the shifted symbol the layout reports, by the
// digit's key code, or by the key's place on the number row, so every layout reaches all nine.
std::optional<qsizetype> markerIndexForKey(const QKeyEvent& event)
{
    const auto& markers = NodeMarkers::markerEmoji();
    auto indexOf = [&](const QString& marker) -> std::optional<qsizetype> {
        for (qsizetype i = 0; i < static_cast<qsizetype>(markers.size()); ++i) {
            if (markers[static_cast<size_t>(i)] == marker)
                return i;
        }
        return std::nullopt;
    };
    if (const std::optional<QString> marker = NodeMarkers::markerForShiftedDigit(event.text()))
        return indexOf(*marker);
    const int key = event.key();
    if (key > 0 && key < 0x80) {
        if (const std::optional<QString> marker = NodeMarkers::markerForShiftedDigit(QString(QChar(key))))
            return indexOf(*marker);
    }
    if (key >= Qt::Key_1 && key <= Qt::Key_9)
        return key - Qt::Key_1;
    // X11 and Wayland number the keys of the number row 10 ("1") to 18 ("9").
    const QString platform = QGuiApplication::platformName();
    if ((platform == u"xcb" || platform.startsWith(u"wayland")) && event.nativeScanCode() >= 10
        && event.nativeScanCode() <= 18)
        return static_cast<qsizetype>(event.nativeScanCode()) - 10;
    return std::nullopt;
}

bool isRemoveMarkerKey(const QKeyEvent& event)
{
    if (event.text() == u")" || event.key() == Qt::Key_ParenRight || event.key() == Qt::Key_0)
        return true;
    const QString platform = QGuiApplication::platformName();
    return (platform == u"xcb" || platform.startsWith(u"wayland")) && event.nativeScanCode() == 19;
}

} // namespace

std::function<void()> MindMapCanvas::keyCommand(const QKeyEvent& event)
{
    DocumentController& c = *m_controller;
    const int key = event.key();
    QPointer<MindMapCanvas> self(this);
    auto run = [self](auto&& f) -> std::function<void()> {
        return [self, f] {
            if (self)
                f(*self);
        };
    };
    // A field has the keyboard: the node editor or the search bar. Escape still closes an open
    // search when the keyboard has come back to the map itself.
    if (c.editingNodeID())
        return {};
    if (c.isSearching()) {
        if (key == Qt::Key_Escape)
            return run([](MindMapCanvas& m) { m.controller().endSearch(); });
        return {};
    }

    const Qt::KeyboardModifiers modifiers = event.modifiers();
    const bool hasCommand = modifiers.testFlag(Qt::ControlModifier);
    const bool hasShift = modifiers.testFlag(Qt::ShiftModifier);
    const bool hasOption = modifiers.testFlag(Qt::AltModifier);
    const bool isExactlyCommand = modifiers == Qt::ControlModifier;
    const bool isExactlyCommandShift = modifiers == (Qt::ControlModifier | Qt::ShiftModifier);

    if (key == Qt::Key_Backspace || key == Qt::Key_Delete)
        return run([](MindMapCanvas& m) { m.deleteSelectionAnimated(); });
    if (key == Qt::Key_Escape) {
        if (!c.selectedNodeID() && c.selectedNodeIDs().isEmpty())
            return {};
        return run([](MindMapCanvas& m) { m.deselectAllNodes(); });
    }
    if (hasCommand && key == Qt::Key_A)
        return run([](MindMapCanvas& m) { m.selectAllNodes(); });
    if (isExactlyCommand) {
        switch (key) {
        case Qt::Key_X:
            return run([](MindMapCanvas& m) { m.cutSelection(); });
        case Qt::Key_C:
            return run([](MindMapCanvas& m) { m.controller().copy(); });
        case Qt::Key_V:
            return run([](MindMapCanvas& m) { m.controller().paste(); });
        case Qt::Key_D:
            return run([](MindMapCanvas& m) { m.duplicateSelection(); });
        case Qt::Key_Semicolon:
            return run([](MindMapCanvas& m) { m.controller().splitSentences(); });
        case Qt::Key_Z:
            return run([](MindMapCanvas& m) {
                if (m.undoManager())
                    m.undoManager()->undo();
            });
        default:
            break;
        }
    }
    if (isExactlyCommandShift) {
        if (key == Qt::Key_Z)
            return run([](MindMapCanvas& m) {
                if (m.undoManager())
                    m.undoManager()->redo();
            });
        if (key == Qt::Key_C)
            return run([](MindMapCanvas& m) { m.controller().copyBranch(); });
    }
    if (isExactlyCommand && key == Qt::Key_J)
        return run([](MindMapCanvas& m) { m.joinSelection(); });
    if (isExactlyCommand && key == Qt::Key_Apostrophe)
        return run([](MindMapCanvas& m) { m.toggleQuote(); });
    if (isExactlyCommandShift) {
        if (const std::optional<qsizetype> index = markerIndexForKey(event)) {
            const QString marker = NodeMarkers::markerEmoji()[static_cast<size_t>(*index)];
            return run([marker](MindMapCanvas& m) { m.setMarker(marker); });
        }
        if (isRemoveMarkerKey(event))
            return run([](MindMapCanvas& m) { m.removeMarker(); });
    }
    switch (key) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return run([](MindMapCanvas& m) { m.performEditingCommand(&DocumentController::addChild); });
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (hasCommand)
            return run([](MindMapCanvas& m) { m.controller().splitLines(); });
        if (hasShift)
            return run([](MindMapCanvas& m) { m.performEditingCommand(&DocumentController::addSiblingBefore); });
        return run([](MindMapCanvas& m) { m.performEditingCommand(&DocumentController::addSiblingAfter); });
    case Qt::Key_Space:
        if (hasCommand)
            return run([](MindMapCanvas& m) { m.joinSelection(); });
        return run([](MindMapCanvas& m) { m.performEditingCommand(&DocumentController::beginEditing); });
    case Qt::Key_Up:
    case Qt::Key_Down: {
        const bool down = key == Qt::Key_Down;
        if (hasOption)
            return run([down](MindMapCanvas& m) { m.moveSelectionAnimated(down); });
        if (hasShift)
            return run([down](MindMapCanvas& m) { m.extendSelectionVertically(down); });
        return run([down](MindMapCanvas& m) { m.selectAdjacentNode(down); });
    }
    case Qt::Key_Left:
        if (hasOption)
            return run([](MindMapCanvas& m) { m.performStructuralEdit(&DocumentController::promote); });
        if (hasCommand)
            return run([](MindMapCanvas& m) { m.foldSelection(); });
        if (hasShift)
            return run([](MindMapCanvas& m) { m.extendSelectionToParent(); });
        return run([](MindMapCanvas& m) { m.selectParentNode(); });
    case Qt::Key_Right:
        if (hasOption)
            return run([](MindMapCanvas& m) { m.performStructuralEdit(&DocumentController::demote); });
        if (hasCommand)
            return run([](MindMapCanvas& m) { m.unfoldSelection(); });
        if (hasShift)
            return run([](MindMapCanvas& m) { m.extendSelectionToFirstChild(); });
        return run([](MindMapCanvas& m) { m.selectFirstChild(); });
    default:
        return {};
    }
}

bool MindMapCanvas::event(QEvent* event)
{
    // The canvas's keys come before the menus' shortcuts, and Tab adds a node rather than walking
    // the focus chain; while the canvas leaves keys alone (a search is open) Tab walks on as usual.
    if (CommandKeys::routeEvent(event, [this](const QKeyEvent& key) { return keyCommand(key); }))
        return true;
    return QWidget::event(event);
}

void MindMapCanvas::keyPressEvent(QKeyEvent* event)
{
    if (!CommandKeys::runKeyPress(event, [this](const QKeyEvent& key) { return keyCommand(key); }))
        QWidget::keyPressEvent(event);
}

} // namespace kestrion
