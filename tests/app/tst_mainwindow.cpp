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
    void germanPages();

private:
    testsupport::TestSettings m_settings;
    QTemporaryDir m_dir;
};

// First, as only the window opens the SDK. A push is under way when the window
// closes: it closes at once, stores its geometry and both tabs' settings, and
// the next window comes back where it was.
void TestMainWindow::closingDuringARunStoresTheSettings()
{
    testsupport::FleetFixture fleet;
    sim::Faults slow;
    slow.answerDelayMs = 200;
    QVERIFY(fleet.addServer("late", "127.0.12.31", "[General]\nname=late\n", slow));
    QFile csv(m_dir.filePath("closing.csv"));
    QVERIFY(csv.open(QIODevice::WriteOnly) && csv.write(testsupport::FleetFixture::serverList({"127.0.12.31"})) > 0);
    csv.close();

    auto window = std::make_unique<MainWindow>();
    kelp::KelpSDK* sdk = kelp::KelpSDK::instance();
    QVERIFY2(sdk && kelp::PublicKeyChecker::isForceDisabled(), "the SDK is not open, or it checks server keys");
    QCOMPARE(sdk->userConfig()->fileName(), m_settings.configHome() + "/Brindlowe/quorlan.conf");
    QCOMPARE(sdk->logFilePath(), m_settings.dataHome() + "/Brindlowe/quorlan/kelpsdk.log");

    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    const auto* push = window->findChild<PushConfigTab*>();
    QTest::keyClicks(push->findChild<QLineEdit*>("csvServerListLineEdit"), csv.fileName());
    QTest::keyClicks(push->findChild<QLineEdit*>("configFileLineEdit"), csv.fileName());
    QTest::mouseClick(push->findChild<QPushButton*>("startButton"), Qt::LeftButton);
    QTRY_VERIFY(push->findChild<QTextEdit*>("textEdit")->toPlainText().contains("INFO: Connected"));
    QTest::keyClicks(window->findChild<BackupTab*>()->findChild<QLineEdit*>("configOutputLineEdit"), m_dir.path());
    const QRect geometry(140, 90, 901, 699);
    window->setGeometry(geometry);
    QVERIFY2(window->close(), "closing was refused during a run");
    const auto stored = [sdk](const char* key, const char* group) { return sdk->userConfig()->getOption(key, group); };
    QCOMPARE(stored("last_csv_path", "pushconfig_paths").toString(), csv.fileName());
    QCOMPARE(stored("config_output_path", "backup_paths").toString(), m_dir.path());
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
    QCOMPARE(tabs->currentIndex(), 0);
    QVERIFY(qobject_cast<BackupTab*>(tabs->widget(1)));
    // The item's key decides, though its text is translated.
    QCOMPARE(qobject_cast<PushConfigTab*>(tabs->widget(0))->options().pushMode(), 1);
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
