#include "wireclient.h"

#include "sim/simulatedserver.h"
#include "testsupport/fleetfixture.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTest>

#include <memory>
#include <unistd.h>

using kelp::WireError;
using kelp::WireMessage;
using kelp::WireType;
using sim::DropStep;
using sim::Faults;
using sim::ServerEvent;
using testsupport::FleetFixture;
using Kind = sim::ServerEvent::Kind;

Q_DECLARE_METATYPE(sim::DropStep)

namespace {

const QString s_config = QStringLiteral("[General]\nname=north\n[Licence]\nkey=ABC\n[Network]\naddress=10.0.0.5");

// A client connected and logged in to the fixture's server at address.
std::unique_ptr<WireClient> loggedIn(const QString& address)
{
    auto client = std::make_unique<WireClient>();
    if (!client->connectTo(address) || !client->logIn(FleetFixture::defaultUser(), FleetFixture::defaultPassword())) {
        return nullptr;
    }
    return client;
}

bool isError(const std::optional<WireMessage>& answer, WireError code, const QString& text)
{
    return answer && answer->type == WireType::Error && answer->code == static_cast<qint32>(code) &&
           answer->text == text;
}

QString kinds(const QVector<ServerEvent>& events)
{
    QStringList names;
    for (const ServerEvent& event : events) {
        names.append(ServerEvent::kindName(event.kind) + (event.accepted ? QString() : QStringLiteral("!")));
    }
    return names.join(QLatin1Char(' '));
}

QString readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

} // namespace

class TestSimulatedServer : public QObject
{
    Q_OBJECT

private slots:
    void servesItsConfiguration();
    void refusesToStart();
    void requestsOutOfOrder();
    void lockIsExclusiveAndEndsWithItsSession();
    void saves_data();
    void saves();
    void saveReplacesTheFileAtomically();
    void rejectedUploadChangesNothing();
    void failedWriteKeepsTheConfiguration();
    void lockOutAfterRepeatedFailures();
    void successResetsTheFailureCount();
    void notListening();
    void answerDelay();
    void dropAtStep_data();
    void dropAtStep();
    void restartDropsSessionsForAWhile();
    void passwordsNeverRecorded();
};

void TestSimulatedServer::servesItsConfiguration()
{
    FleetFixture fleet;
    QVERIFY(fleet.addServer(QStringLiteral("north"), QStringLiteral("127.0.6.1"), s_config));
    QVERIFY(!fleet.wasContacted(QStringLiteral("north")));

    WireClient client;
    QVERIFY(client.connectTo(QStringLiteral("127.0.6.1")));
    const auto welcome = client.call(WireMessage::hello(0, QStringLiteral("test")));
    QVERIFY(welcome && welcome->type == WireType::Welcome);
    QCOMPARE(welcome->version, quint32(1));
    QCOMPARE(welcome->name, QStringLiteral("orrin-sim"));
    const auto login = client.call(WireMessage::login(0, FleetFixture::defaultUser(), FleetFixture::defaultPassword()));
    QVERIFY(login && login->type == WireType::LoginOk);
    QCOMPARE(login->name, QStringLiteral("north"));
    QCOMPARE(client.configuration(), std::optional<QString>(s_config));

    QVERIFY(fleet.wasContacted(QStringLiteral("north")));
    QCOMPARE(kinds(fleet.events(QStringLiteral("north"))), QStringLiteral("listening connected login get-config"));
    QCOMPARE(fleet.events(QStringLiteral("north"), Kind::Login).first().toString(),
             QStringLiteral("north #1 login: user admin"));
    QCOMPARE(fleet.events(QStringLiteral("north"), Kind::GetConfig).first().detail,
             QStringLiteral("%1 bytes").arg(s_config.size()));

    const auto goodbye = client.call(WireMessage::plain(WireType::Bye, 0));
    QVERIFY(goodbye && goodbye->type == WireType::Goodbye);
    QVERIFY(client.waitClosed());
    QTRY_COMPARE(fleet.server(QStringLiteral("north"))->sessionCount(), 0);
    QCOMPARE(fleet.events(QStringLiteral("north")).last().kind, Kind::Closed);
}

