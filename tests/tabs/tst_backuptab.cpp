#include "engine/operationoptions.h"
#include "scriptedfiledialogs.h"
#include "tabs/backuptab.h"
#include "tabtestsupport.h"
#include "testsupport/testsettings.h"

#include <QComboBox>
#include <QDir>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSpacerItem>
#include <QStandardPaths>
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
    void formLayout_data();
    void formLayout();
    void formProperties();
    void toolTips();
    void firstStartWithoutStoredSettings();
    void storedSettingsAreLoaded_data();
    void storedSettingsAreLoaded();
    void settingsAreSavedAsTyped();
    void validation_data();
    void validation();
    void browseButtons_data();
    void browseButtons();
    void modeKeyDecides_data();
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

void TestBackupTab::formLayout_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expected");

    const QVector<QStringList> rows = {
        {"gridLayout_4", "QGridLayout", "top"},
        {"settingsGroupBox", "QGroupBox", "gridLayout_4(0,0)"},
        {"startStopGroupBox", "QGroupBox", "gridLayout_4(1,0)"},
        {"textEdit", "QTextEdit", "gridLayout_4(2,0)"},
        {"help_label", "QLabel", "gridLayout_3(0,0)"},
        {"line", "QFrame", "gridLayout_3(1,0)"},
        {"gridLayout", "QGridLayout", "gridLayout_3(2,0)"},
        {"horizontalLayout", "QHBoxLayout", "gridLayout_3(3,0)"},
        {"csvServerListLabel", "QLabel", "gridLayout(0,0)"},
        {"csvServerListLineEdit", "QLineEdit", "gridLayout(0,1)"},
        {"csvServerListButton", "QPushButton", "gridLayout(0,2)"},
        {"reportOutputLabel", "QLabel", "gridLayout(1,0)"},
        {"reportOutputLineEdit", "QLineEdit", "gridLayout(1,1)"},
        {"reportOutputButton", "QPushButton", "gridLayout(1,2)"},
        {"configOutputLabel", "QLabel", "gridLayout(2,0)"},
        {"configOutputLineEdit", "QLineEdit", "gridLayout(2,1)"},
        {"configOutputButton", "QPushButton", "gridLayout(2,2)"},
        {"namingConventionLabel", "QLabel", "horizontalLayout[0]"},
        {"modeComboBox", "QComboBox", "horizontalLayout[1]"},
        {"startButton", "QPushButton", "gridLayout_2(0,0)"},
        {"cancelButton", "QPushButton", "gridLayout_2(0,1)"},
    };
    for (const QStringList& row : rows) {
        QTest::newRow(qPrintable(row[0])) << row[0] << QString(row[1] + QStringLiteral(" at ") + row[2]);
    }
}

void TestBackupTab::formLayout()
{
    QFETCH(QString, name);
    QFETCH(QString, expected);

    const BackupTab tab(nullptr);
    QCOMPARE(tabtest::describeItem(&tab, name), expected);
}

