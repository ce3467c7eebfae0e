#include "engine/abstractoperation.h"
#include "engine/support/operationrecorder.h"

#include "sdk/connectionmanager.h"
#include "sdk/kelpsdk.h"
#include "sdk/servergroup.h"
#include "testsupport/testsettings.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using enginetest::OperationRecorder;
using enginetest::readFile;
using enginetest::writeFile;

namespace {

// An operation without per-server work. By default it records the server
// list and ends the run at once through the engine's own "Finished!" path, so
// no server is contacted; held, it waits for SDK signals the test emits.
class ListOperation final : public AbstractOperation
{
public:
    OperationOptions& options() { return m_options; }
    void start() override { startRun(m_options); }

    std::vector<kelp::LoginData> loaded;
    int listLoadedCount = 0;
    bool hold = false;

protected:
    void serverListLoaded() override
    {
        loaded = logins();
        ++listLoadedCount;
        if (!hold) {
            cancel();
            doNextServer();
        }
    }

private:
    OperationOptions m_options;
};

class EmptyGroup final : public kelp::ServerGroup
{
public:
    QVector<kelp::Server*> servers() const override { return {}; }
};

const QString kFinished = QStringLiteral("INFO: Finished!");
const QString kHostMissing = QStringLiteral("ERROR: No column in CSV for hostname/IP address");
const QString kUserMissing = QStringLiteral("ERROR: No column in CSV for username");
const QString kPasswordMissing = QStringLiteral("ERROR: No column in CSV for password");

} // namespace

// The engine up to the first connection: the CSV server list, the report
// file and the end of a run, plus SDK signals emitted by the test itself.
class TestAbstractOperation : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void csvColumns_data();
    void csvColumns();
    void entriesKeepValuesAndUsePort8601();
    void csvSizeLimit_data();
    void csvSizeLimit();

    void reportFileExistsWithoutWidgets();
    void reportDirectoryMissing();
    void reportHoldsEveryLineOfTheRun();
    void runWithoutReportWritesNothing();

    void signalsReachHandlersOnceAfterRestart();
    void loginErrorGoesToNextEntry();
    void unknownOrEmptyGroupIsReportedAndDisconnected_data();
    void unknownOrEmptyGroupIsReportedAndDisconnected();
    void idleOperationIgnoresSdkSignals();

private:
    QString path(const QString& name) const { return m_dir->filePath(name); }
    QString writeCsv(const QByteArray& content);

    testsupport::TestSettings m_settings;
    std::unique_ptr<QTemporaryDir> m_dir;
    kelp::ConnectionManager* m_manager = nullptr;
};

void TestAbstractOperation::initTestCase()
{
    kelp::KelpSDK::initInstance(QStringLiteral("QuorlanTest"), QStringLiteral("engine"), nullptr,
                                QStringLiteral("kelpsdk.log"));
    m_manager = kelp::KelpSDK::instance()->connectionManager();
    QVERIFY(m_manager);
}

void TestAbstractOperation::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

QString TestAbstractOperation::writeCsv(const QByteArray& content)
{
    const QString csv = path(QStringLiteral("servers.csv"));
    if (!writeFile(csv, content)) {
        qFatal("cannot write %s", qPrintable(csv));
    }
    return csv;
}

