#pragma once

#include "sim/faults.h"
#include "sim/fleet.h"
#include "sim/serverevent.h"
#include "sim/serverprofile.h"
#include "sim/simulatedserver.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVector>

namespace testsupport {

// An in-process fleet of simulated servers for one test, each on the loopback address the test names (one range
// per test, so tests can run in parallel), port 8601, its configuration in a file of the fixture's temporary
// directory. The servers run on the test's thread: they only answer while the test spins the event loop
// (QSignalSpy::wait, QTRY_*). The destructor stops every server and removes the directory.
class FleetFixture final
{
public:
    FleetFixture() = default;
    ~FleetFixture() { m_fleet.stop(); }

    FleetFixture(const FleetFixture&) = delete;
    FleetFixture& operator=(const FleetFixture&) = delete;

    // The account every server accepts.
    static QString defaultUser() { return QStringLiteral("admin"); }
    static QString defaultPassword() { return QStringLiteral("s3cret-Pa55"); }
    // A CSV server list: the header line, then one line per host with the default account.
    static QByteArray serverList(const QStringList& hosts);
    // The key and certificate every server at this address presents in the
    // test process, made on first use: a client pins one key per address.
    static sim::ServerIdentity identity(const QString& address);

    // Writes configText into <directory>/<name>.conf and starts the server with the default account, a restart of
    // 200 ms and login and frame time-outs of 10 s. Null, with a warning saying why, when it cannot start.
    sim::SimulatedServer* addServer(const QString& name, const QString& address, const QString& configText,
                                    const sim::Faults& faults = sim::Faults());

    // Null, empty or false for a name the fixture does not know.
    sim::SimulatedServer* server(const QString& name) const { return m_fleet.server(name); }
    QVector<sim::ServerEvent> events(const QString& name, sim::ServerEvent::Kind kind) const;
    bool wasContacted(const QString& name) const { return !events(name, sim::ServerEvent::Kind::Connected).isEmpty(); }
    // The server's configuration as it is on disk now.
    QString configText(const QString& name) const;
    QString directory() const { return m_directory.path(); }

private:
    QTemporaryDir m_directory;
    sim::Fleet m_fleet;
};

} // namespace testsupport
