#pragma once

#include "sdk/wiremessage.h"

#include <QElapsedTimer>
#include <QObject>
#include <QQueue>
#include <QTimer>

class QTcpSocket;

namespace kelp {
class WireChannel;
}

namespace sim {

// The transport of one connection to a simulated server: it turns the peer's
// frames into requests, sends the server's answers (each one after the
// server's answer delay, in the order of the requests) and ends the
// connection when told to or when the peer goes away, misbehaves or stays
// silent too long. What to answer is the server's business, not the
// session's. The server owns its sessions (as Qt children).
class Session : public QObject
{
    Q_OBJECT

public:
    // What follows once an answer has been handed to the socket.
    enum class Then
    {
        Stay,
        Close,   // the session ends
        Restart, // restartRequested() is emitted
    };

    Session(int id, QTcpSocket* socket, int loginTimeoutMs, int frameTimeoutMs, QObject* parent);
    ~Session() override;

    int id() const { return m_id; }
    QString peer() const { return m_peer; }
    bool isWelcomed() const { return m_welcomed; }
    void setWelcomed() { m_welcomed = true; }
    bool isLoggedIn() const { return m_loggedIn; }
    // Also stops the login time-out.
    void setLoggedIn();
    bool isEnding() const { return m_ending; }

    // Queues an answer to leave delayMs after now (never before an answer
    // queued earlier).
    void answer(const kelp::WireMessage& message, int delayMs, Then then = Then::Stay);
    // Ends the connection at once, without an answer: ended(true, reason).
    void drop(const QString& reason);
    // Ends the connection after what was already handed to the socket:
    // ended(false, reason). Answers still waiting for their delay are not sent.
    void close(const QString& reason);
    // Deletes the session once the socket has handed over what it still holds
    // (at the latest after a short while); for the owner, after ended().
    void dispose();

signals:
    void requestReceived(sim::Session* session, const kelp::WireMessage& request);
    // Emitted once, whatever ended the session. dropped: the server gave up
    // on the peer (garbage, time-out, injected fault) rather than the
    // connection ending in the ordinary way.
    void ended(sim::Session* session, bool dropped, const QString& reason);
    void restartRequested(sim::Session* session);

private:
    struct Pending
    {
        qint64 due;
        kelp::WireMessage message;
        Then then;
    };

    void handleChannelClosed(const QString& reason);
    void sendDue();
    void finish(bool dropped, const QString& reason);

    int m_id;
    QString m_peer;
    kelp::WireChannel* m_channel;
    QTimer m_loginTimer;
    QTimer m_outboxTimer;
    QElapsedTimer m_clock;
    QQueue<Pending> m_outbox;
    bool m_welcomed = false;
    bool m_loggedIn = false;
    bool m_ending = false;
};

} // namespace sim
