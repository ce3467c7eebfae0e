#include "batch/batchcommandline.h"
#include "engine/support/operationrecorder.h"
#include "testsupport/fleetfixture.h"
#include "testsupport/testsettings.h"

#include <QProcess>
#include <QtTest>

#include <csignal>

using namespace enginetest;
using testsupport::FleetFixture;
constexpr auto kConnected = sim::ServerEvent::Kind::Connected;

namespace {

struct Run
{
    int exitCode = -1;
    QString out, err;
};

const QString kAlpha = QStringLiteral("[General]\nname=Alpha\n[Licence]\nkey=AAAA\n[Relay1]\nmode=on\n");
const QString kOldReport = QStringLiteral("an old report, longer than any new one will be\n");
const QString kPushed = QStringLiteral("[General]\nname=Alpha\n[Licence]\nkey=AAAA\n[Relay1]\nmode=off");

QString serverText(const QString& host, const QStringList& ownLines)
{
    return serverLines(host, ownLines).join('\n') + '\n';
}

} // namespace

// quorlan-batch as a process against simulated servers of this process on
// 127.0.10.x: what is printed where, the exit status, the files and the report.
class TestBatchRun : public QObject
{
    Q_OBJECT

    QString path(const QString& name) const { return m_work->filePath(name); }
    // ~ in texts and command lines stands for the work directory.
    QString inWork(QString text) const { return text.replace('~', m_work->path()); }
    // quorlan-batch with this test's locale and per-user directories, waited for with the event loop so that this
    // process's fleet can answer; exit code -1 after 20 s. SIGINT once standard output holds interruptAfter.
    Run batch(const QString& line, const QString& interruptAfter = QString()) const
    {
        QProcess process;
        QSignalSpy finished(&process, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished));
        QByteArray out;
        QObject::connect(&process, &QProcess::readyReadStandardOutput, &process, [&] {
            const bool before = out.contains(interruptAfter.toUtf8());
            out += process.readAllStandardOutput();
            if (!interruptAfter.isEmpty() && !before && out.contains(interruptAfter.toUtf8())) {
                ::kill(static_cast<pid_t>(process.processId()), SIGINT);
            }
        });
        process.start(QUORLAN_BATCH, inWork(line).split(' '));
        if (!finished.wait(20000)) {
            return {}; // the destructor kills it
        }
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                QString::fromUtf8(out + process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }

    testsupport::TestSettings m_settings;
    FleetFixture m_fleet;
    std::unique_ptr<QTemporaryDir> m_work;

private slots:
    void initTestCase()
    {
        qRegisterMetaType<QProcess::ExitStatus>();
        qputenv("LC_ALL", "C");
        QVERIFY(m_fleet.addServer("Alpha", "127.0.10.1", kAlpha));
    }
    void init()
    {
        m_work = std::make_unique<QTemporaryDir>();
        QVERIFY(QDir(m_work->path()).mkdir("out"));
        QVERIFY(writeFile(path("servers.csv"), FleetFixture::serverList({"127.0.10.1", "127.0.10.9"})));
        QVERIFY(writeFile(path("alpha.csv"), FleetFixture::serverList({"127.0.10.1"})));
        QVERIFY(writeFile(path("damaged.csv"), "host,username,password\n\"127.0.10.1,admin,x\n127.0.10.2,admin,y\n"));
        QVERIFY(writeFile(path("report.txt"), kOldReport.toUtf8()));
        QVERIFY(writeFile(path("alpha.conf"), kAlpha.toUtf8()));
        QVERIFY(writeFile(path("bad.conf"), "[General]\n[Bogus]\n"));
        QVERIFY(writeFile(path("relay.conf"), "[Relay1]\nmode=off"));
        QVERIFY(writeFile(path("relay9.conf"), "[Relay1]\nmode=off\n[Relay9]\nmode=on\n"));
        QVERIFY(writeFile(path("empty.conf"), ""));
        QVERIFY(writeFile(path("comments.conf"), "# [Relay1]\n\n mode=off\n"));
    }

