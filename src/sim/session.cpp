#include "sim/session.h"

#include "sdk/wirechannel.h"

#include <QHostAddress>
#include <QTcpSocket>

namespace sim {

namespace {

constexpr int s_lingerMs = 5000;

} // namespace

Session::Session(int id, QTcpSocket* socket, int loginTimeoutMs, int frameTimeoutMs, QObject* parent)
    : QObject(parent), m_id(id), m_channel(new kelp::WireChannel(socket, this))
{
    m_peer = socket->peerAddress().toString() + QLatin1Char(':') + QString::number(socket->peerPort());
    m_clock.start();
    m_channel->setFrameTimeout(frameTimeoutMs);
    connect(m_channel, &kelp::WireChannel::messageReceived, this, [this](const kelp::WireMessage& request) {
        if (!m_ending) {
            emit requestReceived(this, request);
        }
    });
    connect(m_channel, &kelp::WireChannel::closed, this, &Session::handleChannelClosed);

    m_loginTimer.setSingleShot(true);
    connect(&m_loginTimer, &QTimer::timeout, this, [this] { drop(QStringLiteral("no login in time")); });
    m_loginTimer.start(loginTimeoutMs);

    m_outboxTimer.setSingleShot(true);
    connect(&m_outboxTimer, &QTimer::timeout, this, &Session::sendDue);
}

Session::~Session() = default;

void Session::setLoggedIn()
{
    m_loggedIn = true;
    m_loginTimer.stop();
}

void Session::answer(const kelp::WireMessage& message, int delayMs, Then then)
{
    if (m_ending) {
        return;
    }
    qint64 due = m_clock.elapsed() + qMax(0, delayMs);
    if (!m_outbox.isEmpty()) {
        due = qMax(due, m_outbox.last().due);
    }
    m_outbox.enqueue(Pending{due, message, then});
    sendDue();
}

void Session::sendDue()
{
    while (!m_ending && !m_outbox.isEmpty() && m_outbox.head().due <= m_clock.elapsed()) {
        const Pending pending = m_outbox.dequeue();
        m_channel->send(pending.message);
        switch (pending.then) {
        case Then::Stay:
            break;
        case Then::Close:
            close(kelp::WireMessage::typeName(pending.message.type) + QStringLiteral(" sent"));
            return;
        case Then::Restart:
            emit restartRequested(this);
            return;
        }
    }
    if (!m_ending && !m_outbox.isEmpty()) {
        m_outboxTimer.start(static_cast<int>(qMax<qint64>(0, m_outbox.head().due - m_clock.elapsed())));
    }
}

void Session::drop(const QString& reason)
{
    if (m_ending) {
        return;
    }
    m_channel->abort();
    finish(true, reason);
}

void Session::close(const QString& reason)
{
    if (m_ending) {
        return;
    }
    m_channel->close();
    finish(false, reason);
}

void Session::dispose()
{
    QTcpSocket* socket = m_channel->socket();
    if (socket->state() == QAbstractSocket::UnconnectedState) {
        deleteLater();
        return;
    }
    // Deleting the channel would abort the socket and lose an answer that is
    // still on its way, such as the refusal of a login.
    connect(socket, &QAbstractSocket::disconnected, this, &QObject::deleteLater);
    QTimer::singleShot(s_lingerMs, this, &QObject::deleteLater);
}

void Session::handleChannelClosed(const QString& reason)
{
    // The channel reports an ordinary end of the connection as the peer
    // closing it; anything else (an invalid frame, a frame left half sent,
    // a socket failure) means the peer was given up on.
    const bool peerClosed = m_channel->socket()->error() == QAbstractSocket::RemoteHostClosedError;
    finish(!peerClosed, reason);
}

void Session::finish(bool dropped, const QString& reason)
{
    m_ending = true;
    m_loginTimer.stop();
    m_outboxTimer.stop();
    m_outbox.clear();
    emit ended(this, dropped, reason);
}

} // namespace sim
