#include "engine/operationoptions.h"
#include "tabs/backuptab.h"
#include "tabtestsupport.h"
#include "testsupport/testsettings.h"

#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QtTest>

namespace {
const QString kRed = QStringLiteral("border-color: red");
const QString kGrey = QStringLiteral("border-color: #606063");
} // namespace

class TestBackupTab : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void storedSettingsAreLoaded_data();
    void storedSettingsAreLoaded();
    void settingsAreSavedAsTyped();
    void validation_data();
    void validation();
    void modeKeyDecides();
    void runEndingBeforeTheFirstServer();
    void logViewKeepsUpWithManyLines();
    void startIsEnabledAfterARunEvenWhenTheCsvVanished();

private:
    testsupport::TestSettings m_settings;
    QTemporaryDir m_dir;
};

void TestBackupTab::initTestCase()
{
    QVERIFY(m_dir.isValid());
    tabtest::openSdk();
}

void TestBackupTab::init()
{
    tabtest::clearStoredSettings();
}

void TestBackupTab::storedSettingsAreLoaded_data()
{
    QTest::addColumn<QString>("storedMode");
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("namingMode");

    QTest::newRow("server name") << QStringLiteral("ServerName") << 0 << int(NamingMode::ServerName);
    QTest::newRow("ip/host") << QStringLiteral("IPHost") << 1 << int(NamingMode::IPHost);
    QTest::newRow("both") << QStringLiteral("Both") << 2 << int(NamingMode::Both);
    QTest::newRow("key of another version") << QStringLiteral("HostOnly") << 0 << int(NamingMode::ServerName);
    QTest::newRow("translated text, not a key") << QStringLiteral("IP/Host") << 0 << int(NamingMode::ServerName);
    QTest::newRow("key in other case") << QStringLiteral("iphost") << 0 << int(NamingMode::ServerName);
}

void TestBackupTab::storedSettingsAreLoaded()
{
    QFETCH(QString, storedMode);
    QFETCH(int, index);
    QFETCH(int, namingMode);

    const QString csv = m_dir.filePath(QStringLiteral("servers.csv"));
    tabtest::writeFile(csv, "host,username,password\n");
    const QString padded = QStringLiteral("  ") + csv + QStringLiteral(" ");
    tabtest::store(QStringLiteral("backup_paths"), QStringLiteral("last_csv_path"), csv);
    tabtest::store(QStringLiteral("backup_paths"), QStringLiteral("last_report_path"), padded);
    tabtest::store(QStringLiteral("backup_paths"), QStringLiteral("config_output_path"), m_dir.path());
    tabtest::store(QStringLiteral("backup_options"), QStringLiteral("mode"), storedMode);

    BackupTab tab(nullptr);
    QCOMPARE(tabtest::child<QLineEdit>(tab, "csvServerListLineEdit")->text(), csv);
    QCOMPARE(tabtest::child<QLineEdit>(tab, "reportOutputLineEdit")->text(), padded);
    QCOMPARE(tabtest::child<QLineEdit>(tab, "configOutputLineEdit")->text(), m_dir.path());
    QCOMPARE(tabtest::child<QComboBox>(tab, "modeComboBox")->currentIndex(), index);
    QCOMPARE(tabtest::child<QLineEdit>(tab, "csvServerListLineEdit")->styleSheet(), kGrey);
    QCOMPARE(tabtest::child<QLineEdit>(tab, "configOutputLineEdit")->styleSheet(), kGrey);
    QVERIFY(tabtest::child<QPushButton>(tab, "startButton")->isEnabled());

    const OperationOptions& options = tab.options();
    QCOMPARE(options.csvPath(), csv);
    QCOMPARE(options.reportPath(), csv);
    QCOMPARE(options.outputDirectory(), m_dir.path());
    QCOMPARE(options.namingMode(), namingMode);
    // A key this version does not know is replaced by the key of the item shown.
    tab.saveSettings();
    QCOMPARE(tabtest::stored(QStringLiteral("backup_options"), QStringLiteral("mode")).toString(),
             QStringList({QStringLiteral("ServerName"), QStringLiteral("IPHost"), QStringLiteral("Both")}).at(index));
}

