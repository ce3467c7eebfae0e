#include "configsystem/changelistener.h"
#include "configsystem/configsystem.h"

#include <QtTest>

#include <functional>
#include <memory>
#include <vector>

using kelp::ConfigSystem;
using kelp::PatternPiece;
using Call = std::function<QString(ConfigSystem&)>;
using Change = std::function<void(ConfigSystem&)>;
Q_DECLARE_METATYPE(Call)
Q_DECLARE_METATYPE(Change)

namespace {

// A document loaded with text. Its kinds are tried in the order added; *Camera
// and Gate are starred (only the first writes the star in its names), Lang_
// takes anonymous values and *Macro is both.
std::unique_ptr<ConfigSystem> makeDocument(const QString& text = QString())
{
    auto document = std::make_unique<ConfigSystem>();
    document->addSectionKind("Licence", "", false, false);
    document->addSectionKind({PatternPiece("Network", ""), PatternPiece("\\d", "\\d")}, false, false);
    document->addSectionKind("Network", "", false, false);
    document->addSectionKind("*Camera", "", false, true).append(PatternPiece("\\d+", "\\d+"));
    document->addSectionKind("Camera_0x", "", false, false).append(PatternPiece("[\\da-fA-F]+", "[\\da-fA-F]+"));
    document->addSectionKind("Storage", "", false, false).append(PatternPiece("\\d{1,2}", "\\d{1,2}"));
    document->addSectionKind("Gate", "", false, true).append(PatternPiece("\\d", "\\d"));
    document->addSectionKind("Lang_", "", true, false).append(PatternPiece("[a-z]{2}", "[a-z]{2}"));
    document->addSectionKind({PatternPiece("*Macro", ""), PatternPiece("\\d{1,4}", "\\d{1,4}")}, true, true);
    document->loadText(text, false, false);
    return document;
}

QString joined(const QList<QStringRef>& refs)
{
    QStringList strings;
    for (const QStringRef& ref : refs) {
        strings.append(ref.toString());
    }
    return strings.join(QLatin1Char(','));
}

// The span lines of debugString() joined by ",": "Network 1:2,Licence 3:2".
QString spans(const ConfigSystem& document)
{
    QStringList lines = document.debugString().split(QLatin1Char('\n')).filter(QRegExp(QStringLiteral("^ {8}")));
    return lines.replaceInStrings(QStringLiteral("        "), QString()).join(QLatin1Char(','));
}

QString found(const QStringRef& value)
{
    return value.isNull() ? QStringLiteral("<null>") : value.toString();
}

// The section's values as "key=value@line" in line order; an empty value
// that is a null reference shows as "<null>".
QString valuesOf(const ConfigSystem& document, const QString& section)
{
    QMap<quint64, QString> byLine;
    for (const kelp::Section::SingleValue& value : document.section(section)->values()) {
        byLine.insert(value.line->number,
                      value.key + '=' + found(value.value) + '@' + QString::number(value.line->number));
    }
    return QStringList(byLine.values()).join(QLatin1Char(','));
}

// All a caller sees of a document: its text, spans, each section's values and
// changed mark, the removed list and the modified flag.
QStringList state(const ConfigSystem& document)
{
    QStringList lines{document.toText(), spans(document)};
    for (const QStringRef& name : document.sectionNames()) {
        const bool changed = document.section(name.toString())->isChanged();
        lines.append(name + (changed ? " changed: " : ": ") + valuesOf(document, name.toString()));
    }
    for (const kelp::RemovedSection& removed : document.removedSections()) {
        lines.append("removed " + removed.name + (removed.starred ? " *" : ""));
    }
    lines.append(document.isModified() ? QStringLiteral("modified") : QStringLiteral("unmodified"));
    return lines;
}

// "created" or "found", and whether the section handed back is the one the
// document holds under that name.
QString ensure(ConfigSystem& document, const QString& name)
{
    const auto ensured = document.ensureSection(name);
    return (ensured.first ? QStringLiteral("created") : QStringLiteral("found")) +
           (&ensured.second == document.section(name) ? QString() : QStringLiteral(", another object"));
}

struct CountingListener : kelp::ChangeListener
{
    void documentLoaded() override { ++loads; }
    int loads = 0;
};

} // namespace