void TestBackupTab::formProperties()
{
    const BackupTab tab(nullptr);
    QCOMPARE(tab.objectName(), QStringLiteral("BackupTab"));
    QCOMPARE(tab.size(), QSize(640, 480));
    QCOMPARE(tab.windowTitle(), QString());
    QVERIFY(tabtest::child<QGroupBox>(tab, "settingsGroupBox")->title().isEmpty());
    QVERIFY(tabtest::child<QGroupBox>(tab, "startStopGroupBox")->title().isEmpty());

    const auto* help = tabtest::child<QLabel>(tab, "help_label");
    QVERIFY(help->wordWrap());
    QCOMPARE(help->text(), QStringLiteral("This tool allows downloading of configuration files from multiple servers "
                                          "defined in a CSV (comma-separated values) file."));
    const auto* line = tabtest::child<QFrame>(tab, "line");
    QCOMPARE(line->frameShape(), QFrame::HLine);
    QCOMPARE(line->frameShadow(), QFrame::Sunken);

    QCOMPARE(tabtest::child<QLabel>(tab, "csvServerListLabel")->text(), QStringLiteral("CSV Server List:"));
    QCOMPARE(tabtest::child<QLabel>(tab, "reportOutputLabel")->text(), QStringLiteral("Report Output:"));
    QCOMPARE(tabtest::child<QLabel>(tab, "configOutputLabel")->text(), QStringLiteral("Output Directory:"));
    QCOMPARE(tabtest::child<QLabel>(tab, "namingConventionLabel")->text(), QStringLiteral("Naming Convention:"));
    for (const char* button : {"csvServerListButton", "reportOutputButton", "configOutputButton"}) {
        QCOMPARE(tabtest::child<QPushButton>(tab, button)->text(), QStringLiteral("..."));
    }
    QCOMPARE(tabtest::child<QLabel>(tab, "namingConventionLabel")->minimumSize(), QSize(80, 0));
    QCOMPARE(tabtest::child<QComboBox>(tab, "modeComboBox")->minimumSize(), QSize(140, 0));

    const auto* start = tabtest::child<QPushButton>(tab, "startButton");
    const auto* cancel = tabtest::child<QPushButton>(tab, "cancelButton");
    QCOMPARE(start->text(), QStringLiteral("Start"));
    QCOMPARE(cancel->text(), QStringLiteral("Cancel"));
    QVERIFY(!cancel->isEnabled());

    // The spacers: the one beside the combo keeps growing, the one beside the buttons expands.
    const auto* modeRow = tabtest::child<QHBoxLayout>(tab, "horizontalLayout");
    QCOMPARE(modeRow->count(), 3);
    const QSpacerItem* modeSpacer = modeRow->itemAt(2)->spacerItem();
    QVERIFY(modeSpacer);
    QCOMPARE(modeSpacer->sizeHint(), QSize(40, 20));
    QCOMPARE(modeSpacer->sizePolicy().horizontalPolicy(), QSizePolicy::MinimumExpanding);
    QCOMPARE(modeSpacer->sizePolicy().verticalPolicy(), QSizePolicy::Minimum);
    const auto* buttons = tabtest::child<QGridLayout>(tab, "gridLayout_2");
    QCOMPARE(buttons->count(), 3);
    const QSpacerItem* buttonSpacer = buttons->itemAtPosition(0, 2)->spacerItem();
    QVERIFY(buttonSpacer);
    QCOMPARE(buttonSpacer->sizeHint(), QSize(40, 20));
    QCOMPARE(buttonSpacer->sizePolicy().horizontalPolicy(), QSizePolicy::Expanding);
    QCOMPARE(buttonSpacer->sizePolicy().verticalPolicy(), QSizePolicy::Minimum);

    QCOMPARE(tabtest::logViewSetUp(tabtest::child<QTextEdit>(tab, "textEdit")),
             QStringLiteral("undo off, interaction 0, empty, Cantarell 11pt weight 50 upright"));

    const auto* mode = tabtest::child<QComboBox>(tab, "modeComboBox");
    QCOMPARE(mode->count(), 3);
    const QStringList texts = {QStringLiteral("Server Name"), QStringLiteral("IP/Host"), QStringLiteral("Both")};
    const QStringList keys = {QStringLiteral("ServerName"), QStringLiteral("IPHost"), QStringLiteral("Both")};
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(mode->itemText(i), texts[i]);
        QCOMPARE(mode->itemData(i, Qt::UserRole), QVariant(keys[i]));
        QVERIFY(mode->itemIcon(i).isNull());
    }
}

