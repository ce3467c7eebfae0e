#include "engine/operationoptions.h"
#include "scriptedfiledialogs.h"
#include "tabs/pushconfigtab.h"
#include "tabtestsupport.h"
#include "testsupport/testsettings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpacerItem>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QtTest>

#include <set>

namespace {
const QString kRed = QStringLiteral("border-color: red");
const QString kGrey = QStringLiteral("border-color: #606063");
const QString kPaths = QStringLiteral("pushconfig_paths");
const QString kOptions = QStringLiteral("pushconfig_options");

using Kinds = std::set<QString>;
} // namespace

Q_DECLARE_METATYPE(Kinds)

class TestPushConfigTab : public QObject
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
    void preserveBoxesEditTheSet();
    void modeKeyDecides();
    void validation_data();
    void validation();
    void browseButtons_data();
    void browseButtons();
    void runEndingBeforeTheFirstServer();

private:
    testsupport::TestSettings m_settings;
    QTemporaryDir m_dir;
};

void TestPushConfigTab::initTestCase()
{
    QVERIFY(m_dir.isValid());
    tabtest::openSdk();
}

void TestPushConfigTab::init()
{
    tabtest::clearStoredSettings();
}

void TestPushConfigTab::formLayout_data()
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
        {"horizontalLayout_2", "QHBoxLayout", "gridLayout_3(3,0)"},
        {"horizontalLayout", "QHBoxLayout", "gridLayout_3(4,0)"},
        {"csvServerListLabel", "QLabel", "gridLayout(0,0)"},
        {"csvServerListLineEdit", "QLineEdit", "gridLayout(0,1)"},
        {"csvServerListButton", "QPushButton", "gridLayout(0,2)"},
        {"configFileLabel", "QLabel", "gridLayout(1,0)"},
        {"configFileLineEdit", "QLineEdit", "gridLayout(1,1)"},
        {"configFileButton", "QPushButton", "gridLayout(1,2)"},
        {"reportOutputLabel", "QLabel", "gridLayout(2,0)"},
        {"reportOutputLineEdit", "QLineEdit", "gridLayout(2,1)"},
        {"reportOutputButton", "QPushButton", "gridLayout(2,2)"},
        {"licenceCheckBox", "QCheckBox", "horizontalLayout_2[0]"},
        {"networkCheckBox", "QCheckBox", "horizontalLayout_2[1]"},
        {"restartServerCheckBox", "QCheckBox", "horizontalLayout_2[2]"},
        {"modeLabel", "QLabel", "horizontalLayout[0]"},
        {"modeComboBox", "QComboBox", "horizontalLayout[1]"},
        {"startButton", "QPushButton", "gridLayout_2(0,0)"},
        {"cancelButton", "QPushButton", "gridLayout_2(0,1)"},
    };
    for (const QStringList& row : rows) {
        QTest::newRow(qPrintable(row[0])) << row[0] << QString(row[1] + QStringLiteral(" at ") + row[2]);
    }
}

void TestPushConfigTab::formLayout()
{
    QFETCH(QString, name);
    QFETCH(QString, expected);

    const PushConfigTab tab(nullptr);
    QCOMPARE(tabtest::describeItem(&tab, name), expected);
}

