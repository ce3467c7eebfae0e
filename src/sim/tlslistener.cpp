#include "sim/tlslistener.h"

#include <QSslSocket>

#include <memory>

namespace sim {

TlsListener::TlsListener(QObject* parent)
    : QTcpServer(parent), m_configuration(QSslConfiguration::defaultConfiguration())
{
    m_configuration.setProtocol(QSsl::TlsV1_2OrLater);
    m_configuration.setPeerVerifyMode(QSslSocket::VerifyNone);
    // Clients never resume a session, so handing them tickets is wasted work.
    m_configuration.setSslOption(QSsl::SslOptionDisableSessionTickets, true);
}

void TlsListener::setIdentity(const ServerIdentity& identity)
{
    m_configuration.setLocalCertificate(identity.certificate());
    m_configuration.setPrivateKey(identity.key());
}

void TlsListener::incomingConnection(qintptr descriptor)
{
    auto socket = std::make_unique<QSslSocket>(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        return;
    }
    socket->setSslConfiguration(m_configuration);
    socket->startServerEncryption();
    addPendingConnection(socket.release());
}

} // namespace sim
