#include "batch/batchcommandline.h"

#include <QtTest>

using Command = BatchRequest::Command;

Q_DECLARE_METATYPE(BatchRequest::Command)

namespace {
QStringList commandLine(const QString& arguments)
{
    return QStringList{QStringLiteral("quorlan-batch")} + arguments.split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

std::set<QString> kinds(std::initializer_list<const char*> names)
{
    std::set<QString> result;
    for (const char* name : names) {
        result.insert(QLatin1String(name));
    }
    return result;
}
} // namespace

class TestBatchCommandLine : public QObject
{
    Q_OBJECT

private slots:
    void defaultsAreTheWindowsFirstStart();
    void backupOptions_data();
    void backupOptions();
    void pushAndPreviewOptions_data();
    void pushAndPreviewOptions();
    void usageErrors_data();
    void usageErrors();
    void helpListsEveryOptionAndExitStatus();
};

void TestBatchCommandLine::defaultsAreTheWindowsFirstStart()
{
    const BatchRequest backup =
        BatchCommandLine::parse(commandLine(QStringLiteral("backup --csv s.csv --output-dir out")));
    QCOMPARE(backup.command, Command::Backup);
    QCOMPARE(backup.options.namingMode(), static_cast<qint32>(NamingMode::ServerName));
    QVERIFY(backup.options.reportPath().isEmpty());
    QVERIFY(!backup.overwriteReport);

    const BatchRequest push = BatchCommandLine::parse(commandLine(QStringLiteral("push --csv s.csv --config c.conf")));
    QCOMPARE(push.command, Command::Push);
    QCOMPARE(push.options.pushMode(), static_cast<qint32>(PushMode::Merge));
    QCOMPARE(push.options.preservedSections(), kinds({"Licence", "Network"}));
    QVERIFY(!push.options.restartServers());
    QCOMPARE(push.options.csvPath(), QStringLiteral("s.csv"));
    QCOMPARE(push.options.configFilePath(), QStringLiteral("c.conf"));
}

void TestBatchCommandLine::backupOptions_data()
{
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<qint32>("naming");
    QTest::addColumn<QString>("report");
    QTest::addColumn<bool>("overwrite");

    QTest::newRow("host") << "backup --csv s.csv --output-dir out --naming host" << qint32(NamingMode::IPHost) << ""
                          << false;
    QTest::newRow("both, = form") << "backup --naming=both --csv=s.csv --output-dir=out" << qint32(NamingMode::Both)
                                  << "" << false;
    QTest::newRow("server-name, report replaced")
        << "backup --output-dir out --csv s.csv --naming server-name --report r.txt --overwrite-report"
        << qint32(NamingMode::ServerName) << "r.txt" << true;
    QTest::newRow("last value wins") << "backup --csv s.csv --output-dir out --naming host --naming both"
                                     << qint32(NamingMode::Both) << "" << false;
}

void TestBatchCommandLine::backupOptions()
{
    QFETCH(QString, arguments);
    const BatchRequest request = BatchCommandLine::parse(commandLine(arguments));
    QCOMPARE(request.command, Command::Backup);
    QCOMPARE(request.options.csvPath(), QStringLiteral("s.csv"));
    QCOMPARE(request.options.outputDirectory(), QStringLiteral("out"));
    QTEST(request.options.namingMode(), "naming");
    QTEST(request.options.reportPath(), "report");
    QTEST(request.overwriteReport, "overwrite");
}

void TestBatchCommandLine::pushAndPreviewOptions_data()
{
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<Command>("command");
    QTest::addColumn<qint32>("mode");
    QTest::addColumn<QStringList>("preserved");
    QTest::addColumn<bool>("restart");
    QTest::addColumn<bool>("diff");

    const QStringList both{QStringLiteral("Licence"), QStringLiteral("Network")};
    QTest::newRow("push replace, restart") << "push --csv s.csv --config c.conf --mode replace --restart"
                                           << Command::Push << qint32(PushMode::Replace) << both << true << false;
    QTest::newRow("push without licence")
        << "push --csv s.csv --config c.conf --no-preserve-licence" << Command::Push << qint32(PushMode::Merge)
        << QStringList{QStringLiteral("Network")} << false << false;
    QTest::newRow("push without either")
        << "push --csv s.csv --config c.conf --no-preserve-network --no-preserve-licence --mode merge" << Command::Push
        << qint32(PushMode::Merge) << QStringList() << false << false;
    QTest::newRow("preview replace, diff")
        << "preview --server-config a.conf --config c.conf --mode replace --diff --no-preserve-network"
        << Command::Preview << qint32(PushMode::Replace) << QStringList{QStringLiteral("Licence")} << false << true;
    QTest::newRow("preview defaults") << "preview --config c.conf --server-config a.conf" << Command::Preview
                                      << qint32(PushMode::Merge) << both << false << false;
}

void TestBatchCommandLine::pushAndPreviewOptions()
{
    QFETCH(QString, arguments);
    QFETCH(QStringList, preserved);
    const BatchRequest request = BatchCommandLine::parse(commandLine(arguments));
    QTEST(request.command, "command");
    QCOMPARE(request.options.configFilePath(), QStringLiteral("c.conf"));
    QTEST(request.options.pushMode(), "mode");
    QCOMPARE(QStringList(request.options.preservedSections().begin(), request.options.preservedSections().end()),
             preserved);
    QTEST(request.options.restartServers(), "restart");
    QTEST(request.diff, "diff");
    if (request.command == Command::Preview) {
        QCOMPARE(request.serverConfigPath, QStringLiteral("a.conf"));
    }
}

void TestBatchCommandLine::usageErrors_data()
{
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<QString>("message");

    QTest::newRow("nothing") << ""
                             << "no command given (backup, push or preview)";
    QTest::newRow("unknown command") << "restore --csv s.csv"
                                     << "unknown command 'restore' (use backup, push or preview)";
    QTest::newRow("option before command") << "--csv s.csv backup"
                                           << "unknown command '--csv' (use backup, push or preview)";
    QTest::newRow("unknown option") << "backup --csv s.csv --output-dir out --mode merge"
                                    << "backup: Unknown option 'mode'.";
    QTest::newRow("push option on preview") << "preview --server-config a --config c --restart"
                                            << "preview: Unknown option 'restart'.";
    QTest::newRow("missing value") << "backup --output-dir out --csv"
                                   << "backup: Missing value after '--csv'.";
    QTest::newRow("missing csv") << "backup --output-dir out"
                                 << "backup: the option --csv FILE is required";
    QTest::newRow("missing output dir") << "backup --csv s.csv"
                                        << "backup: the option --output-dir DIR is required";
    QTest::newRow("blank output dir") << "backup --csv s.csv --output-dir= "
                                      << "backup: the option --output-dir DIR is required";
    QTest::newRow("missing config") << "push --csv s.csv"
                                    << "push: the option --config FILE is required";
    QTest::newRow("missing server config") << "preview --config c.conf"
                                           << "preview: the option --server-config FILE is required";
    QTest::newRow("bad mode") << "push --csv s.csv --config c --mode Merge"
                              << "push: unknown mode 'Merge' (use merge or replace)";
    QTest::newRow("bad preview mode") << "preview --server-config a --config c --mode overwrite"
                                      << "preview: unknown mode 'overwrite' (use merge or replace)";
    QTest::newRow("bad naming") << "backup --csv s.csv --output-dir out --naming ip"
                                << "backup: unknown naming 'ip' (use server-name, host or both)";
    QTest::newRow("stray argument") << "push --csv s.csv --config c extra"
                                    << "push: unexpected argument 'extra'";
}

void TestBatchCommandLine::usageErrors()
{
    QFETCH(QString, arguments);
    const BatchRequest request = BatchCommandLine::parse(commandLine(arguments));
    QCOMPARE(request.command, Command::UsageError);
    QTEST(request.text, "message");
}

void TestBatchCommandLine::helpListsEveryOptionAndExitStatus()
{
    for (const char* arguments : {"--help", "-h", "help", "push --help", "preview -h --mode nonsense"}) {
        const BatchRequest request = BatchCommandLine::parse(commandLine(QLatin1String(arguments)));
        QVERIFY2(request.command == Command::Help, arguments);
        QCOMPARE(request.text, BatchCommandLine::helpText());
    }
    const QString help = BatchCommandLine::helpText();
    for (const char* option :
         {"--csv FILE", "--output-dir DIR", "--naming NAMING", "--report FILE", "--overwrite-report", "--config FILE",
          "--mode MODE", "--no-preserve-licence", "--no-preserve-network", "--restart", "--server-config FILE",
          "--diff", "server-name", "host", "both", "merge", "replace"}) {
        QVERIFY2(help.contains(QLatin1String(option)), option);
    }
    for (const char* status : {"\n  0 ", "\n  1 ", "\n  2 "}) {
        QVERIFY2(help.contains(QLatin1String(status)), status);
    }
    const QStringList lines = help.split(QLatin1Char('\n'));
    for (const QString& line : lines) {
        QVERIFY2(line.size() <= 80, qPrintable(line));
    }
}

QTEST_GUILESS_MAIN(TestBatchCommandLine)
#include "tst_batchcommandline.moc"
