#include "app/FocusContentView.h"

#include "app/AppBackground.h"
#include "app/FocusModeAction.h"
#include "document/DocumentController.h"
#include "mindmap/FocusOverlayView.h"
#include "platform/CommandRouter.h"
#include "platform/FindAction.h"
#include "platform/FocusedValues.h"
#include "platform/ZoomAction.h"

#include <QAction>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QPointer>
#include <QVBoxLayout>

namespace kestrion {

namespace {

bool isPlainEscape(const QKeyEvent& event)
{
    return event.key() == Qt::Key_Escape && (event.modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

// Runs a step that may be empty.
void runIfSet(const std::function<void()>& step)
{
    if (step)
        step();
}

} // namespace

FocusContentView::FocusContentView(
    SermonDocument& document, UndoManager* undoManager, qreal scale, std::function<void()> onExit, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
    , m_onExit(std::move(onExit))
{
    setObjectName(QStringLiteral("focusWindow"));
    setWindowTitle(tr("Focus Mode"));
    // Its document window decides when the application ends, never this one.
    setAttribute(Qt::WA_QuitOnClose, false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_background = new AppBackground(this);
    layout->addWidget(m_background);
    auto* inner = new QVBoxLayout(m_background);
    inner->setContentsMargins(0, 0, 0, 0);

    m_canvas = new MindMapCanvas(document, undoManager, m_background);
    m_canvas->setScale(scale);
    m_canvas->setOnZoomFunctionsReady(
        [this](const MindMapCanvas::ZoomFunctions& functions) { m_zoomFunctions = functions; });
    connect(m_canvas, &MindMapCanvas::scaleChanged, this, &FocusContentView::scaleChanged);
    // The canvas would take Escape to clear its selection; here it leaves focus mode.
    m_canvas->installEventFilter(this);
    inner->addWidget(m_canvas);

    m_overlay = new FocusOverlayView(document, this);
    m_overlay->raise();

    m_exitAction = new QAction(tr("Leave Focus Mode"), this);
    m_exitAction->setShortcut(QKeySequence(Qt::Key_Escape));
    m_exitAction->setShortcutContext(Qt::WindowShortcut);
    connect(m_exitAction, &QAction::triggered, this, [this] { runIfSet(m_onExit); });
    addAction(m_exitAction);

    CommandRouter::shared().addScenePublisher(this, this);
}

FocusContentView::~FocusContentView()
{
    CommandRouter::shared().removePublisher(this);
}

void FocusContentView::setPreferences(Preferences* preferences)
{
    m_canvas->setPreferences(preferences);
    m_overlay->setPreferences(preferences);
}

qreal FocusContentView::scale() const
{
    return m_canvas->scale();
}

bool FocusContentView::setScale(qreal scale)
{
    return m_canvas->setScale(scale);
}

void FocusContentView::publishFocusedValues(FocusedValues& values) const
{
    const MindMapCanvas::ZoomFunctions& zoom = m_zoomFunctions;
    values.set<FocusedZoomKey>(ZoomAction {
        [zoom] { runIfSet(zoom.zoomIn); }, [zoom] { runIfSet(zoom.zoomOut); }, [zoom] { runIfSet(zoom.reset); } });
    QPointer<MindMapCanvas> canvas(m_canvas);
    values.set<FocusedFindKey>(FindAction { [canvas] {
        if (canvas)
            canvas->openSearch();
    } });
    // The command toggles focus mode; here that means leaving it.
    values.set<FocusedFocusModeKey>(FocusModeAction { m_onExit });
}

bool FocusContentView::eventFilter(QObject* watched, QEvent* event)
{
    // Not claimed by the canvas, Escape reaches this window's own action.
    if (watched == m_canvas && event->type() == QEvent::ShortcutOverride
        && isPlainEscape(*static_cast<QKeyEvent*>(event))) {
        event->ignore();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void FocusContentView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_overlay->setGeometry(rect());
}

void FocusContentView::closeEvent(QCloseEvent* event)
{
    // Closed from outside (the window manager): focus mode ends the usual way.
    event->ignore();
    runIfSet(m_onExit);
}

} // namespace kestrion
