// The SDK client against the in-process simulator over loopback TCP: the
// connect, login refusals and lock-out, lock/save/unlock round trips checked
// on the server's file, configuration errors, dropped connections, restart.

#include "configspies.h"
#include "configsystem/configsystem.h"
#include "managerspies.h"
#include "sdk/configschema.h"
#include "sdk/connectionmanager.h"
#include "sdk/orrinconfig.h"
#include "sdk/server.h"
#include "sdk/servergroup.h"
#include "testsupport/fleetfixture.h"

#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>

#include <functional>

using kelp::ConnectionError;
using kelp::ConnectionManager;
using kelp::LoginError;
using kelp::OrrinConfig;
using kelp::OrrinUrl;
using sim::ServerEvent;
using testsupport::FleetFixture;

Q_DECLARE_METATYPE(sim::DropStep)

namespace {

constexpr quint16 s_port = 8601;
const QString s_initial =
    QStringLiteral("[General]\nname = north\n\n[Licence]\nkey = 1234\n\n[Network]\nmode = dhcp\n");

// One SDK connection manager and every answer it gives.
class Client
{
public:
    Client() : m_spies(m_manager) {}

    ConnectionManager& manager() { return m_manager; }
    QSignalSpy& connected() { return m_spies.connected; }
    QSignalSpy& loginErrors() { return m_spies.loginError; }
    QSignalSpy& timedOut() { return m_spies.timedOut; }
    QSignalSpy& disconnected() { return m_spies.disconnected; }
    int connectAnswers() const { return m_spies.connectAnswers(); }
    LoginError lastLoginError() const { return m_spies.lastLoginError(); }

    kelp::RequestId connectTo(const QString& address, const QString& password = FleetFixture::defaultPassword())
    {
        return m_manager.connectToServer(FleetFixture::defaultUser(), password, OrrinUrl(address, s_port), false);
    }
    // The first server of the latest connected group.
    kelp::Server* server() const
    {
        kelp::ServerGroup* group = m_manager.serverGroup(m_spies.connected.last().at(0).toUInt());
        return group ? group->servers().value(0) : nullptr;
    }

private:
    ConnectionManager m_manager;
    ManagerSpies m_spies;
};

// What the server's file must hold after a merge save: the document's own
// merge of the upload into the old text.
QString merged(const QString& before, const QString& upload)
{
    const QSharedPointer<kelp::ConfigSystem> document = kelp::createConfigDocument();
    document->loadText(before, false, false);
    document->loadText(upload, true, false);
    return document->toText();
}

} // namespace

class TestConnection : public QObject
{
    Q_OBJECT

private slots:
    void connectsAndReadsConfiguration();
    void reportsLoginErrors_data();
    void reportsLoginErrors();
    void locksOutAfterRepeatedFailures();
    void reportsRefusedConnection();
    void timesOutAgainstSilentServer();
    void roundTripsSaves_data();
    void roundTripsSaves();
    void refusesLockHeldByAnotherSession();
    void reportsConfigurationErrors_data();
    void reportsConfigurationErrors();
    void believesServerAboutTheLock();
    void survivesDropAtEachConnectStep_data();
    void survivesDropAtEachConnectStep();
    void survivesDropAtEachRequest_data();
    void survivesDropAtEachRequest();
    void failsRequestsOfSlowServer();
    void restartsServer();
    void simulatorDropsGarbageAndServesOthers();
};