void TestPushConfigTab::formProperties()
{
    const PushConfigTab tab(nullptr);
    QCOMPARE(tab.objectName(), QStringLiteral("PushConfigTab"));
    QCOMPARE(tab.size(), QSize(640, 480));
    QCOMPARE(tab.windowTitle(), QString());
    QVERIFY(tabtest::child<QGroupBox>(tab, "settingsGroupBox")->title().isEmpty());
    QVERIFY(tabtest::child<QGroupBox>(tab, "startStopGroupBox")->title().isEmpty());

    const auto* help = tabtest::child<QLabel>(tab, "help_label");
    QVERIFY(help->wordWrap());
    QCOMPARE(help->text(), QStringLiteral("This tool allows uploading of configuration files, or snippets of "
                                          "configuration, to multiple servers defined in a CSV (comma-separated "
                                          "values) file."));
    QCOMPARE(tabtest::child<QLabel>(tab, "csvServerListLabel")->text(), QStringLiteral("CSV Server List:"));
    QCOMPARE(tabtest::child<QLabel>(tab, "configFileLabel")->text(), QStringLiteral("Configuration File:"));
    QCOMPARE(tabtest::child<QLabel>(tab, "reportOutputLabel")->text(), QStringLiteral("Report Output:"));
    QCOMPARE(tabtest::child<QLabel>(tab, "modeLabel")->text(), QStringLiteral("Mode:"));
    for (const char* button : {"csvServerListButton", "configFileButton", "reportOutputButton"}) {
        QCOMPARE(tabtest::child<QPushButton>(tab, button)->text(), QStringLiteral("..."));
    }
    QCOMPARE(tabtest::child<QLabel>(tab, "modeLabel")->minimumWidth(), 80);
    QCOMPARE(tabtest::child<QComboBox>(tab, "modeComboBox")->minimumWidth(), 140);

    const auto* licence = tabtest::child<QCheckBox>(tab, "licenceCheckBox");
    const auto* network = tabtest::child<QCheckBox>(tab, "networkCheckBox");
    const auto* restart = tabtest::child<QCheckBox>(tab, "restartServerCheckBox");
    QCOMPARE(licence->text(), QStringLiteral("Preserve Existing Licence"));
    QCOMPARE(network->text(), QStringLiteral("Preserve Existing Network Settings"));
    QCOMPARE(restart->text(), QStringLiteral("Restart Servers"));

    QCOMPARE(tabtest::child<QPushButton>(tab, "startButton")->text(), QStringLiteral("Start"));
    QCOMPARE(tabtest::child<QPushButton>(tab, "cancelButton")->text(), QStringLiteral("Cancel"));

    const QVector<QPair<const char*, QSizePolicy::Policy>> spacers = {
        {"horizontalLayout_2", QSizePolicy::Expanding},
        {"horizontalLayout", QSizePolicy::MinimumExpanding},
    };
    for (const auto& spacer : spacers) {
        const auto* row = tabtest::child<QHBoxLayout>(tab, spacer.first);
        const QSpacerItem* item = row->itemAt(row->count() - 1)->spacerItem();
        QVERIFY2(item, spacer.first);
        QCOMPARE(item->sizeHint(), QSize(40, 20));
        QCOMPARE(item->sizePolicy().horizontalPolicy(), spacer.second);
        QCOMPARE(item->sizePolicy().verticalPolicy(), QSizePolicy::Minimum);
    }
    const QSpacerItem* buttonSpacer =
        tabtest::child<QGridLayout>(tab, "gridLayout_2")->itemAtPosition(0, 2)->spacerItem();
    QVERIFY(buttonSpacer);
    QCOMPARE(buttonSpacer->sizeHint(), QSize(40, 20));
    QCOMPARE(buttonSpacer->sizePolicy().horizontalPolicy(), QSizePolicy::Expanding);

    QCOMPARE(tabtest::logViewSetUp(tabtest::child<QTextEdit>(tab, "textEdit")),
             QStringLiteral("undo off, interaction 0, empty, Cantarell 11pt weight 50 upright"));

    const auto* mode = tabtest::child<QComboBox>(tab, "modeComboBox");
    QCOMPARE(mode->count(), 2);
    QCOMPARE(mode->itemText(0), QStringLiteral("Merge"));
    QCOMPARE(mode->itemData(0), QVariant(QStringLiteral("Merge")));
    QCOMPARE(mode->itemText(1), QStringLiteral("Replace"));
    QCOMPARE(mode->itemData(1), QVariant(QStringLiteral("Replace")));
}

