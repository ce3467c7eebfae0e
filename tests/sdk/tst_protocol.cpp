#include "sdk/wirechannel.h"
#include "sdk/wiremessage.h"
#include "sdk/wirereader.h"

#include <QBuffer>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QtEndian>

#include <memory>

using kelp::WireChannel;
using kelp::WireError;
using kelp::WireMessage;
using kelp::WireReader;
using kelp::WireType;

namespace {

QByteArray header(char magic0, char magic1, quint8 version, quint8 type, quint32 length)
{
    QByteArray bytes;
    bytes.append(magic0);
    bytes.append(magic1);
    bytes.append(static_cast<char>(version));
    bytes.append(static_cast<char>(type));
    char size[4];
    qToBigEndian(length, size);
    bytes.append(size, 4);
    return bytes;
}

QByteArray u32(quint32 value)
{
    char bytes[4];
    qToBigEndian(value, bytes);
    return QByteArray(bytes, 4);
}

// A frame with a hand-made payload, for payloads the encoder never produces.
QByteArray rawFrame(WireType type, const QByteArray& payload)
{
    return header('O', 'R', WireMessage::protocolVersion, static_cast<quint8>(type),
                  static_cast<quint32>(payload.size())) +
           payload;
}

struct ReadOutcome
{
    WireReader::Result result;
    WireMessage message;
    QString error;
    qint64 left;
};

ReadOutcome readOnce(const QByteArray& bytes)
{
    QByteArray data = bytes;
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    WireReader reader;
    ReadOutcome outcome;
    outcome.result = reader.read(buffer, outcome.message);
    outcome.error = reader.errorText();
    outcome.left = buffer.bytesAvailable();
    return outcome;
}

// A connected pair of sockets on one loopback address: the server side is
// wrapped into a channel, the client side stays raw so a test can send
// anything.
struct SocketPair
{
    QTcpServer server;
    std::unique_ptr<QTcpSocket> raw = std::make_unique<QTcpSocket>();
    std::unique_ptr<WireChannel> channel;

    bool open(const QString& address)
    {
        if (!server.listen(QHostAddress(address), 0)) {
            return false;
        }
        raw->connectToHost(QHostAddress(address), server.serverPort());
        if (!server.waitForNewConnection(5000) || !raw->waitForConnected(5000)) {
            return false;
        }
        channel = std::make_unique<WireChannel>(server.nextPendingConnection());
        return true;
    }
};

} // namespace

class TestProtocol : public QObject
{
    Q_OBJECT

private slots:
    void roundTrip_data();
    void roundTrip();
    void refusesBadFrames_data();
    void refusesBadFrames();
    void waitsForWholeFrames();
    void readsFramesOneByOne();
    void encoderKeepsToTheLimits();
    void describeHidesSecrets();
    void channelDeliversMessages();
    void channelDropsPeer();
};

