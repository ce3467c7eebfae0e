#pragma once

#include "sim/faults.h"

#include <QHostAddress>
#include <QString>

namespace sim {

// Everything that describes one simulated server: where it listens, the one
// account it accepts, the file its configuration lives in, its lock-out
// policy, its time-outs and its faults.
struct ServerProfile
{
    static constexpr quint16 defaultPort = 8601;

    QString name;
    QHostAddress address;
    quint16 port = defaultPort;
    QString user;
    QString password;
    QString configPath;
    // The PEM certificate and private key the server presents; both or
    // neither. Without them the server's pair is kept in keyDirectory (read
    // when there, made and written there otherwise), or without a key
    // directory made afresh in memory at every start.
    QString certificatePath;
    QString keyPath;
    QString keyDirectory;
    // After lockoutFailures refused logins in a row the account is locked for
    // lockoutSeconds; 0 failures switches the lock-out off.
    int lockoutFailures = 5;
    int lockoutSeconds = 300;
    // How long a restarting server accepts no connection.
    int restartMs = 2000;
    // A session that has not logged in after loginTimeoutMs, or that began a
    // frame and did not finish it within frameTimeoutMs, is dropped.
    int loginTimeoutMs = 30000;
    int frameTimeoutMs = 30000;
    Faults faults;

    // "127.0.0.11:8601"
    QString endpoint() const;
    // Where the server's generated pair lives in keyDirectory:
    // "127.0.0.11-8601.crt" and "127.0.0.11-8601.key".
    QString generatedCertificatePath() const;
    QString generatedKeyPath() const;
    // Why this server and other cannot run in one fleet (the same name, or
    // the same address and port); empty when they can.
    QString conflictWith(const ServerProfile& other) const;
};

} // namespace sim
