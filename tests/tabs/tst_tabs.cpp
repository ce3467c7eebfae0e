// The Backup and Push tabs. What they share runs over both, one data row per tab.

#include "engine/operationoptions.h"
#include "sdk/kelpsdk.h"
#include "sdk/localuserconfig.h"
#include "tabs/backuptab.h"
#include "tabs/filedialogs.h"
#include "tabs/pushconfigtab.h"
#include "tabs/runprogress.h"
#include "testsupport/fleetfixture.h"
#include "testsupport/testsettings.h"

#include <QtTest>
#include <QtWidgets>

namespace {
// Answers every browse dialog with `answer` and records how each was asked.
class AnsweringDialogs final : public FileDialogs
{
public:
    AnsweringDialogs(const QString& answer, QStringList* calls) : m_answer(answer), m_calls(calls) {}
    QString openFileName(QWidget* p, const QString& caption, const QString& dir, const QString& filter) override
    {
        return answer({"open", p->objectName(), caption, dir, filter});
    }
    QString saveFileName(QWidget* p, const QString& caption, const QString& dir) override
    {
        return answer({"save", p->objectName(), caption, dir});
    }
    QString existingDirectory(QWidget* p, const QString& caption, const QString& dir, QFileDialog::Options o) override
    {
        return answer({"directory", p->objectName(), caption, dir, QString::number(o)});
    }

private:
    QString answer(const QStringList& call)
    {
        *m_calls << call.join(" | ");
        return m_answer;
    }
    QString m_answer;
    QStringList* m_calls;
};

// Calls `call` with the tab as the class it is.
template <typename Call> decltype(auto) onTab(QWidget& tab, Call call)
{
    if (auto* backup = qobject_cast<BackupTab*>(&tab)) {
        return call(*backup);
    }
    return call(*qobject_cast<PushConfigTab*>(&tab));
}

// The options the next run will use, as one line.
QString optionsLine(QWidget& tab)
{
    const OperationOptions& o = onTab(tab, [](auto& t) -> const OperationOptions& { return t.options(); });
    const QStringList kept(o.preservedSections().begin(), o.preservedSections().end());
    return QString("csv '%1' config '%2' output '%3' report '%4' keep '%5' restart %6 push %7 naming %8")
        .arg(o.csvPath(), o.configFilePath(), o.outputDirectory(), o.reportPath(), kept.join('+'),
             QString::number(o.restartServers()), QString::number(o.pushMode()), QString::number(o.namingMode()));
}

// The run control as one line: "settings 1 start 1 cancel 0" while editing.
QString controlsLine(const QWidget& tab)
{
    return QString("settings %1 start %2 cancel %3")
        .arg(tab.findChild<QWidget*>("settingsGroupBox")->isEnabled())
        .arg(tab.findChild<QWidget*>("startButton")->isEnabled())
        .arg(tab.findChild<QWidget*>("cancelButton")->isEnabled());
}

// Every stored option as "<group>/<key>=<value>", in order.
QString storedOptions()
{
    QSettings settings(kelp::KelpSDK::instance()->userConfig()->fileName(), QSettings::NativeFormat);
    QStringList options;
    for (const QString& key : settings.allKeys()) {
        options << key + '=' + settings.value(key).toString();
    }
    options.sort();
    return options.join("; ");
}

QString readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString("<unreadable>");
}

bool writeFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}
} // namespace

class TestTabs : public QObject
{
    Q_OBJECT

    // Stores each "<group>/<key>=<value>" of `stored` ("; " between them), then builds the tab, which loads them.
    std::unique_ptr<QWidget> makeTab(const QString& kind, const QString& stored = QString()) const
    {
        QSettings settings(kelp::KelpSDK::instance()->userConfig()->fileName(), QSettings::NativeFormat);
        for (const QString& entry : stored.split("; ", Qt::SkipEmptyParts)) {
            settings.setValue(entry.section('=', 0, 0), fill(entry.section('=', 1)));
        }
        if (kind == "backup") {
            return std::make_unique<BackupTab>(nullptr);
        }
        return std::make_unique<PushConfigTab>(nullptr);
    }

    // Placeholders filled in: "<csv>" an existing CSV file, "<dir>" a directory, "<docs>" where dialogs start.
    QString fill(QString text) const
    {
        return text.replace("<csv>", m_csv)
            .replace("<dir>", m_dir.path())
            .replace("<docs>", QStandardPaths::displayName(QStandardPaths::DocumentsLocation));
    }

