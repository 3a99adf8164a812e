#include "columns/ColumnCanvas.h"

#include "columns/ColumnDragHandleOverlay.h"
#include "columns/ColumnEditorOverlay.h"
#include "columns/ColumnHitTest.h"
#include "columns/ColumnMetrics.h"
#include "columns/ColumnStickyState.h"
#include "document/DocumentController.h"
#include "platform/AnimationClock.h"
#include "platform/Appearance.h"
#include "platform/CommandKeys.h"
#include "platform/Preferences.h"
#include "platform/Signposter.h"
#include "platform/SystemClipboard.h"
#include "platform/TrackpadEventView.h"
#include "platform/UndoManager.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <vector>

namespace kestrion {

namespace {

SystemClipboard& sharedClipboard()
{
    static SystemClipboard clipboard;
    return clipboard;
}

// For each laid-out node, the deepest column its visible subtree reaches; iterative.
void buildSubtreeRightmostMap(const SermonNode& root, const ColumnFrameMap& frames, QHash<QUuid, qint64>& map)
{
    struct Step {
        const SermonNode* node;
        size_t next;
        qint64 rightmost;
    };
    std::vector<Step> stack { { &root, 0, frames.value(root.id()).column } };
    while (!stack.empty()) {
        Step& step = stack.back();
        if (!step.node->isCollapsed() && step.next < step.node->children().size()) {
            const SermonNode* child = step.node->children()[step.next++].get();
            stack.push_back({ child, 0, frames.value(child->id()).column });
            continue;
        }
        const Step done = step;
        map.insert(done.node->id(), done.rightmost);
        stack.pop_back();
        if (!stack.empty())
            stack.back().rightmost = std::max(stack.back().rightmost, done.rightmost);
    }
}

// For each node with a following sibling, that sibling, folded branches included.
void buildNextSiblingMap(const SermonNodePtr& root, QHash<QUuid, QUuid>& map)
{
    std::vector<const SermonNode*> stack { root.get() };
    while (!stack.empty()) {
        const SermonNode* node = stack.back();
        stack.pop_back();
        const auto& children = node->children();
        for (size_t i = 0; i < children.size(); ++i) {
            if (i + 1 < children.size())
                map.insert(children[i]->id(), children[i + 1]->id());
            stack.push_back(children[i].get());
        }
    }
}

} // namespace

ColumnCanvas::ColumnCanvas(SermonDocument& document, UndoManager* undoManager, qreal scale, QWidget* parent)
    : QWidget(parent)
    , m_document(&document)
    , m_controller(std::make_unique<DocumentController>(&document))
    , m_undoManager(undoManager)
    , m_scale(scale)
    , m_clock(&AnimationClock::system())
    , m_animator(m_clock)
    , m_scrollAnimator(m_clock)
    , m_editing(*this)
    , m_keys(*this)
{
    setObjectName(QStringLiteral("columnCanvas"));
    setAccessibleName(QStringLiteral("columnCanvas"));
    // Clicks take the keyboard themselves, once they have found the node under the pointer.
    setFocusPolicy(Qt::TabFocus);
    setAttribute(Qt::WA_AcceptTouchEvents, false);

    m_controller->setUndoManager(undoManager);
    m_controller->setClipboard(&sharedClipboard());

    m_eventView = new TrackpadEventView(this);
    m_eventView->setOnScroll([this](qreal dx, qreal dy) { scrollColumnsBy(dx, dy); });
    m_eventView->setOnMagnify([](qreal, const QPointF&) {});
    m_eventView->setOnMagnifyEnd([] {});
    m_eventView->setOnMouseMoved([](const QPointF&) {});
    m_eventView->setOnRightClick([](const QPointF&, QMouseEvent*) {});
    m_eventView->setOnLeftClick([this](const QPointF& point) { selectNodeAtPoint(point); });
    m_eventView->setOnDoubleClick([this](const QPointF& point) { editNodeAtPoint(point); });

    m_handles = new ColumnDragHandleOverlay(this);
    m_handles->setWidthAccess([this](qint64 column) { return m_columnWidths.widthOf(column); },
        [this](qint64 column, qreal width) { setColumnWidth(column, width); });

    m_animator.setOnFramesChanged([this] {
        m_isDisplayIndexStale = true;
        placeEditor();
        update();
    });
    installCallbacks();
    setPreferences(&Preferences::shared());

    connect(&document, &SermonDocument::undoRedoGenerationChanged, this, &ColumnCanvas::handleUndoRedo);
    // A title changed from outside (the file settings) is seen once that change is complete.
    connect(&document, &SermonDocument::undoStackChanged, this, &ColumnCanvas::checkRootText, Qt::QueuedConnection);
    connect(&document, &SermonDocument::metadataChanged, this, &ColumnCanvas::checkRootText, Qt::QueuedConnection);
    connect(&Appearance::shared(), &Appearance::changed, this, qOverload<>(&QWidget::update));
}

ColumnCanvas::~ColumnCanvas()
{
    m_controller->setOnTreeMutated({});
    m_controller->setOnSelectionRequestVisible({});
    m_controller->disconnect(this);
    delete m_editor;
}

UndoManager* ColumnCanvas::undoManager() const
{
    return m_undoManager;
}

const SermonNodePtr& ColumnCanvas::root() const
{
    static const SermonNodePtr none;
    return m_document ? m_document->root() : none;
}

void ColumnCanvas::setClipboard(Clipboard* clipboard)
{
    m_controller->setClipboard(clipboard);
}

void ColumnCanvas::cut()
{
    if (!m_controller->editingNodeID())
        m_controller->cut();
}

void ColumnCanvas::copy()
{
    if (!m_controller->editingNodeID())
        m_controller->copy();
}

void ColumnCanvas::paste()
{
    if (!m_controller->editingNodeID())
        m_controller->paste();
}

void ColumnCanvas::setPreferences(Preferences* preferences)
{
    if (m_preferences)
        m_preferences->disconnect(this);
    m_preferences = preferences;
    if (m_preferences) {
        connect(m_preferences, &Preferences::changed, this, [this](const QString& key) {
            if (key == Preferences::columnWidthsKey)
                readColumnWidths();
        });
    }
    readColumnWidths();
}

void ColumnCanvas::readColumnWidths()
{
    const ColumnWidthsConfig widths = m_preferences ? ColumnWidthsConfig::read(*m_preferences) : ColumnWidthsConfig();
    if (widths == m_columnWidths)
        return;
    m_columnWidths = widths;
    if (m_hasAppeared)
        relayoutColumns(false);
}

void ColumnCanvas::setColumnWidth(qint64 column, qreal width)
{
    ColumnWidthsConfig widths = m_columnWidths;
    widths.setColumnWidth(column, width);
    if (m_preferences)
        widths.write(*m_preferences);
    else
        m_columnWidths = widths;
    // The stored value comes back through the change signal; without preferences, directly.
    if (!m_preferences && m_hasAppeared)
        relayoutColumns(false);
}

// --- Wiring ---------------------------------------------------------------------------------

void ColumnCanvas::installCallbacks()
{
    DocumentController& c = *m_controller;
    c.setOnTreeMutated([this] { relayoutColumns(true); });
    c.setOnSelectionRequestVisible([this](const QUuid& id) { scrollSelectionIntoView(id); });
    connect(&c, &DocumentController::selectedNodeIDChanged, this, &ColumnCanvas::handleSelectionChange);
    connect(&c, &DocumentController::editingTextChanged, this, &ColumnCanvas::handleEditingTextChange);
    connect(&c, &DocumentController::editingNodeIDChanged, this, [this] {
        if (!m_isSwitchingEdit)
            updateEditor();
        update();
    });
}

void ColumnCanvas::prepare()
{
    m_viewportSize = QSizeF(size());
    if (const SermonNodePtr& top = root())
        m_controller->setSelectedNodeID(top->id());
    relayoutColumns(true);
    QPointer<ColumnCanvas> self(this);
    QTimer::singleShot(0, this, [self] {
        if (self && !self->m_controller->editingNodeID())
            self->setCanvasFocused(true);
    });
}

void ColumnCanvas::handleUndoRedo()
{
    // The tree the editor wrote into is gone: the edit ends, and its words stay in the step
    // that Redo brings back.
    if (m_controller->editingNodeID())
        endEditing();
    m_controller->syncSelectionAfterUndo();
}

void ColumnCanvas::handleSelectionChange()
{
    const std::optional<QUuid> selected = m_controller->selectedNodeID();
    // Recorded steps and redo take the selection from the document.
    if (m_document)
        m_document->setCurrentSelectedNodeID(selected);
    if (selected)
        scrollSelectionIntoView(*selected);
    update();
}

void ColumnCanvas::handleEditingTextChange()
{
    if (m_isSwitchingEdit)
        return;
    const std::optional<QUuid> id = m_controller->editingNodeID();
    const SermonNodePtr& top = root();
    if (!id || !top)
        return;
    // Through the index, rebuilt with every change of the tree: a keystroke must not walk it.
    SermonNodePtr node = m_nodeLookup.value(*id);
    if (!node)
        node = top->findNode(*id);
    if (!node)
        return;
    if (m_editor)
        m_editor->setText(m_controller->editingText());
    if (node->text() == m_controller->editingText())
        return;
    writeNodeText(*node, m_controller->editingText());
    if (node == top)
        m_layoutRootText = node->text();
    // A keystroke that leaves the node as many lines as it had moves nothing: only its text is
    // drawn anew, however large the sermon.
    const auto frame = m_layout.frames.constFind(node->id());
    if (frame != m_layout.frames.cend()) {
        const qsizetype lines
            = m_wrapCache.lines(node->id(), node->text(), frame->size.width(), frame->column == 0).size();
        if (static_cast<qreal>(lines) * ColumnMetrics::lineHeight == frame->size.height()) {
            placeEditor();
            update();
            return;
        }
    }
    relayoutColumns(false);
}

void ColumnCanvas::writeNodeText(SermonNode& node, const QString& text)
{
    if (m_document)
        m_document->writeNodeText(node, text);
    else
        node.setText(text);
}

void ColumnCanvas::checkRootText()
{
    const SermonNodePtr& top = root();
    if (m_hasAppeared && top && top.get() == m_layoutRoot && top->text() != m_layoutRootText)
        relayoutColumns(false);
}

// --- Layout ---------------------------------------------------------------------------------

void ColumnCanvas::relayoutColumns(bool animated)
{
    SignpostIntervalState interval = performanceSignposter().beginInterval("ColumnLayout");
    const SermonNodePtr& top = root();
    m_layout = ColumnLayout::build(top, m_columnWidths, m_wrapCache);
    m_layoutIndex = ColumnFrameIndex(m_layout.frames);
    m_isDisplayIndexStale = true;
    // Rebuilt at the size they had: the tree rarely changes much between two layouts.
    const qsizetype nodes = m_nodeLookup.size();
    m_subtreeRightmost.clear();
    m_nextSiblingID.clear();
    m_nodeLookup.clear();
    m_subtreeRightmost.reserve(m_layout.frames.size());
    m_nextSiblingID.reserve(nodes);
    m_nodeLookup.reserve(nodes);
    if (top) {
        buildSubtreeRightmostMap(*top, m_layout.frames, m_subtreeRightmost);
        buildNextSiblingMap(top, m_nextSiblingID);
        indexNodesByID(top, m_nodeLookup);
    }
    m_wrapCache.retainOnly(m_nodeLookup);
    m_layoutRoot = top.get();
    m_layoutRootText = top ? top->text() : QString();
    clampPanOffset();
    if (animated)
        m_animator.animateColumnFrames(m_layout.frames);
    else
        m_animator.showFrames(m_layout.frames);
    updateEditor();
    placeOverlays();
    update();
    endSignpostInterval("ColumnLayout", interval);
    Q_EMIT layoutChanged();
}

ColumnLayout ColumnCanvas::displayColumnLayout() const
{
    ColumnLayout display;
    display.totalSize = m_layout.totalSize;
    display.columnCount = m_layout.columnCount;
    display.columnXEdges = m_layout.columnXEdges;
    const ColumnFrameMap& shown = m_animator.displayFrames();
    // Frames shown as laid out hold no column the layout has lost.
    const bool hasGoneColumns = !shown.isSharedWith(m_layout.frames)
        && std::any_of(shown.cbegin(), shown.cend(),
            [&](const ColumnNodeFrame& frame) { return frame.column >= m_layout.columnCount; });
    if (!hasGoneColumns) {
        display.frames = shown;
        return display;
    }
    for (auto it = shown.cbegin(); it != shown.cend(); ++it) {
        if (it->column < m_layout.columnCount)
            display.frames.insert(it.key(), it.value());
    }
    return display;
}

std::vector<CollapseResolver::AdjustedColumn> ColumnCanvas::adjustedColumnsForPan() const
{
    return CollapseResolver::resolveAdjustedColumns(m_layout.columnCount, m_layout.columnXEdges, -m_panOffset.x());
}

std::optional<qreal> ColumnCanvas::columnScreenX(qint64 column) const
{
    for (const CollapseResolver::AdjustedColumn& adjusted : adjustedColumnsForPan()) {
        if (adjusted.column == column)
            return adjusted.xOrigin;
    }
    if (column >= 0 && column < static_cast<qint64>(m_layout.columnXEdges.size()))
        return m_layout.columnXEdges[static_cast<size_t>(column)] + m_panOffset.x();
    return std::nullopt;
}

// --- Panning --------------------------------------------------------------------------------

QPointF ColumnCanvas::clampPan(const QPointF& offset) const
{
    const QSizeF total = m_layout.totalSize;
    const qreal minX = m_viewportSize.width() < total.width() ? -total.width() : 0;
    const qreal minY = std::min(m_viewportSize.height() - total.height(), qreal(0));
    const auto clamp
        = [](qreal value, qreal low) { return std::isfinite(value) ? std::clamp(value, low, qreal(0)) : 0; };
    return { clamp(offset.x(), minX), clamp(offset.y(), minY) };
}

void ColumnCanvas::setPanOffset(const QPointF& offset)
{
    if (offset == m_panOffset)
        return;
    m_panOffset = offset;
    placeOverlays();
    update();
}

void ColumnCanvas::clampPanOffset()
{
    setPanOffset(clampPan(m_panOffset));
}

void ColumnCanvas::scrollColumnsBy(qreal dx, qreal dy)
{
    setPanOffset(clampPan(m_panOffset + QPointF(dx, dy)));
}

void ColumnCanvas::scrollSelectionIntoView(const QUuid& id)
{
    const auto frame = m_layout.frames.constFind(id);
    if (frame == m_layout.frames.cend())
        return;
    const qreal m = scrollMargin;
    const qreal left = frame->origin.x() + m_panOffset.x();
    const qreal right = frame->origin.x() + frame->size.width() + m_panOffset.x();
    const qreal top = frame->subtreeTop + m_panOffset.y();
    const qreal bottom = frame->subtreeBottom + m_panOffset.y();
    // The near edge wins over the far one.
    const auto delta = [m](qreal low, qreal high, qreal extent) {
        if (high > extent - m) {
            const qreal d = (extent - m) - high;
            return low + d < m ? m - low : d;
        }
        return low < m ? m - low : qreal(0);
    };
    const qreal dx = delta(left, right, m_viewportSize.width());
    const qreal dy = delta(top, bottom, m_viewportSize.height());
    QPointF target = clampPan(m_panOffset + QPointF(dx, dy));
    // The columns panned past shrink into strips instead of leaving, so the node's column lies
    // further right than its edges say. Pan on until it lies within the margins as shown, but
    // never so far that its own column shrinks. Each round moves it at most as far as asked,
    // so the rounds close in on the answer; a few are enough.
    const qsizetype column = static_cast<qsizetype>(frame->column);
    for (int round = 0; round < 64; ++round) {
        const std::vector<CollapseResolver::AdjustedColumn> shown
            = CollapseResolver::resolveAdjustedColumns(m_layout.columnCount, m_layout.columnXEdges, -target.x());
        if (column >= static_cast<qsizetype>(shown.size()))
            break;
        const qreal shownLeft = shown[static_cast<size_t>(column)].xOrigin;
        const qreal step = delta(shownLeft, shownLeft + frame->size.width(), m_viewportSize.width());
        const qreal x = clampPan(QPointF(std::max(target.x() + step, -frame->origin.x()), target.y())).x();
        if (x == target.x())
            break;
        target.setX(x);
    }
    if (target == m_panOffset)
        return;
    QPointer<ColumnCanvas> self(this);
    // Each step is held inside the limits of its moment: the content may shrink meanwhile.
    m_scrollAnimator.animateScroll(m_panOffset, target, [self](const QPointF& offset) {
        if (self)
            self->setPanOffset(self->clampPan(offset));
    });
}

// --- Pointer --------------------------------------------------------------------------------

void ColumnCanvas::selectNodeAtPoint(const QPointF& point)
{
    // The node under the pointer as the user saw it, before a running edit ends and moves things.
    const std::optional<QUuid> hit
        = hitTestColumnNode(point, displayColumnLayout(), adjustedColumnsForPan(), m_panOffset);
    if (m_controller->editingNodeID())
        m_editing.commitColumnEdit(true);
    const SermonNodePtr& top = root();
    if (hit && top && top->findNode(*hit))
        m_controller->setSelectedNodeID(*hit);
    setCanvasFocused(true);
}

void ColumnCanvas::editNodeAtPoint(const QPointF& point)
{
    if (const std::optional<QUuid> hit
        = hitTestColumnNode(point, displayColumnLayout(), adjustedColumnsForPan(), m_panOffset))
        beginColumnEditing(*hit, false);
}

// --- Navigation -----------------------------------------------------------------------------

std::optional<QUuid> ColumnCanvas::nearestNodeAbove(const QUuid& id, const ColumnFrameMap& frames)
{
    const auto start = frames.constFind(id);
    if (start == frames.cend())
        return std::nullopt;
    const ColumnNodeFrame* best = nullptr;
    for (const ColumnNodeFrame& frame : frames) {
        if (frame.column == start->column && frame.origin.y() < start->origin.y()
            && (!best || frame.origin.y() > best->origin.y()))
            best = &frame;
    }
    return best ? std::optional<QUuid>(best->nodeID) : std::nullopt;
}

std::optional<QUuid> ColumnCanvas::nearestNodeBelow(const QUuid& id, const ColumnFrameMap& frames)
{
    const auto start = frames.constFind(id);
    if (start == frames.cend())
        return std::nullopt;
    const ColumnNodeFrame* best = nullptr;
    for (const ColumnNodeFrame& frame : frames) {
        if (frame.column == start->column && frame.origin.y() > start->origin.y()
            && (!best || frame.origin.y() < best->origin.y()))
            best = &frame;
    }
    return best ? std::optional<QUuid>(best->nodeID) : std::nullopt;
}

SermonNodePtr ColumnCanvas::firstVisibleChild(const SermonNode& node)
{
    if (node.isCollapsed() || !node.hasChildren())
        return nullptr;
    return node.children().front();
}

// --- Editing --------------------------------------------------------------------------------

void ColumnCanvas::beginColumnEditing(const QUuid& id, bool isNew)
{
    const SermonNodePtr& top = root();
    const SermonNodePtr node = top ? top->findNode(id) : nullptr;
    if (!node)
        return;
    if (const std::optional<QUuid> editing = m_controller->editingNodeID(); editing && *editing != id) {
        m_editing.commitColumnEdit(true);
        if (!top->findNode(id))
            return;
    }
    m_editOriginalText = node->text();
    m_controller->setSelectedNodeID(id);
    switchEditing(id, node->text(), isNew);
    setCanvasFocused(false);
    if (m_editor)
        m_editor->setFocused(true);
}

void ColumnCanvas::switchEditing(const QUuid& id, const QString& text, bool isNew)
{
    m_isSwitchingEdit = true;
    m_controller->setEditingNodeID(id);
    m_controller->setEditingText(text);
    m_controller->setEditingIsNew(isNew);
    m_isSwitchingEdit = false;
    updateEditor();
    update();
}

void ColumnCanvas::endEditing()
{
    m_controller->setEditingNodeID(std::nullopt);
}

void ColumnCanvas::commitPendingEdit()
{
    if (!m_controller->editingNodeID())
        return;
    m_editing.commitColumnEdit(true);
    setCanvasFocused(true);
}

void ColumnCanvas::storePendingEdit()
{
    m_editing.storeColumnEdit();
}

void ColumnCanvas::updateEditor()
{
    const std::optional<QUuid> id = m_controller->editingNodeID();
    const auto frame = id ? m_animator.displayFrames().constFind(*id) : m_animator.displayFrames().cend();
    const bool isWanted = frame != m_animator.displayFrames().cend() && frame->column < m_layout.columnCount;
    if (m_editor && (!isWanted || m_editorNodeID != *id)) {
        // A fresh editor for every node. This may run inside the old editor's own key handling,
        // so it goes later; hidden, it reports nothing more.
        ColumnEditorOverlay* old = m_editor;
        m_editor = nullptr;
        old->hide();
        old->deleteLater();
    }
    if (!isWanted)
        return;
    if (!m_editor) {
        auto* editor = new ColumnEditorOverlay(frame->column == 0, this);
        m_editor = editor;
        m_editorNodeID = *id;
        editor->setColumnWidth(frame->size.width());
        editor->showText(m_controller->editingText());
        editor->setOnTextEdited([this](const QString& text) { m_controller->setEditingText(text); });
        editor->setOnCommit([this] {
            m_editing.commitColumnEdit(true);
            // The keyboard stays where the user took it, unless nothing has it.
            QWidget* focus = QApplication::focusWidget();
            if (!focus || focus == this)
                setCanvasFocused(true);
        });
        editor->setOnShiftTab([this] {
            m_editing.commitColumnEdit(true);
            setCanvasFocused(true);
        });
        editor->setOnCancel([this] {
            m_editing.commitColumnEdit(false);
            setCanvasFocused(true);
        });
        editor->setOnTab([this] { m_editing.commitAndAppendChild(); });
        editor->setOnEnter([this] { m_editing.commitAndInsertNode(true); });
        editor->setOnCommandEnter([this] { m_editing.commitAndInsertNode(false); });
        editor->setOnOptionEnter([this](qint64 caret) { m_editing.splitNodeAtCaret(caret); });
        placeOverlays();
        editor->show();
        editor->raise();
        return;
    }
    placeOverlays();
}

void ColumnCanvas::placeOverlays()
{
    m_handles->place(adjustedColumnsForPan(), m_viewportSize);
    placeEditor();
}

void ColumnCanvas::placeEditor()
{
    if (!m_editor)
        return;
    const auto frame = m_animator.displayFrames().constFind(m_editorNodeID);
    const std::optional<qreal> x
        = frame != m_animator.displayFrames().cend() ? columnScreenX(frame->column) : std::nullopt;
    if (!x)
        return;
    m_editor->setColumnWidth(m_layout.frames.value(m_editorNodeID, *frame).size.width());
    // As tall as the node, or as the text when a long unbroken word wraps in the editor.
    const qreal height = std::max(frame->size.height(), m_editor->contentHeight());
    m_editor->setBoxHeight(frame->size.height() - ColumnMetrics::textTop);
    m_editor->setGeometry(QRectF(*x + ColumnMetrics::textInset,
        frame->origin.y() + m_panOffset.y() + ColumnMetrics::textTop, m_editor->textWidth(), height)
                              .toAlignedRect());
    m_editor->raise();
}

// --- Keyboard -------------------------------------------------------------------------------

std::function<void()> ColumnCanvas::keyCommand(const QKeyEvent& event)
{
    if (m_controller->editingNodeID())
        return {};
    return m_keys.command(event);
}

bool ColumnCanvas::event(QEvent* event)
{
    // The canvas's keys come before the menus' shortcuts; Tab adds a node.
    if (CommandKeys::routeEvent(event, [this](const QKeyEvent& key) { return keyCommand(key); }))
        return true;
    return QWidget::event(event);
}

void ColumnCanvas::keyPressEvent(QKeyEvent* event)
{
    if (!CommandKeys::runKeyPress(event, [this](const QKeyEvent& key) { return keyCommand(key); }))
        QWidget::keyPressEvent(event);
}

// --- Focus ----------------------------------------------------------------------------------

void ColumnCanvas::setCanvasFocused(bool focused)
{
    m_isCanvasFocused = focused;
    if (focused)
        setFocus(Qt::OtherFocusReason);
    else if (hasFocus())
        clearFocus();
}

void ColumnCanvas::focusInEvent(QFocusEvent* event)
{
    m_isCanvasFocused = true;
    QWidget::focusInEvent(event);
}

void ColumnCanvas::focusOutEvent(QFocusEvent* event)
{
    if (event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason)
        m_isCanvasFocused = false;
    QWidget::focusOutEvent(event);
}

// --- Drawing and time -----------------------------------------------------------------------

ColumnScene ColumnCanvas::makeScene(const ColumnLayout& display, const ColumnFrameIndex& index) const
{
    ColumnScene scene;
    scene.displayLayout = &display;
    scene.frameIndex = &index;
    scene.subtreeRightmost = &m_subtreeRightmost;
    scene.nextSiblingID = &m_nextSiblingID;
    scene.nodeLookup = &m_nodeLookup;
    scene.wrapCache = const_cast<ColumnWrapCache*>(&m_wrapCache);
    scene.panOffset = m_panOffset;
    scene.viewportSize = m_viewportSize;
    scene.selectedNodeID = m_controller->selectedNodeID();
    scene.editingNodeID = m_controller->editingNodeID();
    scene.stickyStates = resolveStickyStates(m_layoutIndex, -m_panOffset.y());
    scene.adjustedColumns = adjustedColumnsForPan();
    const bool isDark = isDarkAppearance();
    scene.textColor = Appearance::inkColor(isDark);
    scene.primaryColor = palette().color(QPalette::WindowText);
    scene.accentColor = palette().color(QPalette::Highlight);
    return scene;
}

ColumnRenderer::Stats ColumnCanvas::renderCanvas(QPainter& painter, const QSizeF& size)
{
    if (size != m_viewportSize && !m_hasAppeared)
        m_viewportSize = size;
    const ColumnLayout display = displayColumnLayout();
    return ColumnRenderer::drawColumnCanvas(painter, makeScene(display, displayFrameIndex()));
}

const ColumnFrameIndex& ColumnCanvas::displayFrameIndex()
{
    const ColumnFrameMap& shown = m_animator.displayFrames();
    if (shown.isSharedWith(m_layout.frames))
        return m_layoutIndex;
    if (m_isDisplayIndexStale) {
        // Without the columns the layout has lost, as displayColumnLayout leaves them out.
        m_displayIndex = ColumnFrameIndex(shown, m_layout.columnCount);
        m_isDisplayIndexStale = false;
    }
    return m_displayIndex;
}

void ColumnCanvas::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    renderCanvas(painter, QSizeF(size()));
}

void ColumnCanvas::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_viewportSize = QSizeF(event->size());
    if (m_hasAppeared) {
        clampPanOffset();
        placeOverlays();
    }
}

void ColumnCanvas::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!m_hasAppeared) {
        m_hasAppeared = true;
        prepare();
    }
}

void ColumnCanvas::setAnimationClock(const AnimationClock* clock)
{
    m_clock = clock ? clock : &AnimationClock::system();
    m_animator.setClock(m_clock);
    m_scrollAnimator.setClock(m_clock);
}

void ColumnCanvas::tickAnimations()
{
    m_animator.tick();
    m_scrollAnimator.tick();
}

} // namespace kestrion