void TestBackupTab::settingsAreSavedAsTyped()
{
    const QString typedCsv = m_dir.filePath(QStringLiteral("servers.csv")) + QStringLiteral(" ");
    const QString typedReport = QStringLiteral(" ") + m_dir.filePath(QStringLiteral("report.txt"));
    {
        BackupTab tab(nullptr);
        QTest::keyClicks(tabtest::child<QLineEdit>(tab, "csvServerListLineEdit"), typedCsv);
        QTest::keyClicks(tabtest::child<QLineEdit>(tab, "reportOutputLineEdit"), typedReport);
        QTest::keyClicks(tabtest::child<QLineEdit>(tab, "configOutputLineEdit"), m_dir.path());
        tabtest::child<QComboBox>(tab, "modeComboBox")->setCurrentIndex(2);
        QCOMPARE(tab.options().csvPath(), typedCsv.trimmed());
        QCOMPARE(tab.options().reportPath(), typedReport.trimmed());
        tab.saveSettings();
    }
    QCOMPARE(tabtest::stored(QStringLiteral("backup_paths"), QStringLiteral("last_csv_path")).toString(), typedCsv);
    QCOMPARE(tabtest::stored(QStringLiteral("backup_paths"), QStringLiteral("last_report_path")).toString(),
             typedReport);
    QCOMPARE(tabtest::stored(QStringLiteral("backup_paths"), QStringLiteral("config_output_path")).toString(),
             m_dir.path());
    QCOMPARE(tabtest::stored(QStringLiteral("backup_options"), QStringLiteral("mode")).toString(),
             QStringLiteral("Both"));
}

void TestBackupTab::validation_data()
{
    QTest::addColumn<QString>("csvText");
    QTest::addColumn<QString>("outputText");
    QTest::addColumn<bool>("csvValid");
    QTest::addColumn<bool>("outputValid");

    const QString csv = m_dir.filePath(QStringLiteral("valid.csv"));
    tabtest::writeFile(csv, "host,username,password\n");
    const QString dir = m_dir.path();
    const QString missing = m_dir.filePath(QStringLiteral("missing"));

    QTest::newRow("nothing typed") << QString() << QString() << false << false;
    QTest::newRow("both usable") << csv << dir << true << true;
    QTest::newRow("directory as csv") << dir << dir << true << true;
    QTest::newRow("missing csv") << missing << dir << false << true;
    QTest::newRow("csv with trailing blank") << csv + QStringLiteral(" ") << dir << false << true;
    QTest::newRow("output with trailing blank") << csv << dir + QStringLiteral("  ") << true << false;
    QTest::newRow("blank output") << csv << QString() << true << false;
    QTest::newRow("missing output") << csv << missing << true << false;
    QTest::newRow("file as output") << csv << csv << true << false;
}

void TestBackupTab::validation()
{
    QFETCH(QString, csvText);
    QFETCH(QString, outputText);
    QFETCH(bool, csvValid);
    QFETCH(bool, outputValid);

    BackupTab tab(nullptr);
    auto* csvEdit = tabtest::child<QLineEdit>(tab, "csvServerListLineEdit");
    auto* outputEdit = tabtest::child<QLineEdit>(tab, "configOutputLineEdit");
    QTest::keyClicks(csvEdit, csvText);
    QTest::keyClicks(outputEdit, outputText);

    QCOMPARE(csvEdit->styleSheet(), csvValid ? kGrey : kRed);
    QCOMPARE(outputEdit->styleSheet(), outputValid ? kGrey : kRed);
    QCOMPARE(tabtest::child<QPushButton>(tab, "startButton")->isEnabled(), csvValid && outputValid);
    QCOMPARE(tab.options().csvPath(), csvText.trimmed());
    QCOMPARE(tab.options().outputDirectory(), outputText.trimmed());
}

void TestBackupTab::modeKeyDecides()
{
    BackupTab tab(nullptr);
    auto* combo = tabtest::child<QComboBox>(tab, "modeComboBox");
    // The shown text plays no part: a renamed item still selects by its key.
    combo->setItemText(1, QStringLiteral("Both"));
    combo->setCurrentIndex(1);
    QCOMPARE(tab.options().namingMode(), qint32(NamingMode::IPHost));
    tab.saveSettings();
    QCOMPARE(tabtest::stored(QStringLiteral("backup_options"), QStringLiteral("mode")).toString(),
             QStringLiteral("IPHost"));
}

