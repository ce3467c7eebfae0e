// The SDK's wire protocol: frames, the channel, the section schema, and the
// client against a scripted server that gives every answer and misbehaves in every way; and against the
// simulator, the encryption of every session and the pinning of servers' keys.

#include "configsystem/configsystem.h"
#include "sdk/configschema.h"
#include "sdk/connectionmanager.h"
#include "sdk/kelpsdk.h"
#include "sdk/orrinconfig.h"
#include "sdk/publickeychecker.h"
#include "sdk/server.h"
#include "sdk/servergroup.h"
#include "sdk/wirechannel.h"
#include "sdk/wirereader.h"
#include "sim/tlslistener.h"
#include "testsupport/fleetfixture.h"
#include "testsupport/testsettings.h"

#include <QBuffer>
#include <QFile>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSslSocket>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QtEndian>

#include <functional>
#include <map>
#include <memory>

using kelp::WireChannel;
using kelp::WireError;
using kelp::WireMessage;
using kelp::WireReader;
using kelp::WireType;

namespace {

QByteArray u32(quint32 value)
{
    char bytes[4];
    qToBigEndian(value, bytes);
    return QByteArray(bytes, 4);
}

QByteArray header(quint8 version, quint8 type, quint32 length)
{
    return "OR" + QByteArray(1, char(version)) + char(type) + u32(length);
}

// A frame with a hand-made payload, for payloads the encoder never produces.
QByteArray rawFrame(WireType type, const QByteArray& payload)
{
    return header(WireMessage::protocolVersion, quint8(type), quint32(payload.size())) + payload;
}

// Reads one frame from the bytes and says what came of it.
QString readOnce(QByteArray bytes, WireMessage* message = nullptr)
{
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    WireMessage ignored;
    WireReader reader;
    const WireReader::Result result = reader.read(buffer, message ? *message : ignored);
    const QString left = QStringLiteral(", %1 bytes left").arg(buffer.bytesAvailable());
    return result == WireReader::Result::Message      ? QStringLiteral("message") + left
           : result == WireReader::Result::Incomplete ? QStringLiteral("incomplete") + left
                                                      : QStringLiteral("invalid: ") + reader.errorText();
}

QVariantList fieldsOf(const WireMessage& m)
{
    return {int(m.type), m.requestId,      m.version, m.name,    m.password, m.text,
            m.code,      m.lockoutSeconds, m.force,   m.replace, m.held,     m.configuration};
}

const QByteArray s_configuration("[General]\nname = Alpha\n\n[Licence]\nkey = 1234\n");
const QString s_password = QStringLiteral("Pa55-w0rd-in-the-log?");

QString line(const char* what, uint id, const QString& rest = QString())
{
    return QLatin1String(what) + QLatin1Char(' ') + QString::number(id) + rest;
}

// The messages from `from` on, described without their ids, " force" added where set.
QStringList described(const QList<WireMessage>& messages, int from)
{
    QStringList lines;
    for (const WireMessage& m : messages.mid(from)) {
        lines << m.describe().remove(QRegularExpression(QStringLiteral(" #\\d+"))) + (m.force ? " force" : "");
    }
    return lines;
}

// Runs the event loop until everything queued before the call has been
// delivered, so a test can check that a signal did not come.
void drainQueuedSignals()
{
    bool reached = false;
    QTimer::singleShot(0, [&reached] { reached = true; });
    QTRY_VERIFY(reached);
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
            for (const auto& [source, sink] : {std::make_pair(in, out), std::make_pair(out, in)}) {
                connect(source, &QTcpSocket::readyRead, this, [this, source = source, sink = sink] {
                    bytes += source->peek(source->bytesAvailable());
                    sink->write(source->readAll());
                });
                connect(source, &QTcpSocket::disconnected, sink, &QTcpSocket::disconnectFromHost);
            }
        });
        listener.listen(QHostAddress(from), 8601);
    }

    QTcpServer listener;
    QByteArray bytes;
};

