#include "app/ContentView.h"

#include "app/AppBackground.h"
#include "app/FileSettingsAction.h"
#include "app/FocusContentView.h"
#include "app/FocusModeAction.h"
#include "app/FocusWindow.h"
#include "app/SwitchModeAction.h"
#include "columns/ColumnCanvas.h"
#include "delivery/DeliveryCanvas.h"
#include "delivery/DeliveryView.h"
#include "document/DocumentController.h"
#include "document/SermonDocument.h"
#include "mindmap/MindMapCanvas.h"
#include "mindmap/StatusBarView.h"
#include "mindmap/ZoomControlsView.h"
#include "platform/CommandRouter.h"
#include "platform/FocusedValues.h"
#include "platform/Preferences.h"
#include "platform/Symbols.h"
#include "platform/UndoManager.h"
#include "platform/WindowPlacement.h"
#include "sheets/FileSettingsSheet.h"
#include "sheets/SermonDetailsForm.h"

#include <QButtonGroup>
#include <QCoreApplication>
#include <QDialog>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QMainWindow>
#include <QPointer>
#include <QScreen>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace kestrion {

namespace {

std::size_t indexOf(AppMode mode)
{
    return static_cast<std::size_t>(mode);
}

} // namespace

std::optional<qsizetype> appearanceIndex(AppAppearance appearance, std::span<const AppAppearance> appearances)
{
    const QString raw = rawValue(appearance);
    for (std::size_t i = 0; i < appearances.size(); ++i) {
        if (rawValue(appearances[i]) == raw)
            return qsizetype(i);
    }
    return std::nullopt;
}

QString symbolName(AppAppearance appearance)
{
    switch (appearance) {
    case AppAppearance::System:
        break;
    case AppAppearance::Light:
        return QStringLiteral("sun.max");
    case AppAppearance::Dark:
        return QStringLiteral("moon");
    }
    return QStringLiteral("circle.lefthalf.filled");
}

ContentView::ContentView(SermonDocument& document, Preferences& preferences, UndoManager* undoManager, QWidget* parent)
    : QWidget(parent)
    , m_document(document)
    , m_preferences(preferences)
    , m_undoManager(undoManager)
    , m_focusWindow(new FocusWindow(this))
{
    applyMinimumSize(minimumContentSize);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    m_background = new AppBackground(this);
    outer->addWidget(m_background);

    auto* column = new QVBoxLayout(m_background);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    m_toolbar = buildToolbar();
    column->addWidget(m_toolbar);

    m_modeStack = new QStackedWidget(m_background);
    for (AppMode mode : allAppModes) {
        // Empty until the mode's view is put in; the backdrop shows through.
        auto* page = new QWidget(m_modeStack);
        m_modePages[indexOf(mode)] = page;
        m_modeStack->addWidget(page);
    }
    setModeContent(AppMode::Tree, buildMindMapPage(undoManager));
    m_modeStack->setCurrentWidget(m_modePages[indexOf(m_mode)]);
    column->addWidget(m_modeStack, 1);

    column->addWidget(buildStatusBar());

    m_deliveryMeasures = new DeliveryMeasureKeeper(
        document, [this] { return deliveryTarget(); }, this);
    connect(&m_preferences, &Preferences::changed, this, [this](const QString& key) {
        if (key == Preferences::appearanceKey)
            updateAppearanceButton();
        if (key == Preferences::deliveryFontSizeKey || key == Preferences::deliveryTextWidthKey)
            m_deliveryMeasures->scheduleRefresh();
    });
    updateAppearanceButton();
    setFocusModeToggle([this] { toggleFocusMode(); });
    CommandRouter::shared().addScenePublisher(this, this);
}

ContentView::~ContentView()
{
    CommandRouter::shared().removePublisher(this);
    // While this view is still whole: the focus window's canvas reads the same document.
    delete m_focusWindow;
    m_focusWindow = nullptr;
}

void ContentView::setFocusModeToggle(std::function<void()> toggle)
{
    m_toggleFocusMode = std::move(toggle);
    CommandRouter::shared().publisherChanged(this);
}