void TestBackupTab::toolTips()
{
    const BackupTab tab(nullptr);
    const auto shared = [&tab](std::initializer_list<const char*> names) {
        QString toolTip;
        for (const char* name : names) {
            const QString own = tabtest::child<QWidget>(tab, name)->toolTip();
            if (toolTip.isNull()) {
                toolTip = own;
            } else if (own != toolTip) {
                qWarning("%s has a tooltip of its own", name);
                return QString();
            }
        }
        return toolTip;
    };

    const QString csv = shared({"csvServerListLabel", "csvServerListLineEdit", "csvServerListButton"});
    QVERIFY(csv.startsWith(QStringLiteral("The CSV file should contain at least 3 columns. The first row should be "
                                          "headers for each column, as follows:<br/><blockquote>host,username,"
                                          "password</blockquote><br/>The following rows are then just the entries "
                                          "for each server, username, and password. The host entry can be a hostname "
                                          "or IP address, for example:<br/><blockquote>")));
    QVERIFY(csv.endsWith(QStringLiteral("</blockquote>")));
    // The example row: an IPv4 address, a user name and a one-character password.
    const QString example = csv.section(QStringLiteral("<blockquote>"), 2).chopped(13);
    QVERIFY2(QRegularExpression(QStringLiteral("^\\d+\\.\\d+\\.\\d+\\.\\d+,\\w+,.$")).match(example).hasMatch(),
             qPrintable(example));

    QCOMPARE(shared({"reportOutputLabel", "reportOutputLineEdit", "reportOutputButton"}),
             QStringLiteral("The optional report file is a location where the operation will write a report to detail "
                            "the results of the operation. The path can be left empty if no report is required."));
    QCOMPARE(shared({"configOutputLabel", "configOutputLineEdit", "configOutputButton"}),
             QStringLiteral("This is the directory (or folder) to which the configuration files will be saved."));
    QCOMPARE(shared({"namingConventionLabel", "modeComboBox"}),
             QStringLiteral("Detemines how the saved configuration files should be named. The choices "
                            "are:<ul><li><em>Server Name</em> - e.g. \"My Server.conf\"</li><li><em>IP/Host</em> - "
                            "e.g. \"192.168.0.1.conf\"</li><li><em>Both</em> - e.g. \"My "
                            "Server-192.168.0.1.conf\"</li></ul>"));
    QVERIFY(tabtest::child<QWidget>(tab, "help_label")->toolTip().isEmpty());
    QVERIFY(tabtest::child<QWidget>(tab, "startButton")->toolTip().isEmpty());
}

void TestBackupTab::firstStartWithoutStoredSettings()
{
    const BackupTab tab(nullptr);
    for (const char* name : {"csvServerListLineEdit", "reportOutputLineEdit", "configOutputLineEdit"}) {
        QVERIFY2(tabtest::child<QLineEdit>(tab, name)->text().isEmpty(), name);
    }
    QCOMPARE(tabtest::child<QLineEdit>(tab, "csvServerListLineEdit")->styleSheet(), kRed);
    QCOMPARE(tabtest::child<QLineEdit>(tab, "configOutputLineEdit")->styleSheet(), kRed);
    QCOMPARE(tabtest::child<QLineEdit>(tab, "reportOutputLineEdit")->styleSheet(), QString());
    QVERIFY(!tabtest::child<QPushButton>(tab, "startButton")->isEnabled());
    QVERIFY(!tabtest::child<QPushButton>(tab, "cancelButton")->isEnabled());
    QVERIFY(tabtest::child<QGroupBox>(tab, "settingsGroupBox")->isEnabled());
    QCOMPARE(tabtest::child<QComboBox>(tab, "modeComboBox")->currentText(), QStringLiteral("Server Name"));

    const OperationOptions& options = tab.options();
    QCOMPARE(options.namingMode(), qint32(NamingMode::ServerName));
    QVERIFY(options.csvPath().isEmpty());
    QVERIFY(options.reportPath().isEmpty());
    QVERIFY(options.outputDirectory().isEmpty());
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

    const BackupTab tab(nullptr);
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

    const BackupTab next(nullptr);
    QCOMPARE(tabtest::child<QLineEdit>(next, "csvServerListLineEdit")->text(), typedCsv);
    QCOMPARE(tabtest::child<QLineEdit>(next, "reportOutputLineEdit")->text(), typedReport);
    QCOMPARE(tabtest::child<QComboBox>(next, "modeComboBox")->currentText(), QStringLiteral("Both"));
    QCOMPARE(next.options().namingMode(), qint32(NamingMode::Both));
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

void TestBackupTab::browseButtons_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("edit");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<int>("options");

    const int none = 0;
    const int directory = int(QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks);
    QTest::newRow("csv") << "csvServerListButton"
                         << "csvServerListLineEdit"
                         << "open"
                         << "Open CSV File"
                         << "*.csv" << none;
    QTest::newRow("report") << "reportOutputButton"
                            << "reportOutputLineEdit"
                            << "save"
                            << "Set Report File Name" << QString() << none;
    QTest::newRow("output directory") << "configOutputButton"
                                      << "configOutputLineEdit"
                                      << "directory"
                                      << "Open Directory" << QString() << directory;
}