void TestProtocol::roundTrip_data()
{
    QTest::addColumn<WireMessage>("message");

    QTest::newRow("hello") << WireMessage::hello(1, QStringLiteral("Quorlan SDK"));
    QTest::newRow("welcome") << WireMessage::welcome(2, QStringLiteral("orrin-sim ünïcode"));
    QTest::newRow("login") << WireMessage::login(3, QStringLiteral("admin"), QStringLiteral("s3cr=t;\"'"));
    QTest::newRow("login-ok") << WireMessage::loginOk(4, QStringLiteral("Alpha"));
    QTest::newRow("login-refused") << WireMessage::loginRefused(5, 12, 3600);
    QTest::newRow("login-refused negative") << WireMessage::loginRefused(6, -1, -7);
    QTest::newRow("get-config") << WireMessage::getConfig(7);
    QTest::newRow("config") << WireMessage::config(8, QByteArray("[General]\r\nname = Alpha\n\0x", 26));
    QTest::newRow("config empty") << WireMessage::config(9, QByteArray());
    QTest::newRow("lock") << WireMessage::lock(10, true);
    QTest::newRow("locked held") << WireMessage::locked(11, true);
    QTest::newRow("locked not held") << WireMessage::locked(12, false);
    QTest::newRow("save merge") << WireMessage::save(13, false, false, QByteArray("[Network]\n"));
    QTest::newRow("save replace forced") << WireMessage::save(14, true, true, QByteArray("[User1]\n"));
    QTest::newRow("unlock") << WireMessage::unlock(15, true);
    QTest::newRow("restart") << WireMessage::restart(16, true);
    QTest::newRow("bye") << WireMessage::plain(WireType::Bye, 17);
    QTest::newRow("saved") << WireMessage::plain(WireType::Saved, 18);
    QTest::newRow("unlocked") << WireMessage::plain(WireType::Unlocked, 19);
    QTest::newRow("restarting") << WireMessage::plain(WireType::Restarting, 20);
    QTest::newRow("goodbye") << WireMessage::plain(WireType::Goodbye, 0xFFFFFFFFu);
    QTest::newRow("error") << WireMessage::error(21, WireError::LockHeld,
                                                 QStringLiteral("Lock held by another session"));
}

void TestProtocol::roundTrip()
{
    QFETCH(WireMessage, message);

    const QByteArray frame = message.encode();
    QVERIFY2(!frame.isEmpty(), "a small message must encode");
    QCOMPARE(frame.left(4), QByteArray("OR\x01", 3) + char(message.type));
    QCOMPARE(qFromBigEndian<quint32>(frame.constData() + 4), quint32(frame.size() - WireMessage::headerSize));

    const ReadOutcome outcome = readOnce(frame);
    QCOMPARE(outcome.result, WireReader::Result::Message);
    QCOMPARE(outcome.left, qint64(0));
    const WireMessage& back = outcome.message;
    QCOMPARE(back.type, message.type);
    QCOMPARE(back.requestId, message.requestId);
    QCOMPARE(back.version, message.version);
    QCOMPARE(back.name, message.name);
    QCOMPARE(back.password, message.password);
    QCOMPARE(back.text, message.text);
    QCOMPARE(back.code, message.code);
    QCOMPARE(back.lockoutSeconds, message.lockoutSeconds);
    QCOMPARE(back.force, message.force);
    QCOMPARE(back.replace, message.replace);
    QCOMPARE(back.held, message.held);
    QCOMPARE(back.configuration, message.configuration);
}

void TestProtocol::refusesBadFrames_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("error");

    QTest::newRow("garbage") << QByteArray("GET / HTTP/1.1\r\n\r\n") << QStringLiteral("not a protocol frame");
    QTest::newRow("wrong version") << header('O', 'R', 2, 0x01, 0) << QStringLiteral("unsupported protocol version 2");
    QTest::newRow("unknown type") << header('O', 'R', 1, 0x09, 0) << QStringLiteral("unknown message type 9");
    QTest::newRow("answer type gap") << header('O', 'R', 1, 0x8A, 0) << QStringLiteral("unknown message type 138");
    QTest::newRow("small type one byte too long")
        << header('O', 'R', 1, 0x02, 65537)
        << QStringLiteral("login message of 65537 bytes exceeds the limit of 65536 bytes");
    QTest::newRow("huge length") << header('O', 'R', 1, 0x8F, 0xFFFFFFFFu)
                                 << QStringLiteral(
                                        "error message of 4294967295 bytes exceeds the limit of 65536 bytes");
    QTest::newRow("config one byte too long")
        << header('O', 'R', 1, 0x84, 64 * 1024 * 1024 + 65)
        << QStringLiteral("config message of 67108929 bytes exceeds the limit of 67108928 bytes");
    QTest::newRow("no request id") << rawFrame(WireType::Bye, QByteArray("\0\0", 2))
                                   << QStringLiteral("malformed bye message");
    QTest::newRow("bytes left over") << rawFrame(WireType::Bye, u32(1) + "x")
                                     << QStringLiteral("malformed bye message");
    QTest::newRow("string longer than payload")
        << rawFrame(WireType::LoginOk, u32(1) + u32(1000) + "Alpha") << QStringLiteral("malformed login-ok message");
    QTest::newRow("string length near 4 GiB")
        << rawFrame(WireType::LoginOk, u32(1) + u32(0xFFFFFFFFu)) << QStringLiteral("malformed login-ok message");
    QTest::newRow("password missing") << rawFrame(WireType::Login, u32(1) + u32(5) + "admin")
                                      << QStringLiteral("malformed login message");
    QTest::newRow("boolean not 0 or 1") << rawFrame(WireType::Locked, u32(1) + "\x02")
                                        << QStringLiteral("malformed locked message");
    QTest::newRow("save without text") << rawFrame(WireType::Save, u32(1) + QByteArray("\0\1", 2))
                                       << QStringLiteral("malformed save message");
}