void TestConnection::connectsAndReadsConfiguration()
{
    FleetFixture fleet;
    QVERIFY2(fleet.addServer(QStringLiteral("north"), QStringLiteral("127.0.5.40"), s_initial),
             qPrintable(fleet.errorString()));
    Client client;

    const kelp::RequestId id = client.connectTo(QStringLiteral("127.0.5.40"));
    QTRY_COMPARE(client.connected().count(), 1);
    QCOMPARE(client.connected().at(0).at(0).toUInt(), id);
    kelp::Server* server = client.server();
    QVERIFY(server);
    QCOMPARE(server->name(), QStringLiteral("north"));
    QCOMPARE(server->host(), QStringLiteral("127.0.5.40"));
    QCOMPARE(server->config()->workingConfigCopy()->toText(), s_initial);
    QCOMPARE(server->config()->workingConfigCopy()->sectionNamesOfKind(QStringLiteral("Licence")).size(), 1);
    QCOMPARE(fleet.events(QStringLiteral("north"), ServerEvent::Kind::GetConfig).size(), 1);

    client.manager().disconnectFromAll();
    QTRY_COMPARE(client.disconnected().count(), 1);
    QCOMPARE(client.disconnected().at(0).at(0).toUInt(), id);
    QTRY_COMPARE(fleet.events(QStringLiteral("north"), ServerEvent::Kind::Closed).size(), 1);
    QCOMPARE(client.connectAnswers(), 1);
}

void TestConnection::reportsLoginErrors_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("lockout");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("text");

    const QString right = FleetFixture::defaultPassword();
    QTest::newRow("wrong password") << QStringLiteral("127.0.5.41") << 0 << 0 << QStringLiteral("not-the-password")
                                    << QStringLiteral("Invalid username or password. Server: 127.0.5.41, port: 8601");
    QTest::newRow("1 too many connections")
        << QStringLiteral("127.0.5.42") << 1 << 0 << right
        << QStringLiteral("Too many open connections. Server: 127.0.5.42, port: 8601");
    QTest::newRow("3 not at this time") << QStringLiteral("127.0.5.43") << 3 << 0 << right
                                        << QStringLiteral(
                                               "Login not permitted at this time. Server: 127.0.5.43, port: 8601");
    QTest::newRow("6 set-up failed") << QStringLiteral("127.0.5.44") << 6 << 0 << right
                                     << QStringLiteral("Failed to set up connection. Server: 127.0.5.44, port: 8601");
    QTest::newRow("11 key changed") << QStringLiteral("127.0.5.45") << 11 << 0 << right
                                    << QStringLiteral(
                                           "Server's public key has changed. Server: 127.0.5.45, port: 8601");
    QTest::newRow("12 locked 45 s") << QStringLiteral("127.0.5.46") << 12 << 45 << right
                                    << QStringLiteral(
                                           "Your account is locked for 45 seconds. Server: 127.0.5.46, port: 8601");
    QTest::newRow("12 locked 61 s") << QStringLiteral("127.0.5.47") << 12 << 61 << right
                                    << QStringLiteral(
                                           "Your account is locked for 1 minute. Server: 127.0.5.47, port: 8601");
    QTest::newRow("13 address") << QStringLiteral("127.0.5.48") << 13 << 0 << right
                                << QStringLiteral(
                                       "Login not permitted from this address. Server: 127.0.5.48, port: 8601");
    QTest::newRow("42 unknown") << QStringLiteral("127.0.5.49") << 42 << 0 << right
                                << QStringLiteral("Unknown error. Server: 127.0.5.49, port: 8601");
}

void TestConnection::reportsLoginErrors()
{
    QFETCH(QString, address);
    QFETCH(int, code);
    QFETCH(int, lockout);
    QFETCH(QString, password);
    QFETCH(QString, text);

    FleetFixture fleet;
    sim::Faults faults;
    faults.loginErrorCode = code;
    faults.loginLockoutSeconds = lockout;
    QVERIFY2(fleet.addServer(QStringLiteral("north"), address, s_initial, faults), qPrintable(fleet.errorString()));
    Client client;

    client.connectTo(address, password);
    QTRY_COMPARE(client.loginErrors().count(), 1);
    QCOMPARE(client.lastLoginError().toString(), text);
    QCOMPARE(client.lastLoginError().lockoutSeconds(), lockout);

    client.manager().disconnectFromAll();
    drainQueuedSignals();
    QCOMPARE(client.disconnected().count(), 0);
    QCOMPARE(client.connectAnswers(), 1);
}

