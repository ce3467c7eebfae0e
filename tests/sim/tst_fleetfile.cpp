#include "sim/fleetfile.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using sim::DropStep;
using sim::FleetFile;
using sim::ServerProfile;

namespace {

// A fleet of one server whose object is the given fields (JSON without braces).
QByteArray oneServer(const QByteArray& fields)
{
    return "{\"servers\": [{" + fields + "}]}";
}

const QByteArray s_minimal = "\"name\": \"north\", \"address\": \"127.0.6.1\", \"user\": \"admin\", "
                             "\"password\": \"pw\", \"config\": \"north.conf\"";

} // namespace

class TestFleetFile : public QObject
{
    Q_OBJECT

private slots:
    void minimalServerTakesDefaults();
    void everyFieldIsRead();
    void refusedFleets_data();
    void refusedFleets();
    void unreadableFile();
};

void TestFleetFile::minimalServerTakesDefaults()
{
    FleetFile fleet;
    QVERIFY2(fleet.parse(oneServer(s_minimal), QStringLiteral("/srv/fleet")), qPrintable(fleet.errorString()));
    QCOMPARE(fleet.servers().size(), 1);
    const ServerProfile& spec = fleet.servers().first();
    QCOMPARE(spec.name, QStringLiteral("north"));
    QCOMPARE(spec.address.toString(), QStringLiteral("127.0.6.1"));
    QCOMPARE(spec.port, quint16(8601));
    QCOMPARE(spec.configPath, QStringLiteral("/srv/fleet/north.conf"));
    QCOMPARE(spec.lockoutFailures, 5);
    QCOMPARE(spec.lockoutSeconds, 300);
    QCOMPARE(spec.restartMs, 2000);
    QCOMPARE(spec.loginTimeoutMs, 30000);
    QCOMPARE(spec.frameTimeoutMs, 30000);
    QCOMPARE(spec.faults.dropAt, DropStep::None);
    QCOMPARE(spec.endpoint(), QStringLiteral("127.0.6.1:8601"));
}

void TestFleetFile::everyFieldIsRead()
{
    const QByteArray json = R"({"servers": [
        {"name": "a", "address": "127.0.6.1", "user": "u", "password": "", "config": "/abs/a.conf",
         "port": 9001, "lockout": {"failures": 3, "seconds": 90}, "restartMs": 10,
         "loginTimeoutMs": 100, "frameTimeoutMs": 200,
         "faults": {"loginError": 12, "lockoutSeconds": 61, "notListening": true, "neverAnswer": true,
                    "lockError": "L", "saveError": "S", "unlockError": "U", "lockHeldElsewhere": true,
                    "lockedWithoutLock": true, "answerDelayMs": 250, "dropAt": "unlock"}},
        {"name": "b", "address": "::1", "user": "u", "password": "p", "config": "sub/../b.conf",
         "faults": {"loginError": -1, "dropAt": "connect"}}
    ]})";
    FleetFile fleet;
    QVERIFY2(fleet.parse(json, QStringLiteral("/base")), qPrintable(fleet.errorString()));
    QCOMPARE(fleet.servers().size(), 2);
    const ServerProfile& a = fleet.servers().at(0);
    QCOMPARE(a.password, QString());
    QCOMPARE(a.configPath, QStringLiteral("/abs/a.conf"));
    QCOMPARE(a.port, quint16(9001));
    QCOMPARE(a.lockoutFailures, 3);
    QCOMPARE(a.lockoutSeconds, 90);
    QCOMPARE(a.restartMs, 10);
    QCOMPARE(a.loginTimeoutMs, 100);
    QCOMPARE(a.frameTimeoutMs, 200);
    QCOMPARE(a.faults.loginErrorCode, 12);
    QCOMPARE(a.faults.loginLockoutSeconds, 61);
    QVERIFY(a.faults.notListening);
    QVERIFY(a.faults.neverAnswer);
    QCOMPARE(a.faults.lockError, QStringLiteral("L"));
    QCOMPARE(a.faults.saveError, QStringLiteral("S"));
    QCOMPARE(a.faults.unlockError, QStringLiteral("U"));
    QVERIFY(a.faults.lockHeldElsewhere);
    QVERIFY(a.faults.lockedWithoutLock);
    QCOMPARE(a.faults.answerDelayMs, 250);
    QCOMPARE(a.faults.dropAt, DropStep::Unlock);
    const ServerProfile& b = fleet.servers().at(1);
    QCOMPARE(b.endpoint(), QStringLiteral("[::1]:8601"));
    QCOMPARE(b.configPath, QStringLiteral("/base/b.conf"));
    QCOMPARE(b.faults.loginErrorCode, -1);
    QCOMPARE(b.faults.dropAt, DropStep::Connect);
}

