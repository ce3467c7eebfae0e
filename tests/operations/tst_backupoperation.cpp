#include "engine/support/operationrecorder.h"
#include "operations/backupoperation.h"

#include "sdk/connectionmanager.h"
#include "sdk/kelpsdk.h"
#include "testsupport/fleetfixture.h"
#include "testsupport/testsettings.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using enginetest::OperationRecorder;
using enginetest::readFile;
using enginetest::serverLines;
using testsupport::FleetFixture;

namespace {
const QString kFinished = QStringLiteral("INFO: Finished!");
const QString kSeparatorLine = enginetest::separatorLine();
const QString kConfig = QStringLiteral("[General]\nname=x\n[Network]\nip=10.0.0.1\n");
} // namespace

// Backup runs against a simulated fleet on 127.0.7.x, and the engine's
// server-by-server behaviour seen through them.
class TestBackupOperation : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void namingModes_data();
    void namingModes();
    void numberedNamesAcrossRuns();
    void namesLeavingTheDirectoryAreRefused_data();
    void namesLeavingTheDirectoryAreRefused();
    void outputDirectoryRemovedDuringRun();

    void reportOfThreeServersWithRefusedLogin();
    void cancelDuringSecondOfFive();
    void timeOutCostsOnlyThatServer();

private:
    QString outDir() const { return m_out->path(); }
    QString csvFor(const QStringList& hosts);
    QStringList outFiles() const;

    testsupport::TestSettings m_settings;
    std::unique_ptr<QTemporaryDir> m_work;
    std::unique_ptr<QTemporaryDir> m_out;
};

void TestBackupOperation::initTestCase()
{
    kelp::KelpSDK::initInstance(QStringLiteral("QuorlanTest"), QStringLiteral("backup"), nullptr,
                                QStringLiteral("kelpsdk.log"));
}

void TestBackupOperation::init()
{
    m_work = std::make_unique<QTemporaryDir>();
    m_out = std::make_unique<QTemporaryDir>();
    QVERIFY(m_work->isValid() && m_out->isValid());
}

QString TestBackupOperation::csvFor(const QStringList& hosts)
{
    const QString path = m_work->filePath(QStringLiteral("servers.csv"));
    if (!enginetest::writeServerList(path, hosts, FleetFixture::defaultUser(), FleetFixture::defaultPassword())) {
        qFatal("cannot write %s", qPrintable(path));
    }
    return path;
}

QStringList TestBackupOperation::outFiles() const
{
    return QDir(outDir()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

void TestBackupOperation::namingModes_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("fileName");

    QTest::newRow("name trimmed") << "  Alpha  " << int(NamingMode::ServerName) << "Alpha.conf";
    QTest::newRow("host") << "Alpha" << int(NamingMode::IPHost) << "127.0.7.1.conf";
    QTest::newRow("both") << " Alpha" << int(NamingMode::Both) << "Alpha-127.0.7.1.conf";
    QTest::newRow("unknown mode is the name") << "Alpha" << 7 << "Alpha.conf";
    QTest::newRow("extension present") << "Alpha.conf" << int(NamingMode::ServerName) << "Alpha.conf";
    QTest::newRow("extension differs in case") << "Alpha.CONF" << int(NamingMode::ServerName) << "Alpha.CONF.conf";
    QTest::newRow("blank name") << " " << int(NamingMode::ServerName) << ".conf";
}

void TestBackupOperation::namingModes()
{
    QFETCH(QString, name);
    QFETCH(int, mode);
    QFETCH(QString, fileName);

    FleetFixture fleet;
    QVERIFY(fleet.addServer(name, QStringLiteral("127.0.7.1"), kConfig));
    BackupOperation operation;
    OperationRecorder recorder(&operation);
    operation.options().setCsvPath(csvFor({QStringLiteral("127.0.7.1")}));
    operation.options().setOutputDirectory(outDir());
    operation.options().setNamingMode(mode);
    QVERIFY2(recorder.run(), qPrintable(recorder.lines().join(u'\n')));

    const QString path = outDir() + QDir::separator() + fileName;
    QCOMPARE(recorder.lines(), serverLines(QStringLiteral("127.0.7.1"), {QStringLiteral("INFO: Saving as: ") + path})
                                   << kFinished);
    QCOMPARE(outFiles(), QStringList{fileName});
    QCOMPARE(readFile(path), kConfig.toUtf8());
}

void TestBackupOperation::numberedNamesAcrossRuns()
{
    FleetFixture fleet;
    QVERIFY(fleet.addServer(QStringLiteral("Alpha"), QStringLiteral("127.0.7.3"), kConfig));
    BackupOperation operation;
    OperationRecorder recorder(&operation);
    // The same server twice: two servers of one name in one run.
    operation.options().setCsvPath(csvFor({QStringLiteral("127.0.7.3"), QStringLiteral("127.0.7.3")}));
    operation.options().setOutputDirectory(outDir());
    QVERIFY2(recorder.run(), qPrintable(recorder.lines().join(u'\n')));
    QCOMPARE(outFiles(), (QStringList{"Alpha (1).conf", "Alpha.conf"}));

    QVERIFY(enginetest::writeFile(m_out->filePath(QStringLiteral("Alpha.conf")), "kept"));
    recorder.clear();
    QVERIFY2(recorder.run(), qPrintable(recorder.lines().join(u'\n')));
    QCOMPARE(outFiles(), (QStringList{"Alpha (1).conf", "Alpha (2).conf", "Alpha (3).conf", "Alpha.conf"}));
    QCOMPARE(recorder.lines().filter(QStringLiteral("Saving as")),
             (QStringList{QStringLiteral("INFO: Saving as: ") + m_out->filePath(QStringLiteral("Alpha (2).conf")),
                          QStringLiteral("INFO: Saving as: ") + m_out->filePath(QStringLiteral("Alpha (3).conf"))}));
    // Existing files are never overwritten.
    QCOMPARE(readFile(m_out->filePath(QStringLiteral("Alpha.conf"))), QByteArray("kept"));
    QCOMPARE(readFile(m_out->filePath(QStringLiteral("Alpha (3).conf"))), kConfig.toUtf8());
    QCOMPARE(fleet.events(QStringLiteral("Alpha"), sim::ServerEvent::Kind::Login).size(), 4);
}

void TestBackupOperation::namesLeavingTheDirectoryAreRefused_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("slash") << "sub/inner";
    QTest::newRow("backslash") << "sub\\inner";
    QTest::newRow("dot dot") << "..";
    QTest::newRow("dot dot with blanks") << " .. ";
    QTest::newRow("dot") << ".";
}