void TestSimulatedServer::refusesToStart()
{
    FleetFixture fleet;
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("Invalid name for section")));
    QVERIFY(
        !fleet.addServer(QStringLiteral("bad"), QStringLiteral("127.0.6.17"), QStringLiteral("[General]\n[Bogus]")));
    QCOMPARE(fleet.errorString(),
             fleet.configPath(QStringLiteral("bad")) + QStringLiteral(": Invalid name for section: \"Bogus\""));
    QVERIFY(!fleet.server(QStringLiteral("bad"))->isListening());

    QVERIFY(fleet.addServer(QStringLiteral("first"), QStringLiteral("127.0.6.18"), s_config));
    QTest::ignoreMessage(QtWarningMsg, "second: first already listens on 127.0.6.18:8601");
    QVERIFY(!fleet.addServer(QStringLiteral("second"), QStringLiteral("127.0.6.18"), s_config));
    QCOMPARE(fleet.errorString(), QStringLiteral("second: first already listens on 127.0.6.18:8601"));

    sim::ServerProfile spec = FleetFixture::defaultSpec(QStringLiteral("rival"), QStringLiteral("127.0.6.18"));
    spec.configPath = fleet.configPath(QStringLiteral("first"));
    sim::SimulatedServer rival(spec);
    QVERIFY(!rival.start());
    QVERIFY2(rival.errorString().startsWith(QStringLiteral("rival: cannot listen on 127.0.6.18:8601: ")),
             qPrintable(rival.errorString()));
}

void TestSimulatedServer::requestsOutOfOrder()
{
    FleetFixture fleet;
    QVERIFY(fleet.addServer(QStringLiteral("a"), QStringLiteral("127.0.6.1"), s_config));

    WireClient early;
    QVERIFY(early.connectTo(QStringLiteral("127.0.6.1")));
    QVERIFY(isError(early.call(WireMessage::getConfig(0)), WireError::NotLoggedIn, QStringLiteral("not logged in")));
    QVERIFY(isError(early.call(WireMessage::login(0, FleetFixture::defaultUser(), FleetFixture::defaultPassword())),
                    WireError::NotLoggedIn, QStringLiteral("no greeting before the login")));
    QVERIFY(isError(early.call(WireMessage::plain(WireType::Bye, 0)), WireError::NotLoggedIn,
                    QStringLiteral("no greeting before the goodbye")));
    QVERIFY(early.call(WireMessage::hello(0, QString())));
    QVERIFY(isError(early.lock(), WireError::NotLoggedIn, QStringLiteral("not logged in")));
    QVERIFY(isError(early.call(WireMessage::hello(0, QString())), WireError::ProtocolViolation,
                    QStringLiteral("greeted twice")));
    QVERIFY(early.waitClosed());

    WireClient old;
    QVERIFY(old.connectTo(QStringLiteral("127.0.6.1")));
    WireMessage hello = WireMessage::hello(0, QString());
    hello.version = 0;
    QVERIFY(isError(old.call(hello), WireError::UnsupportedVersion,
                    QStringLiteral("protocol version 0 is not spoken here")));
    QVERIFY(old.waitClosed());

    const auto confused = loggedIn(QStringLiteral("127.0.6.1"));
    QVERIFY(confused);
    QVERIFY(isError(confused->call(WireMessage::plain(WireType::Saved, 0)), WireError::ProtocolViolation,
                    QStringLiteral("unexpected message: saved")));
    QVERIFY(confused->waitClosed());
    QVERIFY(fleet.events(QStringLiteral("a"), Kind::Lock).isEmpty());
}

