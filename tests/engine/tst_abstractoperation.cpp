#include "engine/abstractoperation.h"
#include "engine/support/operationrecorder.h"

#include "sdk/connectionmanager.h"
#include "sdk/kelpsdk.h"
#include "sdk/server.h"
#include "testsupport/fleetfixture.h"
#include "testsupport/testsettings.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QtTest>

using namespace enginetest;
using testsupport::FleetFixture;

namespace {

// An operation whose work on a server is one message naming it. Once the list is loaded it ends the run at once,
// or works through the list (work), or waits for SDK signals that the test emits (wait).
class ListOperation final : public AbstractOperation
{
public:
    void start() override { startRun(options); }

    OperationOptions options;
    bool work = false, wait = false;
    // "host|user|password|port" per entry of the lists loaded.
    QStringList loaded;

protected:
    void serverListLoaded() override
    {
        for (const kelp::LoginData& login : logins()) {
            loaded << login.orrinUrl().host() + '|' + login.username() + '|' + login.password() + '|' +
                          QString::number(login.orrinUrl().port());
        }
        if (!work) {
            cancel();
        }
        if (!wait) {
            doNextServer();
        }
    }
    void processCurrentServer() override
    {
        emit showMessage("Working on " + currentServer()->name());
        disconnectCurrentServer();
    }
};

const QString kFinished = QStringLiteral("INFO: Finished!");
const QString kHostMissing = QStringLiteral("ERROR: No column in CSV for hostname/IP address");
const QStringList kNoColumns{kHostMissing, "ERROR: No column in CSV for username",
                             "ERROR: No column in CSV for password"};

} // namespace

// The engine: the server list, the report, runs against a simulated fleet on 127.0.7.40-59, and SDK signals.
class TestAbstractOperation : public QObject
{
    Q_OBJECT

    // Writes content to name in the test's directory; its path.
    QString file(const QString& name, const QByteArray& content)
    {
        const QString path = m_dir->filePath(name);
        return writeFile(path, content) ? path : QString();
    }

    testsupport::TestSettings m_settings;
    std::unique_ptr<QTemporaryDir> m_dir;
    kelp::ConnectionManager* m_manager = nullptr;

private slots:
    void initTestCase()
    {
        kelp::KelpSDK::initInstance("QuorlanTest", "engine", nullptr, "kelpsdk.log");
        m_manager = kelp::KelpSDK::instance()->connectionManager();
    }
    void init() { m_dir = std::make_unique<QTemporaryDir>(); }