void TestAbstractOperation::csvColumns_data()
{
    QTest::addColumn<QByteArray>("csv");
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QStringList>("errors");

    const QStringList none;
    QTest::newRow("server,user,pwd") << QByteArray("Server,User,Pwd\n127.0.7.1,u1,p1\n") << "127.0.7.1"
                                     << "u1"
                                     << "p1" << none;
    QTest::newRow("later column wins") << QByteArray("host,ip,username,password\na,b,c,d\n") << "b"
                                       << "c"
                                       << "d" << none;
    QTest::newRow("password before user") << QByteArray("pass,extra,HOSTNAME,User Name\npw,x,h,usr\n") << "h"
                                          << "usr"
                                          << "pw" << none;
    QTest::newRow("ip,user,passwd") << QByteArray("IP;USER;PASSWD\nh;u;p\n") << "h"
                                    << "u"
                                    << "p" << none;
    QTest::newRow("header with a blank") << QByteArray(" host,username,password\nh,u,p\n") << ""
                                         << ""
                                         << "" << QStringList{kHostMissing};
    QTest::newRow("no password column") << QByteArray("host,username\nh,u\n") << ""
                                        << ""
                                        << "" << QStringList{kPasswordMissing};
    QTest::newRow("no column known") << QByteArray("name,login,secret\nh,u,p\n") << ""
                                     << ""
                                     << "" << QStringList{kHostMissing, kUserMissing, kPasswordMissing};
    QTest::newRow("header only") << QByteArray("host,username,password\n") << ""
                                 << ""
                                 << "" << QStringList{kHostMissing, kUserMissing, kPasswordMissing};
    QTest::newRow("empty file") << QByteArray() << ""
                                << ""
                                << "" << QStringList{kHostMissing, kUserMissing, kPasswordMissing};
}

void TestAbstractOperation::csvColumns()
{
    QFETCH(QByteArray, csv);
    QFETCH(QString, host);
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(QStringList, errors);

    ListOperation operation;
    OperationRecorder recorder(&operation);
    operation.options().setCsvPath(writeCsv(csv));
    QVERIFY2(recorder.run(), qPrintable(recorder.lines().join(u'\n')));

    QCOMPARE(recorder.finishedCount(), 1);
    if (errors.isEmpty()) {
        QCOMPARE(operation.listLoadedCount, 1);
        QCOMPARE(operation.loaded.size(), std::size_t(1));
        QCOMPARE(operation.loaded[0].orrinUrl().host(), host);
        QCOMPARE(operation.loaded[0].username(), user);
        QCOMPARE(operation.loaded[0].password(), password);
        QCOMPARE(recorder.lines(), QStringList{kFinished});
    } else {
        // Every missing column is reported, then the run ends without "Finished!".
        QCOMPARE(operation.listLoadedCount, 0);
        QCOMPARE(recorder.lines(), errors);
    }
}

void TestAbstractOperation::entriesKeepValuesAndUsePort8601()
{
    ListOperation operation;
    OperationRecorder recorder(&operation);
    operation.options().setCsvPath(writeCsv("host,username,password\n"
                                            " 127.0.7.2 , user ,\" p,w \"\n"
                                            "127.0.7.3:9000,u,p\n"
                                            " 127.0.7.2 , user ,\" p,w \"\n"
                                            ",,\n"));
    QVERIFY2(recorder.run(), qPrintable(recorder.lines().join(u'\n')));

    const std::vector<kelp::LoginData>& entries = operation.loaded;
    QCOMPARE(entries.size(), std::size_t(4));
    QCOMPARE(entries[0].orrinUrl().host(), QStringLiteral(" 127.0.7.2 "));
    QCOMPARE(entries[0].username(), QStringLiteral(" user "));
    QCOMPARE(entries[0].password(), QStringLiteral(" p,w "));
    QCOMPARE(entries[1].orrinUrl().host(), QStringLiteral("127.0.7.3:9000"));
    // A duplicate line is a second entry of its own, in file order.
    QCOMPARE(entries[2].orrinUrl(), entries[0].orrinUrl());
    QCOMPARE(entries[2].username(), entries[0].username());
    QVERIFY(entries[3].orrinUrl().host().isEmpty());
    for (const kelp::LoginData& entry : entries) {
        QCOMPARE(entry.orrinUrl().port(), quint16(8601));
    }
}

void TestAbstractOperation::csvSizeLimit_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("exactly 1 MiB") << 1048576 << true;
    QTest::newRow("one byte more") << 1048577 << false;
}