void TestSimulatedServer::lockIsExclusiveAndEndsWithItsSession()
{
    FleetFixture fleet;
    QVERIFY(fleet.addServer(QStringLiteral("a"), QStringLiteral("127.0.6.1"), s_config));
    const sim::SimulatedServer* server = fleet.server(QStringLiteral("a"));
    const auto first = loggedIn(QStringLiteral("127.0.6.1"));
    const auto second = loggedIn(QStringLiteral("127.0.6.1"));
    QVERIFY(first && second);

    auto answer = first->lock();
    QVERIFY(answer && answer->type == WireType::Locked && answer->held);
    answer = first->lock();
    QVERIFY2(answer && answer->type == WireType::Locked && answer->held, "taking one's own lock again");
    QVERIFY(server->isLockHeld());

    const QString heldText = QStringLiteral("the configuration is locked by another session");
    const QString notHeldText = QStringLiteral("this session does not hold the configuration lock");
    QVERIFY(isError(second->lock(), WireError::LockHeld, heldText));
    QVERIFY(isError(second->lock(true), WireError::LockHeld, heldText));
    QVERIFY(isError(second->save(QStringLiteral("[General]\nname=x"), false), WireError::NotLocked, notHeldText));
    QVERIFY(isError(second->unlock(), WireError::NotLocked, notHeldText));
    answer = second->unlock(true);
    QVERIFY2(answer && answer->type == WireType::Unlocked, "a forced unlock is answered");
    QVERIFY2(server->isLockHeld(), "but takes no lock away from another session");
    QCOMPARE(fleet.configText(QStringLiteral("a")), s_config);

    first->abort();
    QTRY_VERIFY(!server->isLockHeld());
    const QVector<ServerEvent> released = fleet.events(QStringLiteral("a"), Kind::Released);
    QCOMPARE(released.size(), 1);
    QCOMPARE(released.first().session, 1);
    answer = second->lock();
    QVERIFY(answer && answer->type == WireType::Locked && answer->held);
    answer = second->unlock();
    QVERIFY(answer && answer->type == WireType::Unlocked);
    QVERIFY(!server->isLockHeld());
    QVERIFY(isError(second->unlock(), WireError::NotLocked, notHeldText));
}

void TestSimulatedServer::saves_data()
{
    QTest::addColumn<QString>("upload");
    QTest::addColumn<bool>("replace");
    QTest::addColumn<QString>("expected");

    QTest::newRow("merge of both kinds, in the upload's order")
        << QStringLiteral("[Storage3]\npath=/d\n[General]\nname=south") << false
        << QStringLiteral("[General]\nname=south\n[Licence]\nkey=ABC\n[Network]\naddress=10.0.0.5\n"
                          "[Storage3]\npath=/d");
    QTest::newRow("merge without sections keeps everything") << QStringLiteral("loose=1") << false << s_config;
    QTest::newRow("replace with nothing empties") << QString() << true << QString();
}

void TestSimulatedServer::saves()
{
    QFETCH(QString, upload);
    QFETCH(bool, replace);
    QFETCH(QString, expected);

    FleetFixture fleet;
    QVERIFY(fleet.addServer(QStringLiteral("a"), QStringLiteral("127.0.6.2"), s_config));
    const auto client = loggedIn(QStringLiteral("127.0.6.2"));
    QVERIFY(client);
    QVERIFY(client->lock());
    const auto answer = client->save(upload, replace);
    QVERIFY2(answer && answer->type == WireType::Saved, answer ? qPrintable(answer->describe()) : "no answer");

    QCOMPARE(fleet.configText(QStringLiteral("a")), expected);
    QCOMPARE(client->configuration(), std::optional<QString>(expected));
    const QVector<ServerEvent> saves = fleet.events(QStringLiteral("a"), Kind::Save);
    QCOMPARE(saves.size(), 1);
    QCOMPARE(saves.first().detail, QStringLiteral("%1, %2 bytes")
                                       .arg(replace ? QStringLiteral("replace") : QStringLiteral("merge"))
                                       .arg(upload.toUtf8().size()));
    QCOMPARE(QDir(fleet.directory()).entryList(QDir::Files), QStringList{QStringLiteral("a.conf")});
}

void TestSimulatedServer::saveReplacesTheFileAtomically()
{
    FleetFixture fleet;
    QVERIFY(fleet.addServer(QStringLiteral("a"), QStringLiteral("127.0.6.3"), s_config));
    // A second name for the file as it was: a file written in place would
    // change under it, a file replaced as a whole leaves it alone.
    const QString witness = QDir(fleet.directory()).filePath(QStringLiteral("witness"));
    QCOMPARE(::link(QFile::encodeName(fleet.configPath(QStringLiteral("a"))).constData(),
                    QFile::encodeName(witness).constData()),
             0);

    const auto client = loggedIn(QStringLiteral("127.0.6.3"));
    QVERIFY(client && client->lock());
    const auto answer = client->save(QStringLiteral("[General]\nname=renamed"), true, true);
    QVERIFY(answer && answer->type == WireType::Saved);
    QCOMPARE(fleet.configText(QStringLiteral("a")), QStringLiteral("[General]\nname=renamed"));
    QCOMPARE(readFile(witness), s_config);
}

