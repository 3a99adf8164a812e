#include "mindmap/MindMapCanvas.h"

#include "document/DocumentController.h"
#include "document/SermonDocument.h"
#include "mindmap/AnimationClock.h"
#include "mindmap/CanvasGeometry.h"
#include "mindmap/FocusedNodeActionsKey.h"
#include "mindmap/NodeActionState.h"
#include "mindmap/NodeContextMenu.h"
#include "mindmap/NodeEditorOverlay.h"
#include "mindmap/NodeMarkers.h"
#include "mindmap/SplitLinesAction.h"
#include "mindmap/SplitSentencesAction.h"
#include "mindmap/TrackpadEventView.h"
#include "mindmap/TreeLayout.h"
#include "platform/Appearance.h"
#include "platform/CommandRouter.h"
#include "platform/FindAction.h"
#include "platform/FocusedValues.h"
#include "platform/Preferences.h"
#include "platform/Signposter.h"
#include "platform/SystemClipboard.h"
#include "platform/UndoManager.h"
#include "platform/ZoomAction.h"

#include <QApplication>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineF>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>

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

MindMapCanvas::MindMapCanvas(SermonDocument& document, UndoManager* undoManager, QWidget* parent)
    : QWidget(parent)
    , m_document(&document)
    , m_controller(std::make_unique<DocumentController>(&document))
    , m_clock(&AnimationClock::system())
    , m_scrollAnimation(m_clock)
    , m_nodeAnimation(m_clock)
{
    setObjectName(QStringLiteral("mindMapCanvas"));
    setAccessibleName(QStringLiteral("mindMapCanvas"));
    // No focus on press: a click ends a running edit only once it has found the node under the
    // pointer, and a drag leaves the edit alone. Clicks that select take the keyboard themselves.
    setFocusPolicy(Qt::TabFocus);
    setMouseTracking(true);
    setAttribute(Qt::WA_AcceptTouchEvents, false);

    m_controller->setUndoManager(undoManager);
    m_controller->setClipboard(&sharedClipboard());
    m_undoManager = undoManager;

    m_minimapHideTimer.setSingleShot(true);
    m_minimapHideTimer.setInterval(minimapHoldMilliseconds);
    connect(&m_minimapHideTimer, &QTimer::timeout, this, &MindMapCanvas::minimapHideTimerFired);

    m_eventView = new TrackpadEventView(this);
    m_eventView->setOnScroll([this](qreal dx, qreal dy) { handleScroll(dx, dy); });
    m_eventView->setOnMagnify(
        [this](qreal magnification, const QPointF& location) { handleMagnify(magnification, location); });
    m_eventView->setOnMagnifyEnd([] {});
    m_eventView->setOnMouseMoved([](const QPointF&) {});
    m_eventView->setOnRightClick([this](const QPointF& location, QMouseEvent*) { handleSecondaryClick(location); });

    installControllerCallbacks();
    setPreferences(&Preferences::shared());

    connect(&document, &SermonDocument::undoRedoGenerationChanged, this, &MindMapCanvas::handleUndoRedoChange);
    // A title changed outside the controller (the file settings) is seen once that change is
    // complete, whatever the order of its steps.
    connect(&document, &SermonDocument::undoStackChanged, this, &MindMapCanvas::checkRootText, Qt::QueuedConnection);
    connect(&document, &SermonDocument::metadataChanged, this, &MindMapCanvas::checkRootText, Qt::QueuedConnection);

    CommandRouter::shared().addViewPublisher(this, this);
}

MindMapCanvas::~MindMapCanvas()
{
    // Before the widget comes apart: a focus change during destruction must not ask a
    // half-destroyed canvas for its values.
    CommandRouter::shared().removePublisher(this);
    m_controller->setOnTreeMutated({});
    m_controller->setOnSelectionRequestVisible({});
    m_controller->setOnRequestCanvasFocus({});
    m_controller->disconnect(this);
}

UndoManager* MindMapCanvas::undoManager() const
{
    return m_undoManager;
}

const SermonNodePtr& MindMapCanvas::root() const
{
    static const SermonNodePtr none;
    return m_document ? m_document->root() : none;
}

void MindMapCanvas::setClipboard(Clipboard* clipboard)
{
    m_controller->setClipboard(clipboard);
}

// --- Wiring ---------------------------------------------------------------------------------

void MindMapCanvas::installControllerCallbacks()
{
    DocumentController& c = *m_controller;
    c.setOnRequestCanvasFocus([this] { setCanvasFocused(true); });
    c.setOnTreeMutated([this] { handleTreeMutated(); });
    c.setOnSelectionRequestVisible([this](const QUuid& id) { scrollNodeIntoView(id); });

    connect(&c, &DocumentController::selectedNodeIDChanged, this, &MindMapCanvas::handleSelectionChange);
    connect(&c, &DocumentController::searchQueryChanged, this, &MindMapCanvas::handleSearchQueryChange);
    for (auto signal : { &DocumentController::selectedNodeIDsChanged, &DocumentController::editingNodeIDChanged,
             &DocumentController::searchMatchesChanged, &DocumentController::currentMatchIndexChanged }) {
        connect(&c, signal, this, [this] {
            update();
            notifyStateChanged();
        });
    }
    connect(&c, &DocumentController::editingNodeIDChanged, this, &MindMapCanvas::updateNodeEditor);
    connect(&c, &DocumentController::editingTextChanged, this, [this] {
        if (m_nodeEditor)
            m_nodeEditor->setText(m_controller->editingText());
    });
    connect(&c, &DocumentController::isSearchingChanged, this, [this] {
        placeOverlays();
        update();
        notifyStateChanged();
    });
}

void MindMapCanvas::handleTreeMutated()
{
    m_textCache.clearBitmaps();
    recomputeLayout();
}

void MindMapCanvas::handleCanvasAppear()
{
    setCanvasFocused(true);
    if (const SermonNodePtr& top = root())
        m_controller->setSelectedNodeID(top->id());
    recomputeLayout();
    if (m_onZoomFunctionsReady)
        m_onZoomFunctionsReady(zoomFunctions());
}