void TestPushConfigTab::toolTips()
{
    const PushConfigTab tab(nullptr);
    const auto toolTipOf = [&tab](const char* name) { return tabtest::child<QWidget>(tab, name)->toolTip(); };

    for (const char* row : {"csvServerList", "configFile", "reportOutput"}) {
        const QString label = toolTipOf(qPrintable(QLatin1String(row) + QLatin1String("Label")));
        QVERIFY2(!label.isEmpty(), row);
        QCOMPARE(toolTipOf(qPrintable(QLatin1String(row) + QLatin1String("LineEdit"))), label);
        QCOMPARE(toolTipOf(qPrintable(QLatin1String(row) + QLatin1String("Button"))), label);
    }
    QVERIFY(toolTipOf("csvServerListLabel").startsWith(QStringLiteral("The CSV file should contain at least 3")));
    QVERIFY(toolTipOf("reportOutputLabel").startsWith(QStringLiteral("The optional report file is a location")));
    QCOMPARE(toolTipOf("configFileLabel"), QStringLiteral("The path to the configuration file or snippet to upload."));
    QCOMPARE(toolTipOf("modeLabel"), toolTipOf("modeComboBox"));
    QCOMPARE(toolTipOf("modeLabel"),
             QStringLiteral("Determines which mode to use when pushing configuration.<ul><li><em>Merge</em> - Any "
                            "configuration sections being pushed which match those already on the server will be "
                            "replaced. Any which already exist on the server but not in the sections being pushed will "
                            "be preserved. Any sections in the configuration being pushed which do not already exist "
                            "on the server will be appended.</li><li><em>Replace</em> - The entire configuration on "
                            "the server will be replaced with the one being pushed, with the potential exception of "
                            "the Network and Licence sections, depending on the options chosen for those.</li></ul>"));
    QCOMPARE(toolTipOf("licenceCheckBox"),
             QStringLiteral("Determines whether the existing licence (on the server) should be preserved, and not "
                            "overwritten by the configuration being uploaded."));
    QCOMPARE(toolTipOf("networkCheckBox"),
             QStringLiteral("Determines whether the existing network settings (on the server) should be preserved, and "
                            "not overwritten by the configuration being uploaded."));
    QCOMPARE(toolTipOf("restartServerCheckBox"),
             QStringLiteral("Determines whether the servers should be restarted after the configuration is pushed. "
                            "Some configuration changes require a server restart, so this is often necessary unless "
                            "uploading a small configuration snippet and wanting to avoid any down-time, even though "
                            "a restart is normally quite brief."));
}

void TestPushConfigTab::firstStartWithoutStoredSettings()
{
    const PushConfigTab tab(nullptr);
    for (const char* name : {"csvServerListLineEdit", "configFileLineEdit", "reportOutputLineEdit"}) {
        QVERIFY2(tabtest::child<QLineEdit>(tab, name)->text().isEmpty(), name);
    }
    QCOMPARE(tabtest::child<QLineEdit>(tab, "csvServerListLineEdit")->styleSheet(), kRed);
    QCOMPARE(tabtest::child<QLineEdit>(tab, "configFileLineEdit")->styleSheet(), kRed);
    QCOMPARE(tabtest::child<QLineEdit>(tab, "reportOutputLineEdit")->styleSheet(), QString());
    QVERIFY(tabtest::child<QCheckBox>(tab, "licenceCheckBox")->isChecked());
    QVERIFY(tabtest::child<QCheckBox>(tab, "networkCheckBox")->isChecked());
    QVERIFY(!tabtest::child<QCheckBox>(tab, "restartServerCheckBox")->isChecked());
    QCOMPARE(tabtest::child<QComboBox>(tab, "modeComboBox")->currentText(), QStringLiteral("Merge"));
    QVERIFY(!tabtest::child<QPushButton>(tab, "startButton")->isEnabled());
    QVERIFY(!tabtest::child<QPushButton>(tab, "cancelButton")->isEnabled());

    const OperationOptions& options = tab.options();
    QCOMPARE(options.preservedSections(), (Kinds{QStringLiteral("Licence"), QStringLiteral("Network")}));
    QVERIFY(!options.restartServers());
    QCOMPARE(options.pushMode(), qint32(PushMode::Merge));
}

