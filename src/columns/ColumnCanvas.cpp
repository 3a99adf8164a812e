#include "columns/ColumnCanvas.h"

#include "columns/ColumnDragHandleOverlay.h"
#include "columns/ColumnEditorOverlay.h"
#include "columns/ColumnMetrics.h"
#include "columns/ColumnStickyState.h"
#include "document/DocumentController.h"
#include "platform/AnimationClock.h"
#include "platform/Appearance.h"
#include "platform/CommandKeys.h"
#include "platform/Preferences.h"
#include "platform/SystemClipboard.h"
#include "platform/TrackpadEventView.h"
#include "platform/UndoManager.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QTimer>

namespace kestrion {

namespace {

SystemClipboard& sharedClipboard()
{
    static SystemClipboard clipboard;
    return clipboard;
}

} // namespace

ColumnCanvas::ColumnCanvas(SermonDocument& document, UndoManager* undoManager, qreal scale, QWidget* parent)
    : QWidget(parent)
    , m_document(&document)
    , m_controller(std::make_unique<DocumentController>(&document))
    , m_undoManager(undoManager)
    , m_scale(scale)
    , m_clock(&AnimationClock::system())
    , m_animator(m_layout, m_clock)
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
    m_handles->setOnDragEnded([this] { widthDragEnded(); });

    m_measuringTimer.setSingleShot(true);
    m_measuringTimer.setInterval(0);
    connect(&m_measuringTimer, &QTimer::timeout, this, &ColumnCanvas::measureLaterBoxes);

    m_animator.setOnFramesChanged([this] {
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
    layoutFirstView();
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

// --- Editing --------------------------------------------------------------------------------

void ColumnCanvas::beginColumnEditing(const QUuid& id, bool isNew)
{
    completeLayout();
    const SermonNodePtr node = findNode(id);
    // A node folded away has no box to edit in.
    if (!node || m_layout.shownAncestorOfHidden(id))
        return;
    if (const std::optional<QUuid> editing = m_controller->editingNodeID(); editing && *editing != id) {
        m_editing.commitColumnEdit(true);
        if (!findNode(id))
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
    const std::optional<ColumnNodeFrame> frame = id ? m_animator.frame(*id) : std::nullopt;
    const bool isWanted = frame.has_value();
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
    const std::optional<ColumnNodeFrame> frame = m_animator.frame(m_editorNodeID);
    const std::optional<qreal> x = frame ? columnScreenX(frame->column) : std::nullopt;
    if (!x)
        return;
    m_editor->setColumnWidth(m_layout.frame(m_editorNodeID).value_or(*frame).size.width());
    const qreal top = frame->origin.y() + m_panOffset.y();
    m_editor->place(QPointF(*x + ColumnMetrics::textInset, top + ColumnMetrics::textTop), top + frame->size.height());
    m_editor->raise();
}

// --- Keyboard -------------------------------------------------------------------------------

std::function<void()> ColumnCanvas::keyCommand(const QKeyEvent& event)
{
    if (m_controller->editingNodeID())
        return {};
    std::function<void()> command = m_keys.command(event);
    if (!command)
        return {};
    // Which keys act follows from the tree alone; what they do, from the whole layout. Keys
    // for the menus (back to the map) pass at once.
    return [guard = QPointer<ColumnCanvas>(this), command = std::move(command)] {
        if (guard)
            guard->completeLayout();
        command();
    };
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

ColumnScene ColumnCanvas::makeScene() const
{
    ColumnScene scene;
    scene.layout = &m_layout;
    scene.shown = &m_animator;
    scene.wrapCache = const_cast<ColumnWrapCache*>(&m_wrapCache);
    scene.panOffset = m_panOffset;
    scene.viewportSize = m_viewportSize;
    scene.selectedNodeID = m_controller->selectedNodeID();
    scene.editingNodeID = m_controller->editingNodeID();
    scene.stickyStates = resolveStickyStates(m_layout, -m_panOffset.y());
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
    // Nothing is drawn from a box not yet measured: the rows in view, and those a line under
    // the last of them may stand in, are exact.
    m_layout.measureTo(-m_panOffset.y() + size.height() + ColumnMetrics::lineHeight, m_wrapCache);
    return ColumnRenderer::drawColumnCanvas(painter, makeScene());
}

void ColumnCanvas::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    renderCanvas(painter, QSizeF(size()));
}

void ColumnCanvas::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (m_hasAppeared)
        completeLayout();
    const SelectionInView before = selectionInView();
    m_viewportSize = QSizeF(event->size());
    if (m_hasAppeared) {
        clampPanOffset();
        keepSelectionInView(before, false);
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