void MindMapCanvas::handleSelectionChange()
{
    // The controller itself ends a multi-selection on a plain change of the primary.
    const std::optional<QUuid> selected = m_controller->selectedNodeID();
    if (m_document)
        m_document->setCurrentSelectedNodeID(selected);
    if (selected)
        scrollNodeIntoView(*selected);
    update();
    notifyStateChanged();
}

void MindMapCanvas::handleSearchQueryChange()
{
    m_controller->updateSearch();
}

void MindMapCanvas::handleUndoRedoChange()
{
    const NodeLayoutMap previousLayouts = m_cachedLayouts;
    // The nodes as they were. A restore puts a new node wherever it changes one, so these keep
    // the texts that vanishing nodes fade out with.
    const SermonNodeMap previousNodes = m_nodeLookup;
    const QUuid selected = m_controller->syncSelectionAfterUndo();
    QHash<QUuid, QString> vanishedTexts;
    for (auto it = previousLayouts.cbegin(); it != previousLayouts.cend(); ++it) {
        if (!m_cachedLayouts.findNear(previousLayouts.slotOf(it), it.key())) {
            if (const SermonNodePtr node = previousNodes.value(it.key()))
                vanishedTexts.insert(it.key(), node->text());
        }
    }
    relayoutAndAnimate(nodeAnimationDuration, previousLayouts, vanishedTexts);
    if (!selected.isNull())
        scrollNodeIntoView(selected);
}

void MindMapCanvas::handleRootTextChange()
{
    m_textCache.clearBitmaps();
    recomputeLayout();
}

void MindMapCanvas::checkRootText()
{
    const SermonNodePtr& top = root();
    if (top && top.get() == m_layoutRoot && top->text() != m_layoutRootText)
        handleRootTextChange();
}

void MindMapCanvas::notifyStateChanged()
{
    CommandRouter::shared().publisherChanged(this);
}

MindMapCanvas::ZoomFunctions MindMapCanvas::zoomFunctions()
{
    QPointer<MindMapCanvas> self(this);
    return {
        [self] {
            if (self)
                self->zoomIn();
        },
        [self] {
            if (self)
                self->zoomOut();
        },
        [self] {
            if (self)
                self->resetZoom();
        },
    };
}

void MindMapCanvas::publishFocusedValues(FocusedValues& values) const
{
    auto* self = const_cast<MindMapCanvas*>(this);
    const ZoomFunctions zoom = self->zoomFunctions();
    values.set<FocusedZoomKey>(ZoomAction { zoom.zoomIn, zoom.zoomOut, zoom.reset });
    QPointer<MindMapCanvas> guarded(self);
    values.set<FocusedFindKey>(FindAction { [guarded] {
        if (guarded)
            guarded->openSearch();
    } });
    values.set<FocusedSplitLinesKey>(SplitLinesAction { [guarded] {
        if (guarded)
            guarded->controller().splitLines();
    } });
    values.set<FocusedSplitSentencesKey>(SplitSentencesAction { [guarded] {
        if (guarded)
            guarded->controller().splitSentences();
    } });
    // No node commands while a field has the keyboard: the editor or the search bar.
    if (!m_controller->editingNodeID() && !m_controller->isSearching())
        values.set<FocusedNodeActionsKey>(self->makeNodeActions());
}

// --- Focus ----------------------------------------------------------------------------------

void MindMapCanvas::setCanvasFocused(bool focused)
{
    m_isCanvasFocused = focused;
    if (focused)
        setFocus(Qt::OtherFocusReason);
    else if (hasFocus())
        clearFocus();
    notifyStateChanged();
}

void MindMapCanvas::focusInEvent(QFocusEvent* event)
{
    m_isCanvasFocused = true;
    checkRootText();
    QWidget::focusInEvent(event);
    notifyStateChanged();
}

void MindMapCanvas::focusOutEvent(QFocusEvent* event)
{
    // The window losing activation or a menu popping up leaves the canvas the window's focus.
    if (event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason)
        m_isCanvasFocused = false;
    QWidget::focusOutEvent(event);
    notifyStateChanged();
}

// --- Preferences ----------------------------------------------------------------------------

void MindMapCanvas::setPreferences(Preferences* preferences)
{
    if (m_preferences)
        m_preferences->disconnect(this);
    m_preferences = preferences;
    if (m_preferences) {
        connect(m_preferences, &Preferences::changed, this, [this](const QString& key) {
            if (key == Preferences::readingPaceWPMKey)
                update();
        });
    }
    update();
}

qint64 MindMapCanvas::readingPaceWPM() const
{
    const qint64 stored = m_preferences ? m_preferences->readingPaceWPM() : Preferences::defaultReadingPaceWPM;
    // A stored pace below 1 would divide by zero; such a value reads as the default.
    return stored < 1 ? Preferences::defaultReadingPaceWPM : stored;
}

// --- Layout ---------------------------------------------------------------------------------

void MindMapCanvas::recomputeLayout()
{
    SignpostIntervalState interval = performanceSignposter().beginInterval("RecomputeLayout");
    relayout();
    endSignpostInterval("RecomputeLayout", interval);
}

void MindMapCanvas::relayout()
{
    const SermonNodePtr& top = root();
    m_cachedContentBounds = layoutTree(top, m_layoutCache, { &m_cachedLayouts, &m_nodeLookup, &m_subtreeWordCounts });
    m_layoutRoot = top.get();
    m_layoutRootText = top ? top->text() : QString();

    placeOverlays();
    updateNodeEditor();
    update();
    Q_EMIT layoutChanged();
    notifyStateChanged();
}