    void runs_data()
    {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("report");
        const auto row = [](const char* name, const QString& arguments, int exitCode, const QString& out,
                            const QString& err, const QStringList& files = {}, const QString& report = kOldReport) {
            QTest::newRow(name) << arguments << exitCode << out << err << files << report;
        };

        // Nothing listens on 127.0.10.9: the SDK reports a refused connection as a login error.
        const QString refused = "ERROR: Login Error: Failed to connect to the server. Server: 127.0.10.9, port: 8601\n";
        const QString alpha = serverText("127.0.10.1", {"INFO: Saving as: ~/out/Alpha-127.0.10.1.conf"});
        row("backup, one server fails",
            "backup --csv ~/servers.csv --output-dir ~/out --naming both --report ~/report.txt --overwrite-report", 1,
            alpha + "INFO: Connecting to 127.0.10.9...\n" + separatorLine + "\nINFO: Finished!\n",
            refused + "quorlan-batch: 1 server failed, 1 succeeded:\n  127.0.10.9: " + refused.mid(7),
            {"Alpha-127.0.10.1.conf"},
            alpha + "INFO: Connecting to 127.0.10.9...\n" + refused + separatorLine + "\nINFO: Finished!\n");
        row("report exists", "backup --csv ~/servers.csv --output-dir ~/out --report ~/report.txt", 2, "",
            "quorlan-batch: the report file ~/report.txt already exists; give --overwrite-report to replace it\n");
        row("CSV list is a directory", "backup --csv ~/out --output-dir ~/out", 2, "",
            "quorlan-batch: cannot read the CSV server list ~/out\n");
        row("report directory missing", "backup --csv ~/servers.csv --output-dir ~/out --report ~/none/report.txt", 2,
            "", "quorlan-batch: cannot write the report file ~/none/report.txt\n");
        // Not even root creates files in /proc.
        row("output directory not writable", "backup --csv ~/servers.csv --output-dir /proc", 2, "",
            "quorlan-batch: cannot write into the output directory /proc\n");
        row("configuration file not readable", "push --csv ~/servers.csv --config ~/out", 2, "",
            "quorlan-batch: cannot read the configuration file ~/out\n");
        row("push of a file without sections", "push --csv ~/servers.csv --config ~/comments.conf", 2, "",
            "quorlan-batch: the configuration file ~/comments.conf has no section header; give --allow-no-sections to "
            "push it anyway\n");
        // Refused inside the operation's start, before anything was waited for.
        row("damaged CSV list", "backup --csv ~/damaged.csv --output-dir ~/out", 2, "",
            "ERROR: The CSV file is damaged: the quoted field opened on line 2 is never closed\n");
        row("no output directory", "backup --csv ~/servers.csv --output-dir ~/gone", 2, "",
            "quorlan-batch: the output directory ~/gone does not exist\n");
        row("no configuration file", "push --csv ~/servers.csv --config ~/none.conf", 2, "",
            "quorlan-batch: the configuration file ~/none.conf does not exist\n");
        row("usage error", "push --config ~/relay.conf", 2, "",
            "quorlan-batch: push: the option --csv FILE is required\nTry 'quorlan-batch --help' for more "
            "information.\n");
        row("help", "--help", 0, BatchCommandLine::helpText(), "");
        row("preview without server configuration", "preview --server-config ~/none.conf --config ~/relay.conf", 2, "",
            "ERROR: Could not read server configuration file: ~/none.conf\n");
        row("preview without configuration file", "preview --server-config ~/alpha.conf --config ~/none.conf", 2, "",
            "ERROR: Could not read configuration file: ~/none.conf\n");
        row("preview of a rejected server configuration", "preview --server-config ~/bad.conf --config ~/relay.conf", 2,
            "", "ERROR: Could not read server configuration file: ~/bad.conf: Invalid name for section: \"Bogus\"\n");
        // A header the servers reject: the preview reports it as a server would, the push refuses to start.
        row("preview of a rejected header", "preview --server-config ~/alpha.conf --config ~/relay9.conf --diff", 2, "",
            "ERROR: Config Error: Invalid name for section: \"Relay9\"\n");
        row("push of a rejected header", "push --csv ~/servers.csv --config ~/relay9.conf --mode replace", 2, "",
            "quorlan-batch: the servers would reject the configuration file ~/relay9.conf: Invalid name for section: "
            "\"Relay9\"\n");
        row("push of an empty file allowed", "push --csv ~/alpha.csv --config ~/empty.conf --allow-no-sections", 0,
            serverText("127.0.10.1", {"INFO: Configuration locked", "INFO: Pushing configuration to server...",
                                      "INFO: Released configuration lock"}) +
                "INFO: Finished!\n",
            "");
        row("diff", "preview --server-config ~/alpha.conf --config ~/relay.conf --diff --mode replace", 0,
            "--- ~/alpha.conf (current)\n+++ ~/alpha.conf (after pushing ~/relay.conf, replace)\n@@ -1,6 +1,4 @@\n"
            "-[General]\n-name=Alpha\n [Licence]\n key=AAAA\n [Relay1]\n-mode=on\n+mode=off\n\\ No newline at end of "
            "file\n",
            "");
    }
    void runs()
    {
        QFETCH(QString, arguments);
        QFETCH(QString, out);
        QFETCH(QString, err);
        QFETCH(QString, report);
        const int before = m_fleet.events("Alpha", kConnected).size();
        const Run run = batch(arguments);
        QCOMPARE(run.out, inWork(out));
        QCOMPARE(run.err, inWork(err));
        QTEST(run.exitCode, "exitCode");
        QTEST(QDir(path("out")).entryList(QDir::Files), "files");
        QCOMPARE(QString::fromUtf8(readFile(path("report.txt"))), inWork(report));
        // A run that could not start has contacted nobody (every list starts with Alpha); no run here changes a server.
        QVERIFY2(run.exitCode != 2 || m_fleet.events("Alpha", kConnected).size() == before, "a server was contacted");
        QCOMPARE(m_fleet.configText("Alpha"), kAlpha);
    }

