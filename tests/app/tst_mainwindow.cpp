#include "app/mainwindow.h"
#include "app/startup.h"
#include "sdk/kelpsdk.h"
#include "sdk/localuserconfig.h"
#include "sdk/publickeychecker.h"
#include "testsupport/testsettings.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QMenuBar>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QtTest>

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void applicationLook();
    void form();
    void sdkIsOpenAndKeyCheckOff();
    void geometryIsRestoredByTheNextWindow_data();
    void geometryIsRestoredByTheNextWindow();

private:
    testsupport::TestSettings m_settings;
};

void TestMainWindow::initTestCase()
{
    startup::prepareApplication(*qobject_cast<QApplication*>(QCoreApplication::instance()));
}

void TestMainWindow::applicationLook()
{
    QCOMPARE(qApp->styleSheet(),
             QStringLiteral("QWidget { background-color: #2B2E36; }QWidget { color: #DFEDE6; }QWidget:disabled { "
                            "color: #606063; }QComboBox { color: #DFEDE6 ;  padding: 1px 0px 1px 3px; }QLineEdit { "
                            "border: 2px solid #606063; }"));
    // With a style sheet set, the application's style wraps the one given to setStyle().
    const QStyle* style = QApplication::style();
    if (style->inherits("QStyleSheetStyle")) {
        style = style->findChild<const QStyle*>();
        QVERIFY2(style, "the style sheet style wraps no style");
    }
    QCOMPARE(QByteArray(style->metaObject()->className()), QByteArray("QFusionStyle"));
    QCOMPARE(startup::translationsPath(), QCoreApplication::applicationDirPath() + QStringLiteral("/translations"));
}

void TestMainWindow::form()
{
    MainWindow window;
    QCOMPARE(window.objectName(), QStringLiteral("MainWindow"));
    QCOMPARE(window.windowTitle(), QStringLiteral("Quorlan"));

    QWidget* central = window.centralWidget();
    QVERIFY(central);
    QCOMPARE(central->objectName(), QStringLiteral("centralwidget"));
    auto* grid = qobject_cast<QGridLayout*>(central->layout());
    QVERIFY2(grid, "the central widget has no grid layout");
    QCOMPARE(grid->objectName(), QStringLiteral("gridLayout"));
    QCOMPARE(grid->count(), 1);

    auto* tabs = window.findChild<QTabWidget*>(QStringLiteral("tabWidget"));
    QVERIFY(tabs);
    int row = -1, column = -1, rowSpan = -1, columnSpan = -1;
    grid->getItemPosition(grid->indexOf(tabs), &row, &column, &rowSpan, &columnSpan);
    QCOMPARE(QVector<int>({row, column, rowSpan, columnSpan}), QVector<int>({0, 0, 1, 1}));

    // The pages themselves are checked in tst_mainwindowpages.
    QCOMPARE(tabs->count(), 2);
    QCOMPARE(tabs->currentIndex(), 0);

    QCOMPARE(window.menuBar()->objectName(), QStringLiteral("menubar"));
    QVERIFY(window.menuBar()->actions().isEmpty());
    QCOMPARE(window.statusBar()->objectName(), QStringLiteral("statusbar"));
    QVERIFY(window.statusBar()->currentMessage().isEmpty());
}

void TestMainWindow::sdkIsOpenAndKeyCheckOff()
{
    const MainWindow window;
    kelp::KelpSDK* sdk = kelp::KelpSDK::instance();
    QVERIFY2(sdk, "the window did not open the SDK");
    QVERIFY(sdk->userConfig());
    QVERIFY(sdk->connectionManager());
    QVERIFY(kelp::PublicKeyChecker::isForceDisabled());

    QCOMPARE(sdk->userConfig()->fileName(), m_settings.configHome() + QStringLiteral("/Brindlowe/quorlan.conf"));
    const QString log = m_settings.dataHome() + QStringLiteral("/Brindlowe/quorlan/kelpsdk.log");
    QCOMPARE(sdk->logFilePath(), log);
    QVERIFY2(QFileInfo(log).size() > 0, "nothing was logged at start-up");
}

void TestMainWindow::geometryIsRestoredByTheNextWindow_data()
{
    QTest::addColumn<QRect>("geometry");
    QTest::newRow("ordinary") << QRect(140, 90, 901, 699);
    QTest::newRow("partly off screen") << QRect(-30, -12, 840, 620);
}

void TestMainWindow::geometryIsRestoredByTheNextWindow()
{
    QFETCH(QRect, geometry);

    {
        MainWindow window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.setGeometry(geometry);
        QCOMPARE(window.geometry(), geometry);
        QVERIFY(window.close());
    }
    const QVariant stored = kelp::KelpSDK::instance()->userConfig()->getOption(QStringLiteral("mainwin_geometry"),
                                                                               QStringLiteral("geometry"));
    QCOMPARE(stored.toRect(), geometry);

    const MainWindow next;
    QCOMPARE(next.geometry(), geometry);
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