void TestSimulatedServer::rejectedUploadChangesNothing()
{
    FleetFixture fleet;
    QVERIFY(fleet.addServer(QStringLiteral("a"), QStringLiteral("127.0.6.4"), s_config));
    const auto client = loggedIn(QStringLiteral("127.0.6.4"));
    QVERIFY(client && client->lock());
    for (const bool replace : {false, true}) {
        const auto answer = client->save(QStringLiteral("[General]\nname=x\n[Bogus]\nv=1"), replace);
        QVERIFY(
            isError(answer, WireError::InvalidConfiguration, QStringLiteral("Invalid name for section: \"Bogus\"")));
        QCOMPARE(fleet.configText(QStringLiteral("a")), s_config);
        QCOMPARE(client->configuration(), std::optional<QString>(s_config));
    }
    QCOMPARE(kinds(fleet.events(QStringLiteral("a"), Kind::Save)), QStringLiteral("save! save!"));
}

void TestSimulatedServer::failedWriteKeepsTheConfiguration()
{
    QTemporaryDir root;
    const QString directory = root.filePath(QStringLiteral("gone"));
    QVERIFY(QDir().mkpath(directory));
    sim::ServerProfile spec = FleetFixture::defaultSpec(QStringLiteral("a"), QStringLiteral("127.0.6.5"));
    spec.configPath = QDir(directory).filePath(QStringLiteral("a.conf"));
    QFile file(spec.configPath);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(s_config.toUtf8()) > 0);
    file.close();
    sim::SimulatedServer server(spec);
    QVERIFY2(server.start(), qPrintable(server.errorString()));

    const auto client = loggedIn(QStringLiteral("127.0.6.5"));
    QVERIFY(client && client->lock());
    QVERIFY(QDir(directory).removeRecursively());
    const auto answer = client->save(QStringLiteral("[General]\nname=x"), false);
    QVERIFY(answer && answer->type == WireType::Error);
    QCOMPARE(answer->code, static_cast<qint32>(WireError::StorageFailed));
    QVERIFY2(answer->text.startsWith(QStringLiteral("the configuration could not be stored: ")),
             qPrintable(answer->text));
    QCOMPARE(client->configuration(), std::optional<QString>(s_config));
}

void TestSimulatedServer::lockOutAfterRepeatedFailures()
{
    FleetFixture fleet;
    sim::ServerProfile spec = FleetFixture::defaultSpec(QStringLiteral("a"), QStringLiteral("127.0.6.6"));
    spec.lockoutFailures = 3;
    spec.lockoutSeconds = 1;
    QVERIFY(fleet.addServer(spec, s_config));

    const auto attempt = [](const QString& password) {
        WireClient client;
        if (!client.connectTo(QStringLiteral("127.0.6.6")) || !client.call(WireMessage::hello(0, QString()))) {
            return std::optional<WireMessage>();
        }
        auto answer = client.call(WireMessage::login(0, FleetFixture::defaultUser(), password));
        if (answer && answer->type == WireType::LoginRefused && !client.waitClosed()) {
            return std::optional<WireMessage>();
        }
        return answer;
    };
    const auto refused = [](const std::optional<WireMessage>& answer, int code, int seconds) {
        return answer && answer->type == WireType::LoginRefused && answer->code == code &&
               answer->lockoutSeconds == seconds;
    };
    QVERIFY(refused(attempt(QStringLiteral("wrong")), 2, 0));
    QVERIFY(refused(attempt(QStringLiteral("wrong")), 2, 0));
    QVERIFY2(refused(attempt(QStringLiteral("wrong")), 12, 1), "the third failure locks the account");
    QVERIFY2(refused(attempt(FleetFixture::defaultPassword()), 12, 1), "even the right password is refused");
    QCOMPARE(fleet.events(QStringLiteral("a"), Kind::Login).at(2).detail,
             QStringLiteral("user admin, code 12, locked out for 1 s"));
    const auto accepted = [&attempt] {
        const auto answer = attempt(FleetFixture::defaultPassword());
        return answer && answer->type == WireType::LoginOk;
    };
    QTRY_VERIFY2_WITH_TIMEOUT(accepted(), "the lock-out ends after its time", 4000);
}

