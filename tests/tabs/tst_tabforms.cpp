// The forms of both tabs side by side: where every widget sits, the texts a
// user reads, and how the browse buttons ask for a path.

#include "engine/operationoptions.h"
#include "scriptedfiledialogs.h"
#include "tabs/backuptab.h"
#include "tabs/pushconfigtab.h"
#include "tabtestsupport.h"
#include "testsupport/testsettings.h"

#include <QComboBox>
#include <QLayout>
#include <QLineEdit>
#include <QMetaProperty>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpacerItem>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QtTest>

namespace {
const QString kRed = QStringLiteral("border-color: red");
const QString kCsvToolTipStart =
    QStringLiteral("The CSV file should contain at least 3 columns. The first row should be headers for each column, "
                   "as follows:<br/><blockquote>host,username,password</blockquote><br/>The following rows are then "
                   "just the entries for each server, username, and password. The host entry can be a hostname or IP "
                   "address, for example:<br/><blockquote>");
const QString kReportToolTip =
    QStringLiteral("The optional report file is a location where the operation will write a report to detail the "
                   "results of the operation. The path can be left empty if no report is required.");
const QString kLogView = QStringLiteral("undo off, interaction 0, empty, Cantarell 11pt weight 50 upright");

std::unique_ptr<QWidget> makeTab(const QString& which)
{
    if (which == QLatin1String("backup")) {
        return std::make_unique<BackupTab>(nullptr);
    }
    return std::make_unique<PushConfigTab>(nullptr);
}

const OperationOptions& optionsOf(const QWidget& tab)
{
    if (const auto* backup = qobject_cast<const BackupTab*>(&tab)) {
        return backup->options();
    }
    return qobject_cast<const PushConfigTab*>(&tab)->options();
}

// The spacers of a layout: "<width>x<height> <horizontal policy>/<vertical policy>" each.
QString spacersOf(const QLayout& layout)
{
    const QMetaEnum policy = QMetaEnum::fromType<QSizePolicy::Policy>();
    QStringList spacers;
    for (int i = 0; i < layout.count(); ++i) {
        if (const QSpacerItem* spacer = layout.itemAt(i)->spacerItem()) {
            spacers << QStringLiteral("%1x%2 %3/%4")
                           .arg(spacer->sizeHint().width())
                           .arg(spacer->sizeHint().height())
                           .arg(QLatin1String(policy.valueToKey(spacer->sizePolicy().horizontalPolicy())))
                           .arg(QLatin1String(policy.valueToKey(spacer->sizePolicy().verticalPolicy())));
        }
    }
    return spacers.join(QLatin1String(", "));
}

// A property of the tab's child of that name (of the tab itself for an empty
// name) as text. Besides real properties: "items" (a combo box's entries as
// text=key), "logView" (tabtest::logViewSetUp) and "spacers" (spacersOf).
QString valueOf(const QWidget& tab, const QString& name, const QByteArray& property)
{
    const QObject* target = name.isEmpty() ? &tab : tab.findChild<QObject*>(name);
    if (!target) {
        return QStringLiteral("<no object %1>").arg(name);
    }
    if (property == "items") {
        const auto* combo = qobject_cast<const QComboBox*>(target);
        QStringList items;
        for (int i = 0; combo && i < combo->count(); ++i) {
            items << combo->itemText(i) + QLatin1Char('=') + combo->itemData(i).toString();
        }
        return items.join(QLatin1String(", "));
    }
    if (property == "logView") {
        return tabtest::logViewSetUp(qobject_cast<const QTextEdit*>(target));
    }
    if (property == "spacers") {
        return spacersOf(*qobject_cast<const QLayout*>(target));
    }
    const QMetaProperty meta = target->metaObject()->property(target->metaObject()->indexOfProperty(property));
    if (!meta.isValid()) {
        return QStringLiteral("<no property %1>").arg(QLatin1String(property));
    }
    const QVariant value = meta.read(target);
    if (meta.isEnumType()) {
        return QLatin1String(meta.enumerator().valueToKey(value.toInt()));
    }
    if (value.type() == QVariant::Size) {
        return QStringLiteral("%1x%2").arg(value.toSize().width()).arg(value.toSize().height());
    }
    return value.toString();
}
} // namespace

