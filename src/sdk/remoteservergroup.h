#pragma once

#include "sdk/remoteserver.h"
#include "sdk/servergroup.h"

#include <memory>

namespace kelp {

// The group of one connect: always exactly the one server connected.
// Owned by the ConnectionManager until disconnectFromAll().
class RemoteServerGroup final : public ServerGroup
{
public:
    explicit RemoteServerGroup(ServerSession* session);

    QVector<Server*> servers() const override;

private:
    std::unique_ptr<RemoteServer> m_server;
};

} // namespace kelp
