#include "wireclient.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using kelp::WireMessage;
using kelp::WireType;

namespace {

const QString s_program = QStringLiteral(ORRIN_SIM_EXECUTABLE);
const QString s_examples = QStringLiteral(QUORLAN_TEST_DATA_DIR "/../../examples");

bool copyTree(const QString& from, const QString& to)
{
    QDirIterator it(from, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString source = it.next();
        const QString target = QDir(to).filePath(QDir(from).relativeFilePath(source));
        if (!QDir().mkpath(QFileInfo(target).absolutePath()) || !QFile::copy(source, target)) {
            return false;
        }
    }
    return true;
}

QString readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

bool writeFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

} // namespace

class TestOrrinSim : public QObject
{
    Q_OBJECT

private slots:
    void explainsItself();
    void refusesToStart_data();
    void refusesToStart();
    void runsTheExampleFleet_data();
    void runsTheExampleFleet();
};

void TestOrrinSim::explainsItself()
{
    QProcess process;
    process.start(s_program, {QStringLiteral("--help")});
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 0);
    const QString help = QString::fromUtf8(process.readAllStandardOutput());
    for (const QString& part : {QStringLiteral("--fleet <FILE>"), QStringLiteral("--ready-file <PATH>"),
                                QStringLiteral("SIGTERM"), QStringLiteral("docs/simulator.md")}) {
        QVERIFY2(help.contains(part), qPrintable(help));
    }
}

void TestOrrinSim::refusesToStart_data()
{
    QTest::addColumn<QByteArray>("fleet");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("error");

    QTest::newRow("no fleet option") << QByteArray() << 2
                                     << QStringLiteral("orrin-sim: --fleet FILE is required (see --help)\n");
    QTest::newRow("not JSON") << QByteArray("servers:") << 1
                              << QStringLiteral("fleet.json: not valid JSON at offset 1: illegal value\n");
    QTest::newRow("missing configuration")
        << QByteArray(R"({"servers": [{"name": "n", "address": "127.0.6.220", "user": "u", "password": "p",
                         "config": "n.conf"}]})")
        << 1 << QStringLiteral("n.conf: No such file or directory\n");
}

void TestOrrinSim::refusesToStart()
{
    QFETCH(QByteArray, fleet);
    QFETCH(int, exitCode);
    QFETCH(QString, error);

    QTemporaryDir directory;
    const QString path = directory.filePath(QStringLiteral("fleet.json"));
    QStringList arguments;
    if (!fleet.isEmpty()) {
        QVERIFY(writeFile(path, fleet));
        arguments << QStringLiteral("--fleet") << path;
    }
    QProcess process;
    process.start(s_program, arguments);
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitCode(), exitCode);
    const QString stderrText = QString::fromUtf8(process.readAllStandardError());
    QVERIFY2(stderrText.startsWith(QStringLiteral("orrin-sim: ")) && stderrText.endsWith(error),
             qPrintable(stderrText));
    QVERIFY(process.readAllStandardOutput().isEmpty());
}

void TestOrrinSim::runsTheExampleFleet_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::addColumn<QString>("signalName");

    QTest::newRow("SIGTERM") << int(SIGTERM) << QStringLiteral("SIGTERM");
    QTest::newRow("SIGINT") << int(SIGINT) << QStringLiteral("SIGINT");
}

void TestOrrinSim::runsTheExampleFleet()
{
    QFETCH(int, signalNumber);
    QFETCH(QString, signalName);

    // The example fleet, moved to addresses of this test's own.
    QTemporaryDir directory;
    QVERIFY(copyTree(s_examples, directory.path()));
    const QString fleetPath = directory.filePath(QStringLiteral("fleet.json"));
    QString fleet = readFile(fleetPath);
    QVERIFY(fleet.contains(QStringLiteral("\"127.0.0.11\"")));
    fleet.replace(QStringLiteral("\"127.0.0.1"), QStringLiteral("\"127.0.6.21"));
    QVERIFY(writeFile(fleetPath, fleet.toUtf8()));
    const QString readyPath = directory.filePath(QStringLiteral("ready"));

    QProcess process;
    process.start(s_program, {QStringLiteral("--fleet"), fleetPath, QStringLiteral("--ready-file"), readyPath});
    QVERIFY(process.waitForStarted(10000));
    QString output;
    QTRY_VERIFY_WITH_TIMEOUT(
        (output += QString::fromUtf8(process.readAllStandardOutput())).contains(QStringLiteral("ready: 6 servers\n")),
        10000);
    QCOMPARE(output.count(QStringLiteral(" listening: ")), 6);
    const QStringList ready = readFile(readyPath).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(ready.size(), 6);
    QCOMPARE(ready.first(), QStringLiteral("orrin-north 127.0.6.211:8601"));

    WireClient north;
    QVERIFY(north.connectTo(QStringLiteral("127.0.6.211")));
    QVERIFY(north.logIn(QStringLiteral("admin"), QStringLiteral("north-Pa55")));
    QCOMPARE(north.configuration(),
             std::optional<QString>(readFile(directory.filePath(QStringLiteral("configs/orrin-north.conf")))));
    WireClient gate;
    QVERIFY(gate.connectTo(QStringLiteral("127.0.6.215")));
    QVERIFY(!gate.logIn(QStringLiteral("admin"), QStringLiteral("gate-Pa55")));
    QTRY_VERIFY((output += QString::fromUtf8(process.readAllStandardOutput()))
                    .contains(QStringLiteral("orrin-gate #1 login refused: user admin, code 13\n")));
    QVERIFY(output.contains(QStringLiteral("orrin-north #1 login: user admin\n")));

    QCOMPARE(::kill(static_cast<pid_t>(process.processId()), signalNumber), 0);
    QVERIFY(process.waitForFinished(10000));
    output += QString::fromUtf8(process.readAllStandardOutput());
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 0);
    QVERIFY2(output.contains(QStringLiteral("stopping on ") + signalName + QLatin1Char('\n')), qPrintable(output));
    QCOMPARE(output.count(QStringLiteral(" stopped\n")), 6);
    QVERIFY2(!output.contains(QStringLiteral("Pa55")), "a password was printed");
    QVERIFY2(!QFile::exists(readyPath), "the ready file outlived the fleet");
    QVERIFY(north.waitClosed());
}

QTEST_GUILESS_MAIN(TestOrrinSim)
#include "tst_orrinsim.moc"