void TestBackupOperation::namesLeavingTheDirectoryAreRefused()
{
    QFETCH(QString, name);

    FleetFixture fleet;
    QVERIFY(QDir(fleet.directory()).mkpath(QStringLiteral("sub")));
    QVERIFY(QDir(outDir()).mkpath(QStringLiteral("sub")));
    QVERIFY(fleet.addServer(name, QStringLiteral("127.0.7.4"), kConfig));
    QVERIFY(fleet.addServer(QStringLiteral("Beta"), QStringLiteral("127.0.7.5"), kConfig));
    BackupOperation operation;
    OperationRecorder recorder(&operation);
    operation.options().setCsvPath(csvFor({QStringLiteral("127.0.7.4"), QStringLiteral("127.0.7.5")}));
    operation.options().setOutputDirectory(outDir());
    QVERIFY2(recorder.run(), qPrintable(recorder.lines().join(u'\n')));

    QCOMPARE(recorder.lines(),
             serverLines(QStringLiteral("127.0.7.4"), {QStringLiteral("ERROR: Could not create file.")}) +
                     serverLines(QStringLiteral("127.0.7.5"),
                                 {QStringLiteral("INFO: Saving as: ") + m_out->filePath(QStringLiteral("Beta.conf"))})
                 << kFinished);
    QCOMPARE(outFiles(), QStringList{QStringLiteral("Beta.conf")});
    QVERIFY(QDir(m_out->filePath(QStringLiteral("sub"))).isEmpty());
    QVERIFY(!QFile::exists(m_out->filePath(QStringLiteral("...conf"))));
}

void TestBackupOperation::outputDirectoryRemovedDuringRun()
{
    FleetFixture fleet;
    const QStringList hosts{QStringLiteral("127.0.7.6"), QStringLiteral("127.0.7.7"), QStringLiteral("127.0.7.8")};
    for (int i = 0; i < hosts.size(); ++i) {
        QVERIFY(fleet.addServer(QStringLiteral("s%1").arg(i), hosts[i], kConfig));
    }
    const QString out = m_out->filePath(QStringLiteral("backups"));
    QVERIFY(QDir().mkpath(out));

    BackupOperation operation;
    OperationRecorder recorder(&operation);
    connect(&operation, &OperationInterface::finishedCurrentServer, this, [&]() { QDir(out).removeRecursively(); });
    operation.options().setCsvPath(csvFor(hosts));
    operation.options().setOutputDirectory(out);
    QVERIFY2(recorder.run(), qPrintable(recorder.lines().join(u'\n')));

    const QString invalid = QStringLiteral("ERROR: Invalid output directory: ") + out;
    QCOMPARE(recorder.lines(),
             serverLines(hosts[0], {QStringLiteral("INFO: Saving as: ") + out + QStringLiteral("/s0.conf")}) +
                     serverLines(hosts[1], {invalid}) + serverLines(hosts[2], {invalid})
                 << kFinished);
    QCOMPARE(recorder.finishedCount(), 1);
}