    testsupport::TestSettings m_settings;
    QTemporaryDir m_dir;
    const QString m_csv = m_dir.filePath("servers.csv");

private slots:
    void initTestCase() { kelp::KelpSDK::initInstance("Brindlowe", "quorlan", nullptr, "kelpsdk.log"); }

    void init()
    {
        QSettings(kelp::KelpSDK::instance()->userConfig()->fileName(), QSettings::NativeFormat).clear();
        QVERIFY(writeFile(m_csv, "host,username,password\n"));
    }

    void storedSettingsRoundTrip_data()
    {
        QTest::addColumn<QString>("tab");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("start");
        QTest::addColumn<QString>("options");
        QTest::addColumn<QString>("saved"); // when it is not what was stored
        const auto row = [](const char* name, const QString& stored, bool start, const QString& options,
                            const QString& saved) {
            QTest::newRow(name) << QString(name).section(',', 0, 0) << stored << start << options << saved;
        };

        row("backup, first start", "", false, "csv '' config '' output '' report '' keep '' restart 0 push 0 naming 0",
            "backup_options/mode=ServerName; backup_paths/config_output_path=; backup_paths/last_csv_path=; "
            "backup_paths/last_report_path=");
        // Saved as loaded: untrimmed, and the mode's key, not the shown "IP/Host".
        row("backup, stored",
            "backup_options/mode=IPHost; backup_paths/config_output_path=<dir>; backup_paths/last_csv_path=<csv>; "
            "backup_paths/last_report_path= <csv> ",
            true, "csv '<csv>' config '' output '<dir>' report '<csv>' keep '' restart 0 push 0 naming 1", "");
        row("push, only a mode of another version", "pushconfig_options/mode=Overwrite", false,
            "csv '' config '' output '' report '' keep 'Licence+Network' restart 0 push 0 naming 0",
            "pushconfig_options/mode=Merge; pushconfig_options/preserve_licence=true; "
            "pushconfig_options/preserve_network=true; pushconfig_options/restart_servers=false; "
            "pushconfig_paths/last_config_path=; pushconfig_paths/last_csv_path=; pushconfig_paths/last_report_path=");
        // Tested as stored: the leading blank makes the configuration path unusable.
        row("push, stored",
            "pushconfig_options/mode=Replace; pushconfig_options/preserve_licence=false; "
            "pushconfig_options/preserve_network=false; pushconfig_options/restart_servers=true; "
            "pushconfig_paths/last_config_path= <csv>; pushconfig_paths/last_csv_path=<csv>; "
            "pushconfig_paths/last_report_path=<dir>/r",
            false, "csv '<csv>' config '<csv>' output '' report '<dir>/r' keep '' restart 1 push 1 naming 0", "");
    }
    void storedSettingsRoundTrip()
    {
        QFETCH(QString, tab);
        QFETCH(QString, stored);
        QFETCH(QString, options);
        QFETCH(QString, saved);

        const std::unique_ptr<QWidget> widget = makeTab(tab, stored);
        QTEST(widget->findChild<QPushButton*>("startButton")->isEnabled(), "start");
        QCOMPARE(optionsLine(*widget), fill(options));
        onTab(*widget, [](auto& t) { t.saveSettings(); });
        QCOMPARE(storedOptions(), fill(saved.isEmpty() ? stored : saved));
    }