void MindMapCanvas::relayoutAndAnimate(
    double duration, const NodeLayoutMap& previousLayouts, const QHash<QUuid, QString>& previousTexts)
{
    // The previous layouts were usually copied from the present ones, so each node is looked
    // for first in the slot it had there.
    QHash<QUuid, QPointF> offsets;
    QHash<QUuid, GhostNode> ghosts;
    for (auto it = previousLayouts.cbegin(); it != previousLayouts.cend(); ++it) {
        if (const NodeLayout* now = m_cachedLayouts.findNear(previousLayouts.slotOf(it), it.key())) {
            const QPointF delta = it.value().origin - now->origin;
            if (std::abs(delta.x()) > 0.5 || std::abs(delta.y()) > 0.5)
                offsets.insert(it.key(), delta);
        } else if (auto text = previousTexts.constFind(it.key()); text != previousTexts.cend()) {
            ghosts.insert(it.key(), GhostNode { it.value(), text.value() });
        }
    }
    QSet<QUuid> fadeIn;
    for (auto it = m_cachedLayouts.cbegin(); it != m_cachedLayouts.cend(); ++it) {
        if (!previousLayouts.findNear(m_cachedLayouts.slotOf(it), it.key()))
            fadeIn.insert(it.key());
    }
    if (offsets.isEmpty() && ghosts.isEmpty() && fadeIn.isEmpty())
        return;

    m_nodeAnimation.stop();
    m_nodeAnimOffsets = offsets;
    m_fadeOutGhosts = std::move(ghosts);
    m_fadeInNodeIDs = std::move(fadeIn);
    m_animationProgress = 0;
    update();
    m_nodeAnimation.start(
        duration,
        [this, offsets](double t) {
            m_animationProgress = t;
            // The offsets are a copy of these, entry for entry in the same order.
            auto from = offsets.cbegin();
            for (auto it = m_nodeAnimOffsets.begin(); it != m_nodeAnimOffsets.end(); ++it) {
                if (from != offsets.cend() && from.key() == it.key())
                    it.value() = (from++).value() * (1 - t);
                else
                    it.value() = offsets.value(it.key()) * (1 - t);
            }
            update();
        },
        [this] {
            m_nodeAnimOffsets.clear();
            m_fadeOutGhosts.clear();
            m_fadeInNodeIDs.clear();
            m_animationProgress = 1.0;
            update();
        });
}

// --- Pan and zoom ---------------------------------------------------------------------------

bool MindMapCanvas::setScale(qreal scale)
{
    const qreal clamped = clampScale(scale);
    if (clamped == m_scale)
        return false;
    m_scale = clamped;
    placeOverlays();
    if (m_nodeEditor)
        m_nodeEditor->setViewTransform(m_scale, m_panOffset);
    update();
    Q_EMIT scaleChanged(m_scale);
    Q_EMIT viewChanged();
    return true;
}

bool MindMapCanvas::setPanOffset(const QPointF& offset)
{
    if (offset == m_panOffset)
        return false;
    m_panOffset = offset;
    placeOverlays();
    if (m_nodeEditor)
        m_nodeEditor->setViewTransform(m_scale, m_panOffset);
    update();
    Q_EMIT viewChanged();
    return true;
}

QPointF MindMapCanvas::clampPan(const QPointF& offset) const
{
    return kestrion::clampPan(offset, m_viewportSize, m_cachedContentBounds, m_scale);
}

void MindMapCanvas::updateViewportSize(const QSizeF& size)
{
    if (size == m_viewportSize)
        return;
    m_viewportSize = size;
    Q_EMIT viewChanged();
}

void MindMapCanvas::animatePan(const QPointF& target, double duration)
{
    m_scrollAnimation.stop();
    const QPointF end = clampPan(target);
    const QPointF start = m_panOffset;
    m_scrollAnimation.start(duration, [this, start, end](double t) { setPanOffset(start + (end - start) * t); });
}

void MindMapCanvas::zoomIn()
{
    if (const std::optional<qreal> level = zoomLevelAbove(m_scale))
        animateZoom(*level);
}

void MindMapCanvas::zoomOut()
{
    if (const std::optional<qreal> level = zoomLevelBelow(m_scale))
        animateZoom(*level);
}

void MindMapCanvas::animateZoom(qreal target)
{
    target = clampScale(target);
    if (target == m_scale)
        return;
    const QPointF centre(m_viewportSize.width() * 0.5, m_viewportSize.height() * 0.5);
    const QPointF fixed = toCanvasPoint(centre);
    const qreal start = m_scale;
    m_scrollAnimation.stop();
    m_scrollAnimation.start(zoomAnimationDuration, [this, start, target, centre, fixed](double t) {
        setScale(start + (target - start) * t);
        setPanOffset(clampPan(panKeeping(centre, fixed, m_scale)));
    });
}

void MindMapCanvas::resetZoom()
{
    const qreal startScale = m_scale;
    const QPointF startPan = m_panOffset;
    m_scrollAnimation.stop();
    m_scrollAnimation.start(zoomAnimationDuration, [this, startScale, startPan](double t) {
        setScale(startScale + (1 - startScale) * t);
        setPanOffset(clampPan(startPan * (1 - t)));
    });
}

void MindMapCanvas::handleScroll(qreal dx, qreal dy)
{
    performanceSignposter().emitEvent("Scroll",
        [&] { return QStringLiteral("dx=%1 dy=%2").arg(static_cast<qint64>(dx)).arg(static_cast<qint64>(dy)); });
    // The hand on the wheel wins over a glide still running.
    m_scrollAnimation.stop();
    setPanOffset(clampPan(m_panOffset + QPointF(dx, dy)));
    showMinimapBriefly();
}

void MindMapCanvas::handleMagnify(qreal magnification, const QPointF& location)
{
    performanceSignposter().emitEvent(
        "Magnify", [&] { return QString::asprintf("mag=%.3f", static_cast<double>(magnification)); });
    m_scrollAnimation.stop();
    // The location is the event's own, in this canvas's coordinates.
    const ViewTransform next
        = magnifiedAbout(magnification, location, { m_scale, m_panOffset }, m_viewportSize, m_cachedContentBounds);
    setScale(next.scale);
    setPanOffset(next.pan);
    showMinimapBriefly();
}

void MindMapCanvas::scrollNodeIntoView(const QUuid& id)
{
    const auto layout = m_cachedLayouts.constFind(id);
    if (layout == m_cachedLayouts.cend())
        return;
    if (const std::optional<QPointF> target
        = scrollIntoViewPan(layout.value(), { m_scale, m_panOffset }, m_viewportSize))
        animatePan(*target, scrollIntoViewDuration);
}

void MindMapCanvas::centreOnPoint(const QPointF& contentPoint)
{
    const QPointF centre(0.5 * m_viewportSize.width(), 0.5 * m_viewportSize.height());
    setPanOffset(clampPan(panKeeping(centre, contentPoint, m_scale)));
    showMinimapBriefly();
}