// A server at one address that speaks the protocol as a well-behaved server
// would, except where the test's script answers a request itself (and
// returns true), and the SDK client to it. The server keeps every request;
// every answer of the SDK goes into `lines`, in the order they come.
struct Session : QObject
{
    explicit Session(const QString& address, bool listening = true) : address(address)
    {
        connect(&tcp, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = tcp.nextPendingConnection()) {
                channel = std::make_unique<WireChannel>(socket);
                connect(channel.get(), &WireChannel::messageReceived, this, [this](const WireMessage& request) {
                    requests.append(request);
                    if (!script || !script(*channel, request)) {
                        answerWell(request);
                    }
                });
            }
        });
        if (listening) {
            tcp.setIdentity(testsupport::FleetFixture::identity(address));
            tcp.listen(QHostAddress(address), 8601);
        }
        connect(&manager, &kelp::ConnectionManager::allServersConnected, this,
                [this](uint id) { add("connected", id); });
        connect(&manager, &kelp::ConnectionManager::loginError, this, [this](const kelp::LoginError& e) {
            lines << QStringLiteral("login error %1 %2 for %3:%4@%5:%6")
                         .arg(e.errorId())
                         .arg(e.lockoutSeconds())
                         .arg(e.loginData().username(), e.loginData().password(), e.server())
                         .arg(e.port());
        });
        connect(&manager, &kelp::ConnectionManager::userConnectionTimedOut, this,
                [this](uint id, uint server) { add("timed out", id, QStringLiteral(" %1").arg(server)); });
        connect(&manager, &kelp::ConnectionManager::allServersDisconnected, this,
                [this](uint id) { add("disconnected", id); });
    }

    void answerWell(const WireMessage& request)
    {
        static const std::map<WireType, WireType> answerTo = {
            {WireType::Hello, WireType::Welcome},      {WireType::Login, WireType::LoginOk},
            {WireType::GetConfig, WireType::Config},   {WireType::Lock, WireType::Locked},
            {WireType::Save, WireType::Saved},         {WireType::Unlock, WireType::Unlocked},
            {WireType::Restart, WireType::Restarting}, {WireType::Bye, WireType::Goodbye}};
        // Only the fields of the answer's type are sent.
        WireMessage answer = WireMessage::plain(answerTo.at(request.type), request.requestId);
        answer.version = WireMessage::protocolVersion;
        answer.name = QStringLiteral("Alpha");
        answer.configuration = s_configuration;
        answer.held = true;
        channel->send(answer);
        if (request.type == WireType::Restart || request.type == WireType::Bye) {
            channel->close();
        }
    }

    kelp::RequestId connectAdmin(const QString& password = s_password)
    {
        return id = manager.connectToServer(QStringLiteral("admin"), password, kelp::OrrinUrl(address, 8601), false);
    }

    // Connects (unless a connect is under way) and watches the configuration.
    bool open()
    {
        if (id == 0) {
            connectAdmin();
        }
        if (!QTest::qWaitFor([this] { return !lines.isEmpty(); }, 5000) ||
            lines != QStringList{line("connected", id)}) {
            return false;
        }
        target = manager.serverGroup(id)->servers().at(0);
        config = target->config();
        connect(config.data(), &kelp::OrrinConfig::locked, this, [this](uint id) { add("locked", id); });
        connect(config.data(), &kelp::OrrinConfig::savedToServer, this, [this](uint id) { add("saved", id); });
        connect(config.data(), &kelp::OrrinConfig::unlocked, this, [this](uint id) { add("unlocked", id); });
        connect(config.data(), &kelp::OrrinConfig::configError, this,
                [this](uint id, const kelp::ConnectionError& error) {
                    add("error", id, QStringLiteral(" %1: %2").arg(error.errorId()).arg(error.toString()));
                });
        return true;
    }

    void add(const char* what, uint id, const QString& rest = QString()) { lines << line(what, id, rest); }

    QString address;
    sim::TlsListener tcp;
    std::unique_ptr<WireChannel> channel;
    std::function<bool(WireChannel& channel, const WireMessage& request)> script;
    QList<WireMessage> requests;
    kelp::ConnectionManager manager;
    QStringList lines;
    kelp::RequestId id = 0;
    kelp::Server* target = nullptr;
    QSharedPointer<kelp::OrrinConfig> config;
};

} // namespace

class TestProtocol : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void roundTrip_data();
    void roundTrip();
    void refusesBadFrames_data();
    void refusesBadFrames();
    void keepsToTheLimits();
    void channelDeliversMessages_data();
    void channelDeliversMessages();
    void schemaRoundTripsEveryKind();
    void reportsFailedConnects_data();
    void reportsFailedConnects();
    void connectThatNeverCompletes_data();
    void connectThatNeverCompletes();
    void answersRequests();
    void failsRequests_data();
    void failsRequests();
    void logRotates();
    void relayedBackupAndPushShowNoSecret();
    void plainServerIsRefused();
    void serverKeys_data();
    void serverKeys();
    void serverKeyFilesMustMatch();

private:
    testsupport::TestSettings m_settings;
};

void TestProtocol::initTestCase()
{
    kelp::KelpSDK::initInstance(QStringLiteral("QuorlanTest"), QStringLiteral("connection"), nullptr,
                                QStringLiteral("kelpsdk.log"));
    QVERIFY2(!kelp::KelpSDK::instance()->logFilePath().isEmpty(), "the SDK log must be open for the log check");
}

