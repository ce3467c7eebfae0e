#include "engine/support/operationrecorder.h"
#include "operations/backupoperation.h"
#include "operations/pushconfigoperation.h"

#include "sdk/kelpsdk.h"
#include "sdk/orrinconfig.h"
#include "sdk/server.h"
#include "sdk/servergroup.h"
#include "testsupport/fleetfixture.h"
#include "testsupport/testsettings.h"

#include <QTemporaryDir>
#include <QtTest>

using enginetest::OperationRecorder;
using enginetest::readFile;
using enginetest::serverLines;
using testsupport::FleetFixture;
using Kind = sim::ServerEvent::Kind;

namespace {
const QString kFinished = QStringLiteral("INFO: Finished!");
const QString kLocked = QStringLiteral("INFO: Configuration locked");
const QString kPushing = QStringLiteral("INFO: Pushing configuration to server...");
const QString kReleased = QStringLiteral("INFO: Released configuration lock");
const QString kRestarting = QStringLiteral("INFO: Restarting server");

const QString kServer = QStringLiteral("# server head\n"
                                       "[General]\nname=s\n"
                                       "[Licence]\nkey=L1\n"
                                       "[Network]\nip=10.0.0.1\n"
                                       "[Relay1]\non=1\n");
const QString kFile = QStringLiteral("lost=before any header\n[General]\nname=pushed\n[Relay2]\non=2\n");
const QString kMerged = QStringLiteral("# server head\n"
                                       "[General]\nname=pushed\n"
                                       "[Licence]\nkey=L1\n"
                                       "[Network]\nip=10.0.0.1\n"
                                       "[Relay1]\non=1\n"
                                       // The empty line after the server's last section stays with it.
                                       "\n[Relay2]\non=2\n");

// A connected server whose configuration object is missing.
class ServerWithoutConfig final : public kelp::Server
{
public:
    QString name() const override { return QStringLiteral("fake"); }
    QString host() const override { return QStringLiteral("fake"); }
    QSharedPointer<kelp::OrrinConfig> config() const override { return {}; }
    kelp::RequestId restart(bool) override { return 0; }
};

class OneServerGroup final : public kelp::ServerGroup
{
public:
    explicit OneServerGroup(kelp::Server* server) : m_server(server) {}
    QVector<kelp::Server*> servers() const override { return {m_server}; }

private:
    kelp::Server* m_server;
};
} // namespace

// Push runs against a simulated fleet on 127.0.8.x; every case checks the
// servers' configuration files afterwards.
class TestPushConfigOperation : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void modesAndPreservedSections_data();
    void modesAndPreservedSections();
    void configurationErrors_data();
    void configurationErrors();
    void rejectedHeaderReleasesLockAndGoesOn();
    void unreadableFileContactsNoServer_data();
    void unreadableFileContactsNoServer();
    void fileChangedDuringRun();
    void missingConfigurationObject();
    void backupRestoresServer_data();
    void backupRestoresServer();

private:
    QString csvFor(const QStringList& hosts);
    QString writeConfig(const QString& text);
    static QStringList pushedLines(const QString& host, bool restart = false);

    testsupport::TestSettings m_settings;
    std::unique_ptr<QTemporaryDir> m_work;
};

void TestPushConfigOperation::initTestCase()
{
    kelp::KelpSDK::initInstance(QStringLiteral("QuorlanTest"), QStringLiteral("push"), nullptr,
                                QStringLiteral("kelpsdk.log"));
}

void TestPushConfigOperation::init()
{
    m_work = std::make_unique<QTemporaryDir>();
    QVERIFY(m_work->isValid());
}

QString TestPushConfigOperation::csvFor(const QStringList& hosts)
{
    const QString path = m_work->filePath(QStringLiteral("servers.csv"));
    if (!enginetest::writeServerList(path, hosts, FleetFixture::defaultUser(), FleetFixture::defaultPassword())) {
        qFatal("cannot write %s", qPrintable(path));
    }
    return path;
}

QString TestPushConfigOperation::writeConfig(const QString& text)
{
    const QString path = m_work->filePath(QStringLiteral("push.conf"));
    if (!enginetest::writeFile(path, text.toUtf8())) {
        qFatal("cannot write %s", qPrintable(path));
    }
    return path;
}

QStringList TestPushConfigOperation::pushedLines(const QString& host, bool restart)
{
    QStringList own{kLocked, kPushing, kReleased};
    if (restart) {
        own << kRestarting;
    }
    return serverLines(host, own);
}