class TestTabForms : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void layout_data();
    void layout();
    void properties_data();
    void properties();
    void rowsShareTheirToolTip_data();
    void rowsShareTheirToolTip();
    void browseButtons_data();
    void browseButtons();

private:
    testsupport::TestSettings m_settings;
    QTemporaryDir m_dir;
};

void TestTabForms::initTestCase()
{
    QVERIFY(m_dir.isValid());
    tabtest::openSdk();
}

void TestTabForms::init()
{
    tabtest::clearStoredSettings();
}

void TestTabForms::layout_data()
{
    QTest::addColumn<QString>("tab");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expected");

    const QVector<QStringList> shared = {
        {"gridLayout_4", "QGridLayout", "top"},
        {"settingsGroupBox", "QGroupBox", "gridLayout_4(0,0)"},
        {"startStopGroupBox", "QGroupBox", "gridLayout_4(1,0)"},
        {"textEdit", "QTextEdit", "gridLayout_4(2,0)"},
        {"help_label", "QLabel", "gridLayout_3(0,0)"},
        {"line", "QFrame", "gridLayout_3(1,0)"},
        {"gridLayout", "QGridLayout", "gridLayout_3(2,0)"},
        {"csvServerListLabel", "QLabel", "gridLayout(0,0)"},
        {"csvServerListLineEdit", "QLineEdit", "gridLayout(0,1)"},
        {"csvServerListButton", "QPushButton", "gridLayout(0,2)"},
        {"modeComboBox", "QComboBox", "horizontalLayout[1]"},
        {"startButton", "QPushButton", "gridLayout_2(0,0)"},
        {"cancelButton", "QPushButton", "gridLayout_2(0,1)"},
    };
    const QVector<QStringList> backup = {
        {"horizontalLayout", "QHBoxLayout", "gridLayout_3(3,0)"},
        {"reportOutputLabel", "QLabel", "gridLayout(1,0)"},
        {"reportOutputLineEdit", "QLineEdit", "gridLayout(1,1)"},
        {"reportOutputButton", "QPushButton", "gridLayout(1,2)"},
        {"configOutputLabel", "QLabel", "gridLayout(2,0)"},
        {"configOutputLineEdit", "QLineEdit", "gridLayout(2,1)"},
        {"configOutputButton", "QPushButton", "gridLayout(2,2)"},
        {"namingConventionLabel", "QLabel", "horizontalLayout[0]"},
    };
    const QVector<QStringList> push = {
        {"horizontalLayout_2", "QHBoxLayout", "gridLayout_3(3,0)"},
        {"horizontalLayout", "QHBoxLayout", "gridLayout_3(4,0)"},
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
    };
    for (const QString& tab : {QStringLiteral("backup"), QStringLiteral("push")}) {
        for (const QStringList& row : shared + (tab == QLatin1String("backup") ? backup : push)) {
            QTest::addRow("%s %s", qPrintable(tab), qPrintable(row[0]))
                << tab << row[0] << QString(row[1] + QStringLiteral(" at ") + row[2]);
        }
    }
}

void TestTabForms::layout()
{
    QFETCH(QString, tab);
    QFETCH(QString, name);
    QFETCH(QString, expected);

    QCOMPARE(tabtest::describeItem(makeTab(tab).get(), name), expected);
}

