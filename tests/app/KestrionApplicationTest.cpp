#include "app/KestrionApplication.h"

#include "app/ContentView.h"
#include "app/SermonWindow.h"
#include "app/WindowSupervisor.h"
#include "columns/ColumnCanvas.h"
#include "document/DocumentController.h"
#include "document/SermonDocument.h"
#include "mindmap/MindMapCanvas.h"
#include "platform/DocumentManager.h"
#include "platform/DocumentWindow.h"
#include "platform/NoticeBar.h"
#include "platform/OpenDocument.h"
#include "platform/Preferences.h"
#include "platform/SingleInstance.h"
#include "platform/UndoManager.h"
#include "platform/Updater.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "platform/WindowPlacement.h"
#include "support/HandOverMessage.h"
#include "support/RoomyScreen.h"

#include <gtest/gtest.h>

#include <csignal>
#include <functional>

using namespace kestrion;

namespace {

class RecordingDialogs final : public DocumentDialogs {
public:
    // Questions are counted with the errors, as "?" entries.
    // onError runs while a report is open, as the loop of a message box would.
    RecordingDialogs(QStringList& errors, const std::function<void()>& onError)
        : m_errors(errors)
        , m_onError(onError)
    {
    }
    QStringList chooseFilesToOpen(QWidget*, const QString&) override { return {}; }
    std::optional<QString> chooseSavePath(QWidget*, const QString&) override { return std::nullopt; }
    SaveChoice askToSaveChanges(QWidget*, const QString&, const QString&) override
    {
        m_errors.append(QStringLiteral("?"));
        return SaveChoice::Cancel;
    }
    ConflictChoice askAboutDiskChange(QWidget*, const QString&, DiskChange, bool) override
    {
        m_errors.append(QStringLiteral("?"));
        return ConflictChoice::Cancel;
    }
    bool askToRevert(QWidget*, const QString&) override
    {
        m_errors.append(QStringLiteral("?"));
        return false;
    }
    void showError(QWidget*, const QString& message) override
    {
        m_errors.append(message);
        if (m_onError)
            m_onError();
    }

private:
    QStringList& m_errors;
    const std::function<void()>& m_onError;
};

class KestrionApplicationTest : public ::testing::Test {
protected:
    KestrionApplicationTest()
        : m_preferences(
            std::make_unique<QSettings>(m_folder.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat))
    {
    }