void ContentView::publishFocusedValues(FocusedValues& values) const
{
    QPointer<ContentView> self(const_cast<ContentView*>(this));
    values.set<FocusedSwitchModeKey>(SwitchModeAction { [self](AppMode mode) {
        if (self)
            self->setMode(mode);
    } });
    if (m_mode == AppMode::Tree && m_toggleFocusMode)
        values.set<FocusedFocusModeKey>(FocusModeAction { m_toggleFocusMode });
    values.set<FocusedFileSettingsKey>(FileSettingsAction { [self] {
        if (self)
            self->showFileSettings();
    } });
}

QWidget* ContentView::buildToolbar()
{
    auto* bar = new QWidget(m_background);
    bar->setObjectName(QStringLiteral("toolbar"));
    auto* grid = new QGridLayout(bar);
    grid->setContentsMargins(12, 8, 12, 8);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(2, 1);

    m_fileSettingsButton = new QToolButton(bar);
    m_fileSettingsButton->setAutoRaise(true);
    m_fileSettingsButton->setFocusPolicy(Qt::NoFocus);
    m_fileSettingsButton->setIconSize(QSize(18, 18));
    m_fileSettingsButton->setToolTip(tr("File settings"));
    m_fileSettingsButton->setAccessibleName(m_fileSettingsButton->toolTip());
    connect(m_fileSettingsButton, &QToolButton::clicked, this, &ContentView::showFileSettings);
    grid->addWidget(m_fileSettingsButton, 0, 0, Qt::AlignLeft | Qt::AlignVCenter);
    updateFileSettingsButton();

    // The mode switch: one segment per offered mode, at its ideal size in the middle.
    auto* picker = new QWidget(bar);
    picker->setAccessibleName(tr("Mode"));
    picker->setToolTip(tr("Mode"));
    auto* segments = new QHBoxLayout(picker);
    segments->setContentsMargins(0, 0, 0, 0);
    segments->setSpacing(0);
    m_modeGroup = new QButtonGroup(this);
    m_modeGroup->setExclusive(true);
    for (AppMode mode : offeredModes()) {
        auto* segment = new QToolButton(picker);
        segment->setText(QCoreApplication::translate("kestrion::AppMode", rawValue(mode).toUtf8().constData()));
        segment->setCheckable(true);
        // Toolbar controls leave the keyboard to the canvas.
        segment->setFocusPolicy(Qt::NoFocus);
        segment->setChecked(mode == m_mode);
        segment->setToolButtonStyle(Qt::ToolButtonTextOnly);
        segment->setMinimumWidth(96);
        // The sunken look of a checked button alone is faint in the dark palette.
        const auto markChecked = [segment](bool checked) {
            QFont font = segment->font();
            font.setBold(checked);
            segment->setFont(font);
        };
        markChecked(segment->isChecked());
        connect(segment, &QToolButton::toggled, segment, markChecked);
        m_modeGroup->addButton(segment, int(mode));
        segments->addWidget(segment);
    }
    picker->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(m_modeGroup, &QButtonGroup::idClicked, this, [this](int id) { setMode(AppMode(id)); });
    grid->addWidget(picker, 0, 1, Qt::AlignCenter);

    m_appearanceButton = new QToolButton(bar);
    m_appearanceButton->setAutoRaise(true);
    m_appearanceButton->setFocusPolicy(Qt::NoFocus);
    m_appearanceButton->setIconSize(QSize(18, 18));
    connect(m_appearanceButton, &QToolButton::clicked, this, &ContentView::cycleAppearance);
    grid->addWidget(m_appearanceButton, 0, 2, Qt::AlignRight | Qt::AlignVCenter);
    return bar;
}

QWidget* ContentView::buildMindMapPage(UndoManager* undoManager)
{
    auto* page = new QWidget(m_modeStack);
    auto* stack = new QVBoxLayout(page);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(0);

    m_mindMapCanvas = new MindMapCanvas(m_document, undoManager, page);
    // The node badges read the pace the status bar writes.
    m_mindMapCanvas->setPreferences(&m_preferences);
    m_mindMapCanvas->setScale(m_scale);
    m_mindMapCanvas->setOnZoomFunctionsReady([this](const MindMapCanvas::ZoomFunctions& functions) {
        m_zoomIn = functions.zoomIn;
        m_zoomOut = functions.zoomOut;
        m_resetZoom = functions.reset;
    });
    // The scale is shared by every canvas of the window, in both directions.
    connect(m_mindMapCanvas, &MindMapCanvas::scaleChanged, this, &ContentView::setScale);
    connect(this, &ContentView::scaleChanged, m_mindMapCanvas, &MindMapCanvas::setScale);
    stack->addWidget(m_mindMapCanvas, 1);
    return page;
}

