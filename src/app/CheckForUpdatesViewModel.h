#pragma once

#include "platform/Updater.h"

#include <QObject>
#include <QPointer>

class QWidget;

namespace kestrion {

// What "Check for Updates…" reads: whether the updater can check now (false until the
// updater first says), and the check itself, whose result is shown in a message window.
class CheckForUpdatesViewModel : public QObject {
    Q_OBJECT
public:
    // Without an updater nothing can be checked.
    explicit CheckForUpdatesViewModel(Updater* updater, QObject* parent = nullptr);

    bool canCheckForUpdates() const { return m_canCheckForUpdates; }
    void checkForUpdates();

    // The message window's title and text for a result.
    struct Message {
        QString title;
        QString text;
    };
    static Message messageFor(const UpdateCheckResult& result);

    // Tests look at the message window without a person to close it.
    QWidget* lastMessage() const { return m_lastMessage; }

Q_SIGNALS:
    void canCheckForUpdatesChanged(bool canCheck);

private:
    void setCanCheckForUpdates(bool canCheck);
    void show(const UpdateCheckResult& result);

    QPointer<Updater> m_updater;
    bool m_canCheckForUpdates = false;
    QPointer<QWidget> m_lastMessage;
};

} // namespace kestrion
