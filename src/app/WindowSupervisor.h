#pragma once

#include "document/SermonMetadata.h"

#include <QObject>
#include <QPointer>
#include <QSize>
#include <QString>

#include <functional>
#include <memory>

class QWidget;

namespace kestrion {

class AboutView;
class DocumentManager;
class WelcomeView;

// Owns the three windows that show no document (welcome, new sermon, About) and decides when
// the welcome window shows: whenever no document window and no new-sermon window is on
// screen (minimised ones do not count), once the launch has finished, and whenever the user
// asks for it; asked for, it stays beside open sermons until it is closed or a sermon is opened
// or begun from it. Closing the welcome window with none on screen quits, through the
// document manager, so nothing unsaved is dropped without a question.
//
// The windows are made on first show and kept: closing one only hides it. Main thread only.
class WindowSupervisor : public QObject {
    Q_OBJECT
public:
    static inline const QString welcomeIdentifier = QStringLiteral("welcome");
    static inline const QString newSermonIdentifier = QStringLiteral("new-sermon");
    static inline const QString aboutIdentifier = QStringLiteral("about");
    static constexpr QSize welcomeSize { 500, 520 };
    static constexpr QSize newSermonSize { 620, 520 };

    using CreateAction = std::function<void(const QString& title, const SermonMetadata& metadata)>;
    using CancelAction = std::function<void()>;

    // The manager must outlive the supervisor.
    explicit WindowSupervisor(DocumentManager& manager, QObject* parent = nullptr);
    ~WindowSupervisor() override;

    // The application's one supervisor; none in the fixture mode and in a test run, where the
    // commands that reach it do nothing.
    static WindowSupervisor* shared();
    static void setShared(WindowSupervisor* supervisor);

    // Quitting; the document manager's quit unless set (tests count instead).
    void setQuit(std::function<void()> quit) { m_quit = std::move(quit); }

    bool isLaunching() const { return m_isLaunching; }
    // Null until first shown.
    QWidget* welcomeWindow() const { return m_welcomeWindow.get(); }
    QWidget* newSermonWindow() const { return m_newSermonWindow.get(); }
    QWidget* aboutWindow() const { return m_aboutWindow.get(); }
    WelcomeView* welcomeView() const { return m_welcomeView; }

    // Each makes its window when there is none, then brings it forward with the keyboard.
    // The new-sermon window starts with an empty form whenever it was not on screen, and
    // hides the welcome window. The welcome window shown here is the one the user asked for.
    void showWelcome();
    void showNewSermon();
    void showAbout();

    // The welcome rule: hides the welcome window while a document or new-sermon window is on
    // screen, else shows it, without taking the keyboard from the window that has it.
    void refreshWelcome();
    // The launch is over: from now on the rules apply.
    void finishLaunching();
    // The close rule, run once the window has gone (null when it no longer exists).
    void windowWillClose(QWidget* window);
    // A later launch without files: the welcome window when nothing else is on screen.
    void handleReopen();

    // The document and new-sermon windows on screen, leaving out one.
    int documentWindowCount(const QWidget* excluding = nullptr) const;

    void openFile();
    void openRecent(const QString& path);
    // The new-sermon window's two actions: create the sermon, then close the window; or just
    // close it.
    void finishNewSermon(const QString& title, const SermonMetadata& metadata);
    void cancelNewSermon();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The close rule for the window, on the next turn, unless it is still on screen then.
    void closeRuleOnceClosed(QWidget* window);
    void makeWelcomeWindow();
    // The welcome window brought forward by the rules, not asked for.
    void presentWelcome();
    void hideWelcomeUnlessAsked();
    // A sermon opened from the welcome window takes its place; when none opens (cancelled,
    // unreadable) the window stays.
    void openFromWelcome(const std::function<bool()>& open);
    std::unique_ptr<QWidget> makeWindow(const QString& identifier, const QString& title, QSize size, bool isResizable);
    void fillNewSermonWindow();
    void present(QWidget* window, bool activates);
    static void keepOnScreen(QWidget* window);
    void quit();

    DocumentManager& m_manager;
    std::function<void()> m_quit;
    std::unique_ptr<QWidget> m_welcomeWindow;
    std::unique_ptr<QWidget> m_newSermonWindow;
    std::unique_ptr<QWidget> m_aboutWindow;
    WelcomeView* m_welcomeView = nullptr;
    QPointer<QWidget> m_newSermonContent;
    bool m_isLaunching = true;
    // The user asked for the welcome window and has not closed or used it since.
    bool m_isWelcomeAsked = false;
};

} // namespace kestrion
