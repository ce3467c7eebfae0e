#pragma once

#include "sdk/loginerror.h"
#include "sdk/orrinurl.h"
#include "sdk/requestid.h"

#include <QObject>
#include <QString>

#include <memory>

namespace kelp {

class ServerGroup;

// Opens sessions to servers. Each connectToServer() is answered, from the
// event loop, by exactly one of allServersConnected, loginError or
// userConnectionTimedOut. disconnectFromAll() closes every session and is
// answered by allServersDisconnected after a connection or a time-out, and by
// nothing after a login error.
class ConnectionManager : public QObject
{
    Q_OBJECT

public:
    explicit ConnectionManager(QObject* parent = nullptr);
    ~ConnectionManager() override;

    RequestId connectToServer(const QString& username, const QString& password, const OrrinUrl& url, bool flag);
    // The group of a reported connection, or null for an id this manager does not know.
    ServerGroup* serverGroup(uint id) const;
    void disconnectFromAll();

    // Tunables, in milliseconds; tests shorten them.
    void setConnectTimeout(int ms);
    int connectTimeout() const;
    void setRequestTimeout(int ms);
    int requestTimeout() const;

signals:
    void allServersConnected(uint sg_id);
    void loginError(const kelp::LoginError& error);
    void userConnectionTimedOut(uint sg_id, uint server_id);
    void allServersDisconnected(uint sg_id);

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace kelp
