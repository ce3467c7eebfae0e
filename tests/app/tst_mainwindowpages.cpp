#include "app/mainwindow.h"
#include "engine/operationoptions.h"
#include "sdk/translator.h"
#include "tabs/backuptab.h"
#include "tabs/pushconfigtab.h"
#include "tabtestsupport.h"
#include "testsupport/fleetfixture.h"
#include "testsupport/testsettings.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QtTest>

class TestMainWindowPages : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void opensOnPushAndNeverShowsThePlaceholders();
    void germanWindow();
    void closingDuringARun();

private:
    static QTabWidget* tabWidget(const MainWindow& window);

    testsupport::TestSettings m_settings;
    QTemporaryDir m_dir;
};

QTabWidget* TestMainWindowPages::tabWidget(const MainWindow& window)
{
    auto* tabs = window.findChild<QTabWidget*>(QStringLiteral("tabWidget"));
    if (!tabs) {
        qFatal("the window has no tab widget");
    }
    return tabs;
}

void TestMainWindowPages::initTestCase()
{
    QVERIFY(m_dir.isValid());
    // The window opens the SDK itself; opened here too so that settings can be cleared before the first window.
    tabtest::openSdk();
}

void TestMainWindowPages::init()
{
    tabtest::clearStoredSettings();
}

void TestMainWindowPages::opensOnPushAndNeverShowsThePlaceholders()
{
    MainWindow window;
    QTabWidget* tabs = tabWidget(window);
    QCOMPARE(tabs->count(), 2);
    QCOMPARE(tabs->currentIndex(), 0);
    QCOMPARE(tabs->tabText(0), QStringLiteral("Push"));
    QCOMPARE(tabs->tabText(1), QStringLiteral("Backup"));
    QVERIFY(qobject_cast<PushConfigTab*>(tabs->widget(0)));
    QVERIFY(qobject_cast<BackupTab*>(tabs->widget(1)));
    // The pages belong to the tab widget, each exactly once.
    QCOMPARE(window.findChildren<PushConfigTab*>().size(), 1);
    QCOMPARE(window.findChildren<BackupTab*>().size(), 1);

    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(tabs->currentWidget(), tabs->widget(0));
    QVERIFY(tabs->currentWidget()->isVisible());
    for (const QWidget* page : window.findChildren<QWidget*>()) {
        if (page->objectName() == QLatin1String("tab_1") || page->objectName() == QLatin1String("tab_2")) {
            QVERIFY2(!page->isVisible(), "a placeholder page is shown");
        }
    }
    for (int i = 0; i < tabs->tabBar()->count(); ++i) {
        QVERIFY(tabs->tabBar()->tabText(i) != QLatin1String("Dummy"));
    }
}

void TestMainWindowPages::germanWindow()
{
    kelp::Translator* translator = kelp::Translator::instance();
    translator->addModule(QStringLiteral("quorlan"), QStringLiteral(QUORLAN_TRANSLATIONS_DIR), true);
    translator->setLocale(QLocale(QLocale::German, QLocale::Germany));
    const auto english = qScopeGuard([translator] { translator->setLocale(QLocale(QLocale::English)); });

    const QString csv = m_dir.filePath(QStringLiteral("no-columns.csv"));
    tabtest::writeFile(csv, "name\nalpha\n");
    tabtest::store(QStringLiteral("backup_paths"), QStringLiteral("last_csv_path"), csv);
    tabtest::store(QStringLiteral("backup_paths"), QStringLiteral("config_output_path"), m_dir.path());

    MainWindow window;
    QTabWidget* tabs = tabWidget(window);
    QCOMPARE(window.windowTitle(), QStringLiteral("Quorlan"));
    QCOMPARE(tabs->tabText(0), QStringLiteral("Verteilen"));
    QCOMPARE(tabs->tabText(1), QStringLiteral("Sicherung"));

    auto* backup = window.findChild<BackupTab*>();
    QCOMPARE(backup->findChild<QLabel*>(QStringLiteral("configOutputLabel"))->text(),
             QStringLiteral("Ausgabeverzeichnis:"));
    QCOMPARE(backup->findChild<QComboBox*>(QStringLiteral("modeComboBox"))->itemText(1), QStringLiteral("IP/Host"));
    QCOMPARE(backup->findChild<QPushButton*>(QStringLiteral("startButton"))->text(), QStringLiteral("Starten"));

    QTest::mouseClick(backup->findChild<QPushButton*>(QStringLiteral("startButton")), Qt::LeftButton);
    auto* cancel = backup->findChild<QPushButton*>(QStringLiteral("cancelButton"));
    QTRY_VERIFY2(!cancel->isEnabled(), "the run did not end");
    // The prefix is fixed; the message is the operation's, translated.
    QCOMPARE(tabtest::logLines(backup->findChild<QTextEdit*>(QStringLiteral("textEdit"))).first(),
             QStringLiteral("ERROR: Keine Spalte für Hostname/IP-Adresse in der CSV-Datei"));
}