void TestTabForms::properties_data()
{
    QTest::addColumn<QString>("tab");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("property");
    QTest::addColumn<QString>("expected");

    const QVector<QStringList> shared = {
        {"", "size", "640x480"},
        {"", "windowTitle", ""},
        {"settingsGroupBox", "title", ""},
        {"startStopGroupBox", "title", ""},
        {"csvServerListLabel", "text", "CSV Server List:"},
        {"reportOutputLabel", "text", "Report Output:"},
        {"reportOutputLabel", "toolTip", kReportToolTip},
        {"csvServerListButton", "text", "..."},
        {"reportOutputButton", "text", "..."},
        {"modeComboBox", "minimumWidth", "140"},
        {"startButton", "text", "Start"},
        {"cancelButton", "text", "Cancel"},
        {"cancelButton", "enabled", "false"},
        {"textEdit", "logView", kLogView},
        {"gridLayout_2", "spacers", "40x20 Expanding/Minimum"},
        // As on a first start, with nothing stored.
        {"csvServerListLineEdit", "styleSheet", kRed},
        {"reportOutputLineEdit", "styleSheet", ""},
        {"startButton", "enabled", "false"},
        {"settingsGroupBox", "enabled", "true"},
    };
    const QVector<QStringList> backup = {
        {"", "objectName", "BackupTab"},
        {"help_label", "text",
         "This tool allows downloading of configuration files from multiple servers defined in a CSV "
         "(comma-separated values) file."},
        {"help_label", "wordWrap", "true"},
        {"help_label", "toolTip", ""},
        {"line", "frameShape", "HLine"},
        {"line", "frameShadow", "Sunken"},
        {"configOutputLabel", "text", "Output Directory:"},
        {"namingConventionLabel", "text", "Naming Convention:"},
        {"configOutputButton", "text", "..."},
        {"namingConventionLabel", "minimumWidth", "80"},
        {"modeComboBox", "items", "Server Name=ServerName, IP/Host=IPHost, Both=Both"},
        {"startButton", "toolTip", ""},
        {"horizontalLayout", "spacers", "40x20 MinimumExpanding/Minimum"},
        {"configOutputLineEdit", "styleSheet", kRed},
        {"modeComboBox", "currentText", "Server Name"},
        {"configOutputLabel", "toolTip",
         "This is the directory (or folder) to which the configuration files will be saved."},
        {"namingConventionLabel", "toolTip",
         "Detemines how the saved configuration files should be named. The choices are:<ul><li><em>Server "
         "Name</em> - e.g. \"My Server.conf\"</li><li><em>IP/Host</em> - e.g. \"192.168.0.1.conf\"</li><li><em>"
         "Both</em> - e.g. \"My Server-192.168.0.1.conf\"</li></ul>"},
    };
    const QVector<QStringList> push = {
        {"", "objectName", "PushConfigTab"},
        {"help_label", "text",
         "This tool allows uploading of configuration files, or snippets of configuration, to multiple servers "
         "defined in a CSV (comma-separated values) file."},
        {"help_label", "wordWrap", "true"},
        {"configFileLabel", "text", "Configuration File:"},
        {"modeLabel", "text", "Mode:"},
        {"configFileButton", "text", "..."},
        {"modeLabel", "minimumWidth", "80"},
        {"licenceCheckBox", "text", "Preserve Existing Licence"},
        {"networkCheckBox", "text", "Preserve Existing Network Settings"},
        {"restartServerCheckBox", "text", "Restart Servers"},
        {"modeComboBox", "items", "Merge=Merge, Replace=Replace"},
        {"horizontalLayout_2", "spacers", "40x20 Expanding/Minimum"},
        {"horizontalLayout", "spacers", "40x20 MinimumExpanding/Minimum"},
        {"configFileLineEdit", "styleSheet", kRed},
        {"modeComboBox", "currentText", "Merge"},
        {"licenceCheckBox", "checked", "true"},
        {"networkCheckBox", "checked", "true"},
        {"restartServerCheckBox", "checked", "false"},
        {"configFileLabel", "toolTip", "The path to the configuration file or snippet to upload."},
        {"modeLabel", "toolTip",
         "Determines which mode to use when pushing configuration.<ul><li><em>Merge</em> - Any configuration "
         "sections being pushed which match those already on the server will be replaced. Any which already exist "
         "on the server but not in the sections being pushed will be preserved. Any sections in the configuration "
         "being pushed which do not already exist on the server will be appended.</li><li><em>Replace</em> - The "
         "entire configuration on the server will be replaced with the one being pushed, with the potential "
         "exception of the Network and Licence sections, depending on the options chosen for those.</li></ul>"},
        {"licenceCheckBox", "toolTip",
         "Determines whether the existing licence (on the server) should be preserved, and not overwritten by the "
         "configuration being uploaded."},
        {"networkCheckBox", "toolTip",
         "Determines whether the existing network settings (on the server) should be preserved, and not "
         "overwritten by the configuration being uploaded."},
        {"restartServerCheckBox", "toolTip",
         "Determines whether the servers should be restarted after the configuration is pushed. Some configuration "
         "changes require a server restart, so this is often necessary unless uploading a small configuration "
         "snippet and wanting to avoid any down-time, even though a restart is normally quite brief."},
    };
    for (const QString& tab : {QStringLiteral("backup"), QStringLiteral("push")}) {
        for (const QStringList& row : shared + (tab == QLatin1String("backup") ? backup : push)) {
            QTest::addRow("%s %s %s", qPrintable(tab), qPrintable(row[0]), qPrintable(row[1]))
                << tab << row[0] << row[1].toLatin1() << row[2];
        }
    }
}