    void validation_data()
    {
        QTest::addColumn<QString>("tab");
        QTest::addColumn<QString>("csv");
        QTest::addColumn<QString>("second"); // the backup's output directory, the push's configuration file
        QTest::addColumn<bool>("csvValid");
        QTest::addColumn<bool>("secondValid");

        const auto row = [](const char* name, const QString& csv, const QString& second, bool csvValid,
                            bool secondValid) {
            QTest::newRow(name) << QString(name).section(',', 0, 0) << csv << second << csvValid << secondValid;
        };

        row("backup, csv with a trailing blank", "<csv> ", "<dir>", false, true);
        row("backup, output with a trailing blank", "<csv>", "<dir> ", true, false);
        row("backup, blank output", "<csv>", "", true, false);
        row("backup, file as output", "<csv>", "<csv>", true, false);
        row("push, csv with a trailing blank", "<csv> ", "<csv>", false, true);
        row("push, configuration with a trailing blank", "<csv>", "<csv> ", true, false);
        // Both tabs take an existing directory for a file.
        row("backup, directory as csv", "<dir>", "<dir>", true, true);
        row("push, directories as csv and configuration", "<dir>", "<dir>", true, true);
    }
    void validation()
    {
        QFETCH(QString, tab);
        QFETCH(QString, csv);
        QFETCH(QString, second);
        QFETCH(bool, csvValid);
        QFETCH(bool, secondValid);

        const std::unique_ptr<QWidget> widget = makeTab(tab);
        auto* csvEdit = widget->findChild<QLineEdit*>("csvServerListLineEdit");
        auto* secondEdit =
            widget->findChild<QLineEdit*>(tab == "backup" ? "configOutputLineEdit" : "configFileLineEdit");
        QTest::keyClicks(csvEdit, fill(csv));
        QTest::keyClicks(secondEdit, fill(second));
        const auto border = [](bool valid) { return QString(valid ? "border-color: #606063" : "border-color: red"); };
        QCOMPARE(csvEdit->styleSheet() + " / " + secondEdit->styleSheet(),
                 border(csvValid) + " / " + border(secondValid));
        QCOMPARE(widget->findChild<QPushButton*>("startButton")->isEnabled(), csvValid && secondValid);
    }

    void browseButtons_data()
    {
        QTest::addColumn<QString>("tab");
        QTest::addColumn<QString>("row");
        QTest::addColumn<QString>("field"); // of the options line
        QTest::addColumn<QString>("call");
        const auto row = [](const QString& tab, const QString& row, const QString& field, const QString& call) {
            QTest::addRow("%s %s", qPrintable(tab), qPrintable(row)) << tab << row << field << call;
        };

        row("backup", "csvServerList", "csv", "open | BackupTab | Open CSV File | <docs> | *.csv");
        row("backup", "reportOutput", "report", "save | BackupTab | Set Report File Name | <docs>");
        // ShowDirsOnly | DontResolveSymlinks
        row("backup", "configOutput", "output", "directory | BackupTab | Open Directory | <docs> | 3");
        row("push", "configFile", "config", "open | PushConfigTab | Open Config File | <docs> | *.*");
        row("push", "csvServerList", "csv", "open | PushConfigTab | Open CSV File | <docs> | *.csv");
        row("push", "reportOutput", "report", "save | PushConfigTab | Set Report File Name | <docs>");
    }
    // The answer, a usable path with a trailing blank, is shown as the dialog gave it and reaches the options
    // trimmed; the paths are checked as shown, so only the report's (never checked) leaves Start on.
    void browseButtons()
    {
        QFETCH(QString, tab);
        QFETCH(QString, row);
        QFETCH(QString, field);
        QFETCH(QString, call);

        const std::unique_ptr<QWidget> widget =
            makeTab(tab, "backup_paths/last_csv_path=<csv>; backup_paths/config_output_path=<dir>; "
                         "pushconfig_paths/last_csv_path=<csv>; pushconfig_paths/last_config_path=<csv>");
        const QString chosen = (row == "configOutput" ? m_dir.path() : m_csv) + ' ';
        QStringList calls;
        onTab(*widget, [&](auto& t) { t.setFileDialogs(std::make_unique<AnsweringDialogs>(chosen, &calls)); });
        auto* edit = widget->findChild<QLineEdit*>(row + "LineEdit");

        QTest::mouseClick(widget->findChild<QPushButton*>(row + "Button"), Qt::LeftButton);
        QCOMPARE(calls, QStringList{fill(call)});
        QCOMPARE(edit->text() + '|' + optionsLine(*widget).section(field + " '", 1).section('\'', 0, 0),
                 chosen + '|' + chosen.trimmed());
        QCOMPARE(edit->styleSheet(), QString(field == "report" ? "" : "border-color: red"));
        QCOMPARE(widget->findChild<QPushButton*>("startButton")->isEnabled(), field == "report");
    }