void TestProtocol::roundTrip_data()
{
    QTest::addColumn<WireMessage>("message");

    QTest::newRow("number and string") << WireMessage::welcome(2, QString::fromUtf8("orrin-sim \xC3\xBC"));
    QTest::newRow("two strings") << WireMessage::login(3, QStringLiteral("admin"), QStringLiteral("s3cr=t;\"'"));
    QTest::newRow("two signed numbers") << WireMessage::loginRefused(5, -1, -7);
    QTest::newRow("text") << WireMessage::config(8, QByteArray("[General]\r\nname = Alpha\n\0x", 26));
    QTest::newRow("two flags and text") << WireMessage::save(13, false, true, QByteArray("[User1]\n"));
    QTest::newRow("flag") << WireMessage::locked(11, true);
    QTest::newRow("code and string") << WireMessage::error(21, WireError::LockHeld, QStringLiteral("held"));
    QTest::newRow("id only") << WireMessage::plain(WireType::Goodbye, 0xFFFFFFFFu);
}

void TestProtocol::roundTrip()
{
    QFETCH(WireMessage, message);

    const QByteArray frame = message.encode();
    QCOMPARE(frame.left(8), header(2, quint8(message.type), quint32(frame.size() - WireMessage::headerSize)));
    // Read into a message that holds other values in every field, so a field
    // the decoder leaves alone shows up.
    WireMessage back = WireMessage::save(77, true, true, "stale");
    back.version = 7;
    back.name = back.password = back.text = QStringLiteral("stale");
    back.code = back.lockoutSeconds = 7;
    back.held = true;
    QCOMPARE(readOnce(frame, &back), QStringLiteral("message, 0 bytes left"));
    QCOMPARE(fieldsOf(back), fieldsOf(message));
}

void TestProtocol::refusesBadFrames_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("error");

    QTest::newRow("garbage") << QByteArray("GET / HTTP/1.1\r\n\r\n") << "not a protocol frame";
    QTest::newRow("wrong version") << header(1, 0x01, 0) << "unsupported protocol version 1";
    QTest::newRow("after the requests") << header(2, 0x09, 0) << "unknown message type 9";
    QTest::newRow("after the answers") << header(2, 0x8A, 0) << "unknown message type 138";
    QTest::newRow("small type one byte too long")
        << header(2, 0x02, 65537) << "login message of 65537 bytes exceeds the limit of 65536 bytes";
    QTest::newRow("config one byte too long") << header(2, 0x84, 64 * 1024 * 1024 + 65)
                                              << "config message of 67108929 bytes exceeds the limit of 67108928 bytes";
    QTest::newRow("no request id") << rawFrame(WireType::Bye, QByteArray(2, '\0')) << "malformed bye message";
    QTest::newRow("bytes left over") << rawFrame(WireType::Bye, u32(1) + "x") << "malformed bye message";
    QTest::newRow("string length near 4 GiB")
        << rawFrame(WireType::LoginOk, u32(1) + u32(0xFFFFFFFFu) + "Alpha") << "malformed login-ok message";
    QTest::newRow("boolean not 0 or 1") << rawFrame(WireType::Locked, u32(1) + "\x02") << "malformed locked message";
}

void TestProtocol::refusesBadFrames()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, error);

    QCOMPARE(readOnce(bytes), QStringLiteral("invalid: ") + error);
}

void TestProtocol::keepsToTheLimits()
{
    // Every proper prefix is incomplete and leaves the bytes where they are,
    // and so is a header announcing exactly the largest payload of its type.
    const QByteArray frame = WireMessage::loginOk(42, QStringLiteral("Alpha")).encode();
    for (int size = 0; size < frame.size(); ++size) {
        QCOMPARE(readOnce(frame.left(size)), QStringLiteral("incomplete, %1 bytes left").arg(size));
    }
    QCOMPARE(readOnce(header(2, 0x84, 64 * 1024 * 1024 + 64)), QStringLiteral("incomplete, 8 bytes left"));
    QCOMPARE(readOnce(header(2, 0x8F, 65536)), QStringLiteral("incomplete, 8 bytes left"));

    // Error payload: id (4) + code (4) + length (4) + text.
    const int largestText = int(WireMessage::maxSmallPayload) - 12;
    const auto error = [](int size) {
        return WireMessage::error(1, WireError::Refused, QString(size, QLatin1Char('x')));
    };
    QCOMPARE(error(largestText).encode().size(), WireMessage::headerSize + int(WireMessage::maxSmallPayload));
    QCOMPARE(error(largestText + 1).encode(), QByteArray());
    const QByteArray tooBig(int(WireMessage::maxConfigurationBytes) + 1, 'a');
    QCOMPARE(WireMessage::save(1, false, true, tooBig).encode(), QByteArray());
}

void TestProtocol::channelDeliversMessages_data()
{
    QTest::addColumn<QByteArray>("ending");
    QTest::addColumn<QString>("reason");

    QTest::newRow("peer closes") << QByteArray() << "connection closed by the peer";
    QTest::newRow("peer sends garbage") << QByteArray(8, '\xff') << "not a protocol frame";
    QTest::newRow("half a frame, then silence")
        << WireMessage::getConfig(4).encode().left(9) << "incomplete message, peer went silent";
}

