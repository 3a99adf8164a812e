#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QLocalServer;
class QLocalSocket;

namespace kestrion {

// One running editor per user: a later launch hands its files to the first one and ends.
// The hand-over is acknowledged, so a launch only exits once the running instance has the
// paths; if it does not answer, the launch opens them itself.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    enum class Role {
        Primary, // this process listens and opens what later launches send
        HandedOver, // a running instance took the paths; this process should end
        Alone, // no running instance answered and listening failed; open the files here
    };

    explicit SingleInstance(const QString& serverName, QObject* parent = nullptr);
    ~SingleInstance() override;

    // The per-user server name of the application, in the runtime folder when there is one.
    static QString defaultServerName();

    // Hands paths (made absolute against the current folder) to a running instance if
    // there is one; otherwise starts listening. Safe against two launches at once.
    Role start(const QStringList& paths, int timeoutMs = 2000);

    bool isListening() const;
    QString serverName() const { return m_serverName; }

Q_SIGNALS:
    // Paths sent by a later launch, absolute; empty when it was started without files and
    // only asks the running instance to come forward.
    void filesReceived(const QStringList& paths);

private:
    bool sendToRunningInstance(const QStringList& paths, int timeoutMs);
    bool listen();
    void acceptConnection();
    void readMessage(QLocalSocket* socket);

    QString m_serverName;
    QLocalServer* m_server = nullptr;
};

} // namespace kestrion