void MindMapCanvas::showMinimapBriefly()
{
    if (!m_minimapVisible) {
        m_minimapVisible = true;
        Q_EMIT viewChanged();
    }
    m_minimapHideTimer.start();
}

void MindMapCanvas::minimapHideTimerFired()
{
    QMetaObject::invokeMethod(this, &MindMapCanvas::hideMinimap, Qt::QueuedConnection);
}

void MindMapCanvas::hideMinimap()
{
    if (!m_minimapVisible)
        return;
    m_minimapVisible = false;
    Q_EMIT viewChanged();
}

// --- Commands -------------------------------------------------------------------------------

void MindMapCanvas::openSearch()
{
    m_controller->setSearching(true);
}

// --- Editing in place ----------------------------------------------------------------------

void MindMapCanvas::updateNodeEditor()
{
    const std::optional<QUuid> id = m_controller->editingNodeID();
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
    editor->show();
    // Below the search bar and the minimap.
    editor->lower();
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
        setCanvasFocused(true);
        return {};
    }
    QString text = commit ? trimmedOfSpace(c.editingText()) : node->text();
    // The title cannot be removed: clearing it cancels the edit.
    if (text.isEmpty() && node == top)
        text = node->text();
    c.setEditingNodeID(std::nullopt);

    if (!text.isEmpty()) {
        if (text != node->text()) {
            if (!c.editingIsNew())
                m_document->recordUndo(c.selectedNodeID(), m_undoManager);
            node->setText(text);
            if (c.editingIsNew())
                Q_EMIT m_document->contentEdited();
            recomputeLayout();
        }
        c.setSelectedNodeID(*id);
        return { id, false };
    }

    // A node left empty goes.
    const bool wasNew = c.editingIsNew();
    const NodeLayoutMap previousLayouts = m_cachedLayouts;
    if (!wasNew)
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
    recomputeLayout();
    if (!wasNew)
        relayoutAndAnimate(nodeAnimationDuration, previousLayouts, {});
    c.setSelectedNodeID(next);
    setCanvasFocused(true);
    return { id, true };
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
    if (result.removed || !node || node->isQuote()) {
        // A quote takes no children: editing has ended with the commit, nothing recorded.
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
    if (result.removed)
        return;
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
    if (result.removed)
        return;
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
    const bool isQuote = node->isQuote();

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

    // The split is one step: the commit of the first part records nothing of its own.
    c.setEditingIsNew(true);
    c.setEditingText(first);
    const CommitResult result = commitEdit(true);

    SermonNodePtr sibling;
    if (result.removed) {
        // Nothing before the caret: the text takes the node's own place.
        sibling = SermonNode::create(second, parent->depth() + 1);
        parent->insertChild(index, sibling);
    } else {
        sibling = top->insertSibling(*id, second);
    }
    if (!sibling)
        return;
    sibling->setQuote(isQuote);
    recomputeLayout();
    c.setSelectedNodeID(sibling->id());
    beginEditingNode(sibling->id(), second.isEmpty());
}

// --- Node operations ------------------------------------------------------------------------

void MindMapCanvas::cutSelection()
{
    const QSet<QUuid> selection = m_controller->effectiveSelection();
    const SermonNodePtr& top = root();
    if (selection.isEmpty() || !top || selection.contains(top->id()))
        return;
    m_controller->copy();
    deleteSelectionAnimated();
}

void MindMapCanvas::deleteSelectionAnimated()
{
    const QSet<QUuid> selection = m_controller->effectiveSelection();
    const SermonNodePtr& top = root();
    if (selection.isEmpty() || !top || selection.contains(top->id()))
        return;
    const NodeLayoutMap previousLayouts = m_cachedLayouts;
    QHash<QUuid, QString> previousTexts;
    for (const SermonNodePtr& node : m_controller->selectedNodes()) {
        for (const SermonNodePtr& each : node->allNodes())
            previousTexts.insert(each->id(), each->text());
    }
    m_controller->deleteSelection();
    relayoutAndAnimate(nodeAnimationDuration, previousLayouts, previousTexts);
}

void MindMapCanvas::duplicateSelection()
{
    const std::vector<SermonNodePtr> nodes = m_controller->topLevelSelectedNodes();
    const SermonNodePtr& top = root();
    if (nodes.empty() || !top)
        return;
    if (std::any_of(nodes.begin(), nodes.end(), [&](const SermonNodePtr& n) { return n == top; }))
        return;
    m_document->recordUndo(m_controller->selectedNodeID(), m_undoManager);
    QSet<QUuid> copies;
    std::optional<QUuid> primary;
    // From the last to the first, so the places of those still to copy stay valid.
    for (auto it = nodes.rbegin(); it != nodes.rend(); ++it) {
        const SermonNodePtr parent = top->findParent((*it)->id());
        if (!parent)
            continue;
        const qint64 i = parent->indexOfChild((*it)->id());
        if (i < 0)
            continue;
        const SermonNodePtr copy = (*it)->deepCopy(true);
        parent->insertChild(i + 1, copy);
        copies.insert(copy->id());
        primary = copy->id();
    }
    // The copies are a selection of their own: written as one extension, so the change of
    // the primary keeps them all.
    m_controller->setSelection(copies, primary, std::nullopt);
    handleTreeMutated();
    if (const std::optional<QUuid> selected = m_controller->selectedNodeID())
        scrollNodeIntoView(*selected);
}

void MindMapCanvas::joinSelection()
{
    const NodeLayoutMap previousLayouts = m_cachedLayouts;
    m_controller->join();
    relayoutAndAnimate(nodeAnimationDuration, previousLayouts, {});
}

void MindMapCanvas::foldSelection()
{
    std::vector<SermonNodePtr> nodes = m_controller->selectedNodes();
    std::erase_if(nodes, [](const SermonNodePtr& node) { return !node->hasChildren(); });
    if (nodes.empty())
        return;
    const NodeLayoutMap previousLayouts = m_cachedLayouts;
    QHash<QUuid, QString> previousTexts;
    for (const SermonNodePtr& node : nodes) {
        for (const SermonNodePtr& each : node->allNodes()) {
            if (each != node)
                previousTexts.insert(each->id(), each->text());
        }
    }
    m_controller->fold();
    relayoutAndAnimate(nodeAnimationDuration, previousLayouts, previousTexts);
    if (const std::optional<QUuid> selected = m_controller->selectedNodeID())
        scrollNodeIntoView(*selected);
}

