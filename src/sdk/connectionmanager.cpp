#include "sdk/connectionmanager.h"

#include <QTimer>

namespace kelp {

struct ConnectionManager::Private
{
    RequestId nextId = 1;
    int connectTimeout = 10000;
    int requestTimeout = 10000;
};

ConnectionManager::ConnectionManager(QObject* parent) : QObject(parent), d(std::make_unique<Private>())
{
}

ConnectionManager::~ConnectionManager() = default;

RequestId ConnectionManager::connectToServer(const QString& username, const QString& password, const OrrinUrl& url,
                                             bool flag)
{
    Q_UNUSED(username)
    Q_UNUSED(password)
    Q_UNUSED(flag)
    const RequestId id = d->nextId++;
    // No transport yet: every connection fails as a failed TCP connect would.
    const LoginError error(4, url.host(), url.port());
    QTimer::singleShot(0, this, [this, error] { emit loginError(error); });
    return id;
}

ServerGroup* ConnectionManager::serverGroup(uint id) const
{
    Q_UNUSED(id)
    return nullptr;
}

void ConnectionManager::disconnectFromAll()
{
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
