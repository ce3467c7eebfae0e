#include "sdk/connectionmanager.h"
#include "sdk/kelpsdk.h"
#include "tabs/backuptab.h"
#include "tabs/pushconfigtab.h"
#include "tabtestsupport.h"
#include "testsupport/fleetfixture.h"
#include "testsupport/testsettings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QtTest>

using testsupport::FleetFixture;

namespace {
const QString kSeparator = QStringLiteral("INFO: ----------------------------------------------------------");

QString readText(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QStringLiteral("<unreadable>");
}

QStringList fileNames(const QString& directory)
{
    return QDir(directory).entryList(QDir::Files, QDir::Name);
}

// One CSV line per server; the password of `wrongPasswordFor` is not the one it accepts.
QByteArray csvFor(const QStringList& addresses, const QString& wrongPasswordFor = QString())
{
    QByteArray csv = "host,username,password\n";
    for (const QString& address : addresses) {
        const QString password =
            address == wrongPasswordFor ? QStringLiteral("not-the-password") : FleetFixture::defaultPassword();
        csv += QString(address + QLatin1Char(',') + FleetFixture::defaultUser() + QLatin1Char(',') + password +
                       QLatin1Char('\n'))
                   .toUtf8();
    }
    return csv;
}
} // namespace

// Both jobs driven through their tabs, as a user clicks them, against the
// in-process simulated fleet on 127.0.9.x.
class TestTabRuns : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void backupRun();
    void pushRun();
    void cancelDuringARun();

private:
    static bool waitForEndOfRun(const QWidget& tab);

    testsupport::TestSettings m_settings;
    QTemporaryDir m_dir;
};

bool TestTabRuns::waitForEndOfRun(const QWidget& tab)
{
    auto* cancel = tabtest::child<QPushButton>(tab, "cancelButton");
    for (int i = 0; i < 300 && cancel->isEnabled(); ++i) {
        QTest::qWait(50);
    }
    return !cancel->isEnabled();
}

void TestTabRuns::initTestCase()
{
    QVERIFY(m_dir.isValid());
    tabtest::openSdk();
}

void TestTabRuns::init()
{
    tabtest::clearStoredSettings();
}

void TestTabRuns::backupRun()
{
    FleetFixture fleet;
    const QString alphaConfig = QStringLiteral("[General]\nname=alpha\n[Licence]\nkey=A-1\n");
    const QString gammaConfig = QStringLiteral("[General]\nname=gamma\n[Network]\nip=10.0.0.3");
    QVERIFY(fleet.addServer(QStringLiteral("alpha"), QStringLiteral("127.0.9.1"), alphaConfig));
    QVERIFY(fleet.addServer(QStringLiteral("beta"), QStringLiteral("127.0.9.2"), QStringLiteral("[General]\n")));
    QVERIFY(fleet.addServer(QStringLiteral("gamma"), QStringLiteral("127.0.9.3"), gammaConfig));

    const QString csv = m_dir.filePath(QStringLiteral("backup.csv"));
    tabtest::writeFile(csv,
                       csvFor({QStringLiteral("127.0.9.1"), QStringLiteral("127.0.9.2"), QStringLiteral("127.0.9.3")},
                              QStringLiteral("127.0.9.2")));
    const QString output = m_dir.filePath(QStringLiteral("backups"));
    QVERIFY(QDir().mkpath(output));
    const QString report = m_dir.filePath(QStringLiteral("backup-report.txt"));

    BackupTab tab(nullptr);
    tab.show();
    QTest::keyClicks(tabtest::child<QLineEdit>(tab, "csvServerListLineEdit"), csv);
    QTest::keyClicks(tabtest::child<QLineEdit>(tab, "configOutputLineEdit"), output + QStringLiteral(" "));
    QTest::keyClicks(tabtest::child<QLineEdit>(tab, "reportOutputLineEdit"), report);
    // The typed blank keeps Start off until it is gone.
    QVERIFY(!tabtest::child<QPushButton>(tab, "startButton")->isEnabled());
    QTest::keyClick(tabtest::child<QLineEdit>(tab, "configOutputLineEdit"), Qt::Key_End);
    QTest::keyClick(tabtest::child<QLineEdit>(tab, "configOutputLineEdit"), Qt::Key_Backspace);
    tabtest::child<QComboBox>(tab, "modeComboBox")->setCurrentIndex(2);
    QVERIFY(tabtest::child<QPushButton>(tab, "startButton")->isEnabled());

    const QStringList expected{
        QStringLiteral("INFO: Connecting to 127.0.9.1..."),
        QStringLiteral("INFO: Connected"),
        QStringLiteral("INFO: Saving as: ") + output + QStringLiteral("/alpha-127.0.9.1.conf"),
        kSeparator,
        QStringLiteral("INFO: Connecting to 127.0.9.2..."),
        QStringLiteral("ERROR: Login Error: Invalid username or password. Server: 127.0.9.2, port: 8601"),
        kSeparator,
        QStringLiteral("INFO: Connecting to 127.0.9.3..."),
        QStringLiteral("INFO: Connected"),
        QStringLiteral("INFO: Saving as: ") + output + QStringLiteral("/gamma-127.0.9.3.conf"),
        kSeparator,
        QStringLiteral("INFO: Finished!"),
    };
    auto* log = tabtest::child<QTextEdit>(tab, "textEdit");

    QTest::mouseClick(tabtest::child<QPushButton>(tab, "startButton"), Qt::LeftButton);
    QVERIFY2(waitForEndOfRun(tab), "the backup did not end");
    QCOMPARE(tabtest::logLines(log), expected);
    QCOMPARE(fileNames(output),
             QStringList({QStringLiteral("alpha-127.0.9.1.conf"), QStringLiteral("gamma-127.0.9.3.conf")}));
    QCOMPARE(readText(output + QStringLiteral("/alpha-127.0.9.1.conf")), alphaConfig);
    QCOMPARE(readText(output + QStringLiteral("/gamma-127.0.9.3.conf")), gammaConfig);
    QCOMPARE(readText(report), expected.join(QLatin1Char('\n')) + QLatin1Char('\n'));

    QVERIFY(tabtest::child<QGroupBox>(tab, "settingsGroupBox")->isEnabled());
    QVERIFY(tabtest::child<QPushButton>(tab, "startButton")->isEnabled());
}