void TestSimulatedServer::successResetsTheFailureCount()
{
    FleetFixture fleet;
    sim::ServerProfile spec = FleetFixture::defaultSpec(QStringLiteral("a"), QStringLiteral("127.0.6.16"));
    spec.lockoutFailures = 2;
    QVERIFY(fleet.addServer(spec, s_config));
    for (const QString& password : {QStringLiteral("wrong"), FleetFixture::defaultPassword(), QStringLiteral("wrong"),
                                    FleetFixture::defaultPassword()}) {
        WireClient client;
        QVERIFY(client.connectTo(QStringLiteral("127.0.6.16")));
        QCOMPARE(client.logIn(FleetFixture::defaultUser(), password), password == FleetFixture::defaultPassword());
    }
    WireClient stranger;
    QVERIFY(stranger.connectTo(QStringLiteral("127.0.6.16")));
    QVERIFY2(!stranger.logIn(QStringLiteral("root"), FleetFixture::defaultPassword()), "the user name counts too");
    QCOMPARE(fleet.events(QStringLiteral("a"), Kind::Login).last().detail, QStringLiteral("user root, code 2"));
}

void TestSimulatedServer::notListening()
{
    Faults faults;
    faults.notListening = true;
    FleetFixture fleet;
    QVERIFY(fleet.addServer(QStringLiteral("a"), QStringLiteral("127.0.6.8"), s_config, faults));
    QVERIFY(!fleet.server(QStringLiteral("a"))->isListening());
    WireClient refused;
    QVERIFY(!refused.connectTo(QStringLiteral("127.0.6.8")));

    fleet.setFaults(QStringLiteral("a"), Faults());
    QVERIFY(loggedIn(QStringLiteral("127.0.6.8")));
    fleet.setFaults(QStringLiteral("a"), faults);
    WireClient refusedAgain;
    QVERIFY(!refusedAgain.connectTo(QStringLiteral("127.0.6.8")));
    QCOMPARE(kinds(fleet.events(QStringLiteral("a"))),
             QStringLiteral("unavailable listening connected login unavailable closed"));
    QCOMPARE(fleet.events(QStringLiteral("a")).first().detail, QStringLiteral("nothing listening (fault)"));
}

void TestSimulatedServer::answerDelay()
{
    Faults faults;
    faults.answerDelayMs = 400;
    FleetFixture fleet;
    QVERIFY(fleet.addServer(QStringLiteral("a"), QStringLiteral("127.0.6.12"), s_config, faults));
    WireClient client;
    QVERIFY(client.connectTo(QStringLiteral("127.0.6.12")));
    QVERIFY(client.send(WireMessage::hello(0, QString())));
    QVERIFY(client.send(WireMessage::login(0, FleetFixture::defaultUser(), FleetFixture::defaultPassword())));
    QVERIFY(client.send(WireMessage::getConfig(0)));
    QVERIFY2(!client.nextAnswer(100), "an answer came before its delay");
    QCOMPARE(client.nextAnswer()->type, WireType::Welcome);
    QCOMPARE(client.nextAnswer()->type, WireType::LoginOk);
    const auto config = client.nextAnswer();
    QVERIFY(config && config->type == WireType::Config);
    QCOMPARE(config->requestId, quint32(3));
}

void TestSimulatedServer::dropAtStep_data()
{
    QTest::addColumn<DropStep>("step");
    QTest::addColumn<QString>("name");

    QTest::newRow("connect") << DropStep::Connect << QStringLiteral("connect");
    QTest::newRow("hello") << DropStep::Hello << QStringLiteral("hello");
    QTest::newRow("login") << DropStep::Login << QStringLiteral("login");
    QTest::newRow("get") << DropStep::GetConfig << QStringLiteral("getconfig");
    QTest::newRow("lock") << DropStep::Lock << QStringLiteral("lock");
    QTest::newRow("save") << DropStep::Save << QStringLiteral("save");
    QTest::newRow("unlock") << DropStep::Unlock << QStringLiteral("unlock");
    QTest::newRow("restart") << DropStep::Restart << QStringLiteral("restart");
}

