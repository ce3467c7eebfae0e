#include "configsystem/configsystem.h"
#include "sdk/configschema.h"
#include "sdk/wirechannel.h"
#include "sdk/wirereader.h"

#include <QBuffer>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QtEndian>

using kelp::WireChannel;
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
    return header(1, quint8(type), quint32(payload.size())) + payload;
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
    void encoderKeepsToTheLimits();
    void channelDeliversMessages_data();
    void channelDeliversMessages();
    void schemaRoundTripsEveryKind();
};

void TestProtocol::roundTrip_data()
{
    QTest::addColumn<WireMessage>("message");

    QTest::newRow("number and string") << WireMessage::welcome(2, QString::fromUtf8("orrin-sim \xC3\xBC"));
    QTest::newRow("two strings") << WireMessage::login(3, QStringLiteral("admin"), QStringLiteral("s3cr=t;\"'"));
    QTest::newRow("two signed numbers") << WireMessage::loginRefused(5, -1, -7);
    QTest::newRow("text") << WireMessage::config(8, QByteArray("[General]\r\nname = Alpha\n\0x", 26));
    QTest::newRow("two flags and text") << WireMessage::save(13, false, true, QByteArray("[User1]\n"));
    QTest::newRow("flag") << WireMessage::locked(11, true);
    QTest::newRow("code and string") << WireMessage::error(21, kelp::WireError::LockHeld, QStringLiteral("held"));
    QTest::newRow("id only") << WireMessage::plain(WireType::Goodbye, 0xFFFFFFFFu);
}

void TestProtocol::roundTrip()
{
    QFETCH(WireMessage, message);

    const QByteArray frame = message.encode();
    QCOMPARE(frame.left(8), header(1, quint8(message.type), quint32(frame.size() - WireMessage::headerSize)));
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
    QTest::newRow("wrong version") << header(2, 0x01, 0) << "unsupported protocol version 2";
    QTest::newRow("after the requests") << header(1, 0x09, 0) << "unknown message type 9";
    QTest::newRow("after the answers") << header(1, 0x8A, 0) << "unknown message type 138";
    QTest::newRow("small type one byte too long")
        << header(1, 0x02, 65537) << "login message of 65537 bytes exceeds the limit of 65536 bytes";
    QTest::newRow("config one byte too long") << header(1, 0x84, 64 * 1024 * 1024 + 65)
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

void TestProtocol::waitsForWholeFrames()
{
    // Every proper prefix is incomplete and leaves the bytes where they are,
    // and so is a header announcing exactly the largest payload of its type.
    const QByteArray frame = WireMessage::loginOk(42, QStringLiteral("Alpha")).encode();
    for (int size = 0; size < frame.size(); ++size) {
        QCOMPARE(readOnce(frame.left(size)), QStringLiteral("incomplete, %1 bytes left").arg(size));
    }
    QCOMPARE(readOnce(header(1, 0x84, 64 * 1024 * 1024 + 64)), QStringLiteral("incomplete, 8 bytes left"));
    QCOMPARE(readOnce(header(1, 0x8F, 65536)), QStringLiteral("incomplete, 8 bytes left"));
}

void TestProtocol::encoderKeepsToTheLimits()
{
    // Error payload: id (4) + code (4) + length (4) + text.
    const int largestText = int(WireMessage::maxSmallPayload) - 12;
    const auto error = [](int size) {
        return WireMessage::error(1, kelp::WireError::Refused, QString(size, QLatin1Char('x')));
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

    QTcpServer server;
    QVERIFY(server.listen(QHostAddress(QStringLiteral("127.0.5.101")), 0));
    QTcpSocket peer;
    peer.connectToHost(server.serverAddress(), server.serverPort());
    QVERIFY(server.waitForNewConnection(5000) && peer.waitForConnected(5000));
    WireChannel channel(server.nextPendingConnection());
    channel.setFrameTimeout(1000);
    QSignalSpy received(&channel, &WireChannel::messageReceived);
    QSignalSpy closed(&channel, &WireChannel::closed);

    // Two frames in one write, a third split over two writes.
    const QByteArray third = WireMessage::save(3, false, false, QByteArray(100000, 'z')).encode();
    peer.write(WireMessage::hello(1, QStringLiteral("t")).encode() + WireMessage::getConfig(2).encode() +
               third.left(10));
    QTRY_COMPARE(received.count(), 2);
    peer.write(third.mid(10));
    QTRY_COMPARE(received.count(), 3);
    QCOMPARE(received.at(2).at(0).value<WireMessage>().configuration, QByteArray(100000, 'z'));

    // Answers go back the other way; a frame above the limit is never sent.
    QVERIFY(!channel.send(WireMessage::loginOk(1, QString(70000, QLatin1Char('n')))));
    QVERIFY(channel.send(WireMessage::welcome(1, QStringLiteral("sim"))));
    const QByteArray welcome = WireMessage::welcome(1, QStringLiteral("sim")).encode();
    QTRY_COMPARE(peer.bytesAvailable(), qint64(welcome.size()));
    QCOMPARE(peer.readAll(), welcome);

    if (ending.isEmpty()) {
        peer.disconnectFromHost();
    } else {
        peer.write(ending);
    }
    QTRY_COMPARE(closed.count(), 1);
    QTEST(closed.at(0).at(0).toString(), "reason");
    QCOMPARE(received.count(), 3);
    QTRY_COMPARE(peer.state(), QAbstractSocket::UnconnectedState);
    QVERIFY(!channel.isOpen() && !channel.send(WireMessage::getConfig(5)));
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

QTEST_GUILESS_MAIN(TestProtocol)
#include "tst_protocol.moc"
