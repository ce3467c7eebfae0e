// The SDK client against scripted servers: every answer a server may give,
// and every way a server may misbehave, decided message by message.

#include "configsystem/configsystem.h"
#include "sdk/connectionmanager.h"
#include "sdk/kelpsdk.h"
#include "sdk/orrinconfig.h"
#include "sdk/server.h"
#include "sdk/servergroup.h"
#include "sdk/wirechannel.h"
#include "testsupport/testsettings.h"

#include <QFile>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

#include <functional>
#include <map>
#include <memory>
#include <vector>

using kelp::ConnectionError;
using kelp::ConnectionManager;
using kelp::LoginError;
using kelp::OrrinConfig;
using kelp::OrrinUrl;
using kelp::WireChannel;
using kelp::WireError;
using kelp::WireMessage;
using kelp::WireType;

namespace {

constexpr quint16 s_port = 8601;
const QByteArray s_configuration("[General]\nname = Alpha\n\n[Licence]\nkey = 1234\n");

// Every answer a connection manager gives: a connect is answered exactly
// once, a disconnect once or not at all.
struct ManagerSpies
{
    explicit ManagerSpies(ConnectionManager& manager)
        : connected(&manager, &ConnectionManager::allServersConnected),
          loginError(&manager, &ConnectionManager::loginError),
          timedOut(&manager, &ConnectionManager::userConnectionTimedOut),
          disconnected(&manager, &ConnectionManager::allServersDisconnected)
    {
    }
    int connectAnswers() const { return connected.count() + loginError.count() + timedOut.count(); }

    QSignalSpy connected;
    QSignalSpy loginError;
    QSignalSpy timedOut;
    QSignalSpy disconnected;
};

// The four answers of a server configuration's requests.
struct ConfigSpies
{
    explicit ConfigSpies(OrrinConfig* config)
        : locked(config, &OrrinConfig::locked), unlocked(config, &OrrinConfig::unlocked),
          saved(config, &OrrinConfig::savedToServer), error(config, &OrrinConfig::configError)
    {
    }
    int answers() const { return locked.count() + unlocked.count() + saved.count() + error.count(); }
    ConnectionError lastError() const { return error.last().at(1).value<ConnectionError>(); }
    kelp::RequestId lastErrorId() const { return error.last().at(0).toUInt(); }

    QSignalSpy locked;
    QSignalSpy unlocked;
    QSignalSpy saved;
    QSignalSpy error;
};

// Runs the event loop until everything queued before the call has been
// delivered, so a test can check that a signal did not come.
void drainQueuedSignals()
{
    bool reached = false;
    QTimer::singleShot(0, [&reached] { reached = true; });
    QTRY_VERIFY(reached);
}

// Speaks the protocol as a well-behaved server unless the test replaces the
// answer to a request type. Records every request it receives.
class ScriptedServer : public QObject
{
public:
    using Answer = std::function<void(WireChannel& channel, const WireMessage& request)>;

    explicit ScriptedServer(const QString& address)
    {
        m_listening = m_server.listen(QHostAddress(address), s_port);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                m_channels.push_back(std::make_unique<WireChannel>(socket));
                WireChannel* channel = m_channels.back().get();
                connect(channel, &WireChannel::messageReceived, this,
                        [this, channel](const WireMessage& request) { handle(*channel, request); });
                connect(channel, &WireChannel::closed, this, [this] { ++m_dropped; });
            }
        });
    }

    bool isListening() const { return m_listening; }
    void answer(WireType type, Answer answer) { m_answers[type] = std::move(answer); }
    // Answers nothing to requests of this type.
    void ignore(WireType type)
    {
        answer(type, [](WireChannel&, const WireMessage&) {});
    }
    void answerWithError(WireType type, WireError code, const QString& text)
    {
        answer(type, [code, text](WireChannel& channel, const WireMessage& request) {
            channel.send(WireMessage::error(request.requestId, code, text));
        });
    }
    const QList<WireMessage>& requests() const { return m_requests; }
    QList<WireType> requestTypes() const
    {
        QList<WireType> types;
        for (const WireMessage& request : m_requests) {
            types.append(request.type);
        }
        return types;
    }
    int dropped() const { return m_dropped; }
    void dropAll()
    {
        for (auto& channel : m_channels) {
            channel->abort();
        }
    }