    // Push only: the preserve boxes edit the set of sections kept, the restart box its switch.
    void preserveAndRestartBoxes()
    {
        PushConfigTab tab(nullptr);
        const auto click = [&tab](const QString& box) {
            QTest::mouseClick(tab.findChild<QCheckBox*>(box + "CheckBox"), Qt::LeftButton);
            return optionsLine(tab).section(" keep ", 1).section(" push", 0, 0);
        };
        const QStringList states{click("licence"), click("network"), click("licence"), click("restartServer")};
        QCOMPARE(states,
                 QStringList({"'Network' restart 0", "'' restart 0", "'Licence' restart 0", "'Licence' restart 1"}));
    }

    void logViewKeepsUpWithManyLines()
    {
        BackupTab tab(nullptr);
        tab.show();
        QVERIFY(QTest::qWaitForWindowExposed(&tab));
        auto* log = tab.findChild<QTextEdit*>("textEdit");
        QScrollBar* bar = log->verticalScrollBar();
        for (int i = 0; i < 300; ++i) {
            i % 3 == 2 ? tab.handleShowError(QString::number(i)) : tab.handleShowMessage(QString::number(i));
        }
        tab.handleShowMessage("<b>x</b> &amp;");
        // Every line is in the view at once, one paragraph each, as it came; painted soon after, scrolled to the end.
        const QStringList lines = log->toPlainText().split('\n');
        QCOMPARE(lines.mid(0, 3) + lines.mid(299),
                 (QStringList{"INFO: 0", "INFO: 1", "ERROR: 2", "ERROR: 299", "INFO: <b>x</b> &amp;"}));
        // Errors in a red that reads well on the window's #2B2E36 (WCAG contrast 4.9), the rest as they were.
        const auto colour = [log](int line) {
            const QBrush brush = log->document()->findBlockByNumber(line).begin().fragment().charFormat().foreground();
            return brush.style() == Qt::NoBrush ? QString("none") : brush.color().name();
        };
        QCOMPARE(QStringList({colour(1), colour(2), colour(299), colour(300)}).join(' '),
                 QString("none #ff6b6b #ff6b6b none"));
        QTRY_VERIFY2(log->updatesEnabled(), "the log view is never painted again");
        QVERIFY2(bar->maximum() > 0, "300 lines fit into the view");
        QCOMPARE(bar->value(), bar->maximum());
        // A reader who scrolled up stays where he is while lines come in.
        bar->setValue(0);
        tab.handleShowMessage("one more");
        QTRY_VERIFY(log->updatesEnabled());
        QCOMPARE(bar->value(), 0);
    }

    void runProgress_data()
    {
        QTest::addColumn<int>("servers");
        QTest::addColumn<QString>("steps"); // c connecting, i j other lines, e error, x cancel, f finished, b next run
        QTest::addColumn<QString>("status");

        QTest::newRow("one failure per server") << 300 << QString("eijceeicejc") << "Server 3 of 300 — 2 failed";
        QTest::newRow("complete, then stays") << 3 << QString("ccecfce") << "Finished: 2 succeeded, 1 failed";
        QTest::newRow("cancelled") << 8 << QString("cecxf") << "Cancelled after 2 of 8 servers — 1 succeeded, 1 failed";
        QTest::newRow("cancelled on the last") << 2 << QString("cxcf") << "Finished: 2 succeeded, 0 failed";
        QTest::newRow("no server") << 0 << QString("ef") << "No server contacted — see the log";
        QTest::newRow("next run afresh") << 8 << QString("cexfbcf") << "Finished: 1 succeeded, 0 failed";
    }
    // The status shown is the text as it was when a step last reported a change.
    void runProgress()
    {
        QFETCH(int, servers);
        QFETCH(QString, steps);
        RunProgress progress;
        const auto count = [servers] { return servers; };
        progress.begin(count);
        QString shown = progress.text();
        for (const QChar step : steps) {
            const bool changed = step == 'e'   ? progress.error()
                                 : step == 'x' ? (progress.cancelRequested(), false)
                                 : step == 'f' ? (progress.finish(), true)
                                 : step == 'b' ? (progress.begin(count), true)
                                               : progress.message(step == 'c'   ? "Connecting to 127.0.0.9..."
                                                                  : step == 'i' ? "Pushing configuration to server..."
                                                                                : "Connecting to 127.0.0.9");
            shown = changed ? progress.text() : shown;
        }
        QTEST(shown, "status");
    }

    void runThroughTheTab_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("result"); // the first server's configuration and restarts, the files written

