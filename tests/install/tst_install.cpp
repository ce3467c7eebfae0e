// What the installed tree and the packages rely on: the translations found
// from the program's own directory, and manual pages and a bash completion
// that list the long options the programs' own parsers know. Each program is
// run with --help (made from the same table its parser reads) and its options
// are compared with those of the pages and of the completion script.

#include "common/translationsdirectory.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QtTest>

namespace {

using OptionSet = QSet<QString>;

const QString kPackagingDir = QStringLiteral(QUORLAN_PACKAGING_DIR);

OptionSet longOptions(const QString& text)
{
    OptionSet options;
    QRegularExpressionMatchIterator it =
        QRegularExpression(QStringLiteral("(?<![\\w-])--([a-z][a-z0-9-]*)")).globalMatch(text);
    while (it.hasNext()) {
        options.insert(it.next().captured(1));
    }
    return options;
}

// The long options in the second capture of each match of `pattern`, keyed by the first.
QMap<QString, OptionSet> optionsBy(const QString& pattern, const QString& text)
{
    QMap<QString, OptionSet> options;
    QRegularExpressionMatchIterator it =
        QRegularExpression(pattern, QRegularExpression::MultilineOption).globalMatch(text);
    while (it.hasNext()) {
        const QRegularExpressionMatch match = it.next();
        options[match.captured(1)] += longOptions(match.captured(2));
    }
    return options;
}

// A file's text; a manual page with roff's escaped hyphens as plain ones and its font changes left out.
QString readText(const QString& path)
{
    QFile file(kPackagingDir + path);
    const QString text = file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    return QString(text).replace(QStringLiteral("\\-"), QStringLiteral("-")).remove(QRegularExpression("\\\\f[BIRP]"));
}

// The options `program --help` lists at the start of a line, keyed by the "<command>:" heading above them.
QMap<QString, OptionSet> helpOptions(const QString& program)
{
    QProcess process;
    process.start(program, QStringList{QStringLiteral("--help")});
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        return {};
    }
    const QRegularExpression optionLine(QStringLiteral("^\\s+(?:-\\w, )?--([a-z][a-z0-9-]*)"));
    QMap<QString, OptionSet> options;
    QString heading;
    for (const QString& line : QString::fromUtf8(process.readAllStandardOutput()).split(QLatin1Char('\n'))) {
        if (QRegularExpression(QStringLiteral("^[a-z]+:$")).match(line).hasMatch()) {
            heading = line.chopped(1);
        } else if (const QRegularExpressionMatch option = optionLine.match(line); option.hasMatch()) {
            options[heading].insert(option.captured(1));
        }
    }
    return options;
}

QStringList sorted(const OptionSet& options)
{
    QStringList list = options.values();
    list.sort();
    return list;
}

} // namespace

class TestInstall : public QObject
{
    Q_OBJECT

private slots:
    void besideFirstThenInstalledShare_data();
    void besideFirstThenInstalledShare();
    void documentedOptionsAreTheParsersOptions_data();
    void documentedOptionsAreTheParsersOptions();
};

void TestInstall::besideFirstThenInstalledShare_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("expected");

    const QString beside = "bin/translations", share = "share/quorlan/translations";
    QTest::newRow("beside wins") << QStringList{beside + "/quorlan_fr.qm", share + "/quorlan_de.qm"} << beside;
    QTest::newRow("beside: another module") << QStringList{beside + "/qtbase_de.qm", share + "/quorlan_de.qm"} << share;
    QTest::newRow("beside: a folder") << QStringList{beside + "/quorlan_de.qm/x"} << share;
    QTest::newRow("neither exists") << QStringList{} << share;
}

void TestInstall::besideFirstThenInstalledShare()
{
    QFETCH(QStringList, files);
    QFETCH(QString, expected);

    QTemporaryDir root;
    QVERIFY(QDir(root.path()).mkpath(QStringLiteral("bin")));
    for (const QString& file : files) {
        QFile qm(root.filePath(file));
        QVERIFY(QDir().mkpath(QFileInfo(qm).path()) && qm.open(QIODevice::WriteOnly));
    }

    // The installed path is given without "..", as a user reads it in messages.
    QCOMPARE(common::translationsDirectory(root.filePath(QStringLiteral("bin"))), root.filePath(expected));
}

void TestInstall::documentedOptionsAreTheParsersOptions_data()
{
    QTest::addColumn<QStringList>("documented");
    QTest::addColumn<QStringList>("known");

    const QMap<QString, OptionSet> batch = helpOptions(QStringLiteral(QUORLAN_BATCH));
    QCOMPARE(batch.keys(), QStringList({QStringLiteral("backup"), QStringLiteral("preview"), QStringLiteral("push")}));
    OptionSet batchAll;
    for (const OptionSet& options : batch) {
        batchAll += options;
    }
    const OptionSet sim = helpOptions(QStringLiteral(ORRIN_SIM)).value(QString());
    QVERIFY2(sim.contains(QStringLiteral("fleet")), "orrin-sim --help lists no --fleet");
    const QString batchPage = readText(QStringLiteral("/man/quorlan-batch.1"));
    const QString simPage = readText(QStringLiteral("/man/orrin-sim.1"));
    QVERIFY2(!batchPage.isEmpty() && !simPage.isEmpty(), "a manual page is missing");

    const QMap<QString, OptionSet> synopses =
        optionsBy(QStringLiteral("^\\.SY \\S+\\n\\.B ([a-z]+)$([\\s\\S]*?)^\\.YS$"), batchPage);
    const QMap<QString, OptionSet> completion = optionsBy(QStringLiteral("^\\s*([a-z]+)\\) options='([^']*)'"),
                                                          readText(QStringLiteral("/completion/quorlan-batch")));
    for (const QString& command : batch.keys()) {
        // The synopses show --help once, on a line of its own.
        QTest::addRow("quorlan-batch(1) synopsis of %s", qPrintable(command))
            << sorted(synopses.value(command)) << sorted(OptionSet(batch.value(command)) - OptionSet{"help"});
        QTest::addRow("bash completion of %s", qPrintable(command))
            << sorted(completion.value(command)) << sorted(batch.value(command));
    }
    // The head of each item (the line after .TP) names its option.
    const QString itemHeads = QStringLiteral("^\\.TP\\n()(.*)$");
    QTest::newRow("quorlan-batch(1) options")
        << sorted(optionsBy(itemHeads, batchPage).value(QString())) << sorted(batchAll);
    QTest::newRow("orrin-sim(1) options") << sorted(optionsBy(itemHeads, simPage).value(QString())) << sorted(sim);
    QTest::newRow("unknown options mentioned in quorlan-batch(1)")
        << sorted(longOptions(batchPage) - batchAll) << QStringList();
    QTest::newRow("unknown options mentioned in orrin-sim(1)") << sorted(longOptions(simPage) - sim) << QStringList();
}

void TestInstall::documentedOptionsAreTheParsersOptions()
{
    QFETCH(QStringList, documented);
    QFETCH(QStringList, known);

    QCOMPARE(documented, known);
}

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_install.moc"