void TestPushConfigOperation::modesAndPreservedSections_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QStringList>("kinds");
    QTest::addColumn<QString>("expected");

    const int merge = int(PushMode::Merge);
    const int replace = int(PushMode::Replace);
    QTest::newRow("merge") << merge << QStringList{} << kMerged;
    QTest::newRow("merge, both") << merge << QStringList{"Network", "Licence"} << kMerged;
    QTest::newRow("replace, both (licence first)")
        << replace << QStringList{"Network", "Licence"}
        << "[Licence]\nkey=L1\n[Network]\nip=10.0.0.1\n[General]\nname=pushed\n[Relay2]\non=2\n";
}

void TestPushConfigOperation::modesAndPreservedSections()
{
    QFETCH(int, mode);
    QFETCH(QStringList, kinds);
    QFETCH(QString, expected);

    FleetFixture fleet;
    QVERIFY(fleet.addServer(QStringLiteral("a"), QStringLiteral("127.0.8.1"), kServer));
    QVERIFY(fleet.addServer(QStringLiteral("b"), QStringLiteral("127.0.8.2"), kServer));
    PushConfigOperation operation;
    OperationRecorder recorder(&operation);
    operation.options().setCsvPath(csvFor({QStringLiteral("127.0.8.1"), QStringLiteral("127.0.8.2")}));
    operation.options().setConfigFilePath(writeConfig(kFile));
    operation.options().setPushMode(mode);
    for (const QString& kind : kinds) {
        operation.options().insertPreservedSection(kind);
    }
    QVERIFY2(recorder.run(), qPrintable(recorder.lines().join(u'\n')));

    QCOMPARE(recorder.lines(), pushedLines(QStringLiteral("127.0.8.1")) + pushedLines(QStringLiteral("127.0.8.2"))
                                   << kFinished);
    QCOMPARE(fleet.configText(QStringLiteral("a")), expected);
    QCOMPARE(fleet.configText(QStringLiteral("b")), expected);
    QVERIFY(!fleet.server(QStringLiteral("a"))->isLockHeld());
    QCOMPARE(fleet.events(QStringLiteral("a"), Kind::Restart).size(), 0);
}

void TestPushConfigOperation::configurationErrors_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QStringList>("ownLines");
    QTest::addColumn<bool>("saved");

    QTest::newRow("lock") << "lock" << QStringList{"ERROR: Config Error: lock refused for the test"} << false;
    QTest::newRow("save") << "save" << QStringList{kLocked, kPushing, "ERROR: Config Error: disk full"} << false;
    QTest::newRow("unlock") << "unlock" << QStringList{kLocked, kPushing, "ERROR: Config Error: cannot release"}
                            << true;
    QTest::newRow("lock held by another session")
        << "elsewhere" << QStringList{"ERROR: Config Error: the configuration is locked by another session"} << false;
    QTest::newRow("locked answered without the lock")
        << "not taken" << QStringList{kLocked, "ERROR: Configuration could not be locked!"} << false;
}

void TestPushConfigOperation::configurationErrors()
{
    QFETCH(QString, fault);
    QFETCH(QStringList, ownLines);
    QFETCH(bool, saved);

    sim::Faults faults;
    faults.lockError = fault == QLatin1String("lock") ? QStringLiteral("lock refused for the test") : QString();
    faults.saveError = fault == QLatin1String("save") ? QStringLiteral("disk full") : QString();
    faults.unlockError = fault == QLatin1String("unlock") ? QStringLiteral("cannot release") : QString();
    faults.lockHeldElsewhere = fault == QLatin1String("elsewhere");
    faults.lockedWithoutLock = fault == QLatin1String("not taken");

    FleetFixture fleet;
    QVERIFY(fleet.addServer(QStringLiteral("faulty"), QStringLiteral("127.0.8.5"), kServer, faults));
    QVERIFY(fleet.addServer(QStringLiteral("healthy"), QStringLiteral("127.0.8.6"), kServer));
    PushConfigOperation operation;
    OperationRecorder recorder(&operation);
    operation.options().setCsvPath(csvFor({QStringLiteral("127.0.8.5"), QStringLiteral("127.0.8.6")}));
    operation.options().setConfigFilePath(writeConfig(kFile));
    operation.options().setRestartServers(true);
    QVERIFY2(recorder.run(), qPrintable(recorder.lines().join(u'\n')));

    QCOMPARE(recorder.lines(),
             serverLines(QStringLiteral("127.0.8.5"), ownLines) + pushedLines(QStringLiteral("127.0.8.6"), true)
                 << kFinished);
    QCOMPARE(fleet.configText(QStringLiteral("faulty")), saved ? kMerged : kServer);
    QCOMPARE(fleet.configText(QStringLiteral("healthy")), kMerged);
    QTRY_COMPARE(fleet.events(QStringLiteral("healthy"), Kind::Restart).size(), 1);
    // After a configuration error nothing more is asked of that server.
    QCOMPARE(fleet.events(QStringLiteral("faulty"), Kind::Restart).size(), 0);
    QCOMPARE(fleet.events(QStringLiteral("faulty"), Kind::Unlock).size(), saved ? 1 : 0);
    QVERIFY(!fleet.server(QStringLiteral("faulty"))->isLockHeld());
}