void TestTabRuns::pushRun()
{
    FleetFixture fleet;
    const QString serverConfig =
        QStringLiteral("[General]\nname=%1\n[Licence]\nkey=L-%1\n[Network]\nip=%2\n[User1]\nname=old\n");
    QVERIFY(fleet.addServer(QStringLiteral("north"), QStringLiteral("127.0.9.11"),
                            serverConfig.arg(QStringLiteral("north"), QStringLiteral("10.0.0.11"))));
    sim::Faults locked;
    locked.lockError = QStringLiteral("the configuration is read-only");
    QVERIFY(fleet.addServer(QStringLiteral("east"), QStringLiteral("127.0.9.12"),
                            serverConfig.arg(QStringLiteral("east"), QStringLiteral("10.0.0.12")), locked));
    QVERIFY(fleet.addServer(QStringLiteral("south"), QStringLiteral("127.0.9.13"),
                            serverConfig.arg(QStringLiteral("south"), QStringLiteral("10.0.0.13"))));

    const QString csv = m_dir.filePath(QStringLiteral("push.csv"));
    tabtest::writeFile(
        csv, csvFor({QStringLiteral("127.0.9.11"), QStringLiteral("127.0.9.12"), QStringLiteral("127.0.9.13")}));
    const QString snippet = m_dir.filePath(QStringLiteral("snippet.conf"));
    tabtest::writeFile(snippet, "[Licence]\nkey=NEW\n[User2]\nname=new\n");

    PushConfigTab tab(nullptr);
    tab.show();
    QTest::keyClicks(tabtest::child<QLineEdit>(tab, "csvServerListLineEdit"), csv);
    QTest::keyClicks(tabtest::child<QLineEdit>(tab, "configFileLineEdit"), snippet);
    // Replace, keeping each server's network section but not its licence, then restart.
    QTest::mouseClick(tabtest::child<QCheckBox>(tab, "licenceCheckBox"), Qt::LeftButton);
    QTest::mouseClick(tabtest::child<QCheckBox>(tab, "restartServerCheckBox"), Qt::LeftButton);
    tabtest::child<QComboBox>(tab, "modeComboBox")->setCurrentIndex(1);

    QTest::mouseClick(tabtest::child<QPushButton>(tab, "startButton"), Qt::LeftButton);
    QVERIFY2(waitForEndOfRun(tab), "the push did not end");

    const QStringList pushed = {
        QStringLiteral("INFO: Connected"),
        QStringLiteral("INFO: Configuration locked"),
        QStringLiteral("INFO: Pushing configuration to server..."),
        QStringLiteral("INFO: Released configuration lock"),
        QStringLiteral("INFO: Restarting server"),
        kSeparator,
    };
    const QStringList lines = tabtest::logLines(tabtest::child<QTextEdit>(tab, "textEdit"));
    QCOMPARE(lines.mid(0, 7), QStringList{QStringLiteral("INFO: Connecting to 127.0.9.11...")} + pushed);
    QCOMPARE(lines.value(7), QStringLiteral("INFO: Connecting to 127.0.9.12..."));
    QCOMPARE(lines.value(8), QStringLiteral("INFO: Connected"));
    QVERIFY2(lines.value(9).startsWith(QStringLiteral("ERROR: Config Error: ")) &&
                 lines.value(9).contains(locked.lockError),
             qPrintable(lines.value(9)));
    QCOMPARE(lines.value(10), kSeparator);
    QCOMPARE(lines.mid(11), QStringList{QStringLiteral("INFO: Connecting to 127.0.9.13...")} + pushed +
                                QStringList{QStringLiteral("INFO: Finished!")});

    for (const QString& name : {QStringLiteral("north"), QStringLiteral("south")}) {
        const QString text = fleet.configText(name);
        QVERIFY2(text.contains(QStringLiteral("[Network]\nip=10.0.0.")), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("[Licence]\nkey=NEW\n[User2]\nname=new")), qPrintable(text));
        QVERIFY2(!text.contains(QStringLiteral("[General]")) && !text.contains(QStringLiteral("[User1]")),
                 qPrintable(text));
        QCOMPARE(fleet.events(name, sim::ServerEvent::Kind::Restart).size(), 1);
    }
    QCOMPARE(fleet.configText(QStringLiteral("east")),
             serverConfig.arg(QStringLiteral("east"), QStringLiteral("10.0.0.12")));
    QVERIFY(fleet.events(QStringLiteral("east"), sim::ServerEvent::Kind::Save).isEmpty());
}