void TestTabForms::properties()
{
    QFETCH(QString, tab);
    QFETCH(QString, name);
    QFETCH(QByteArray, property);
    QFETCH(QString, expected);

    QCOMPARE(valueOf(*makeTab(tab), name, property), expected);
}

void TestTabForms::rowsShareTheirToolTip_data()
{
    QTest::addColumn<QString>("tab");
    QTest::addColumn<QStringList>("names");

    QTest::newRow("backup csv") << "backup"
                                << QStringList{"csvServerListLabel", "csvServerListLineEdit", "csvServerListButton"};
    QTest::newRow("backup report") << "backup"
                                   << QStringList{"reportOutputLabel", "reportOutputLineEdit", "reportOutputButton"};
    QTest::newRow("backup output") << "backup"
                                   << QStringList{"configOutputLabel", "configOutputLineEdit", "configOutputButton"};
    QTest::newRow("backup naming") << "backup" << QStringList{"namingConventionLabel", "modeComboBox"};
    QTest::newRow("push csv") << "push"
                              << QStringList{"csvServerListLabel", "csvServerListLineEdit", "csvServerListButton"};
    QTest::newRow("push config") << "push" << QStringList{"configFileLabel", "configFileLineEdit", "configFileButton"};
    QTest::newRow("push report") << "push"
                                 << QStringList{"reportOutputLabel", "reportOutputLineEdit", "reportOutputButton"};
    QTest::newRow("push mode") << "push" << QStringList{"modeLabel", "modeComboBox"};
}

void TestTabForms::rowsShareTheirToolTip()
{
    QFETCH(QString, tab);
    QFETCH(QStringList, names);

    const std::unique_ptr<QWidget> widget = makeTab(tab);
    const QString toolTip = valueOf(*widget, names.first(), "toolTip");
    QVERIFY(!toolTip.isEmpty());
    for (const QString& name : names) {
        QCOMPARE(valueOf(*widget, name, "toolTip"), toolTip);
    }
    if (names.first() == QLatin1String("csvServerListLabel")) {
        // The example row: an IPv4 address, a user name and a one-character password.
        QVERIFY2(toolTip.startsWith(kCsvToolTipStart) && toolTip.endsWith(QLatin1String("</blockquote>")),
                 qPrintable(toolTip));
        const QString example = toolTip.mid(kCsvToolTipStart.size()).chopped(13);
        QVERIFY2(QRegularExpression(QStringLiteral("^\\d+\\.\\d+\\.\\d+\\.\\d+,\\w+,.$")).match(example).hasMatch(),
                 qPrintable(example));
    }
}

