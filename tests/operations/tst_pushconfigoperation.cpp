#include "engine/support/operationrecorder.h"
#include "operations/pushconfigoperation.h"
#include "operations/pushdocumentbuilder.h"

#include "configsystem/configsystem.h"
#include "configsystem/configsystemerror.h"
#include "sdk/configschema.h"
#include "sdk/kelpsdk.h"
#include "testsupport/fleetfixture.h"
#include "testsupport/testsettings.h"

#include <QtTest>

using namespace enginetest;
using testsupport::FleetFixture;
using Kind = sim::ServerEvent::Kind;

namespace {
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

// The document a push uploads, and push runs against a simulated fleet on
// 127.0.8.x that check the servers' configuration files afterwards.
class TestPushConfigOperation : public QObject
{
    Q_OBJECT

    // A push of configText to the servers at hosts; its log lines.
    QStringList run(PushConfigOperation& operation, const QStringList& hosts, const QString& configText)
    {
        OperationRecorder recorder(&operation);
        writeFile(m_work.filePath("servers.csv"), FleetFixture::serverList(hosts));
        writeFile(m_work.filePath("push.conf"), configText.toUtf8());
        operation.options().setCsvPath(m_work.filePath("servers.csv"));
        if (operation.options().configFilePath().isEmpty()) {
            operation.options().setConfigFilePath(m_work.filePath("push.conf"));
        }
        return recorder.run() ? recorder.lines : QStringList{"the run did not end"};
    }

    testsupport::TestSettings m_settings;
    QTemporaryDir m_work;

private slots:
    void initTestCase() { kelp::KelpSDK::initInstance("QuorlanTest", "push", nullptr, "kelpsdk.log"); }

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
        const QString file = "lost line\n[Relay1]\non=1\n[General]\nname=beta\n";
        row("nothing preserved", {}, file, "", "[Relay1]\non=1\n[General]\nname=beta\n");
        row("licence", {"Licence"}, file, "\n[Licence]\nkey=L1",
            "[Licence]\nkey=L1\n[Relay1]\non=1\n[General]\nname=beta\n");
        // Kinds ascending whatever the order given, one kind's sections in document order; the
        // file's Network1 takes the place of the server's. Network0 keeps the empty line after it.
        row("file replaces a preserved section in its place", {"Network", "Licence"},
            "[Network1]\nip=192.0.2.1\n[Relay2]\non=0",
            "\n[Licence]\nkey=L1\n[Network1]\nip=10.0.0.1\n[Network0]\nip=10.0.0.0\n",
            "[Licence]\nkey=L1\n[Network1]\nip=192.0.2.1\n[Network0]\nip=10.0.0.0\n\n[Relay2]\non=0");
        row("kind the server lacks, file without sections", {"Display"}, "just=text\n", "", "");
        // Refused before the document is touched.
        row("rejected header", {"Licence"}, "[General]\nx=1\n[Bogus]\ny=2\n", "\n[Licence]\nkey=L1",
            "Invalid name for section: \"Bogus\"");
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
        try {
            PushDocumentBuilder::rebuild(*document, preserved, configText);
            QTEST(document->toText(), "uploaded");
        } catch (const kelp::ConfigSystemBadSection& error) {
            QTEST(QString::fromUtf8(error.what()), "uploaded");
            QCOMPARE(document->toText(), server);
        }
    }

    void serverSteps_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("configText");
        QTest::addColumn<QStringList>("ownLines");
        QTest::addColumn<QString>("after");
        QTest::addColumn<int>("unlocks");
        const auto row = [](const char* name, const char* fault, const QString& configText, const QStringList& ownLines,
                            const QString& after, int unlocks) {
            QTest::newRow(name) << fault << configText << ownLines << after << unlocks;
        };
        row("pushed", "", kFile, {kLocked, kPushing, kReleased, kRestarting}, kMerged, 1);
        row("lock refused", "lock", kFile, {"ERROR: Config Error: lock refused"}, kServer, 0);
        row("save fails", "save", kFile, {kLocked, kPushing, "ERROR: Config Error: disk full"}, kServer, 0);
        row("unlock fails", "unlock", kFile, {kLocked, kPushing, "ERROR: Config Error: cannot release"}, kMerged, 1);
        row("lock held elsewhere", "elsewhere", kFile,
            {"ERROR: Config Error: the configuration is locked by another session"}, kServer, 0);
        row("locked without the lock", "not taken", kFile, {kLocked, "ERROR: Configuration could not be locked!"},
            kServer, 0);
        // Found before anything is saved; the lock is given back.
        row("rejected header", "", "[General]\nname=p\n[Bogus]\nx=1\n",
            {kLocked, kPushing, "ERROR: Config Error: Invalid name for section: \"Bogus\"", kReleased}, kServer, 1);
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
        faults.lockHeldElsewhere = fault == "elsewhere";
        faults.lockedWithoutLock = fault == "not taken";
        FleetFixture fleet;
        QVERIFY(fleet.addServer("s", "127.0.8.5", kServer, faults));
        PushConfigOperation operation;
        operation.options().setRestartServers(true);
        QCOMPARE(run(operation, {"127.0.8.5"}, configText), serverLines("127.0.8.5", ownLines) << "INFO: Finished!");
        QTEST(fleet.configText("s"), "after");
        QTEST(fleet.events("s", Kind::Unlock).size(), "unlocks");
        // Restarted only after a save, and no lock is left behind.
        QTRY_COMPARE(fleet.events("s", Kind::Restart).size(), ownLines.contains(kRestarting) ? 1 : 0);
        QVERIFY(!fleet.server("s")->isLockHeld());
    }

    void serverWithoutConfiguration()
    {
        FleetFixture fleet;
        QVERIFY(fleet.addServer("a", "127.0.8.13", kServer));
        ServerWithoutConfig server;
        PushConfigOperation operation;
        operation.setServerGroupLookup([&server](uint) { return &server; });
        QCOMPARE(run(operation, {"127.0.8.13"}, kFile),
                 serverLines("127.0.8.13", {"ERROR: Could not read server configuration."}) << "INFO: Finished!");
        QCOMPARE(fleet.events("a", Kind::Lock).size(), 0);
    }

    void unreadableFileContactsNoServer_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("missing") << "missing.conf";
        QTest::newRow("directory") << "adir";
    }
    void unreadableFileContactsNoServer()
    {
        QFETCH(QString, name);
        FleetFixture fleet;
        QVERIFY(fleet.addServer("a", "127.0.8.10", kServer));
        QVERIFY(QDir(m_work.path()).mkpath("adir"));
        PushConfigOperation operation;
        operation.options().setConfigFilePath(m_work.filePath(name));
        QCOMPARE(run(operation, {"127.0.8.10"}, kFile),
                 QStringList{"ERROR: Could not read configuration file: " + m_work.filePath(name)});
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
                [this]() { writeFile(m_work.filePath("push.conf"), "[General]\nname=second\n"); });
        run(operation, {"127.0.8.11", "127.0.8.12"}, "[General]\r\nname=first\r\n");
        QCOMPARE(fleet.configText("a"), QString("[General]\nname=first\n"));
        QCOMPARE(fleet.configText("b"), QString("[General]\nname=first\n"));
    }
};

QTEST_GUILESS_MAIN(TestPushConfigOperation)

#include "tst_pushconfigoperation.moc"
