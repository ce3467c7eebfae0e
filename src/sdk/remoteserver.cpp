#include "sdk/remoteserver.h"

#include "sdk/kelpsdk.h"
#include "sdk/remoteorrinconfig.h"
#include "sdk/serversession.h"

namespace kelp {

RemoteServer::RemoteServer(ServerSession* session)
    : m_session(session), m_name(session->serverName()), m_host(session->url().host()),
      m_config(QSharedPointer<RemoteOrrinConfig>::create(session, session->document()))
{
}

RemoteServer::~RemoteServer() = default;

QSharedPointer<OrrinConfig> RemoteServer::config() const
{
    return m_config;
}

RequestId RemoteServer::restart(bool force)
{
    const RequestId id = ServerSession::newRequestId();
    if (!m_session || !m_session->request(WireMessage::restart(id, force))) {
        KelpSDK::log(m_host + QStringLiteral(" restart #") + QString::number(id) +
                     QStringLiteral(" not sent: not connected"));
    }
    return id;
}

} // namespace kelp
