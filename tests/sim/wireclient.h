#pragma once

#include "sdk/wiremessage.h"

#include <QObject>
#include <QQueue>
#include <QString>

#include <optional>

class QTcpSocket;

namespace kelp {
class WireChannel;
}

// A bare protocol client for talking to a simulated server step by step: it
// sends one request at a time and waits (spinning the event loop, so an
// in-process server keeps working) for the answer.
class WireClient : public QObject
{
    Q_OBJECT

public:
    explicit WireClient(QObject* parent = nullptr);
    ~WireClient() override;

    // True once the TCP connection stands.
    bool connectTo(const QString& address, quint16 port = 8601);
    // Hello and Login; true when the login is accepted.
    bool logIn(const QString& user, const QString& password);
    // Sends the request (its id replaced by the next one) and returns the
    // answer; nothing when none comes within timeoutMs or the connection ends.
    std::optional<kelp::WireMessage> call(kelp::WireMessage request, int timeoutMs = 5000);
    // Sends the request without waiting; false when it could not be sent.
    bool send(kelp::WireMessage request);
    // The next answer not yet taken; nothing when none comes within timeoutMs.
    std::optional<kelp::WireMessage> nextAnswer(int timeoutMs = 5000);

    std::optional<kelp::WireMessage> lock(bool force = false);
    std::optional<kelp::WireMessage> save(const QString& text, bool replace, bool force = false);
    std::optional<kelp::WireMessage> unlock(bool force = false);
    std::optional<QString> configuration();

    // Waits until the server ends the connection.
    bool waitClosed(int timeoutMs = 5000);
    bool isOpen() const;
    void abort();

private:
    QTcpSocket* m_socket = nullptr;
    kelp::WireChannel* m_channel = nullptr;
    QQueue<kelp::WireMessage> m_answers;
    quint32 m_nextId = 1;
    bool m_closed = false;
};