void TestTabRuns::cancelDuringARun()
{
    FleetFixture fleet;
    sim::Faults slow;
    slow.answerDelayMs = 150;
    const QStringList addresses = {QStringLiteral("127.0.9.21"), QStringLiteral("127.0.9.22"),
                                   QStringLiteral("127.0.9.23"), QStringLiteral("127.0.9.24")};
    for (int i = 0; i < addresses.size(); ++i) {
        QVERIFY(
            fleet.addServer(QStringLiteral("slow%1").arg(i + 1), addresses[i], QStringLiteral("[General]\n"), slow));
    }
    const QString csv = m_dir.filePath(QStringLiteral("cancel.csv"));
    tabtest::writeFile(csv, csvFor(addresses));
    const QString output = m_dir.filePath(QStringLiteral("cancelled"));
    QVERIFY(QDir().mkpath(output));
    tabtest::store(QStringLiteral("backup_paths"), QStringLiteral("last_csv_path"), csv);
    tabtest::store(QStringLiteral("backup_paths"), QStringLiteral("config_output_path"), output);

    BackupTab tab(nullptr);
    tab.show();
    auto* log = tabtest::child<QTextEdit>(tab, "textEdit");
    auto* cancel = tabtest::child<QPushButton>(tab, "cancelButton");
    QTest::mouseClick(tabtest::child<QPushButton>(tab, "startButton"), Qt::LeftButton);
    QTRY_COMPARE(tabtest::logLines(log).first(), QStringLiteral("INFO: Connecting to 127.0.9.21..."));
    QTest::mouseClick(cancel, Qt::LeftButton);
    // The buttons wait for the end of the run.
    QVERIFY(cancel->isEnabled());
    QVERIFY(!tabtest::child<QPushButton>(tab, "startButton")->isEnabled());
    QVERIFY2(waitForEndOfRun(tab), "the cancelled backup did not end");

    // The server in progress is completed; no other server is contacted.
    const QStringList lines = tabtest::logLines(log);
    QCOMPARE(lines.size(), 5);
    QCOMPARE(lines.value(1), QStringLiteral("INFO: Connected"));
    QCOMPARE(lines.value(2), QStringLiteral("INFO: Saving as: ") + output + QStringLiteral("/slow1.conf"));
    QCOMPARE(lines.value(3), kSeparator);
    QCOMPARE(lines.value(4), QStringLiteral("INFO: Finished!"));
    QCOMPARE(fileNames(output), QStringList{QStringLiteral("slow1.conf")});
    for (int i = 2; i <= 4; ++i) {
        QVERIFY2(!fleet.wasContacted(QStringLiteral("slow%1").arg(i)), "a server after the cancel was contacted");
    }
    QVERIFY(tabtest::child<QPushButton>(tab, "startButton")->isEnabled());
}

QTEST_MAIN(TestTabRuns)
#include "tst_tabruns.moc"
