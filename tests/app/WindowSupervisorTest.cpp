#include "app/WindowSupervisor.h"

#include "app/RecentSermonsStore.h"
#include "app/WelcomeView.h"
#include "delivery/DeliveryTimer.h"
#include "delivery/DeliveryView.h"
#include "document/SermonDocument.h"
#include "platform/DocumentManager.h"
#include "platform/DocumentWindow.h"
#include "platform/OpenDocument.h"
#include "platform/Preferences.h"
#include "platform/WindowPlacement.h"
#include "sheets/NewSermonSheet.h"
#include "sheets/OccurrencesEditor.h"
#include "sheets/SectionBlock.h"
#include "sheets/SermonDetailsForm.h"
#include "sheets/SingleLineField.h"
#include "support/ScriptedDialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace kestrion;

namespace {

class WindowSupervisorTest : public ::testing::Test {
protected:
    WindowSupervisorTest()
        : m_settings(m_folder.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat)
        , m_manager(m_settings, makeDialogs())
        , m_supervisor(m_manager)
    {
        m_manager.setRecoveryFolder(m_folder.filePath(QStringLiteral("recovery")));
        m_supervisor.setQuit([this] { ++m_quits; });
    }

    ~WindowSupervisorTest() override
    {
        m_manager.closeAll();
        settle();
    }

    // Closing an unsaved document drops it.
    static std::unique_ptr<test::ScriptedDialogs> makeDialogs()
    {
        auto dialogs = std::make_unique<test::ScriptedDialogs>();
        dialogs->saveChoices.assign(8, DocumentDialogs::SaveChoice::DontSave);
        return dialogs;
    }

    // Runs what waits for the next turn of the loop: window activation, the close rule.
    static void settle()
    {
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
    }

    static bool isShown(const QWidget* window) { return window && window->isVisible() && !window->isMinimized(); }

    // The new-sermon form given a title, then Create pressed; null when the window has no form.
    NewSermonSheet* createFromForm(const QString& title)
    {
        m_supervisor.showNewSermon();
        auto* sheet = m_supervisor.newSermonWindow()->findChild<NewSermonSheet*>();
        if (sheet) {
            sheet->form().titleField()->setText(title);
            sheet->create();
        }
        settle();
        return sheet;
    }