void TestPushConfigTab::storedSettingsAreLoaded_data()
{
    QTest::addColumn<QVariant>("licence");
    QTest::addColumn<QVariant>("network");
    QTest::addColumn<QVariant>("restart");
    QTest::addColumn<QString>("mode");
    QTest::addColumn<Kinds>("kinds");
    QTest::addColumn<int>("pushMode");

    QTest::newRow("nothing kept, restart, replace") << QVariant(false) << QVariant(false) << QVariant(true)
                                                    << QStringLiteral("Replace") << Kinds{} << int(PushMode::Replace);
    QTest::newRow("licence only") << QVariant(true) << QVariant(false) << QVariant(false) << QStringLiteral("Merge")
                                  << Kinds{QStringLiteral("Licence")} << int(PushMode::Merge);
    QTest::newRow("network only, old mode key")
        << QVariant(false) << QVariant(true) << QVariant(false) << QStringLiteral("Overwrite")
        << Kinds{QStringLiteral("Network")} << int(PushMode::Merge);
    QTest::newRow("mode key in other case")
        << QVariant(true) << QVariant(true) << QVariant(false) << QStringLiteral("replace")
        << Kinds{QStringLiteral("Licence"), QStringLiteral("Network")} << int(PushMode::Merge);
}

void TestPushConfigTab::storedSettingsAreLoaded()
{
    QFETCH(QVariant, licence);
    QFETCH(QVariant, network);
    QFETCH(QVariant, restart);
    QFETCH(QString, mode);
    QFETCH(Kinds, kinds);
    QFETCH(int, pushMode);

    const QString csv = m_dir.filePath(QStringLiteral("servers.csv"));
    const QString config = m_dir.filePath(QStringLiteral("snippet.conf"));
    tabtest::writeFile(csv, "host,username,password\n");
    tabtest::writeFile(config, "");
    tabtest::store(kPaths, QStringLiteral("last_config_path"), QString(QStringLiteral(" ") + config));
    tabtest::store(kPaths, QStringLiteral("last_csv_path"), csv);
    tabtest::store(kPaths, QStringLiteral("last_report_path"), m_dir.filePath(QStringLiteral("report.txt")));
    tabtest::store(kOptions, QStringLiteral("preserve_licence"), licence);
    tabtest::store(kOptions, QStringLiteral("preserve_network"), network);
    tabtest::store(kOptions, QStringLiteral("restart_servers"), restart);
    tabtest::store(kOptions, QStringLiteral("mode"), mode);

    const PushConfigTab tab(nullptr);
    QCOMPARE(tabtest::child<QLineEdit>(tab, "configFileLineEdit")->text(), QStringLiteral(" ") + config);
    // Tested as stored: the leading blank makes the configuration path unusable.
    QCOMPARE(tabtest::child<QLineEdit>(tab, "configFileLineEdit")->styleSheet(), kRed);
    QCOMPARE(tabtest::child<QLineEdit>(tab, "csvServerListLineEdit")->styleSheet(), kGrey);
    QVERIFY(!tabtest::child<QPushButton>(tab, "startButton")->isEnabled());
    QCOMPARE(tabtest::child<QCheckBox>(tab, "licenceCheckBox")->isChecked(), licence.toBool());
    QCOMPARE(tabtest::child<QCheckBox>(tab, "networkCheckBox")->isChecked(), network.toBool());
    QCOMPARE(tabtest::child<QCheckBox>(tab, "restartServerCheckBox")->isChecked(), restart.toBool());
    QCOMPARE(tabtest::child<QComboBox>(tab, "modeComboBox")->currentIndex(), pushMode);

    const OperationOptions& options = tab.options();
    QCOMPARE(options.configFilePath(), config);
    QCOMPARE(options.csvPath(), csv);
    QCOMPARE(options.reportPath(), m_dir.filePath(QStringLiteral("report.txt")));
    QCOMPARE(options.preservedSections(), kinds);
    QCOMPARE(options.restartServers(), restart.toBool());
    QCOMPARE(options.pushMode(), pushMode);
}