void TestBackupTab::browseButtons()
{
    QFETCH(QString, button);
    QFETCH(QString, edit);
    QFETCH(QString, kind);
    QFETCH(QString, caption);
    QFETCH(QString, filter);
    QFETCH(int, options);

    const QString csv = m_dir.filePath(QStringLiteral("chosen.csv"));
    tabtest::writeFile(csv, "host,username,password\n");
    tabtest::store(QStringLiteral("backup_paths"), QStringLiteral("last_csv_path"), csv);
    tabtest::store(QStringLiteral("backup_paths"), QStringLiteral("last_report_path"),
                   m_dir.filePath(QStringLiteral("old report.txt")));
    tabtest::store(QStringLiteral("backup_paths"), QStringLiteral("config_output_path"), m_dir.path());

    BackupTab tab(nullptr);
    auto script = std::make_shared<ScriptedFileDialogs::Script>();
    tab.setFileDialogs(std::make_unique<ScriptedFileDialogs>(script));
    auto* lineEdit = tab.findChild<QLineEdit*>(edit);
    auto* start = tabtest::child<QPushButton>(tab, "startButton");
    QVERIFY(start->isEnabled());

    // A chosen path with a blank at its end: the field shows it, the options get it trimmed.
    const QString answer = (kind == QLatin1String("directory") ? m_dir.path() : csv) + QStringLiteral(" ");
    script->answers = QStringList{answer, QString()};
    QTest::mouseClick(tab.findChild<QPushButton*>(button), Qt::LeftButton);
    QCOMPARE(lineEdit->text(), answer);
    QCOMPARE(script->calls.size(), 1);
    const ScriptedFileDialogs::Call call = script->calls.first();
    QCOMPARE(call.kind, kind);
    QCOMPARE(call.parent, static_cast<QWidget*>(&tab));
    QCOMPARE(call.caption, caption);
    QCOMPARE(call.directory, QStandardPaths::displayName(QStandardPaths::DocumentsLocation));
    QCOMPARE(call.filter, filter);
    QCOMPARE(int(call.options), options);
    const OperationOptions& opts = tab.options();
    const QString stored = kind == QLatin1String("open")   ? opts.csvPath()
                           : kind == QLatin1String("save") ? opts.reportPath()
                                                           : opts.outputDirectory();
    QCOMPARE(stored, answer.trimmed());

    // Cancelling empties the field; an empty CSV or output path blocks Start, an empty report path does not.
    QTest::mouseClick(tab.findChild<QPushButton*>(button), Qt::LeftButton);
    QVERIFY(lineEdit->text().isEmpty());
    const bool validated = kind != QLatin1String("save");
    QCOMPARE(lineEdit->styleSheet(), validated ? kRed : QString());
    QCOMPARE(start->isEnabled(), !validated);
}

void TestBackupTab::modeKeyDecides_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("namingMode");
    QTest::addColumn<QString>("storedKey");

    QTest::newRow("server name") << 0 << int(NamingMode::ServerName) << QStringLiteral("ServerName");
    QTest::newRow("ip/host") << 1 << int(NamingMode::IPHost) << QStringLiteral("IPHost");
    QTest::newRow("both") << 2 << int(NamingMode::Both) << QStringLiteral("Both");
}

void TestBackupTab::modeKeyDecides()
{
    QFETCH(int, index);
    QFETCH(int, namingMode);
    QFETCH(QString, storedKey);

    BackupTab tab(nullptr);
    auto* combo = tabtest::child<QComboBox>(tab, "modeComboBox");
    // Starting from another item, so every row changes the index.
    combo->setCurrentIndex((index + 1) % 3);
    // The shown text plays no part: a renamed item still selects by its key.
    combo->setItemText(index, QStringLiteral("Renamed"));
    combo->setCurrentIndex(index);
    QCOMPARE(tab.options().namingMode(), namingMode);
    tab.saveSettings();
    QCOMPARE(tabtest::stored(QStringLiteral("backup_options"), QStringLiteral("mode")).toString(), storedKey);
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
