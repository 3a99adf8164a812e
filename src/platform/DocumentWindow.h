#pragma once

#include <QByteArray>
#include <QMainWindow>
#include <QPointer>

#include <map>
#include <optional>
#include <vector>

class QAction;
class QMenu;
class QVBoxLayout;

namespace kestrion {

class NoticeBar;
class OpenDocument;
struct NoticeAction;

// The frame of every document window: its menu bar begins with the document machinery's
// File and Edit menus, and closing it goes through saving. The application puts its root
// view in with setContent() and adds its own menus after these two. Notices stand above the
// content.
class DocumentWindow : public QMainWindow {
    Q_OBJECT
public:
    // Bounded by the screen.
    static constexpr QSize defaultSize { 1200, 800 };

    explicit DocumentWindow(OpenDocument& document, QWidget* parent = nullptr);
    ~DocumentWindow() override;

    OpenDocument& document() const { return m_document; }

    // The window's content, below any notices; the window takes ownership.
    void setContent(QWidget* content);
    QWidget* content() const { return m_content; }

    // Shows a notice above the content, replacing the one shown under the same key. It stays
    // until the user closes it, one of its actions runs, or hideNotice() is called.
    void showNotice(const QString& key, const QString& text, std::vector<NoticeAction> actions);
    void hideNotice(const QString& key);
    // The notice shown under that key; null when none is.
    NoticeBar* notice(const QString& key) const;

    QMenu* fileMenu() const { return m_fileMenu; }
    QMenu* editMenu() const { return m_editMenu; }
    QMenu* openRecentMenu() const { return m_openRecentMenu; }
    QAction* openAction() const { return m_openAction; }
    QAction* saveAction() const { return m_saveAction; }
    QAction* saveAsAction() const { return m_saveAsAction; }
    QAction* revertAction() const { return m_revertAction; }
    QAction* closeAction() const { return m_closeAction; }
    QAction* quitAction() const { return m_quitAction; }
    QAction* undoAction() const { return m_undoAction; }
    QAction* redoAction() const { return m_redoAction; }

    // Writes what the user is still typing into the document, so that saving takes it along.
    virtual void commitPendingEdits() { }
    // As commitPendingEdits, for a save the user asked for while typing: the typing goes on,
    // so the keys pressed next still reach the text.
    virtual void storePendingEdits() { commitPendingEdits(); }
    // The file's contents as they would be with what the user is still typing written in;
    // none while nothing is being typed. Autosave keeps them in the recovery folder, so a
    // crash does not take the words, without interrupting the typing.
    virtual std::optional<QByteArray> contentsWithPendingEdits() const { return std::nullopt; }
    // The document's window in front: this one, unless another window of the document covers
    // it (focus mode). Questions and messages about the document are shown over it.
    virtual QWidget* frontWindow() { return this; }
    // A sheet of the window's own on screen over it, whose fields hold what is not in the
    // document yet; null when none is. The window does not close while one is.
    virtual QWidget* openSheet() const { return nullptr; }

Q_SIGNALS:
    // What the user is still typing changed, or the typing ended.
    void pendingEditsChanged();

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void buildMenus();
    void fillOpenRecentMenu();
    void giveKeyboardBackFromMenuBar();

    OpenDocument& m_document;
    QVBoxLayout* m_noticeArea = nullptr;
    QWidget* m_content = nullptr;
    std::map<QString, NoticeBar*> m_notices;
    // What last had the keyboard in this window, the menu bar aside.
    QPointer<QWidget> m_keyboardWidget;
    QMetaObject::Connection m_keyboardWatch;
    QMenu* m_fileMenu = nullptr;
    QMenu* m_editMenu = nullptr;
    QMenu* m_openRecentMenu = nullptr;
    QAction* m_openAction = nullptr;
    QAction* m_saveAction = nullptr;
    QAction* m_saveAsAction = nullptr;
    QAction* m_revertAction = nullptr;
    QAction* m_closeAction = nullptr;
    QAction* m_quitAction = nullptr;
    QAction* m_undoAction = nullptr;
    QAction* m_redoAction = nullptr;
};

} // namespace kestrion
