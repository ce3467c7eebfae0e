// The manual pages and the bash completion list the options the programs'
// own parsers know: each program is run with --help (its help text is made
// from the same table its parser reads) and its long options are compared
// with those of the page and of the completion script.

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QtTest>

namespace {

using OptionSet = QSet<QString>;

const QString kPackagingDir = QStringLiteral(QUORLAN_PACKAGING_DIR);
const QStringList kBatchCommands{QStringLiteral("backup"), QStringLiteral("push"), QStringLiteral("preview")};
const QRegularExpression kLongOption(QStringLiteral("(?<![\\w-])--([a-z][a-z0-9-]*)"));

OptionSet longOptions(const QString& text)
{
    OptionSet options;
    QRegularExpressionMatchIterator it = kLongOption.globalMatch(text);
    while (it.hasNext()) {
        options.insert(it.next().captured(1));
    }
    return options;
}

QStringList sorted(const OptionSet& options)
{
    QStringList list = options.values();
    list.sort();
    return list;
}

QString readText(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// A manual page with roff's escaped hyphens written as plain ones and its
// font changes (\fB, \fI, \fR, \fP) left out.
QString readPage(const QString& name)
{
    return readText(kPackagingDir + QStringLiteral("/man/") + name)
        .replace(QStringLiteral("\\-"), QStringLiteral("-"))
        .remove(QRegularExpression(QStringLiteral("\\\\f[BIRP]")));
}

// The lines of one ".SH <name>" section of a page.
QStringList pageSection(const QString& page, const QString& name)
{
    QStringList lines;
    bool inside = false;
    for (const QString& line : page.split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String(".SH "))) {
            inside = line.mid(4).remove(QLatin1Char('"')) == name;
        } else if (inside) {
            lines.append(line);
        }
    }
    return lines;
}

// The first long option of every item head (the line after .TP) of OPTIONS.
OptionSet pageOptionItems(const QString& page)
{
    OptionSet options;
    const QStringList lines = pageSection(page, QStringLiteral("OPTIONS"));
    for (int i = 0; i + 1 < lines.size(); ++i) {
        if (lines.at(i) == QLatin1String(".TP")) {
            const QRegularExpressionMatch match = kLongOption.match(lines.at(i + 1));
            if (match.hasMatch()) {
                options.insert(match.captured(1));
            }
        }
    }
    return options;
}

// The options of each synopsis (.SY ... .YS), keyed by its command word.
QMap<QString, OptionSet> pageSynopses(const QString& page)
{
    QMap<QString, OptionSet> synopses;
    const QString synopsis = pageSection(page, QStringLiteral("SYNOPSIS")).join(QLatin1Char('\n'));
    for (const QString& block : synopsis.split(QStringLiteral(".SY "), Qt::SkipEmptyParts)) {
        const QRegularExpressionMatch command =
            QRegularExpression(QStringLiteral("^\\.B ([a-z]+)$"), QRegularExpression::MultilineOption).match(block);
        if (command.hasMatch()) {
            synopses[command.captured(1)] = longOptions(block);
        }
    }
    return synopses;
}

// The options each command offers in the completion script.
QMap<QString, OptionSet> completionOptions(const QString& script)
{
    QMap<QString, OptionSet> options;
    const QRegularExpression line(QStringLiteral("^\\s*([a-z]+)\\) options='([^']*)'"),
                                  QRegularExpression::MultilineOption);
    QRegularExpressionMatchIterator it = line.globalMatch(script);
    while (it.hasNext()) {
        const QRegularExpressionMatch match = it.next();
        options[match.captured(1)] = longOptions(match.captured(2));
    }
    return options;
}

} // namespace

class TestOptionDocs : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void documentedOptionsAreTheParsersOptions_data();
    void documentedOptionsAreTheParsersOptions();
    void everyOptionMentionedExists_data();
    void everyOptionMentionedExists();

private:
    static QString help(const QString& program);

    // quorlan-batch's options by command word, as its --help lists them.
    QMap<QString, OptionSet> m_batchOptions;
    OptionSet m_batchAll;
    OptionSet m_simOptions;
    QString m_batchPage;
    QString m_simPage;
};

QString TestOptionDocs::help(const QString& program)
{
    QProcess process;
    process.start(program, QStringList{QStringLiteral("--help")});
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished();
        return QString();
    }
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0
               ? QString::fromUtf8(process.readAllStandardOutput())
               : QString();
}

