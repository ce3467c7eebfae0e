#include "wireclient.h"

#include "testsupport/fleetfixture.h"

#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>

using kelp::WireMessage;
using kelp::WireType;
using sim::ServerEvent;
using testsupport::FleetFixture;

namespace {

const QString s_address = QStringLiteral("127.0.6.30");
const QString s_config = QStringLiteral("[General]\nname=sturdy");

} // namespace

// Peers that send nonsense, too much or too little are dropped, and the
// server goes on serving everyone else.
class TestSimRobustness : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void badPeerIsDropped_data();
    void badPeerIsDropped();

private:
    std::unique_ptr<FleetFixture> m_fleet;
};

void TestSimRobustness::init()
{
    m_fleet = std::make_unique<FleetFixture>();
    sim::ServerProfile spec = FleetFixture::defaultSpec(QStringLiteral("sturdy"), s_address);
    spec.frameTimeoutMs = 300;
    spec.loginTimeoutMs = 800;
    QVERIFY(m_fleet->addServer(spec, s_config));
}

void TestSimRobustness::cleanup()
{
    m_fleet.reset();
}

void TestSimRobustness::badPeerIsDropped_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<bool>("answered");

    const QByteArray hello = WireMessage::hello(1, QStringLiteral("x")).encode();
    QTest::newRow("malformed payload") << QByteArray::fromHex("4f520104000000050000000102")
                                       << QStringLiteral("malformed lock message") << false;
    QTest::newRow("half a message, then silence")
        << hello.left(hello.size() - 3) << QStringLiteral("incomplete message, peer went silent") << false;
    QTest::newRow("nothing at all") << QByteArray() << QStringLiteral("no login in time") << false;
    QTest::newRow("greeting, then silence") << hello << QStringLiteral("no login in time") << true;
}

void TestSimRobustness::badPeerIsDropped()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, reason);
    QFETCH(bool, answered);

    QTcpSocket peer;
    QSignalSpy disconnected(&peer, &QTcpSocket::disconnected);
    peer.connectToHost(s_address, 8601);
    QTRY_COMPARE(peer.state(), QAbstractSocket::ConnectedState);
    QTRY_COMPARE(m_fleet->events(QStringLiteral("sturdy"), ServerEvent::Kind::Connected).size(), 1);
    peer.write(bytes);

    // Someone else is served while the bad peer is dealt with.
    WireClient other;
    QVERIFY(other.connectTo(s_address));
    QVERIFY2(other.logIn(FleetFixture::defaultUser(), FleetFixture::defaultPassword()), "another peer is served");
    QCOMPARE(other.configuration(), std::optional<QString>(s_config));

    QTRY_VERIFY_WITH_TIMEOUT(!disconnected.isEmpty(), 5000);
    const QVector<ServerEvent> dropped = m_fleet->events(QStringLiteral("sturdy"), ServerEvent::Kind::Dropped);
    QCOMPARE(dropped.size(), 1);
    QCOMPARE(dropped.first().session, 1);
    QCOMPARE(dropped.first().detail, reason);
    QCOMPARE(!peer.readAll().isEmpty(), answered);

    QVERIFY2(other.isOpen(), "the other peer keeps its session");
    const auto locked = other.lock();
    QVERIFY(locked && locked->type == WireType::Locked);
}

QTEST_GUILESS_MAIN(TestSimRobustness)
#include "tst_simrobustness.moc"
