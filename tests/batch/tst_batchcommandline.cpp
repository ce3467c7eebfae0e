#include "batch/batchcommandline.h"

#include <QtTest>

namespace {
// Every field of the request on one line; help and usage errors by their text.
QString describe(const BatchRequest& request)
{
    if (request.command == BatchRequest::Command::Help) {
        return request.text == BatchCommandLine::helpText() ? QString("help") : "help: " + request.text;
    }
    if (request.command == BatchRequest::Command::UsageError) {
        return "usage: " + request.text;
    }
    const OperationOptions& o = request.options;
    const QStringList kept(o.preservedSections().begin(), o.preservedSections().end());
    return QStringList{QStringList{"", "", "backup", "push", "preview"}.at(int(request.command)),
                       "csv=" + o.csvPath(),
                       "out=" + o.outputDirectory(),
                       "naming=" + QString::number(o.namingMode()),
                       "report=" + o.reportPath(),
                       "overwrite=" + QString::number(request.overwriteReport) +
                           (request.verifyServerKeys ? " verify" : ""),
                       "config=" + o.configFilePath(),
                       "mode=" + QString::number(o.pushMode()),
                       "keep=" + kept.join(','),
                       "restart=" + QString::number(o.restartServers()),
                       "server=" + request.serverConfigPath,
                       "diff=" + QString::number(request.diff),
                       "jobs=" + QString::number(request.jobs)}
        .join(' ');
}
} // namespace

class TestBatchCommandLine : public QObject
{
    Q_OBJECT

private slots:
    void parse_data()
    {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<QString>("request");
        const auto row = [](const char* name, const char* arguments, const QString& request) {
            QTest::newRow(name) << arguments << request;
        };
        const QString backup = "backup csv=s.csv out=out naming=%1 report=%2 overwrite=%3 config= mode=0 "
                               "keep=Licence,Network restart=0 server= diff=0 jobs=%4";
        const QString push = "push csv=s.csv out= naming=0 report= overwrite=0 config=c.conf mode=%1 keep=%2 "
                             "restart=%3 server= diff=0 jobs=%4";
        const QString preview = "preview csv= out= naming=0 report= overwrite=0 config=c.conf mode=%1 keep=%2 "
                                "restart=0 server=a.conf diff=%3 jobs=1";
        row("backup defaults", "backup --csv s.csv --output-dir out", backup.arg(0).arg("").arg(0).arg(1));
        row("backup, = form",
            "backup --naming=host --csv=s.csv --output-dir=out --report r --overwrite-report --jobs=64",
            backup.arg(1).arg("r").arg(1).arg(64));
        row("backup checking keys", "backup --csv s.csv --output-dir out --verify-server-keys",
            backup.arg(0).arg("").arg("0 verify").arg(1));
        row("last value wins", "backup --csv s.csv --output-dir out --naming host --naming both --jobs 3 --jobs 1",
            backup.arg(2).arg("").arg(0).arg(1));
        row("push defaults", "push --csv s.csv --config c.conf", push.arg(0).arg("Licence,Network").arg(0).arg(1));
        row("push replace, restart",
            "push --csv s.csv --config c.conf --mode replace --restart --no-preserve-licence --jobs 2",
            push.arg(1).arg("Network").arg(1).arg(2));
        row("preview defaults", "preview --config c.conf --server-config a.conf",
            preview.arg(0).arg("Licence,Network").arg(0));
        row("preview replace, diff",
            "preview --server-config a.conf --config c.conf --mode replace --diff --no-preserve-network",
            preview.arg(1).arg("Licence").arg(1));
        for (const char* help : {"--help", "-h", "help", "push --help", "preview -h --mode nonsense"}) {
            row(help, help, "help");
        }
        row("nothing", "", "usage: no command given (backup, push or preview)");
        row("option before command", "--csv s.csv backup",
            "usage: unknown command '--csv' (use backup, push or preview)");
        row("key check on preview", "preview --server-config a --config c --verify-server-keys",
            "usage: preview: Unknown option 'verify-server-keys'.");
        row("push option on preview", "preview --server-config a --config c --restart",
            "usage: preview: Unknown option 'restart'.");
        row("no configuration file", "push --csv s.csv", "usage: push: the option --config FILE is required");
        row("blank output dir",
            "backup --csv s.csv --output-dir= ", "usage: backup: the option --output-dir DIR is required");
        row("bad mode", "push --csv s.csv --config c --mode Merge",
            "usage: push: unknown mode 'Merge' (use merge or replace)");
        row("bad naming", "backup --csv s --output-dir o --naming ip",
            "usage: backup: unknown naming 'ip' (use server-name, host or both)");
        for (const char* jobs : {"0", "65", "x", "8x", "-1", ""}) {
            row(qPrintable(QString("jobs '%1'").arg(jobs)),
                qPrintable(QString("push --csv s --config c --jobs=") + jobs),
                QString("usage: push: --jobs takes a number from 1 to 64, not '%1'").arg(jobs));
        }
        row("jobs on preview", "preview --server-config a --config c --jobs 2",
            "usage: preview: Unknown option 'jobs'.");
        row("stray argument", "push --csv s.csv --config c extra", "usage: push: unexpected argument 'extra'");
    }
    void parse()
    {
        QFETCH(QString, arguments);
        const QStringList argv = QStringList{"quorlan-batch"} + arguments.split(' ', Qt::SkipEmptyParts);
        QTEST(describe(BatchCommandLine::parse(argv)), "request");
    }

    void helpStartsWithTheUsageAndIntroductionAndFitsIn80Columns()
    {
        const QString help = BatchCommandLine::helpText();
        QCOMPARE(help.section('\n', 0, 6),
                 QString("Usage:\n"
                         "  quorlan-batch backup --csv FILE --output-dir DIR [options]\n"
                         "  quorlan-batch push --csv FILE --config FILE [options]\n"
                         "  quorlan-batch preview --server-config FILE --config FILE [options]\n"
                         "  quorlan-batch --help\n\n"
                         "Runs Quorlan's backup and push on the servers of a CSV server list, one server"));
        for (const QString& line : help.split('\n')) {
            QVERIFY2(line.size() <= 80, qPrintable(line));
        }
    }
};

QTEST_GUILESS_MAIN(TestBatchCommandLine)
#include "tst_batchcommandline.moc"
