#pragma once

#include "sim/faults.h"
#include "sim/fleet.h"
#include "sim/serverevent.h"
#include "sim/serverprofile.h"
#include "sim/simulatedserver.h"

#include <QString>
#include <QTemporaryDir>
#include <QVector>

namespace testsupport {

// An in-process fleet of simulated servers for one test. Each server listens
// on the loopback address the test names (use addresses of your own, such as
// 127.0.6.x, so tests can run in parallel) at port 8601, speaks the SDK's
// wire protocol over real TCP, and keeps its configuration in a file of the
// fixture's temporary directory. Faults can be set before or while the
// server runs; everything a server saw is kept in its record.
//
// The servers run on the test's thread: they only make progress while the
// test spins the event loop (QSignalSpy::wait, QTRY_*). The destructor stops
// every server and removes the directory.
//
//     FleetFixture fleet;
//     QVERIFY(fleet.addServer("north", "127.0.6.1", "[General]\nname=north"));
//     ... connect with FleetFixture::defaultUser() / defaultPassword() ...
//     QCOMPARE(fleet.events("north", sim::ServerEvent::Kind::Save).size(), 1);
//     QCOMPARE(fleet.configText("north"), QString(...));
class FleetFixture final
{
public:
    FleetFixture();
    ~FleetFixture();

    FleetFixture(const FleetFixture&) = delete;
    FleetFixture& operator=(const FleetFixture&) = delete;

    // The account every server of addServer(name, ...) accepts.
    static QString defaultUser();
    static QString defaultPassword();
    // The settings addServer(name, ...) uses: port 8601, the default account,
    // a lock-out after 5 failures for 300 s, a restart of 200 ms, login and
    // frame time-outs of 10 s. Change fields and pass it to addServer(spec, ...).
    static sim::ServerProfile defaultSpec(const QString& name, const QString& address);

    // Writes configText into <directory>/<name>.conf and starts the server.
    // Null when it cannot start (address in use, invalid configuration, a
    // name or address already taken); errorString() says why, and a warning
    // repeats it, so QVERIFY(fleet.addServer(...)) shows the reason.
    sim::SimulatedServer* addServer(const QString& name, const QString& address, const QString& configText,
                                    const sim::Faults& faults = sim::Faults());
    // The same with every setting given; spec.configPath is set by the fixture.
    sim::SimulatedServer* addServer(sim::ServerProfile spec, const QString& configText);

    // Null for a name the fixture does not know.
    sim::SimulatedServer* server(const QString& name) const;
    // Replaces the faults of a running server (from its next request on).
    void setFaults(const QString& name, const sim::Faults& faults);

    // Everything the server saw, in order; empty for an unknown name.
    QVector<sim::ServerEvent> events(const QString& name) const;
    QVector<sim::ServerEvent> events(const QString& name, sim::ServerEvent::Kind kind) const;
    // True once any peer has connected to the server.
    bool wasContacted(const QString& name) const;

    // The server's configuration file and its text as it is on disk now.
    QString configPath(const QString& name) const;
    QString configText(const QString& name) const;
    QString directory() const { return m_directory.path(); }
    QString errorString() const { return m_errorString; }

private:
    sim::SimulatedServer* fail(const QString& why);

    QTemporaryDir m_directory;
    sim::Fleet m_fleet;
    QString m_errorString;
};

} // namespace testsupport
