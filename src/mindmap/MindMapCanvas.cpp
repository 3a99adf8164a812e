#include "mindmap/MindMapCanvas.h"

#include "document/DocumentController.h"
#include "document/SermonDocument.h"
#include "mindmap/CanvasGeometry.h"
#include "mindmap/FocusedNodeActionsKey.h"
#include "mindmap/NodeEditorOverlay.h"
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

#include <QFocusEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>

#include <algorithm>

namespace kestrion {

namespace {

SystemClipboard& sharedClipboard()
{
    static SystemClipboard clipboard;
    return clipboard;
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
    // Queued: a step is told of before its change is made. The canvas that made the change has
    // laid it out by then; any other view of the document follows it here.
    for (auto signal : { &SermonDocument::undoStackChanged, &SermonDocument::contentEdited })
        connect(&document, signal, this, &MindMapCanvas::noteDocumentChange, Qt::QueuedConnection);

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

void MindMapCanvas::noteDocumentChange()
{
    // Hidden (the columns are shown), the map catches up once it is shown again, so typing in
    // another view costs it nothing.
    if (m_document && m_hasAppeared && isVisible() && m_document->changeCount() != m_laidOutChangeCount)
        followOutsideChange();
}

void MindMapCanvas::followOutsideChange()
{
    DocumentController& c = *m_controller;
    // The ancestors of the selection as the last pass knew them, nearest first.
    std::vector<QUuid> ancestors;
    if (const std::optional<QUuid> primary = c.selectedNodeID()) {
        for (auto parent = m_parentLookup.constFind(*primary); parent != m_parentLookup.cend();
             parent = m_parentLookup.constFind(*parent))
            ancestors.push_back(*parent);
    }
    recomputeLayout();
    endEditChangedElsewhere();

    const auto stays = [this](const std::optional<QUuid>& id) { return id && m_nodeLookup.contains(*id); };
    QSet<QUuid> ids;
    for (const QUuid& id : c.selectedNodeIDs()) {
        if (stays(id))
            ids.insert(id);
    }
    std::optional<QUuid> primary = c.selectedNodeID();
    if (primary && !stays(primary)) {
        const auto kept = std::find_if(ancestors.cbegin(), ancestors.cend(), stays);
        primary = kept != ancestors.cend() ? std::optional<QUuid>(*kept) : std::nullopt;
        if (!primary && root())
            primary = root()->id();
    }
    const std::optional<QUuid> anchor = stays(c.selectionAnchorID()) ? c.selectionAnchorID() : std::nullopt;
    if (ids.size() != c.selectedNodeIDs().size() || primary != c.selectedNodeID() || anchor != c.selectionAnchorID())
        c.setSelection(ids, primary, anchor);
    if (c.isSearching())
        c.updateSearch();
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
    const std::optional<QUuid> selected = m_controller->selectedNodeID();
    const auto layout = selected ? m_cachedLayouts.constFind(*selected) : m_cachedLayouts.cend();
    if (layout == m_cachedLayouts.cend())
        return;
    // Placed, not glided: the window's first frame already shows the title where it stays.
    if (const std::optional<QPointF> target
        = scrollIntoViewPan(layout.value(), { m_scale, m_panOffset }, m_viewportSize))
        setPanOffset(clampPan(*target));
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
    // Undone or redone in the other window, the node being edited here may be gone or changed.
    endEditChangedElsewhere();
    if (!selected.isNull())
        scrollNodeIntoView(selected);
}

void MindMapCanvas::handleRootTextChange()
{
    m_textCache.clearBitmaps();
    recomputeLayout();
    endEditChangedElsewhere();
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

void MindMapCanvas::takeKeyboard()
{
    if (m_controller->isSearching() && m_searchBarOverlay)
        focusSearchField();
    else
        setCanvasFocused(true);
}

void MindMapCanvas::focusSearchField()
{
    if (auto* bar = qobject_cast<SearchBarOverlay*>(m_searchBarOverlay.data()))
        bar->focusField();
    else if (m_searchBarOverlay)
        m_searchBarOverlay->setFocus(Qt::OtherFocusReason);
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
    m_cachedContentBounds
        = layoutTree(top, m_layoutCache, { &m_cachedLayouts, &m_nodeLookup, &m_subtreeWordCounts, &m_parentLookup });
    m_layoutRoot = top.get();
    m_layoutRootText = top ? top->text() : QString();
    ++m_layoutGeneration;
    if (m_document)
        m_laidOutChangeCount = m_document->changeCount();

    placeOverlays();
    updateNodeEditor();
    update();
    Q_EMIT layoutChanged();
    notifyStateChanged();
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
    m_zoomTarget.reset();
    const QPointF end = clampPan(target);
    const QPointF start = m_panOffset;
    m_scrollAnimation.start(duration, [this, start, end](double t) { setPanOffset(start + (end - start) * t); });
}

qreal MindMapCanvas::zoomStepBase() const
{
    // Presses quicker than the glide each go one level further than the last.
    return m_zoomTarget && m_scrollAnimation.isRunning() ? *m_zoomTarget : m_scale;
}

void MindMapCanvas::zoomIn()
{
    if (const std::optional<qreal> level = zoomLevelAbove(zoomStepBase()))
        animateZoom(*level);
}

void MindMapCanvas::zoomOut()
{
    if (const std::optional<qreal> level = zoomLevelBelow(zoomStepBase()))
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
    m_zoomTarget = target;
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
    m_zoomTarget = 1.0;
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
    if (!m_controller->setSearching(true))
        focusSearchField();
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
    } else if (m_document && m_document->changeCount() != m_laidOutChangeCount) {
        followOutsideChange();
    }
}

} // namespace kestrion