void TestSimulatedServer::dropAtStep()
{
    QFETCH(DropStep, step);
    QFETCH(QString, name);
    Faults faults;
    faults.dropAt = step;
    FleetFixture fleet;
    QVERIFY(fleet.addServer(QStringLiteral("a"), QStringLiteral("127.0.6.13"), s_config, faults));

    // The session in the order the SDK talks; every step before the named
    // one is answered, the named one ends the connection unanswered.
    const QVector<QPair<DropStep, WireMessage>> session = {
        {DropStep::Hello, WireMessage::hello(0, QString())},
        {DropStep::Login, WireMessage::login(0, FleetFixture::defaultUser(), FleetFixture::defaultPassword())},
        {DropStep::GetConfig, WireMessage::getConfig(0)},
        {DropStep::Lock, WireMessage::lock(0, false)},
        {DropStep::Save, WireMessage::save(0, false, true, QByteArrayLiteral("[General]\nname=x"))},
        {DropStep::Unlock, WireMessage::unlock(0, false)},
        {DropStep::Restart, WireMessage::restart(0, true)},
    };
    WireClient client;
    QVERIFY(client.connectTo(QStringLiteral("127.0.6.13")));
    for (const auto& request : session) {
        if (step == DropStep::Connect) {
            break;
        }
        const auto answer = client.call(request.second, 2000);
        if (request.first == step) {
            QVERIFY2(!answer, qPrintable(answer ? answer->describe() : QString()));
            break;
        }
        QVERIFY2(answer && answer->type != WireType::Error, qPrintable(Faults::stepName(request.first)));
    }
    QVERIFY(client.waitClosed());
    const QVector<ServerEvent> dropped = fleet.events(QStringLiteral("a"), Kind::Dropped);
    QCOMPARE(dropped.size(), 1);
    QCOMPARE(dropped.first().detail, QStringLiteral("at %1 (fault)").arg(name));
    QCOMPARE(fleet.configText(QStringLiteral("a")),
             step == DropStep::Unlock || step == DropStep::Restart ? QStringLiteral("[General]\nname=x") : s_config);
    QTRY_VERIFY2(!fleet.server(QStringLiteral("a"))->isLockHeld(), "the dropped session's lock is released");
    QVERIFY(fleet.server(QStringLiteral("a"))->isListening());
}

void TestSimulatedServer::restartDropsSessionsForAWhile()
{
    FleetFixture fleet;
    sim::ServerProfile spec = FleetFixture::defaultSpec(QStringLiteral("a"), QStringLiteral("127.0.6.14"));
    spec.restartMs = 300;
    QVERIFY(fleet.addServer(spec, s_config));
    const auto asking = loggedIn(QStringLiteral("127.0.6.14"));
    const auto bystander = loggedIn(QStringLiteral("127.0.6.14"));
    QVERIFY(asking && bystander);
    QVERIFY(asking->lock());

    const auto answer = asking->call(WireMessage::restart(0, true));
    QVERIFY(answer && answer->type == WireType::Restarting);
    QVERIFY(asking->waitClosed());
    QVERIFY(bystander->waitClosed());
    QVERIFY(!fleet.server(QStringLiteral("a"))->isLockHeld());
    WireClient during;
    QVERIFY2(!during.connectTo(QStringLiteral("127.0.6.14")), "a restarting server accepts no connection");
    QTRY_VERIFY(fleet.server(QStringLiteral("a"))->isListening());
    QVERIFY(loggedIn(QStringLiteral("127.0.6.14")));
    QCOMPARE(fleet.events(QStringLiteral("a"), Kind::Restart).size(), 1);
    QCOMPARE(fleet.events(QStringLiteral("a"), Kind::Unavailable).first().detail,
             QStringLiteral("restarting for 300 ms"));
    QCOMPARE(fleet.events(QStringLiteral("a"), Kind::Listening).size(), 2);
}

void TestSimulatedServer::passwordsNeverRecorded()
{
    FleetFixture fleet;
    QVERIFY(fleet.addServer(QStringLiteral("a"), QStringLiteral("127.0.6.15"), s_config));
    QVERIFY(loggedIn(QStringLiteral("127.0.6.15")));
    WireClient wrong;
    QVERIFY(wrong.connectTo(QStringLiteral("127.0.6.15")));
    QVERIFY(!wrong.logIn(FleetFixture::defaultUser(), QStringLiteral("guessed-Pa55")));
    QCOMPARE(fleet.events(QStringLiteral("a"), Kind::Login).size(), 2);
    for (const ServerEvent& event : fleet.events(QStringLiteral("a"))) {
        QVERIFY2(!event.toString().contains(QStringLiteral("Pa55")), qPrintable(event.toString()));
    }
}

QTEST_GUILESS_MAIN(TestSimulatedServer)
#include "tst_simulatedserver.moc"
