#include "batch/consolereporter.h"
#include "batch/runtally.h"
#include "engine/operationinterface.h"

#include <QtTest>

#include <cstdio>
#include <memory>

Q_DECLARE_METATYPE(ExitStatus)

namespace {

// Stands in for an operation: plays "/"-separated events, "M:text" a message,
// "E:text" an error, "S" the end of a server (the separator, then
// finishedCurrentServer), "F" the end of the run.
class ScriptedOperation final : public OperationInterface
{
public:
    void start() override {}
    void cancel() override {}
    void play(const QString& events)
    {
        for (const QString& event : events.split('/')) {
            if (event == "S" || event.startsWith("M:")) {
                emit showMessage(event == "S" ? QString(58, '-') : event.mid(2));
            }
            if (event.startsWith("E:")) {
                emit showError(event.mid(2));
            }
            if (event == "S") {
                emit finishedCurrentServer();
            }
            if (event == "F") {
                emit finished();
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

class TestRunTally : public QObject
{
    Q_OBJECT

private slots:
    void exitStatus_data()
    {
        QTest::addColumn<QString>("events");
        QTest::addColumn<ExitStatus>("status");
        QTest::addColumn<int>("done");
        QTest::addColumn<int>("failed");
        const auto row = [](const char* name, const char* events, ExitStatus status, int done, int failed) {
            QTest::newRow(name) << events << status << done << failed;
        };
        row("two servers fine", "M:Connecting to a.../M:Connected/S/M:Connecting to b.../M:Connected/S/F",
            ExitStatus::Success, 2, 0);
        row("second refuses the login", "M:Connecting to a.../M:Connected/S/M:Connecting to b.../E:Login/S/F",
            ExitStatus::ServerFailed, 2, 1);
        row("two errors count once", "M:Connecting to a.../E:Config Error/E:Could not/S/F", ExitStatus::ServerFailed, 1,
            1);
        row("host that looks like the message", "M:Connecting to Connecting to x....../S/F", ExitStatus::Success, 1, 0);
        row("missing columns, a message ending as a server's", "M:Pushing configuration to server.../E:No column/F",
            ExitStatus::NotStarted, 0, 0);
        row("report refused without a word", "F", ExitStatus::NotStarted, 0, 0);
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
        QCOMPARE(tally.currentHost(), QString());
        QCOMPARE(asked, tally.serversDone());
    }

    void progressLineOnlyOnTheTerminal()
    {
        ScriptedOperation operation;
        RunTally tally(operation, [] { return 2; });
        const File out(std::tmpfile(), &std::fclose), err(std::tmpfile(), &std::fclose);
        const File terminal(std::tmpfile(), &std::fclose);
        ConsoleReporter reporter(operation, tally, out.get(), err.get(), terminal.get());
        operation.play("E:before any server/M:Connecting to alpha.../E:Login Error: no/S/M:Finished!/F");

        // Nothing before the first server; drawn when the tally changes, cleared and drawn again
        // around every message, and cleared for good at the end.
        const QString erase = "\r\033[K";
        const QString alpha0 = erase + "0/2 servers done, 0 failed - now alpha";
        const QString alpha1 = erase + "0/2 servers done, 1 failed - now alpha";
        const QString done = erase + "1/2 servers done, 1 failed";
        QCOMPARE(contents(terminal),
                 alpha0 + erase + alpha0 + alpha1 + erase + alpha1 + erase + alpha1 + done + erase + done + erase);
        QCOMPARE(contents(out), "INFO: Connecting to alpha...\nINFO: " + QString(58, '-') + "\nINFO: Finished!\n");
        QCOMPARE(contents(err), QString("ERROR: before any server\nERROR: Login Error: no\n"));
    }
};

QTEST_GUILESS_MAIN(TestRunTally)
#include "tst_runtally.moc"