private:
    void handle(WireChannel& channel, const WireMessage& request)
    {
        m_requests.append(request);
        const auto custom = m_answers.find(request.type);
        if (custom != m_answers.end()) {
            custom->second(channel, request);
            return;
        }
        const quint32 id = request.requestId;
        switch (request.type) {
        case WireType::Hello:
            channel.send(WireMessage::welcome(id, QStringLiteral("scripted")));
            break;
        case WireType::Login:
            channel.send(WireMessage::loginOk(id, QStringLiteral("Alpha")));
            break;
        case WireType::GetConfig:
            channel.send(WireMessage::config(id, s_configuration));
            break;
        case WireType::Lock:
            channel.send(WireMessage::locked(id, true));
            break;
        case WireType::Save:
            channel.send(WireMessage::plain(WireType::Saved, id));
            break;
        case WireType::Unlock:
            channel.send(WireMessage::plain(WireType::Unlocked, id));
            break;
        case WireType::Restart:
            channel.send(WireMessage::plain(WireType::Restarting, id));
            channel.close();
            break;
        case WireType::Bye:
            channel.send(WireMessage::plain(WireType::Goodbye, id));
            channel.close();
            break;
        default:
            channel.send(WireMessage::error(id, WireError::ProtocolViolation, QStringLiteral("unexpected")));
            channel.close();
            break;
        }
    }

    QTcpServer m_server;
    bool m_listening = false;
    std::vector<std::unique_ptr<WireChannel>> m_channels;
    std::map<WireType, Answer> m_answers;
    QList<WireMessage> m_requests;
    int m_dropped = 0;
};

kelp::RequestId connectAdmin(ConnectionManager& manager, const QString& host,
                             const QString& password = QStringLiteral("pw"))
{
    return manager.connectToServer(QStringLiteral("admin"), password, OrrinUrl(host, s_port), false);
}

// A manager, a scripted server, and once open() succeeded the server's
// configuration with the spies on its answers.
struct Session
{
    explicit Session(const QString& address) : server(address), address(address) {}

    bool open()
    {
        QSignalSpy connected(&manager, &ConnectionManager::allServersConnected);
        id = connectAdmin(manager, address);
        if (!server.isListening() || !connected.wait(5000) || connected.at(0).at(0).toUInt() != id) {
            return false;
        }
        target = manager.serverGroup(id)->servers().at(0);
        config = target->config();
        spies = std::make_unique<ConfigSpies>(config.data());
        return true;
    }

    ScriptedServer server;
    QString address;
    ConnectionManager manager;
    kelp::RequestId id = 0;
    kelp::Server* target = nullptr;
    QSharedPointer<OrrinConfig> config;
    std::unique_ptr<ConfigSpies> spies;
};

} // namespace

class TestConnectionProtocol : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void connectsAndReadsConfiguration();
    void reportsFailedConnects_data();
    void reportsFailedConnects();
    void timesOutOnSilentServer_data();
    void timesOutOnSilentServer();
    void answersRequests();
    void reportsServerErrors();
    void failsRequestsWhenServerGoesSilent();
    void failsRequestsWhenConnectionDrops();
    void dropsServerSendingUnexpectedAnswers();
    void answersAfterDisconnectWithNotConnected();
    void disconnectSaysGoodbyeAndAbandonsPendingConnects();
    void restartIsSent();
    void logNeverShowsPassword();

private:
    testsupport::TestSettings m_settings;
};

