#pragma once

#include "sdk/wiremessage.h"
#include "sdk/wirereader.h"

#include <QAbstractSocket>
#include <QObject>
#include <QTimer>

class QTcpSocket;

namespace kelp {

// One end of a protocol connection over a connected TCP socket (a QSslSocket
// for the encrypted sessions, whose plain text it reads), used by the
// SDK client and by the simulator alike. It owns the socket (as Qt child),
// turns incoming bytes into messages and reports, once, when the peer is gone
// or can no longer be trusted: closed by the peer, socket error, an invalid
// frame, or (with a frame time-out set) a frame begun and not finished in
// time. Its signals come from the socket's notifications; a receiver must not
// delete the channel inside them (deleteLater is fine).
class WireChannel : public QObject
{
    Q_OBJECT

public:
    explicit WireChannel(QTcpSocket* socket, QObject* parent = nullptr);
    ~WireChannel() override;

    // Queues the frame for sending. False when the channel is closed or the
    // message exceeds its type's limit (nothing is sent then).
    bool send(const WireMessage& message);
    // Ends the connection from this side: what was sent still goes out, then
    // the socket closes. No closed() follows.
    void close();
    // Drops the connection at once, unsent data included. No closed() follows.
    void abort();
    bool isOpen() const { return m_open; }

    // A frame whose first byte has arrived must be complete within ms
    // milliseconds; 0 (the default) waits for ever.
    void setFrameTimeout(int ms);

    QTcpSocket* socket() const { return m_socket; }
    // The socket's error that ended the channel; UnknownSocketError when the
    // channel ended for another reason (invalid frame, time-out) or is open.
    QAbstractSocket::SocketError socketError() const { return m_socketError; }

signals:
    void messageReceived(const kelp::WireMessage& message);
    void closed(const QString& reason);

private:
    void readFrames();
    void handleSocketGone();
    void fail(const QString& reason);
    // Ends the channel's own part: no more reading, signals or frame time-out.
    // False when it had already ended.
    bool detach();

    QTcpSocket* m_socket;
    WireReader m_reader;
    QTimer m_frameTimer;
    QAbstractSocket::SocketError m_socketError = QAbstractSocket::UnknownSocketError;
    bool m_open = true;
};

} // namespace kelp
