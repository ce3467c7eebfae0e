#include "sim/simulatedserver.h"

#include "sim/session.h"

#include "sdk/wiremessage.h"

#include <QTcpSocket>

namespace sim {

namespace {

using kelp::WireError;
using kelp::WireMessage;
using kelp::WireType;

const char s_software[] = "orrin-sim";
const QString s_notListening = QStringLiteral("nothing listening (fault)");

DropStep stepOf(WireType type)
{
    switch (type) {
    case WireType::Hello:
        return DropStep::Hello;
    case WireType::Login:
        return DropStep::Login;
    case WireType::GetConfig:
        return DropStep::GetConfig;
    case WireType::Lock:
        return DropStep::Lock;
    case WireType::Save:
        return DropStep::Save;
    case WireType::Unlock:
        return DropStep::Unlock;
    case WireType::Restart:
        return DropStep::Restart;
    default:
        return DropStep::None;
    }
}

QString saveDetail(const WireMessage& request)
{
    return QStringLiteral("%1, %2 bytes")
        .arg(request.replace ? QStringLiteral("replace") : QStringLiteral("merge"))
        .arg(request.configuration.size());
}

} // namespace

SimulatedServer::SimulatedServer(const ServerProfile& spec, QObject* parent)
    : QObject(parent), m_spec(spec), m_store(spec.configPath)
{
    connect(&m_listener, &QTcpServer::newConnection, this, &SimulatedServer::handleNewConnections);
    m_restartTimer.setSingleShot(true);
    connect(&m_restartTimer, &QTimer::timeout, this, &SimulatedServer::finishRestart);
}

SimulatedServer::~SimulatedServer()
{
    stop();
}

bool SimulatedServer::start()
{
    if (m_running) {
        return true;
    }
    if (!m_store.load()) {
        m_errorString = m_store.errorString();
        return false;
    }
    if (!takeIdentity()) {
        return false;
    }
    m_running = true;
    if (m_spec.faults.notListening) {
        record(ServerEvent::Kind::Unavailable, 0, true, s_notListening);
    } else if (!listen()) {
        m_running = false;
        return false;
    }
    return true;
}

void SimulatedServer::stop()
{
    if (!m_running) {
        return;
    }
    m_running = false;
    m_restartTimer.stop();
    m_listener.close();
    m_lockOwner = nullptr;
    const QVector<Session*> sessions = m_sessions;
    m_sessions.clear();
    for (Session* session : sessions) {
        session->disconnect(this);
        delete session;
    }
    record(ServerEvent::Kind::Stopped, 0, true, QString());
}

void SimulatedServer::setFaults(const Faults& faults)
{
    const bool listeningChanged = faults.notListening != m_spec.faults.notListening;
    m_spec.faults = faults;
    if (!listeningChanged || !m_running || m_restartTimer.isActive()) {
        return;
    }
    if (faults.notListening) {
        m_listener.close();
        record(ServerEvent::Kind::Unavailable, 0, true, s_notListening);
    } else {
        listen();
    }
}

QVector<ServerEvent> SimulatedServer::events(ServerEvent::Kind kind) const
{
    QVector<ServerEvent> result;
    for (const ServerEvent& event : m_events) {
        if (event.kind == kind) {
            result.append(event);
        }
    }
    return result;
}

bool SimulatedServer::takeIdentity()
{
    if (m_identity.isNull()) {
        if (!m_spec.certificatePath.isEmpty()) {
            m_identity = ServerIdentity::load(m_spec.certificatePath, m_spec.keyPath);
        } else if (!m_spec.keyDirectory.isEmpty()) {
            m_identity = ServerIdentity::loadOrCreate(m_spec.generatedCertificatePath(), m_spec.generatedKeyPath(),
                                                      m_spec.address);
        } else {
            m_identity = ServerIdentity::generate(m_spec.address);
        }
    }
    if (m_identity.isNull()) {
        m_errorString = m_spec.name + QStringLiteral(": ") + m_identity.errorString();
        return false;
    }
    m_listener.setIdentity(m_identity);
    return true;
}

bool SimulatedServer::listen()
{
    if (!m_listener.listen(m_spec.address, m_spec.port)) {
        m_errorString =
            QStringLiteral("%1: cannot listen on %2: %3").arg(m_spec.name, m_spec.endpoint(), m_listener.errorString());
        record(ServerEvent::Kind::Listening, 0, false, m_errorString);
        return false;
    }
    record(ServerEvent::Kind::Listening, 0, true, m_spec.endpoint());
    return true;
}

void SimulatedServer::handleNewConnections()
{
    while (QTcpSocket* socket = m_listener.nextPendingConnection()) {
        auto* session = new Session(m_nextSessionId++, socket, m_spec.loginTimeoutMs, m_spec.frameTimeoutMs, this);
        m_sessions.append(session);
        connect(session, &Session::requestReceived, this, &SimulatedServer::handleRequest);
        connect(session, &Session::ended, this, &SimulatedServer::handleSessionEnded);
        connect(session, &Session::restartRequested, this, &SimulatedServer::restart);
        record(ServerEvent::Kind::Connected, session->id(), true, QStringLiteral("from ") + session->peer());
        if (m_spec.faults.dropAt == DropStep::Connect) {
            session->drop(QStringLiteral("at connect (fault)"));
        }
    }
}

void SimulatedServer::handleRequest(Session* session, const WireMessage& request)
{
    const Faults& faults = m_spec.faults;
    if (faults.neverAnswer) {
        return;
    }
    if (faults.dropAt != DropStep::None && stepOf(request.type) == faults.dropAt) {
        session->drop(QStringLiteral("at %1 (fault)").arg(Faults::stepName(faults.dropAt)));
        return;
    }
    if (!WireMessage::isRequest(request.type)) {
        answerError(session, request, WireError::ProtocolViolation,
                    QStringLiteral("unexpected message: ") + WireMessage::typeName(request.type), true);
        return;
    }
    const int delay = faults.answerDelayMs;
    switch (request.type) {
    case WireType::Hello:
        if (session->isWelcomed()) {
            answerError(session, request, WireError::ProtocolViolation, QStringLiteral("greeted twice"), true);
        } else if (request.version < WireMessage::protocolVersion) {
            answerError(session, request, WireError::UnsupportedVersion,
                        QStringLiteral("protocol version %1 is not spoken here").arg(request.version), true);
        } else {
            session->setWelcomed();
            session->answer(WireMessage::welcome(request.requestId, QString::fromLatin1(s_software)), delay);
        }
        return;
    case WireType::Bye:
        if (!session->isWelcomed()) {
            answerError(session, request, WireError::NotLoggedIn, QStringLiteral("no greeting before the goodbye"));
        } else {
            session->answer(WireMessage::plain(WireType::Goodbye, request.requestId), delay, Session::Then::Close);
        }
        return;
    case WireType::Login:
        answerLogin(session, request);
        return;
    default:
        break;
    }
    if (!session->isLoggedIn()) {
        answerError(session, request, WireError::NotLoggedIn, QStringLiteral("not logged in"));
        return;
    }
    switch (request.type) {
    case WireType::GetConfig: {
        const QByteArray text = m_store.text();
        record(ServerEvent::Kind::GetConfig, session->id(), true, QStringLiteral("%1 bytes").arg(text.size()));
        session->answer(WireMessage::config(request.requestId, text), delay);
        break;
    }
    case WireType::Lock:
        answerLock(session, request);
        break;
    case WireType::Save:
        answerSave(session, request);
        break;
    case WireType::Unlock:
        answerUnlock(session, request);
        break;
    case WireType::Restart:
        record(ServerEvent::Kind::Restart, session->id(), true, QString());
        session->answer(WireMessage::plain(WireType::Restarting, request.requestId), delay, Session::Then::Restart);
        break;
    default:
        break;
    }
}

void SimulatedServer::answerLogin(Session* session, const WireMessage& request)
{
    if (!session->isWelcomed()) {
        answerError(session, request, WireError::NotLoggedIn, QStringLiteral("no greeting before the login"));
        return;
    }
    if (session->isLoggedIn()) {
        answerError(session, request, WireError::ProtocolViolation, QStringLiteral("logged in twice"), true);
        return;
    }
    const Faults& faults = m_spec.faults;
    if (faults.loginErrorCode != 0) {
        refuseLogin(session, request, faults.loginErrorCode, faults.loginLockoutSeconds);
        return;
    }
    if (!m_lockedOutUntil.hasExpired()) {
        const qint64 remainingMs = m_lockedOutUntil.remainingTime();
        refuseLogin(session, request, 12, static_cast<int>((remainingMs + 999) / 1000));
        return;
    }
    if (request.name == m_spec.user && request.password == m_spec.password) {
        m_failedLogins = 0;
        session->setLoggedIn();
        record(ServerEvent::Kind::Login, session->id(), true, QStringLiteral("user ") + request.name);
        session->answer(WireMessage::loginOk(request.requestId, m_spec.name), faults.answerDelayMs);
        return;
    }
    ++m_failedLogins;
    if (m_spec.lockoutFailures > 0 && m_failedLogins >= m_spec.lockoutFailures) {
        m_failedLogins = 0;
        m_lockedOutUntil.setRemainingTime(qint64(m_spec.lockoutSeconds) * 1000);
        refuseLogin(session, request, 12, m_spec.lockoutSeconds);
        return;
    }
    refuseLogin(session, request, 2, 0);
}

void SimulatedServer::refuseLogin(Session* session, const WireMessage& request, int code, int lockoutSeconds)
{
    QString detail = QStringLiteral("user %1, code %2").arg(request.name).arg(code);
    if (code == 12) {
        detail += QStringLiteral(", locked out for %1 s").arg(lockoutSeconds);
    }
    record(ServerEvent::Kind::Login, session->id(), false, detail);
    session->answer(WireMessage::loginRefused(request.requestId, code, lockoutSeconds), m_spec.faults.answerDelayMs,
                    Session::Then::Close);
}

void SimulatedServer::answerLock(Session* session, const WireMessage& request)
{
    const Faults& faults = m_spec.faults;
    if (!faults.lockError.isEmpty()) {
        record(ServerEvent::Kind::Lock, session->id(), false, faults.lockError);
        answerError(session, request, WireError::Refused, faults.lockError);
    } else if (faults.lockHeldElsewhere || (m_lockOwner != nullptr && m_lockOwner != session)) {
        const QString text = QStringLiteral("the configuration is locked by another session");
        record(ServerEvent::Kind::Lock, session->id(), false, text);
        answerError(session, request, WireError::LockHeld, text);
    } else if (faults.lockedWithoutLock) {
        record(ServerEvent::Kind::Lock, session->id(), true,
               QStringLiteral("answered without taking the lock (fault)"));
        session->answer(WireMessage::locked(request.requestId, false), faults.answerDelayMs);
    } else {
        m_lockOwner = session;
        record(ServerEvent::Kind::Lock, session->id(), true, QString());
        session->answer(WireMessage::locked(request.requestId, true), faults.answerDelayMs);
    }
}

void SimulatedServer::answerSave(Session* session, const WireMessage& request)
{
    const Faults& faults = m_spec.faults;
    if (!faults.saveError.isEmpty()) {
        record(ServerEvent::Kind::Save, session->id(), false,
               saveDetail(request) + QStringLiteral(": ") + faults.saveError);
        answerError(session, request, WireError::Refused, faults.saveError);
    } else if (!request.force && m_lockOwner != session) {
        const QString text = QStringLiteral("this session does not hold the configuration lock");
        record(ServerEvent::Kind::Save, session->id(), false, saveDetail(request) + QStringLiteral(": ") + text);
        answerError(session, request, WireError::NotLocked, text);
    } else if (!m_store.save(request.configuration, request.replace)) {
        record(ServerEvent::Kind::Save, session->id(), false,
               saveDetail(request) + QStringLiteral(": ") + m_store.errorString());
        answerError(session, request, m_store.error(), m_store.errorString());
    } else {
        record(ServerEvent::Kind::Save, session->id(), true, saveDetail(request));
        session->answer(WireMessage::plain(WireType::Saved, request.requestId), faults.answerDelayMs);
    }
}

void SimulatedServer::answerUnlock(Session* session, const WireMessage& request)
{
    const Faults& faults = m_spec.faults;
    if (!faults.unlockError.isEmpty()) {
        record(ServerEvent::Kind::Unlock, session->id(), false, faults.unlockError);
        answerError(session, request, WireError::Refused, faults.unlockError);
        return;
    }
    if (m_lockOwner == session) {
        m_lockOwner = nullptr;
        record(ServerEvent::Kind::Unlock, session->id(), true, QString());
    } else if (request.force) {
        record(ServerEvent::Kind::Unlock, session->id(), true, QStringLiteral("lock not held, forced"));
    } else {
        const QString text = QStringLiteral("this session does not hold the configuration lock");
        record(ServerEvent::Kind::Unlock, session->id(), false, text);
        answerError(session, request, WireError::NotLocked, text);
        return;
    }
    session->answer(WireMessage::plain(WireType::Unlocked, request.requestId), faults.answerDelayMs);
}

void SimulatedServer::answerError(Session* session, const WireMessage& request, WireError code, const QString& text,
                                  bool closeAfter)
{
    session->answer(WireMessage::error(request.requestId, code, text), m_spec.faults.answerDelayMs,
                    closeAfter ? Session::Then::Close : Session::Then::Stay);
}

void SimulatedServer::handleSessionEnded(Session* session, bool dropped, const QString& reason)
{
    m_sessions.removeOne(session);
    if (m_lockOwner == session) {
        m_lockOwner = nullptr;
        record(ServerEvent::Kind::Released, session->id(), true, QStringLiteral("the session ended"));
    }
    record(dropped ? ServerEvent::Kind::Dropped : ServerEvent::Kind::Closed, session->id(), true, reason);
    session->dispose();
}

void SimulatedServer::restart()
{
    if (!m_running || m_restartTimer.isActive()) {
        return;
    }
    m_listener.close();
    record(ServerEvent::Kind::Unavailable, 0, true, QStringLiteral("restarting for %1 ms").arg(m_spec.restartMs));
    const QVector<Session*> sessions = m_sessions;
    for (Session* session : sessions) {
        session->close(QStringLiteral("server restarting"));
    }
    m_restartTimer.start(m_spec.restartMs);
}

void SimulatedServer::finishRestart()
{
    if (!m_spec.faults.notListening) {
        listen();
    }
}

void SimulatedServer::record(ServerEvent::Kind kind, int session, bool accepted, const QString& detail)
{
    ServerEvent event;
    event.server = m_spec.name;
    event.kind = kind;
    event.session = session;
    event.accepted = accepted;
    event.detail = detail;
    m_events.append(event);
    emit eventRecorded(event);
}

} // namespace sim
