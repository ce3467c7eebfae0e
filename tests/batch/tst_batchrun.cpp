#include "batchprocess.h"
#include "fleetprocess.h"
#include "testsupport/testsettings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString kSeparator = QStringLiteral("INFO: ----------------------------------------------------------");
// Nothing listens here: the SDK reports a refused connection as a login error.
const QString kDeadHost = QStringLiteral("127.0.10.9");
const QString kDeadHostError =
    QStringLiteral("ERROR: Login Error: Failed to connect to the server. Server: 127.0.10.9, port: 8601");

const QString kAlphaConfig = QStringLiteral("[General]\nname=Alpha\n[Licence]\nkey=AAAA\n[Network]\ndns=10.0.0.1\n"
                                            "[Relay1]\nmode=on\n");
const QString kBetaConfig = QStringLiteral("[General]\nname=Beta \xc3\xa4\n[Licence]\nkey=BBBB\n[Relay1]\nmode=on");

QString writeFile(const QString& path, const QString& text)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(text.toUtf8());
    }
    return path;
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The lines of one server that the backup saves.
QStringList savedServer(const QString& host, const QString& path)
{
    return {QStringLiteral("INFO: Connecting to %1...").arg(host), QStringLiteral("INFO: Connected"),
            QStringLiteral("INFO: Saving as: ") + path, kSeparator};
}

} // namespace

// quorlan-batch as a process against orrin-sim as a process: what is
// printed where, the exit status, the files and the report.
class TestBatchRun : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void backup_data();
    void backup();
    void backupWithFailuresAndReport();
    void refusedBeforeAnyServer_data();
    void refusedBeforeAnyServer();
    void overwriteReport();
    void push_data();
    void push();
    void usageErrorAndHelp();

private:
    QString path(const QString& name) const { return m_work->filePath(name); }

    testsupport::TestSettings m_settings;
    FleetProcess m_fleet;
    std::unique_ptr<QTemporaryDir> m_work;
    QString m_csv;
};

void TestBatchRun::initTestCase()
{
    m_fleet.addServer(QStringLiteral("Alpha"), QStringLiteral("127.0.10.1"), QStringLiteral("a-secret"), kAlphaConfig,
                      QJsonObject{{QStringLiteral("restartMs"), 50}});
    m_fleet.addServer(QStringLiteral("Beta"), QStringLiteral("127.0.10.2"), QStringLiteral("b-secret"), kBetaConfig,
                      QJsonObject{{QStringLiteral("restartMs"), 50}});
    QVERIFY2(m_fleet.start(), qPrintable(m_fleet.errorString()));
}

void TestBatchRun::init()
{
    m_work = std::make_unique<QTemporaryDir>();
    QVERIFY(m_work->isValid());
    QVERIFY(QDir(m_work->path()).mkdir(QStringLiteral("out")));
    m_csv = writeFile(path(QStringLiteral("servers.csv")),
                      QStringLiteral("host,username,password\n127.0.10.1,admin,a-secret\n127.0.10.2,admin,b-secret\n"));
}

void TestBatchRun::backup_data()
{
    QTest::addColumn<QStringList>("naming");
    QTest::addColumn<QString>("alphaFile");
    QTest::addColumn<QString>("betaFile");

    QTest::newRow("default") << QStringList() << "Alpha.conf"
                             << "Beta.conf";
    QTest::newRow("both") << QStringList{"--naming=both"} << "Alpha-127.0.10.1.conf"
                          << "Beta-127.0.10.2.conf";
}

void TestBatchRun::backup()
{
    QFETCH(QStringList, naming);
    QFETCH(QString, alphaFile);
    QFETCH(QString, betaFile);
    const QString out = path(QStringLiteral("out"));

    const BatchProcess run(QStringList{"backup", "--csv", m_csv, "--output-dir", out} + naming);
    QCOMPARE(run.err(), QString());
    QCOMPARE(run.outLines(), savedServer("127.0.10.1", out + QLatin1Char('/') + alphaFile) +
                                 savedServer("127.0.10.2", out + QLatin1Char('/') + betaFile) +
                                 QStringList{"INFO: Finished!"});
    QCOMPARE(run.exitCode(), 0);
    QCOMPARE(QDir(out).entryList(QDir::Files), (QStringList{alphaFile, betaFile}));
    QCOMPARE(readFile(out + QLatin1Char('/') + alphaFile), m_fleet.config(QStringLiteral("Alpha")));
    QCOMPARE(readFile(out + QLatin1Char('/') + betaFile), m_fleet.config(QStringLiteral("Beta")));
}

