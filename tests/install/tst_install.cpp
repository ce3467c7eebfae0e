// What the installed tree and the packages rely on: the translations found from the program's own directory, and
// manual pages and a bash completion listing the long options of each program's --help (made from its parser's table).

#include "common/translationsdirectory.h"

#include <QtTest>

#include <numeric>

namespace {

using OptionSet = QSet<QString>;

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
    QFile file(QStringLiteral(QUORLAN_PACKAGING_DIR) + path);
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
}

void TestInstall::besideFirstThenInstalledShare()
{
    QFETCH(QStringList, files);
    QFETCH(QString, expected);

    QTemporaryDir root;
    for (const QString& file : files) {
        QFile qm(root.filePath(file));
        QVERIFY(QDir().mkpath(QFileInfo(qm).path()) && qm.open(QIODevice::WriteOnly));
    }

    // The installed path is given without "..", as a user reads it in messages.
    QCOMPARE(common::translationsDirectory(root.filePath(QStringLiteral("bin"))), root.filePath(expected));
}

void TestInstall::documentedOptionsAreTheParsersOptions_data()
{
    QTest::addColumn<OptionSet>("documented");
    QTest::addColumn<OptionSet>("known");

    const QMap<QString, OptionSet> batch = helpOptions(QStringLiteral(QUORLAN_BATCH));
    QCOMPARE(batch.keys(), QStringList({"backup", "preview", "push"}));
    const OptionSet batchAll = std::accumulate(batch.cbegin(), batch.cend(), OptionSet());
    const OptionSet sim = helpOptions(QStringLiteral(ORRIN_SIM)).value(QString());
    const QString batchPage = readText("/man/quorlan-batch.1");
    const QString simPage = readText("/man/orrin-sim.1");

    const auto synopses = optionsBy("^\\.SY \\S+\\n\\.B ([a-z]+)$([\\s\\S]*?)^\\.YS$", batchPage);
    const auto completion = optionsBy("^\\s*([a-z]+)\\) options='([^']*)'", readText("/completion/quorlan-batch"));
    for (const QString& command : batch.keys()) {
        // The synopses show --help once, on a line of its own.
        QTest::addRow("quorlan-batch(1) synopsis of %s", qPrintable(command))
            << synopses.value(command) << batch.value(command) - OptionSet{"help"};
        QTest::addRow("bash completion of %s", qPrintable(command))
            << completion.value(command) << batch.value(command);
    }
    // The head of each item (the line after .TP) names its option.
    const QString itemHeads = QStringLiteral("^\\.TP\\n()(.*)$");
    QTest::newRow("quorlan-batch(1) options") << optionsBy(itemHeads, batchPage).value(QString()) << batchAll;
    QTest::newRow("orrin-sim(1) options") << optionsBy(itemHeads, simPage).value(QString()) << sim;
    QTest::newRow("unknown options mentioned in quorlan-batch(1)") << longOptions(batchPage) - batchAll << OptionSet();
    QTest::newRow("unknown options mentioned in orrin-sim(1)") << longOptions(simPage) - sim << OptionSet();
}

void TestInstall::documentedOptionsAreTheParsersOptions()
{
    QFETCH(OptionSet, documented);
    QFETCH(OptionSet, known);

    QCOMPARE(sorted(documented), sorted(known));
}

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_install.moc"
