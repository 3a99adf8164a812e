#include "platform/DocumentWindow.h"

#include "platform/DocumentManager.h"
#include "platform/NoticeBar.h"
#include "platform/OpenDocument.h"
#include "platform/UndoManager.h"
#include "platform/WindowPlacement.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QVBoxLayout>

namespace kestrion {

DocumentWindow::DocumentWindow(OpenDocument& document, QWidget* parent)
    : QMainWindow(parent)
    , m_document(document)
{
    // A large scale factor can leave the screen smaller than the default.
    resize(WindowPlacement::fitted(defaultSize, WindowPlacement::contentRoom(*this)));
    auto* host = new QWidget(this);
    auto* column = new QVBoxLayout(host);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    m_noticeArea = new QVBoxLayout;
    m_noticeArea->setSpacing(0);
    column->addLayout(m_noticeArea);
    setCentralWidget(host);
    buildMenus();
    const auto updateTitle = [this] {
        setWindowFilePath(m_document.filePath());
        setWindowTitle(m_document.displayName() + QStringLiteral("[*]"));
    };
    updateTitle();
    connect(&m_document, &OpenDocument::filePathChanged, this, updateTitle);
    if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance())) {
        m_keyboardWatch = connect(app, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
            if (now && now->window() == this && !qobject_cast<QMenuBar*>(now))
                m_keyboardWidget = now;
        });
    }
}

DocumentWindow::~DocumentWindow()
{
    // Taking the widgets apart moves the keyboard among them after these members are gone.
    disconnect(m_keyboardWatch);
}

void DocumentWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    // Once the window manager has placed and framed it, the frame is known: all of it on the
    // screen, title bar, toolbar and status bar included.
    WindowPlacement::keepOnScreenOnceFramed(*this);
}

void DocumentWindow::setContent(QWidget* content)
{
    auto* column = static_cast<QVBoxLayout*>(centralWidget()->layout());
    if (m_content) {
        column->removeWidget(m_content);
        delete m_content;
    }
    m_content = content;
    if (content)
        column->addWidget(content, 1);
}

void DocumentWindow::showNotice(const QString& key, const QString& text, std::vector<NoticeAction> actions)
{
    hideNotice(key);
    auto* bar = new NoticeBar(text, std::move(actions), centralWidget());
    m_notices[key] = bar;
    m_noticeArea->addWidget(bar);
    connect(bar, &NoticeBar::finished, this, [this, key, bar] {
        const auto found = m_notices.find(key);
        if (found != m_notices.end() && found->second == bar)
            hideNotice(key);
    });
}

void DocumentWindow::hideNotice(const QString& key)
{
    const auto found = m_notices.find(key);
    if (found == m_notices.end())
        return;
    NoticeBar* bar = found->second;
    m_notices.erase(found);
    m_noticeArea->removeWidget(bar);
    bar->hide();
    // Later: the notice may be running one of its own actions.
    bar->deleteLater();
}

NoticeBar* DocumentWindow::notice(const QString& key) const
{
    const auto found = m_notices.find(key);
    return found == m_notices.end() ? nullptr : found->second;
}