    ~KestrionApplicationTest() override
    {
        m_applications.clear();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    QString path(const QString& name) const { return m_folder.filePath(name); }

    LaunchMode mode(const QStringList& arguments, bool testRun = false) const
    {
        QProcessEnvironment environment;
        if (testRun)
            environment.insert(LaunchMode::testRunVariable, QStringLiteral("/x"));
        return LaunchMode::detect(
            QStringList { QStringLiteral("kestrion") } + arguments, environment, path(QStringLiteral("Documents")));
    }

    KestrionApplication& make(const LaunchMode& launchMode)
    {
        KestrionApplication::Setup setup;
        setup.mode = launchMode;
        setup.preferences = &m_preferences;
        setup.serverName = path(QStringLiteral("instance.socket"));
        setup.recoveryFolder = path(QStringLiteral("recovery"));
        setup.dialogs = std::make_unique<RecordingDialogs>(m_errors, m_onError);
        setup.showsWindows = false;
        m_applications.push_back(std::make_unique<KestrionApplication>(std::move(setup)));
        return *m_applications.back();
    }

    QString writeSermon(const QString& name)
    {
        QFile file(path(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("# A Sermon\n\nA point\n");
        file.close();
        return QFileInfo(file).canonicalFilePath();
    }

    QTemporaryDir m_folder;
    Preferences m_preferences;
    QStringList m_errors;
    std::function<void()> m_onError;
    std::vector<std::unique_ptr<KestrionApplication>> m_applications;
};

TEST_F(KestrionApplicationTest, FixtureModeWritesTheSampleAndOpensItWithoutHandOver)
{
    KestrionApplication& app = make(mode({ LaunchMode::uiTestFixtureArgument }));
    EXPECT_EQ(app.launch({}), std::nullopt);
    const QString fixture = path(QStringLiteral("Documents/kestrion-ui-test.md"));
    QFile file(fixture);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), uiTestFixtureContents());
    ASSERT_NE(app.documentManager(), nullptr);
    ASSERT_EQ(app.documentManager()->documents().size(), 1u);
    OpenDocument* document = app.documentManager()->documents().front();
    EXPECT_EQ(document->filePath(), QFileInfo(fixture).canonicalFilePath());
    EXPECT_EQ(document->document().root()->text(), QStringLiteral("Test Sermon"));
    EXPECT_EQ(app.singleInstance(), nullptr);
    EXPECT_TRUE(QApplication::quitOnLastWindowClosed());
    EXPECT_TRUE(m_errors.isEmpty());
}

TEST_F(KestrionApplicationTest, FixtureThatCannotBeWrittenEndsTheLaunch)
{
    QFile blocker(path(QStringLiteral("Documents")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    KestrionApplication& app = make(mode({ LaunchMode::uiTestFixtureArgument }));
    EXPECT_EQ(app.launch({}), 1);
    ASSERT_EQ(m_errors.size(), 1);
    EXPECT_TRUE(m_errors.front().contains(QStringLiteral("kestrion-ui-test.md")));
}

// 2x scaling on a 1600 by 1000 screen leaves 800 by 500, a panel less.
TEST_F(KestrionApplicationTest, ASermonWindowFitsASmallScreenWholeAndCanShrinkToIt)
{
    const QRect area(0, 24, 800, 476);
    WindowPlacement::setAvailableAreaOverride(area);
    KestrionApplication& app = make(mode({}));
    EXPECT_EQ(app.launch({ writeSermon(QStringLiteral("small.md")) }), std::nullopt);
    auto* window = dynamic_cast<SermonWindow*>(app.documentManager()->documents().front()->window());
    ASSERT_NE(window, nullptr);
    // Made to fit, and kept on the screen when placed off it.
    EXPECT_EQ(window->size().boundedTo(WindowPlacement::contentRoom(*window)), window->size());
    window->move(-300, -200);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    QCoreApplication::processEvents();
    const QMargins frame = WindowPlacement::frameMargins(*window);
    EXPECT_TRUE(area.contains(QRect(window->pos(), window->size().grownBy(frame)))) << window->pos().x();
    // Its smallest size fits too, with the status bar inside the window.
    window->resize(300, 200);
    QCoreApplication::processEvents();
    EXPECT_LE(window->height() + frame.top() + frame.bottom(), area.height());
    EXPECT_LE(window->width() + frame.left() + frame.right(), area.width());
    ContentView* view = window->contentView();
    EXPECT_LE(view->mapTo(window, QPoint(0, view->height())).y(), window->height());
    window->hide();
    WindowPlacement::setAvailableAreaOverride(std::nullopt);
}

TEST_F(KestrionApplicationTest, TestRunStaysHiddenAndWritesNothing)
{
    const QString file = writeSermon(QStringLiteral("a.md"));
    KestrionApplication& app = make(mode({ LaunchMode::uiTestFixtureArgument }, true));
    EXPECT_EQ(app.launch({ file }), std::nullopt);
    EXPECT_EQ(app.documentManager(), nullptr);
    EXPECT_EQ(app.singleInstance(), nullptr);
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("Documents/kestrion-ui-test.md"))));
}

TEST_F(KestrionApplicationTest, NormalLaunchOpensItsFilesAndTakesLaterLaunchesFiles)
{
    const RoomyScreen screen;
    const QString first = writeSermon(QStringLiteral("first.md"));
    const QString second = writeSermon(QStringLiteral("second.md"));
    KestrionApplication& running = make(mode({}));
    EXPECT_EQ(running.launch({ first }), std::nullopt);
    ASSERT_NE(running.singleInstance(), nullptr);
    EXPECT_TRUE(running.singleInstance()->isListening());
    ASSERT_EQ(running.documentManager()->documents().size(), 1u);
    auto* window = dynamic_cast<SermonWindow*>(running.documentManager()->documents().front()->window());
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->contentView()->mode(), AppMode::Tree);
    EXPECT_EQ(window->size(), QSize(1200, 800));
    // The window cannot be made smaller than its root view allows.
    window->show();
    window->resize(300, 200);
    EXPECT_GE(window->contentView()->width(), 800);
    EXPECT_GE(window->contentView()->height(), 600);
    window->hide();