QWidget* ContentView::buildStatusBar()
{
    // Under the mind map and the columns alike.
    m_statusBarSlot = new QWidget(m_background);
    m_statusBarSlot->setObjectName(QStringLiteral("statusBarSlot"));
    auto* slotLayout = new QVBoxLayout(m_statusBarSlot);
    slotLayout->setContentsMargins(0, 0, 0, 0);
    m_statusBarSlot->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);

    m_statusBar = new StatusBarView(m_document, m_preferences, m_statusBarSlot);
    slotLayout->addWidget(m_statusBar);
    m_statusBar->setScale(m_scale);
    connect(this, &ContentView::scaleChanged, m_statusBar, &StatusBarView::setScale);
    // The canvas hands its zoom steps over once it is first shown; until then they do nothing.
    m_statusBar->setOnZoomIn([this] {
        if (m_zoomIn)
            m_zoomIn();
    });
    m_statusBar->setOnZoomOut([this] {
        if (m_zoomOut)
            m_zoomOut();
    });
    m_statusBar->setOnZoomReset([this] {
        if (m_resetZoom)
            m_resetZoom();
    });
    return m_statusBarSlot;
}

std::vector<AppMode> ContentView::offeredModes()
{
    return { AppMode::Tree, AppMode::Columns, AppMode::Delivery };
}

bool ContentView::commitPendingEdits()
{
    for (MindMapCanvas* canvas : mindMapCanvases()) {
        if (canvas->controller().editingNodeID())
            canvas->endEditing(true);
    }
    if (m_columnCanvas)
        m_columnCanvas->commitPendingEdit();
    return commitPendingDuration();
}

bool ContentView::commitPendingDuration()
{
    auto* delivery = qobject_cast<DeliveryView*>(modeContent(AppMode::Delivery));
    return !delivery || delivery->commitPendingEdit();
}

void ContentView::storePendingEdits()
{
    for (MindMapCanvas* canvas : mindMapCanvases())
        canvas->storeEditingText();
    if (m_columnCanvas)
        m_columnCanvas->storePendingEdit();
    commitPendingDuration();
}

void ContentView::showColumns(bool shown)
{
    if (shown == (m_columnCanvas != nullptr))
        return;
    if (!shown) {
        // Gone with its page; nothing of it is kept for the next time.
        m_columnCanvas = nullptr;
        setModeContent(AppMode::Columns, new QWidget(m_modeStack));
        return;
    }
    m_columnCanvas = new ColumnCanvas(m_document, m_undoManager, m_scale, m_modeStack);
    connect(this, &ContentView::scaleChanged, m_columnCanvas, &ColumnCanvas::setScale);
    setModeContent(AppMode::Columns, m_columnCanvas);
}

bool ContentView::setMode(AppMode mode)
{
    if (mode == m_mode)
        return false;
    // What is being typed goes into the document before its view goes away. Minutes the
    // countdown refuses keep the window delivering, their field showing the bound, rather
    // than vanish with the page.
    if (!commitPendingEdits()) {
        showModeChecked(m_mode);
        Q_EMIT modeKept(m_mode);
        return false;
    }
    // A delivery lives as long as the window: a countdown under way goes on while another mode
    // is shown, and coming back finds it with its place on the page.
    if (m_mode == AppMode::Delivery)
        applyMinimumSize(minimumContentSize);
    if (mode == AppMode::Delivery) {
        auto* delivery = qobject_cast<DeliveryView*>(modeContent(AppMode::Delivery));
        if (!delivery) {
            delivery = new DeliveryView(
                m_document, m_preferences, m_undoManager, m_toolbar, m_deliveryMeasures, m_modeStack);
            setModeContent(AppMode::Delivery, delivery);
            connect(delivery, &DeliveryView::minimumContentWidthChanged, this, [this](int width) {
                if (m_mode == AppMode::Delivery)
                    keepRoomForDelivery(width);
            });
        }
        keepRoomForDelivery(delivery->wantedMinimumWidth());
    }
    m_mode = mode;
    showColumns(mode == AppMode::Columns);
    // Edits made in the columns reach the mind map only now.
    if (mode == AppMode::Tree)
        m_mindMapCanvas->followOutsideChange();
    m_statusBarSlot->setVisible(mode != AppMode::Delivery);
    // The zoom belongs to the map; the columns have none, so its buttons would act unseen.
    m_statusBar->zoomControls()->setVisible(mode == AppMode::Tree);
    m_modeStack->setCurrentWidget(m_modePages[indexOf(mode)]);
    // The map takes the keyboard on coming back, as it does when it first appears; an open
    // search keeps its field at the keyboard.
    if (mode == AppMode::Tree && m_mindMapCanvas)
        m_mindMapCanvas->takeKeyboard();
    showModeChecked(mode);
    Q_EMIT modeChanged(mode);
    CommandRouter::shared().publisherChanged(this);
    if (mode != AppMode::Tree && m_isFocusMode)
        exitFocusMode();
    return true;
}

