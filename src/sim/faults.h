#pragma once

#include <QString>

namespace sim {

// The request at which a server with the "drop" fault closes the connection
// without answering. Connect drops the peer right after accepting it.
enum class DropStep
{
    None,
    Connect,
    Hello,
    Login,
    GetConfig,
    Lock,
    Save,
    Unlock,
    Restart,
};

// What a simulated server does wrong on purpose. A default-constructed value
// is a healthy server; each field switches on one misbehaviour. The server
// reads its faults afresh for every request, so they may change while
// sessions are open.
struct Faults
{
    // Every login is refused with this code (0: logins are checked normally);
    // loginLockoutSeconds goes with it (meaningful for code 12).
    int loginErrorCode = 0;
    int loginLockoutSeconds = 0;
    // Nothing listens on the server's address: connections are refused.
    bool notListening = false;
    // Connections are accepted and requests read, but nothing is ever answered.
    bool neverAnswer = false;
    // Non-empty: the request is refused with a configuration error carrying this text.
    QString lockError;
    QString saveError;
    QString unlockError;
    // Another (invisible) session holds the configuration lock.
    bool lockHeldElsewhere = false;
    // Lock requests are answered "locked" but the lock is not taken.
    bool lockedWithoutLock = false;
    // Every answer leaves this many milliseconds after its request arrived.
    int answerDelayMs = 0;
    DropStep dropAt = DropStep::None;

    // The step's name as the fleet file spells it ("lock"); empty for None.
    static QString stepName(DropStep step);
    // False for a name that is no step.
    static bool stepFromName(const QString& name, DropStep& step);
};

} // namespace sim