void TestConnection::locksOutAfterRepeatedFailures()
{
    FleetFixture fleet;
    sim::ServerProfile spec = FleetFixture::defaultSpec(QStringLiteral("north"), QStringLiteral("127.0.5.50"));
    spec.lockoutFailures = 3;
    spec.lockoutSeconds = 150;
    QVERIFY2(fleet.addServer(spec, s_initial), qPrintable(fleet.errorString()));
    Client client;

    for (int attempt = 1; attempt <= 2; ++attempt) {
        client.connectTo(QStringLiteral("127.0.5.50"), QStringLiteral("guess%1").arg(attempt));
        QTRY_COMPARE(client.loginErrors().count(), attempt);
        QCOMPARE(client.lastLoginError().errorId(), 2);
    }
    // The third failure in a row locks the account ...
    client.connectTo(QStringLiteral("127.0.5.50"), QStringLiteral("guess3"));
    QTRY_COMPARE(client.loginErrors().count(), 3);
    QCOMPARE(client.lastLoginError().toString(),
             QStringLiteral("Your account is locked for 2 minutes. Server: 127.0.5.50, port: 8601"));
    QCOMPARE(client.lastLoginError().lockoutSeconds(), 150);
    // ... even for the right password, for the rest of the lock-out.
    client.connectTo(QStringLiteral("127.0.5.50"));
    QTRY_COMPARE(client.loginErrors().count(), 4);
    QCOMPARE(client.lastLoginError().errorId(), 12);
    QVERIFY(client.lastLoginError().lockoutSeconds() > 120);
    QVERIFY(client.lastLoginError().lockoutSeconds() <= 150);
    QCOMPARE(client.connected().count(), 0);
}

void TestConnection::reportsRefusedConnection()
{
    FleetFixture fleet;
    sim::Faults faults;
    faults.notListening = true;
    QVERIFY2(fleet.addServer(QStringLiteral("north"), QStringLiteral("127.0.5.51"), s_initial, faults),
             qPrintable(fleet.errorString()));
    Client client;

    client.connectTo(QStringLiteral("127.0.5.51"));
    QTRY_COMPARE(client.loginErrors().count(), 1);
    QCOMPARE(client.lastLoginError().toString(),
             QStringLiteral("Failed to connect to the server. Server: 127.0.5.51, port: 8601"));
    QVERIFY(!fleet.wasContacted(QStringLiteral("north")));
}

void TestConnection::timesOutAgainstSilentServer()
{
    FleetFixture fleet;
    sim::Faults faults;
    faults.neverAnswer = true;
    QVERIFY2(fleet.addServer(QStringLiteral("north"), QStringLiteral("127.0.5.52"), s_initial, faults),
             qPrintable(fleet.errorString()));
    Client client;
    client.manager().setConnectTimeout(300);

    const kelp::RequestId id = client.connectTo(QStringLiteral("127.0.5.52"));
    QTRY_COMPARE(client.timedOut().count(), 1);
    QCOMPARE(client.timedOut().at(0).at(0).toUInt(), id);
    QVERIFY(fleet.wasContacted(QStringLiteral("north")));
    QVERIFY(!client.manager().serverGroup(id));

    client.manager().disconnectFromAll();
    QTRY_COMPARE(client.disconnected().count(), 1);
    QCOMPARE(client.disconnected().at(0).at(0).toUInt(), id);
    QCOMPARE(client.connectAnswers(), 1);
}

void TestConnection::roundTripsSaves_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("replace");
    QTest::addColumn<QString>("upload");

    const QString upload =
        QStringLiteral("[Licence]\nkey = 9999\n\n[User1001]\nname = ops\n\n[*Script7]\nrun backup\n");
    QTest::newRow("merge") << QStringLiteral("127.0.5.53") << false << upload;
    QTest::newRow("replace") << QStringLiteral("127.0.5.54") << true << upload;
    QTest::newRow("replace with nothing") << QStringLiteral("127.0.5.55") << true << QString();
}