    QTemporaryDir m_folder;
    QSettings m_settings;
    DocumentManager m_manager;
    WindowSupervisor m_supervisor;
    int m_quits = 0;
};

TEST_F(WindowSupervisorTest, WhichWindowShowsAfterWhichEvent)
{
    struct Step {
        const char* event;
        std::function<void()> act;
        bool welcome;
        bool newSermon;
        int quits;
    };
    OpenDocument* created = nullptr;
    const std::vector<Step> steps {
        { "launch ends without documents", [&] { m_supervisor.finishLaunching(); }, true, false, 0 },
        { "New Sermon", [&] { m_supervisor.showNewSermon(); }, false, true, 0 },
        { "Cancel with no document", [&] { m_supervisor.cancelNewSermon(); }, true, false, 0 },
        { "Create",
            [&] {
                m_supervisor.showNewSermon();
                settle();
                m_supervisor.finishNewSermon(QStringLiteral("Easter"), {});
                ASSERT_EQ(m_manager.documents().size(), 1u);
                created = m_manager.documents().front();
            },
            false, false, 0 },
        // Minimised windows are not on screen.
        { "the only document minimised", [&] { created->window()->showMinimized(); }, true, false, 0 },
        { "the document back on screen",
            [&] {
                created->window()->showNormal();
                m_supervisor.refreshWelcome();
            },
            false, false, 0 },
        { "the last document closed", [&] { m_manager.close(*created); }, true, false, 0 },
        { "About opened", [&] { m_supervisor.showAbout(); }, true, false, 0 },
        { "About closed", [&] { m_supervisor.aboutWindow()->close(); }, true, false, 0 },
        { "welcome closed while the new-sermon window is open",
            [&] {
                m_supervisor.showNewSermon();
                settle();
                m_supervisor.showWelcome();
                settle();
                m_supervisor.welcomeWindow()->close();
            },
            false, true, 0 },
        { "Cancel again", [&] { m_supervisor.cancelNewSermon(); }, true, false, 0 },
        { "welcome closed with nothing open", [&] { m_supervisor.welcomeWindow()->close(); }, false, false, 1 },
    };
    for (const Step& step : steps) {
        step.act();
        settle();
        SCOPED_TRACE(step.event);
        EXPECT_EQ(isShown(m_supervisor.welcomeWindow()), step.welcome);
        EXPECT_EQ(isShown(m_supervisor.newSermonWindow()), step.newSermon);
        EXPECT_EQ(m_quits, step.quits);
        if (HasFatalFailure())
            return;
    }
}

// Asked for from the Window menu while a sermon is open, the welcome window stays until it is
// closed or used.
TEST_F(WindowSupervisorTest, TheWelcomeWindowAskedForStaysBesideOpenSermonsUntilClosedOrUsed)
{
    m_supervisor.finishLaunching();
    OpenDocument* open = m_manager.newDocument();
    settle();
    const QString sermon = m_folder.filePath(QStringLiteral("hope.md"));
    QFile file(sermon);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("# Hope\n");
    file.close();
    struct Step {
        const char* event;
        std::function<void()> act;
        bool welcome;
    };
    // Once closed or used, it is the rule's again: shown with no sermon open, hidden by the next.
    const auto closeSermons = [&] { m_manager.closeAll(); };
    const auto newSermon = [&] { m_manager.newDocument(); };
    const std::vector<Step> steps {
        { "asked for", [&] { m_supervisor.showWelcome(); }, true },
        { "the sermon window in front again", [&] { open->window()->activateWindow(); }, true },
        { "closed", [&] { m_supervisor.welcomeWindow()->close(); }, false },
        { "the sermons closed", closeSermons, true },
        { "a new sermon from the menu", newSermon, false },
        { "asked again, a file that cannot be read",
            [&] {
                m_supervisor.showWelcome();
                m_supervisor.openRecent(m_folder.filePath(QStringLiteral("missing.md")));
            },
            true },
        { "a sermon opened from it", [&] { m_supervisor.openRecent(sermon); }, false },
        { "asked again, then New Sermon and Cancel",
            [&] {
                m_supervisor.showWelcome();
                settle();
                m_supervisor.showNewSermon();
                settle();
                m_supervisor.cancelNewSermon();
            },
            false },
        { "the sermons closed again", closeSermons, true },
        { "another new sermon from the menu", newSermon, false },
    };
    for (const Step& step : steps) {
        step.act();
        settle();
        SCOPED_TRACE(step.event);
        EXPECT_EQ(isShown(m_supervisor.welcomeWindow()), step.welcome);
        EXPECT_EQ(m_quits, 0);
    }
}

TEST_F(WindowSupervisorTest, TheWelcomeWindowNeverCoversTheAboutWindowJustOpened)
{
    m_supervisor.finishLaunching();
    settle();
    ASSERT_TRUE(isShown(m_supervisor.welcomeWindow()));
    m_supervisor.showAbout();
    settle();
    EXPECT_EQ(QApplication::activeWindow(), m_supervisor.aboutWindow());

    // Shown again while the About window has the keyboard, the welcome window stays behind.
    m_supervisor.welcomeWindow()->hide();
    m_supervisor.aboutWindow()->activateWindow();
    settle();
    m_supervisor.refreshWelcome();
    settle();
    EXPECT_TRUE(isShown(m_supervisor.welcomeWindow()));
    EXPECT_EQ(QApplication::activeWindow(), m_supervisor.aboutWindow());
}

// Records, for each showing of the welcome window, whether it asked to take the keyboard. The
// offscreen platform activates whatever it shows, so the request is what a test can see.
class WelcomeShowings : public QObject {
public:
    WelcomeShowings() { qApp->installEventFilter(this); }
    ~WelcomeShowings() override { qApp->removeEventFilter(this); }
    std::vector<bool> takesKeyboard;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (event->type() == QEvent::Show && widget && widget->isWindow()
            && widget->objectName() == WindowSupervisor::welcomeIdentifier)
            takesKeyboard.push_back(!widget->testAttribute(Qt::WA_ShowWithoutActivating));
        return false;
    }
};

