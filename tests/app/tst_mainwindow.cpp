#include "app/mainwindow.h"
#include "app/startup.h"
#include "engine/operationoptions.h"
#include "sdk/kelpsdk.h"
#include "sdk/localuserconfig.h"
#include "sdk/publickeychecker.h"
#include "tabs/backuptab.h"
#include "tabs/pushconfigtab.h"
#include "testsupport/fleetfixture.h"
#include "testsupport/testsettings.h"

#include <QtTest>
#include <QtWidgets>

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void closingDuringARunStoresTheSettings();
    void oneRunAtATime();
    void germanPages();

private:
    // Starts a server at `address` that answers after 200 ms; returns the path of a CSV list of it.
    QString slowServer(testsupport::FleetFixture& fleet, const QString& address);

    testsupport::TestSettings m_settings;
    QTemporaryDir m_dir;
};

QString TestMainWindow::slowServer(testsupport::FleetFixture& fleet, const QString& address)
{
    sim::Faults slow;
    slow.answerDelayMs = 200;
    QFile csv(m_dir.filePath(address + ".csv"));
    const bool ready = fleet.addServer(address, address, "[General]\nname=slow\n", slow) &&
                       csv.open(QIODevice::WriteOnly) &&
                       csv.write(testsupport::FleetFixture::serverList({address})) > 0;
    return ready ? csv.fileName() : QString();
}

// First, as only the window opens the SDK. A push is under way when the window
// closes: it closes at once, stores its geometry and both tabs' settings, and
// the next window comes back where it was.
void TestMainWindow::closingDuringARunStoresTheSettings()
{
    testsupport::FleetFixture fleet;
    const QString csv = slowServer(fleet, "127.0.12.31");
    QVERIFY2(!csv.isEmpty(), "the slow server did not start");

    auto window = std::make_unique<MainWindow>();
    kelp::KelpSDK* sdk = kelp::KelpSDK::instance();
    QVERIFY2(sdk && kelp::PublicKeyChecker::isForceDisabled(), "the SDK is not open, or it checks server keys");
    QCOMPARE(sdk->userConfig()->fileName(), m_settings.configHome() + "/Brindlowe/quorlan.conf");
    QCOMPARE(sdk->logFilePath(), m_settings.dataHome() + "/Brindlowe/quorlan/kelpsdk.log");

    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    const auto* push = window->findChild<PushConfigTab*>();
    QTest::keyClicks(push->findChild<QLineEdit*>("csvServerListLineEdit"), csv);
    QTest::keyClicks(push->findChild<QLineEdit*>("configFileLineEdit"), csv);
    QTest::mouseClick(push->findChild<QPushButton*>("startButton"), Qt::LeftButton);
    QTRY_VERIFY(push->findChild<QTextEdit*>("textEdit")->toPlainText().contains("INFO: Connected"));
    QTest::keyClicks(window->findChild<BackupTab*>()->findChild<QLineEdit*>("configOutputLineEdit"), m_dir.path());
    const QRect geometry(140, 90, 901, 699);
    window->setGeometry(geometry);
    QVERIFY2(window->close(), "closing was refused during a run");
    const auto stored = [sdk](const char* key, const char* group) { return sdk->userConfig()->getOption(key, group); };
    QCOMPARE(stored("last_csv_path", "pushconfig_paths").toString(), csv);
    QCOMPARE(stored("config_output_path", "backup_paths").toString(), m_dir.path());
    QCOMPARE(stored("mainwin_geometry", "geometry").toRect(), geometry);
    window.reset();
    QCOMPARE(MainWindow().geometry(), geometry);
}

// While a page runs, the other page's Start is disabled and says why, its form
// stays editable; when the run ends, Start follows that page's checks again.
void TestMainWindow::oneRunAtATime()
{
    testsupport::FleetFixture fleet;
    const QString csv = slowServer(fleet, "127.0.12.32");
    QVERIFY2(!csv.isEmpty(), "the slow server did not start");
    kelp::LocalUserConfig* config = kelp::KelpSDK::instance()->userConfig();
    config->setOption("last_csv_path", csv, "pushconfig_paths");
    config->setOption("last_config_path", csv, "pushconfig_paths");
    config->setOption("last_csv_path", csv, "backup_paths");
    config->setOption("config_output_path", m_dir.path(), "backup_paths");
    MainWindow window;
    window.show();
    QWidget* tabs[] = {window.findChild<PushConfigTab*>(), window.findChild<BackupTab*>()};
    const auto start = [&tabs](int tab) {
        const auto* button = tabs[tab]->findChild<QPushButton*>("startButton");
        return QString("start %1 settings %2 '%3'")
            .arg(button->isEnabled())
            .arg(tabs[tab]->findChild<QWidget*>("settingsGroupBox")->isEnabled())
            .arg(button->toolTip());
    };
    const QString blocked = "start 0 settings 1 'A run is in progress on the other tab.'";
    const auto* status = window.findChild<QLabel*>("runStatusLabel");

    QTest::mouseClick(tabs[1]->findChild<QPushButton*>("startButton"), Qt::LeftButton);
    tabs[0]->findChild<QComboBox*>("modeComboBox")->setCurrentIndex(1);
    QCOMPARE(start(0), blocked);
    QTRY_COMPARE_WITH_TIMEOUT(start(0), QString("start 1 settings 1 ''"), 20000);
    QCOMPARE(status->text(), QString("Finished: 1 succeeded, 0 failed"));

    QTest::mouseClick(tabs[0]->findChild<QPushButton*>("startButton"), Qt::LeftButton);
    QTest::keyClick(tabs[1]->findChild<QLineEdit*>("configOutputLineEdit"), Qt::Key_Backspace);
    QCOMPARE(start(1), blocked);
    QTRY_VERIFY_WITH_TIMEOUT(!tabs[0]->findChild<QPushButton*>("cancelButton")->isEnabled(), 20000);
    QCOMPARE(start(1) + ", " + start(0), QString("start 0 settings 1 '', start 1 settings 1 ''"));
}

// Last: the translator and the default locale belong to the whole process.
void TestMainWindow::germanPages()
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    startup::prepareApplication(*qApp);
    kelp::KelpSDK::instance()->userConfig()->setOption("mode", "Replace", "pushconfig_options");

    const MainWindow window;
    const auto* tabs = window.findChild<QTabWidget*>("tabWidget");
    QCOMPARE(tabs->tabText(0) + '|' + tabs->tabText(1), QString("Verteilen|Sicherung"));
    // The item's key decides, though its text is translated.
    QCOMPARE(window.findChild<PushConfigTab*>()->options().pushMode(), 1);
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
