#include "engine/operationoptions.h"
#include "tabs/pushconfigtab.h"
#include "tabtestsupport.h"
#include "testsupport/testsettings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
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
    void storedSettingsAreLoaded_data();
    void storedSettingsAreLoaded();
    void settingsAreSavedAsTyped();
    void preserveBoxesEditTheSet();
    void modeKeyDecides();
    void validation_data();
    void validation();

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

QTEST_MAIN(TestPushConfigTab)
#include "tst_pushconfigtab.moc"