TEST_F(WindowSupervisorTest, TheWelcomeWindowTakesTheKeyboardWhenNoWindowHasIt)
{
    // Ctrl+N and Return work at once, without a click into the window first.
    WelcomeShowings showings;
    m_supervisor.finishLaunching();
    settle();
    OpenDocument* document = m_manager.newDocument();
    settle();
    ASSERT_FALSE(isShown(m_supervisor.welcomeWindow()));
    // Minimised, the last document leaves no window with the keyboard.
    document->window()->showMinimized();
    settle();
    EXPECT_TRUE(isShown(m_supervisor.welcomeWindow()));
    EXPECT_EQ(showings.takesKeyboard, (std::vector<bool> { true, true }));
}

TEST_F(WindowSupervisorTest, TheWelcomeWindowStaysMinimisedWhenTheUserMinimisesIt)
{
    m_supervisor.finishLaunching();
    settle();
    QWidget* welcome = m_supervisor.welcomeWindow();
    welcome->showMinimized();
    settle();
    EXPECT_TRUE(welcome->isMinimized());
    // Asked for again, it comes back.
    m_supervisor.handleReopen();
    EXPECT_TRUE(isShown(welcome));
}

TEST_F(WindowSupervisorTest, NothingHappensWhileLaunchingButClosingTheWelcomeWindowStillQuits)
{
    OpenDocument* document = m_manager.newDocument();
    settle();
    m_manager.close(*document);
    settle();
    EXPECT_EQ(m_supervisor.welcomeWindow(), nullptr);
    m_supervisor.showWelcome();
    m_supervisor.welcomeWindow()->close();
    settle();
    EXPECT_EQ(m_quits, 1);
}

TEST_F(WindowSupervisorTest, WindowsAreMadeOnceWithTheirIdentifiersSizesAndTitles)
{
    m_supervisor.finishLaunching();
    m_supervisor.showAbout();
    m_supervisor.showNewSermon();
    QWidget* welcome = m_supervisor.welcomeWindow();
    QWidget* about = m_supervisor.aboutWindow();
    QWidget* newSermon = m_supervisor.newSermonWindow();
    EXPECT_EQ(welcome->objectName(), QStringLiteral("welcome"));
    EXPECT_EQ(welcome->windowTitle(), QStringLiteral("Welcome to Kestrion"));
    EXPECT_EQ(welcome->size(), QSize(500, 520));
    EXPECT_EQ(about->objectName(), QStringLiteral("about"));
    EXPECT_EQ(about->windowTitle(), QStringLiteral("About Kestrion"));
    EXPECT_EQ(about->minimumSize(), about->maximumSize());
    EXPECT_EQ(newSermon->objectName(), QStringLiteral("new-sermon"));
    EXPECT_EQ(newSermon->size(), QSize(620, 520));
    EXPECT_EQ(newSermon->minimumSize(), newSermon->maximumSize());

    about->close();
    m_supervisor.cancelNewSermon();
    settle();
    m_supervisor.showAbout();
    m_supervisor.showNewSermon();
    EXPECT_EQ(m_supervisor.aboutWindow(), about);
    EXPECT_EQ(m_supervisor.newSermonWindow(), newSermon);
    EXPECT_EQ(m_supervisor.welcomeWindow(), welcome);
}

TEST_F(WindowSupervisorTest, TheNewSermonFormCreatesTheDocumentAndShowsTheSameInputsNextTime)
{
    m_supervisor.finishLaunching();
    NewSermonSheet* sheet = createFromForm(QStringLiteral("  Pentecost  "));
    ASSERT_NE(sheet, nullptr);
    ASSERT_EQ(m_manager.documents().size(), 1u);
    EXPECT_EQ(m_manager.documents().front()->document().root()->text(), QStringLiteral("Pentecost"));
    EXPECT_FALSE(isShown(m_supervisor.newSermonWindow()));
    EXPECT_FALSE(isShown(m_supervisor.welcomeWindow()));

    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    m_supervisor.showNewSermon();
    auto* next = m_supervisor.newSermonWindow()->findChild<NewSermonSheet*>();
    ASSERT_EQ(next, sheet);
    EXPECT_EQ(next->form().titleField()->text(), QStringLiteral("  Pentecost  "));
}