void MindMapCanvas::unfoldSelection()
{
    const std::vector<SermonNodePtr> nodes = m_controller->selectedNodes();
    if (std::none_of(nodes.begin(), nodes.end(), [](const SermonNodePtr& node) { return node->hasChildren(); }))
        return;
    const NodeLayoutMap previousLayouts = m_cachedLayouts;
    m_controller->unfold();
    relayoutAndAnimate(nodeAnimationDuration, previousLayouts, {});
    if (const std::optional<QUuid> selected = m_controller->selectedNodeID())
        scrollNodeIntoView(*selected);
}

void MindMapCanvas::moveSelectionAnimated(bool down)
{
    const NodeLayoutMap previousLayouts = m_cachedLayouts;
    m_controller->moveSelection(down);
    relayoutAndAnimate(nodeAnimationDuration, previousLayouts, {});
    if (const std::optional<QUuid> selected = m_controller->selectedNodeID())
        scrollNodeIntoView(*selected);
}

void MindMapCanvas::performStructuralEdit(ControllerOperation operation)
{
    (m_controller.get()->*operation)();
    if (const std::optional<QUuid> selected = m_controller->selectedNodeID())
        scrollNodeIntoView(*selected);
}

void MindMapCanvas::performEditingCommand(ControllerOperation operation)
{
    (m_controller.get()->*operation)();
    if (m_controller->editingNodeID()) {
        setCanvasFocused(false);
        if (m_nodeEditor)
            m_nodeEditor->setFocused(true);
    }
}

void MindMapCanvas::toggleQuote()
{
    const std::vector<SermonNodePtr> nodes = m_controller->selectedNodes();
    if (nodes.empty())
        return;
    const NodeLayoutMap previousLayouts = m_cachedLayouts;
    m_document->recordUndo(m_controller->selectedNodeID(), m_undoManager);
    for (const SermonNodePtr& node : nodes) {
        if (node->isQuote())
            node->setQuote(false);
        else if (!node->hasChildren())
            node->setQuote(true);
    }
    recomputeLayout();
    relayoutAndAnimate(nodeAnimationDuration, previousLayouts, {});
}

void MindMapCanvas::selectAllNodes()
{
    const SermonNodePtr& top = root();
    if (!top)
        return;
    QSet<QUuid> all;
    for (const SermonNodePtr& node : top->allNodes())
        all.insert(node->id());
    m_controller->setSelectedNodeIDs(all);
    update();
}

void MindMapCanvas::deselectAllNodes()
{
    m_controller->setSelectedNodeIDs({});
    m_controller->setSelectedNodeID(std::nullopt);
}

void MindMapCanvas::setMarker(const QString& marker)
{
    const std::vector<SermonNodePtr> nodes = m_controller->selectedNodes();
    if (nodes.empty())
        return;
    const bool allMarked = std::all_of(
        nodes.begin(), nodes.end(), [&](const SermonNodePtr& node) { return node->text().startsWith(marker); });
    const NodeLayoutMap previousLayouts = m_cachedLayouts;
    m_document->recordUndo(m_controller->selectedNodeID(), m_undoManager);
    for (const SermonNodePtr& node : nodes) {
        const QString base = NodeMarkers::stripLeadingMarker(node->text());
        node->setText(allMarked ? base : marker + u' ' + base);
    }
    recomputeLayout();
    relayoutAndAnimate(nodeAnimationDuration, previousLayouts, {});
}

void MindMapCanvas::removeMarker()
{
    const std::vector<SermonNodePtr> nodes = m_controller->selectedNodes();
    if (nodes.empty())
        return;
    const NodeLayoutMap previousLayouts = m_cachedLayouts;
    m_document->recordUndo(m_controller->selectedNodeID(), m_undoManager);
    bool changed = false;
    for (const SermonNodePtr& node : nodes)
        changed = node->setText(NodeMarkers::stripLeadingMarker(node->text())) || changed;
    if (!changed)
        return;
    recomputeLayout();
    relayoutAndAnimate(nodeAnimationDuration, previousLayouts, {});
}

// --- Pointer --------------------------------------------------------------------------------

QPointF MindMapCanvas::toCanvasPoint(const QPointF& viewPoint) const
{
    return kestrion::toCanvasPoint(viewPoint, m_panOffset, m_scale);
}

void MindMapCanvas::handleTap(const QPointF& p, Qt::KeyboardModifiers modifiers)
{
    DocumentController& c = *m_controller;
    const bool shift = modifiers.testFlag(Qt::ShiftModifier);
    const bool command = modifiers.testFlag(Qt::ControlModifier);

    if (const std::optional<QUuid> toggle = foldToggleHit(m_cachedLayouts, m_nodeLookup, p)) {
        if (c.editingNodeID())
            commitEdit(true);
        c.setSelectedNodeID(*toggle);
        const SermonNodePtr node = m_nodeLookup.value(*toggle);
        if (node && node->isCollapsed())
            unfoldSelection();
        else
            foldSelection();
        setCanvasFocused(true);
        return;
    }

    const double now = m_clock->now();
    const std::optional<QUuid> hit = hitTestNode(m_cachedLayouts, p);
    if (m_lastTapTime && m_lastTapNodeID && hit && *m_lastTapNodeID == *hit
        && now - *m_lastTapTime < doubleClickInterval && !shift && !command) {
        m_lastTapTime.reset();
        m_lastTapNodeID.reset();
        beginEditingNode(*hit, false);
        return;
    }

    if (c.editingNodeID())
        commitEdit(true);
    if (!hit) {
        c.selectSingleNode(std::nullopt);
    } else if (shift) {
        c.extendSelectionTo(*hit);
    } else if (command) {
        c.toggleSelection(*hit);
    } else {
        c.selectSingleNode(*hit);
    }
    if (hit) {
        if (const SermonNodePtr node = m_nodeLookup.value(*hit))
            c.setNavigationDepth(node->depth());
    }
    setCanvasFocused(true);
    m_lastTapTime = now;
    m_lastTapNodeID = hit;
}

