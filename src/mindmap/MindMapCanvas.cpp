#include "mindmap/MindMapCanvas.h"

#include "document/DocumentController.h"
#include "document/SermonDocument.h"
#include "mindmap/CanvasGeometry.h"
#include "mindmap/FocusedNodeActionsKey.h"
#include "mindmap/NodeActionState.h"
#include "mindmap/NodeContextMenu.h"
#include "mindmap/NodeEditorOverlay.h"
#include "mindmap/NodeMarkers.h"
#include "mindmap/SearchBarOverlay.h"
#include "mindmap/SplitLinesAction.h"
#include "mindmap/SplitSentencesAction.h"
#include "mindmap/TreeLayout.h"
#include "platform/AnimationClock.h"
#include "platform/Appearance.h"
#include "platform/CommandRouter.h"
#include "platform/FindAction.h"
#include "platform/FocusedValues.h"
#include "platform/Preferences.h"
#include "platform/Signposter.h"
#include "platform/SystemClipboard.h"
#include "platform/TrackpadEventView.h"
#include "platform/UndoManager.h"
#include "platform/ZoomAction.h"

#include <QApplication>
#include <QFocusEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintEvent>
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
    installOverlays();
    setPreferences(&Preferences::shared());

    connect(&document, &SermonDocument::undoRedoGenerationChanged, this, &MindMapCanvas::handleUndoRedoChange);
    // A title changed outside the controller (the file settings) is seen at once when it is
    // announced, and otherwise once that change is complete, whatever the order of its steps.
    connect(&document, &SermonDocument::titleChanged, this, &MindMapCanvas::checkRootText);
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
    // The selection came before the first layout, when nothing could be scrolled yet.
    m_isInitialRevealPending = true;
    revealInitialSelection();
    if (m_onZoomFunctionsReady)
        m_onZoomFunctionsReady(zoomFunctions());
}

void MindMapCanvas::revealInitialSelection()
{
    if (!m_isInitialRevealPending || m_viewportSize.isEmpty() || m_cachedLayouts.isEmpty())
        return;
    m_isInitialRevealPending = false;
    if (const std::optional<QUuid> selected = m_controller->selectedNodeID())
        scrollNodeIntoView(*selected);
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
    return m_preferences ? m_preferences->usableReadingPaceWPM() : Preferences::defaultReadingPaceWPM;
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
    ++m_layoutGeneration;

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
    revealInitialSelection();
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
    // Find while the bar is open takes the keyboard back to its field.
    if (!m_controller->setSearching(true)) {
        if (auto* bar = qobject_cast<SearchBarOverlay*>(m_searchBarOverlay.data()))
            bar->focusField();
    }
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
    setPanOffset(clampPan(*target));
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
    // Read after the commit: a node the commit removed passes on no quote.
    const bool isQuote = !result.removed && node->isQuote();

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
    scene.layoutGeneration = m_layoutGeneration;
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

MindMapRenderer::Stats MindMapCanvas::renderCanvas(QPainter& painter, const QSizeF& size, const QRectF& exposed)
{
    return m_renderer.render(painter, size, makeScene(isDarkAppearance()), exposed);
}

void MindMapCanvas::paintEvent(QPaintEvent* event)
{
    checkRootText();
    QPainter painter(this);
    // The node editor lies over the map without a background of its own: each blink of its
    // caret repaints the few points under the caret, and only those are drawn.
    renderCanvas(painter, QSizeF(size()), QRectF(event->rect()));
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

} // namespace kestrion