        QTest::newRow("backup") << "backup_options/mode=Both; backup_paths/config_output_path=<dir>/backup"
                                << "<alpha>, 0 restarts, alpha-127.0.12.1.conf: <alpha>";
        // Replace, keeping the server's network section but not its licence, then restart.
        QTest::newRow("push")
            << "pushconfig_paths/last_config_path=<dir>/snippet; pushconfig_options/preserve_licence=false; "
               "pushconfig_options/restart_servers=true; pushconfig_options/mode=Replace"
            << "[Network]\nip=1\n[Licence]\nkey=NEW\n[User2]\nname=new\n, 1 restarts";
    }
    // One run of each job through its tab. The second server refuses the login slowly enough to be cancelled
    // there, so the third is never reached. The CSV file goes during the run: Start comes back at the end
    // without a new check of the paths, and the next change checks them.
    void runThroughTheTab()
    {
        const QString tab = QTest::currentDataTag(); // each row is named after its tab
        QFETCH(QString, stored);
        QFETCH(QString, result);

        testsupport::FleetFixture fleet;
        sim::Faults slowAndRefusing;
        slowAndRefusing.answerDelayMs = 150;
        slowAndRefusing.loginErrorCode = 2;
        const QString alpha = "[General]\nname=alpha\n[Network]\nip=1\n[Licence]\nkey=A\n";
        QVERIFY(fleet.addServer("alpha", "127.0.12.1", alpha));
        QVERIFY(fleet.addServer("beta", "127.0.12.2", "[General]\nname=beta\n", slowAndRefusing));
        QVERIFY(writeFile(m_csv, testsupport::FleetFixture::serverList({"127.0.12.1", "127.0.12.2", "127.0.12.3"})) &&
                writeFile(m_dir.filePath("snippet"), "[Licence]\nkey=NEW\n[User2]\nname=new\n") &&
                QDir(m_dir.path()).mkpath(tab));

        const std::unique_ptr<QWidget> widget = makeTab(tab, stored);
        QTest::keyClicks(widget->findChild<QLineEdit*>("csvServerListLineEdit"), m_csv);
        QTest::keyClicks(widget->findChild<QLineEdit*>("reportOutputLineEdit"), m_dir.filePath(tab + ".report"));
        auto* view = widget->findChild<QTextEdit*>("textEdit");
        view->append("an earlier run");
        QSignalSpy status(widget.get(), SIGNAL(runStatusChanged(QString)));
        QTest::mouseClick(widget->findChild<QPushButton*>("startButton"), Qt::LeftButton);
        QCOMPARE(controlsLine(*widget), QString("settings 0 start 0 cancel 1"));
        QTRY_VERIFY(view->toPlainText().contains("Connecting to 127.0.12.2"));
        QTest::mouseClick(widget->findChild<QPushButton*>("cancelButton"), Qt::LeftButton);
        QVERIFY(QFile::remove(m_csv));
        QTRY_COMPARE_WITH_TIMEOUT(controlsLine(*widget), QString("settings 1 start 1 cancel 0"), 20000);
        widget->findChild<QComboBox*>("modeComboBox")->setCurrentIndex(0);
        QCOMPARE(controlsLine(*widget), QString("settings 1 start 0 cancel 0"));
        QCOMPARE(status.last().at(0).toString(), QString("Cancelled after 2 of 3 servers — 1 succeeded, 1 failed"));

        // The view shows the run's lines as the report file has them, the second server's error among them.
        const QString log = view->toPlainText();
        QCOMPARE(log + '\n', readFile(m_dir.filePath(tab + ".report")));
        QVERIFY2(log.startsWith("INFO: Connecting to 127.0.12.1...\n") && log.count("\nERROR: ") == 1 &&
                     log.endsWith("\nINFO: Finished!") && !log.contains("127.0.12.3"),
                 qPrintable(log));
        QString outcome = fleet.configText("alpha") +
                          QString(", %1 restarts").arg(fleet.events("alpha", sim::ServerEvent::Kind::Restart).size());
        for (const QString& name : QDir(m_dir.filePath(tab)).entryList(QDir::Files)) {
            outcome += ", " + name + ": " + readFile(m_dir.filePath(tab + '/' + name));
        }
        QCOMPARE(outcome, QString(result).replace("<alpha>", alpha));
    }
};

QTEST_MAIN(TestTabs)
#include "tst_tabs.moc"