void MindMapCanvas::handleSecondaryClick(const QPointF& viewPoint)
{
    const std::optional<QUuid> hit = hitTestNode(m_cachedLayouts, toCanvasPoint(viewPoint));
    const SermonNodePtr& top = root();
    if (!hit || !top || *hit == top->id())
        return;
    if (m_controller->editingNodeID())
        commitEdit(true);
    // The node becomes primary and the other selected nodes stay, so the menu's commands act
    // on the whole selection.
    DocumentController& c = *m_controller;
    c.setSelection(c.selectedNodeIDs(), *hit, c.selectionAnchorID());
    setCanvasFocused(true);
    showContextMenu(mapToGlobal(viewPoint.toPoint()));
}

void MindMapCanvas::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    m_press = Press { event->position(), false };
    event->accept();
}

void MindMapCanvas::mouseDoubleClickEvent(QMouseEvent* event)
{
    // The system's double click is a second press; the canvas tells double clicks apart itself.
    mousePressEvent(event);
}

void MindMapCanvas::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_press || !event->buttons().testFlag(Qt::LeftButton)) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    if (!m_press->isDragging && QLineF(m_press->start, event->position()).length() >= dragThreshold)
        m_press->isDragging = true;
    if (m_press->isDragging)
        handleDragChanged(m_press->start, event->position(), event->modifiers());
    event->accept();
}

void MindMapCanvas::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_press) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    const Press press = *m_press;
    m_press.reset();
    if (press.isDragging)
        handleDragEnded();
    else
        handleTap(toCanvasPoint(event->position()), event->modifiers());
    event->accept();
}

// --- Keyboard -------------------------------------------------------------------------------

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
    return top->findNode(*selected);
}

std::optional<QUuid> MindMapCanvas::verticalNeighborID(const QUuid& id, bool down) const
{
    return adjacentVisibleNode(id, root(), m_controller->navigationDepth(), down);
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
        if (const SermonNodePtr parent = root()->findParent(start->id())) {
            m_controller->setSelectedNodeID(parent->id());
            m_controller->setNavigationDepth(parent->depth());
        }
    }
}

void MindMapCanvas::extendSelectionToParent()
{
    if (const SermonNodePtr start = arrowStart()) {
        if (const SermonNodePtr parent = root()->findParent(start->id()))
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
    // A field has the keyboard: the node editor or the search bar.
    if (c.editingNodeID() || c.isSearching())
        return {};

    const int key = event.key();
    const Qt::KeyboardModifiers modifiers = event.modifiers();
    const bool hasCommand = modifiers.testFlag(Qt::ControlModifier);
    const bool hasShift = modifiers.testFlag(Qt::ShiftModifier);
    const bool hasOption = modifiers.testFlag(Qt::AltModifier);
    const bool isExactlyCommand = modifiers == Qt::ControlModifier;
    const bool isExactlyCommandShift = modifiers == (Qt::ControlModifier | Qt::ShiftModifier);
    QPointer<MindMapCanvas> self(this);
    auto run = [self](auto&& f) -> std::function<void()> {
        return [self, f] {
            if (self)
                f(*self);
        };
    };

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
    // The canvas's keys come before the menus' shortcuts, so a menu never pre-empts them.
    if (event->type() == QEvent::ShortcutOverride) {
        if (keyCommand(*static_cast<QKeyEvent*>(event))) {
            event->accept();
            return true;
        }
    }
    // Tab and Shift-Tab are node commands here, not a walk along the focus chain; while the
    // canvas leaves keys alone (a search is open) they walk on as usual.
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) && keyCommand(*key)) {
            keyPressEvent(key);
            return true;
        }
    }
    return QWidget::event(event);
}

void MindMapCanvas::keyPressEvent(QKeyEvent* event)
{
    // Presses and their repeats act; releases never reach here.
    if (const std::function<void()> command = keyCommand(*event)) {
        event->accept();
        command();
        return;
    }
    QWidget::keyPressEvent(event);
}

// --- Node actions and the context menu ------------------------------------------------------

NodeActions MindMapCanvas::makeNodeActions()
{
    NodeActions actions;
    actions.state = computeNodeActionState(*m_controller, m_nodeLookup);
    QPointer<MindMapCanvas> self(this);
    auto bind = [self](auto&& f) -> NodeActions::Action {
        return [self, f] {
            if (self)
                f(*self);
        };
    };
    actions.cut = bind([](MindMapCanvas& m) { m.cutSelection(); });
    actions.copy = bind([](MindMapCanvas& m) { m.controller().copy(); });
    actions.copyBranch = bind([](MindMapCanvas& m) { m.controller().copyBranch(); });
    actions.paste = bind([](MindMapCanvas& m) { m.controller().paste(); });
    actions.duplicate = bind([](MindMapCanvas& m) { m.duplicateSelection(); });
    actions.delete_ = bind([](MindMapCanvas& m) { m.deleteSelectionAnimated(); });
    actions.fold = bind([](MindMapCanvas& m) { m.foldSelection(); });
    actions.unfold = bind([](MindMapCanvas& m) { m.unfoldSelection(); });
    actions.moveUp = bind([](MindMapCanvas& m) { m.moveSelectionAnimated(false); });
    actions.moveDown = bind([](MindMapCanvas& m) { m.moveSelectionAnimated(true); });
    actions.promote = bind([](MindMapCanvas& m) { m.performStructuralEdit(&DocumentController::promote); });
    actions.demote = bind([](MindMapCanvas& m) { m.performStructuralEdit(&DocumentController::demote); });
    actions.split = bind([](MindMapCanvas& m) { m.controller().splitLines(); });
    actions.splitSentences = bind([](MindMapCanvas& m) { m.controller().splitSentences(); });
    actions.join = bind([](MindMapCanvas& m) { m.joinSelection(); });
    actions.edit = bind([](MindMapCanvas& m) { m.performEditingCommand(&DocumentController::beginEditing); });
    actions.newLineBelow
        = bind([](MindMapCanvas& m) { m.performEditingCommand(&DocumentController::addSiblingAfter); });
    actions.newLineAbove
        = bind([](MindMapCanvas& m) { m.performEditingCommand(&DocumentController::addSiblingBefore); });
    actions.newLineUnder = bind([](MindMapCanvas& m) { m.performEditingCommand(&DocumentController::addChild); });
    actions.toggleQuote = bind([](MindMapCanvas& m) { m.toggleQuote(); });
    actions.selectAll = bind([](MindMapCanvas& m) { m.selectAllNodes(); });
    actions.deselectAll = bind([](MindMapCanvas& m) { m.deselectAllNodes(); });
    actions.setMarker = [self](const QString& marker) {
        if (self)
            self->setMarker(marker);
    };
    actions.removeMarker = bind([](MindMapCanvas& m) { m.removeMarker(); });
    return actions;
}