DeliveryMeasureKeeper::Target ContentView::deliveryTarget() const
{
    if (const auto* delivery = qobject_cast<DeliveryView*>(modeContent(AppMode::Delivery)))
        return { delivery->canvas()->baseFontSize(), delivery->canvas()->textWidth() };
    // Before the page is first shown: the view will fill the mode's area, which delivery
    // widens to leave room for the stored reading column.
    const double stored = m_preferences.deliveryTextWidth();
    const QScreen* shown = screen();
    const int room = DeliveryView::minimumViewWidth(stored, shown ? shown->availableGeometry().width() : 0);
    return { m_preferences.deliveryFontSize(),
        DeliveryView::pageTextWidth(stored, std::max(m_modeStack->width(), room)) };
}

void ContentView::keepRoomForDelivery(int width)
{
    // The window keeps room for the reading column; it widens at once when it has none.
    applyMinimumSize({ std::max(width, minimumContentSize.width()), minimumContentSize.height() });
}

void ContentView::showModeChecked(AppMode mode)
{
    // A mode without a segment leaves none checked.
    if (QAbstractButton* segment = m_modeGroup->button(int(mode))) {
        segment->setChecked(true);
    } else if (QAbstractButton* checked = m_modeGroup->checkedButton()) {
        m_modeGroup->setExclusive(false);
        checked->setChecked(false);
        m_modeGroup->setExclusive(true);
    }
}

MindMapCanvas* ContentView::focusCanvas() const
{
    const FocusContentView* window = m_focusWindow->window();
    return window ? window->canvas() : nullptr;
}

std::vector<MindMapCanvas*> ContentView::mindMapCanvases() const
{
    std::vector<MindMapCanvas*> canvases;
    if (m_mindMapCanvas)
        canvases.push_back(m_mindMapCanvas);
    if (MindMapCanvas* focus = focusCanvas())
        canvases.push_back(focus);
    return canvases;
}

void ContentView::toggleFocusMode()
{
    if (m_mode != AppMode::Tree)
        return;
    if (m_isFocusMode) {
        exitFocusMode();
        return;
    }
    m_isFocusMode = true;
    // One node is edited in one place: what this window's map is typing goes in first.
    if (m_mindMapCanvas && m_mindMapCanvas->controller().editingNodeID())
        m_mindMapCanvas->endEditing(true);
    QWidget* host = window();
    FocusContentView* focus = m_focusWindow->showFocusWindow(
        host->screen(), m_document, m_undoManager, m_scale, [this] { exitFocusMode(); });
    if (focus) {
        focus->setPreferences(&m_preferences);
        connect(focus, &FocusContentView::scaleChanged, this, &ContentView::setScale);
        connect(this, &ContentView::scaleChanged, focus, &FocusContentView::setScale);
    }
    Q_EMIT focusModeChanged(true);
}

void ContentView::exitFocusMode()
{
    const bool hadWindow = m_focusWindow->window();
    m_focusWindow->hideFocusWindow();
    if (!m_isFocusMode)
        return;
    m_isFocusMode = false;
    if (hadWindow) {
        refreshMindMapAfterFocusMode();
        QWidget* host = window();
        if (host->isVisible()) {
            host->raise();
            host->activateWindow();
        }
    }
    Q_EMIT focusModeChanged(false);
}

void ContentView::refreshMindMapAfterFocusMode()
{
    if (m_mindMapCanvas)
        m_mindMapCanvas->followOutsideChange();
}

