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
    void oneRunAtATimeAndClosingDuringARun();
    void germanPages();

private:
    testsupport::TestSettings m_settings;
    QTemporaryDir m_dir;
};

// First, as only the window opens the SDK. While a page runs, the other page's
// Start is disabled and says why, its form stays editable; when the run ends,
// Start follows that page's checks again. A window closed during a run closes
// at once, stores its geometry and both pages' settings, and the next window
// comes back where it was. The server only answers while the test waits: what
// is checked between a click and the next wait sees the run in progress.
void TestMainWindow::oneRunAtATimeAndClosingDuringARun()
{
    testsupport::FleetFixture fleet;
    QFile csv(m_dir.filePath("servers.csv"));
    QVERIFY(fleet.addServer("alpha", "127.0.12.31", "[General]\nname=alpha\n"));
    QVERIFY(csv.open(QIODevice::WriteOnly) && csv.write(testsupport::FleetFixture::serverList({"127.0.12.31"})) > 0);
    csv.close();

    auto window = std::make_unique<MainWindow>();
    kelp::KelpSDK* sdk = kelp::KelpSDK::instance();
    QVERIFY2(sdk && kelp::PublicKeyChecker::isForceDisabled(), "the SDK is not open, or it checks server keys");
    QCOMPARE(sdk->userConfig()->fileName(), m_settings.configHome() + "/Brindlowe/quorlan.conf");
    QCOMPARE(sdk->logFilePath(), m_settings.dataHome() + "/Brindlowe/quorlan/kelpsdk.log");
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    QWidget* const push = window->findChild<PushConfigTab*>();
    QWidget* const backup = window->findChild<BackupTab*>();
    QTest::keyClicks(push->findChild<QLineEdit*>("csvServerListLineEdit"), csv.fileName());
    QTest::keyClicks(push->findChild<QLineEdit*>("configFileLineEdit"), csv.fileName());
    QTest::keyClicks(backup->findChild<QLineEdit*>("csvServerListLineEdit"), csv.fileName());
    QTest::keyClicks(backup->findChild<QLineEdit*>("configOutputLineEdit"), m_dir.path());
    const auto* status = window->findChild<QLabel*>("runStatusLabel");
    // The status bar's text, then the page's run control.
    const auto controls = [status](QWidget* tab) {
        const auto* button = tab->findChild<QPushButton*>("startButton");
        return QString("%1 | start %2 settings %3 '%4'")
            .arg(status->text())
            .arg(button->isEnabled())
            .arg(tab->findChild<QWidget*>("settingsGroupBox")->isEnabled())
            .arg(button->toolTip());
    };
    const QString blocked = "Reading the server list... | start 0 settings 1 'A run is in progress on the other tab.'";

    QTest::mouseClick(backup->findChild<QPushButton*>("startButton"), Qt::LeftButton);
    QCOMPARE(controls(push), blocked);
    QTRY_COMPARE(controls(push), QString("Finished: 1 succeeded, 0 failed | start 1 settings 1 ''"));

    QTest::mouseClick(push->findChild<QPushButton*>("startButton"), Qt::LeftButton);
    QCOMPARE(controls(backup), blocked);
    QTest::keyClick(backup->findChild<QLineEdit*>("configOutputLineEdit"), Qt::Key_Backspace);
    const QRect geometry(140, 90, 901, 699);
    window->setGeometry(geometry);
    QVERIFY2(window->close(), "closing was refused during a run");
    const auto stored = [sdk](const char* key, const char* group) { return sdk->userConfig()->getOption(key, group); };
    QCOMPARE(stored("last_csv_path", "pushconfig_paths").toString(), csv.fileName());
    QCOMPARE(stored("config_output_path", "backup_paths").toString(), m_dir.path().chopped(1));
    QCOMPARE(stored("mainwin_geometry", "geometry").toRect(), geometry);
    window.reset();
    QCOMPARE(MainWindow().geometry(), geometry);
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