class TestConfigSystem : public QObject
{
    Q_OBJECT

private slots:
    void goldenFiles_data();
    void goldenFiles();
    void edit_data();
    void edit();
    void refusedCallChangesNothing_data();
    void refusedCallChangesNothing();
};

void TestConfigSystem::goldenFiles_data()
{
    // Row name: the file loaded; rewritten: toText() gives its .expected.conf
    // rather than the file itself. The .state file is state() but for the text.
    QTest::addColumn<bool>("rewritten");
    for (const char* name : {"plain", "longlines", "unicode", "edge"}) {
        QTest::newRow(name) << false;
    }
    for (const char* name : {"crlf", "headers", "leading-newline", "nul"}) {
        QTest::newRow(name) << true;
    }
}

void TestConfigSystem::goldenFiles()
{
    QFETCH(bool, rewritten);

    const auto read = [](const QString& suffix) {
        QFile file(QUORLAN_TEST_DATA_DIR "/configsystem/" + QString::fromUtf8(QTest::currentDataTag()) + suffix);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    const QByteArray data = read(".conf");
    const QByteArray written = rewritten ? read(".expected.conf") : data;
    const QStringList expected = QString::fromUtf8(read(".state")).split('\n', Qt::SkipEmptyParts);
    QVERIFY2(!data.isEmpty() && !written.isEmpty() && !expected.isEmpty(), "golden file missing");
    auto document = makeDocument();
    document->loadText(data.constData(), data.size());
    QCOMPARE(document->toText().toUtf8(), written);
    QCOMPARE(state(*document).mid(1), expected);
}

void TestConfigSystem::edit_data()
{
    QTest::addColumn<QString>("base");
    QTest::addColumn<Call>("call");
    QTest::addColumn<QString>("result");
    QTest::addColumn<QStringList>("after");
    // after: state() once the call is made; empty when the call changes nothing.
    const auto row = [](const char* name, const QString& base, const Call& call, const QString& result,
                        const QStringList& after) { QTest::newRow(name) << base << call << result << after; };
    const auto edit = [&row](const char* name, const QString& base, const Change& change, const QStringList& after) {
        row(
            name, base, [change](ConfigSystem& d) { return change(d), QString(); }, QString(), after);
    };

    const QString merged = QStringLiteral("[Network]\nv=1\n[Licence]\nw=1");
    edit("merge: in place, last span; of a name twice, the first", merged,
         [](auto& d) { d.loadText("[Network]\nv=2\n[Network]\nv=3", true, false); },
         {"[Network]\nv=2\n[Licence]\nw=1", "Licence 3:2,Network 1:2", "Licence: w=1@4", "Network changed: v=2@2",
          "modified"});
    edit("merge: head lines dropped", merged, [](auto& d) { d.loadText("x=9\n[Licence]\nw=2", true, false); },
         {"[Network]\nv=1\n[Licence]\nw=2", "Network 1:2,Licence 3:2", "Network: v=1@2", "Licence changed: w=2@4",
          "modified"});
    edit("merge: sections replaced longer and shorter, and appended",
         "# head\n[Network]\nv=1\n\n[Licence]\nw=1\n\n[Storage1]\ns=1",
         [](auto& d) { d.loadText("[Storage1]\ns=2\ns=3\n[Lang_en]\nhello\n[Network]\nv=2", true, false); },
         {"# head\n[Network]\nv=2\n[Licence]\nw=1\n\n[Storage1]\ns=2\ns=3\n[Lang_en]\nhello",
          "Licence 4:2,Storage 7:3,Lang_ 10:2,Network 2:2", "Licence: w=1@5", "Storage1 changed: s=2@8,s=3@9",
          "Lang_en changed: __anonymous__=hello@11", "Network changed: v=2@3", "modified"});

    // The document's line of each preserved key (found ignoring case) takes
    // the place of the text's line of exactly that key.
    const auto preserve = [&edit](const char* name, const QString& text, const QStringList& keys,
                                  const QString& written, const QString& values) {
        const int lines = written.count('\n') + 1;
        edit(name, "[Network]\nAddress=1.2.3.4\nMask=255\nGateway=9\n[Storage1]\ns=1",
             [text, keys](ConfigSystem& d) { d.replaceSection("Network", text, keys); },
             {written + "\n[Storage1]\ns=1", QStringLiteral("Storage %1:2,Network 1:%2").arg(lines + 1).arg(lines),
              QStringLiteral("Storage1: s=1@%1").arg(lines + 2), "Network changed: " + values, "modified"});
    };
    preserve("preserve: two keys, each in its place", "[Network]\nGateway=0\nMask=0\nAddress=0", {"Address", "Gateway"},
             "[Network]\nGateway=9\nMask=0\nAddress=1.2.3.4", "Gateway=9@2,Mask=0@3,Address=1.2.3.4@4");
    preserve("preserve: a key the document lacks drops the line", "[Network]\nAddress=0\nDns=8.8.8.8", {"Dns"},
             "[Network]\nAddress=0", "Address=0@2");
    preserve("preserve: the text's key exactly, the document's ignoring case", "[Network]\nADDRESS=0\nMask=0",
             {"ADDRESS", "mask"}, "[Network]\nAddress=1.2.3.4\nMask=0", "Address=1.2.3.4@2,Mask=0@3");
    // A replacing load reuses the line records of what the document held: it
    // must end as a new document loaded with the same text, holding no name
    // of the old content.
    const auto reload = [&row](const char* name, const QString& before, const QString& text) {
        row(
            name, before,
            [text](ConfigSystem& d) {
                d.removeSection(d.sectionNames().first().toString());
                d.insertLine(1, "# edited", false);
                return d.loadText(text, false, false), QString::number(d.hasSection("Licence"));
            },
            QString::number(makeDocument(text)->hasSection("Licence")), state(*makeDocument(text)));
    };
    reload("reload: fewer lines, no section", "[Network]\nk=1\nb=2\n[Licence]\nk=x\n\n", "# none\nk=y");
    reload("reload: more lines", "[Licence]\nk=y", "[Network]\nk=1\nb=2\n[Licence]\nk=x\n\n");

    const QString sideBySide = QStringLiteral("[Lang_de]\n[Licence]\na=1");
    edit("insert: attached", sideBySide, [](auto& d) { d.insertLine(2, "x=1", true); },
         {"[Lang_de]\nx=1\n[Licence]\na=1", "Lang_ 1:2,Licence 3:2", "Lang_de changed: x=1@2", "Licence: a=1@4",
          "modified"});
    edit("insert: same place, not attached", sideBySide, [](auto& d) { d.insertLine(2, "x=1", false); },
         {"[Lang_de]\nx=1\n[Licence]\na=1", "Lang_ 1:1,Licence 3:2", "Lang_de: ", "Licence: a=1@4", "unmodified"});
    row("insert: keyless", sideBySide,
        [](auto& d) { return d.insertLine(4, "# note", true), d.sectionText("Licence"); }, "[Licence]\na=1\n# note",
        {sideBySide + "\n# note", "Lang_ 1:1,Licence 2:2", "Lang_de: ", "Licence changed: a=1@3", "modified"});
    // Removing moves later spans and index positions up; a removed section's text
    // is its bare header, starred as written; a name added again leaves the list.
    row("remove sections, add one again", "# top\n[Network1]\na=1\n\n[Gate1]\nb=2\n[Network2]\nc=3",
        [](auto& d) -> QString {
            const QString text = d.sectionText("Network1");
            d.removeSection("Gate1");
            const QString network = joined(d.sectionNamesOfKind("Network"));
            d.removeSection("Network1");
            return text + '|' + network + '|' + d.sectionText("Gate1") + d.sectionText("Network1") + '|' +
                   ensure(d, "Gate1") + '|' + ensure(d, "Network2");
        },
        "[Network1]\na=1\n|Network1,Network2|[*Gate1][Network1]|created|found",
        {"# top\n[Network2]\nc=3\n\n[*Gate1]", "Network 2:2,Gate 5:1", "Network2: c=3@3",
         "Gate1 changed: ", "removed Network1", "modified"});
    // A renamed section keeps its place; a starred one's header always gets a
    // star.
    row("rename sections", "[Network1]\na=1\n[*Camera1]\nb=2\n[Network2]\nk=x",
        [](auto& d) -> QString {
            d.renameSection("Network1", "Network3");
            const QString network = joined(d.sectionNamesOfKind("Network"));
            d.renameSection("Network3", "Storage12");
            d.renameSection("*Camera1", "*Camera22");
            return network + '|' + joined(d.sectionNamesOfKind("Storage")) + '|' + d.sectionText("*Camera1");
        },
        "Network3,Network2|Storage12|[**Camera1]",
        {"[Storage12]\na=1\n[**Camera22]\nb=2\n[Network2]\nk=x", "Storage 1:2,Camera 3:2,Network 5:2",
         "Storage12 changed: a=1@2", "*Camera22 changed: b=2@4", "Network2: k=x@6", "removed Network1",
         "removed Network3", "removed *Camera1 *", "modified"});
    edit("reload, marks kept", "[Network]\na=1", [](auto& d) { d.loadText("[Network]\na=1\n[Licence]", false, true); },
         {"[Network]\na=1\n[Licence]", "Network 1:2,Licence 3:1", "Network changed: a=1@2",
          "Licence changed: ", "modified"});
    // The lines refer into the loaded text: a foreign buffer is copied.
    edit("load a string over a foreign buffer", "",
         [](auto& d) {
             std::vector<QChar> buffer{'[', 'L', 'i', 'c', 'e', 'n', 'c', 'e', ']', '\n', 'k', '=', '1'};
             d.loadText(QString::fromRawData(buffer.data(), static_cast<int>(buffer.size())), false, false);
             std::fill(buffer.begin(), buffer.end(), QLatin1Char('X'));
         },
         {"[Licence]\nk=1", "Licence 1:2", "Licence: k=1@2", "unmodified"});

    const QString sample = QStringLiteral("[Licence]\nk=x\n[Network]\nA=1\n# note\nA=2\n  b = 3\na=4");
    const auto without = [&sample](const char* line) { return QString(sample).remove(line); };
    // A: the key's line read last; a: a key of its own; ignoring case: the first
    // in key order; an absent section and an absent key; how many values a and A
    // have; then A again once a line of A is added after the values were sorted.
    row("value look-ups", sample,
        [](auto& d) -> QString {
            const QString before = found(d.value("Network", "A")) + found(d.value("Network", "a")) +
                                   found(d.value("Network", "a", true)) + found(d.value("Network1", "A")) +
                                   found(d.value("Network", "B")) +
                                   QString::number(d.values("Network", "a", true).size());
            d.insertLine(4, "A=4", true);
            return before + found(d.value("Network", "A"));
        },
        "242<null><null>34",
        {QString(sample).replace("A=1\n", "A=4\nA=1\n"), "Licence 1:2,Network 3:6", "Licence: k=x@2",
         "Network changed: A=4@4,A=1@5,A=2@7,b=3@8,a=4@9", "modified"});
    edit("remove value: index 0 nearest", sample, [](auto& d) { d.removeValue("Network", "a", 0); },
         {without("A=1\n"), "Licence 1:2,Network 3:4", "Licence: k=x@2", "Network changed: A=2@5,b=3@6,a=4@7",
          "modified"});
    edit("remove value by index over all keys, in line order", sample, [](auto& d) { d.removeValueAt("Network", 2); },
         {without("  b = 3\n"), "Licence 1:2,Network 3:4", "Licence: k=x@2", "Network changed: A=1@4,A=2@6,a=4@7",
          "modified"});
    edit("remove a section's only value: the section goes", sample, [](auto& d) { d.removeValue("Licence", "K", 0); },
         {without("[Licence]\nk=x\n"), "Network 1:5", "Network: A=1@2,A=2@4,b=3@5,a=4@6", "removed Licence",
          "modified"});
}

void TestConfigSystem::edit()
{
    QFETCH(QString, base);
    QFETCH(Call, call);
    QFETCH(QString, result);
    QFETCH(QStringList, after);

    auto document = makeDocument(base);
    QCOMPARE(call(*document), result);
    QCOMPARE(state(*document), after.isEmpty() ? state(*makeDocument(base)) : after);
}

void TestConfigSystem::refusedCallChangesNothing_data()
{
    QTest::addColumn<Change>("call");
    QTest::addColumn<int>("refusal");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("edited");
    // Each call is tried on the document as loaded and after edits (modified, a
    // starred section removed); refusal: 0 bad section, 1 edit error, 2 out of
    // range. Starred: a starred header that would not load again.
    const auto row = [](const char* name, const Change& call, int refusal, const QStringList& arguments) {
        QTest::addRow("%s", name) << call << refusal << arguments << false;
        QTest::addRow("%s, after edits", name) << call << refusal << arguments << true;
    };
    row("replacing load, empty name last", [](auto& d) { d.loadText("[Network]\n[]", false, false); }, 0, {""});
    row("merging load, starred", [](auto& d) { d.loadText("[Network1]\na=2\n[Gate3]", true, false); }, 0, {"*Gate3"});
    row("check of a text, unknown kind last", [](auto& d) { d.checkText("[Network]\n[Bogus]", false); }, 0, {"Bogus"});
    row("remove an absent section", [](auto& d) { d.removeSection("Network"); }, 0, {"Network"});
    row("rename an absent section", [](auto& d) { d.renameSection("Licence2", "Network2"); }, 0, {"Licence2"});
    row("rename to a name of no kind", [](auto& d) { d.renameSection("Network1", "network1"); }, 0, {"network1"});
    row("rename to starred", [](auto& d) { d.renameSection("Network1", "*Camera9"); }, 1, {"Network1", "*Camera9"});
    row("to anonymousValues", [](auto& d) { d.renameSection("Network1", "Lang_fr"); }, 1, {"Network1", "Lang_fr"});
    row("insert a line after the line past the end", [](auto& d) { d.insertLine(14, "x=1", true); }, 2, {"14", "12"});
    row("insert a line before line 1", [](auto& d) { d.insertLine(0, "x=1", true); }, 2, {"0", "12"});
    row("remove a value, index just past", [](auto& d) { d.removeValue("Network1", "a", 2); }, 2, {"2", "2"});
    row("remove a value, negative index", [](auto& d) { d.removeValue("Network1", "A", -1); }, 2, {"-1", "2"});
    row("remove a value of a key without values", [](auto& d) { d.removeValue("Network1", "zz", 0); }, 2, {"0", "0"});
    row("remove a value of an absent section", [](auto& d) { d.removeValue("Storage1", "a", 0); }, 0, {"Storage1"});
}

// Every refused call throws before it changes anything: the document, its
// marks and removed list are as they were, and no load is announced.
void TestConfigSystem::refusedCallChangesNothing()
{
    QFETCH(Change, call);
    QFETCH(int, refusal);
    QFETCH(QStringList, arguments);
    QFETCH(bool, edited);

    auto document = makeDocument();
    auto owned = std::make_unique<CountingListener>();
    const CountingListener& listener = *owned;
    document->setChangeListener(std::move(owned));
    // Twelve lines: a section with two values of the key a (ignoring case)
    // and a keyless line; one that takes keyless lines; a starred kind.
    document->loadText(QStringLiteral("# top\n[Network1]\na=1\n# "
                                      "note\nA=2\n\n[Lang_de]\nHallo\n[Licence]\nk=x\n"
                                      "[Gate1]\ng=1"),
                       false, false);
    if (edited) {
        document->removeSection(QStringLiteral("Gate1"));
        document->appendText("[Gate2]\ng=2", 11);
    }
    QCOMPARE(listener.loads, 1);
    const QStringList before = state(*document);

    const char* const formats[] = {"Invalid name for section: \"%1\"", "Can't convert from \"%1\" to \"%2\"",
                                   "Index %1 is out of range (elements count: %2"};
    QString expected = QString::fromLatin1(formats[refusal]);
    for (const QString& argument : qAsConst(arguments)) {
        expected = expected.arg(argument);
    }
    try {
        call(*document);
        QFAIL("the call was accepted");
    } catch (const kelp::ConfigSystemError& error) {
        const std::type_info* const classes[] = {&typeid(kelp::ConfigSystemBadSection),
                                                 &typeid(kelp::ConfigSystemEditError),
                                                 &typeid(kelp::ConfigSystemOutOfRange)};
        QVERIFY2(typeid(error) == *classes[refusal], "thrown as another class");
        QCOMPARE(QByteArray(dynamic_cast<const std::exception&>(error).what()), expected.toUtf8());
    }
    QCOMPARE(state(*document), before);
    QCOMPARE(listener.loads, 1);
}

QTEST_GUILESS_MAIN(TestConfigSystem)
#include "tst_configsystem.moc"