void TestTabForms::browseButtons_data()
{
    QTest::addColumn<QString>("tab");
    QTest::addColumn<QString>("row");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("filter");

    const QVector<QStringList> rows = {
        {"backup", "csvServerList", "open", "Open CSV File", "*.csv"},
        {"backup", "reportOutput", "save", "Set Report File Name", ""},
        {"backup", "configOutput", "directory", "Open Directory", ""},
        {"push", "configFile", "open", "Open Config File", "*.*"},
        {"push", "csvServerList", "open", "Open CSV File", "*.csv"},
        {"push", "reportOutput", "save", "Set Report File Name", ""},
    };
    for (const QStringList& row : rows) {
        QTest::addRow("%s %s", qPrintable(row[0]), qPrintable(row[1]))
            << row[0] << row[1] << row[2] << row[3] << row[4];
    }
}

void TestTabForms::browseButtons()
{
    QFETCH(QString, tab);
    QFETCH(QString, row);
    QFETCH(QString, kind);
    const QString button = row + QStringLiteral("Button");
    const QString edit = row + QStringLiteral("LineEdit");

    const QString csv = m_dir.filePath(QStringLiteral("chosen.csv"));
    tabtest::writeFile(csv, "host,username,password\n");
    for (const QString& group : {QStringLiteral("backup_paths"), QStringLiteral("pushconfig_paths")}) {
        tabtest::store(group, QStringLiteral("last_csv_path"), csv);
    }
    tabtest::store(QStringLiteral("backup_paths"), QStringLiteral("config_output_path"), m_dir.path());
    tabtest::store(QStringLiteral("pushconfig_paths"), QStringLiteral("last_config_path"), csv);

    const std::unique_ptr<QWidget> widget = makeTab(tab);
    auto script = std::make_shared<ScriptedFileDialogs::Script>();
    auto dialogs = std::make_unique<ScriptedFileDialogs>(script);
    if (auto* backup = qobject_cast<BackupTab*>(widget.get())) {
        backup->setFileDialogs(std::move(dialogs));
    } else {
        qobject_cast<PushConfigTab*>(widget.get())->setFileDialogs(std::move(dialogs));
    }
    auto* lineEdit = tabtest::child<QLineEdit>(*widget, qPrintable(edit));
    auto* start = tabtest::child<QPushButton>(*widget, "startButton");
    QVERIFY(start->isEnabled());
    const auto option = [&] {
        const OperationOptions& options = optionsOf(*widget);
        return edit == QLatin1String("csvServerListLineEdit")  ? options.csvPath()
               : edit == QLatin1String("reportOutputLineEdit") ? options.reportPath()
               : edit == QLatin1String("configOutputLineEdit") ? options.outputDirectory()
                                                               : options.configFilePath();
    };

    // A chosen path with a blank at its end: the field shows it, the options get it trimmed.
    const QString answer = (kind == QLatin1String("directory") ? m_dir.path() : csv) + QStringLiteral(" ");
    script->answers = QStringList{answer, QString()};
    QTest::mouseClick(tabtest::child<QPushButton>(*widget, qPrintable(button)), Qt::LeftButton);
    QCOMPARE(lineEdit->text(), answer);
    QCOMPARE(option(), answer.trimmed());
    QCOMPARE(script->calls.size(), 1);
    const ScriptedFileDialogs::Call call = script->calls.first();
    QCOMPARE(call.kind, kind);
    QCOMPARE(call.parent, widget.get());
    QTEST(call.caption, "caption");
    QCOMPARE(call.directory, QStandardPaths::displayName(QStandardPaths::DocumentsLocation));
    QTEST(call.filter, "filter");
    const QFileDialog::Options directoryOptions = QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks;
    QCOMPARE(call.options, kind == QLatin1String("directory") ? directoryOptions : QFileDialog::Options());

    // Cancelling empties the field; an empty report path is the only one that does not block Start.
    QTest::mouseClick(tabtest::child<QPushButton>(*widget, qPrintable(button)), Qt::LeftButton);
    QCOMPARE(script->calls.size(), 2);
    QVERIFY(lineEdit->text().isEmpty());
    QVERIFY(option().isEmpty());
    const bool validated = kind != QLatin1String("save");
    QCOMPARE(lineEdit->styleSheet(), validated ? kRed : QString());
    QCOMPARE(start->isEnabled(), !validated);
}

QTEST_MAIN(TestTabForms)
#include "tst_tabforms.moc"
