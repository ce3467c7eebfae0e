#include "sdk/connectionmanager.h"

#include "sdk/kelpsdk.h"
#include "sdk/remoteservergroup.h"
#include "sdk/serversession.h"

#include <map>

namespace kelp {

namespace {

// Sessions are deleted from the event loop: their end is often noticed
// inside one of their own socket notifications.
struct LaterDeleter
{
    void operator()(QObject* object) const { object->deleteLater(); }
};

} // namespace

struct ConnectionManager::Private
{
    enum class State
    {
        Connecting,
        Connected,
        TimedOut,
    };

    // One connect, from connectToServer() to disconnectFromAll(). A connect
    // refused at login leaves nothing behind.
    struct Connection
    {
        State state = State::Connecting;
        std::unique_ptr<ServerSession, LaterDeleter> session;
        std::unique_ptr<RemoteServerGroup> group;
    };

    std::map<uint, Connection> connections;
    int connectTimeout = 10000;
    int requestTimeout = 30000;
};

ConnectionManager::ConnectionManager(QObject* parent) : QObject(parent), d(std::make_unique<Private>())
{
}

ConnectionManager::~ConnectionManager()
{
    // No event loop may follow (the manager can go at process exit), so the
    // sessions are deleted here rather than later.
    for (auto& entry : d->connections) {
        const std::unique_ptr<ServerSession> session(entry.second.session.release());
        if (session) {
            session->disconnect(this);
            session->close();
        }
    }
}

RequestId ConnectionManager::connectToServer(const QString& username, const QString& password, const OrrinUrl& url,
                                             bool flag)
{
    Q_UNUSED(flag)
    const RequestId id = ServerSession::newRequestId();
    Private::Connection& connection = d->connections[id];
    connection.session.reset(new ServerSession(username, password, url, d->connectTimeout, d->requestTimeout));
    ServerSession* session = connection.session.get();

    connect(session, &ServerSession::connectSucceeded, this, [this, id, session] {
        Private::Connection& entry = d->connections.at(id);
        entry.state = Private::State::Connected;
        entry.group = std::make_unique<RemoteServerGroup>(session);
        QMetaObject::invokeMethod(
            this, [this, id] { emit allServersConnected(id); }, Qt::QueuedConnection);
    });
    connect(session, &ServerSession::connectRefused, this, [this, id, username, url](const LoginError& error) {
        // Nothing is kept of a refused connect; the error carries the attempt
        // without its password.
        d->connections.erase(id);
        LoginError answer = error;
        answer.setLoginData(LoginData(username, QString(), url, true, false, false));
        QMetaObject::invokeMethod(
            this, [this, answer] { emit loginError(answer); }, Qt::QueuedConnection);
    });
    connect(session, &ServerSession::connectTimedOut, this, [this, id] {
        Private::Connection& entry = d->connections.at(id);
        entry.state = Private::State::TimedOut;
        entry.session.reset();
        QMetaObject::invokeMethod(
            this, [this, id] { emit userConnectionTimedOut(id, 0); }, Qt::QueuedConnection);
    });

    // Started from the event loop, so no answer can come before the caller
    // has the id.
    QMetaObject::invokeMethod(session, &ServerSession::start, Qt::QueuedConnection);
    return id;
}

ServerGroup* ConnectionManager::serverGroup(uint id) const
{
    const auto entry = d->connections.find(id);
    return entry == d->connections.end() ? nullptr : entry->second.group.get();
}

void ConnectionManager::disconnectFromAll()
{
    std::map<uint, Private::Connection> connections;
    connections.swap(d->connections);
    for (auto& entry : connections) {
        const uint id = entry.first;
        if (ServerSession* session = entry.second.session.get()) {
            session->disconnect(this);
            session->close();
        }
        KelpSDK::log(QStringLiteral("disconnected connection #") + QString::number(id));
        QMetaObject::invokeMethod(
            this, [this, id] { emit allServersDisconnected(id); }, Qt::QueuedConnection);
    }
}

void ConnectionManager::setConnectTimeout(int ms)
{
    d->connectTimeout = ms;
}

int ConnectionManager::connectTimeout() const
{
    return d->connectTimeout;
}

void ConnectionManager::setRequestTimeout(int ms)
{
    d->requestTimeout = ms;
}

int ConnectionManager::requestTimeout() const
{
    return d->requestTimeout;
}

} // namespace kelp
