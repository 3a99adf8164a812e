#include "mindmap/MindMapCanvas.h"

#include "document/DocumentController.h"
#include "document/SermonDocument.h"
#include "mindmap/FocusedNodeActionsKey.h"
#include "mindmap/NodeEditorOverlay.h"
#include "mindmap/SearchBarOverlay.h"
#include "mindmap/SplitLinesAction.h"
#include "mindmap/SplitSentencesAction.h"
#include "platform/AnimationClock.h"
#include "platform/CommandRouter.h"
#include "platform/FindAction.h"
#include "platform/FocusedValues.h"
#include "platform/Preferences.h"
#include "platform/SystemClipboard.h"
#include "platform/TrackpadEventView.h"
#include "platform/UndoManager.h"
#include "platform/ZoomAction.h"

#include <QFocusEvent>
#include <QMouseEvent>
#include <QResizeEvent>

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

// --- Widget events --------------------------------------------------------------------------

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