void TestBatchRun::backupWithFailuresAndReport()
{
    const QString csv = writeFile(path(QStringLiteral("mixed.csv")),
                                  QStringLiteral("Server;Pwd;User\n127.0.10.1;a-secret;admin\n%1;x;admin\n"
                                                 "127.0.10.1;a-secret;admin\n")
                                      .arg(kDeadHost));
    const QString out = path(QStringLiteral("out"));
    const QString report = path(QStringLiteral("report.txt"));

    const BatchProcess run({"backup", "--csv", csv, "--output-dir", out, "--report", report});
    QCOMPARE(run.exitCode(), 1);
    QCOMPARE(run.errLines(), QStringList{kDeadHostError});
    const QStringList info = savedServer("127.0.10.1", out + QStringLiteral("/Alpha.conf")) +
                             QStringList{QStringLiteral("INFO: Connecting to %1...").arg(kDeadHost), kSeparator} +
                             savedServer("127.0.10.1", out + QStringLiteral("/Alpha (1).conf")) +
                             QStringList{"INFO: Finished!"};
    QCOMPARE(run.outLines(), info);

    // The report holds both streams in the order of the run.
    QStringList all = info;
    all.insert(5, kDeadHostError);
    QCOMPARE(QString::fromUtf8(readFile(report)), all.join(QLatin1Char('\n')) + QLatin1Char('\n'));
    QCOMPARE(QDir(out).entryList(QDir::Files), (QStringList{"Alpha (1).conf", "Alpha.conf"}));
}

void TestBatchRun::refusedBeforeAnyServer_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("err");

    // Placeholders: @ is the work directory, CSV the good server list.
    QTest::newRow("report exists") << QStringList{"backup",   "--csv",           "CSV", "--output-dir", "@/out",
                                                  "--report", "@/old-report.txt"}
                                   << "quorlan-batch: the report file @/old-report.txt already exists; give "
                                      "--overwrite-report to replace it\n";
    QTest::newRow("report directory missing")
        << QStringList{"backup", "--csv", "CSV", "--output-dir", "@/out", "--report", "@/none/report.txt"}
        << "ERROR: Could not create report file.\n";
    QTest::newRow("no CSV file") << QStringList{"backup", "--csv", "@/none.csv", "--output-dir", "@/out"}
                                 << "quorlan-batch: cannot read the CSV server list @/none.csv\n";
    QTest::newRow("columns missing") << QStringList{"backup", "--csv", "@/columns.csv", "--output-dir", "@/out"}
                                     << "ERROR: No column in CSV for hostname/IP address\n"
                                        "ERROR: No column in CSV for password\n";
    QTest::newRow("no output directory") << QStringList{"backup", "--csv", "CSV", "--output-dir", "@/gone"}
                                         << "quorlan-batch: the output directory @/gone does not exist\n";
    QTest::newRow("no configuration file") << QStringList{"push", "--csv", "CSV", "--config", "@/none.conf"}
                                           << "quorlan-batch: the configuration file @/none.conf does not exist\n";
    QTest::newRow("unreadable configuration file") << QStringList{"push", "--csv", "CSV", "--config", "@/out"}
                                                   << "ERROR: Could not read configuration file: @/out\n";
}

void TestBatchRun::refusedBeforeAnyServer()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, err);
    const QByteArray oldReport("kept as it was\n");
    QFile report(path(QStringLiteral("old-report.txt")));
    QVERIFY(report.open(QIODevice::WriteOnly));
    report.write(oldReport);
    report.close();
    writeFile(path(QStringLiteral("columns.csv")), QStringLiteral("address,username,secret\n127.0.10.1,admin,x\n"));
    writeFile(path(QStringLiteral("snippet.conf")), QStringLiteral("[Relay1]\nmode=off\n"));
    for (QString& argument : arguments) {
        argument.replace(QLatin1String("CSV"), m_csv).replace(QLatin1Char('@'), m_work->path());
    }
    const QByteArray alphaBefore = m_fleet.config(QStringLiteral("Alpha"));
    const int connections = m_fleet.connectionCount();

    const BatchProcess run(arguments);
    QCOMPARE(run.err(), err.replace(QLatin1Char('@'), m_work->path()));
    QCOMPARE(run.out(), QString());
    QCOMPARE(run.exitCode(), 2);
    QCOMPARE(m_fleet.connectionCount(), connections);
    QCOMPARE(readFile(report.fileName()), oldReport);
    QCOMPARE(m_fleet.config(QStringLiteral("Alpha")), alphaBefore);
    QCOMPARE(QDir(path(QStringLiteral("out"))).entryList(QDir::Files), QStringList());
}