void DocumentWindow::buildMenus()
{
    DocumentManager& manager = m_document.manager();
    QMenuBar* bar = menuBar();

    m_fileMenu = bar->addMenu(tr("&File"));
    m_openAction = m_fileMenu->addAction(tr("&Open…"));
    m_openAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    connect(m_openAction, &QAction::triggered, this, [this, &manager] { manager.showOpenDialog(m_document); });

    m_openRecentMenu = m_fileMenu->addMenu(tr("Open &Recent"));
    connect(m_openRecentMenu, &QMenu::aboutToShow, this, &DocumentWindow::fillOpenRecentMenu);
    fillOpenRecentMenu();

    m_fileMenu->addSeparator();
    m_saveAction = m_fileMenu->addAction(tr("&Save"));
    m_saveAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    connect(m_saveAction, &QAction::triggered, this, [this, &manager] { manager.save(m_document); });
    m_saveAsAction = m_fileMenu->addAction(tr("Save &As…"));
    m_saveAsAction->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    connect(m_saveAsAction, &QAction::triggered, this, [this, &manager] { manager.saveAs(m_document); });
    m_revertAction = m_fileMenu->addAction(tr("Re&vert to Opened Version…"));
    connect(m_revertAction, &QAction::triggered, this, [this, &manager] { manager.revertToOpenedVersion(m_document); });
    // Settled when the menu opens; any change in between may have made the text differ.
    m_revertAction->setEnabled(m_document.canRevertToOpenedVersion());
    connect(&m_document, &OpenDocument::canRevertToOpenedVersionChanged, m_revertAction, &QAction::setEnabled);
    connect(m_fileMenu, &QMenu::aboutToShow, this, [this] { m_document.compareWithOpenedVersion(); });

    m_fileMenu->addSeparator();
    m_closeAction = m_fileMenu->addAction(tr("&Close"));
    m_closeAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_W));
    connect(m_closeAction, &QAction::triggered, this, &QWidget::close);
    m_fileMenu->addSeparator();
    m_quitAction = m_fileMenu->addAction(tr("&Quit"));
    m_quitAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    m_quitAction->setMenuRole(QAction::QuitRole);
    // Queued: the quit closes this very window.
    connect(m_quitAction, &QAction::triggered, &manager, &DocumentManager::quit, Qt::QueuedConnection);

    m_editMenu = bar->addMenu(tr("&Edit"));
    UndoManager& undoManager = m_document.undoManager();
    m_undoAction = m_editMenu->addAction(tr("&Undo"));
    m_undoAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    m_undoAction->setEnabled(undoManager.canUndo());
    connect(m_undoAction, &QAction::triggered, &undoManager, &UndoManager::undo);
    connect(&undoManager, &UndoManager::canUndoChanged, m_undoAction, &QAction::setEnabled);
    m_redoAction = m_editMenu->addAction(tr("&Redo"));
    m_redoAction->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
    m_redoAction->setEnabled(undoManager.canRedo());
    connect(m_redoAction, &QAction::triggered, &undoManager, &UndoManager::redo);
    connect(&undoManager, &UndoManager::canRedoChanged, m_redoAction, &QAction::setEnabled);
}

void DocumentWindow::fillOpenRecentMenu()
{
    DocumentManager& manager = m_document.manager();
    m_openRecentMenu->clear();
    const QStringList paths = manager.recentDocuments().paths();
    for (const QString& path : paths) {
        const QFileInfo info(path);
        QAction* action = m_openRecentMenu->addAction(
            tr("%1 — %2").arg(info.fileName(), QDir::toNativeSeparators(info.absolutePath())));
        connect(action, &QAction::triggered, &manager, [&manager, path] { manager.open(path); });
    }
    m_openRecentMenu->addSeparator();
    QAction* clear = m_openRecentMenu->addAction(tr("Clear Menu"));
    clear->setEnabled(!paths.isEmpty());
    connect(clear, &QAction::triggered, &manager, &DocumentManager::clearRecentDocuments);
}

bool DocumentWindow::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate)
        giveKeyboardBackFromMenuBar();
    return QMainWindow::event(event);
}

void DocumentWindow::giveKeyboardBackFromMenuBar()
{
    // Escape closes a menu but leaves the menu bar holding the keyboard. Leaving the window
    // ends its walk through the menus without handing the keyboard back, so the window would
    // come back with its keys going nowhere.
    auto* bar = qobject_cast<QMenuBar*>(focusWidget());
    if (!bar || bar->activeAction())
        return;
    QWidget* previous = m_keyboardWidget;
    if (previous && previous->window() == this && previous->isVisible() && previous->isEnabled()) {
        previous->setFocus(Qt::ActiveWindowFocusReason);
        return;
    }
    // Gone with what closed while the window was away: activation then hands the keyboard to
    // the first view that takes it by Tab.
    bar->clearFocus();
}

void DocumentWindow::closeEvent(QCloseEvent* event)
{
    if (m_document.manager().prepareToClose(m_document))
        event->accept();
    else
        event->ignore();
}

} // namespace kestrion