// Last: the SDK still holds the session of the run that the window left behind.
void TestMainWindowPages::closingDuringARun()
{
    testsupport::FleetFixture fleet;
    sim::Faults slow;
    slow.answerDelayMs = 200;
    const QString serverConfig = QStringLiteral("[General]\nname=late\n");
    QVERIFY(fleet.addServer(QStringLiteral("late"), QStringLiteral("127.0.9.31"), serverConfig, slow));
    const QString csv = m_dir.filePath(QStringLiteral("closing.csv"));
    const QString snippet = m_dir.filePath(QStringLiteral("closing.conf"));
    tabtest::writeFile(csv, QString(QStringLiteral("host,username,password\n127.0.9.31,") +
                                    testsupport::FleetFixture::defaultUser() + QLatin1Char(',') +
                                    testsupport::FleetFixture::defaultPassword() + QLatin1Char('\n'))
                                .toUtf8());
    tabtest::writeFile(snippet, "[General]\nname=pushed\n");
    tabtest::store(QStringLiteral("pushconfig_paths"), QStringLiteral("last_csv_path"), csv);
    tabtest::store(QStringLiteral("pushconfig_paths"), QStringLiteral("last_config_path"), snippet);

    auto window = std::make_unique<MainWindow>();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    auto* push = window->findChild<PushConfigTab*>();
    QTest::mouseClick(push->findChild<QPushButton*>(QStringLiteral("startButton")), Qt::LeftButton);
    const QTextEdit* log = push->findChild<QTextEdit*>(QStringLiteral("textEdit"));
    QTRY_VERIFY(tabtest::logLines(log).contains(QStringLiteral("INFO: Connected")));
    QVERIFY(push->findChild<QPushButton*>(QStringLiteral("cancelButton"))->isEnabled());

    // Typed during the run is impossible (the settings are locked), so change
    // the backup tab, which is idle, to see its settings stored too.
    auto* backup = window->findChild<BackupTab*>();
    QTest::keyClicks(backup->findChild<QLineEdit*>(QStringLiteral("configOutputLineEdit")), m_dir.path());
    const QRect geometry = window->geometry();
    QVERIFY2(window->close(), "closing was refused during a run");
    QVERIFY(!window->isVisible());
    QCOMPARE(tabtest::stored(QStringLiteral("geometry"), QStringLiteral("mainwin_geometry")).toRect(), geometry);
    QCOMPARE(tabtest::stored(QStringLiteral("pushconfig_paths"), QStringLiteral("last_csv_path")).toString(), csv);
    QCOMPARE(tabtest::stored(QStringLiteral("backup_paths"), QStringLiteral("config_output_path")).toString(),
             m_dir.path());

    // The window, its tabs and their operations go while the server is still answering.
    window.reset();
    QTRY_VERIFY(!fleet.events(QStringLiteral("late"), sim::ServerEvent::Kind::Lock).isEmpty());
    // The server answers the lock request only after its delay, when nothing
    // is left to receive the answer; it must reach no deleted operation.
    QTest::qWait(2 * slow.answerDelayMs);
    QCOMPARE(fleet.configText(QStringLiteral("late")), serverConfig);

    const MainWindow next;
    QCOMPARE(next.findChild<PushConfigTab*>()->options().csvPath(), csv);
}

QTEST_MAIN(TestMainWindowPages)
#include "tst_mainwindowpages.moc"