void TestBackupOperation::reportOfThreeServersWithRefusedLogin()
{
    FleetFixture fleet;
    sim::Faults refuse;
    refuse.loginErrorCode = 1;
    QVERIFY(fleet.addServer(QStringLiteral("one"), QStringLiteral("127.0.7.11"), kConfig));
    QVERIFY(fleet.addServer(QStringLiteral("two"), QStringLiteral("127.0.7.12"), kConfig, refuse));
    QVERIFY(fleet.addServer(QStringLiteral("three"), QStringLiteral("127.0.7.13"), kConfig));

    BackupOperation operation;
    OperationRecorder recorder(&operation);
    const QString report = m_work->filePath(QStringLiteral("report.txt"));
    operation.options().setReportPath(report);
    operation.options().setCsvPath(
        csvFor({QStringLiteral("127.0.7.11"), QStringLiteral("127.0.7.12"), QStringLiteral("127.0.7.13")}));
    operation.options().setOutputDirectory(outDir());
    QVERIFY2(recorder.run(), qPrintable(recorder.lines().join(u'\n')));

    const QString loginError = kelp::LoginError(1, QStringLiteral("127.0.7.12"), 8601).toString();
    const QStringList expected{
        QStringLiteral("INFO: Connecting to 127.0.7.11..."),
        QStringLiteral("INFO: Connected"),
        QStringLiteral("INFO: Saving as: ") + m_out->filePath(QStringLiteral("one.conf")),
        kSeparatorLine,
        QStringLiteral("INFO: Connecting to 127.0.7.12..."),
        QStringLiteral("ERROR: Login Error: ") + loginError,
        kSeparatorLine,
        QStringLiteral("INFO: Connecting to 127.0.7.13..."),
        QStringLiteral("INFO: Connected"),
        QStringLiteral("INFO: Saving as: ") + m_out->filePath(QStringLiteral("three.conf")),
        kSeparatorLine,
        kFinished,
    };
    QCOMPARE(QString::fromLocal8Bit(readFile(report)).split(u'\n'), expected + QStringList{QString()});
    QCOMPARE(recorder.lines(), expected);
    QCOMPARE(recorder.finishedCount(), 1);
    QCOMPARE(recorder.serverCount(), 3);
}

void TestBackupOperation::cancelDuringSecondOfFive()
{
    FleetFixture fleet;
    QStringList hosts;
    for (int i = 1; i <= 5; ++i) {
        hosts << QStringLiteral("127.0.7.%1").arg(20 + i);
        QVERIFY(fleet.addServer(QStringLiteral("s%1").arg(i), hosts.last(), kConfig));
    }
    BackupOperation operation;
    OperationRecorder recorder(&operation);
    connect(&operation, &OperationInterface::showMessage, this, [&](const QString& msg) {
        if (msg == QLatin1String("Connected") && recorder.serverCount() == 1) {
            operation.cancel();
        }
    });
    operation.options().setCsvPath(csvFor(hosts));
    operation.options().setOutputDirectory(outDir());
    QVERIFY2(recorder.run(), qPrintable(recorder.lines().join(u'\n')));

    QCOMPARE(recorder.serverCount(), 2);
    QCOMPARE(recorder.finishedCount(), 1);
    QCOMPARE(recorder.lines().last(), kFinished);
    // The server in progress completes.
    QCOMPARE(outFiles(), (QStringList{"s1.conf", "s2.conf"}));
    for (int i = 3; i <= 5; ++i) {
        QVERIFY2(!fleet.wasContacted(QStringLiteral("s%1").arg(i)), qPrintable(hosts[i - 1]));
    }
    QTest::qWait(50);
    QCOMPARE(recorder.finishedCount(), 1);
}

void TestBackupOperation::timeOutCostsOnlyThatServer()
{
    FleetFixture fleet;
    sim::Faults silent;
    silent.neverAnswer = true;
    QVERIFY(fleet.addServer(QStringLiteral("silent"), QStringLiteral("127.0.7.31"), kConfig, silent));
    QVERIFY(fleet.addServer(QStringLiteral("fine"), QStringLiteral("127.0.7.32"), kConfig));

    kelp::ConnectionManager* manager = kelp::KelpSDK::instance()->connectionManager();
    const int timeout = manager->connectTimeout();
    manager->setConnectTimeout(300);
    BackupOperation operation;
    OperationRecorder recorder(&operation);
    operation.options().setCsvPath(csvFor({QStringLiteral("127.0.7.31"), QStringLiteral("127.0.7.32")}));
    operation.options().setOutputDirectory(outDir());
    QVERIFY2(recorder.run(), qPrintable(recorder.lines().join(u'\n')));
    manager->setConnectTimeout(timeout);

    QCOMPARE(recorder.lines(),
             (QStringList{QStringLiteral("INFO: Connecting to 127.0.7.31..."),
                          QStringLiteral("ERROR: Connection timed out"), kSeparatorLine} +
                  serverLines(QStringLiteral("127.0.7.32"),
                              {QStringLiteral("INFO: Saving as: ") + m_out->filePath(QStringLiteral("fine.conf"))})
              << kFinished));
}

QTEST_GUILESS_MAIN(TestBackupOperation)

#include "tst_backupoperation.moc"