// A preacher who saw 35 in the form meets a 35-minute countdown in the pulpit.
TEST_F(WindowSupervisorTest, ANewSermonGetsTheDurationItsUntouchedRowShowedInItsFileAndItsCountdown)
{
    m_supervisor.finishLaunching();
    ASSERT_NE(createFromForm(QStringLiteral("Advent Hope")), nullptr);
    ASSERT_EQ(m_manager.documents().size(), 1u);
    OpenDocument* created = m_manager.documents().front();
    EXPECT_EQ(created->document().metadata().duration, 35);

    const QString path = m_folder.filePath(QStringLiteral("advent.md"));
    static_cast<test::ScriptedDialogs&>(m_manager.dialogs()).savePaths.push_back(path);
    ASSERT_TRUE(m_manager.save(*created));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().startsWith("---\nduration: 35\n---\n"));

    Preferences preferences(
        std::make_unique<QSettings>(m_folder.filePath(QStringLiteral("preferences.ini")), QSettings::IniFormat));
    // In a window, as a document window holds it.
    QWidget window;
    auto* delivery = new DeliveryView(created->document(), preferences, nullptr, nullptr, nullptr, &window);
    delivery->resize(1000, 700);
    window.show();
    EXPECT_EQ(delivery->timer().plannedTargetSeconds(), 35 * 60);
    EXPECT_EQ(delivery->timer().remainingSeconds(), 35 * 60);
}

TEST_F(WindowSupervisorTest, WelcomeButtonsAndShortcutReachTheSupervisor)
{
    m_supervisor.finishLaunching();
    settle();
    WelcomeView* view = m_supervisor.welcomeView();
    ASSERT_NE(view, nullptr);
    // The button's shortcut clicks it, visibly, a moment later.
    QTest::keyClick(m_supervisor.welcomeWindow(), Qt::Key_N, Qt::ControlModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return isShown(m_supervisor.newSermonWindow()); }, 2000));
    settle();
    EXPECT_FALSE(isShown(m_supervisor.welcomeWindow()));
}

} // namespace

TEST_F(WindowSupervisorTest, OnASmallScreenEachWindowStandsWholeOnIt)
{
    // 2.5x scaling on a 1600 by 1000 screen, a panel less.
    const QRect area(0, 24, 640, 376);
    WindowPlacement::setAvailableAreaOverride(area);
    m_supervisor.finishLaunching();
    m_supervisor.showAbout();
    m_supervisor.showNewSermon();
    m_supervisor.showWelcome();
    settle();
    for (QWidget* window :
        { m_supervisor.welcomeWindow(), m_supervisor.aboutWindow(), m_supervisor.newSermonWindow() }) {
        const QRect frame(window->pos(), window->size().grownBy(WindowPlacement::frameMargins(*window)));
        EXPECT_TRUE(area.contains(frame))
            << window->objectName().toStdString() << " at " << frame.y() << " to " << frame.bottom();
    }
    EXPECT_LE(m_supervisor.welcomeWindow()->minimumHeight(), m_supervisor.welcomeWindow()->height());
    WindowPlacement::setAvailableAreaOverride(std::nullopt);
}