void TestProtocol::refusesBadFrames()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, error);

    const ReadOutcome outcome = readOnce(bytes);
    QCOMPARE(outcome.result, WireReader::Result::Invalid);
    QCOMPARE(outcome.error, error);
}

void TestProtocol::waitsForWholeFrames()
{
    const QByteArray frame = WireMessage::loginOk(42, QStringLiteral("Alpha")).encode();
    // Every proper prefix is incomplete and leaves the bytes where they are,
    // including a header that announces exactly the largest allowed payload.
    for (int size = 0; size < frame.size(); ++size) {
        const ReadOutcome outcome = readOnce(frame.left(size));
        QVERIFY2(outcome.result == WireReader::Result::Incomplete, qPrintable(QString::number(size)));
        QCOMPARE(outcome.left, qint64(size));
    }
    const ReadOutcome atLimit = readOnce(header('O', 'R', 1, 0x84, 64 * 1024 * 1024 + 64));
    QCOMPARE(atLimit.result, WireReader::Result::Incomplete);
    const ReadOutcome smallAtLimit = readOnce(header('O', 'R', 1, 0x8F, 65536));
    QCOMPARE(smallAtLimit.result, WireReader::Result::Incomplete);
}

void TestProtocol::readsFramesOneByOne()
{
    QByteArray data = WireMessage::locked(1, true).encode() + WireMessage::plain(WireType::Saved, 2).encode() +
                      WireMessage::getConfig(3).encode().left(5);
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    WireReader reader;
    WireMessage message;

    QCOMPARE(reader.read(buffer, message), WireReader::Result::Message);
    QCOMPARE(message.type, WireType::Locked);
    QCOMPARE(message.requestId, 1u);
    QVERIFY(message.held);
    QCOMPARE(reader.read(buffer, message), WireReader::Result::Message);
    QCOMPARE(message.type, WireType::Saved);
    QCOMPARE(message.requestId, 2u);
    QVERIFY2(!message.held, "fields of an earlier message must not leak into the next");
    QCOMPARE(reader.read(buffer, message), WireReader::Result::Incomplete);
    QCOMPARE(buffer.bytesAvailable(), qint64(5));
}

void TestProtocol::encoderKeepsToTheLimits()
{
    // Error payload: id (4) + code (4) + length (4) + text.
    const int largestText = int(WireMessage::maxSmallPayload) - 12;
    const WireMessage fits = WireMessage::error(1, WireError::Refused, QString(largestText, QLatin1Char('x')));
    QCOMPARE(fits.encode().size(), WireMessage::headerSize + int(WireMessage::maxSmallPayload));
    const WireMessage tooLong = WireMessage::error(1, WireError::Refused, QString(largestText + 1, QLatin1Char('x')));
    QVERIFY2(tooLong.encode().isEmpty(), "a payload above the limit must not be encoded");

    const WireMessage longUser = WireMessage::login(1, QString(70000, QLatin1Char('u')), QStringLiteral("pw"));
    QVERIFY(longUser.encode().isEmpty());

    const WireMessage tooBig =
        WireMessage::save(1, false, true, QByteArray(int(WireMessage::maxConfigurationBytes) + 1, 'a'));
    QVERIFY2(tooBig.encode().isEmpty(), "a configuration above 64 MiB must not be encoded");
}