void TestPushConfigTab::settingsAreSavedAsTyped()
{
    const QString typedCsv = m_dir.filePath(QStringLiteral("servers.csv")) + QStringLiteral("  ");
    const QString typedConfig = QStringLiteral("\t") + m_dir.filePath(QStringLiteral("snippet.conf"));
    {
        PushConfigTab tab(nullptr);
        QTest::keyClicks(tabtest::child<QLineEdit>(tab, "csvServerListLineEdit"), typedCsv);
        tabtest::child<QLineEdit>(tab, "configFileLineEdit")->setText(typedConfig);
        emit tabtest::child<QLineEdit>(tab, "configFileLineEdit")->textEdited(typedConfig);
        QTest::mouseClick(tabtest::child<QCheckBox>(tab, "licenceCheckBox"), Qt::LeftButton);
        QTest::mouseClick(tabtest::child<QCheckBox>(tab, "restartServerCheckBox"), Qt::LeftButton);
        tabtest::child<QComboBox>(tab, "modeComboBox")->setCurrentIndex(1);
        QCOMPARE(tab.options().csvPath(), typedCsv.trimmed());
        QCOMPARE(tab.options().configFilePath(), typedConfig.trimmed());
        tab.saveSettings();
    }
    QCOMPARE(tabtest::stored(kPaths, QStringLiteral("last_csv_path")).toString(), typedCsv);
    QCOMPARE(tabtest::stored(kPaths, QStringLiteral("last_config_path")).toString(), typedConfig);
    QCOMPARE(tabtest::stored(kPaths, QStringLiteral("last_report_path")).toString(), QString());
    QCOMPARE(tabtest::stored(kOptions, QStringLiteral("preserve_licence")).toBool(), false);
    QCOMPARE(tabtest::stored(kOptions, QStringLiteral("preserve_network")).toBool(), true);
    QCOMPARE(tabtest::stored(kOptions, QStringLiteral("restart_servers")).toBool(), true);
    QCOMPARE(tabtest::stored(kOptions, QStringLiteral("mode")).toString(), QStringLiteral("Replace"));

    const PushConfigTab next(nullptr);
    QCOMPARE(tabtest::child<QLineEdit>(next, "csvServerListLineEdit")->text(), typedCsv);
    QCOMPARE(tabtest::child<QLineEdit>(next, "configFileLineEdit")->text(), typedConfig);
    QVERIFY(!tabtest::child<QCheckBox>(next, "licenceCheckBox")->isChecked());
    QVERIFY(tabtest::child<QCheckBox>(next, "restartServerCheckBox")->isChecked());
    QCOMPARE(next.options().preservedSections(), Kinds{QStringLiteral("Network")});
    QVERIFY(next.options().restartServers());
    QCOMPARE(next.options().pushMode(), qint32(PushMode::Replace));
}

void TestPushConfigTab::preserveBoxesEditTheSet()
{
    PushConfigTab tab(nullptr);
    auto* licence = tabtest::child<QCheckBox>(tab, "licenceCheckBox");
    auto* network = tabtest::child<QCheckBox>(tab, "networkCheckBox");
    const Kinds both = {QStringLiteral("Licence"), QStringLiteral("Network")};

    QTest::mouseClick(licence, Qt::LeftButton);
    QCOMPARE(tab.options().preservedSections(), Kinds{QStringLiteral("Network")});
    QTest::mouseClick(network, Qt::LeftButton);
    QCOMPARE(tab.options().preservedSections(), Kinds{});
    QTest::mouseClick(network, Qt::LeftButton);
    QTest::mouseClick(licence, Qt::LeftButton);
    QCOMPARE(tab.options().preservedSections(), both);
    // A partial state counts as not checked.
    tab.slotLicenceCheckboxStateChanged(Qt::PartiallyChecked);
    QCOMPARE(tab.options().preservedSections(), Kinds{QStringLiteral("Network")});
    // Checking twice keeps one entry; removing an absent kind changes nothing.
    tab.slotLicenceCheckboxStateChanged(Qt::Checked);
    tab.slotLicenceCheckboxStateChanged(Qt::Checked);
    tab.slotNetworkCheckboxStateChanged(Qt::Unchecked);
    tab.slotNetworkCheckboxStateChanged(Qt::Unchecked);
    QCOMPARE(tab.options().preservedSections(), Kinds{QStringLiteral("Licence")});

    auto* restart = tabtest::child<QCheckBox>(tab, "restartServerCheckBox");
    QTest::mouseClick(restart, Qt::LeftButton);
    QVERIFY(tab.options().restartServers());
    QTest::mouseClick(restart, Qt::LeftButton);
    QVERIFY(!tab.options().restartServers());
}