    KestrionApplication& later = make(mode({}));
    EXPECT_EQ(later.launch({ second, first }), 0);
    EXPECT_EQ(later.documentManager(), nullptr);
    // The running instance opened the new file and kept one window for the old.
    ASSERT_TRUE(QTest::qWaitFor([&] { return running.documentManager()->documents().size() == 2u; }, 2000));
    EXPECT_EQ(running.documentManager()->documents().back()->filePath(), second);
}

TEST_F(KestrionApplicationTest, EveryLaterLaunchHasItsFilesOpenedNotOnlyTheFirst)
{
    const RoomyScreen screen;
    KestrionApplication& running = make(mode({}));
    ASSERT_EQ(running.launch({ writeSermon(QStringLiteral("first.md")) }), std::nullopt);
    const std::vector<OpenDocument*>& documents = running.documentManager()->documents();
    // One after the other, each once the one before was answered and its file opened.
    for (const QString& name :
        { QStringLiteral("second.md"), QStringLiteral("third.md"), QStringLiteral("fourth.md") }) {
        SCOPED_TRACE(name.toStdString());
        const QString later = writeSermon(name);
        EXPECT_EQ(make(mode({})).launch({ later }), 0);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !documents.empty() && documents.back()->filePath() == later; }, 3000));
    }
    EXPECT_EQ(documents.size(), 4u);
    EXPECT_TRUE(m_errors.isEmpty());
}