void TestConnection::roundTripsSaves()
{
    QFETCH(QString, address);
    QFETCH(bool, replace);
    QFETCH(QString, upload);

    FleetFixture fleet;
    QVERIFY2(fleet.addServer(QStringLiteral("north"), address, s_initial), qPrintable(fleet.errorString()));
    Client client;
    client.connectTo(address);
    QTRY_COMPARE(client.connected().count(), 1);
    QSharedPointer<OrrinConfig> config = client.server()->config();
    ConfigSpies spies(config.data());

    const kelp::RequestId lockId = config->lock(false);
    QTRY_COMPARE(spies.locked.count(), 1);
    QCOMPARE(spies.locked.at(0).at(0).toUInt(), lockId);
    QVERIFY(config->isLocked());
    QVERIFY(fleet.server(QStringLiteral("north"))->isLockHeld());

    config->workingConfigCopy()->loadText(upload, false, false);
    const kelp::RequestId saveId = config->saveToServer(false, replace);
    QTRY_COMPARE(spies.saved.count(), 1);
    QCOMPARE(spies.saved.at(0).at(0).toUInt(), saveId);
    const QString expected = replace ? upload : merged(s_initial, upload);
    QCOMPARE(fleet.configText(QStringLiteral("north")), expected);

    const kelp::RequestId unlockId = config->unlock(true);
    QTRY_COMPARE(spies.unlocked.count(), 1);
    QCOMPARE(spies.unlocked.at(0).at(0).toUInt(), unlockId);
    QVERIFY(!config->isLocked());
    QVERIFY(!fleet.server(QStringLiteral("north"))->isLockHeld());
    QCOMPARE(spies.answers(), 3);

    // A fresh connect reads what was saved.
    client.manager().disconnectFromAll();
    QTRY_COMPARE(client.disconnected().count(), 1);
    client.connectTo(address);
    QTRY_COMPARE(client.connected().count(), 2);
    QCOMPARE(client.server()->config()->workingConfigCopy()->toText(), expected);
    client.manager().disconnectFromAll();
}

void TestConnection::refusesLockHeldByAnotherSession()
{
    FleetFixture fleet;
    QVERIFY2(fleet.addServer(QStringLiteral("north"), QStringLiteral("127.0.5.56"), s_initial),
             qPrintable(fleet.errorString()));
    Client first;
    Client second;
    first.connectTo(QStringLiteral("127.0.5.56"));
    second.connectTo(QStringLiteral("127.0.5.56"));
    QTRY_COMPARE(first.connected().count(), 1);
    QTRY_COMPARE(second.connected().count(), 1);
    QSharedPointer<OrrinConfig> holder = first.server()->config();
    QSharedPointer<OrrinConfig> other = second.server()->config();
    ConfigSpies holderSpies(holder.data());
    ConfigSpies otherSpies(other.data());

    holder->lock(false);
    QTRY_COMPARE(holderSpies.locked.count(), 1);
    const kelp::RequestId refused = other->lock(true);
    QTRY_COMPARE(otherSpies.error.count(), 1);
    QCOMPARE(otherSpies.error.at(0).at(0).toUInt(), refused);
    QCOMPARE(otherSpies.lastError().errorId(), 3);
    QCOMPARE(otherSpies.lastError().toString(), QStringLiteral("the configuration is locked by another session"));
    QVERIFY(!other->isLocked());

    // The holder's session ends without unlocking: the server frees the lock.
    first.manager().disconnectFromAll();
    QTRY_VERIFY(!fleet.server(QStringLiteral("north"))->isLockHeld());
    other->lock(false);
    QTRY_COMPARE(otherSpies.locked.count(), 1);
    QVERIFY(other->isLocked());
    QCOMPARE(otherSpies.answers(), 2);
    second.manager().disconnectFromAll();

    // The fault that pretends a foreign lock gives the same answer.
    sim::Faults faults;
    faults.lockHeldElsewhere = true;
    fleet.setFaults(QStringLiteral("north"), faults);
    second.connectTo(QStringLiteral("127.0.5.56"));
    QTRY_COMPARE(second.connected().count(), 2);
    QSharedPointer<OrrinConfig> third = second.server()->config();
    ConfigSpies thirdSpies(third.data());
    third->lock(false);
    QTRY_COMPARE(thirdSpies.error.count(), 1);
    QCOMPARE(thirdSpies.lastError().errorId(), 3);
    second.manager().disconnectFromAll();
}

