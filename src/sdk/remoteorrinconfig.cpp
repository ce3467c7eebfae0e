#include "sdk/remoteorrinconfig.h"

#include "configsystem/configsystem.h"
#include "sdk/serversession.h"

namespace kelp {

RemoteOrrinConfig::RemoteOrrinConfig(ServerSession* session, const QSharedPointer<ConfigSystem>& document)
    : m_session(session), m_document(document)
{
    connect(session, &ServerSession::answered, this, &RemoteOrrinConfig::handleAnswer);
    connect(session, &ServerSession::requestFailed, this, &RemoteOrrinConfig::handleFailure);
    // The server gives up a session's lock when the session ends.
    connect(session, &ServerSession::closed, this, [this] { m_locked = false; });
}

RemoteOrrinConfig::~RemoteOrrinConfig() = default;

RequestId RemoteOrrinConfig::lock(bool force)
{
    return send(WireMessage::lock(ServerSession::newRequestId(), force));
}

RequestId RemoteOrrinConfig::saveToServer(bool force, bool replace)
{
    const RequestId id = ServerSession::newRequestId();
    const QByteArray text = m_document->toText().toUtf8();
    if (text.size() > WireMessage::maxConfigurationBytes) {
        const QString detail = QString::number(text.size()) + QStringLiteral(" bytes, at most ") +
                               QString::number(WireMessage::maxConfigurationBytes);
        deliverError(id, m_session ? m_session->error(ServerSession::TooLarge, detail)
                                   : ConnectionError(ServerSession::TooLarge,
                                                     QStringLiteral("Configuration too large to send: ") + detail));
        return id;
    }
    return send(WireMessage::save(id, force, replace, text));
}

RequestId RemoteOrrinConfig::unlock(bool force)
{
    return send(WireMessage::unlock(ServerSession::newRequestId(), force));
}

RequestId RemoteOrrinConfig::send(const WireMessage& message)
{
    if (!m_session || !m_session->request(message)) {
        deliverError(message.requestId, m_session ? m_session->error(ServerSession::NotConnected, QString())
                                                  : ConnectionError(ServerSession::NotConnected,
                                                                    QStringLiteral("Not connected to the server")));
        return message.requestId;
    }
    m_pending.emplace(message.requestId, message.type);
    return message.requestId;
}

void RemoteOrrinConfig::handleAnswer(quint32 requestId, const WireMessage& answer)
{
    const auto request = m_pending.find(requestId);
    if (request == m_pending.end()) {
        return;
    }
    m_pending.erase(request);

    if (answer.type == WireType::Error) {
        deliverError(requestId, m_session->error(answer.code, answer.text));
        return;
    }
    // The state changes now; the signal follows from the event loop, when
    // isLocked() already tells the new state.
    switch (answer.type) {
    case WireType::Locked:
        m_locked = answer.held;
        QMetaObject::invokeMethod(
            this, [this, requestId] { emit locked(requestId); }, Qt::QueuedConnection);
        break;
    case WireType::Saved:
        QMetaObject::invokeMethod(
            this, [this, requestId] { emit savedToServer(requestId); }, Qt::QueuedConnection);
        break;
    case WireType::Unlocked:
        m_locked = false;
        QMetaObject::invokeMethod(
            this, [this, requestId] { emit unlocked(requestId); }, Qt::QueuedConnection);
        break;
    default:
        break;
    }
}

void RemoteOrrinConfig::handleFailure(quint32 requestId, const ConnectionError& error)
{
    if (m_pending.erase(requestId) > 0) {
        deliverError(requestId, error);
    }
}

void RemoteOrrinConfig::deliverError(RequestId requestId, const ConnectionError& error)
{
    QMetaObject::invokeMethod(
        this, [this, requestId, error] { emit configError(requestId, error); }, Qt::QueuedConnection);
}

} // namespace kelp