    void serverList_data()
    {
        QTest::addColumn<QByteArray>("csv");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("case differs, later column wins")
            << QByteArray("ip,Server,User,Pwd\na,h,u,p\n") << QStringList{"h|u|p|8601", kFinished};
        // Values as they are, duplicates kept, port 8601 whatever the host says.
        QTest::newRow("values") << QByteArray("IP,user name,pass\n a , u ,\" p,w \"\nh:9,u,p\n a , u ,\" p,w \"\n,,\n")
                                << QStringList{" a | u | p,w |8601", "h:9|u|p|8601", " a | u | p,w |8601", "|||8601",
                                               kFinished};
        QTest::newRow("header with a blank")
            << QByteArray(" host,username,passwd\nh,u,p\n") << QStringList{kHostMissing};
        QTest::newRow("no user name column") << QByteArray("host,password\nh,p\n") << QStringList{kNoColumns[1]};
        QTest::newRow("no password column") << QByteArray("host,user\nh,u\n") << QStringList{kNoColumns[2]};
        QTest::newRow("no column known") << QByteArray("name,login,secret\nh,u,p\n") << kNoColumns;
        const QByteArray head = "host,username,password\nh,u,";
        QTest::newRow("exactly 1 MiB") << head + QByteArray(1048576 - 28, 'p') + '\n'
                                       << QStringList{"h|u|" + QString(1048576 - 28, 'p') + "|8601", kFinished};
        QTest::newRow("one byte more") << head + QByteArray(1048577 - 28, 'p') + '\n'
                                       << QStringList{"ERROR: The CSV file is too big, the limit is 1MB"};
    }
    void serverList()
    {
        QFETCH(QByteArray, csv);
        ListOperation operation;
        OperationRecorder recorder(&operation);
        operation.options.setCsvPath(file("servers.csv", csv));
        QVERIFY(recorder.run());
        // Without a list the run ends after the errors, without "Finished!".
        QTEST(operation.loaded + recorder.lines, "expected");
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList{"servers.csv"});
    }

    void failedServersCostOnlyThemselves()
    {
        FleetFixture fleet;
        sim::Faults refuse, silent;
        refuse.loginErrorCode = 1;
        silent.neverAnswer = true;
        QVERIFY(fleet.addServer("two", "127.0.7.42", "[General]\n", refuse));
        QVERIFY(fleet.addServer("three", "127.0.7.43", "[General]\n", silent));
        QVERIFY(fleet.addServer("four", "127.0.7.44", "[General]\n"));
        // Without a window nobody is asked: an existing report is emptied.
        const QString report = file("report.txt", "a much longer report of an earlier run, all of which goes\n");
        ListOperation operation;
        operation.work = true;
        OperationRecorder recorder(&operation);
        operation.options.setReportPath(report);
        const QStringList hosts{"127.0.7.42", "127.0.7.43", "127.0.7.44"};
        operation.options.setCsvPath(file("servers.csv", FleetFixture::serverList(hosts)));
        const int timeout = m_manager->connectTimeout();
        m_manager->setConnectTimeout(300);
        QVERIFY(recorder.run());
        m_manager->setConnectTimeout(timeout);

        const QString loginError = "ERROR: Login Error: " + kelp::LoginError(1, hosts[0], 8601).toString();
        QStringList expected{"INFO: Connecting to 127.0.7.42...", loginError, separatorLine};
        expected += {"INFO: Connecting to 127.0.7.43...", "ERROR: Connection timed out", separatorLine};
        expected << serverLines(hosts[2], {"INFO: Working on four"}) << kFinished;
        QCOMPARE(recorder.lines, expected);
        QCOMPARE(recorder.serverCount, 3);
        QCOMPARE(recorder.finishedCount, 1);
        // Closed with the run: later messages do not reach it.
        emit operation.showMessage("after the run");
        QCOMPARE(QString::fromLocal8Bit(readFile(report)), expected.join('\n') + '\n');
        // Owner read/write only, also where it replaced a file that others could read.
        QCOMPARE(int(QFile::permissions(report) & 0x7077), int(QFile::ReadOwner | QFile::WriteOwner));
    }

    void restartedOperationHandlesEachSignalOnce()
    {
        ListOperation operation;
        OperationRecorder recorder(&operation);
        // A report in a directory that does not exist ends the run before the list is read.
        operation.options.setCsvPath(file("servers.csv", "host,username,password\nh,u,p\n"));
        operation.options.setReportPath(m_dir->filePath("missing/report.txt"));
        QVERIFY(recorder.run());
        QCOMPARE(recorder.lines, QStringList{"ERROR: Could not create report file."});

        operation.options.setReportPath(m_dir->filePath("report.txt"));
        operation.work = operation.wait = true;
        recorder.lines.clear();
        operation.start();
        QTRY_COMPARE(operation.loaded, QStringList{"h|u|p|8601"});
        // A group the manager does not know is reported; the disconnection takes the run to the next entry.
        emit m_manager->allServersConnected(4294967295u);
        emit m_manager->allServersDisconnected(4294967295u);
        QTRY_COMPARE(recorder.finishedCount, 2);
        const QStringList lines{"INFO: Connected", "ERROR: Invalid server group (4294967295)", separatorLine,
                                kFinished};
        QCOMPARE(recorder.lines, lines);
        QCOMPARE(QString::fromUtf8(readFile(m_dir->filePath("report.txt"))), lines.join('\n') + '\n');

        // The next run starts without columns; once it is over, the operation hears nothing from the SDK.
        operation.options.setReportPath(QString());
        operation.options.setCsvPath(file("nocolumns.csv", "name\nx\n"));
        QVERIFY(recorder.run());
        emit m_manager->allServersConnected(1);
        emit m_manager->loginError(kelp::LoginError(1, "x", 8601));
        emit m_manager->userConnectionTimedOut(1, 1);
        emit m_manager->allServersDisconnected(1);
        QCoreApplication::processEvents();
        QCOMPARE(recorder.lines, kNoColumns);
        QCOMPARE(operation.loaded, QStringList{"h|u|p|8601"});
    }

    void cancel_data()
    {
        QTest::addColumn<int>("atServer");
        QTest::addColumn<int>("worked");
        // Before the list is built the index goes to 0, and the run does them all.
        QTest::newRow("before the list is built") << -1 << 3;
        QTest::newRow("during the second of three") << 1 << 2;
    }
    void cancel()
    {
        QFETCH(int, atServer);
        QFETCH(int, worked);
        FleetFixture fleet;
        QStringList hosts;
        for (int i = 0; i < 3; ++i) {
            hosts << QStringLiteral("127.0.7.%1").arg(50 + i);
            QVERIFY(fleet.addServer(QString::number(i), hosts.last(), "[General]\n"));
        }
        ListOperation operation;
        operation.work = true;
        OperationRecorder recorder(&operation);
        connect(&operation, &OperationInterface::showMessage, this, [&](const QString& msg) {
            if (msg == "Connected" && recorder.serverCount == atServer) {
                operation.cancel();
            }
        });
        operation.options.setCsvPath(file("servers.csv", FleetFixture::serverList(hosts)));
        // Fires after start() has asked for the list, before the list is read.
        if (atServer < 0) {
            QTimer::singleShot(0, &operation, [&operation] { operation.cancel(); });
        }
        QVERIFY(recorder.run());

        QStringList expected;
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(fleet.wasContacted(QString::number(i)), i < worked);
            expected += i < worked ? serverLines(hosts[i], {"INFO: Working on " + QString::number(i)}) : QStringList();
        }
        QCOMPARE(recorder.lines, expected << kFinished);
    }

    // Last: the one test with a window, which makes the report question appear.
    void reportOverwriteQuestion_data()
    {
        QTest::addColumn<bool>("yes");
        QTest::addColumn<bool>("directory");
        QTest::newRow("no") << false << false;
        QTest::newRow("yes") << true << false;
        QTest::newRow("yes, but it cannot be removed") << true << true;
    }
    void reportOverwriteQuestion()
    {
        QFETCH(bool, yes);
        QFETCH(bool, directory);
        QWidget window;
        window.show();
        ListOperation operation;
        OperationRecorder recorder(&operation);
        operation.options.setReportPath(directory ? m_dir->path() : file("report.txt", "earlier\n"));
        operation.options.setCsvPath(file("servers.csv", "name\nx\n"));
        QStringList asked;
        // Fires inside the box's own event loop.
        QTimer::singleShot(0, this, [&]() {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                asked << box->windowTitle() << box->text() << QString::number(box->standardButtons());
                box->button(yes ? QMessageBox::Yes : QMessageBox::No)->click();
            }
        });
        QVERIFY(recorder.run());

        QCOMPARE(asked,
                 (QStringList{"File Already Exists", "The report file you have you chosen already exists. Overwrite?",
                              QString::number(QMessageBox::Yes | QMessageBox::No)}));
        if (directory) {
            QCOMPARE(recorder.lines, QStringList{"ERROR: Could not remove file: " + m_dir->path()});
            return;
        }
        QCOMPARE(recorder.lines, yes ? kNoColumns : QStringList());
        QCOMPARE(readFile(operation.options.reportPath()),
                 yes ? (kNoColumns.join('\n') + '\n').toUtf8() : QByteArray("earlier\n"));
    }
};

QTEST_MAIN(TestAbstractOperation)

#include "tst_abstractoperation.moc"