QList<ContextMenuItem> MindMapCanvas::contextMenuItems()
{
    return NodeContextMenu::items(computeNodeActionState(*m_controller, m_nodeLookup));
}

void MindMapCanvas::showContextMenu(const QPoint& globalPosition)
{
    const NodeActions actions = makeNodeActions();
    // The menu is the canvas's child: if the canvas goes while the menu is up, so does the menu.
    QPointer<QMenu> menu(NodeContextMenu::create(NodeContextMenu::items(actions.state), actions, this, this));
    QPointer<MindMapCanvas> self(this);
    menu->exec(globalPosition);
    delete menu;
    if (self)
        setCanvasFocused(true);
}

// --- Dragging -------------------------------------------------------------------------------

void MindMapCanvas::handleDragChanged(
    const QPointF& startLocation, const QPointF& location, Qt::KeyboardModifiers modifiers)
{
    DocumentController& c = *m_controller;
    if (!m_dragNodeID && !m_isPanning && !m_isLassoSelecting) {
        const QPointF start = toCanvasPoint(startLocation);
        const SermonNodePtr& top = root();
        if (modifiers.testFlag(Qt::ShiftModifier)) {
            m_isLassoSelecting = true;
            m_lassoOrigin = start;
            if (c.editingNodeID()) {
                commitEdit(true);
                setCanvasFocused(true);
            }
        } else if (const std::optional<QUuid> hit = hitTestNode(m_cachedLayouts, start);
                   hit && top && *hit != top->id()) {
            m_dragNodeID = *hit;
            if (c.selectedNodeIDs().contains(*hit)) {
                // The whole multi-selection goes along and stays selected.
                m_dragNodeIDs = c.selectedNodeIDs();
                c.setSelection(c.selectedNodeIDs(), *hit, c.selectionAnchorID());
            } else {
                m_dragNodeIDs = { *hit };
                c.setSelectedNodeID(*hit);
            }
        } else {
            m_isPanning = true;
            m_panStart = m_panOffset;
        }
    }

    if (m_isLassoSelecting) {
        const QPointF current = toCanvasPoint(location);
        m_lassoRect
            = QRectF(QPointF(std::min(m_lassoOrigin.x(), current.x()), std::min(m_lassoOrigin.y(), current.y())),
                QSizeF(std::abs(current.x() - m_lassoOrigin.x()), std::abs(current.y() - m_lassoOrigin.y())));
        c.selectNodesInLasso(nodesInLasso(*m_lassoRect, m_cachedLayouts));
        update();
    } else if (m_isPanning) {
        setPanOffset(clampPan(m_panStart + (location - startLocation)));
        showMinimapBriefly();
    } else if (m_dragNodeID) {
        m_dropTarget = computeDropTarget(toCanvasPoint(location));
        update();
    }
}

void MindMapCanvas::handleDragEnded()
{
    if (m_isLassoSelecting) {
        m_isLassoSelecting = false;
        m_lassoRect.reset();
        m_controller->setSelectionAnchorID(std::nullopt);
    } else if (m_isPanning) {
        m_isPanning = false;
    } else if (m_dragNodeID && m_dropTarget) {
        dropDraggedNodes(*m_dropTarget);
    }
    m_dragNodeID.reset();
    m_dragNodeIDs.clear();
    m_dropTarget.reset();
    update();
}

std::optional<DropTarget> MindMapCanvas::computeDropTarget(const QPointF& p) const
{
    const SermonNodePtr& top = root();
    if (!m_dragNodeID || !top)
        return std::nullopt;
    QSet<QUuid> excluded;
    for (const QUuid& id : m_dragNodeIDs) {
        if (const SermonNodePtr node = top->findNode(id)) {
            for (const SermonNodePtr& each : node->allNodes())
                excluded.insert(each->id());
        }
    }
    std::optional<QUuid> nearest;
    qreal nearestDistance = std::numeric_limits<qreal>::infinity();
    for (auto it = m_cachedLayouts.cbegin(); it != m_cachedLayouts.cend(); ++it) {
        if (excluded.contains(it.key()))
            continue;
        const SermonNodePtr node = m_nodeLookup.value(it.key());
        if (!node || node->isQuote())
            continue;
        const NodeLayout& l = it.value();
        // To the middle of the node's left edge.
        const qreal distance = std::hypot(p.x() - l.origin.x(), p.y() - (l.origin.y() + l.size.height() * 0.5));
        if (distance < nearestDistance) {
            nearestDistance = distance;
            nearest = it.key();
        }
    }
    if (!nearest)
        return std::nullopt;
    const NodeLayout l = m_cachedLayouts.value(*nearest);
    const SermonNodePtr node = m_nodeLookup.value(*nearest);
    if (!node)
        return std::nullopt;
    const qint64 childCount = static_cast<qint64>(node->children().size());
    if (p.x() > l.origin.x() + l.size.width())
        return DropTarget { node->id(), childCount, p.y() };
    const SermonNodePtr parent = top->findParent(node->id());
    const qint64 index = parent ? parent->indexOfChild(node->id()) : -1;
    if (!parent || index < 0)
        return DropTarget { node->id(), childCount, p.y() };
    if (l.origin.y() + l.size.height() * 0.5 <= p.y())
        return DropTarget { parent->id(), index + 1, p.y() };
    return DropTarget { parent->id(), index, p.y() };
}

