#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QStringList>

#include <chrono>
#include <memory>
#include <optional>

class QLocalServer;
class QLocalSocket;

namespace kestrion {

// One running editor per user: a later launch hands its files to the first one and ends.
// The hand-over is acknowledged, so a launch only exits once the running instance has the
// paths. A launch that reaches a running instance waits for it however long it is busy; only
// a name nobody answers is taken over.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    enum class Role {
        Primary, // this process listens and opens what later launches send
        HandedOver, // a running instance took the paths; this process should end
        Alone, // this process cannot listen, or the program on the name will not take the paths;
               // open the files here
    };

    explicit SingleInstance(const QString& serverName, QObject* parent = nullptr);
    // Removes the socket only if it is still this instance's own.
    ~SingleInstance() override;

    // The per-user server name of the application, in the runtime folder when there is one.
    static QString defaultServerName();

    // Hands paths (made absolute against the current folder) to a running instance if
    // there is one; otherwise starts listening. Safe against two launches at once. A wait
    // longer than noticeAfter is told on standard error.
    Role start(const QStringList& paths, std::chrono::milliseconds noticeAfter = std::chrono::seconds(3));

    bool isListening() const;
    QString serverName() const { return m_serverName; }

Q_SIGNALS:
    // Paths sent by a later launch, absolute; empty when it was started without files and
    // only asks the running instance to come forward.
    void filesReceived(const QStringList& paths);

private:
    enum class Delivery {
        Taken, // the running instance acknowledged the paths
        Unreached, // the connection never came about; worth trying again
        Refused, // the connection was closed before any answer
    };

    struct SocketIdentity {
        quint64 device = 0;
        quint64 inode = 0;
        bool operator==(const SocketIdentity&) const = default;
    };

    std::unique_ptr<QLocalSocket> connectToRunningInstance() const;
    Delivery deliver(QLocalSocket& socket, const QByteArray& message);
    template <typename Done> void waitFor(QLocalSocket& socket, Done done);
    void noticeLongWait();
    bool listen();
    static std::optional<SocketIdentity> socketIdentity(const QString& path);
    void acceptConnection();
    void readMessage(QLocalSocket* socket);
    void answer(QLocalSocket* socket, const QStringList& paths);

    QString m_serverName;
    QLocalServer* m_server = nullptr;
    // The socket file as it was once listening began.
    std::optional<SocketIdentity> m_ownSocket;
    QElapsedTimer m_waitClock;
    std::chrono::milliseconds m_noticeAfter {};
    bool m_isWaitNoticed = false;
};

} // namespace kestrion