void TestConnectionProtocol::initTestCase()
{
    kelp::KelpSDK::initInstance(QStringLiteral("QuorlanTest"), QStringLiteral("connection"), nullptr,
                                QStringLiteral("kelpsdk.log"));
    QVERIFY2(!kelp::KelpSDK::instance()->logFilePath().isEmpty(), "the SDK log must be open for the log test");
}

void TestConnectionProtocol::connectsAndReadsConfiguration()
{
    ScriptedServer server(QStringLiteral("127.0.5.1"));
    QVERIFY(server.isListening());
    ConnectionManager manager;
    ManagerSpies spies(manager);

    const kelp::RequestId id = connectAdmin(manager, QStringLiteral("127.0.5.1"), QStringLiteral("secret"));
    QCOMPARE(spies.connectAnswers(), 0);
    QTRY_COMPARE(spies.connected.count(), 1);
    QCOMPARE(spies.connected.at(0).at(0).toUInt(), id);

    QCOMPARE(server.requestTypes(), (QList<WireType>{WireType::Hello, WireType::Login, WireType::GetConfig}));
    QCOMPARE(server.requests().at(0).version, quint32(1));
    QCOMPARE(server.requests().at(1).name, QStringLiteral("admin"));
    QCOMPARE(server.requests().at(1).password, QStringLiteral("secret"));

    kelp::ServerGroup* group = manager.serverGroup(id);
    QVERIFY(group);
    QCOMPARE(group->servers().size(), 1);
    QCOMPARE(group->servers().at(0)->name(), QStringLiteral("Alpha"));
    QCOMPARE(group->servers().at(0)->host(), QStringLiteral("127.0.5.1"));
    QSharedPointer<OrrinConfig> config = group->servers().at(0)->config();
    QVERIFY(!config->isLocked());
    QCOMPARE(config->workingConfigCopy()->toText(), QString::fromUtf8(s_configuration));
    QCOMPARE(config->workingConfigCopy(), config->workingConfigCopy());

    manager.disconnectFromAll();
    QVERIFY2(manager.serverGroup(id) == nullptr, "the group goes with the disconnect");
    QTRY_COMPARE(spies.disconnected.count(), 1);
    QCOMPARE(spies.disconnected.at(0).at(0).toUInt(), id);
    QCOMPARE(spies.connectAnswers(), 1);
    QTRY_COMPARE(server.requestTypes().last(), WireType::Bye);
}

void TestConnectionProtocol::reportsFailedConnects_data()
{
    QTest::addColumn<QString>("host");
    // "refuse:<code>:<lock-out>" answers the login so, "raw" sends `reply`
    // instead of speaking the protocol (nothing: closes at once), "none" has
    // nothing listening.
    QTest::addColumn<QString>("server");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("text");

    const QString setUpFailed = QStringLiteral("Failed to set up connection. Server: %1, port: 8601");
    QTest::newRow("wrong password") << "127.0.5.3"
                                    << "refuse:2:0" << QByteArray() << 2
                                    << "Invalid username or password. Server: 127.0.5.3, port: 8601";
    QTest::newRow("locked out") << "127.0.5.4"
                                << "refuse:12:300" << QByteArray() << 12
                                << "Your account is locked for 5 minutes. Server: 127.0.5.4, port: 8601";
    QTest::newRow("refused") << "127.0.5.6"
                             << "none" << QByteArray() << 4
                             << "Failed to connect to the server. Server: 127.0.5.6, port: 8601";
    QTest::newRow("host not found") << "no-such-host.invalid"
                                    << "none" << QByteArray() << 5
                                    << "Server is not available. Server: no-such-host.invalid, port: 8601";
    QTest::newRow("garbage") << "127.0.5.10"
                             << "raw" << QByteArray("220 smtp.example ESMTP ready\r\n") << 6
                             << setUpFailed.arg(QStringLiteral("127.0.5.10"));
    QTest::newRow("oversized length") << "127.0.5.11"
                                      << "raw" << QByteArray::fromHex("4f520184ffffffff") + QByteArray(64, 'x') << 6
                                      << setUpFailed.arg(QStringLiteral("127.0.5.11"));
    QTest::newRow("closes at once") << "127.0.5.12"
                                    << "raw" << QByteArray() << 6 << setUpFailed.arg(QStringLiteral("127.0.5.12"));
    QTest::newRow("answer to another request") << "127.0.5.13"
                                               << "raw" << WireMessage::welcome(999999, QStringLiteral("x")).encode()
                                               << 6 << setUpFailed.arg(QStringLiteral("127.0.5.13"));
    QTest::newRow("newer protocol version") << "127.0.5.14"
                                            << "raw" << QByteArray::fromHex("4f52028100000004") + QByteArray(4, '\0')
                                            << 6 << setUpFailed.arg(QStringLiteral("127.0.5.14"));
}

