#pragma once

#include <QMetaType>
#include <QString>

namespace sim {

// One thing a simulated server saw or did, as kept in its record and printed
// by orrin-sim. Details never hold a password or a configuration text.
struct ServerEvent
{
    enum class Kind
    {
        Listening,   // the server accepts connections (at start and after a restart)
        Unavailable, // the server stopped accepting for a restart
        Stopped,     // the server was shut down
        Connected,   // a peer connected; a new session began
        Login,       // accepted, or refused with the detail's code
        GetConfig,   // the configuration was sent
        Lock,
        Save,
        Unlock,
        Restart,  // a restart was requested
        Released, // a session ended while holding the lock; the lock is free again
        Dropped,  // the server dropped the session (garbage, time-out, injected fault)
        Closed,   // a session ended
    };

    QString server;
    Kind kind = Kind::Connected;
    // The session the event belongs to; 0 for the server's own events.
    int session = 0;
    // False when the request was refused or answered with an error.
    bool accepted = true;
    QString detail;

    static QString kindName(Kind kind);
    // One line: "north #3 lock refused: the lock is held by another session"
    QString toString() const;
};

} // namespace sim

Q_DECLARE_METATYPE(sim::ServerEvent)
