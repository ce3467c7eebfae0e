#pragma once

#include "sdk/connectionerror.h"
#include "sdk/loginerror.h"
#include "sdk/orrinurl.h"
#include "sdk/requestid.h"
#include "sdk/wiremessage.h"

#include <QDeadlineTimer>
#include <QObject>
#include <QSharedPointer>
#include <QSslError>
#include <QTimer>

#include <deque>

class QSslSocket;

namespace kelp {

class ConfigSystem;
class WireChannel;

// The client end of one session with a server: TCP connect, TLS handshake
// (1.2 or later, never plain), the server's key checked against its pin
// unless PublicKeyChecker is force-disabled, hello, login, reading the
// configuration into a new working document, then requests and
// their answers. The connect ends in exactly one of connectSucceeded,
// connectRefused or connectTimedOut; afterwards every request ends in exactly
// one of answered or requestFailed, and the session in closed(). Its signals
// come from the socket's notifications (the owner re-delivers them to the
// program); the owner deletes a session with deleteLater().
class ServerSession : public QObject
{
    Q_OBJECT

public:
    // Client-side ConnectionError codes; 1 to 9 are the server's own.
    enum ErrorCode
    {
        ConnectionLost = 101,
        RequestTimedOut = 102,
        NotConnected = 103,
        InvalidAnswer = 104,
        TooLarge = 105,
    };

    ServerSession(const QString& user, const QString& password, const OrrinUrl& url, int connectTimeout,
                  int requestTimeout, QObject* parent = nullptr);
    ~ServerSession() override;

    // Ids unique in the process, for connects and requests alike.
    static RequestId newRequestId();

    // Starts the connect; its outcome always comes later, from the event loop.
    void start();
    // Sends a request once connected; false (nothing sent) when the session is
    // not open or the message exceeds its limit.
    bool request(const WireMessage& message);
    // Says goodbye and closes; requests still waiting fail. After a connect
    // still under way, nothing more is reported.
    void close();

    bool isOpen() const { return m_state == State::Open; }
    OrrinUrl url() const { return m_url; }
    QString serverName() const { return m_serverName; }
    // The working document built from the server's configuration at connect.
    QSharedPointer<ConfigSystem> document() const { return m_document; }
    // Readable text for a failure of this session, with its address.
    ConnectionError error(int code, const QString& detail) const;

signals:
    void connectSucceeded();
    void connectRefused(const kelp::LoginError& error);
    void connectTimedOut();
    void answered(quint32 requestId, const kelp::WireMessage& answer);
    void requestFailed(quint32 requestId, const kelp::ConnectionError& error);
    void closed();

private:
    enum class State
    {
        Connecting,
        Greeting,
        LoggingIn,
        Reading,
        Open,
        Closed,
    };

    struct Pending
    {
        quint32 id;
        WireType type;
        QDeadlineTimer deadline;
    };

    void handleSslErrors(const QList<QSslError>& errors);
    void handleEncrypted();
    void handleMessage(const WireMessage& message);
    void handleChannelClosed(const QString& reason);
    void handleConnectTimeout();
    void handleRequestTimeout();
    void handleConnectAnswer(WireType request, const WireMessage& answer);
    void send(const WireMessage& message);
    void refuse(int code, int lockoutSeconds = 0);
    void refuse(const LoginError& error);
    // Ends an open session: the first waiting request fails with firstError,
    // the others as lost, then closed().
    void endSession(const ConnectionError& firstError);
    void armRequestTimer();
    void log(const QString& line) const;

    static bool answers(WireType request, WireType answer);

    OrrinUrl m_url;
    QString m_user;
    QString m_password;
    QString m_serverName;
    int m_connectTimeout;
    int m_requestTimeout;
    State m_state = State::Connecting;
    bool m_tcpConnected = false;
    QSslSocket* m_socket;
    WireChannel* m_channel;
    QTimer m_connectTimer;
    QTimer m_requestTimer;
    std::deque<Pending> m_pending;
    QSharedPointer<ConfigSystem> m_document;
};

} // namespace kelp
