#include "engine/support/operationrecorder.h"
#include "operations/backupoperation.h"
#include "operations/pushconfigoperation.h"
#include "operations/pushdocumentbuilder.h"

#include "configsystem/configsystem.h"
#include "sdk/configschema.h"
#include "sdk/kelpsdk.h"
#include "sdk/server.h"
#include "sdk/servergroup.h"
#include "testsupport/fleetfixture.h"
#include "testsupport/testsettings.h"

#include <QtTest>

using namespace enginetest;
using testsupport::FleetFixture;
using Kind = sim::ServerEvent::Kind;

namespace {

// A connected server without a configuration object, the one server of its group.
class ServerWithoutConfig final : public kelp::Server, public kelp::ServerGroup
{
public:
    QString name() const override { return QStringLiteral("fake"); }
    QString host() const override { return QStringLiteral("fake"); }
    QSharedPointer<kelp::OrrinConfig> config() const override { return {}; }
    kelp::RequestId restart(bool) override { return 0; }
    QVector<kelp::Server*> servers() const override { return {const_cast<ServerWithoutConfig*>(this)}; }
};

const QString kFinished = QStringLiteral("INFO: Finished!");
// Backed up. Non-ASCII and no line end at the end: the file must hold exactly these bytes.
const QString kConfig = QStringLiteral("[General]\nname=Zürich\n[Network]\nip=10.0.0.1");
const QString kLocked = QStringLiteral("INFO: Configuration locked");
const QString kPushing = QStringLiteral("INFO: Pushing configuration to server...");
const QString kReleased = QStringLiteral("INFO: Released configuration lock");
const QString kRestarting = QStringLiteral("INFO: Restarting server");
const QString kServer = QStringLiteral("# head\n[General]\nname=s\n[Licence]\nkey=L1\n[Network]\nip=10.0.0.1\n");
const QString kFile = QStringLiteral("lost=before any header\n[General]\nname=pushed\n[Relay2]\non=2\n");
// Merged: the server's sections stay, the file's replace theirs in place or are appended.
const QString kMerged = QStringLiteral("# head\n[General]\nname=pushed\n[Licence]\nkey=L1\n[Network]\nip=10.0.0.1\n"
                                       "\n[Relay2]\non=2\n");
} // namespace

// Backup and push: the rule that picks a file name no existing file has, the document a push uploads, and runs
// against a simulated fleet (backups on 127.0.7.1-9, pushes on 127.0.8.x) checked by the files they leave.
class TestOperations : public QObject
{
    Q_OBJECT

    // A run over the servers at hosts: a backup into out(), a push of configText
    // unless the test chose a file. Its log lines.
    template <typename Operation>
    QStringList run(Operation& operation, const QStringList& hosts, const QString& configText = QString())
    {
        OperationRecorder recorder(&operation);
        writeFile(m_dir->filePath("servers.csv"), FleetFixture::serverList(hosts));
        writeFile(m_dir->filePath("push.conf"), configText.toUtf8());
        operation.options().setCsvPath(m_dir->filePath("servers.csv"));
        operation.options().setOutputDirectory(out());
        if (operation.options().configFilePath().isEmpty()) {
            operation.options().setConfigFilePath(m_dir->filePath("push.conf"));
        }
        return recorder.run() ? recorder.lines : QStringList{"the run did not end"};
    }
    QString out() const { return m_dir->filePath("out"); }
    QString saving(const QString& name) const { return "INFO: Saving as: " + out() + QDir::separator() + name; }
    QStringList outFiles() const { return QDir(out()).entryList(QDir::Files | QDir::Hidden); }