void TestConnection::reportsConfigurationErrors_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("failing");

    QTest::newRow("lock") << QStringLiteral("127.0.5.57") << QStringLiteral("lock");
    QTest::newRow("save") << QStringLiteral("127.0.5.58") << QStringLiteral("save");
    QTest::newRow("unlock") << QStringLiteral("127.0.5.59") << QStringLiteral("unlock");
}

void TestConnection::reportsConfigurationErrors()
{
    QFETCH(QString, address);
    QFETCH(QString, failing);

    const QString text = QStringLiteral("storage is read-only during maintenance");
    sim::Faults faults;
    (failing == QLatin1String("lock")   ? faults.lockError
     : failing == QLatin1String("save") ? faults.saveError
                                        : faults.unlockError) = text;
    FleetFixture fleet;
    QVERIFY2(fleet.addServer(QStringLiteral("north"), address, s_initial, faults), qPrintable(fleet.errorString()));
    Client client;
    client.connectTo(address);
    QTRY_COMPARE(client.connected().count(), 1);
    QSharedPointer<OrrinConfig> config = client.server()->config();
    ConfigSpies spies(config.data());

    // Lock, replacing save, unlock in a row, each answered once; the failing
    // one by configError with the server's text.
    const QString upload = QStringLiteral("[General]\nname = changed\n");
    config->workingConfigCopy()->loadText(upload, false, false);
    const kelp::RequestId ids[] = {config->lock(false), config->saveToServer(false, true), config->unlock(true)};
    QTRY_COMPARE(spies.answers(), 3);
    const int failed = failing == QLatin1String("lock") ? 0 : failing == QLatin1String("save") ? 1 : 2;
    QCOMPARE(spies.error.at(0).at(0).toUInt(), ids[failed]);
    QCOMPARE(spies.error.at(0).at(1).value<ConnectionError>().toString(), text);
    QCOMPARE(spies.error.at(0).at(1).value<ConnectionError>().errorId(), 9);
    QCOMPARE(spies.locked.count(), failed == 0 ? 0 : 1);
    QCOMPARE(spies.unlocked.count(), failed == 2 ? 0 : 1);
    if (failed == 0) {
        // Without the lock the save is refused as well.
        QCOMPARE(spies.error.count(), 2);
        QCOMPARE(spies.error.at(1).at(0).toUInt(), ids[1]);
        QCOMPARE(spies.lastError().errorId(), 4);
    } else {
        QCOMPARE(spies.error.count(), 1);
    }
    QCOMPARE(fleet.configText(QStringLiteral("north")), failed == 2 ? upload : s_initial);
    client.manager().disconnectFromAll();
}

void TestConnection::believesServerAboutTheLock()
{
    FleetFixture fleet;
    sim::Faults faults;
    faults.lockedWithoutLock = true;
    QVERIFY2(fleet.addServer(QStringLiteral("north"), QStringLiteral("127.0.5.60"), s_initial, faults),
             qPrintable(fleet.errorString()));
    Client client;
    client.connectTo(QStringLiteral("127.0.5.60"));
    QTRY_COMPARE(client.connected().count(), 1);
    QSharedPointer<OrrinConfig> config = client.server()->config();
    ConfigSpies spies(config.data());

    config->lock(false);
    QTRY_COMPARE(spies.locked.count(), 1);
    QVERIFY2(!config->isLocked(), "a 'locked' answer without the lock must leave isLocked() false");
    QVERIFY(!fleet.server(QStringLiteral("north"))->isLockHeld());
    client.manager().disconnectFromAll();
}