void TestAbstractOperation::csvSizeLimit()
{
    QFETCH(int, size);
    QFETCH(bool, accepted);

    // The password of the one data line fills the file to the size wanted.
    QByteArray csv("host,username,password\n127.0.7.4,u,");
    csv += QByteArray(size - csv.size() - 1, 'p') + '\n';
    QCOMPARE(csv.size(), size);

    ListOperation operation;
    OperationRecorder recorder(&operation);
    operation.options().setCsvPath(writeCsv(csv));
    QVERIFY2(recorder.run(), qPrintable(recorder.lines().join(u'\n')));

    QCOMPARE(recorder.finishedCount(), 1);
    if (accepted) {
        QCOMPARE(operation.loaded.size(), std::size_t(1));
        QCOMPARE(operation.loaded[0].password().size(), size - 36);
        QCOMPARE(recorder.lines(), QStringList{kFinished});
    } else {
        QCOMPARE(operation.listLoadedCount, 0);
        QCOMPARE(recorder.lines(), QStringList{QStringLiteral("ERROR: The CSV file is too big, the limit is 1MB")});
    }
}

void TestAbstractOperation::reportFileExistsWithoutWidgets()
{
    // No question can be asked without widgets: the file is opened as it is
    // and so emptied before the run's lines go in.
    const QString report = path(QStringLiteral("report.txt"));
    QVERIFY(writeFile(report, "a much longer report of an earlier run\n"));

    ListOperation operation;
    OperationRecorder recorder(&operation);
    operation.options().setReportPath(report);
    operation.options().setCsvPath(writeCsv("host,username,password\n127.0.7.5,u,p\n"));
    QVERIFY2(recorder.run(), qPrintable(recorder.lines().join(u'\n')));

    QCOMPARE(readFile(report), QByteArray("INFO: Finished!\n"));
}

void TestAbstractOperation::reportDirectoryMissing()
{
    const QString report = path(QStringLiteral("missing/report.txt"));
    ListOperation operation;
    OperationRecorder recorder(&operation);
    operation.options().setReportPath(report);
    operation.options().setCsvPath(writeCsv("host,username,password\n127.0.7.5,u,p\n"));
    QVERIFY2(recorder.run(), qPrintable(recorder.lines().join(u'\n')));

    QCOMPARE(recorder.lines(), QStringList{QStringLiteral("ERROR: Could not create report file.")});
    QCOMPARE(recorder.finishedCount(), 1);
    QCOMPARE(operation.listLoadedCount, 0);
    QVERIFY(!QFile::exists(report));

    // The same object runs again once the path is usable.
    const QString usable = path(QStringLiteral("report.txt"));
    operation.options().setReportPath(usable);
    recorder.clear();
    QVERIFY2(recorder.run(), qPrintable(recorder.lines().join(u'\n')));
    QCOMPARE(operation.listLoadedCount, 1);
    QCOMPARE(readFile(usable), QByteArray("INFO: Finished!\n"));
}

void TestAbstractOperation::reportHoldsEveryLineOfTheRun()
{
    const QString report = path(QStringLiteral("report.txt"));
    ListOperation operation;
    OperationRecorder recorder(&operation);
    operation.options().setReportPath(report);
    operation.options().setCsvPath(writeCsv("name,user\nh,u\n"));
    QVERIFY2(recorder.run(), qPrintable(recorder.lines().join(u'\n')));

    QCOMPARE(recorder.lines(), (QStringList{kHostMissing, kPasswordMissing}));
    QCOMPARE(readFile(report), (kHostMissing + '\n' + kPasswordMissing + '\n').toUtf8());
    // Closed at the end of the run: later messages do not reach it.
    emit operation.showMessage(QStringLiteral("after the run"));
    QCOMPARE(readFile(report), (kHostMissing + '\n' + kPasswordMissing + '\n').toUtf8());
}

void TestAbstractOperation::runWithoutReportWritesNothing()
{
    ListOperation operation;
    OperationRecorder recorder(&operation);
    operation.options().setCsvPath(writeCsv("host,username,password\n127.0.7.5,u,p\n"));
    QVERIFY2(recorder.run(), qPrintable(recorder.lines().join(u'\n')));
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::NoDotAndDotDot),
             QStringList{QStringLiteral("servers.csv")});
}