void TestOptionDocs::initTestCase()
{
    const QString batchHelp = help(QStringLiteral(QUORLAN_BATCH));
    QVERIFY2(!batchHelp.isEmpty(), "quorlan-batch --help printed nothing or failed");
    // Each command's part of the help starts with "<command>:" and lists its options indented.
    const QRegularExpression heading(QStringLiteral("^([a-z]+):$"));
    const QRegularExpression optionLine(QStringLiteral("^\\s+(?:-\\w, )?--([a-z][a-z0-9-]*)"));
    QString command;
    for (const QString& line : batchHelp.split(QLatin1Char('\n'))) {
        const QRegularExpressionMatch headingMatch = heading.match(line);
        if (headingMatch.hasMatch()) {
            command = headingMatch.captured(1);
            continue;
        }
        const QRegularExpressionMatch option = optionLine.match(line);
        if (option.hasMatch() && !command.isEmpty()) {
            m_batchOptions[command].insert(option.captured(1));
            m_batchAll.insert(option.captured(1));
        }
    }
    QCOMPARE(m_batchOptions.keys(),
             QStringList({QStringLiteral("backup"), QStringLiteral("preview"), QStringLiteral("push")}));

    const QString simHelp = help(QStringLiteral(ORRIN_SIM));
    QVERIFY2(!simHelp.isEmpty(), "orrin-sim --help printed nothing or failed");
    for (const QString& line : simHelp.split(QLatin1Char('\n'))) {
        const QRegularExpressionMatch option = optionLine.match(line);
        if (option.hasMatch()) {
            m_simOptions.insert(option.captured(1));
        }
    }
    QVERIFY2(m_simOptions.contains(QStringLiteral("fleet")), qPrintable(simHelp));

    m_batchPage = readPage(QStringLiteral("quorlan-batch.1"));
    m_simPage = readPage(QStringLiteral("orrin-sim.1"));
    QVERIFY2(!m_batchPage.isEmpty() && !m_simPage.isEmpty(), "a manual page is missing");
}

void TestOptionDocs::documentedOptionsAreTheParsersOptions_data()
{
    QTest::addColumn<QStringList>("documented");
    QTest::addColumn<QStringList>("known");

    const QMap<QString, OptionSet> synopses = pageSynopses(m_batchPage);
    const QMap<QString, OptionSet> completion =
        completionOptions(readText(kPackagingDir + QStringLiteral("/completion/quorlan-batch")));
    for (const QString& command : kBatchCommands) {
        // The synopses show --help once, on a line of its own.
        OptionSet withoutHelp = m_batchOptions.value(command);
        withoutHelp.remove(QStringLiteral("help"));
        QTest::addRow("quorlan-batch(1) synopsis of %s", qPrintable(command))
            << sorted(synopses.value(command)) << sorted(withoutHelp);
        QTest::addRow("bash completion of %s", qPrintable(command))
            << sorted(completion.value(command)) << sorted(m_batchOptions.value(command));
    }
    QTest::newRow("quorlan-batch(1) options") << sorted(pageOptionItems(m_batchPage)) << sorted(m_batchAll);
    QTest::newRow("orrin-sim(1) options") << sorted(pageOptionItems(m_simPage)) << sorted(m_simOptions);
}

void TestOptionDocs::documentedOptionsAreTheParsersOptions()
{
    QFETCH(QStringList, documented);
    QFETCH(QStringList, known);

    const OptionSet documentedSet(documented.cbegin(), documented.cend());
    const OptionSet knownSet(known.cbegin(), known.cend());
    QVERIFY2(documentedSet == knownSet,
             qPrintable(QStringLiteral("documented but unknown to the parser: %1; known to the parser but not "
                                       "documented: %2")
                            .arg(sorted(OptionSet(documentedSet).subtract(knownSet)).join(QLatin1Char(' ')),
                                 sorted(OptionSet(knownSet).subtract(documentedSet)).join(QLatin1Char(' ')))));
}

void TestOptionDocs::everyOptionMentionedExists_data()
{
    QTest::addColumn<QStringList>("mentioned");
    QTest::addColumn<QStringList>("known");

    QTest::newRow("quorlan-batch(1)") << sorted(longOptions(m_batchPage)) << sorted(m_batchAll);
    QTest::newRow("orrin-sim(1)") << sorted(longOptions(m_simPage)) << sorted(m_simOptions);
}

void TestOptionDocs::everyOptionMentionedExists()
{
    QFETCH(QStringList, mentioned);
    QFETCH(QStringList, known);

    OptionSet unknown(mentioned.cbegin(), mentioned.cend());
    unknown.subtract(OptionSet(known.cbegin(), known.cend()));
    QVERIFY2(unknown.isEmpty(), qPrintable(QStringLiteral("the page mentions options the parser does not know: ") +
                                           sorted(unknown).join(QLatin1Char(' '))));
}

QTEST_GUILESS_MAIN(TestOptionDocs)
#include "tst_optiondocs.moc"