void TestConnection::survivesDropAtEachConnectStep_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<sim::DropStep>("step");

    QTest::newRow("accept") << QStringLiteral("127.0.5.61") << sim::DropStep::Connect;
    QTest::newRow("hello") << QStringLiteral("127.0.5.62") << sim::DropStep::Hello;
    QTest::newRow("login") << QStringLiteral("127.0.5.63") << sim::DropStep::Login;
    QTest::newRow("get-config") << QStringLiteral("127.0.5.64") << sim::DropStep::GetConfig;
}

void TestConnection::survivesDropAtEachConnectStep()
{
    QFETCH(QString, address);
    QFETCH(sim::DropStep, step);

    FleetFixture fleet;
    sim::Faults faults;
    faults.dropAt = step;
    QVERIFY2(fleet.addServer(QStringLiteral("north"), address, s_initial, faults), qPrintable(fleet.errorString()));
    Client client;

    client.connectTo(address);
    QTRY_COMPARE(client.loginErrors().count(), 1);
    QCOMPARE(client.lastLoginError().toString(),
             QStringLiteral("Failed to set up connection. Server: %1, port: 8601").arg(address));
    drainQueuedSignals();
    QCOMPARE(client.connectAnswers(), 1);

    // The same server without the fault: the client is not stuck.
    fleet.setFaults(QStringLiteral("north"), sim::Faults());
    client.connectTo(address);
    QTRY_COMPARE(client.connected().count(), 1);
    client.manager().disconnectFromAll();
}

void TestConnection::survivesDropAtEachRequest_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<sim::DropStep>("step");
    QTest::addColumn<int>("answered");

    QTest::newRow("lock") << QStringLiteral("127.0.5.65") << sim::DropStep::Lock << 0;
    QTest::newRow("save") << QStringLiteral("127.0.5.66") << sim::DropStep::Save << 1;
    QTest::newRow("unlock") << QStringLiteral("127.0.5.67") << sim::DropStep::Unlock << 2;
}

void TestConnection::survivesDropAtEachRequest()
{
    QFETCH(QString, address);
    QFETCH(sim::DropStep, step);
    QFETCH(int, answered);

    FleetFixture fleet;
    QVERIFY2(fleet.addServer(QStringLiteral("north"), address, s_initial), qPrintable(fleet.errorString()));
    Client client;
    client.connectTo(address);
    QTRY_COMPARE(client.connected().count(), 1);
    sim::Faults faults;
    faults.dropAt = step;
    fleet.setFaults(QStringLiteral("north"), faults);
    QSharedPointer<OrrinConfig> config = client.server()->config();
    ConfigSpies spies(config.data());

    // One request after the other, as an operation makes them; the server
    // drops the connection at the chosen one, and every later one fails too.
    const std::function<kelp::RequestId()> requests[] = {[&] { return config->lock(false); },
                                                         [&] { return config->saveToServer(false, true); },
                                                         [&] { return config->unlock(true); }};
    for (int step = 0; step < 3; ++step) {
        const kelp::RequestId id = requests[step]();
        QTRY_COMPARE(spies.answers(), step + 1);
        if (step < answered) {
            QCOMPARE(spies.error.count(), 0);
            continue;
        }
        QCOMPARE(spies.error.last().at(0).toUInt(), id);
        QCOMPARE(spies.lastError().errorId(), step == answered ? 101 : 103);
    }
    QCOMPARE(spies.error.count(), 3 - answered);
    QVERIFY2(spies.error.at(0).at(1).value<ConnectionError>().toString().startsWith(
                 QStringLiteral("Connection to %1:8601 lost: ").arg(address)),
             qPrintable(spies.error.at(0).at(1).value<ConnectionError>().toString()));
    QVERIFY(!config->isLocked());
    QTRY_VERIFY(!fleet.server(QStringLiteral("north"))->isLockHeld());

    client.manager().disconnectFromAll();
    QTRY_COMPARE(client.disconnected().count(), 1);
}

