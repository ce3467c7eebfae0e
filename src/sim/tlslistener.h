#pragma once

#include "sim/serveridentity.h"

#include <QSslConfiguration>
#include <QTcpServer>

namespace sim {

// A listener whose connections are TLS server sockets (QSslSocket) that
// begin their handshake as soon as they are accepted, presenting the
// identity given; TLS 1.2 or later, no client certificate asked for. A peer
// that does not complete the handshake never gets to send a frame: its
// socket reports SslHandshakeFailedError. Pending sockets are the listener's
// children until taken.
class TlsListener : public QTcpServer
{
    Q_OBJECT

public:
    explicit TlsListener(QObject* parent = nullptr);

    void setIdentity(const ServerIdentity& identity);

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    QSslConfiguration m_configuration;
};

} // namespace sim