bool MindMapCanvas::dropDraggedNodes(const DropTarget& target)
{
    DocumentController& c = *m_controller;
    const SermonNodePtr& top = root();
    if (!top)
        return false;
    const std::vector<SermonNodePtr> moved = c.topLevelNodes(m_dragNodeIDs);
    const SermonNodePtr parent = top->findNode(target.parentID);
    // The tree may have changed since the target was found (another window on the same
    // document): refuse before anything is recorded or detached when the target is gone,
    // cannot take children, or now lies inside what is dragged.
    if (moved.empty() || !parent || parent->isQuote())
        return false;
    for (const SermonNodePtr& node : moved) {
        if (node == top || node->findNode(target.parentID) || !top->findParent(node->id()))
            return false;
    }

    // Places are counted with the dragged nodes still in place; each one before the target
    // index under the same parent moves the index up by one.
    qint64 index = target.index;
    for (const SermonNodePtr& node : moved) {
        const SermonNodePtr oldParent = top->findParent(node->id());
        if (oldParent && oldParent->id() == target.parentID && oldParent->indexOfChild(node->id()) < index)
            --index;
    }

    m_document->recordUndo(c.selectedNodeID(), m_undoManager);
    if (moved.size() == 1) {
        // The branch that is dragged as a whole: a node dragged with its own selected child
        // moves with that child.
        top->moveNode(moved.front()->id(), target.parentID, index);
    } else {
        c.detachNodes(moved);
        c.insertNodes(moved, parent, index);
    }
    recomputeLayout();
    if (m_dragNodeIDs.size() < 2)
        c.setSelectedNodeIDs({});
    else
        c.setSelectedNodeIDs(m_dragNodeIDs);
    return true;
}

// --- Time -----------------------------------------------------------------------------------

void MindMapCanvas::setAnimationClock(const AnimationClock* clock)
{
    m_clock = clock ? clock : &AnimationClock::system();
    m_scrollAnimation.setClock(m_clock);
    m_nodeAnimation.setClock(m_clock);
}

const AnimationClock& MindMapCanvas::animationClock() const
{
    return *m_clock;
}

void MindMapCanvas::tickAnimations()
{
    m_scrollAnimation.tick();
    m_nodeAnimation.tick();
}

// --- Drawing --------------------------------------------------------------------------------

MindMapRenderer::Scene MindMapCanvas::makeScene(bool isDark) const
{
    MindMapRenderer::Scene scene;
    scene.root = root();
    scene.layouts = &m_cachedLayouts;
    scene.nodeLookup = &m_nodeLookup;
    scene.subtreeWordCounts = &m_subtreeWordCounts;
    scene.textCache = const_cast<TextBitmapCache*>(&m_textCache);
    scene.nodeAnimOffsets = &m_nodeAnimOffsets;
    scene.animationProgress = m_animationProgress;
    scene.fadeInNodeIDs = &m_fadeInNodeIDs;
    scene.fadeOutGhosts = &m_fadeOutGhosts;
    scene.dragNodeID = m_dragNodeID;
    scene.dropTarget = m_dropTarget;
    scene.lassoRect = m_lassoRect;
    scene.scale = m_scale;
    scene.panOffset = m_panOffset;
    scene.editingNodeID = m_controller->editingNodeID();
    scene.selectedNodeID = m_controller->selectedNodeID();
    scene.selectedNodeIDs = &m_controller->selectedNodeIDs();
    scene.isSearching = m_controller->isSearching();
    scene.searchQuery = m_controller->searchQuery();
    scene.searchMatchSet = &m_controller->searchMatchSet();
    const auto& matches = m_controller->searchMatches();
    const qint64 current = m_controller->currentMatchIndex();
    if (current >= 0 && current < matches.size())
        scene.currentMatchID = matches[current];
    scene.readingPaceWPM = readingPaceWPM();
    scene.isDark = isDark;
    scene.accent = palette().color(QPalette::Highlight);
    return scene;
}

MindMapRenderer::Stats MindMapCanvas::renderCanvas(QPainter& painter, const QSizeF& size)
{
    return m_renderer.render(painter, size, makeScene(isDarkAppearance()));
}

void MindMapCanvas::paintEvent(QPaintEvent*)
{
    checkRootText();
    QPainter painter(this);
    renderCanvas(painter, QSizeF(size()));
}

void MindMapCanvas::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    updateViewportSize(QSizeF(event->size()));
    placeOverlays();
}

void MindMapCanvas::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!m_hasAppeared) {
        m_hasAppeared = true;
        handleCanvasAppear();
    }
}

// --- Overlays -------------------------------------------------------------------------------

void MindMapCanvas::setSearchBarOverlay(QWidget* overlay)
{
    if (m_searchBarOverlay == overlay)
        return;
    delete m_searchBarOverlay;
    m_searchBarOverlay = overlay;
    if (overlay)
        overlay->setParent(this);
    placeOverlays();
}

void MindMapCanvas::setMinimapOverlay(QWidget* overlay)
{
    if (m_minimapOverlay == overlay)
        return;
    delete m_minimapOverlay;
    m_minimapOverlay = overlay;
    if (overlay) {
        overlay->setParent(this);
        overlay->show();
    }
    placeOverlays();
}

namespace {

// The size an overlay asks for: its size hint, or its own size when it gives none.
QSize overlaySize(const QWidget& overlay)
{
    const QSize hint = overlay.sizeHint();
    return (hint.isValid() ? hint : overlay.size()).expandedTo(overlay.minimumSize());
}

} // namespace

void MindMapCanvas::placeOverlays()
{
    const int padding = overlayPadding;
    if (m_searchBarOverlay) {
        const QSize hint = overlaySize(*m_searchBarOverlay);
        const int w = std::max(0, std::min(hint.width(), width() - 2 * padding));
        m_searchBarOverlay->setGeometry((width() - w) / 2, padding, w, hint.height());
        m_searchBarOverlay->setVisible(m_controller->isSearching());
        if (m_controller->isSearching())
            m_searchBarOverlay->raise();
    }
    if (m_minimapOverlay) {
        const QSize hint = overlaySize(*m_minimapOverlay);
        m_minimapOverlay->setGeometry(
            width() - padding - hint.width(), height() - padding - hint.height(), hint.width(), hint.height());
    }
}

} // namespace kestrion