void TestProtocol::channelDeliversMessages()
{
    QFETCH(QByteArray, ending);

    // The scripted server's end is the channel under test; this end is raw.
    Session session(QStringLiteral("127.0.5.101"));
    session.script = [](WireChannel&, const WireMessage&) { return true; };
    QSslSocket peer;
    peer.setPeerVerifyMode(QSslSocket::VerifyNone);
    peer.connectToHostEncrypted(session.address, 8601);
    QTRY_VERIFY(session.channel);
    session.channel->setFrameTimeout(1000);
    QSignalSpy closed(session.channel.get(), &WireChannel::closed);

    // Two frames in one write, a third split over two writes.
    const QByteArray third = WireMessage::save(3, false, false, QByteArray(100000, 'z')).encode();
    peer.write(WireMessage::hello(1, QString()).encode() + WireMessage::getConfig(2).encode() + third.left(10));
    QTRY_COMPARE(session.requests.size(), 2);
    peer.write(third.mid(10));
    QTRY_COMPARE(session.requests.size(), 3);
    QCOMPARE(session.requests.at(2).configuration, QByteArray(100000, 'z'));
    QVERIFY2(!session.channel->send(WireMessage::loginOk(1, QString(70000, QLatin1Char('n')))),
             "a frame above the limit is never sent");

    ending.isEmpty() ? peer.disconnectFromHost() : void(peer.write(ending));
    QTRY_COMPARE(closed.count(), 1);
    QTEST(closed.at(0).at(0).toString(), "reason");
    QCOMPARE(session.requests.size(), 3);
    QTRY_COMPARE(peer.state(), QAbstractSocket::UnconnectedState);
    QVERIFY(!session.channel->isOpen() && !session.channel->send(WireMessage::getConfig(5)));
}

void TestProtocol::schemaRoundTripsEveryKind()
{
    const QString text = QStringLiteral("# written by the simulator\n[General]\nname = north\n\n[Licence]\nkey = 1\n"
                                        "[Network0]\naddress = 10.0.0.5\n[Network]\ngateway = 10.0.0.1\n"
                                        "[Camera_0x1f]\nfps=25\n[Storage3]\npath = /data\n[Relay2]\nstate = off\n"
                                        "[Display1]\nlevel = 80\n[User1001]\nname = ops\n[Schedule_nightly]\nat = 2\n"
                                        "[*Script12]\nbackup --all\nreport\n[Language_fr]\nBonjour\r\n");
    const QSharedPointer<kelp::ConfigSystem> document = kelp::createConfigDocument();
    document->loadText(text, false, false);
    QCOMPARE(document->sectionNames().size(), 12);
    const QSharedPointer<kelp::ConfigSystem> again = kelp::createConfigDocument();
    again->loadText(document->toText(), false, false);
    QCOMPARE(again->toText(), text);
    QCOMPARE(again->sectionText(QStringLiteral("*Script12")), QStringLiteral("[*Script12]\nbackup --all\nreport"));
    QCOMPARE(again->values(QStringLiteral("*Script12"), QStringLiteral("__anonymous__"), false).size(), 2);
    QCOMPARE(again->sectionNamesOfKind(QStringLiteral("Licence")).size(), 1);
    QCOMPARE(again->sectionNamesOfKind(QStringLiteral("Network")).size(), 2);
}

void TestProtocol::reportsFailedConnects_data()
{
    QTest::addColumn<QString>("host");
    // The server's answer to the login (a refusal) or else to the greeting;
    // its id is added to the request's. A Bye stands for closing unanswered,
    // a Hello for nothing listening.
    QTest::addColumn<WireMessage>("answer");
    QTest::addColumn<QString>("error");

    WireMessage newer = WireMessage::welcome(0, QStringLiteral("x"));
    newer.version = 3;
    QTest::newRow("locked out") << "127.0.5.4" << WireMessage::loginRefused(0, 12, 300) << "12 300";
    QTest::newRow("newer protocol version") << "127.0.5.5" << newer << "6 0";
    QTest::newRow("error to the greeting")
        << "127.0.5.7" << WireMessage::error(0, WireError::UnsupportedVersion, {}) << "6 0";
    QTest::newRow("answer to another request") << "127.0.5.8" << WireMessage::welcome(1, QStringLiteral("x")) << "6 0";
    QTest::newRow("closes unanswered") << "127.0.5.10" << WireMessage::plain(WireType::Bye, 0) << "6 0";
    QTest::newRow("refused") << "127.0.5.6" << WireMessage() << "4 0";
    QTest::newRow("host not found") << "no-such-host.invalid" << WireMessage() << "5 0";
}