    testsupport::TestSettings m_settings;
    std::unique_ptr<QTemporaryDir> m_dir;

private slots:
    void initTestCase() { kelp::KelpSDK::initInstance("QuorlanTest", "operations", nullptr, "kelpsdk.log"); }
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(QDir().mkpath(out() + "/sub"));
    }

    void uniqueFilePath_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QStringList>("existing");
        QTest::addColumn<int>("first");
        QTest::addColumn<QString>("expected");
        QTest::newRow("free") << "o/A.conf" << QStringList{} << 1 << "o/A.conf";
        QTest::newRow("taken once") << "o/A.conf" << QStringList{"o/A.conf"} << 1 << "o/A (1).conf";
        QTest::newRow("taken twice") << "o/A.conf" << QStringList{"o/A.conf", "o/A (1).conf"} << 1 << "o/A (2).conf";
        QTest::newRow("extension only") << "o/.conf" << QStringList{"o/.conf"} << 1 << "o/ (1).conf";
        // The numbers end at the largest 32-bit one rather than overflow.
        QTest::newRow("last number") << "A.conf" << QStringList{"A.conf"} << 2147483647 << "A (2147483647).conf";
        QTest::newRow("none left") << "A.conf" << QStringList{"A.conf", "A (2147483647).conf"} << 2147483647 << "";
    }
    void uniqueFilePath()
    {
        QFETCH(QString, path);
        QFETCH(QStringList, existing);
        QFETCH(int, first);
        const auto exists = [&existing](const QString& candidate) { return existing.contains(candidate); };
        QTEST(BackupOperation::uniqueFilePath(path, exists, first), "expected");
    }

    void fileNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("file");
        QTest::newRow("host") << "Alpha" << int(NamingMode::IPHost) << "127.0.7.1.conf";
        QTest::newRow("both, name trimmed") << "  Alpha  " << int(NamingMode::Both) << "Alpha-127.0.7.1.conf";
        QTest::newRow("unknown mode is the name") << "Alpha" << 7 << "Alpha.conf";
        QTest::newRow("extension present") << "Alpha.conf" << 0 << "Alpha.conf";
        QTest::newRow("extension differs in case") << "Alpha.CONF" << 0 << "Alpha.CONF.conf";
        QTest::newRow("blank name") << " " << 0 << ".conf";
        QTest::newRow("inner space") << "Al pha" << 0 << "Al pha.conf";
        // Refused: control characters, and names that would leave the output directory.
        QTest::newRow("line feed") << "Alpha\nERROR: forged" << 0 << "";
        QTest::newRow("unit separator") << "Al\x1fpha" << 0 << "";
        QTest::newRow("delete") << "Alpha\x7f" << 0 << "";
        for (const char* name : {"sub/inner", "sub\\inner", "..", " .. ", "."}) {
            QTest::newRow(name) << name << 0 << "";
        }
    }
    void fileNames()
    {
        QFETCH(QString, name);
        QFETCH(int, mode);
        QFETCH(QString, file);
        FleetFixture fleet;
        QVERIFY(QDir(fleet.directory()).mkpath("sub"));
        QVERIFY(fleet.addServer(name, "127.0.7.1", kConfig));
        BackupOperation operation;
        operation.options().setNamingMode(mode);
        const QString own = file.isEmpty() ? "ERROR: Could not create file." : saving(file);
        QCOMPARE(run(operation, {"127.0.7.1"}), serverLines("127.0.7.1", {own}) << kFinished);
        QCOMPARE(outFiles(), file.isEmpty() ? QStringList() : QStringList{file});
        QCOMPARE(readFile(out() + '/' + file), file.isEmpty() ? QByteArray() : kConfig.toUtf8());
    }

    void takenNameGetsTheFirstFreeNumber()
    {
        FleetFixture fleet;
        QVERIFY(fleet.addServer("Alpha", "127.0.7.3", kConfig));
        QVERIFY(writeFile(out() + "/Alpha.conf", "kept"));
        BackupOperation operation;
        QCOMPARE(run(operation, {"127.0.7.3"}).filter("Saving as"), QStringList{saving("Alpha (1).conf")});
        QCOMPARE(readFile(out() + "/Alpha.conf"), QByteArray("kept"));
    }

    void outputDirectoryRemovedDuringRun()
    {
        FleetFixture fleet;
        QVERIFY(fleet.addServer("0", "127.0.7.6", kConfig));
        QVERIFY(fleet.addServer("1", "127.0.7.7", kConfig));
        BackupOperation operation;
        connect(&operation, &OperationInterface::finishedCurrentServer, this,
                [this]() { QDir(out()).removeRecursively(); });
        QCOMPARE(run(operation, {"127.0.7.6", "127.0.7.7"}).filter(QRegularExpression("Saving|ERROR")),
                 (QStringList{saving("0.conf"), "ERROR: Invalid output directory: " + out()}));
    }

    void documentBuilder_data()
    {
        QTest::addColumn<QStringList>("kinds");
        QTest::addColumn<QString>("configText");
        QTest::addColumn<QString>("preserved");
        QTest::addColumn<QString>("uploaded");

        const auto row = [](const char* name, const QStringList& kinds, const QString& configText,
                            const QString& preserved, const QString& uploaded) {
            QTest::newRow(name) << kinds << configText << preserved << uploaded;
        };
        row("nothing preserved", {}, "lost line\n[Relay1]\non=1\n[General]\nname=beta\n", "",
            "[Relay1]\non=1\n[General]\nname=beta\n");
        // A kind's sections in document order, the file's Network1 in the server's place, Network0's empty line kept.
        row("file replaces a preserved section in its place", {"Network", "Licence"},
            "[Network1]\nip=192.0.2.1\n[Relay2]\non=0",
            "\n[Licence]\nkey=L1\n[Network1]\nip=10.0.0.1\n[Network0]\nip=10.0.0.0\n",
            "[Licence]\nkey=L1\n[Network1]\nip=192.0.2.1\n[Network0]\nip=10.0.0.0\n\n[Relay2]\non=0");
        row("kind the server lacks, file without sections", {"Display"}, "just=text\n", "", "");
    }
    void documentBuilder()
    {
        QFETCH(QStringList, kinds);
        QFETCH(QString, configText);
        const QString server = "# server\n[General]\nname=alpha\n[Network1]\nip=10.0.0.1\n[Licence]\nkey=L1\n"
                               "[Network0]\nip=10.0.0.0\n";
        QSharedPointer<kelp::ConfigSystem> document = kelp::createConfigDocument();
        document->loadText(server, false, false);
        const QString preserved = PushDocumentBuilder::preservedText(*document, {kinds.begin(), kinds.end()});
        QTEST(preserved, "preserved");
        PushDocumentBuilder(configText).rebuild(*document, preserved);
        QTEST(document->toText(), "uploaded");
    }

    void serverSteps_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("configText");
        QTest::addColumn<QStringList>("ownLines");
        QTest::addColumn<QString>("after");
        const auto row = [](const char* name, const char* fault, const QString& configText, const QStringList& ownLines,
                            const QString& after) { QTest::newRow(name) << fault << configText << ownLines << after; };
        row("pushed", "", kFile, {kLocked, kPushing, kReleased, kRestarting}, kMerged);
        row("lock refused", "lock", kFile, {"ERROR: Config Error: lock refused"}, kServer);
        row("save fails", "save", kFile, {kLocked, kPushing, "ERROR: Config Error: disk full"}, kServer);
        row("unlock fails", "unlock", kFile, {kLocked, kPushing, "ERROR: Config Error: cannot release"}, kMerged);
        row("lock not taken", "not taken", kFile, {kLocked, "ERROR: Configuration could not be locked!"}, kServer);
        // Found before anything is saved; the lock is given back.
        row("rejected header", "", "[General]\nname=p\n[Bogus]\nx=1\n",
            {kLocked, kPushing, "ERROR: Config Error: Invalid name for section: \"Bogus\"", kReleased}, kServer);
    }
    void serverSteps()
    {
        QFETCH(QString, fault);
        QFETCH(QString, configText);
        QFETCH(QStringList, ownLines);
        sim::Faults faults;
        faults.lockError = fault == "lock" ? "lock refused" : "";
        faults.saveError = fault == "save" ? "disk full" : "";
        faults.unlockError = fault == "unlock" ? "cannot release" : "";
        faults.lockedWithoutLock = fault == "not taken";
        FleetFixture fleet;
        QVERIFY(fleet.addServer("s", "127.0.8.5", kServer, faults));
        PushConfigOperation operation;
        operation.options().setRestartServers(true);
        QCOMPARE(run(operation, {"127.0.8.5"}, configText), serverLines("127.0.8.5", ownLines) << kFinished);
        QTEST(fleet.configText("s"), "after");
        // Restarted only after a save, and no lock is left behind.
        QTRY_COMPARE(fleet.events("s", Kind::Restart).size(), ownLines.contains(kRestarting) ? 1 : 0);
        QVERIFY(!fleet.server("s")->isLockHeld());
    }

    void unreadableFileContactsNoServer()
    {
        FleetFixture fleet;
        QVERIFY(fleet.addServer("a", "127.0.8.10", kServer));
        PushConfigOperation operation;
        operation.options().setConfigFilePath(m_dir->filePath("missing.conf"));
        QCOMPARE(run(operation, {"127.0.8.10"}, kFile),
                 QStringList{"ERROR: Could not read configuration file: " + m_dir->filePath("missing.conf")});
        QVERIFY(!fleet.wasContacted("a"));
    }

    void fileIsReadOnceInTextMode()
    {
        FleetFixture fleet;
        QVERIFY(fleet.addServer("a", "127.0.8.11", kServer));
        QVERIFY(fleet.addServer("b", "127.0.8.12", kServer));
        PushConfigOperation operation;
        operation.options().setPushMode(int(PushMode::Replace));
        connect(&operation, &OperationInterface::finishedCurrentServer, this,
                [this]() { writeFile(m_dir->filePath("push.conf"), "[General]\nname=second\n"); });
        run(operation, {"127.0.8.11", "127.0.8.12"}, "[General]\r\nname=first\r\n");
        QCOMPARE(fleet.configText("a") + fleet.configText("b"), QString("[General]\nname=first\n").repeated(2));
    }
    void serverWithoutConfiguration()
    {
        FleetFixture fleet;
        QVERIFY(fleet.addServer("a", "127.0.7.9", kServer));
        ServerWithoutConfig server;
        const auto lookup = [&server](uint) { return &server; };
        const QStringList expected = serverLines("127.0.7.9", {"ERROR: Could not read server configuration."})
                                     << kFinished;
        BackupOperation backup;
        backup.setServerGroupLookup(lookup);
        QCOMPARE(run(backup, {"127.0.7.9"}), expected);
        QCOMPARE(outFiles(), QStringList());
        PushConfigOperation push;
        push.setServerGroupLookup(lookup);
        QCOMPARE(run(push, {"127.0.7.9"}, kFile), expected);
    }
};

QTEST_GUILESS_MAIN(TestOperations)

#include "tst_operations.moc"