void TestPushConfigOperation::rejectedHeaderReleasesLockAndGoesOn()
{
    FleetFixture fleet;
    QVERIFY(fleet.addServer(QStringLiteral("a"), QStringLiteral("127.0.8.8"), kServer));
    QVERIFY(fleet.addServer(QStringLiteral("b"), QStringLiteral("127.0.8.9"), kServer));
    PushConfigOperation operation;
    OperationRecorder recorder(&operation);
    operation.options().setCsvPath(csvFor({QStringLiteral("127.0.8.8"), QStringLiteral("127.0.8.9")}));
    operation.options().setConfigFilePath(writeConfig(QStringLiteral("[General]\nname=p\n[Bogus]\nx=1\n")));
    operation.options().setPushMode(int(PushMode::Replace));
    operation.options().setRestartServers(true);
    QVERIFY2(recorder.run(), qPrintable(recorder.lines().join(u'\n')));

    const QStringList own{kLocked, kPushing, "ERROR: Config Error: Invalid name for section: \"Bogus\"", kReleased};
    QCOMPARE(recorder.lines(),
             serverLines(QStringLiteral("127.0.8.8"), own) + serverLines(QStringLiteral("127.0.8.9"), own)
                 << kFinished);
    for (const QString& name : {QStringLiteral("a"), QStringLiteral("b")}) {
        QCOMPARE(readFile(fleet.configPath(name)), kServer.toUtf8());
        QCOMPARE(fleet.events(name, Kind::Save).size(), 0);
        QCOMPARE(fleet.events(name, Kind::Unlock).size(), 1);
        QVERIFY(fleet.events(name, Kind::Unlock).first().accepted);
        QCOMPARE(fleet.events(name, Kind::Restart).size(), 0);
    }
}

void TestPushConfigOperation::unreadableFileContactsNoServer_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("missing") << "missing.conf";
    QTest::newRow("directory") << "adir";
}

void TestPushConfigOperation::unreadableFileContactsNoServer()
{
    QFETCH(QString, name);

    FleetFixture fleet;
    QVERIFY(fleet.addServer(QStringLiteral("a"), QStringLiteral("127.0.8.10"), kServer));
    QVERIFY(QDir(m_work->path()).mkdir(QStringLiteral("adir")));
    const QString path = m_work->filePath(name);
    PushConfigOperation operation;
    OperationRecorder recorder(&operation);
    operation.options().setCsvPath(csvFor({QStringLiteral("127.0.8.10")}));
    operation.options().setConfigFilePath(path);
    operation.options().setPushMode(int(PushMode::Replace));
    QVERIFY2(recorder.run(), qPrintable(recorder.lines().join(u'\n')));

    QCOMPARE(recorder.lines(), QStringList{QStringLiteral("ERROR: Could not read configuration file: ") + path});
    QCOMPARE(recorder.finishedCount(), 1);
    QVERIFY(!fleet.wasContacted(QStringLiteral("a")));
    QCOMPARE(fleet.configText(QStringLiteral("a")), kServer);
}

void TestPushConfigOperation::fileChangedDuringRun()
{
    FleetFixture fleet;
    QVERIFY(fleet.addServer(QStringLiteral("a"), QStringLiteral("127.0.8.11"), kServer));
    QVERIFY(fleet.addServer(QStringLiteral("b"), QStringLiteral("127.0.8.12"), kServer));
    PushConfigOperation operation;
    OperationRecorder recorder(&operation);
    const QString file = writeConfig(QStringLiteral("[General]\r\nname=first\r\n"));
    connect(&operation, &OperationInterface::finishedCurrentServer, this,
            [&]() { enginetest::writeFile(file, "[General]\nname=second\n"); });
    operation.options().setCsvPath(csvFor({QStringLiteral("127.0.8.11"), QStringLiteral("127.0.8.12")}));
    operation.options().setConfigFilePath(file);
    operation.options().setPushMode(int(PushMode::Replace));
    QVERIFY2(recorder.run(), qPrintable(recorder.lines().join(u'\n')));

    // Read once, in text mode: both servers get the first text with LF line ends.
    QCOMPARE(fleet.configText(QStringLiteral("a")), QStringLiteral("[General]\nname=first\n"));
    QCOMPARE(fleet.configText(QStringLiteral("b")), QStringLiteral("[General]\nname=first\n"));
}

