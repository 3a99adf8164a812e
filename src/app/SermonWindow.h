#pragma once

#include "platform/DocumentWindow.h"

#include <QList>

class QAction;

namespace kestrion {

class CheckForUpdatesViewModel;
class ContentView;
class MenuCommands;
class MindMapCanvas;
class Preferences;

// A document window of the application: the document machinery's frame with the root view
// as its content and the application's menus.
class SermonWindow : public DocumentWindow {
    Q_OBJECT
public:
    // Without a view model, updates are never checked from this window.
    SermonWindow(OpenDocument& document, Preferences& preferences, CheckForUpdatesViewModel* updates = nullptr,
        QWidget* parent = nullptr);
    ~SermonWindow() override;

    ContentView* contentView() const { return m_contentView; }
    MenuCommands& menus() const { return *m_menus; }

    // Typing in either mind map, this window's own and the focus window's, counts.
    void commitPendingEdits() override;
    void storePendingEdits() override;
    std::optional<QByteArray> contentsWithPendingEdits() const override;
    // The focus window while it covers this one.
    QWidget* frontWindow() override;
    // File Settings, while open.
    QWidget* openSheet() const override;

    // The actions of the menu bar, submenus included; the focus window carries them too.
    QList<QAction*> menuActions() const;

    // The key of the notice shown while the file's details cannot be read.
    static QString unreadableFrontMatterNoticeKey() { return QStringLiteral("unreadableFrontMatter"); }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void updateUnreadableFrontMatterNotice();
    void watchTyping(MindMapCanvas* canvas);
    void focusModeChanged(bool isFocusMode);

    ContentView* m_contentView = nullptr;
    MenuCommands* m_menus = nullptr;
};

} // namespace kestrion
