#include "batch/batchcommandline.h"
#include "batch/consolereporter.h"
#include "batch/runtally.h"
#include "batch/unifieddiff.h"
#include "engine/operationinterface.h"

#include <QtTest>

#include <cstdio>
#include <memory>

Q_DECLARE_METATYPE(ExitStatus)

namespace {
// Every field of the request on one line; help and usage errors by their text.
QString describe(const BatchRequest& request)
{
    const QString command = QStringList{"help", "usage", "backup", "push", "preview"}.at(int(request.command));
    if (!request.text.isEmpty()) {
        return command + ": " + request.text;
    }
    const OperationOptions& o = request.options;
    const QStringList kept(o.preservedSections().begin(), o.preservedSections().end());
    const auto number = [](int n) { return QString::number(n); };
    return QString("%1 csv=%2 out=%3 naming=%4 report=%5 overwrite=%6 config=%7 mode=%8 keep=%9")
               .arg(command, o.csvPath(), o.outputDirectory(), number(o.namingMode()), o.reportPath(),
                    number(request.overwriteReport) + (request.verifyServerKeys ? " verify" : ""), o.configFilePath(),
                    number(o.pushMode()), kept.join(',')) +
           QString(" restart=%1 server=%2 diff=%3 jobs=%4")
               .arg(number(o.restartServers()), request.serverConfigPath, number(request.diff), number(request.jobs));
}

// Stands in for an operation: plays "/"-separated events, "M:text" a message, "E:text" an error, "S" the end of a
// server (the separator, then finishedCurrentServer), "F" the end of the run.
class ScriptedOperation final : public OperationInterface
{
public:
    void start() override {}
    void cancel() override {}
    void play(const QString& events)
    {
        for (const QString& event : events.split('/')) {
            if (event.startsWith("E:")) {
                emit showError(event.mid(2));
            } else if (event == "F") {
                emit finished();
            } else {
                emit showMessage(event == "S" ? QString(58, '-') : event.mid(2));
            }
            if (event == "S") {
                emit finishedCurrentServer();
            }
        }
    }
};

using File = std::unique_ptr<FILE, int (*)(FILE*)>;

// Everything written to the temporary file.
QString contents(const File& file)
{
    std::fflush(file.get());
    std::rewind(file.get());
    QFile reader;
    return reader.open(file.get(), QIODevice::ReadOnly) ? QString::fromUtf8(reader.readAll()) : QString();
}

} // namespace