void TestProtocol::reportsFailedConnects()
{
    QFETCH(QString, host);
    QFETCH(WireMessage, answer);
    QFETCH(QString, error);

    Session session(host, answer.type != WireType::Hello);
    QVERIFY(answer.type == WireType::Hello || session.tcp.isListening());
    session.script = [answer](WireChannel& channel, const WireMessage& request) {
        if (request.type != (answer.type == WireType::LoginRefused ? WireType::Login : WireType::Hello)) {
            return false;
        }
        WireMessage reply = answer;
        reply.requestId += request.requestId;
        return reply.type == WireType::Bye ? (channel.close(), true) : channel.send(reply);
    };
    session.connectAdmin();

    // The error value carries the attempt, without its password.
    const QStringList expected{QStringLiteral("login error %1 for admin:@%2:8601").arg(error, host)};
    QTRY_COMPARE_WITH_TIMEOUT(session.lines, expected, 15000);
    QTRY_VERIFY2(!session.channel || !session.channel->isOpen(), "the connection must end");
    // A failed connect leaves nothing to disconnect.
    session.manager.disconnectFromAll();
    drainQueuedSignals();
    QCOMPARE(session.lines, expected);
}

void TestProtocol::connectThatNeverCompletes_data()
{
    QTest::addColumn<bool>("timesOut");

    QTest::newRow("times out") << true;
    QTest::newRow("abandoned by the disconnect") << false;
}

void TestProtocol::connectThatNeverCompletes()
{
    QFETCH(bool, timesOut);

    // Half a configuration, then silence.
    Session session(QStringLiteral("127.0.5.9"));
    session.script = [](WireChannel& channel, const WireMessage& request) {
        const QByteArray frame = WireMessage::config(request.requestId, s_configuration).encode();
        return request.type == WireType::GetConfig && channel.socket()->write(frame.left(frame.size() / 2)) > 0;
    };
    session.manager.setConnectTimeout(timesOut ? 300 : 10000);
    session.connectAdmin();
    QTRY_COMPARE(session.requests.size(), 3);
    QStringList expected;
    if (timesOut) {
        expected << line("timed out", session.id, QStringLiteral(" 0"));
        QTRY_COMPARE(session.lines, expected);
    }
    session.manager.disconnectFromAll();
    QVERIFY(!session.manager.serverGroup(session.id));
    QTRY_VERIFY2(!session.channel->isOpen(), "the client must drop the server");
    drainQueuedSignals();
    QCOMPARE(session.lines, expected << line("disconnected", session.id));
}

void TestProtocol::answersRequests()
{
    Session session(QStringLiteral("127.0.5.20"));
    session.connectAdmin();
    QVERIFY2(session.lines.isEmpty(), "a connect is never answered from inside the call");
    QVERIFY(session.open());
    const QList<WireMessage>& requests = session.requests;
    QCOMPARE(described(requests, 0),
             (QStringList{"hello (version 2, Quorlan SDK)", "login (user admin)", "get-config"}));
    QCOMPARE(requests.at(1).password, s_password);
    QCOMPARE(session.manager.serverGroup(session.id)->servers().size(), 1);
    QCOMPARE(session.target->name() + ' ' + session.target->host(), QStringLiteral("Alpha 127.0.5.20"));
    const QSharedPointer<kelp::OrrinConfig> config = session.config;
    QCOMPARE(config->workingConfigCopy()->toText(), QString::fromUtf8(s_configuration));
    QCOMPARE(config->workingConfigCopy(), config->workingConfigCopy());

    QVERIFY(!config->isLocked());
    const kelp::RequestId lockId = config->lock(false);
    QCOMPARE(session.lines.size(), 1);
    QTRY_COMPARE(session.lines.size(), 2);
    QVERIFY(config->isLocked());

    // The saves upload the shared working document as edited through it.
    const QString edited = QStringLiteral("[Network]\naddress = 10.0.0.1\n");
    config->workingConfigCopy()->loadText(edited, false, false);
    const kelp::RequestId replaceId = config->saveToServer(false, true);
    const kelp::RequestId mergeId = config->saveToServer(false, false);
    const kelp::RequestId unlockId = config->unlock(true);
    QTRY_COMPARE(session.lines.size(), 5);
    QVERIFY(!config->isLocked());
    QCOMPARE(described(requests, 3),
             (QStringList{"lock", "save (replace, 29 bytes)", "save (merge, 29 bytes)", "unlock force"}));
    QCOMPARE(requests.at(4).configuration, edited.toUtf8());

    // A server answering "locked" without holding the lock is believed.
    session.script = [](WireChannel& channel, const WireMessage& request) {
        return request.type == WireType::Lock && channel.send(WireMessage::locked(request.requestId, false));
    };
    const kelp::RequestId notHeldId = config->lock(false);
    QTRY_COMPARE(session.lines.size(), 6);
    QVERIFY(!config->isLocked());

    // A request still waiting fails with the disconnect; the configuration
    // outlives it, as an operation keeps it until the next server.
    session.script = [](WireChannel&, const WireMessage& request) {
        return request.type == WireType::Restart || request.type == WireType::Lock;
    };
    const kelp::RequestId pending = config->lock(false);
    session.target->restart(true);
    QTRY_COMPARE(requests.size(), 10);
    session.manager.disconnectFromAll();
    QVERIFY2(!session.manager.serverGroup(session.id), "the group goes with the disconnect");
    QTRY_COMPARE(described(requests, 7), (QStringList{"lock", "lock", "restart force", "bye"}));
    QTRY_COMPARE(session.lines.size(), 8);
    const kelp::RequestId later = config->saveToServer(false, false);
    QCOMPARE(session.lines.size(), 8);
    QTRY_COMPARE(
        session.lines,
        (QStringList{line("connected", session.id), line("locked", lockId), line("saved", replaceId),
                     line("saved", mergeId), line("unlocked", unlockId), line("locked", notHeldId),
                     line("error", pending, " 101: Connection to 127.0.5.20:8601 lost: the connection was closed"),
                     line("disconnected", session.id), line("error", later, " 103: Not connected to the server")}));
    QCOMPARE(config->workingConfigCopy()->toText(), edited);

    // The log records the login, without the password.
    QFile log(kelp::KelpSDK::instance()->logFilePath());
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(log.readAll());
    QVERIFY2(text.contains(QStringLiteral("127.0.5.20:8601 > login #%1 (user admin)\n").arg(requests.at(1).requestId)),
             qPrintable(text));
    QVERIFY2(!text.contains(s_password), "the password must never reach the log");
}

