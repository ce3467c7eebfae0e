// orrin-sim as its users run it: a fleet file it refuses, and the example
// fleet serving protocol sessions that send their requests all at once.

#include "sdk/wirechannel.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSslSocket>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using kelp::WireMessage;

namespace {

const QString s_program = QStringLiteral(ORRIN_SIM_EXECUTABLE);
const QString s_examples = QStringLiteral(QUORLAN_TEST_DATA_DIR "/../../examples");
const QByteArray s_north =
    R"({"name": "north", "address": "127.0.6.1", "user": "u", "password": "", "config": "n.conf")";

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

// A session that sends all its requests at once; the answers, described,
// come into `answers`.
struct Session
{
    Session(const QString& address, const QList<WireMessage>& requests) : channel(new QSslSocket)
    {
        QObject::connect(&channel, &kelp::WireChannel::messageReceived,
                         [this](const WireMessage& answer) { answers << answer.describe(); });
        auto* socket = static_cast<QSslSocket*>(channel.socket());
        socket->setPeerVerifyMode(QSslSocket::VerifyNone);
        socket->connectToHostEncrypted(address, 8601);
        for (const WireMessage& request : requests) {
            channel.send(request);
        }
    }

    QStringList answers;
    kelp::WireChannel channel;
};

} // namespace

class TestOrrinSim : public QObject
{
    Q_OBJECT

private slots:
    void refusesToStart_data();
    void refusesToStart();
    void runsTheExampleFleet();
};

void TestOrrinSim::refusesToStart_data()
{
    // In the error, %1 stands for the fleet file and %2 for its directory.
    QTest::addColumn<QByteArray>("fleet");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("error");

    const auto fleet = [](const QByteArray& servers) -> QByteArray { return "{\"servers\": [" + servers + "]}"; };
    QTest::newRow("no fleet option") << QByteArray() << 2 << "--fleet FILE is required (see --help)";
    QTest::newRow("not JSON") << QByteArray("servers:") << 1 << "%1: not valid JSON at offset 1: illegal value";
    QTest::newRow("no servers") << fleet("") << 1 << "%1: fleet: \"servers\" must be a non-empty array";
    QTest::newRow("missing field") << fleet("{}") << 1 << "%1: server 1: \"name\" is missing";
    QTest::newRow("port out of range") << fleet(s_north + ", \"port\": 65536}") << 1
                                       << "%1: server 1 (north): \"port\" must be a whole number from 1 to 65535";
    QTest::newRow("unknown lock-out field") << fleet(s_north + ", \"lockout\": {\"minutes\": 1}}") << 1
                                            << "%1: server 1 (north), lockout: unknown field \"minutes\"";
    QTest::newRow("unknown step") << fleet(s_north + ", \"faults\": {\"dropAt\": \"logout\"}}") << 1
                                  << "%1: server 1 (north), faults: \"dropAt\" must be one of connect, hello, login, "
                                     "getconfig, lock, save, unlock, restart (not \"logout\")";
    QTest::newRow("certificate without key") << fleet(s_north + ", \"certificate\": \"n.crt\"}") << 1
                                             << "%1: server 1 (north): \"certificate\" and \"key\" go together: "
                                                "give both or neither";
    QTest::newRow("remote address") << fleet(QByteArray(s_north).replace("127.0.6.1", "10.0.0.5") + "}") << 1
                                    << "%1: server 1 (north): \"address\" 10.0.0.5 is not a loopback address "
                                       "(127.0.0.0/8 or ::1); the simulator only listens on this machine";
    QTest::newRow("same address") << fleet(s_north + "}, " + QByteArray(s_north).replace("north", "south") + "}") << 1
                                  << "%1: server 2 (south): north already listens on 127.0.6.1:8601";
    QTest::newRow("values at their limits, configuration missing")
        << fleet(s_north + ", \"port\": 65535, \"lockout\": {\"failures\": 0, \"seconds\": 0}}") << 1
        << "cannot read %2/n.conf: No such file or directory";
}

void TestOrrinSim::refusesToStart()
{
    QFETCH(QByteArray, fleet);
    QFETCH(int, exitCode);
    QFETCH(QString, error);

    QTemporaryDir directory;
    const QString path = directory.filePath(QStringLiteral("fleet.json"));
    QVERIFY(fleet.isEmpty() || writeFile(path, fleet));
    QProcess process;
    process.start(s_program, fleet.isEmpty() ? QStringList() : QStringList{QStringLiteral("--fleet"), path});
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitCode(), exitCode);
    QCOMPARE(QString::fromUtf8(process.readAllStandardError()),
             QStringLiteral("orrin-sim: ") + error.replace("%1", path).replace("%2", directory.path()) + '\n');
    QCOMPARE(process.readAllStandardOutput(), QByteArray());
}