    // Speed1 finishes before Speed0, which finishes before Speed2 (whose lock another session holds) and so has
    // to pass on Speed2's lines as they come; the first job waits for Speed2, the dead host last.
    void parallelRunReadsAsSequential_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("jobs");
        QTest::newRow("backup, fewer jobs than servers") << "backup --output-dir ~/%1" << 2;
        QTest::newRow("push, more jobs than servers") << "push --config ~/relay.conf" << 64;
    }
    void parallelRunReadsAsSequential()
    {
        QFETCH(QString, command);
        QFETCH(int, jobs);
        FleetFixture fleet;
        const int delays[] = {30, 0, 60};
        QStringList hosts;
        for (int i = 0; i < 3; ++i) {
            sim::Faults faults;
            faults.answerDelayMs = delays[i];
            faults.lockHeldElsewhere = i == 2;
            hosts << QString("127.0.10.3%1").arg(i);
            QVERIFY(fleet.addServer(QString("Speed%1").arg(i), hosts.last(), kAlpha, faults));
        }
        QVERIFY(writeFile(path("fleet.csv"), FleetFixture::serverList(hosts << "127.0.10.39")));
        QVERIFY(QDir(m_work->path()).mkdir("out2"));
        const auto run = [&](const QString& out, int jobs) {
            return batch(QString(command).replace("%1", out) + " --csv ~/fleet.csv --overwrite-report --report ~/" +
                         out + ".txt --jobs " + QString::number(jobs));
        };
        const Run sequential = run("out", 1);
        const Run parallel = run("out2", jobs);
        QCOMPARE(parallel.out, QString(sequential.out).replace("/out/", "/out2/"));
        QCOMPARE(parallel.err + QString::number(parallel.exitCode), sequential.err + "1");
        QCOMPARE(readFile(path("out2.txt")), readFile(path("out.txt")).replace("/out/", "/out2/"));
        QCOMPARE(sequential.out.count("INFO: Connecting to "), 4);
        QCOMPARE(QDir(path("out2")).entryList(QDir::Files), QDir(path("out")).entryList(QDir::Files));
    }

    void interruptedPushLeavesNoServerLocked()
    {
        FleetFixture fleet;
        QStringList hosts;
        sim::Faults slow;
        slow.answerDelayMs = 150;
        for (int i = 1; i <= 5; ++i) {
            hosts << QString("127.0.10.5%1").arg(i);
            QVERIFY(fleet.addServer(QString("Node%1").arg(i), hosts.last(), kAlpha, slow));
        }
        QVERIFY(writeFile(path("nodes.csv"), FleetFixture::serverList(hosts)));
        const Run run = batch("push --csv ~/nodes.csv --config ~/relay.conf --jobs 3", "INFO: Configuration locked");
        QCOMPARE(run.err + QString::number(run.exitCode),
                 QString("quorlan-batch: interrupted: no further server is started, the servers in progress finish "
                         "(interrupt again to stop at once)\n0"));
        QVERIFY(run.out.endsWith(separatorLine + "\nINFO: Finished!\n"));
        const int started = run.out.count("INFO: Connecting to ");
        QVERIFY2(started >= 1 && started < 5, qPrintable(run.out));
        QCOMPARE(run.out.count("INFO: Released configuration lock"), started);
        for (int i = 1; i <= 5; ++i) {
            const QString name = QString("Node%1").arg(i);
            QCOMPARE(fleet.configText(name), i <= started ? kPushed : kAlpha);
            QVERIFY2(fleet.events(name, sim::ServerEvent::Kind::Released).isEmpty(), qPrintable(name));
        }
    }

    void previewEqualsPush_data()
    {
        QTest::addColumn<QString>("options");
        QTest::addColumn<QString>("expected");
        QTest::newRow("merge") << ""
                               << "# site Zürich\n[General]\nname=Gamma\n[Licence]\nkey=AAAA\n[Network0]\naddress=10.0."
                                  "0.5\n[Relay1]\nmode=off\n[Network]\ndns=9.9.9.9\n[Storage1]\nsize=4\n";
        QTest::newRow("replace, network not kept")
            << " --mode replace --no-preserve-network"
            << "[Licence]\nkey=AAAA\n[Relay1]\nmode=off\n[Network]\ndns=9.9.9.9\n[Storage1]\nsize=4\n";
    }
    void previewEqualsPush()
    {
        QFETCH(QString, options);
        // Lines before the first header, two sections of the kind Network, and one the snippet replaces.
        const QString server =
            "# site Zürich\n[General]\nname=Gamma\n[Licence]\nkey=AAAA\n[Network0]\naddress=10.0.0.5\n"
            "[Relay1]\nmode=on\n[Network]\ndns=10.0.0.1\n";
        FleetFixture fleet;
        QVERIFY(fleet.addServer("Gamma", "127.0.10.21", server));
        QVERIFY(writeFile(path("gamma.csv"), FleetFixture::serverList({"127.0.10.21"})));
        QVERIFY(writeFile(
            path("snippet.conf"),
            "# pushed on Monday\r\n[Relay1]\r\nmode=off\r\n[Network]\r\ndns=9.9.9.9\r\n[Storage1]\r\nsize=4\r\n"));
        QVERIFY(writeFile(path("out/Gamma.conf"), server.toUtf8()));
        const Run preview = batch("preview --server-config ~/out/Gamma.conf --config ~/snippet.conf" + options);
        QCOMPARE(preview.err + QString::number(preview.exitCode), QString("0"));
        QTEST(preview.out, "expected");
        const Run push = batch("push --csv ~/gamma.csv --config ~/snippet.conf" + options);
        QCOMPARE(push.err + QString::number(push.exitCode), QString("0"));
        QCOMPARE(fleet.configText("Gamma"), preview.out);
    }

    void serverTextsForgeNoLine()
    {
        const QString forged = "\nERROR: forged line";
        FleetFixture fleet;
        sim::Faults faults;
        faults.lockError = "refused" + forged;
        QVERIFY(fleet.addServer("fake" + forged, "127.0.10.31", "[General]\n", faults));
        QVERIFY(writeFile(path("fake.csv"), FleetFixture::serverList({"127.0.10.31", "\"127.0.10.32" + forged + '"'})));
        const Run run = batch("push --config ~/relay.conf --csv ~/fake.csv --report ~/report.txt --overwrite-report");
        QCOMPARE(run.exitCode, 1);
        const QString all = run.out + run.err + QString::fromUtf8(readFile(path("report.txt")));
        const auto eachLine = QRegularExpression::MultilineOption;
        // The lock error: on standard error, in the report and in the closing summary.
        QVERIFY2(all.count("Connecting to 127.0.10.32\\nERROR: forged line...\n") == 2 &&
                     all.count("refused\\nERROR: forged line\n") == 3 &&
                     !all.contains(QRegularExpression("^ERROR: forged", eachLine)),
                 qPrintable(all));
        // Every line of the SDK log starts with its time stamp; the server's name is in one.
        const QString log = QString::fromUtf8(readFile(m_settings.dataHome() + "/Brindlowe/quorlan/kelpsdk.log"));
        QVERIFY2(log.contains("connected to fake\\nERROR: forged line\n") &&
                     !log.contains(QRegularExpression("^(?!\\d{4}-\\d\\d-\\d\\dT)", eachLine)),
                 qPrintable(log));
    }
};

QTEST_GUILESS_MAIN(TestBatchRun)
#include "tst_batchrun.moc"
