// Encrypted sessions between the SDK and the simulator: nothing secret on the
// wire, plain peers refused on either side, and servers' keys pinned on
// first use and checked while the check is on.

#include "configsystem/configsystem.h"
#include "sdk/connectionmanager.h"
#include "sdk/kelpsdk.h"
#include "sdk/orrinconfig.h"
#include "sdk/publickeychecker.h"
#include "sdk/server.h"
#include "sdk/servergroup.h"
#include "sdk/wirechannel.h"
#include "testsupport/fleetfixture.h"
#include "testsupport/testsettings.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

using testsupport::FleetFixture;

namespace {

const QString s_config = QStringLiteral("[General]\nname = north\n\n[Licence]\nkey = LIC-7Q2-K9\n\n"
                                        "[Network]\naddress = 10.20.30.40\n");
const QString s_pushed = QStringLiteral("[Licence]\nkey = LIC-NEW-5X8\n");
// The fingerprint of tests/data/sdk/server.crt, as `openssl pkey -pubin -outform der | openssl dgst -sha256` gives it.
const QString s_dataKey = QStringLiteral("SHA256:yCITbjmT+ryQusr+fmSHgiPwN8cVK3JzuNQ13i9vyas");
const QString s_dataAddress = QStringLiteral("127.0.5.160");

// Connects with the fixture's account and waits for the outcome: "connected"
// or "login error CODE: TEXT".
QString connectTo(kelp::ConnectionManager& manager, const QString& host)
{
    QString outcome;
    QObject context;
    QObject::connect(&manager, &kelp::ConnectionManager::allServersConnected, &context,
                     [&outcome](uint) { outcome = QStringLiteral("connected"); });
    QObject::connect(&manager, &kelp::ConnectionManager::loginError, &context, [&outcome](const kelp::LoginError& e) {
        outcome = QStringLiteral("login error %1: %2").arg(e.errorId()).arg(e.toString());
    });
    manager.connectToServer(FleetFixture::defaultUser(), FleetFixture::defaultPassword(), kelp::OrrinUrl(host, 8601),
                            false);
    return QTest::qWaitFor([&outcome] { return !outcome.isEmpty(); }, 10000) ? outcome : QStringLiteral("no answer");
}

// A TCP relay from its own address to a server's, keeping every byte that
// passes in either direction.
struct Relay : QObject
{
    Relay(const QString& from, const QString& to)
    {
        connect(&listener, &QTcpServer::newConnection, this, [this, to] {
            QTcpSocket* in = listener.nextPendingConnection();
            auto* out = new QTcpSocket(in);
            out->connectToHost(to, 8601);
            const auto pass = [this](QTcpSocket* source, QTcpSocket* sink) {
                connect(source, &QTcpSocket::readyRead, this, [this, source, sink] {
                    const QByteArray data = source->readAll();
                    bytes += data;
                    sink->write(data);
                });
                connect(source, &QTcpSocket::disconnected, sink, &QTcpSocket::disconnectFromHost);
            };
            pass(in, out);
            pass(out, in);
        });
        listener.listen(QHostAddress(from), 8601);
    }

    QTcpServer listener;
    QByteArray bytes;
};

} // namespace