void TestBackupTab::runEndingBeforeTheFirstServer()
{
    // No usable column: the run reports and ends without contacting anyone.
    const QString csv = m_dir.filePath(QStringLiteral("columns.csv"));
    tabtest::writeFile(csv, "name,address\nalpha,127.0.9.1\n");
    tabtest::store(QStringLiteral("backup_paths"), QStringLiteral("last_csv_path"), csv);
    tabtest::store(QStringLiteral("backup_paths"), QStringLiteral("config_output_path"), m_dir.path());

    BackupTab tab(nullptr);
    auto* settings = tabtest::child<QGroupBox>(tab, "settingsGroupBox");
    auto* start = tabtest::child<QPushButton>(tab, "startButton");
    auto* cancel = tabtest::child<QPushButton>(tab, "cancelButton");
    auto* log = tabtest::child<QTextEdit>(tab, "textEdit");
    const QStringList expected = {QStringLiteral("ERROR: No column in CSV for hostname/IP address"),
                                  QStringLiteral("ERROR: No column in CSV for username"),
                                  QStringLiteral("ERROR: No column in CSV for password")};

    for (int run = 0; run < 2; ++run) {
        QTest::mouseClick(start, Qt::LeftButton);
        QVERIFY(!settings->isEnabled());
        QVERIFY(!start->isEnabled());
        QVERIFY(cancel->isEnabled());
        QTRY_VERIFY2(!cancel->isEnabled(), "the run did not end");
        QVERIFY(settings->isEnabled());
        QVERIFY(start->isEnabled());
        // The second run's log holds only its own lines.
        QCOMPARE(tabtest::logLines(log), expected);
        // Lines arriving in a burst are painted together, soon after.
        QTRY_VERIFY2(log->updatesEnabled(), "the log view is never painted again");
    }
}

void TestBackupTab::logViewKeepsUpWithManyLines()
{
    BackupTab tab(nullptr);
    tab.show();
    QVERIFY(QTest::qWaitForWindowExposed(&tab));
    auto* log = tabtest::child<QTextEdit>(tab, "textEdit");
    QScrollBar* bar = log->verticalScrollBar();

    for (int i = 0; i < 300; ++i) {
        if (i % 3 == 2) {
            tab.handleShowError(QStringLiteral("line %1").arg(i));
        } else {
            tab.handleShowMessage(QStringLiteral("line %1").arg(i));
        }
    }
    // Every line is in the view at once, in order, one paragraph each.
    const QStringList lines = tabtest::logLines(log);
    QCOMPARE(lines.size(), 300);
    QCOMPARE(lines.value(0), QStringLiteral("INFO: line 0"));
    QCOMPARE(lines.value(2), QStringLiteral("ERROR: line 2"));
    QCOMPARE(lines.value(299), QStringLiteral("ERROR: line 299"));
    // Shown soon after, scrolled to the last line.
    QTRY_VERIFY2(log->updatesEnabled(), "the log view is never painted again");
    QVERIFY2(bar->maximum() > 0, "300 lines fit into the view");
    QCOMPARE(bar->value(), bar->maximum());

    // A reader who scrolled up stays where he is while lines come in.
    bar->setValue(0);
    tab.handleShowMessage(QStringLiteral("one more"));
    QTRY_VERIFY(log->updatesEnabled());
    QCOMPARE(bar->value(), 0);
    QCOMPARE(tabtest::logLines(log).size(), 301);
}

void TestBackupTab::startIsEnabledAfterARunEvenWhenTheCsvVanished()
{
    const QString csv = m_dir.filePath(QStringLiteral("vanishing.csv"));
    tabtest::writeFile(csv, "host\n");
    tabtest::store(QStringLiteral("backup_paths"), QStringLiteral("last_csv_path"), csv);
    tabtest::store(QStringLiteral("backup_paths"), QStringLiteral("config_output_path"), m_dir.path());

    BackupTab tab(nullptr);
    auto* start = tabtest::child<QPushButton>(tab, "startButton");
    auto* csvEdit = tabtest::child<QLineEdit>(tab, "csvServerListLineEdit");
    QTest::mouseClick(start, Qt::LeftButton);
    QVERIFY(QFile::remove(csv));
    QTRY_VERIFY2(!tabtest::child<QPushButton>(tab, "cancelButton")->isEnabled(), "the run did not end");

    QVERIFY(start->isEnabled());
    QCOMPARE(csvEdit->styleSheet(), kGrey);
    // The next change of any setting validates again.
    tabtest::child<QComboBox>(tab, "modeComboBox")->setCurrentIndex(1);
    QVERIFY(!start->isEnabled());
    QCOMPARE(csvEdit->styleSheet(), kRed);
}

QTEST_MAIN(TestBackupTab)
#include "tst_backuptab.moc"