void TestConnectionProtocol::reportsFailedConnects()
{
    QFETCH(QString, host);
    QFETCH(QString, server);
    QFETCH(QByteArray, reply);
    QFETCH(int, code);

    std::unique_ptr<ScriptedServer> scripted;
    QTcpServer raw;
    std::unique_ptr<QTcpSocket> peer;
    const int lockout = server.section(QLatin1Char(':'), 2).toInt();
    if (server.startsWith(QLatin1String("refuse"))) {
        scripted = std::make_unique<ScriptedServer>(host);
        QVERIFY(scripted->isListening());
        scripted->answer(WireType::Login, [code, lockout](WireChannel& channel, const WireMessage& request) {
            channel.send(WireMessage::loginRefused(request.requestId, code, lockout));
            channel.close();
        });
    } else if (server == QLatin1String("raw")) {
        QVERIFY(raw.listen(QHostAddress(host), s_port));
        connect(&raw, &QTcpServer::newConnection, this, [&] {
            peer.reset(raw.nextPendingConnection());
            if (reply.isEmpty()) {
                peer->close();
            } else {
                peer->write(reply);
            }
        });
    }
    ConnectionManager manager;
    ManagerSpies spies(manager);

    connectAdmin(manager, host, QStringLiteral("wrong"));
    QTRY_COMPARE_WITH_TIMEOUT(spies.loginError.count(), 1, 15000);
    const auto error = spies.loginError.at(0).at(0).value<LoginError>();
    QTEST(error.toString(), "text");
    QCOMPARE(error.errorId(), code);
    QCOMPARE(error.lockoutSeconds(), lockout);
    QCOMPARE(error.server(), host);
    QCOMPARE(error.port(), s_port);
    QCOMPARE(error.loginData().username(), QStringLiteral("admin"));
    QVERIFY2(error.loginData().password().isEmpty(), "an error value must not carry the password");
    if (peer) {
        QTRY_COMPARE(peer->state(), QAbstractSocket::UnconnectedState);
    }

    // A failed connect leaves nothing to disconnect and nothing to answer.
    manager.disconnectFromAll();
    drainQueuedSignals();
    QCOMPARE(spies.disconnected.count(), 0);
    QCOMPARE(spies.connectAnswers(), 1);
}

void TestConnectionProtocol::timesOutOnSilentServer_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<int>("silentAt");

    QTest::newRow("accepts, never greets") << QStringLiteral("127.0.5.7") << int(WireType::Hello);
    QTest::newRow("never answers the login") << QStringLiteral("127.0.5.8") << int(WireType::Login);
    QTest::newRow("half a configuration, then silence") << QStringLiteral("127.0.5.9") << int(WireType::GetConfig);
}

