#include "wireclient.h"

#include "sdk/wirechannel.h"

#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>

using kelp::WireMessage;
using kelp::WireType;

WireClient::WireClient(QObject* parent) : QObject(parent)
{
}

WireClient::~WireClient() = default;

bool WireClient::connectTo(const QString& address, quint16 port)
{
    auto* socket = new QTcpSocket(this);
    QSignalSpy connected(socket, &QTcpSocket::connected);
    QSignalSpy failed(socket, &QTcpSocket::errorOccurred);
    socket->connectToHost(address, port);
    for (int round = 0; round < 50 && connected.isEmpty() && failed.isEmpty(); ++round) {
        connected.wait(100);
    }
    if (connected.isEmpty()) {
        delete socket;
        return false;
    }
    m_socket = socket;
    m_channel = new kelp::WireChannel(socket, this);
    connect(m_channel, &kelp::WireChannel::messageReceived, this,
            [this](const WireMessage& message) { m_answers.enqueue(message); });
    connect(m_channel, &kelp::WireChannel::closed, this, [this] { m_closed = true; });
    return true;
}

bool WireClient::logIn(const QString& user, const QString& password)
{
    const auto welcome = call(WireMessage::hello(0, QStringLiteral("wireclient")));
    if (!welcome || welcome->type != WireType::Welcome) {
        return false;
    }
    const auto answer = call(WireMessage::login(0, user, password));
    return answer && answer->type == WireType::LoginOk;
}

std::optional<WireMessage> WireClient::call(WireMessage request, int timeoutMs)
{
    if (!send(request)) {
        return std::nullopt;
    }
    return nextAnswer(timeoutMs);
}

bool WireClient::send(WireMessage request)
{
    if (m_channel == nullptr) {
        return false;
    }
    request.requestId = m_nextId++;
    return m_channel->send(request);
}

std::optional<WireMessage> WireClient::nextAnswer(int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (m_answers.isEmpty() && !m_closed && clock.elapsed() < timeoutMs) {
        QTest::qWait(5);
    }
    if (m_answers.isEmpty()) {
        return std::nullopt;
    }
    return m_answers.dequeue();
}

std::optional<WireMessage> WireClient::lock(bool force)
{
    return call(WireMessage::lock(0, force));
}

std::optional<WireMessage> WireClient::save(const QString& text, bool replace, bool force)
{
    return call(WireMessage::save(0, force, replace, text.toUtf8()));
}

std::optional<WireMessage> WireClient::unlock(bool force)
{
    return call(WireMessage::unlock(0, force));
}

std::optional<QString> WireClient::configuration()
{
    const auto answer = call(WireMessage::getConfig(0));
    if (!answer || answer->type != WireType::Config) {
        return std::nullopt;
    }
    return QString::fromUtf8(answer->configuration);
}

bool WireClient::waitClosed(int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!m_closed && m_channel != nullptr && clock.elapsed() < timeoutMs) {
        QTest::qWait(5);
    }
    return m_closed;
}

bool WireClient::isOpen() const
{
    return m_channel != nullptr && !m_closed;
}

void WireClient::abort()
{
    if (m_channel != nullptr) {
        m_channel->abort();
        m_closed = true;
    }
}
