#include "sdk/wirechannel.h"

#include <QPointer>
#include <QTcpSocket>

namespace kelp {

WireChannel::WireChannel(QTcpSocket* socket, QObject* parent) : QObject(parent), m_socket(socket)
{
    m_socket->setParent(this);
    m_frameTimer.setSingleShot(true);
    connect(&m_frameTimer, &QTimer::timeout, this,
            [this] { fail(QStringLiteral("incomplete message, peer went silent")); });
    connect(m_socket, &QTcpSocket::readyRead, this, &WireChannel::readFrames);
    connect(m_socket, &QTcpSocket::disconnected, this, &WireChannel::handleSocketGone);
    connect(m_socket, &QTcpSocket::errorOccurred, this, &WireChannel::handleSocketGone);
    // Bytes that arrived before the channel was made are read once the
    // owner has had the chance to connect to the signals.
    QMetaObject::invokeMethod(this, &WireChannel::readFrames, Qt::QueuedConnection);
}

WireChannel::~WireChannel()
{
    // The socket must not report its own teardown to a half-destroyed channel.
    m_socket->disconnect(this);
    m_socket->abort();
}

bool WireChannel::send(const WireMessage& message)
{
    if (!m_open) {
        return false;
    }
    const QByteArray frame = message.encode();
    if (frame.isEmpty()) {
        return false;
    }
    return m_socket->write(frame) == frame.size();
}

void WireChannel::close()
{
    if (!detach()) {
        return;
    }
    // Hands what is queued to the system now: the owner may delete the
    // channel before the event loop would have written it.
    m_socket->flush();
    m_socket->disconnectFromHost();
}

void WireChannel::abort()
{
    if (detach()) {
        m_socket->abort();
    }
}

void WireChannel::setFrameTimeout(int ms)
{
    m_frameTimer.setInterval(ms);
    if (ms <= 0) {
        m_frameTimer.stop();
    }
}

void WireChannel::readFrames()
{
    // A receiver may close the channel or schedule its deletion while a
    // message is being delivered; stop reading as soon as that happens.
    const QPointer<WireChannel> guard(this);
    WireMessage message;
    bool delivered = false;
    while (guard && m_open) {
        const WireReader::Result result = m_reader.read(*m_socket, message);
        if (result == WireReader::Result::Invalid) {
            fail(m_reader.errorText());
            return;
        }
        if (result == WireReader::Result::Incomplete) {
            break;
        }
        delivered = true;
        emit messageReceived(message);
    }
    if (!guard || !m_open) {
        return;
    }
    if (m_socket->bytesAvailable() == 0) {
        m_frameTimer.stop();
    } else if (m_frameTimer.interval() > 0 && (delivered || !m_frameTimer.isActive())) {
        // The time-out runs from the first byte of the frame now pending.
        m_frameTimer.start();
    }
}

void WireChannel::handleSocketGone()
{
    if (!m_open) {
        return;
    }
    // Frames that arrived just before the peer closed still count.
    const QPointer<WireChannel> guard(this);
    readFrames();
    if (!guard || !m_open) {
        return;
    }
    m_socketError = m_socket->error();
    switch (m_socketError) {
    case QAbstractSocket::RemoteHostClosedError:
    case QAbstractSocket::UnknownSocketError:
        fail(QStringLiteral("connection closed by the peer"));
        return;
    case QAbstractSocket::SslHandshakeFailedError:
        fail(QStringLiteral("TLS handshake failed: ") + m_socket->errorString());
        return;
    default:
        fail(m_socket->errorString());
        return;
    }
}

void WireChannel::fail(const QString& reason)
{
    if (!detach()) {
        return;
    }
    m_socket->abort();
    emit closed(reason);
}

bool WireChannel::detach()
{
    if (!m_open) {
        return false;
    }
    m_open = false;
    m_frameTimer.stop();
    m_socket->disconnect(this);
    return true;
}

} // namespace kelp