void TestAbstractOperation::signalsReachHandlersOnceAfterRestart()
{
    ListOperation operation;
    OperationRecorder recorder(&operation);
    operation.options().setCsvPath(writeCsv("host,username,password\n127.0.7.6,u,p\n"));
    QVERIFY2(recorder.run(), qPrintable(recorder.lines().join(u'\n')));
    QVERIFY2(recorder.run(), qPrintable(recorder.lines().join(u'\n')));
    QCOMPARE(operation.listLoadedCount, 2);

    // A third run that waits for the SDK: one disconnection event must give
    // one separator and one next step, not one per start.
    operation.hold = true;
    recorder.clear();
    operation.start();
    QTRY_COMPARE(operation.listLoadedCount, 3);
    emit m_manager->allServersDisconnected(7);
    QTRY_COMPARE(recorder.finishedCount(), 1);
    QCOMPARE(recorder.lines(), (QStringList{enginetest::separatorLine(), kFinished}));
    QCOMPARE(recorder.serverCount(), 1);
}

void TestAbstractOperation::loginErrorGoesToNextEntry()
{
    ListOperation operation;
    OperationRecorder recorder(&operation);
    operation.hold = true;
    operation.options().setCsvPath(writeCsv("host,username,password\n127.0.7.6,u,p\n"));
    operation.start();
    QTRY_COMPARE(operation.listLoadedCount, 1);

    const kelp::LoginError error(1, QStringLiteral("127.0.7.6"), 8601);
    emit m_manager->loginError(error);
    QTRY_COMPARE(recorder.finishedCount(), 1);
    QCOMPARE(recorder.lines(), (QStringList{QStringLiteral("ERROR: Login Error: ") + error.toString(),
                                            enginetest::separatorLine(), kFinished}));
}

void TestAbstractOperation::unknownOrEmptyGroupIsReportedAndDisconnected_data()
{
    QTest::addColumn<bool>("emptyGroup");
    QTest::newRow("unknown id") << false;
    QTest::newRow("group without servers") << true;
}

void TestAbstractOperation::unknownOrEmptyGroupIsReportedAndDisconnected()
{
    QFETCH(bool, emptyGroup);

    ListOperation operation;
    OperationRecorder recorder(&operation);
    EmptyGroup group;
    if (emptyGroup) {
        operation.setServerGroupLookup([&group](uint) { return &group; });
    }
    operation.hold = true;
    operation.options().setCsvPath(writeCsv("host,username,password\n127.0.7.6,u,p\n"));
    operation.start();
    QTRY_COMPARE(operation.listLoadedCount, 1);

    emit m_manager->allServersConnected(4294967295u);
    QCOMPARE(recorder.lines(), (QStringList{QStringLiteral("INFO: Connected"),
                                            QStringLiteral("ERROR: Invalid server group (4294967295)")}));
    // The disconnection asked for brings the run to the next entry.
    emit m_manager->allServersDisconnected(4294967295u);
    QTRY_COMPARE(recorder.finishedCount(), 1);
    QCOMPARE(recorder.lines().mid(2), (QStringList{enginetest::separatorLine(), kFinished}));
}

void TestAbstractOperation::idleOperationIgnoresSdkSignals()
{
    ListOperation operation;
    OperationRecorder recorder(&operation);
    // Before any run, cancel() does nothing visible.
    operation.cancel();
    operation.options().setCsvPath(writeCsv("host,username,password\n127.0.7.6,u,p\n"));
    QVERIFY2(recorder.run(), qPrintable(recorder.lines().join(u'\n')));
    recorder.clear();

    emit m_manager->allServersConnected(1);
    emit m_manager->loginError(kelp::LoginError(1, QStringLiteral("x"), 8601));
    emit m_manager->userConnectionTimedOut(1, 1);
    emit m_manager->allServersDisconnected(1);
    QCoreApplication::processEvents();
    QVERIFY2(recorder.lines().isEmpty(), qPrintable(recorder.lines().join(u'\n')));
    QCOMPARE(recorder.finishedCount(), 0);
}

QTEST_GUILESS_MAIN(TestAbstractOperation)

#include "tst_abstractoperation.moc"