void TestConnectionProtocol::timesOutOnSilentServer()
{
    QFETCH(QString, address);
    QFETCH(int, silentAt);

    ScriptedServer server(address);
    QVERIFY(server.isListening());
    server.answer(WireType(silentAt), [](WireChannel& channel, const WireMessage& request) {
        if (request.type == WireType::GetConfig) {
            const QByteArray frame = WireMessage::config(request.requestId, s_configuration).encode();
            channel.socket()->write(frame.left(frame.size() / 2));
        }
    });
    ConnectionManager manager;
    manager.setConnectTimeout(300);
    ManagerSpies spies(manager);

    const kelp::RequestId id = connectAdmin(manager, address);
    QTRY_COMPARE(spies.timedOut.count(), 1);
    QCOMPARE(spies.timedOut.at(0).at(0).toUInt(), id);
    QCOMPARE(spies.timedOut.at(0).at(1).toUInt(), 0u);
    QVERIFY(!manager.serverGroup(id));
    QTRY_COMPARE(server.dropped(), 1);

    manager.disconnectFromAll();
    QTRY_COMPARE(spies.disconnected.count(), 1);
    QCOMPARE(spies.disconnected.at(0).at(0).toUInt(), id);
    QCOMPARE(spies.connectAnswers(), 1);
}

void TestConnectionProtocol::answersRequests()
{
    Session session(QStringLiteral("127.0.5.20"));
    QVERIFY(session.open());
    OrrinConfig* config = session.config.data();
    ConfigSpies& spies = *session.spies;

    const kelp::RequestId lockId = config->lock(false);
    QCOMPARE(spies.answers(), 0);
    QTRY_COMPARE(spies.locked.count(), 1);
    QCOMPARE(spies.locked.at(0).at(0).toUInt(), lockId);
    QVERIFY(config->isLocked());

    // The save uploads the shared working document as edited through it.
    config->workingConfigCopy()->loadText(QStringLiteral("[Network]\naddress = 10.0.0.1\n"), false, false);
    const kelp::RequestId saveId = config->saveToServer(false, true);
    QTRY_COMPARE(spies.saved.count(), 1);
    QCOMPARE(spies.saved.at(0).at(0).toUInt(), saveId);
    const WireMessage& save = session.server.requests().last();
    QCOMPARE(save.type, WireType::Save);
    QVERIFY(save.replace);
    QVERIFY(!save.force);
    QCOMPARE(save.configuration, QByteArray("[Network]\naddress = 10.0.0.1\n"));

    config->saveToServer(false, false);
    QTRY_COMPARE(spies.saved.count(), 2);
    QVERIFY2(!session.server.requests().last().replace, "a merge save must say so");

    const kelp::RequestId unlockId = config->unlock(true);
    QTRY_COMPARE(spies.unlocked.count(), 1);
    QCOMPARE(spies.unlocked.at(0).at(0).toUInt(), unlockId);
    QVERIFY(!config->isLocked());
    QVERIFY(session.server.requests().last().force);
    QCOMPARE(spies.answers(), 4);

    // A server answering "locked" without holding the lock is believed.
    session.server.answer(WireType::Lock, [](WireChannel& channel, const WireMessage& request) {
        channel.send(WireMessage::locked(request.requestId, false));
    });
    config->lock(false);
    QTRY_COMPARE(spies.locked.count(), 2);
    QVERIFY(!config->isLocked());
    QCOMPARE(spies.error.count(), 0);
}

void TestConnectionProtocol::reportsServerErrors()
{
    Session session(QStringLiteral("127.0.5.21"));
    session.server.answerWithError(WireType::Lock, WireError::LockHeld,
                                   QStringLiteral("The configuration is locked by another session"));
    session.server.answerWithError(WireType::Unlock, WireError::NotLocked, QString());
    QVERIFY(session.open());
    ConfigSpies& spies = *session.spies;

    const kelp::RequestId lockId = session.config->lock(false);
    QTRY_COMPARE(spies.error.count(), 1);
    QCOMPARE(spies.lastErrorId(), lockId);
    QCOMPARE(spies.lastError().errorId(), 3);
    QCOMPARE(spies.lastError().toString(), QStringLiteral("The configuration is locked by another session"));
    QVERIFY(!session.config->isLocked());

    session.config->unlock(false);
    QTRY_COMPARE(spies.error.count(), 2);
    QCOMPARE(spies.lastError().toString(), QStringLiteral("127.0.5.21:8601 refused the request (code 4)"));
    QCOMPARE(spies.answers(), 2);

    // An error answer does not end the session.
    session.config->saveToServer(false, false);
    QTRY_COMPARE(spies.saved.count(), 1);
}