TEST_F(KestrionApplicationTest, HandedOverFilesThatCannotBeOpenedAreReportedOneLaunchAtATimeAndNothingGoes)
{
    const QString open = writeSermon(QStringLiteral("open.md"));
    const QString good = writeSermon(QStringLiteral("good.md"));
    const QString third = writeSermon(QStringLiteral("third.md"));
    QFile empty(path(QStringLiteral("empty.md")));
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    empty.close();
    ASSERT_TRUE(QDir(m_folder.path()).mkdir(QStringLiteral("folder.md")));
    KestrionApplication& running = make(mode({}));
    ASSERT_EQ(running.launch({ open }), std::nullopt);
    const std::vector<OpenDocument*>& documents = running.documentManager()->documents();

    // The first report is answered only after another launch came and went and deferred
    // deletions ran; that launch's file waits until the first launch's are done.
    std::optional<int> thirdLaunch;
    std::size_t openDuringReport = 0;
    m_onError = [&] {
        if (!thirdLaunch) {
            thirdLaunch = make(mode({})).launch({ third });
            QTest::qWait(50);
            openDuringReport = documents.size();
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    };
    // Sent as a launch in a process of its own does, which is gone once it has its answer.
    QLocalSocket launch;
    QObject::connect(&launch, &QLocalSocket::readyRead, &launch, [&] { launch.disconnectFromServer(); });
    launch.connectToServer(path(QStringLiteral("instance.socket")));
    ASSERT_TRUE(launch.waitForConnected(1000));
    launch.write(handOverMessage({ good, path(QStringLiteral("empty.md")), path(QStringLiteral("missing.md")),
        path(QStringLiteral("folder.md")), open }));
    ASSERT_TRUE(QTest::qWaitFor([&] { return documents.size() == 3u; }, 3000));

    EXPECT_EQ(thirdLaunch, 0);
    EXPECT_EQ(openDuringReport, 2u);
    ASSERT_EQ(m_errors.size(), 3);
    for (const auto& [index, name] :
        { std::pair(0, "empty.md"), std::pair(1, "missing.md"), std::pair(2, "folder.md") })
        EXPECT_TRUE(m_errors[index].contains(QLatin1String(name))) << m_errors[index].toStdString();
    QStringList opened;
    for (const OpenDocument* document : documents) {
        opened.append(document->filePath());
        EXPECT_NE(document->window(), nullptr);
    }
    EXPECT_EQ(opened, (QStringList { open, good, third }));
    EXPECT_TRUE(running.singleInstance()->isListening());
}

TEST_F(KestrionApplicationTest, LaunchWithoutFilesShowsTheWelcomeWindowInsteadOfADocument)
{
    KestrionApplication& app = make(mode({}));
    EXPECT_EQ(app.launch({}), std::nullopt);
    EXPECT_TRUE(app.documentManager()->documents().empty());
    ASSERT_NE(app.supervisor(), nullptr);
    EXPECT_EQ(WindowSupervisor::shared(), app.supervisor());
    EXPECT_FALSE(app.supervisor()->isLaunching());
    ASSERT_NE(app.supervisor()->welcomeWindow(), nullptr);
    EXPECT_TRUE(app.supervisor()->welcomeWindow()->isVisible());
    // The welcome window ends the process, through the document machinery.
    EXPECT_FALSE(QApplication::quitOnLastWindowClosed());
}

TEST_F(KestrionApplicationTest, RecoveredDocumentsComeBackBeforeTheWelcomeWindowIsConsidered)
{
    {
        KestrionApplication& crashed = make(mode({}));
        ASSERT_EQ(crashed.launch({}), std::nullopt);
        OpenDocument* draft = crashed.documentManager()->newDocument();
        draft->document().recordUndo(std::nullopt, &draft->undoManager());
        draft->document().root()->setText(QStringLiteral("Half-written"));
        crashed.documentManager()->saveAllWithoutAsking();
        m_applications.clear();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    KestrionApplication::Setup setup;
    setup.mode = mode({});
    setup.preferences = &m_preferences;
    setup.serverName = path(QStringLiteral("instance.socket"));
    setup.recoveryFolder = path(QStringLiteral("recovery"));
    setup.dialogs = std::make_unique<RecordingDialogs>(m_errors, m_onError);
    m_applications.push_back(std::make_unique<KestrionApplication>(std::move(setup)));
    KestrionApplication& app = *m_applications.back();
    EXPECT_EQ(app.launch({}), std::nullopt);
    ASSERT_EQ(app.documentManager()->documents().size(), 1u);
    EXPECT_TRUE(app.documentManager()->documents().front()->window()->isVisible());
    const QWidget* welcome = app.supervisor()->welcomeWindow();
    EXPECT_TRUE(!welcome || !welcome->isVisible());
}

TEST_F(KestrionApplicationTest, OnlyANormalLaunchChecksForUpdates)
{
    QFile feed(path(QStringLiteral("feed.xml")));
    ASSERT_TRUE(feed.open(QIODevice::WriteOnly));
    feed.close();
    const auto launched = [&](const LaunchMode& launchMode, const QUrl& url) -> KestrionApplication& {
        KestrionApplication::Setup setup;
        setup.mode = launchMode;
        setup.preferences = &m_preferences;
        setup.serverName = path(QStringLiteral("instance-%1.socket").arg(m_applications.size()));
        setup.recoveryFolder = path(QStringLiteral("recovery"));
        setup.dialogs = std::make_unique<RecordingDialogs>(m_errors, m_onError);
        setup.showsWindows = false;
        setup.updateFeed = url;
        m_applications.push_back(std::make_unique<KestrionApplication>(std::move(setup)));
        EXPECT_EQ(m_applications.back()->launch({}), std::nullopt);
        return *m_applications.back();
    };
    const QUrl url = QUrl::fromLocalFile(feed.fileName());
    EXPECT_TRUE(launched(mode({}), url).updater()->canCheckForUpdates());
    EXPECT_FALSE(launched(mode({ LaunchMode::uiTestFixtureArgument }), url).updater()->canCheckForUpdates());
    EXPECT_EQ(launched(mode({}, true), url).updater(), nullptr);
    // A build without a feed never checks.
    EXPECT_FALSE(launched(mode({}), QUrl()).updater()->canCheckForUpdates());
}

TEST_F(KestrionApplicationTest, LaunchWhoseFilesAllFailReportsThemAndShowsTheWelcomeWindow)
{
    // A file that moved since the file manager listed it: the error, then the welcome window.
    KestrionApplication& app = make(mode({}));
    EXPECT_EQ(app.launch({ path(QStringLiteral("missing.md")) }), std::nullopt);
    ASSERT_EQ(m_errors.size(), 1);
    EXPECT_TRUE(m_errors.front().contains(QStringLiteral("missing.md")));
    ASSERT_NE(app.supervisor(), nullptr);
    ASSERT_NE(app.supervisor()->welcomeWindow(), nullptr);
    EXPECT_TRUE(app.supervisor()->welcomeWindow()->isVisible());
}

TEST_F(KestrionApplicationTest, LaunchOffersBackWhatACrashLeft)
{
    {
        KestrionApplication& crashed = make(mode({}));
        ASSERT_EQ(crashed.launch({}), std::nullopt);
        OpenDocument* draft = crashed.documentManager()->newDocument();
        SermonDocument& sermon = draft->document();
        sermon.recordUndo(std::nullopt, &draft->undoManager());
        sermon.root()->setText(QStringLiteral("Half-written"));
        crashed.documentManager()->saveAllWithoutAsking();
        m_applications.clear();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    KestrionApplication& app = make(mode({}));
    EXPECT_EQ(app.launch({}), std::nullopt);
    ASSERT_EQ(app.documentManager()->documents().size(), 1u);
    EXPECT_EQ(app.documentManager()->documents().front()->document().root()->text(), QStringLiteral("Half-written"));
}

TEST_F(KestrionApplicationTest, RestartWithAFileACrashLeftTextForOpensOneWindowHoldingIt)
{
    const QString file = writeSermon(QStringLiteral("crash.md"));
    {
        KestrionApplication& crashed = make(mode({}));
        ASSERT_EQ(crashed.launch({ file }), std::nullopt);
        OpenDocument* document = crashed.documentManager()->documents().front();
        MindMapCanvas* canvas = qobject_cast<SermonWindow*>(document->window())->contentView()->mindMapCanvas();
        canvas->beginEditingNode(document->document().root()->id(), false);
        canvas->controller().setEditingText(QStringLiteral("Typed before the crash"));
        crashed.documentManager()->autosave(*document);
        m_applications.clear();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    KestrionApplication& app = make(mode({}));
    ASSERT_EQ(app.launch({ file }), std::nullopt);
    KestrionApplication& later = make(mode({}));
    EXPECT_EQ(later.launch({ file }), 0);
    const std::vector<OpenDocument*>& documents = app.documentManager()->documents();
    ASSERT_EQ(documents.size(), 1u);
    EXPECT_EQ(documents.front()->filePath(), file);
    EXPECT_EQ(documents.front()->document().root()->text(), QStringLiteral("Typed before the crash"));
    EXPECT_NE(documents.front()->window()->notice(DocumentManager::recoveredChangesNotice), nullptr);
    EXPECT_TRUE(m_errors.isEmpty()) << m_errors.join(QLatin1Char(' ')).toStdString();
}

TEST_F(KestrionApplicationTest, TerminationSignalKeepsEverythingAndEndsWithoutAQuestion)
{
    KestrionApplication& app = make(mode({}));
    ASSERT_EQ(app.launch({}), std::nullopt);
    OpenDocument* draft = app.documentManager()->newDocument();
    SermonDocument& sermon = draft->document();
    sermon.recordUndo(std::nullopt, &draft->undoManager());
    sermon.root()->setText(QStringLiteral("Unsaved at shutdown"));
    // Only shown windows are asked to close when the application quits.
    draft->window()->show();

    app.handleTerminationSignals();
    QTimer::singleShot(0, &app, [] { ::raise(SIGTERM); });
    // An ending that waits on a question would never come by itself.
    QTimer::singleShot(5000, &app, [] { QCoreApplication::exit(2); });
    EXPECT_EQ(QApplication::exec(), 0);
    EXPECT_TRUE(m_errors.isEmpty()) << m_errors.join(QLatin1Char(' ')).toStdString();

    const QStringList copies = QDir(path(QStringLiteral("recovery"))).entryList({ QStringLiteral("*.md") });
    ASSERT_EQ(copies.size(), 1);
    QFile copy(path(QStringLiteral("recovery/")) + copies.front());
    ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
    EXPECT_TRUE(copy.readAll().contains("# Unsaved at shutdown\n"));
}

} // namespace

TEST_F(KestrionApplicationTest, WordsStillBeingTypedAreSavedAndClosedWithTheDocument)
{
    const QString file = writeSermon(QStringLiteral("typing.md"));
    KestrionApplication& app = make(mode({}));
    ASSERT_EQ(app.launch({ file }), std::nullopt);
    DocumentManager& manager = *app.documentManager();
    ASSERT_EQ(manager.documents().size(), 1u);
    OpenDocument* document = manager.documents().front();
    auto* window = qobject_cast<SermonWindow*>(document->window());
    ASSERT_NE(window, nullptr);
    MindMapCanvas* canvas = window->contentView()->mindMapCanvas();
    ASSERT_NE(canvas, nullptr);
    const auto readFile = [&] {
        QFile f(file);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return QString::fromUtf8(f.readAll());
    };

    // Save while the title is still open in the editor: written, and the typing goes on, so
    // the next keys (a Backspace among them) reach the text and not the nodes.
    const QUuid rootID = document->document().root()->id();
    canvas->beginEditingNode(rootID, false);
    canvas->controller().setEditingText(QStringLiteral("A Better Title "));
    ASSERT_TRUE(manager.save(*document));
    EXPECT_TRUE(readFile().startsWith(QStringLiteral("# A Better Title\n")));
    EXPECT_EQ(canvas->controller().editingNodeID(), rootID);
    EXPECT_FALSE(document->isModified());
    // Save As too, the first save of a new sermon among them.
    EXPECT_FALSE(manager.saveAs(*document));
    EXPECT_EQ(canvas->controller().editingNodeID(), rootID);
    canvas->controller().setEditingText(QStringLiteral("A Better Title, Longer"));
    canvas->endEditing(true);
    // Each state has its step: the saved title, then the one before it.
    document->undoManager().undo();
    EXPECT_EQ(document->document().root()->text(), QStringLiteral("A Better Title"));
    document->undoManager().undo();
    EXPECT_EQ(document->document().root()->text(), QStringLiteral("A Sermon"));
    document->undoManager().redo();

    // Words in the editor reach autosave without being committed to the document.
    QSignalSpy typing(window, &DocumentWindow::pendingEditsChanged);
    canvas->beginEditingNode(document->document().root()->id(), false);
    canvas->controller().setEditingText(QStringLiteral("Still Typing"));
    EXPECT_GE(typing.count(), 1);
    const std::optional<QByteArray> typed = window->contentsWithPendingEdits();
    ASSERT_TRUE(typed);
    EXPECT_TRUE(typed->startsWith("# Still Typing\n"));
    EXPECT_EQ(document->document().root()->text(), QStringLiteral("A Better Title"));
    canvas->endEditing(false);
    EXPECT_FALSE(window->contentsWithPendingEdits());

    // The text of a new node has no undo step of its own (its creation's covers it), yet
    // autosave must hear of it.
    canvas->controller().setSelectedNodeID(document->document().root()->id());
    canvas->controller().addChild();
    ASSERT_TRUE(canvas->controller().editingNodeID());
    canvas->controller().setEditingText(QStringLiteral("Typed after the last autosave"));
    QSignalSpy edited(&document->document(), &SermonDocument::contentEdited);
    window->commitPendingEdits();
    EXPECT_EQ(edited.count(), 1);

    // Close while a new node is still open in the editor.
    canvas->controller().addChild();
    ASSERT_TRUE(canvas->controller().editingNodeID());
    canvas->controller().setEditingText(QStringLiteral("Typed just before closing"));
    EXPECT_TRUE(manager.close(*document));
    EXPECT_TRUE(readFile().contains(QStringLiteral("\nTyped just before closing\n")));
}

TEST_F(KestrionApplicationTest, WordsTypedInTheColumnsAreSavedAndClosedWithTheDocument)
{
    const QString file = writeSermon(QStringLiteral("columns.md"));
    KestrionApplication& app = make(mode({}));
    ASSERT_EQ(app.launch({ file }), std::nullopt);
    DocumentManager& manager = *app.documentManager();
    OpenDocument* document = manager.documents().front();
    auto* window = qobject_cast<SermonWindow*>(document->window());
    ASSERT_NE(window, nullptr);
    window->contentView()->setMode(AppMode::Columns);
    ColumnCanvas* canvas = window->contentView()->columnCanvas();
    ASSERT_NE(canvas, nullptr);
    const auto readFile = [&] {
        QFile f(file);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return QString::fromUtf8(f.readAll());
    };
    const QUuid title = document->document().root()->id();

    // Every keystroke is in the document at once, and autosave hears of it.
    QSignalSpy edited(&document->document(), &SermonDocument::contentEdited);
    canvas->beginColumnEditing(title, false);
    canvas->controller().setEditingText(QStringLiteral("A Column Title  "));
    EXPECT_GE(edited.count(), 1);
    ASSERT_TRUE(manager.save(*document));
    EXPECT_TRUE(readFile().startsWith(QStringLiteral("# A Column Title\n")));
    // The typing goes on, and the saved text is one step of its own.
    EXPECT_EQ(canvas->controller().editingNodeID(), title);
    canvas->controller().setEditingText(QStringLiteral("A Column Title, Longer"));
    canvas->commitPendingEdit();
    document->undoManager().undo();
    EXPECT_EQ(document->document().root()->text(), QStringLiteral("A Column Title"));
    document->undoManager().undo();
    EXPECT_EQ(document->document().root()->text(), QStringLiteral("A Sermon"));
    document->undoManager().redo();

    // Close while a new node is still open in the column editor.
    canvas->keyCommands().addChildToEdit(title);
    ASSERT_TRUE(canvas->controller().editingNodeID());
    canvas->controller().setEditingText(QStringLiteral("Typed in a column just before closing"));
    EXPECT_TRUE(manager.close(*document));
    EXPECT_TRUE(readFile().contains(QStringLiteral("\nTyped in a column just before closing\n")));
}

TEST_F(KestrionApplicationTest, UnreadableDetailsAreNoticedInTheWindowAndKeptUntilReplaced)
{
    const QByteArray block = "---\nseries: Gospel of John: Signs\n---";
    const QString file = path(QStringLiteral("signs.md"));
    {
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(block + "\n# Signs\n");
    }
    KestrionApplication& app = make(mode({}));
    ASSERT_EQ(app.launch({ file }), std::nullopt);
    OpenDocument* document = app.documentManager()->documents().front();
    auto* window = qobject_cast<SermonWindow*>(document->window());
    ASSERT_NE(window, nullptr);
    const NoticeBar* notice = window->notice(QStringLiteral("unreadableFrontMatter"));
    ASSERT_NE(notice, nullptr);
    EXPECT_TRUE(notice->text().contains(QStringLiteral("line 2: mapping values are not allowed in this context")))
        << notice->text().toStdString();

    // Words still being typed reach autosave with the block kept.
    MindMapCanvas* canvas = window->contentView()->mindMapCanvas();
    canvas->beginEditingNode(document->document().root()->id(), false);
    canvas->controller().setEditingText(QStringLiteral("Seven Signs"));
    EXPECT_EQ(window->contentsWithPendingEdits(), block + "\n\n# Seven Signs\n");
    canvas->endEditing(false);

    // New details replace it, and the notice goes; undo brings both back.
    SermonDocument& sermon = document->document();
    SermonMetadata details;
    details.series = QStringLiteral("Signs");
    sermon.recordUndo(std::nullopt, &document->undoManager());
    sermon.setMetadata(details);
    EXPECT_EQ(window->notice(QStringLiteral("unreadableFrontMatter")), nullptr);
    document->undoManager().undo();
    EXPECT_NE(window->notice(QStringLiteral("unreadableFrontMatter")), nullptr);
    EXPECT_TRUE(sermon.unreadableFrontMatter());
}