// 2x scaling on a 1280 by 800 screen, under a window manager's title bar and borders.
TEST_F(WindowSupervisorTest, OnASmallScreenTheNewSermonWindowStandsWholeOnItWithRoomForItsForm)
{
    const QRect area(0, 0, 640, 400);
    const QMargins frame(2, 28, 2, 6);
    WindowPlacement::setAvailableAreaOverride(area);
    WindowPlacement::setFrameMarginsOverride(frame);
    m_supervisor.finishLaunching();
    m_supervisor.showNewSermon();
    QWidget* window = m_supervisor.newSermonWindow();
    // Occurrences enough to scroll, one of them being edited.
    auto* occurrences = window->findChild<OccurrencesEditor*>();
    ASSERT_NE(occurrences, nullptr);
    for (int i = 0; i < 4; ++i)
        occurrences->addOccasion();
    settle();
    const QRect framed(window->pos(), window->size().grownBy(frame));
    EXPECT_TRUE(area.contains(framed)) << framed.y() << " to " << framed.bottom();
    // Nothing in the form is squeezed below the least room it needs, and the fields not at all:
    // the occurrences scroll instead, and where even that leaves too little room, the form.
    const NewSermonSheet* sheet = window->findChild<NewSermonSheet*>();
    const SermonDetailsForm& form = sheet->form();
    EXPECT_GE(form.height(), form.minimumSizeHint().height());
    EXPECT_EQ(form.fieldsCard()->height(), form.fieldsCard()->sizeHint().height());
    // All of it can be brought into view, none of it beside the scroll bar.
    const QScrollArea* scrollArea = sheet->scrollArea();
    EXPECT_LE(form.width(), scrollArea->viewport()->width());
    scrollArea->verticalScrollBar()->setValue(scrollArea->verticalScrollBar()->maximum());
    const QWidget* foot = form.occurrences();
    EXPECT_LE(foot->mapTo(scrollArea->viewport(), QPoint(0, foot->height())).y(), scrollArea->viewport()->height());
    WindowPlacement::setAvailableAreaOverride(std::nullopt);
    WindowPlacement::setFrameMarginsOverride(std::nullopt);
}

namespace {

// The recent list as the welcome window shows it, whatever happened while it was hidden.
class WelcomeRecentsTest : public WindowSupervisorTest {
protected:
    test::ScriptedDialogs& dialogs() { return static_cast<test::ScriptedDialogs&>(m_manager.dialogs()); }

    QString writeSermon(const QString& name, const QByteArray& text)
    {
        const QString path = m_folder.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
        return path;
    }

    void openAndClose(const QString& path)
    {
        OpenDocument* document = m_manager.open(path);
        ASSERT_NE(document, nullptr);
        settle();
        m_manager.close(*document);
    }

    // A new sermon from the welcome window, saved under the name and closed, through Save or
    // through Close's question.
    void createSaveAndClose(const QString& title, const QString& name, bool savedByClose)
    {
        ASSERT_NE(createFromForm(title), nullptr);
        ASSERT_EQ(m_manager.documents().size(), 1u);
        OpenDocument* document = m_manager.documents().front();
        dialogs().savePaths.push_back(m_folder.filePath(name));
        if (savedByClose) {
            dialogs().saveChoices.push_front(DocumentDialogs::SaveChoice::Save);
        } else {
            ASSERT_TRUE(m_manager.save(*document));
        }
        m_manager.close(*document);
    }

