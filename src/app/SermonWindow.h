#pragma once

#include "platform/DocumentWindow.h"

namespace kestrion {

class CheckForUpdatesViewModel;
class ContentView;
class MenuCommands;
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

    void commitPendingEdits() override;
    std::optional<QByteArray> contentsWithPendingEdits() const override;

    // The key of the notice shown while the file's details cannot be read.
    static QString unreadableFrontMatterNoticeKey() { return QStringLiteral("unreadableFrontMatter"); }

private:
    void updateUnreadableFrontMatterNotice();

    ContentView* m_contentView = nullptr;
    MenuCommands* m_menus = nullptr;
};

} // namespace kestrion