void TestFleetFile::refusedFleets_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("error");

    QTest::newRow("bad JSON") << QByteArray("{\"servers\": [") << QStringLiteral("not valid JSON at offset 13: ");
    QTest::newRow("array at top") << QByteArray("[]") << QStringLiteral("the fleet must be a JSON object");
    QTest::newRow("no servers") << QByteArray("{}") << QStringLiteral("fleet: \"servers\" must be a non-empty array");
    QTest::newRow("unknown top field") << QByteArray("{\"servers\": [], \"server\": 1}")
                                       << QStringLiteral("fleet: unknown field \"server\"");
    QTest::newRow("server not an object")
        << QByteArray("{\"servers\": [7]}") << QStringLiteral("server 1: must be an object");
    QTest::newRow("missing name") << oneServer("\"address\": \"127.0.6.1\", \"user\": \"u\", \"password\": \"p\", "
                                               "\"config\": \"c\"")
                                  << QStringLiteral("server 1: \"name\" is missing");
    QTest::newRow("missing config") << oneServer("\"name\": \"n\", \"address\": \"127.0.6.1\", \"user\": \"u\", "
                                                 "\"password\": \"p\"")
                                    << QStringLiteral("server 1 (n): \"config\" is missing");
    QTest::newRow("empty name") << oneServer("\"name\": \"\", \"address\": \"127.0.6.1\", \"user\": \"u\", "
                                             "\"password\": \"p\", \"config\": \"c\"")
                                << QStringLiteral("server 1 (): \"name\" must not be empty");
    QTest::newRow("unknown server field")
        << oneServer(s_minimal + ", \"passwd\": \"x\"") << QStringLiteral("server 1 (north): unknown field \"passwd\"");
    QTest::newRow("number as user") << oneServer("\"name\": \"n\", \"address\": \"127.0.6.1\", \"user\": 5, "
                                                 "\"password\": \"p\", \"config\": \"c\"")
                                    << QStringLiteral("server 1 (n): \"user\" must be a string");
    QTest::newRow("not an address") << oneServer("\"name\": \"n\", \"address\": \"localhost\", \"user\": \"u\", "
                                                 "\"password\": \"p\", \"config\": \"c\"")
                                    << QStringLiteral("server 1 (n): \"address\" localhost is not an IP address");
    QTest::newRow("remote address")
        << oneServer("\"name\": \"n\", \"address\": \"10.0.0.5\", \"user\": \"u\", \"password\": \"p\", "
                     "\"config\": \"c\"")
        << QStringLiteral("server 1 (n): \"address\" 10.0.0.5 is not a loopback address (127.0.0.0/8 or ::1); "
                          "the simulator only listens on this machine");
    QTest::newRow("port zero") << oneServer(s_minimal + ", \"port\": 0")
                               << QStringLiteral("server 1 (north): \"port\" must be a whole number from 1 to 65535");
    QTest::newRow("port too large") << oneServer(s_minimal + ", \"port\": 65536")
                                    << QStringLiteral(
                                           "server 1 (north): \"port\" must be a whole number from 1 to 65535");
    QTest::newRow("fractional delay")
        << oneServer(s_minimal + ", \"faults\": {\"answerDelayMs\": 1.5}")
        << QStringLiteral("server 1 (north), faults: \"answerDelayMs\" must be a whole number from 0 to 2147483647");
    QTest::newRow("unknown lock-out field") << oneServer(s_minimal + ", \"lockout\": {\"minutes\": 1}")
                                            << QStringLiteral("server 1 (north), lockout: unknown field \"minutes\"");
    QTest::newRow("faults not an object") << oneServer(s_minimal + ", \"faults\": true")
                                          << QStringLiteral("server 1 (north): \"faults\" must be an object");
    QTest::newRow("unknown fault") << oneServer(s_minimal + ", \"faults\": {\"explode\": true}")
                                   << QStringLiteral("server 1 (north), faults: unknown field \"explode\"");
    QTest::newRow("unknown step")
        << oneServer(s_minimal + ", \"faults\": {\"dropAt\": \"logout\"}")
        << QStringLiteral("server 1 (north), faults: \"dropAt\" must be one of connect, hello, login, getconfig, "
                          "lock, save, unlock, restart (not \"logout\")");
    QTest::newRow("same name") << QByteArray("{\"servers\": [{" + s_minimal + "}, {" + s_minimal + "}]}")
                               << QStringLiteral("server 2 (north): another server is named north");
    QTest::newRow("same address")
        << QByteArray("{\"servers\": [{" + s_minimal +
                      "}, {\"name\": \"south\", \"address\": \"127.0.6.1\", \"user\": \"u\", \"password\": \"p\", "
                      "\"config\": \"c\"}]}")
        << QStringLiteral("server 2 (south): north already listens on 127.0.6.1:8601");
}

void TestFleetFile::refusedFleets()
{
    QFETCH(QByteArray, json);
    QFETCH(QString, error);
    FleetFile fleet;
    QVERIFY(!fleet.parse(json, QDir::tempPath()));
    QVERIFY2(fleet.errorString().startsWith(error), qPrintable(fleet.errorString()));
    QVERIFY(fleet.servers().isEmpty());
}

void TestFleetFile::unreadableFile()
{
    QTemporaryDir directory;
    const QString path = directory.filePath(QStringLiteral("missing.json"));
    FleetFile fleet;
    QVERIFY(!fleet.load(path));
    QVERIFY2(fleet.errorString().startsWith(path + QStringLiteral(": ")), qPrintable(fleet.errorString()));
}

QTEST_GUILESS_MAIN(TestFleetFile)
#include "tst_fleetfile.moc"
