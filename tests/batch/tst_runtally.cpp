#include "batch/consolereporter.h"
#include "batch/runtally.h"
#include "engine/operationinterface.h"

#include <QtTest>

#include <cstdio>
#include <memory>

Q_DECLARE_METATYPE(ExitStatus)

namespace {

// Stands in for an operation: the test emits its signals.
class ScriptedOperation final : public OperationInterface
{
public:
    void start() override {}
    void cancel() override {}

    // One event per entry: "M:text" a message, "E:text" an error, "S" the end
    // of the current server (the separator message, then finishedCurrentServer),
    // "F" the end of the run.
    void play(const QStringList& events)
    {
        for (const QString& event : events) {
            if (event.startsWith(QLatin1String("M:"))) {
                emit showMessage(event.mid(2));
            } else if (event.startsWith(QLatin1String("E:"))) {
                emit showError(event.mid(2));
            } else if (event == QLatin1String("S")) {
                emit showMessage(QString(58, QLatin1Char('-')));
                emit finishedCurrentServer();
            } else {
                emit finished();
            }
        }
    }
};

struct FileCloser
{
    void operator()(FILE* file) const { std::fclose(file); }
};
using TemporaryFile = std::unique_ptr<FILE, FileCloser>;

QString contents(FILE* file)
{
    std::fflush(file);
    std::rewind(file);
    QByteArray bytes;
    char buffer[256];
    std::size_t read = 0;
    while ((read = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        bytes.append(buffer, static_cast<int>(read));
    }
    return QString::fromUtf8(bytes);
}

const QString kErase = QStringLiteral("\r\033[K");

} // namespace

class TestRunTally : public QObject
{
    Q_OBJECT

private slots:
    void exitStatus_data();
    void exitStatus();
    void progressLineOnlyOnTheTerminal();
};

void TestRunTally::exitStatus_data()
{
    QTest::addColumn<QStringList>("events");
    QTest::addColumn<ExitStatus>("status");
    QTest::addColumn<int>("done");
    QTest::addColumn<int>("failed");

    const QString connect1 = QStringLiteral("M:Connecting to 127.0.0.1...");
    const QString connect2 = QStringLiteral("M:Connecting to 127.0.0.2...");
    const QString finished = QStringLiteral("M:Finished!");
    QTest::newRow("two servers fine") << QStringList{connect1,      "M:Connected", "S",      connect2,
                                                     "M:Connected", "S",           finished, "F"}
                                      << ExitStatus::Success << 2 << 0;
    QTest::newRow("second refuses the login")
        << QStringList{connect1, "M:Connected", "S", connect2, "E:Login Error: Bad password", "S", finished, "F"}
        << ExitStatus::ServerFailed << 2 << 1;
    QTest::newRow("two errors on one server count once")
        << QStringList{connect1, "M:Connected", "E:Config Error: refused", "E:Could not read", "S", finished, "F"}
        << ExitStatus::ServerFailed << 1 << 1;
    QTest::newRow("both fail")
        << QStringList{connect1, "E:Connection timed out", "S", connect2, "E:Login Error: x", "S", finished, "F"}
        << ExitStatus::ServerFailed << 2 << 2;
    QTest::newRow("a host that looks like the message")
        << QStringList{"M:Connecting to Connecting to x......", "M:Connected", "S", finished, "F"}
        << ExitStatus::Success << 1 << 0;
    QTest::newRow("missing columns") << QStringList{"E:No column in CSV for username",
                                                    "E:No column in CSV for password", "F"}
                                     << ExitStatus::NotStarted << 0 << 0;
    QTest::newRow("report refused without a word") << QStringList{"F"} << ExitStatus::NotStarted << 0 << 0;
    QTest::newRow("configuration file unreadable")
        << QStringList{"E:Could not read configuration file: /x", "F"} << ExitStatus::NotStarted << 0 << 0;
    QTest::newRow("error after the last server")
        << QStringList{connect1, "M:Connected", "S", "E:late", "F"} << ExitStatus::ServerFailed << 1 << 0;
}

void TestRunTally::exitStatus()
{
    QFETCH(QStringList, events);
    ScriptedOperation operation;
    int asked = 0;
    RunTally tally(operation, [&asked] {
        ++asked;
        return 7;
    });
    operation.play(events);
    QTEST(tally.exitStatus(), "status");
    QTEST(tally.serversDone(), "done");
    QTEST(tally.serversFailed(), "failed");
    QVERIFY(tally.currentHost().isEmpty());
    QCOMPARE(asked, tally.serversDone());
}

void TestRunTally::progressLineOnlyOnTheTerminal()
{
    ScriptedOperation operation;
    RunTally tally(operation, [] { return 2; });
    const TemporaryFile out(std::tmpfile());
    const TemporaryFile err(std::tmpfile());
    const TemporaryFile terminal(std::tmpfile());
    QVERIFY(out && err && terminal);
    ConsoleReporter reporter(operation, tally, out.get(), err.get(), terminal.get());

    operation.play({"E:before any server"});
    QCOMPARE(contents(terminal.get()), QString());

    operation.play({"M:Connecting to alpha...", "E:Login Error: no"});
    QVERIFY(contents(terminal.get()).endsWith(kErase + QStringLiteral("0/2 servers done, 1 failed - now alpha")));
    operation.play({"S", "M:Connecting to beta..."});
    QVERIFY(contents(terminal.get()).endsWith(kErase + QStringLiteral("1/2 servers done, 1 failed - now beta")));
    operation.play({"M:Connected", "S", "M:Finished!"});
    QVERIFY(contents(terminal.get()).endsWith(kErase + QStringLiteral("2/2 servers done, 1 failed")));
    operation.play({"F"});
    QVERIFY2(contents(terminal.get()).endsWith(QStringLiteral("1 failed") + kErase), "progress line left behind");

    // The messages themselves never carry any of it.
    for (FILE* stream : {out.get(), err.get()}) {
        const QString text = contents(stream);
        QVERIFY2(!text.contains(QLatin1Char('\r')) && !text.contains(QLatin1Char('\033')), qPrintable(text));
    }
    QCOMPARE(contents(err.get()), QStringLiteral("ERROR: before any server\nERROR: Login Error: no\n"));
}

QTEST_GUILESS_MAIN(TestRunTally)
#include "tst_runtally.moc"