void TestProtocol::failsRequests_data()
{
    QTest::addColumn<QString>("address");
    // The server's answer to the save; a Hello stands for silence from then
    // on, a Bye for dropping the connection.
    QTest::addColumn<WireMessage>("answer");
    QTest::addColumn<QString>("error"); // %1: the save's id
    QTest::addColumn<bool>("sessionEnds");

    const QString full = QStringLiteral("the configuration could not be stored: disk full");
    QTest::newRow("error with a text") << "127.0.5.21" << WireMessage::error(0, WireError::StorageFailed, full)
                                       << QString("6: " + full) << false;
    QTest::newRow("error without a text") << "127.0.5.22" << WireMessage::error(0, WireError::NotLocked, {})
                                          << "4: 127.0.5.22:8601 refused the request (code 4)" << false;
    QTest::newRow("no answer in time") << "127.0.5.23" << WireMessage()
                                       << "102: No answer from 127.0.5.23:8601 to the save request in time" << true;
    QTest::newRow("connection dropped") << "127.0.5.24" << WireMessage::plain(WireType::Bye, 0)
                                        << "101: Connection to 127.0.5.24:8601 lost: connection closed by the peer"
                                        << true;
    QTest::newRow("answer of another kind")
        << "127.0.5.25" << WireMessage::plain(WireType::Unlocked, 0)
        << "104: Invalid answer from 127.0.5.25:8601: unlocked #%1 was not expected" << true;
}

void TestProtocol::failsRequests()
{
    QFETCH(QString, address);
    QFETCH(WireMessage, answer);
    QFETCH(QString, error);
    QFETCH(bool, sessionEnds);

    Session session(address);
    session.manager.setRequestTimeout(300);
    bool silent = false;
    session.script = [&silent, answer](WireChannel& channel, const WireMessage& request) {
        if (request.type != WireType::Save) {
            return silent;
        }
        WireMessage reply = answer;
        reply.requestId = request.requestId;
        silent = answer.type == WireType::Hello;
        answer.type == WireType::Bye ? channel.abort() : void(silent || channel.send(reply));
        return true;
    };
    QVERIFY(session.open());
    const kelp::RequestId lockId = session.config->lock(false);
    QTRY_COMPARE(session.lines.size(), 2);

    // The unlock is sent right behind the save: when the save ends the
    // session, the unlock fails with it, and nothing is sent any more.
    const kelp::RequestId saveId = session.config->saveToServer(false, false);
    const kelp::RequestId unlockId = session.config->unlock(false);
    QTRY_COMPARE(session.lines.size(), 4);
    QVERIFY(!session.config->isLocked());
    const kelp::RequestId nextId = session.config->lock(false);
    const QString where = address + QStringLiteral(":8601");
    QStringList expected{line("connected", session.id), line("locked", lockId),
                         line("error", saveId, QLatin1Char(' ') + error.replace("%1", QString::number(saveId)))};
    if (sessionEnds) {
        expected << line("error", unlockId, " 101: Connection to " + where + " lost: an earlier request failed")
                 << line("error", nextId, " 103: Not connected to " + where);
        QTRY_VERIFY2(!session.channel->isOpen(), "the server's end of the session is gone");
    } else {
        expected << line("unlocked", unlockId) << line("locked", nextId);
    }
    QTRY_COMPARE(session.lines, expected);
}

