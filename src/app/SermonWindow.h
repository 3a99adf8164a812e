#pragma once

#include "platform/DocumentWindow.h"

namespace kestrion {

class ContentView;
class Preferences;

// A document window of the application: the document machinery's frame with the root view
// as its content.
class SermonWindow : public DocumentWindow {
    Q_OBJECT
public:
    SermonWindow(OpenDocument& document, Preferences& preferences, QWidget* parent = nullptr);
    ~SermonWindow() override;

    ContentView* contentView() const { return m_contentView; }

    void commitPendingEdits() override;
    std::optional<QByteArray> contentsWithPendingEdits() const override;

    // The key of the notice shown while the file's details cannot be read.
    static QString unreadableFrontMatterNoticeKey() { return QStringLiteral("unreadableFrontMatter"); }

private:
    void updateUnreadableFrontMatterNotice();

    ContentView* m_contentView = nullptr;
};

} // namespace kestrion