void TestConnection::failsRequestsOfSlowServer()
{
    FleetFixture fleet;
    QVERIFY2(fleet.addServer(QStringLiteral("north"), QStringLiteral("127.0.5.68"), s_initial),
             qPrintable(fleet.errorString()));
    Client client;
    client.manager().setRequestTimeout(200);
    client.connectTo(QStringLiteral("127.0.5.68"));
    QTRY_COMPARE(client.connected().count(), 1);
    sim::Faults faults;
    faults.answerDelayMs = 2000;
    fleet.setFaults(QStringLiteral("north"), faults);
    QSharedPointer<OrrinConfig> config = client.server()->config();
    ConfigSpies spies(config.data());

    const kelp::RequestId lockId = config->lock(false);
    QTRY_COMPARE(spies.error.count(), 1);
    QCOMPARE(spies.error.at(0).at(0).toUInt(), lockId);
    QCOMPARE(spies.lastError().toString(),
             QStringLiteral("No answer from 127.0.5.68:8601 to the lock request in time"));
    QTRY_COMPARE(fleet.server(QStringLiteral("north"))->sessionCount(), 0);
    QCOMPARE(spies.answers(), 1);
    client.manager().disconnectFromAll();
}

void TestConnection::restartsServer()
{
    FleetFixture fleet;
    QVERIFY2(fleet.addServer(QStringLiteral("north"), QStringLiteral("127.0.5.69"), s_initial),
             qPrintable(fleet.errorString()));
    Client client;
    client.connectTo(QStringLiteral("127.0.5.69"));
    QTRY_COMPARE(client.connected().count(), 1);
    kelp::Server* server = client.server();
    QSharedPointer<OrrinConfig> config = server->config();
    ConfigSpies spies(config.data());

    server->restart(true);
    QTRY_COMPARE(fleet.events(QStringLiteral("north"), ServerEvent::Kind::Restart).size(), 1);
    QTRY_COMPARE(fleet.events(QStringLiteral("north"), ServerEvent::Kind::Unavailable).size(), 1);
    // The session is gone with the restart.
    config->lock(false);
    QTRY_COMPARE(spies.error.count(), 1);
    QVERIFY(spies.lastError().errorId() == 101 || spies.lastError().errorId() == 103);

    client.manager().disconnectFromAll();
    QTRY_COMPARE(client.disconnected().count(), 1);
    // Back after its pause, with its configuration.
    QTRY_COMPARE(fleet.events(QStringLiteral("north"), ServerEvent::Kind::Listening).size(), 2);
    client.connectTo(QStringLiteral("127.0.5.69"));
    QTRY_COMPARE(client.connected().count(), 2);
    QCOMPARE(client.server()->config()->workingConfigCopy()->toText(), s_initial);
    client.manager().disconnectFromAll();
}

void TestConnection::simulatorDropsGarbageAndServesOthers()
{
    FleetFixture fleet;
    QVERIFY2(fleet.addServer(QStringLiteral("north"), QStringLiteral("127.0.5.70"), s_initial),
             qPrintable(fleet.errorString()));
    QTcpSocket garbage;
    garbage.connectToHost(QStringLiteral("127.0.5.70"), s_port);
    QVERIFY(garbage.waitForConnected(5000));
    garbage.write("GET / HTTP/1.0\r\n\r\n");
    QTcpSocket huge;
    huge.connectToHost(QStringLiteral("127.0.5.70"), s_port);
    QVERIFY(huge.waitForConnected(5000));
    huge.write(QByteArray::fromHex("4f520102ffffff00"));

    QTRY_COMPARE(garbage.state(), QAbstractSocket::UnconnectedState);
    QTRY_COMPARE(huge.state(), QAbstractSocket::UnconnectedState);
    QTRY_COMPARE(fleet.events(QStringLiteral("north"), ServerEvent::Kind::Dropped).size(), 2);

    Client client;
    client.connectTo(QStringLiteral("127.0.5.70"));
    QTRY_COMPARE(client.connected().count(), 1);
    client.manager().disconnectFromAll();
}

QTEST_GUILESS_MAIN(TestConnection)
#include "tst_connection.moc"