void TestProtocol::logRotates()
{
    kelp::KelpSDK* sdk = kelp::KelpSDK::instance();
    QCOMPARE(sdk->logRotationSize(), 10 * 1024 * 1024);
    const auto read = [](const QString& name) {
        QFile file(name);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("unreadable");
    };
    // A line is a time stamp, a blank and 100 characters: one fits into 200 bytes, two do not, nor does the log
    // so far. Each line moves the log before it aside, replacing the one moved before.
    const QString path = sdk->logFilePath();
    sdk->setLogRotationSize(200);
    for (const char c : {'x', 'y'}) {
        const QByteArray before = read(path);
        kelp::KelpSDK::log(QString(100, QLatin1Char(c)));
        QCOMPARE(read(path + QStringLiteral(".1")), before);
        QVERIFY2(read(path).endsWith(' ' + QByteArray(100, c) + '\n') && read(path).count('\n') == 1, read(path));
    }
    sdk->setLogRotationSize(kelp::KelpSDK::DEFAULT_LOG_ROTATION_SIZE);
}

void TestProtocol::relayedBackupAndPushShowNoSecret()
{
    testsupport::FleetFixture fleet;
    QVERIFY(fleet.addServer(QStringLiteral("north"), "127.0.5.150", QString::fromUtf8(s_configuration)));
    Relay relay(QStringLiteral("127.0.5.151"), QStringLiteral("127.0.5.150"));
    kelp::PublicKeyChecker::forceDisabled(true); // the certificate names the server, not the relay
    Session session(relay.listener.serverAddress().toString(), false);
    session.connectAdmin(testsupport::FleetFixture::defaultPassword());
    QVERIFY(session.open());
    QCOMPARE(session.config->workingConfigCopy()->toText(), QString::fromUtf8(s_configuration));
    const QString pushed = QStringLiteral("[Licence]\nkey = LIC-NEW-5X8\n");
    session.config->lock(false);
    session.config->workingConfigCopy()->loadText(pushed, true, false);
    session.config->saveToServer(false, false);
    session.config->unlock(false);
    QTRY_COMPARE(session.lines.size(), 4);
    session.manager.disconnectFromAll();
    kelp::PublicKeyChecker::forceDisabled(false);
    QTRY_VERIFY(fleet.configText(QStringLiteral("north")).contains(QStringLiteral("LIC-NEW-5X8")));

    QVERIFY2(relay.bytes.startsWith('\x16'), "the session must begin with a TLS handshake record");
    for (const QString& secret :
         QString(QString::fromUtf8(s_configuration) + pushed + testsupport::FleetFixture::defaultPassword())
             .split('\n')) {
        QVERIFY2(secret.isEmpty() || !relay.bytes.contains(secret.toUtf8()), qPrintable(secret + " went in clear"));
    }
}

void TestProtocol::plainServerIsRefused()
{
    // A server without TLS gets the client's handshake, never a frame.
    QTcpServer plainServer;
    QVERIFY(plainServer.listen(QHostAddress(QStringLiteral("127.0.5.153")), 8601));
    std::unique_ptr<WireChannel> serverEnd;
    QString reason;
    connect(&plainServer, &QTcpServer::newConnection, this, [&] {
        serverEnd = std::make_unique<WireChannel>(plainServer.nextPendingConnection());
        connect(serverEnd.get(), &WireChannel::closed, this, [&reason](const QString& why) { reason = why; });
    });
    Session client(QStringLiteral("127.0.5.153"), false);
    client.connectAdmin();
    QTRY_COMPARE(client.lines, QStringList{QStringLiteral("login error 6 0 for admin:@127.0.5.153:8601")});
    QCOMPARE(reason, QStringLiteral("not a protocol frame"));
}

void TestProtocol::serverKeys_data()
{
    // The first certificate is tests/data/sdk/server.crt, or else one made
    // valid from and to these days from now, naming that address.
    QTest::addColumn<int>("fromDays");
    QTest::addColumn<int>("toDays");
    QTest::addColumn<QString>("named");
    QTest::addColumn<bool>("checking");
    QTest::addColumn<bool>("newKey"); // presented in the second session
    QTest::addColumn<QStringList>("codes");

    const QString here = QStringLiteral("127.0.5.160");
    QTest::newRow("pinned, then known") << 0 << 0 << here << true << false << QStringList{"0", "0"};
    QTest::newRow("pinned, then changed") << 0 << 0 << here << true << true << QStringList{"0", "111"};
    QTest::newRow("changed, not checking") << 0 << 0 << here << false << true << QStringList{"0", "0"};
    QTest::newRow("expired") << -30 << -1 << here << true << false << QStringList{"6", "6"};
    QTest::newRow("another host's") << -1 << 30 << "127.0.5.161" << true << false << QStringList{"6", "6"};
    QTest::newRow("expired, not checking") << -30 << -1 << here << false << false << QStringList{"0", "0"};
}

