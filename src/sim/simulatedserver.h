#pragma once

#include "sim/configstore.h"
#include "sim/serverevent.h"
#include "sim/serveridentity.h"
#include "sim/serverprofile.h"
#include "sim/tlslistener.h"

#include <QDeadlineTimer>
#include <QObject>
#include <QTimer>
#include <QVector>

namespace kelp {
struct WireMessage;
}

namespace sim {

class Session;

// One simulated server of the product: it listens on its own address, speaks
// the SDK's wire protocol (docs/protocol.md), keeps its configuration in a
// file with an exclusive lock, Merge and Replace saves, restarts and an
// account lock-out, and misbehaves as its faults say. It records every
// connection, request and session end (events()); the record is kept for the
// server's lifetime and never holds a password.
//
// Runs on the thread that created it, driven by the event loop. Sessions are
// owned by the server and all dropped when it stops or is destroyed.
class SimulatedServer : public QObject
{
    Q_OBJECT

public:
    explicit SimulatedServer(const ServerProfile& spec, QObject* parent = nullptr);
    ~SimulatedServer() override;

    // Reads the configuration file, takes the server's TLS identity (given
    // by setIdentity(), or as the profile says) and starts listening (unless
    // the notListening fault is set). False when the file, certificate or key
    // cannot be read or made, or the address cannot be bound; errorString()
    // says why.
    bool start();
    // Closes the listener and every session at once.
    void stop();

    // The identity to present from the next start on, instead of the one the
    // profile describes.
    void setIdentity(const ServerIdentity& identity) { m_identity = identity; }
    const ServerIdentity& identity() const { return m_identity; }

    const ServerProfile& spec() const { return m_spec; }
    QString name() const { return m_spec.name; }
    const Faults& faults() const { return m_spec.faults; }
    // Takes effect from the next request; switching notListening opens or
    // closes the listener at once.
    void setFaults(const Faults& faults);

    bool isRunning() const { return m_running; }
    bool isListening() const { return m_listener.isListening(); }
    // True while a session holds the configuration lock.
    bool isLockHeld() const { return m_lockOwner != nullptr; }
    int sessionCount() const { return m_sessions.size(); }
    QByteArray configuration() const { return m_store.text(); }
    QString configPath() const { return m_store.path(); }

    const QVector<ServerEvent>& events() const { return m_events; }
    QVector<ServerEvent> events(ServerEvent::Kind kind) const;
    QString errorString() const { return m_errorString; }

signals:
    void eventRecorded(const sim::ServerEvent& event);

private:
    bool takeIdentity();
    bool listen();
    void handleNewConnections();
    void handleRequest(Session* session, const kelp::WireMessage& request);
    void handleSessionEnded(Session* session, bool dropped, const QString& reason);
    void answerLogin(Session* session, const kelp::WireMessage& request);
    void refuseLogin(Session* session, const kelp::WireMessage& request, int code, int lockoutSeconds);
    void answerLock(Session* session, const kelp::WireMessage& request);
    void answerSave(Session* session, const kelp::WireMessage& request);
    void answerUnlock(Session* session, const kelp::WireMessage& request);
    void answerError(Session* session, const kelp::WireMessage& request, kelp::WireError code, const QString& text,
                     bool closeAfter = false);
    void restart();
    void finishRestart();
    void record(ServerEvent::Kind kind, int session, bool accepted, const QString& detail);

    ServerProfile m_spec;
    ConfigStore m_store;
    ServerIdentity m_identity;
    TlsListener m_listener;
    QVector<Session*> m_sessions;
    Session* m_lockOwner = nullptr;
    QTimer m_restartTimer;
    QDeadlineTimer m_lockedOutUntil;
    int m_failedLogins = 0;
    int m_nextSessionId = 1;
    bool m_running = false;
    QVector<ServerEvent> m_events;
    QString m_errorString;
};

} // namespace sim
