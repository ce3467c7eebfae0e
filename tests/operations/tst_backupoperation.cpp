#include "engine/support/operationrecorder.h"
#include "operations/backupoperation.h"

#include "sdk/kelpsdk.h"
#include "testsupport/fleetfixture.h"
#include "testsupport/testsettings.h"

#include <QtTest>

using namespace enginetest;
using testsupport::FleetFixture;

namespace {
// Non-ASCII and no line end at the end: the file must hold exactly these bytes.
const QString kConfig = QStringLiteral("[General]\nname=Zürich\n[Network]\nip=10.0.0.1");
const QString kFinished = QStringLiteral("INFO: Finished!");
} // namespace

// The rule that picks a file name no existing file has, and backups of a
// simulated fleet on 127.0.7.1-9.
class TestBackupOperation : public QObject
{
    Q_OBJECT

    // A run over the servers at hosts into out(); its log lines.
    QStringList run(BackupOperation& operation, const QStringList& hosts)
    {
        OperationRecorder recorder(&operation);
        writeFile(m_dir->filePath("servers.csv"), FleetFixture::serverList(hosts));
        operation.options().setCsvPath(m_dir->filePath("servers.csv"));
        operation.options().setOutputDirectory(out());
        return recorder.run() ? recorder.lines : QStringList{"the run did not end"};
    }
    QString out() const { return m_dir->filePath("out"); }
    QString saving(const QString& name) const { return "INFO: Saving as: " + out() + QDir::separator() + name; }
    // Every file below out(), by its path from there.
    QStringList outFiles() const
    {
        QStringList files;
        for (QDirIterator it(out(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories); it.hasNext();) {
            files << it.next().mid(out().size() + 1);
        }
        files.sort();
        return files;
    }

    testsupport::TestSettings m_settings;
    std::unique_ptr<QTemporaryDir> m_dir;

private slots:
    void initTestCase() { kelp::KelpSDK::initInstance("QuorlanTest", "backup", nullptr, "kelpsdk.log"); }
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(QDir().mkpath(out() + "/sub"));
    }

    void uniqueFilePath_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QStringList>("existing");
        QTest::addColumn<QString>("expected");
        QTest::newRow("free") << "o/A.conf" << QStringList{} << "o/A.conf";
        QTest::newRow("taken once") << "o/A.conf" << QStringList{"o/A.conf"} << "o/A (1).conf";
        QTest::newRow("taken twice") << "o/A.conf" << QStringList{"o/A.conf", "o/A (1).conf"} << "o/A (2).conf";
        QTest::newRow("gap is filled") << "o/A.conf" << QStringList{"o/A.conf", "o/A (2).conf"} << "o/A (1).conf";
        QTest::newRow("extension only") << "o/.conf" << QStringList{"o/.conf"} << "o/ (1).conf";
    }
    void uniqueFilePath()
    {
        QFETCH(QString, path);
        QFETCH(QStringList, existing);
        const auto exists = [&existing](const QString& candidate) { return existing.contains(candidate); };
        QTEST(BackupOperation::uniqueFilePath(path, exists), "expected");
    }
    void uniqueFilePathStopsAtTheLargest32BitNumber()
    {
        QStringList asked;
        const auto allTaken = [&asked](const QString& candidate) { return (asked << candidate).size() < 100; };
        QCOMPARE(BackupOperation::uniqueFilePath("o/A.conf", allTaken, 2147483646), QString());
        QCOMPARE(asked, (QStringList{"o/A.conf", "o/A (2147483646).conf", "o/A (2147483647).conf"}));
        const auto lastFree = [](const QString& candidate) { return candidate != "o/A (2147483647).conf"; };
        QCOMPARE(BackupOperation::uniqueFilePath("o/A.conf", lastFree, 2147483645), QString("o/A (2147483647).conf"));
    }

    void fileNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("file");
        QTest::newRow("name trimmed") << "  Alpha  " << int(NamingMode::ServerName) << "Alpha.conf";
        QTest::newRow("host") << "Alpha" << int(NamingMode::IPHost) << "127.0.7.1.conf";
        QTest::newRow("both") << " Alpha" << int(NamingMode::Both) << "Alpha-127.0.7.1.conf";
        QTest::newRow("unknown mode is the name") << "Alpha" << 7 << "Alpha.conf";
        QTest::newRow("extension present") << "Alpha.conf" << 0 << "Alpha.conf";
        QTest::newRow("extension differs in case") << "Alpha.CONF" << 0 << "Alpha.CONF.conf";
        QTest::newRow("blank name") << " " << 0 << ".conf";
        // Names that would leave the output directory are refused.
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

    void serverWithoutConfiguration()
    {
        FleetFixture fleet;
        QVERIFY(fleet.addServer("a", "127.0.7.9", kConfig));
        ServerWithoutConfig server;
        BackupOperation operation;
        operation.setServerGroupLookup([&server](uint) { return &server; });
        QCOMPARE(run(operation, {"127.0.7.9"}),
                 serverLines("127.0.7.9", {"ERROR: Could not read server configuration."}) << kFinished);
        QCOMPARE(outFiles(), QStringList());
    }

    void numberedNamesAcrossRuns()
    {
        FleetFixture fleet;
        QVERIFY(fleet.addServer("Alpha", "127.0.7.3", kConfig));
        BackupOperation operation;
        // The same server twice: two servers of one name in one run.
        run(operation, {"127.0.7.3", "127.0.7.3"});
        QCOMPARE(outFiles(), (QStringList{"Alpha (1).conf", "Alpha.conf"}));
        QVERIFY(writeFile(out() + "/Alpha.conf", "kept"));
        QCOMPARE(run(operation, {"127.0.7.3", "127.0.7.3"}).filter("Saving as"),
                 (QStringList{saving("Alpha (2).conf"), saving("Alpha (3).conf")}));
        QCOMPARE(outFiles(), (QStringList{"Alpha (1).conf", "Alpha (2).conf", "Alpha (3).conf", "Alpha.conf"}));
        QCOMPARE(readFile(out() + "/Alpha.conf"), QByteArray("kept"));
    }

    void outputDirectoryRemovedDuringRun()
    {
        FleetFixture fleet;
        const QStringList hosts{"127.0.7.6", "127.0.7.7", "127.0.7.8"};
        for (int i = 0; i < hosts.size(); ++i) {
            QVERIFY(fleet.addServer(QString::number(i), hosts[i], kConfig));
        }
        BackupOperation operation;
        connect(&operation, &OperationInterface::finishedCurrentServer, this,
                [this]() { QDir(out()).removeRecursively(); });
        const QString invalid = "ERROR: Invalid output directory: " + out();
        QCOMPARE(run(operation, hosts), serverLines(hosts[0], {saving("0.conf")}) + serverLines(hosts[1], {invalid}) +
                                                serverLines(hosts[2], {invalid})
                                            << kFinished);
    }
};

QTEST_GUILESS_MAIN(TestBackupOperation)

#include "tst_backupoperation.moc"