void TestPushConfigTab::modeKeyDecides()
{
    PushConfigTab tab(nullptr);
    auto* combo = tabtest::child<QComboBox>(tab, "modeComboBox");
    // Swapped texts: the keys still decide.
    combo->setItemText(0, QStringLiteral("Replace"));
    combo->setItemText(1, QStringLiteral("Merge"));
    combo->setCurrentIndex(1);
    QCOMPARE(tab.options().pushMode(), qint32(PushMode::Replace));
    combo->setCurrentIndex(0);
    QCOMPARE(tab.options().pushMode(), qint32(PushMode::Merge));
    combo->setItemData(1, QStringLiteral("REPLACE"));
    combo->setCurrentIndex(1);
    QCOMPARE(tab.options().pushMode(), qint32(PushMode::Merge));
}

void TestPushConfigTab::validation_data()
{
    QTest::addColumn<QString>("csvText");
    QTest::addColumn<QString>("configText");
    QTest::addColumn<bool>("csvValid");
    QTest::addColumn<bool>("configValid");

    const QString csv = m_dir.filePath(QStringLiteral("valid.csv"));
    const QString config = m_dir.filePath(QStringLiteral("valid.conf"));
    tabtest::writeFile(csv, "host,username,password\n");
    tabtest::writeFile(config, "");
    const QString missing = m_dir.filePath(QStringLiteral("missing"));

    QTest::newRow("both usable") << csv << config << true << true;
    QTest::newRow("directory as configuration file") << csv << m_dir.path() << true << true;
    QTest::newRow("configuration with trailing blanks") << csv << config + QStringLiteral("  ") << true << false;
    QTest::newRow("csv with trailing blank") << csv + QStringLiteral(" ") << config << false << true;
    QTest::newRow("missing configuration") << csv << missing << true << false;
    QTest::newRow("both blank") << QString() << QString() << false << false;
}

void TestPushConfigTab::validation()
{
    QFETCH(QString, csvText);
    QFETCH(QString, configText);
    QFETCH(bool, csvValid);
    QFETCH(bool, configValid);

    PushConfigTab tab(nullptr);
    auto* csvEdit = tabtest::child<QLineEdit>(tab, "csvServerListLineEdit");
    auto* configEdit = tabtest::child<QLineEdit>(tab, "configFileLineEdit");
    QTest::keyClicks(csvEdit, csvText);
    QTest::keyClicks(configEdit, configText);

    QCOMPARE(csvEdit->styleSheet(), csvValid ? kGrey : kRed);
    QCOMPARE(configEdit->styleSheet(), configValid ? kGrey : kRed);
    QCOMPARE(tabtest::child<QPushButton>(tab, "startButton")->isEnabled(), csvValid && configValid);
    QCOMPARE(tab.options().configFilePath(), configText.trimmed());
    // Neither the check boxes nor the mode ever block a run.
    QTest::mouseClick(tabtest::child<QCheckBox>(tab, "licenceCheckBox"), Qt::LeftButton);
    tabtest::child<QComboBox>(tab, "modeComboBox")->setCurrentIndex(1);
    QCOMPARE(tabtest::child<QPushButton>(tab, "startButton")->isEnabled(), csvValid && configValid);
}