void TestConnectionProtocol::failsRequestsWhenServerGoesSilent()
{
    Session session(QStringLiteral("127.0.5.22"));
    session.server.ignore(WireType::Save);
    session.server.ignore(WireType::Unlock);
    session.manager.setRequestTimeout(300);
    QVERIFY(session.open());
    ConfigSpies& spies = *session.spies;

    session.config->lock(false);
    QTRY_COMPARE(spies.locked.count(), 1);
    const kelp::RequestId saveId = session.config->saveToServer(false, false);
    const kelp::RequestId unlockId = session.config->unlock(true);
    QTRY_COMPARE(spies.error.count(), 2);
    QCOMPARE(spies.error.at(0).at(0).toUInt(), saveId);
    QCOMPARE(spies.error.at(0).at(1).value<ConnectionError>().errorId(), 102);
    QCOMPARE(spies.error.at(0).at(1).value<ConnectionError>().toString(),
             QStringLiteral("No answer from 127.0.5.22:8601 to the save request in time"));
    // The unlock queued behind it was already sent; the session closes, so it fails too.
    QCOMPARE(spies.lastErrorId(), unlockId);
    QCOMPARE(spies.lastError().errorId(), 101);
    QVERIFY(!session.config->isLocked());
    QTRY_COMPARE(session.server.dropped(), 1);

    // The server is not trusted again.
    session.config->lock(false);
    QTRY_COMPARE(spies.error.count(), 3);
    QCOMPARE(spies.lastError().toString(), QStringLiteral("Not connected to 127.0.5.22:8601"));
    QCOMPARE(spies.answers(), 4);
}

void TestConnectionProtocol::failsRequestsWhenConnectionDrops()
{
    Session session(QStringLiteral("127.0.5.23"));
    session.server.answer(WireType::Save, [&session](WireChannel&, const WireMessage&) { session.server.dropAll(); });
    QVERIFY(session.open());
    ConfigSpies& spies = *session.spies;

    session.config->lock(false);
    QTRY_COMPARE(spies.locked.count(), 1);
    const kelp::RequestId saveId = session.config->saveToServer(false, true);
    QTRY_COMPARE(spies.error.count(), 1);
    QCOMPARE(spies.lastErrorId(), saveId);
    QCOMPARE(spies.lastError().errorId(), 101);
    QVERIFY2(spies.lastError().toString().startsWith(QStringLiteral("Connection to 127.0.5.23:8601 lost: ")),
             qPrintable(spies.lastError().toString()));
    QVERIFY(!session.config->isLocked());

    // The group stays until the disconnect, which is answered as usual.
    ManagerSpies managerSpies(session.manager);
    session.manager.disconnectFromAll();
    QTRY_COMPARE(managerSpies.disconnected.count(), 1);
}

void TestConnectionProtocol::dropsServerSendingUnexpectedAnswers()
{
    Session session(QStringLiteral("127.0.5.24"));
    session.server.answer(WireType::Lock, [](WireChannel& channel, const WireMessage& request) {
        channel.send(WireMessage::plain(WireType::Saved, request.requestId));
    });
    QVERIFY(session.open());

    session.config->lock(false);
    QTRY_COMPARE(session.spies->error.count(), 1);
    QCOMPARE(session.spies->lastError().errorId(), 104);
    QVERIFY2(session.spies->lastError().toString().startsWith(
                 QStringLiteral("Invalid answer from 127.0.5.24:8601: saved #")),
             qPrintable(session.spies->lastError().toString()));
    QTRY_COMPARE(session.server.dropped(), 1);
    QCOMPARE(session.spies->answers(), 1);
}

