#include "sdk/serversession.h"

#include "configsystem/configsystem.h"
#include "sdk/configschema.h"
#include "sdk/kelpsdk.h"
#include "sdk/publickeychecker.h"
#include "sdk/wirechannel.h"

#include <QSslConfiguration>
#include <QSslSocket>

#include <exception>

namespace kelp {

namespace {
RequestId s_lastRequestId = 0;
const QString s_software = QStringLiteral("Quorlan SDK");

// Servers present self-signed certificates: no authority vouches for them,
// their pinned keys do. Any other verification error ends the handshake.
bool onlyUnvouched(const QSslError& error)
{
    switch (error.error()) {
    case QSslError::SelfSignedCertificate:
    case QSslError::SelfSignedCertificateInChain:
    case QSslError::UnableToGetLocalIssuerCertificate:
    case QSslError::UnableToGetIssuerCertificate:
    case QSslError::UnableToVerifyFirstCertificate:
    case QSslError::CertificateUntrusted:
        return true;
    default:
        return false;
    }
}

QSslSocket* newTlsSocket(QObject* parent)
{
    auto* socket = new QSslSocket(parent);
    QSslConfiguration configuration = socket->sslConfiguration();
    configuration.setProtocol(QSsl::TlsV1_2OrLater);
    // No authority vouches for a server (see above), so none is looked up;
    // without the key check the certificate is not examined at all.
    configuration.setCaCertificates({});
    configuration.setPeerVerifyMode(PublicKeyChecker::isForceDisabled() ? QSslSocket::VerifyNone
                                                                        : QSslSocket::VerifyPeer);
    // A session with a server is never resumed: each is a connect of its own.
    configuration.setSslOption(QSsl::SslOptionDisableSessionPersistence, true);
    socket->setSslConfiguration(configuration);
    return socket;
}
} // namespace

ServerSession::ServerSession(const QString& user, const QString& password, const OrrinUrl& url, int connectTimeout,
                             int requestTimeout, QObject* parent)
    : QObject(parent), m_url(url), m_user(user), m_password(password), m_connectTimeout(connectTimeout),
      m_requestTimeout(requestTimeout), m_socket(newTlsSocket(this)), m_channel(new WireChannel(m_socket, this))
{
    m_connectTimer.setSingleShot(true);
    m_requestTimer.setSingleShot(true);
    connect(&m_connectTimer, &QTimer::timeout, this, &ServerSession::handleConnectTimeout);
    connect(&m_requestTimer, &QTimer::timeout, this, &ServerSession::handleRequestTimeout);
    connect(m_socket, &QSslSocket::connected, this, [this] { m_tcpConnected = true; });
    connect(m_socket, qOverload<const QList<QSslError>&>(&QSslSocket::sslErrors), this,
            &ServerSession::handleSslErrors);
    connect(m_socket, &QSslSocket::encrypted, this, &ServerSession::handleEncrypted);
    connect(m_channel, &WireChannel::messageReceived, this, &ServerSession::handleMessage);
    connect(m_channel, &WireChannel::closed, this, &ServerSession::handleChannelClosed);
}

ServerSession::~ServerSession() = default;

RequestId ServerSession::newRequestId()
{
    // Zero is never handed out, so it can stand for "no request".
    if (++s_lastRequestId == 0) {
        ++s_lastRequestId;
    }
    return s_lastRequestId;
}

void ServerSession::start()
{
    log(QStringLiteral("connecting as user ") + m_user);
    m_connectTimer.start(m_connectTimeout);
    m_socket->connectToHostEncrypted(m_url.host(), m_url.port());
}

bool ServerSession::request(const WireMessage& message)
{
    if (m_state != State::Open || !m_channel->send(message)) {
        return false;
    }
    log(QStringLiteral("> ") + message.describe());
    m_pending.push_back({message.requestId, message.type, QDeadlineTimer(m_requestTimeout)});
    if (!m_requestTimer.isActive()) {
        armRequestTimer();
    }
    return true;
}

void ServerSession::close()
{
    switch (m_state) {
    case State::Closed:
        return;
    case State::Open:
        log(QStringLiteral("closing"));
        m_channel->send(WireMessage::plain(WireType::Bye, newRequestId()));
        m_channel->close();
        endSession(error(ConnectionLost, QStringLiteral("the connection was closed")));
        return;
    default:
        log(QStringLiteral("connect abandoned"));
        m_state = State::Closed;
        m_connectTimer.stop();
        m_channel->abort();
        return;
    }
}

ConnectionError ServerSession::error(int code, const QString& detail) const
{
    const QString address = m_url.host() + QLatin1Char(':') + QString::number(m_url.port());
    switch (code) {
    case ConnectionLost:
        return ConnectionError(code, QStringLiteral("Connection to ") + address + QStringLiteral(" lost: ") + detail);
    case RequestTimedOut:
        return ConnectionError(code, QStringLiteral("No answer from ") + address + QStringLiteral(" to the ") + detail +
                                         QStringLiteral(" request in time"));
    case NotConnected:
        return ConnectionError(code, QStringLiteral("Not connected to ") + address);
    case InvalidAnswer:
        return ConnectionError(code, QStringLiteral("Invalid answer from ") + address + QStringLiteral(": ") + detail);
    case TooLarge:
        return ConnectionError(code, QStringLiteral("Configuration too large to send to ") + address +
                                         QStringLiteral(": ") + detail);
    default:
        return ConnectionError(code, detail.isEmpty() ? address + QStringLiteral(" refused the request (code ") +
                                                            QString::number(code) + QLatin1Char(')')
                                                      : detail);
    }
}

void ServerSession::handleSslErrors(const QList<QSslError>& errors)
{
    if (PublicKeyChecker::isForceDisabled()) {
        m_socket->ignoreSslErrors();
        return;
    }
    QList<QSslError> unvouched;
    for (const QSslError& error : errors) {
        if (onlyUnvouched(error)) {
            unvouched.append(error);
        } else {
            log(QStringLiteral("certificate refused: ") + error.errorString());
        }
    }
    m_socket->ignoreSslErrors(unvouched);
}

void ServerSession::handleEncrypted()
{
    if (m_state != State::Connecting) {
        return;
    }
    if (!PublicKeyChecker::isForceDisabled()) {
        const QString presented = PublicKeyChecker::fingerprint(m_socket->peerCertificate());
        const QString known = PublicKeyChecker::pin(m_url.host(), m_url.port(), presented);
        if (!known.isEmpty() && known != presented) {
            log(QStringLiteral("key changed: pinned ") + known + QStringLiteral(", presented ") + presented);
            refuse(LoginError::serverKeyChanged(m_url.host(), m_url.port(), known, presented,
                                                PublicKeyChecker::knownKeysPath()));
            return;
        }
    }
    m_state = State::Greeting;
    send(WireMessage::hello(newRequestId(), s_software));
}

void ServerSession::send(const WireMessage& message)
{
    log(QStringLiteral("> ") + message.describe());
    m_channel->send(message);
    m_pending.push_back({message.requestId, message.type, QDeadlineTimer(QDeadlineTimer::Forever)});
}

void ServerSession::handleMessage(const WireMessage& message)
{
    log(QStringLiteral("< ") + message.describe());
    if (m_pending.empty() || m_pending.front().id != message.requestId ||
        !answers(m_pending.front().type, message.type)) {
        const QString detail = WireMessage::typeName(message.type) + QStringLiteral(" #") +
                               QString::number(message.requestId) + QStringLiteral(" was not expected");
        if (m_state == State::Open) {
            m_channel->abort();
            endSession(error(InvalidAnswer, detail));
        } else {
            log(QStringLiteral("invalid answer: ") + detail);
            refuse(6);
        }
        return;
    }
    const Pending request = m_pending.front();
    m_pending.pop_front();

    if (m_state != State::Open) {
        handleConnectAnswer(request.type, message);
        return;
    }
    armRequestTimer();
    emit answered(message.requestId, message);
}

void ServerSession::handleConnectAnswer(WireType request, const WireMessage& answer)
{
    if (answer.type == WireType::Error) {
        refuse(6);
        return;
    }
    switch (request) {
    case WireType::Hello:
        if (answer.version != WireMessage::protocolVersion) {
            refuse(6);
            return;
        }
        m_state = State::LoggingIn;
        send(WireMessage::login(newRequestId(), m_user, m_password));
        // The password is needed for this one message only.
        m_password.clear();
        return;
    case WireType::Login:
        if (answer.type == WireType::LoginRefused) {
            refuse(answer.code, answer.lockoutSeconds);
            return;
        }
        m_serverName = answer.name;
        m_state = State::Reading;
        send(WireMessage::getConfig(newRequestId()));
        return;
    default:
        break;
    }

    QSharedPointer<ConfigSystem> document = createConfigDocument();
    try {
        document->loadText(answer.configuration.constData(), answer.configuration.size());
    } catch (const std::exception& e) {
        log(QStringLiteral("configuration does not fit the schema: ") + QString::fromUtf8(e.what()));
        refuse(6);
        return;
    }
    m_document = document;
    m_state = State::Open;
    m_connectTimer.stop();
    log(QStringLiteral("connected to ") + m_serverName);
    emit connectSucceeded();
}

void ServerSession::handleChannelClosed(const QString& reason)
{
    log(QStringLiteral("connection ended: ") + reason);
    if (m_state == State::Open) {
        endSession(error(ConnectionLost, reason));
        return;
    }
    if (m_state == State::Closed) {
        return;
    }
    if (m_tcpConnected && !m_socket->isEncrypted()) {
        log(QStringLiteral("no encrypted session could be set up"));
    }
    if (m_channel->socketError() == QAbstractSocket::HostNotFoundError) {
        refuse(5);
    } else {
        refuse(m_tcpConnected ? 6 : 4);
    }
}

void ServerSession::handleConnectTimeout()
{
    if (m_state == State::Open || m_state == State::Closed) {
        return;
    }
    log(QStringLiteral("connect timed out"));
    m_state = State::Closed;
    m_channel->abort();
    emit connectTimedOut();
}

void ServerSession::handleRequestTimeout()
{
    if (m_state != State::Open || m_pending.empty()) {
        return;
    }
    // Answers come in order, so the oldest request is the one out of time.
    m_channel->abort();
    endSession(error(RequestTimedOut, WireMessage::typeName(m_pending.front().type)));
}

void ServerSession::refuse(int code, int lockoutSeconds)
{
    refuse(LoginError(code, m_url.host(), m_url.port(), lockoutSeconds));
}

void ServerSession::refuse(const LoginError& error)
{
    log(QStringLiteral("login failed with code ") + QString::number(error.errorId()));
    m_state = State::Closed;
    m_connectTimer.stop();
    m_pending.clear();
    m_channel->abort();
    emit connectRefused(error);
}

void ServerSession::endSession(const ConnectionError& firstError)
{
    m_state = State::Closed;
    m_requestTimer.stop();
    std::deque<Pending> pending;
    pending.swap(m_pending);
    bool first = true;
    for (const Pending& request : pending) {
        const ConnectionError failure =
            first ? firstError : error(ConnectionLost, QStringLiteral("an earlier request failed"));
        first = false;
        log(QStringLiteral("request #") + QString::number(request.id) + QStringLiteral(" failed: ") +
            failure.toString());
        emit requestFailed(request.id, failure);
    }
    emit closed();
}

void ServerSession::armRequestTimer()
{
    if (m_pending.empty()) {
        m_requestTimer.stop();
        return;
    }
    m_requestTimer.start(static_cast<int>(m_pending.front().deadline.remainingTime()));
}

void ServerSession::log(const QString& line) const
{
    KelpSDK::log(m_url.host() + QLatin1Char(':') + QString::number(m_url.port()) + QLatin1Char(' ') + line);
}

bool ServerSession::answers(WireType request, WireType answer)
{
    if (answer == WireType::Error) {
        return true;
    }
    switch (request) {
    case WireType::Hello:
        return answer == WireType::Welcome;
    case WireType::Login:
        return answer == WireType::LoginOk || answer == WireType::LoginRefused;
    case WireType::GetConfig:
        return answer == WireType::Config;
    case WireType::Lock:
        return answer == WireType::Locked;
    case WireType::Save:
        return answer == WireType::Saved;
    case WireType::Unlock:
        return answer == WireType::Unlocked;
    case WireType::Restart:
        return answer == WireType::Restarting;
    case WireType::Bye:
        return answer == WireType::Goodbye;
    default:
        return false;
    }
}

} // namespace kelp
