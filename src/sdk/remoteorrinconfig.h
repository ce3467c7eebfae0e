#pragma once

#include "sdk/orrinconfig.h"
#include "sdk/wiremessage.h"

#include <QPointer>

#include <map>

namespace kelp {

class ServerSession;

// The configuration of a server reached over a ServerSession: the working
// document read at connect and the lock/save/unlock requests. It may outlive
// its session (callers keep it by shared pointer); requests then fail with
// "Not connected". Every request is answered from the event loop.
class RemoteOrrinConfig final : public OrrinConfig
{
    Q_OBJECT

public:
    RemoteOrrinConfig(ServerSession* session, const QSharedPointer<ConfigSystem>& document);
    ~RemoteOrrinConfig() override;

    RequestId lock(bool force) override;
    RequestId saveToServer(bool force, bool replace) override;
    RequestId unlock(bool force) override;
    bool isLocked() const override { return m_locked; }
    QSharedPointer<ConfigSystem> workingConfigCopy() const override { return m_document; }

private:
    RequestId send(const WireMessage& message);
    void handleAnswer(quint32 requestId, const WireMessage& answer);
    void handleFailure(quint32 requestId, const ConnectionError& error);
    void deliverError(RequestId requestId, const ConnectionError& error);

    QPointer<ServerSession> m_session;
    QSharedPointer<ConfigSystem> m_document;
    std::map<quint32, WireType> m_pending;
    bool m_locked = false;
};

} // namespace kelp