void TestOrrinSim::runsTheExampleFleet()
{
    // The example fleet on addresses of this test's own and on copies of its
    // configurations.
    QTemporaryDir directory;
    QVERIFY(QDir(directory.path()).mkdir(QStringLiteral("configs")));
    for (const QString& name : QDir(s_examples + QStringLiteral("/configs")).entryList(QDir::Files)) {
        QVERIFY(QFile::copy(s_examples + QStringLiteral("/configs/") + name, directory.filePath("configs/" + name)));
    }
    const QString fleetPath = directory.filePath(QStringLiteral("fleet.json"));
    QVERIFY(writeFile(fleetPath, readFile(s_examples + QStringLiteral("/fleet.json"))
                                     .replace("\"127.0.0.1", "\"127.0.6.21")
                                     .replace("\"servers\"", "\"keyDirectory\": \"keys\", \"servers\"")));
    const QString readyPath = directory.filePath(QStringLiteral("ready"));
    const QString northPath = directory.filePath(QStringLiteral("configs/orrin-north.conf"));
    const QByteArray north = readFile(northPath);

    QProcess process;
    process.start(s_program, {QStringLiteral("--fleet"), fleetPath, QStringLiteral("--ready-file"), readyPath});
    QString output;
    QTRY_VERIFY_WITH_TIMEOUT(
        (output += QString::fromUtf8(process.readAllStandardOutput())).endsWith(QStringLiteral("ready: 6 servers\n")),
        10000);
    // The servers' generated pairs are kept in the fleet's key directory, the keys for their owner only.
    const QDir keys(directory.filePath(QStringLiteral("keys")));
    QCOMPARE(keys.entryList({QStringLiteral("*.crt")}).size(), 6);
    QCOMPARE(QFile::permissions(keys.filePath(QStringLiteral("127.0.6.211-8601.key"))) & 0x0fff,
             QFile::ReadUser | QFile::WriteUser);
    const QList<QByteArray> ready = readFile(readyPath).split('\n');
    QCOMPARE(ready.size(), 7);
    QCOMPARE(ready.first(), QByteArray("orrin-north 127.0.6.211:8601"));

    // The first session takes the lock; uploads of sections the schema does
    // not know change nothing, as a merge or as a replace.
    const QString rejected = QStringLiteral("error #%1 (code 5: Invalid name for section: \"Bogus\")");
    const WireMessage hello = WireMessage::hello(1, QString());
    const WireMessage login = WireMessage::login(2, QStringLiteral("admin"), QStringLiteral("north-Pa55"));
    Session holder(QStringLiteral("127.0.6.211"),
                   {hello, login, WireMessage::lock(3, false), WireMessage::save(4, false, false, "[General]\n[Bogus]"),
                    WireMessage::save(5, false, true, "[Bogus]\nv=1")});
    const QString welcome = QStringLiteral("welcome #1 (version 2, orrin-sim)");
    QTRY_COMPARE(holder.answers, (QStringList{welcome, "login-ok #2 (server orrin-north)", "locked #3 (held)",
                                              rejected.arg(4), rejected.arg(5)}));
    QCOMPARE(readFile(northPath), north);

    // Others are served meanwhile, but the lock stays the first session's
    // until that session drops.
    Session other(QStringLiteral("127.0.6.211"),
                  {hello, login, WireMessage::getConfig(3), WireMessage::lock(4, false), WireMessage::unlock(5, true),
                   WireMessage::save(6, false, false, "[General]\nname=x")});
    Session gate(QStringLiteral("127.0.6.215"), {hello, login});
    QTRY_COMPARE(other.answers,
                 (QStringList{welcome, "login-ok #2 (server orrin-north)",
                              QStringLiteral("config #3 (%1 bytes)").arg(north.size()),
                              "error #4 (code 3: the configuration is locked by another session)", "unlocked #5",
                              "error #6 (code 4: this session does not hold the configuration lock)"}));
    QTRY_COMPARE(gate.answers, (QStringList{welcome, "login-refused #2 (code 13, lock-out 0 s)"}));
    holder.channel.abort();
    QTRY_VERIFY((output += QString::fromUtf8(process.readAllStandardOutput()))
                    .contains(QStringLiteral("orrin-north #1 released: the session ended\n"
                                             "orrin-north #1 closed: connection closed by the peer\n")));
    other.channel.send(WireMessage::lock(7, false));
    QTRY_COMPARE(other.answers.size(), 7);
    QCOMPARE(other.answers.last(), QStringLiteral("locked #7 (held)"));
    QCOMPARE(readFile(northPath), north);

    QCOMPARE(::kill(static_cast<pid_t>(process.processId()), SIGTERM), 0);
    QVERIFY(process.waitForFinished(10000));
    output += QString::fromUtf8(process.readAllStandardOutput());
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 0);
    for (const QString& expected : {QStringLiteral("orrin-gate #1 login refused: user admin, code 13\n"),
                                    QStringLiteral("stopping on SIGTERM\n")}) {
        QVERIFY2(output.contains(expected), qPrintable(output));
    }
    QCOMPARE(output.count(QStringLiteral(" stopped\n")), 6);
    QVERIFY2(!output.contains(QStringLiteral("Pa55")), "a password was printed");
    QVERIFY2(!QFile::exists(readyPath), "the ready file outlived the fleet");
}

QTEST_GUILESS_MAIN(TestOrrinSim)
#include "tst_orrinsim.moc"
