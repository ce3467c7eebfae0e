#pragma once

#include "sdk/server.h"

#include <QPointer>

namespace kelp {

class RemoteOrrinConfig;
class ServerSession;

// A server reached over a ServerSession: its name as the server gave it at
// login, the host it was reached at, its configuration object and restart.
// Owned by its RemoteServerGroup; the configuration object is shared.
class RemoteServer final : public Server
{
public:
    explicit RemoteServer(ServerSession* session);
    ~RemoteServer() override;

    QString name() const override { return m_name; }
    QString host() const override { return m_host; }
    QSharedPointer<OrrinConfig> config() const override;
    // Asks the server to restart. The server answers and then ends every
    // session; the outcome is written to the SDK log only.
    RequestId restart(bool force) override;

private:
    QPointer<ServerSession> m_session;
    QString m_name;
    QString m_host;
    QSharedPointer<RemoteOrrinConfig> m_config;
};

} // namespace kelp