void TestPushConfigOperation::missingConfigurationObject()
{
    FleetFixture fleet;
    QVERIFY(fleet.addServer(QStringLiteral("a"), QStringLiteral("127.0.8.13"), kServer));
    QVERIFY(fleet.addServer(QStringLiteral("b"), QStringLiteral("127.0.8.14"), kServer));
    ServerWithoutConfig server;
    OneServerGroup group(&server);
    PushConfigOperation operation;
    OperationRecorder recorder(&operation);
    operation.setServerGroupLookup([&group](uint) { return &group; });
    operation.options().setCsvPath(csvFor({QStringLiteral("127.0.8.13"), QStringLiteral("127.0.8.14")}));
    operation.options().setConfigFilePath(writeConfig(kFile));
    QVERIFY2(recorder.run(), qPrintable(recorder.lines().join(u'\n')));

    const QStringList own{QStringLiteral("ERROR: Could not read server configuration.")};
    QCOMPARE(recorder.lines(),
             serverLines(QStringLiteral("127.0.8.13"), own) + serverLines(QStringLiteral("127.0.8.14"), own)
                 << kFinished);
    QCOMPARE(fleet.events(QStringLiteral("a"), Kind::Lock).size(), 0);
    QCOMPARE(fleet.configText(QStringLiteral("a")), kServer);
}

void TestPushConfigOperation::backupRestoresServer_data()
{
    QTest::addColumn<QString>("original");
    QTest::addColumn<QString>("restored");

    const QString text = QStringLiteral("; head line\n# comment\n[General]\nname=r ✓\n[Licence]\nkey = L \n"
                                        "[*Script12]\n  echo 'x = y'\n\n[Network]\nip=10.0.0.1");
    QTest::newRow("LF lines") << text << text.mid(text.indexOf(QLatin1String("[General]")));
    // The push reads its file in text mode, so a CR LF comes back as LF.
    QTest::newRow("CR LF line") << QStringLiteral("[General]\nname=r\r\n[Relay1]\non=1\r\n")
                                << QStringLiteral("[General]\nname=r\n[Relay1]\non=1\n");
}

void TestPushConfigOperation::backupRestoresServer()
{
    QFETCH(QString, original);
    QFETCH(QString, restored);

    FleetFixture fleet;
    QVERIFY(fleet.addServer(QStringLiteral("r"), QStringLiteral("127.0.8.15"), original));
    const QString csv = csvFor({QStringLiteral("127.0.8.15")});

    QTemporaryDir out;
    BackupOperation backup;
    OperationRecorder backupRecorder(&backup);
    backup.options().setCsvPath(csv);
    backup.options().setOutputDirectory(out.path());
    QVERIFY2(backupRecorder.run(), qPrintable(backupRecorder.lines().join(u'\n')));
    const QString backupFile = out.filePath(QStringLiteral("r.conf"));
    QCOMPARE(readFile(backupFile), original.toUtf8());

    PushConfigOperation push;
    OperationRecorder pushRecorder(&push);
    push.options().setCsvPath(csv);
    push.options().setConfigFilePath(writeConfig(QStringLiteral("[General]\nname=changed\n[Relay3]\non=1\n")));
    QVERIFY2(pushRecorder.run(), qPrintable(pushRecorder.lines().join(u'\n')));
    QVERIFY(fleet.configText(QStringLiteral("r")) != original);

    push.options().setConfigFilePath(backupFile);
    push.options().setPushMode(int(PushMode::Replace));
    QVERIFY2(pushRecorder.run(), qPrintable(pushRecorder.lines().join(u'\n')));
    QCOMPARE(pushRecorder.errors(), QStringList());
    QCOMPARE(readFile(fleet.configPath(QStringLiteral("r"))), restored.toUtf8());
}

QTEST_GUILESS_MAIN(TestPushConfigOperation)

#include "tst_pushconfigoperation.moc"
