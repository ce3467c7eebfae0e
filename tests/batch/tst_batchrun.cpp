#include "batch/batchcommandline.h"
#include "engine/support/operationrecorder.h"
#include "testsupport/fleetfixture.h"
#include "testsupport/testsettings.h"

#include <QProcess>
#include <QtTest>

#include <csignal>

using namespace enginetest;
using testsupport::FleetFixture;

namespace {

struct Run
{
    int exitCode = -1;
    QString out;
    QString err;
};

// quorlan-batch as a process in the C locale and with this test's per-user
// directories, waited for with the event loop so that the fleet of this test
// process can answer it. Killed after 20 s (exit code -1). interruptAfter:
// SIGINT once standard output holds this text.
Run runBatch(const QStringList& arguments, const QString& interruptAfter = QString())
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("LC_ALL", "C");
    process.setProcessEnvironment(environment);
    QSignalSpy finished(&process, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished));
    QByteArray out;
    if (!interruptAfter.isEmpty()) {
        QObject::connect(&process, &QProcess::readyReadStandardOutput, &process, [&] {
            const bool before = out.contains(interruptAfter.toUtf8());
            out += process.readAllStandardOutput();
            if (!before && out.contains(interruptAfter.toUtf8())) {
                ::kill(static_cast<pid_t>(process.processId()), SIGINT);
            }
        });
    }
    process.start(QUORLAN_BATCH, arguments);
    if (!finished.wait(20000)) {
        process.kill();
        process.waitForFinished(5000);
        return {};
    }
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(out + process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

const QString kAlpha = QStringLiteral("[General]\nname=Alpha\n[Licence]\nkey=AAAA\n[Relay1]\nmode=on\n");
const QString kBeta = QStringLiteral("[General]\nname=Beta \xc3\xa4\n[Licence]\nkey=BBBB\n[Relay1]\nmode=on");
const QString kOldReport = QStringLiteral("an old report, longer than any new one will be\n");

// What one server prints on standard output.
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

    testsupport::TestSettings m_settings;
    FleetFixture m_fleet;
    std::unique_ptr<QTemporaryDir> m_work;

private slots:
    void initTestCase()
    {
        qRegisterMetaType<QProcess::ExitStatus>();
        QVERIFY(m_fleet.addServer("Alpha", "127.0.10.1", kAlpha));
        QVERIFY(m_fleet.addServer("Beta", "127.0.10.2", kBeta));
    }
    void init()
    {
        m_work = std::make_unique<QTemporaryDir>();
        QVERIFY(QDir(m_work->path()).mkdir("out"));
        const QByteArray mixed = "Server;Pwd;User\n127.0.10.1;" + FleetFixture::defaultPassword().toUtf8() +
                                 ";admin\n127.0.10.9;x;admin\n127.0.10.2;" + FleetFixture::defaultPassword().toUtf8() +
                                 ";admin\n";
        QVERIFY(writeFile(path("servers.csv"), mixed));
        QVERIFY(writeFile(path("alpha.csv"), FleetFixture::serverList({"127.0.10.1"})));
        QVERIFY(writeFile(path("damaged.csv"), "host,username,password\n\"127.0.10.1,admin,x\n127.0.10.2,admin,y\n"));
        QVERIFY(writeFile(path("report.txt"), kOldReport.toUtf8()));
        QVERIFY(writeFile(path("alpha.conf"), kAlpha.toUtf8()));
        QVERIFY(writeFile(path("bad.conf"), "[General]\n[Bogus]\n"));
        QVERIFY(writeFile(path("relay.conf"), "[Relay1]\nmode=off"));
        QVERIFY(writeFile(path("relay9.conf"), "[Relay1]\nmode=off\n[Relay9]\nmode=on\n"));
        QVERIFY(writeFile(path("empty.conf"), ""));
        QVERIFY(writeFile(path("comments.conf"), "# [Relay1]\n\n mode=off\n"));
        QVERIFY(writeFile(path("binary.conf"), QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\xff", 17)));
    }

    void runs_data()
    {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("report");
        // In the texts, ~ stands for the work directory.
        const auto row = [](const char* name, const QString& arguments, int exitCode, const QString& out,
                            const QString& err, const QStringList& files = {}, const QString& report = kOldReport) {
            QTest::newRow(name) << arguments << exitCode << out << err << files << report;
        };

        // Nothing listens on 127.0.10.9: the SDK reports a refused connection as a login error.
        const QString refused = "ERROR: Login Error: Failed to connect to the server. Server: 127.0.10.9, port: 8601\n";
        const QString alpha = serverText("127.0.10.1", {"INFO: Saving as: ~/out/Alpha-127.0.10.1.conf"});
        const QString dead = "INFO: Connecting to 127.0.10.9...\n" + separatorLine + '\n';
        const QString beta = serverText("127.0.10.2", {"INFO: Saving as: ~/out/Beta-127.0.10.2.conf"});
        row("backup, one server fails",
            "backup --csv ~/servers.csv --output-dir ~/out --naming both --report ~/report.txt --overwrite-report", 1,
            alpha + dead + beta + "INFO: Finished!\n",
            refused + "quorlan-batch: 1 server failed, 2 succeeded:\n  127.0.10.9: " + refused.mid(7),
            {"Alpha-127.0.10.1.conf", "Beta-127.0.10.2.conf"},
            alpha + "INFO: Connecting to 127.0.10.9...\n" + refused + separatorLine + '\n' + beta +
                "INFO: Finished!\n");
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
        for (const char* file : {"empty", "comments", "binary"}) {
            const QByteArray name = QByteArray("push of a file without sections: ") + file;
            row(name.constData(), QString("push --csv ~/servers.csv --config ~/%1.conf --mode replace").arg(file), 2,
                "",
                QString("quorlan-batch: the configuration file ~/%1.conf has no section header; give "
                        "--allow-no-sections to push it anyway\n")
                    .arg(file));
        }
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
        QFETCH(QStringList, files);
        QFETCH(QString, report);
        const auto inWork = [this](QString text) { return text.replace('~', m_work->path()); };
        const auto connections = [this]() {
            return m_fleet.events("Alpha", sim::ServerEvent::Kind::Connected).size() +
                   m_fleet.events("Beta", sim::ServerEvent::Kind::Connected).size();
        };
        const int before = connections();

        const Run run = runBatch(inWork(arguments).split(' '));
        QCOMPARE(run.out, inWork(out));
        QCOMPARE(run.err, inWork(err));
        QTEST(run.exitCode, "exitCode");
        QCOMPARE(QDir(path("out")).entryList(QDir::Files), files);
        for (const QString& file : files) {
            QCOMPARE(readFile(path("out/" + file)), m_fleet.configText(file.section('-', 0, 0)).toUtf8());
        }
        QCOMPARE(QString::fromUtf8(readFile(path("report.txt"))), inWork(report));
        // A run that could not start has contacted nobody; no run here changes a server.
        QVERIFY2(run.exitCode != 2 || connections() == before, "a server was contacted");
        QCOMPARE(m_fleet.configText("Alpha"), kAlpha);
        QCOMPARE(m_fleet.configText("Beta"), kBeta);
    }

    // Servers that answer at different speeds finish out of order; faults mixed in.
    void parallelRunReadsAsSequential_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("jobs");
        QTest::newRow("backup, 3 jobs") << "backup --output-dir ~/%1"
                                        << "3";
        QTest::newRow("backup, 64 jobs") << "backup --output-dir ~/%1"
                                         << "64";
        QTest::newRow("push, 4 jobs") << "push --config ~/relay.conf"
                                      << "4";
    }
    void parallelRunReadsAsSequential()
    {
        QFETCH(QString, command);
        FleetFixture fleet;
        const int delays[] = {400, 0, 50, 250, 0};
        QStringList hosts{"127.0.10.39"};
        for (int i = 0; i < 5; ++i) {
            sim::Faults faults;
            faults.answerDelayMs = delays[i];
            faults.lockHeldElsewhere = i == 2;
            hosts.insert(i, QString("127.0.10.3%1").arg(i));
            QVERIFY(fleet.addServer(QString("Speed%1").arg(i), hosts.at(i), kAlpha, faults));
        }
        QVERIFY(writeFile(path("fleet.csv"), FleetFixture::serverList(hosts)));
        QVERIFY(QDir(m_work->path()).mkdir("out2"));
        QFETCH(QString, jobs);
        const auto run = [&](const QString& out, const QString& report, const QString& jobs) {
            const QString line = QString(command).replace("%1", out) +
                                 " --csv ~/fleet.csv --overwrite-report --report ~/" + report + " --jobs " + jobs;
            return runBatch(QString(line).replace('~', m_work->path()).split(' '));
        };
        const Run sequential = run("out", "report.txt", "1");
        const Run parallel = run("out2", "report2.txt", jobs);
        QCOMPARE(parallel.out, QString(sequential.out).replace("/out/", "/out2/"));
        QCOMPARE(parallel.err, sequential.err);
        QVERIFY2(parallel.exitCode == 1, qPrintable(parallel.err + parallel.out));
        QCOMPARE(readFile(path("report2.txt")), readFile(path("report.txt")).replace("/out/", "/out2/"));
        QCOMPARE(sequential.out.count("INFO: Connecting to "), 6);
        QCOMPARE(QDir(path("out2")).entryList(QDir::Files), QDir(path("out")).entryList(QDir::Files));
    }

    void sameNameAtOnceWritesBoth()
    {
        // Two fleets, so that both servers can be called Twin.
        FleetFixture first;
        FleetFixture second;
        sim::Faults slow;
        slow.answerDelayMs = 100;
        QVERIFY(first.addServer("Twin", "127.0.10.41", kAlpha, slow));
        QVERIFY(second.addServer("Twin", "127.0.10.42", kBeta, slow));
        QVERIFY(writeFile(path("twins.csv"), FleetFixture::serverList({"127.0.10.41", "127.0.10.42"})));
        const Run run = runBatch({"backup", "--csv", path("twins.csv"), "--output-dir", path("out"), "--jobs", "2"});
        QCOMPARE(run.err + QString::number(run.exitCode), QString("0"));
        QCOMPARE(QDir(path("out")).entryList(QDir::Files), QStringList({"Twin (1).conf", "Twin.conf"}));
        QCOMPARE(QSet<QByteArray>({readFile(path("out/Twin.conf")), readFile(path("out/Twin (1).conf"))}),
                 QSet<QByteArray>({kAlpha.toUtf8(), kBeta.toUtf8()}));
    }

    void interruptedPushLeavesNoServerLocked()
    {
        FleetFixture fleet;
        QStringList hosts;
        sim::Faults slow;
        slow.answerDelayMs = 150;
        for (int i = 1; i <= 8; ++i) {
            hosts << QString("127.0.10.5%1").arg(i);
            QVERIFY(fleet.addServer(QString("Node%1").arg(i), hosts.last(), kAlpha, slow));
        }
        QVERIFY(writeFile(path("nodes.csv"), FleetFixture::serverList(hosts)));
        const QString pushed = "[General]\nname=Alpha\n[Licence]\nkey=AAAA\n[Relay1]\nmode=off";
        const QStringList push{"push", "--csv", path("nodes.csv"), "--config", path("relay.conf"), "--jobs", "3"};

        const Run interrupted = runBatch(push, "INFO: Configuration locked");
        QCOMPARE(interrupted.exitCode, 0);
        QCOMPARE(interrupted.err, QString("quorlan-batch: interrupted: no further server is started, the servers in "
                                          "progress finish (interrupt again to stop at once)\n"));
        QVERIFY(interrupted.out.endsWith(separatorLine + "\nINFO: Finished!\n"));
        const int started = interrupted.out.count("INFO: Connecting to ");
        QVERIFY2(started >= 1 && started < 8, qPrintable(interrupted.out));
        QCOMPARE(interrupted.out.count("INFO: Released configuration lock"), started);
        for (int i = 1; i <= 8; ++i) {
            const QString name = QString("Node%1").arg(i);
            QCOMPARE(fleet.configText(name), i <= started ? pushed : kAlpha);
            QVERIFY2(fleet.events(name, sim::ServerEvent::Kind::Released).isEmpty(), qPrintable(name));
        }
        const Run again = runBatch(push);
        QCOMPARE(again.err + QString::number(again.exitCode), QString("0"));
        for (int i = 1; i <= 8; ++i) {
            QCOMPARE(fleet.configText(QString("Node%1").arg(i)), pushed);
        }
    }

    void previewEqualsPush_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<bool>("restart");
        QTest::addColumn<QString>("expected");
        QTest::newRow("merge")
            << "127.0.10.21" << QStringList() << false
            << "# site Zürich\n[General]\nname=Gamma\n[Licence]\nkey=AAAA\n[Network0]\naddress=10.0.0.5\n"
               "[Relay1]\nmode=off\n[Network]\ndns=9.9.9.9\n[Storage1]\nsize=4\n";
        QTest::newRow("replace, network not kept, restart")
            << "127.0.10.22" << QStringList{"--mode", "replace", "--no-preserve-network"} << true
            << "[Licence]\nkey=AAAA\n[Relay1]\nmode=off\n[Network]\ndns=9.9.9.9\n[Storage1]\nsize=4\n";
    }
    void previewEqualsPush()
    {
        QFETCH(QString, address);
        QFETCH(QStringList, options);
        QFETCH(bool, restart);
        // Lines before the first header, two sections of the kind Network, and one the snippet replaces.
        const QString server =
            "# site Zürich\n[General]\nname=Gamma\n[Licence]\nkey=AAAA\n[Network0]\naddress=10.0.0.5\n"
            "[Relay1]\nmode=on\n[Network]\ndns=10.0.0.1\n";
        FleetFixture fleet;
        QVERIFY(fleet.addServer("Gamma", address, server));
        QVERIFY(writeFile(path("gamma.csv"), FleetFixture::serverList({address})));
        QVERIFY(writeFile(path("snippet.conf"),
                          "# pushed on Monday\r\n[Relay1]\r\nmode=off\r\n[Network]\r\ndns=9.9.9.9\r\n"
                          "[Storage1]\r\nsize=4\r\n"));

        QVERIFY(writeFile(path("out/Gamma.conf"), server.toUtf8()));
        const QStringList files{"--config", path("snippet.conf")};
        const Run preview =
            runBatch(QStringList{"preview", "--server-config", path("out/Gamma.conf")} + files + options);
        QCOMPARE(preview.err + QString::number(preview.exitCode), QString("0"));
        QTEST(preview.out, "expected");
        const Run push = runBatch(QStringList{"push", "--csv", path("gamma.csv")} + files + options +
                                  (restart ? QStringList{"--restart"} : QStringList()));
        QStringList pushed{"INFO: Configuration locked", "INFO: Pushing configuration to server...",
                           "INFO: Released configuration lock"};
        QCOMPARE(push.out,
                 serverText(address, restart ? pushed << "INFO: Restarting server" : pushed) + "INFO: Finished!\n");
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
        const QByteArray list = "host,username,password\n127.0.10.31,admin," + FleetFixture::defaultPassword().toUtf8();
        QVERIFY(writeFile(path("forged.csv"), list + "\n\"127.0.10.32" + forged.toUtf8() + "\",admin,x\n"));
        QString all; // what both runs printed and reported
        for (const QString command : {"backup --output-dir ~/out", "push --config ~/relay.conf"}) {
            const QString options = " --csv ~/forged.csv --report ~/report.txt --overwrite-report";
            const Run run = runBatch(QString(command + options).replace('~', m_work->path()).split(' '));
            QCOMPARE(run.exitCode, 1);
            all += run.out + run.err + QString::fromUtf8(readFile(path("report.txt")));
        }
        const auto eachLine = QRegularExpression::MultilineOption;
        // The lock error: on standard error, in the report and in the closing summary.
        QVERIFY2(all.count("Connecting to 127.0.10.32\\nERROR: forged line...\n") == 4 &&
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