bool ContentView::setScale(qreal scale)
{
    if (scale == m_scale)
        return false;
    m_scale = scale;
    Q_EMIT scaleChanged(scale);
    return true;
}

AppAppearance ContentView::appearance() const
{
    return m_preferences.appearance();
}

void ContentView::cycleAppearance()
{
    const std::optional<qsizetype> index = appearanceIndex(appearance(), allAppAppearances);
    const qsizetype next = index ? (*index + 1) % qsizetype(allAppAppearances.size()) : 0;
    m_preferences.setAppearance(allAppAppearances[std::size_t(next)]);
}

void ContentView::setModeContent(AppMode mode, QWidget* content)
{
    QWidget*& page = m_modePages[indexOf(mode)];
    const bool isCurrent = m_modeStack->currentWidget() == page;
    const int position = m_modeStack->indexOf(page);
    m_modeStack->insertWidget(position, content);
    m_modeStack->removeWidget(page);
    delete page;
    page = content;
    if (isCurrent)
        m_modeStack->setCurrentWidget(content);
}

QWidget* ContentView::modeContent(AppMode mode) const
{
    return m_modePages[indexOf(mode)];
}

QAbstractButton* ContentView::modeButton(AppMode mode) const
{
    return m_modeGroup->button(int(mode));
}

void ContentView::updateFileSettingsButton()
{
    m_fileSettingsButton->setIcon(Symbols::icon(QStringLiteral("doc.text"), palette().color(QPalette::ButtonText)));
}

void ContentView::showFileSettings()
{
    if (m_fileSettingsDialog) {
        m_fileSettingsDialog->raise();
        m_fileSettingsDialog->activateWindow();
        return;
    }
    // A node still being typed goes in first: the sheet shows the title as typed, and the
    // editor cannot later write over what the sheet wrote.
    commitPendingEdits();
    auto* dialog = new QDialog(window(), Qt::Sheet);
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(tr("File Settings"));
    auto* layout = new QVBoxLayout(dialog);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    auto* sheet = new FileSettingsSheet(
        m_document, m_undoManager, m_preferences,
        [statusBar = QPointer(m_statusBar)] {
            return statusBar ? std::optional(statusBar->sermonWords()) : std::nullopt;
        },
        dialog);
    // No taller than the screen has room for: a long list of occasions scrolls instead.
    sheet->form().setMaximumHeight(
        std::min(sheet->form().maximumHeight(), WindowPlacement::contentRoom(*dialog).height()));
    sheet->setOnDismiss([dialog] { dialog->close(); });
    layout->addWidget(sheet);
    // It grows with each occasion added: its foot must not go below the screen.
    WindowPlacement::keepOnScreenWhenResized(*dialog);
    m_fileSettingsDialog = dialog;
    dialog->open();
}

FileSettingsSheet* ContentView::fileSettingsSheet() const
{
    return m_fileSettingsDialog ? m_fileSettingsDialog->findChild<FileSettingsSheet*>() : nullptr;
}

void ContentView::updateAppearanceButton()
{
    const AppAppearance current = appearance();
    const QString raw = rawValue(current);
    m_appearanceButton->setIcon(Symbols::icon(symbolName(current), palette().color(QPalette::ButtonText)));
    m_appearanceButton->setToolTip(
        tr("Appearance: %1").arg(QCoreApplication::translate("kestrion::AppAppearance", raw.toUtf8().constData())));
    m_appearanceButton->setAccessibleName(m_appearanceButton->toolTip());
}

void ContentView::applyMinimumSize(const QSize& wanted)
{
    m_wantedMinimumSize = wanted;
    QSize room = WindowPlacement::contentRoom(*window());
    // The window's menu bar takes room too.
    if (const auto* frame = qobject_cast<const QMainWindow*>(window()); frame && frame->menuWidget())
        room.rheight() -= frame->menuWidget()->sizeHint().height();
    setMinimumSize(WindowPlacement::fitted(wanted, room));
}

bool ContentView::event(QEvent* event)
{
    if (event->type() == QEvent::ScreenChangeInternal || event->type() == QEvent::ParentChange)
        applyMinimumSize(m_wantedMinimumSize);
    return QWidget::event(event);
}

void ContentView::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::PaletteChange && m_appearanceButton) {
        updateAppearanceButton();
        updateFileSettingsButton();
    }
    QWidget::changeEvent(event);
}

} // namespace kestrion