class TestEncryption : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { kelp::KelpSDK::initInstance("QuorlanTest", "encryption", nullptr, "kelpsdk.log"); }
    void init()
    {
        QFile::remove(kelp::PublicKeyChecker::knownKeysPath());
        kelp::PublicKeyChecker::forceDisabled(false);
    }

    void relayedBackupAndPushShowNoSecret()
    {
        // The server's certificate names the relay, the address the client connects to.
        FleetFixture fleet;
        sim::ServerIdentity identity = sim::ServerIdentity::generate(QHostAddress("127.0.5.151"));
        sim::ServerProfile spec = FleetFixture::defaultSpec("north", "127.0.5.150");
        spec.certificatePath = fleet.directory() + "/relay.crt";
        spec.keyPath = fleet.directory() + "/relay.key";
        QVERIFY2(identity.save(spec.certificatePath, spec.keyPath), qPrintable(identity.errorString()));
        QVERIFY2(fleet.addServer(spec, s_config), qPrintable(fleet.errorString()));
        Relay relay("127.0.5.151", "127.0.5.150");

        kelp::ConnectionManager manager;
        QSignalSpy connected(&manager, &kelp::ConnectionManager::allServersConnected);
        QCOMPARE(connectTo(manager, "127.0.5.151"), QStringLiteral("connected"));
        const QSharedPointer<kelp::OrrinConfig> config =
            manager.serverGroup(connected.at(0).at(0).toUInt())->servers().at(0)->config();
        QCOMPARE(config->workingConfigCopy()->toText(), s_config);
        QSignalSpy unlocked(config.data(), &kelp::OrrinConfig::unlocked);
        config->lock(false);
        config->workingConfigCopy()->loadText(s_pushed, true, false);
        config->saveToServer(false, false);
        config->unlock(false);
        QVERIFY(unlocked.wait(5000));
        manager.disconnectFromAll();
        QTRY_VERIFY(fleet.configText("north").contains("LIC-NEW-5X8"));

        QVERIFY2(relay.bytes.startsWith('\x16'), "the session does not begin with a TLS handshake record");
        QVERIFY(!relay.bytes.contains(FleetFixture::defaultPassword().toUtf8()));
        for (const QString& line : QString(s_config + s_pushed).split('\n', Qt::SkipEmptyParts)) {
            QVERIFY2(!relay.bytes.contains(line.toUtf8()), qPrintable(line + " crossed the relay in clear"));
        }
    }

    void plainPeersAreRefused()
    {
        FleetFixture fleet;
        QVERIFY(fleet.addServer("north", "127.0.5.152", s_config));
        kelp::WireChannel plainClient(new QTcpSocket);
        QSignalSpy clientClosed(&plainClient, &kelp::WireChannel::closed);
        QSignalSpy answers(&plainClient, &kelp::WireChannel::messageReceived);
        plainClient.socket()->connectToHost("127.0.5.152", 8601);
        plainClient.send(kelp::WireMessage::hello(1, "plain"));
        QVERIFY(clientClosed.wait(5000));
        QCOMPARE(answers.count(), 0);
        const QVector<sim::ServerEvent> dropped = fleet.events("north", sim::ServerEvent::Kind::Dropped);
        QCOMPARE(dropped.size(), 1);
        QVERIFY2(dropped.at(0).detail.startsWith("TLS handshake failed: "), qPrintable(dropped.at(0).detail));

        // A plain server sees the client's handshake, never a frame of the protocol.
        QTcpServer plainServer;
        QVERIFY(plainServer.listen(QHostAddress("127.0.5.153"), 8601));
        std::unique_ptr<kelp::WireChannel> serverEnd;
        QString serverReason;
        connect(&plainServer, &QTcpServer::newConnection, this, [&] {
            serverEnd = std::make_unique<kelp::WireChannel>(plainServer.nextPendingConnection());
            connect(serverEnd.get(), &kelp::WireChannel::closed, this, [&](const QString& why) { serverReason = why; });
        });
        kelp::ConnectionManager manager;
        QCOMPARE(connectTo(manager, "127.0.5.153"),
                 QStringLiteral("login error 6: Failed to set up connection. Server: 127.0.5.153, port: 8601"));
        QCOMPARE(serverReason, QStringLiteral("not a protocol frame"));
        QFile log(kelp::KelpSDK::instance()->logFilePath());
        QVERIFY(log.open(QIODevice::ReadOnly));
        QVERIFY(log.readAll().contains("127.0.5.153:8601 no encrypted session could be set up\n"));
    }

    void serverKeys_data()
    {
        // The first certificate is tests/data/sdk/server.crt, or one made
        // valid from and to these days from now, naming this address.
        QTest::addColumn<int>("fromDays");
        QTest::addColumn<int>("toDays");
        QTest::addColumn<QString>("named");
        QTest::addColumn<bool>("checking");
        // The second session meets a new key.
        QTest::addColumn<bool>("newKey");
        // %1: the second key's fingerprint, %2: the known-keys file.
        QTest::addColumn<QStringList>("outcomes");

        const QString failed = "login error 6: Failed to set up connection. Server: 127.0.5.160, port: 8601";
        const QString changed = "login error 111: Server's public key has changed. Server: 127.0.5.160, port: 8601. "
                                "Known key: " +
                                s_dataKey +
                                ", key presented now: %1. If the server's key was changed on purpose, delete the "
                                "line of 127.0.5.160 port 8601 in %2 and connect again.";
        const QStringList both{"connected", "connected"};
        QTest::newRow("pinned, then known") << 0 << 0 << s_dataAddress << true << false << both;
        QTest::newRow("pinned, then changed")
            << 0 << 0 << s_dataAddress << true << true << QStringList{"connected", changed};
        QTest::newRow("changed, not checking") << 0 << 0 << s_dataAddress << false << true << both;
        QTest::newRow("expired") << -30 << -1 << s_dataAddress << true << false << QStringList{failed, failed};
        QTest::newRow("not yet valid") << 1 << 30 << s_dataAddress << true << false << QStringList{failed, failed};
        QTest::newRow("another host's") << -1 << 30 << "127.0.5.161" << true << false << QStringList{failed, failed};
        QTest::newRow("expired, not checking") << -30 << -1 << s_dataAddress << false << false << both;
    }

    void serverKeys()
    {
        QFETCH(int, fromDays);
        QFETCH(int, toDays);
        QFETCH(QString, named);
        QFETCH(bool, checking);
        QFETCH(bool, newKey);
        QFETCH(QStringList, outcomes);

        kelp::PublicKeyChecker::forceDisabled(!checking);
        FleetFixture fleet;
        sim::ServerProfile spec = FleetFixture::defaultSpec("north", s_dataAddress);
        spec.certificatePath = QUORLAN_TEST_DATA_DIR "/sdk/server.crt";
        spec.keyPath = QUORLAN_TEST_DATA_DIR "/sdk/server.key";
        if (fromDays != toDays) {
            const QDateTime now = QDateTime::currentDateTimeUtc();
            sim::ServerIdentity made =
                sim::ServerIdentity::generate(QHostAddress(named), now.addDays(fromDays), now.addDays(toDays));
            spec.certificatePath = fleet.directory() + "/made.crt";
            spec.keyPath = fleet.directory() + "/made.key";
            QVERIFY(made.save(spec.certificatePath, spec.keyPath));
        }
        sim::SimulatedServer* server = fleet.addServer(spec, s_config);
        QVERIFY2(server, qPrintable(fleet.errorString()));

        kelp::ConnectionManager manager;
        QStringList seen{connectTo(manager, s_dataAddress)};
        manager.disconnectFromAll();
        const sim::ServerIdentity second = sim::ServerIdentity::generate(QHostAddress(s_dataAddress));
        if (newKey) {
            server->stop();
            server->setIdentity(second);
            QVERIFY(server->start());
        }
        seen << connectTo(manager, s_dataAddress);
        const QString path = kelp::PublicKeyChecker::knownKeysPath();
        outcomes.replaceInStrings("%1", kelp::PublicKeyChecker::fingerprint(second.certificate()));
        QCOMPARE(seen, outcomes.replaceInStrings("%2", path));

        // A refused session never got as far as the password.
        QCOMPARE(fleet.events("north", sim::ServerEvent::Kind::Login).size(), outcomes.count("connected"));
        QFile known(path);
        const bool pinned = checking && outcomes.at(0) == "connected";
        QCOMPARE(known.open(QIODevice::ReadOnly) ? known.readAll() : QByteArray("(none)"),
                 pinned ? QByteArray("127.0.5.160 8601 " + s_dataKey.toUtf8() + '\n') : QByteArray("(none)"));
    }

private:
    testsupport::TestSettings m_settings;
};

QTEST_GUILESS_MAIN(TestEncryption)
#include "tst_encryption.moc"