void TestProtocol::describeHidesSecrets()
{
    const QString login = WireMessage::login(3, QStringLiteral("admin"), QStringLiteral("hunter2")).describe();
    QCOMPARE(login, QStringLiteral("login #3 (user admin)"));

    const QString save = WireMessage::save(4, false, true, QByteArray("[Licence]\nkey=SECRET\n")).describe();
    QCOMPARE(save, QStringLiteral("save #4 (replace, 21 bytes)"));
    QCOMPARE(WireMessage::loginRefused(5, 12, 90).describe(),
             QStringLiteral("login-refused #5 (code 12, lock-out 90 s)"));
    QCOMPARE(WireMessage::error(6, WireError::LockHeld, QStringLiteral("held")).describe(),
             QStringLiteral("error #6 (code 3: held)"));
}

void TestProtocol::channelDeliversMessages()
{
    SocketPair pair;
    QVERIFY2(pair.open(QStringLiteral("127.0.5.101")), "loopback listen/connect failed");
    QSignalSpy received(pair.channel.get(), &WireChannel::messageReceived);
    QSignalSpy closed(pair.channel.get(), &WireChannel::closed);

    // Two frames in one write, a third split over two writes.
    const QByteArray third = WireMessage::save(3, false, false, QByteArray(100000, 'z')).encode();
    pair.raw->write(WireMessage::hello(1, QStringLiteral("t")).encode() + WireMessage::getConfig(2).encode() +
                    third.left(10));
    QTRY_COMPARE(received.count(), 2);
    pair.raw->write(third.mid(10));
    QTRY_COMPARE(received.count(), 3);
    QCOMPARE(received.at(2).at(0).value<WireMessage>().configuration.size(), 100000);
    QCOMPARE(closed.count(), 0);

    // Answers go back the other way; a frame above the limit is never sent.
    QVERIFY(!pair.channel->send(WireMessage::loginOk(1, QString(70000, QLatin1Char('n')))));
    const WireMessage welcome = WireMessage::welcome(1, QStringLiteral("sim"));
    QVERIFY(pair.channel->send(welcome));
    QTRY_COMPARE(pair.raw->bytesAvailable(), qint64(welcome.encode().size()));
    WireReader reader;
    WireMessage answer;
    QCOMPARE(reader.read(*pair.raw, answer), WireReader::Result::Message);
    QCOMPARE(answer.type, WireType::Welcome);
    QCOMPARE(answer.name, QStringLiteral("sim"));

    pair.raw->disconnectFromHost();
    QTRY_COMPARE(closed.count(), 1);
    QCOMPARE(closed.at(0).at(0).toString(), QStringLiteral("connection closed by the peer"));
    QVERIFY(!pair.channel->isOpen());
}

void TestProtocol::channelDropsPeer()
{
    SocketPair pair;
    QVERIFY2(pair.open(QStringLiteral("127.0.5.104")), "loopback listen/connect failed");
    QSignalSpy received(pair.channel.get(), &WireChannel::messageReceived);
    QSignalSpy closed(pair.channel.get(), &WireChannel::closed);

    pair.raw->write(WireMessage::getConfig(1).encode() + QByteArray(8, '\xff'));
    QTRY_COMPARE(closed.count(), 1);
    QCOMPARE(received.count(), 1);
    QCOMPARE(closed.at(0).at(0).toString(), QStringLiteral("not a protocol frame"));
    // The peer sees its connection end.
    QTRY_COMPARE(pair.raw->state(), QAbstractSocket::UnconnectedState);
    QVERIFY(!pair.channel->send(WireMessage::getConfig(2)));
}

QTEST_GUILESS_MAIN(TestProtocol)
#include "tst_protocol.moc"