void TestConnectionProtocol::answersAfterDisconnectWithNotConnected()
{
    Session session(QStringLiteral("127.0.5.25"));
    session.server.ignore(WireType::Lock);
    QVERIFY(session.open());
    ConfigSpies& spies = *session.spies;

    // The configuration is kept beyond the disconnect, as an operation keeps it until the next server.
    const kelp::RequestId pending = session.config->lock(false);
    QTRY_COMPARE(session.server.requestTypes().last(), WireType::Lock);
    session.manager.disconnectFromAll();
    QTRY_COMPARE(spies.error.count(), 1);
    QCOMPARE(spies.lastErrorId(), pending);
    QCOMPARE(spies.lastError().errorId(), 101);

    const kelp::RequestId later = session.config->saveToServer(false, false);
    QCOMPARE(spies.error.count(), 1);
    QTRY_COMPARE(spies.error.count(), 2);
    QCOMPARE(spies.lastErrorId(), later);
    QCOMPARE(spies.lastError().errorId(), 103);
    QCOMPARE(session.config->workingConfigCopy()->toText(), QString::fromUtf8(s_configuration));
}

void TestConnectionProtocol::disconnectSaysGoodbyeAndAbandonsPendingConnects()
{
    ScriptedServer slow(QStringLiteral("127.0.5.26"));
    QVERIFY(slow.isListening());
    slow.ignore(WireType::Login);
    ConnectionManager manager;
    ManagerSpies spies(manager);

    const kelp::RequestId id = connectAdmin(manager, QStringLiteral("127.0.5.26"));
    QTRY_COMPARE(slow.requestTypes(), (QList<WireType>{WireType::Hello, WireType::Login}));
    manager.disconnectFromAll();
    QTRY_COMPARE(spies.disconnected.count(), 1);
    QCOMPARE(spies.disconnected.at(0).at(0).toUInt(), id);
    QTRY_COMPARE(slow.dropped(), 1);
    drainQueuedSignals();
    QCOMPARE(spies.connectAnswers(), 0);
}

void TestConnectionProtocol::restartIsSent()
{
    Session session(QStringLiteral("127.0.5.27"));
    QVERIFY(session.open());

    session.target->restart(true);
    // Sent behind the restart: the server closes without answering it.
    const kelp::RequestId lockId = session.config->lock(false);
    QTRY_COMPARE(session.spies->error.count(), 1);
    QCOMPARE(session.spies->lastErrorId(), lockId);
    QCOMPARE(session.spies->lastError().errorId(), 101);
    QCOMPARE(session.server.requests().at(3).type, WireType::Restart);
    QVERIFY(session.server.requests().at(3).force);

    // The server is valid until the disconnect; the disconnect is answered.
    QCOMPARE(session.target->name(), QStringLiteral("Alpha"));
    QSignalSpy disconnected(&session.manager, &ConnectionManager::allServersDisconnected);
    session.manager.disconnectFromAll();
    QTRY_COMPARE(disconnected.count(), 1);
    QCOMPARE(session.spies->answers(), 1);
}

void TestConnectionProtocol::logNeverShowsPassword()
{
    ScriptedServer server(QStringLiteral("127.0.5.28"));
    QVERIFY(server.isListening());
    server.answer(WireType::Login, [](WireChannel& channel, const WireMessage& request) {
        channel.send(WireMessage::loginRefused(request.requestId, 2, 0));
    });
    ConnectionManager manager;
    ManagerSpies spies(manager);
    manager.connectToServer(QStringLiteral("logtester"), QStringLiteral("Pa55-w0rd-in-the-log?"),
                            OrrinUrl(QStringLiteral("127.0.5.28"), s_port), false);
    QTRY_COMPARE(spies.loginError.count(), 1);

    QFile log(kelp::KelpSDK::instance()->logFilePath());
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QByteArray text = log.readAll();
    QVERIFY2(text.contains("user logtester"), "the log records the login");
    QVERIFY2(!text.contains("Pa55-w0rd-in-the-log?"), "the password must never reach the log");
}

QTEST_GUILESS_MAIN(TestConnectionProtocol)
#include "tst_connectionprotocol.moc"
