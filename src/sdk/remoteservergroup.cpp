#include "sdk/remoteservergroup.h"

namespace kelp {

RemoteServerGroup::RemoteServerGroup(ServerSession* session) : m_server(std::make_unique<RemoteServer>(session))
{
}

QVector<Server*> RemoteServerGroup::servers() const
{
    return {m_server.get()};
}

} // namespace kelp