void TestPushConfigTab::browseButtons_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("edit");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("filter");

    QTest::newRow("configuration file") << "configFileButton"
                                        << "configFileLineEdit"
                                        << "open"
                                        << "Open Config File"
                                        << "*.*";
    QTest::newRow("csv") << "csvServerListButton"
                         << "csvServerListLineEdit"
                         << "open"
                         << "Open CSV File"
                         << "*.csv";
    QTest::newRow("report") << "reportOutputButton"
                            << "reportOutputLineEdit"
                            << "save"
                            << "Set Report File Name" << QString();
}

void TestPushConfigTab::browseButtons()
{
    QFETCH(QString, button);
    QFETCH(QString, edit);
    QFETCH(QString, kind);
    QFETCH(QString, caption);
    QFETCH(QString, filter);

    const QString csv = m_dir.filePath(QStringLiteral("chosen.csv"));
    const QString config = m_dir.filePath(QStringLiteral("chosen.conf"));
    tabtest::writeFile(csv, "host,username,password\n");
    tabtest::writeFile(config, "");
    tabtest::store(kPaths, QStringLiteral("last_csv_path"), csv);
    tabtest::store(kPaths, QStringLiteral("last_config_path"), config);

    PushConfigTab tab(nullptr);
    auto script = std::make_shared<ScriptedFileDialogs::Script>();
    tab.setFileDialogs(std::make_unique<ScriptedFileDialogs>(script));
    auto* lineEdit = tab.findChild<QLineEdit*>(edit);
    auto* start = tabtest::child<QPushButton>(tab, "startButton");
    QVERIFY(start->isEnabled());

    const QString answer = m_dir.filePath(QStringLiteral("answer.txt"));
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

    // Cancelled: the field and its option are emptied.
    QTest::mouseClick(tab.findChild<QPushButton*>(button), Qt::LeftButton);
    QCOMPARE(script->calls.size(), 2);
    QVERIFY(lineEdit->text().isEmpty());
    const OperationOptions& options = tab.options();
    const QString option = edit == QLatin1String("configFileLineEdit")      ? options.configFilePath()
                           : edit == QLatin1String("csvServerListLineEdit") ? options.csvPath()
                                                                            : options.reportPath();
    QVERIFY(option.isEmpty());
    const bool validated = kind == QLatin1String("open");
    QCOMPARE(lineEdit->styleSheet(), validated ? kRed : QString());
    QCOMPARE(start->isEnabled(), !validated);
}

void TestPushConfigTab::runEndingBeforeTheFirstServer()
{
    const QString csv = m_dir.filePath(QStringLiteral("header-only.csv"));
    const QString config = m_dir.filePath(QStringLiteral("snippet.conf"));
    tabtest::writeFile(csv, "Server,User\n");
    tabtest::writeFile(config, "");
    tabtest::store(kPaths, QStringLiteral("last_csv_path"), csv);
    tabtest::store(kPaths, QStringLiteral("last_config_path"), config);

    PushConfigTab tab(nullptr);
    auto* start = tabtest::child<QPushButton>(tab, "startButton");
    QTest::mouseClick(start, Qt::LeftButton);
    QVERIFY(!tabtest::child<QGroupBox>(tab, "settingsGroupBox")->isEnabled());
    QVERIFY(tabtest::child<QPushButton>(tab, "cancelButton")->isEnabled());
    QTRY_VERIFY2(!tabtest::child<QPushButton>(tab, "cancelButton")->isEnabled(), "the run did not end");
    QVERIFY(start->isEnabled());
    QVERIFY(tabtest::child<QGroupBox>(tab, "settingsGroupBox")->isEnabled());
    // A header line alone has no data rows, so no column is found.
    QCOMPARE(tabtest::logLines(tabtest::child<QTextEdit>(tab, "textEdit")),
             QStringList({QStringLiteral("ERROR: No column in CSV for hostname/IP address"),
                          QStringLiteral("ERROR: No column in CSV for username"),
                          QStringLiteral("ERROR: No column in CSV for password")}));
}

QTEST_MAIN(TestPushConfigTab)
#include "tst_pushconfigtab.moc"