void TestProtocol::serverKeys()
{
    QFETCH(int, fromDays);
    QFETCH(int, toDays);
    QFETCH(QString, named);
    QFETCH(bool, checking);
    QFETCH(bool, newKey);
    QFETCH(QStringList, codes);

    // The fingerprint of the file's key, as openssl's pkey -pubin -outform der | dgst -sha256 gives it.
    const QString fileKey = QStringLiteral("SHA256:yCITbjmT+ryQusr+fmSHgiPwN8cVK3JzuNQ13i9vyas");
    const QString path = kelp::PublicKeyChecker::knownKeysPath();
    QFile::remove(path);
    kelp::PublicKeyChecker::forceDisabled(!checking);
    testsupport::FleetFixture fleet;
    sim::SimulatedServer* server = fleet.addServer(QStringLiteral("north"), "127.0.5.160", s_configuration);
    QVERIFY(server);
    sim::ServerIdentity first = sim::ServerIdentity::load(QStringLiteral(QUORLAN_TEST_DATA_DIR "/sdk/server.crt"),
                                                          QStringLiteral(QUORLAN_TEST_DATA_DIR "/sdk/server.key"));
    if (fromDays != toDays) {
        const QDateTime now = QDateTime::currentDateTimeUtc();
        first = sim::ServerIdentity::generate(QHostAddress(named), now.addDays(fromDays), now.addDays(toDays));
    }
    server->stop();
    server->setIdentity(first);
    QVERIFY(server->start());

    Session session(QStringLiteral("127.0.5.160"), false);
    QStringList seen;
    QString text;
    connect(&session.manager, &kelp::ConnectionManager::loginError, this,
            [&text](const kelp::LoginError& error) { text = error.toString(); });
    const sim::ServerIdentity second = sim::ServerIdentity::generate(QHostAddress(QStringLiteral("127.0.5.160")));
    for (int attempt = 0; attempt < 2; ++attempt) {
        session.lines.clear();
        session.connectAdmin(testsupport::FleetFixture::defaultPassword());
        QTRY_COMPARE(session.lines.size(), 1);
        seen << (session.lines.at(0).startsWith(QStringLiteral("connected")) ? QStringLiteral("0")
                                                                             : session.lines.at(0).section(' ', 2, 2));
        session.manager.disconnectFromAll();
        QTRY_COMPARE(session.lines.size(), seen.last() == QStringLiteral("0") ? 2 : 1);
        server->stop();
        server->setIdentity(newKey ? second : server->identity());
        QVERIFY(server->start());
    }
    QCOMPARE(seen, codes);
    // A refused session never got as far as the password.
    QCOMPARE(fleet.events(QStringLiteral("north"), sim::ServerEvent::Kind::Login).size(), codes.count("0"));
    QFile known(path);
    const bool pinned = checking && codes.at(0) == QStringLiteral("0");
    QCOMPARE(known.open(QIODevice::ReadOnly) ? known.readAll() : QByteArray("none"),
             pinned ? QByteArray("127.0.5.160 8601 " + fileKey.toUtf8() + '\n') : QByteArray("none"));
    if (codes.at(1) == QStringLiteral("111")) {
        QCOMPARE(text, QStringLiteral("Server's public key has changed. Server: 127.0.5.160, port: 8601. Known key: ") +
                           fileKey + QStringLiteral(", key presented now: ") +
                           kelp::PublicKeyChecker::fingerprint(second.certificate()) +
                           QStringLiteral(". If the server's key was changed on purpose, delete the line of "
                                          "127.0.5.160 port 8601 in ") +
                           path + QStringLiteral(" and connect again."));
    }
}

void TestProtocol::serverKeyFilesMustMatch()
{
    QTemporaryDir directory;
    const QString certificate = directory.filePath(QStringLiteral("a.crt"));
    const QString key = directory.filePath(QStringLiteral("a.key"));
    sim::ServerIdentity other = sim::ServerIdentity::generate(QHostAddress::LocalHost);
    QVERIFY(other.save(directory.filePath(QStringLiteral("b.crt")), key));
    QVERIFY2(sim::ServerIdentity::loadOrCreate(certificate, key, QHostAddress::LocalHost).isNull(),
             "half a pair must not be replaced by a new one");
    QVERIFY(QFile::copy(QStringLiteral(QUORLAN_TEST_DATA_DIR "/sdk/server.crt"), certificate));
    QCOMPARE(sim::ServerIdentity::load(certificate, key).errorString(),
             key + QStringLiteral(": the key does not belong to the certificate ") + certificate);
}

QTEST_GUILESS_MAIN(TestProtocol)
#include "tst_protocol.moc"