    // The file names of the rows a user can see whole, each scrolled to in turn, once the list
    // is read; the newest must be in sight without scrolling.
    std::string rowsInSight()
    {
        settle();
        WelcomeView* view = m_supervisor.welcomeView();
        if (!view || !isShown(m_supervisor.welcomeWindow()))
            return "(no welcome window)";
        EXPECT_TRUE(QTest::qWaitFor([&] { return !view->recents().isRefreshing(); }, 5000));
        settle();
        auto* scroll = view->findChild<QScrollArea*>();
        const auto inSight = [&](const QAbstractButton* row) {
            const QRect shown(row->mapTo(scroll->viewport(), QPoint()), row->size());
            return row->isVisible() && scroll->isVisible() && scroll->viewport()->rect().contains(shown)
                && shown.height() >= row->sizeHint().height() && shown.width() > 0;
        };
        // Given all the height it asks for, the list shows every row without scrolling.
        if (scroll->height() == scroll->maximumHeight() && scroll->verticalScrollBar()->maximum() > 0)
            return "(scrolls though it has room)";
        const QList<QAbstractButton*> rows = view->recentRows();
        scroll->verticalScrollBar()->setValue(0);
        if (!rows.isEmpty() && !inSight(rows.front()))
            return "(the newest row out of sight)";
        QStringList names;
        for (QAbstractButton* row : rows) {
            scroll->ensureWidgetVisible(row, 0, 0);
            if (inSight(row))
                names.append(QFileInfo(row->toolTip()).fileName());
        }
        scroll->verticalScrollBar()->setValue(0);
        return names.join(u", ").toStdString();
    }
};

TEST_F(WelcomeRecentsTest, TheWelcomeWindowShowsEveryRecentSermonWhateverHappenedWhileItWasHidden)
{
    const QString alpha = writeSermon(QStringLiteral("alpha.md"), "# Alpha\n");
    const QString beta = writeSermon(QStringLiteral("beta.md"), "# Beta\n");
    m_supervisor.finishLaunching();
    struct Step {
        const char* event;
        std::function<void()> act;
        std::string inSight;
        QString newestTitle;
    };
    // Another window opened and closed: the welcome window comes back and reads the list again.
    const auto comeBack = [&] { openAndClose(alpha); };
    const std::vector<Step> steps {
        { "two sermons opened and closed",
            [&] {
                openAndClose(alpha);
                openAndClose(beta);
            },
            "beta.md, alpha.md", QStringLiteral("Beta") },
        { "a new sermon saved, then closed", [&] { createSaveAndClose(QStringLiteral("Gamma"), "gamma.md", false); },
            "gamma.md, beta.md, alpha.md", QStringLiteral("Gamma") },
        { "a new sermon saved through Close's question",
            [&] { createSaveAndClose(QStringLiteral("Delta"), "delta.md", true); },
            "delta.md, gamma.md, beta.md, alpha.md", QStringLiteral("Delta") },
        { "Save As to a new name",
            [&] {
                OpenDocument* document = m_manager.open(beta);
                dialogs().savePaths.push_back(m_folder.filePath(QStringLiteral("beta-2.md")));
                ASSERT_TRUE(m_manager.saveAs(*document));
                m_manager.close(*document);
            },
            "beta-2.md, beta.md, delta.md, gamma.md, alpha.md", QStringLiteral("Beta") },
        { "a file named at start or by a second launch",
            [&] {
                m_manager.openAll({ writeSermon(QStringLiteral("epsilon.md"), "# Epsilon\n") });
                settle();
                m_manager.closeAll();
            },
            "epsilon.md, beta-2.md, beta.md, delta.md, gamma.md, alpha.md", QStringLiteral("Epsilon") },
        { "a listed file renamed, another deleted, a third made unreadable",
            [&] {
                QFile::rename(beta, m_folder.filePath(QStringLiteral("beta-renamed.md")));
                QFile::remove(m_folder.filePath(QStringLiteral("gamma.md")));
                // Written a minute later, so that it is read again.
                QFile delta(writeSermon(QStringLiteral("delta.md"), "# Delta \xff\xfe\n"));
                ASSERT_TRUE(delta.open(QIODevice::ReadWrite));
                delta.setFileTime(QDateTime::currentDateTime().addSecs(60), QFileDevice::FileModificationTime);
                comeBack();
            },
            "alpha.md, epsilon.md, beta-2.md", QStringLiteral("Alpha") },
        { "more sermons than the window has room for",
            [&] {
                QStringList paths;
                for (int i = 0; i < 10; ++i)
                    paths.append(writeSermon(QStringLiteral("s%1.md").arg(i), "# Sermon\n"));
                m_manager.openAll(paths);
                settle();
                m_manager.closeAll();
            },
            "s9.md, s8.md, s7.md, s6.md, s5.md, s4.md, s3.md, s2.md, s1.md, s0.md", QStringLiteral("Sermon") },
        { "a listed file moved away, then its row clicked",
            [&] {
                QFile::rename(m_folder.filePath(QStringLiteral("s0.md")), m_folder.filePath(QStringLiteral("s0.txt")));
                for (QAbstractButton* row : m_supervisor.welcomeView()->recentRows()) {
                    if (row->toolTip().endsWith(QStringLiteral("/s0.md")))
                        row->click();
                }
                settle();
                EXPECT_EQ(dialogs().errors.size(), 1);
            },
            "s9.md, s8.md, s7.md, s6.md, s5.md, s4.md, s3.md, s2.md, s1.md", QStringLiteral("Sermon") },
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.event);
        step.act();
        if (HasFatalFailure())
            return;
        EXPECT_EQ(rowsInSight(), step.inSight);
        const QList<QAbstractButton*> rows = m_supervisor.welcomeView()->recentRows();
        ASSERT_FALSE(rows.isEmpty());
        EXPECT_EQ(rows.front()->text(), step.newestTitle);
    }
}

} // namespace