void TestBatchRun::overwriteReport()
{
    const QString report = writeFile(path(QStringLiteral("report.txt")), QStringLiteral("an old report, longer than "
                                                                                        "the new one will be ...\n"
                                                                                        "and more\n"));
    const QString csv =
        writeFile(path(QStringLiteral("one.csv")), QStringLiteral("ip,user,pass\n%1,a,b\n").arg(kDeadHost));
    const BatchProcess run({"backup", "--csv", csv, "--output-dir", path(QStringLiteral("out")), "--report", report,
                            "--overwrite-report"});
    QCOMPARE(run.exitCode(), 1);
    QCOMPARE(QString::fromUtf8(readFile(report)), QStringLiteral("INFO: Connecting to %1...\n").arg(kDeadHost) +
                                                      kDeadHostError + QLatin1Char('\n') + kSeparator +
                                                      QStringLiteral("\nINFO: Finished!\n"));
}

void TestBatchRun::push_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QStringList>("ownLines");
    QTest::addColumn<QString>("alphaAfter");

    const QStringList pushed{"INFO: Connected", "INFO: Configuration locked",
                             "INFO: Pushing configuration to server...", "INFO: Released configuration lock"};
    // The simulator keeps Alpha's configuration from row to row: the replace comes last.
    QTest::newRow("merge")
        << QStringList() << pushed
        << "[General]\nname=Alpha\n[Licence]\nkey=AAAA\n[Network]\ndns=10.0.0.1\n[Relay1]\nmode=off\n"
           "[Storage1]\nsize=4\n";
    QTest::newRow("replace and restart, licence kept")
        << QStringList{"--mode", "replace", "--restart", "--no-preserve-network"}
        << pushed + QStringList{"INFO: Restarting server"}
        << "[Licence]\nkey=AAAA\n[Relay1]\nmode=off\n[Storage1]\nsize=4\n";
}

void TestBatchRun::push()
{
    QFETCH(QStringList, options);
    QFETCH(QStringList, ownLines);
    QFETCH(QString, alphaAfter);
    const QString snippet = writeFile(path(QStringLiteral("snippet.conf")), QStringLiteral("[Relay1]\r\nmode=off\r\n"
                                                                                           "[Storage1]\nsize=4\n"));
    const BatchProcess run(QStringList{"push", "--csv",
                                       writeFile(path(QStringLiteral("push.csv")),
                                                 QStringLiteral("host,username,password\n127.0.10.1,admin,a-secret\n")),
                                       "--config", snippet} +
                           options);
    const QStringList out =
        QStringList{"INFO: Connecting to 127.0.10.1..."} + ownLines + QStringList{kSeparator, "INFO: Finished!"};
    QCOMPARE(run.outLines(), out);
    QCOMPARE(run.err(), QString());
    QCOMPARE(run.exitCode(), 0);
    QCOMPARE(QString::fromUtf8(m_fleet.config(QStringLiteral("Alpha"))), alphaAfter);
}

void TestBatchRun::usageErrorAndHelp()
{
    const int connections = m_fleet.connectionCount();
    const BatchProcess wrong({"push", "--config", "c.conf"});
    QCOMPARE(wrong.errLines(), (QStringList{"quorlan-batch: push: the option --csv FILE is required",
                                            "Try 'quorlan-batch --help' for more information."}));
    QCOMPARE(wrong.out(), QString());
    QCOMPARE(wrong.exitCode(), 2);
    QCOMPARE(m_fleet.connectionCount(), connections);

    const BatchProcess help({"--help"});
    QCOMPARE(help.exitCode(), 0);
    QCOMPARE(help.err(), QString());
    QVERIFY2(help.out().startsWith(QLatin1String("Usage:\n  quorlan-batch backup --csv FILE --output-dir DIR")),
             qPrintable(help.out()));
}

QTEST_GUILESS_MAIN(TestBatchRun)
#include "tst_batchrun.moc"