// The parts of quorlan-batch below the process: its command line, the exit status and progress line it derives
// from an operation's signals, and the diff of a preview.
class TestBatchParts : public QObject
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
        row("last value wins, keys checked",
            "backup --csv s.csv --output-dir out --naming host --naming both --jobs 3 --jobs 1 --verify-server-keys",
            backup.arg(2).arg("").arg("0 verify").arg(1));
        row("push defaults", "push --csv s.csv --config c.conf", push.arg(0).arg("Licence,Network").arg(0).arg(1));
        row("push replace, restart",
            "push --csv s.csv --config c.conf --mode replace --restart --no-preserve-licence --jobs 2",
            push.arg(1).arg("Network").arg(1).arg(2));
        row("preview replace, diff",
            "preview --server-config a.conf --config c.conf --mode replace --diff --no-preserve-network",
            preview.arg(1).arg("Licence").arg(1));
        for (const char* help : {"--help", "-h", "help", "push --help", "preview -h --mode nonsense"}) {
            row(help, help, "help: " + BatchCommandLine::helpText());
        }
        row("nothing", "", "usage: no command given (backup, push or preview)");
        row("option before command", "--csv s.csv backup",
            "usage: unknown command '--csv' (use backup, push or preview)");
        row("push option on preview", "preview --server-config a --config c --restart",
            "usage: preview: Unknown option 'restart'.");
        row("blank output dir",
            "backup --csv s.csv --output-dir= ", "usage: backup: the option --output-dir DIR is required");
        row("bad mode", "push --csv s.csv --config c --mode Merge",
            "usage: push: unknown mode 'Merge' (use merge or replace)");
        row("bad naming", "backup --csv s --output-dir o --naming ip",
            "usage: backup: unknown naming 'ip' (use server-name, host or both)");
        for (const char* jobs : {"0", "65", "x", "8x", ""}) {
            row(qPrintable(QString("jobs '%1'").arg(jobs)),
                qPrintable(QString("push --csv s --config c --jobs=") + jobs),
                QString("usage: push: --jobs takes a number from 1 to 64, not '%1'").arg(jobs));
        }
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

    void exitStatus_data()
    {
        QTest::addColumn<QString>("events");
        QTest::addColumn<ExitStatus>("status");
        QTest::addColumn<int>("done");
        QTest::addColumn<int>("failed");
        const auto row = [](const char* name, const char* events, ExitStatus status, int done, int failed) {
            QTest::newRow(name) << events << status << done << failed;
        };
        row("second fails", "M:Connecting to a.../S/M:Connecting to b.../E:Login/S/F", ExitStatus::ServerFailed, 2, 1);
        row("two errors count once", "M:Connecting to a.../E:one/E:two/S/F", ExitStatus::ServerFailed, 1, 1);
        row("host that looks like the message", "M:Connecting to Connecting to x....../S/F", ExitStatus::Success, 1, 0);
        row("missing columns, a message ending as a server's", "M:Pushing configuration to server.../E:No column/F",
            ExitStatus::NotStarted, 0, 0);
        row("error after the last server", "M:Connecting to a.../S/E:late/F", ExitStatus::ServerFailed, 1, 0);
    }
    void exitStatus()
    {
        QFETCH(QString, events);
        ScriptedOperation operation;
        int asked = 0;
        RunTally tally(operation, [&asked] { return ++asked; });
        operation.play(events);
        QTEST(tally.exitStatus(), "status");
        QTEST(tally.serversDone(), "done");
        QTEST(tally.serversFailed(), "failed");
        QCOMPARE(asked, tally.serversDone());
    }

    void progressLineOnlyOnTheTerminal()
    {
        ScriptedOperation operation;
        RunTally tally(operation, [] { return 2; });
        const File lines(std::tmpfile(), &std::fclose), terminal(std::tmpfile(), &std::fclose);
        ConsoleReporter reporter(operation, tally, lines.get(), lines.get(), terminal.get());
        operation.play("E:before any server/M:Connecting to alpha.../E:Login Error: no/S/M:Finished!/F");

        // Nothing before the first server; drawn when the tally changes, cleared and drawn again
        // around every message, and cleared for good at the end.
        const QString e = "\r\033[K", alpha0 = e + "0/2 servers done, 0 failed - now alpha";
        const QString alpha1 = e + "0/2 servers done, 1 failed - now alpha", done = e + "1/2 servers done, 1 failed";
        QCOMPARE(contents(terminal), alpha0 + e + alpha0 + alpha1 + e + alpha1 + e + alpha1 + done + e + done + e);
    }

    // Expected outputs are those of GNU "diff -u" on the same texts.
    void format_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::addColumn<QString>("diff");
        const auto row = [](const char* name, const QString& before, const QString& after, const QString& hunks) {
            QTest::newRow(name) << before << after << (hunks.isEmpty() ? hunks : "--- old\n+++ new\n" + hunks);
        };
        row("equal", "a\nb\n", "a\nb\n", "");
        row("everything removed", "x\n", "", "@@ -1 +0,0 @@\n-x\n");
        row("line end added", "a\nb", "a\nb\n", "@@ -1,2 +1,2 @@\n a\n-b\n\\ No newline at end of file\n+b\n");
        row("hunks at the start and inside", "1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n11\n12\n13\n14\n15\n",
            "one\n2\n3\n4\n5\n6\n7\n8\n9\n10\neleven\n12\n13\n14\n15\n",
            "@@ -1,4 +1,4 @@\n-1\n+one\n 2\n 3\n 4\n@@ -8,7 +8,7 @@\n 8\n 9\n 10\n-11\n+eleven\n 12\n 13\n 14\n");
    }
    void format()
    {
        QFETCH(QString, before);
        QFETCH(QString, after);
        QTEST(UnifiedDiff::format(before, after, "old", "new"), "diff");
    }
};

QTEST_GUILESS_MAIN(TestBatchParts)
#include "tst_batchparts.moc"
