#include "configsystem/changelistener.h"
#include "configtestsupport.h"

#include <QtTest>

using configtest::spans;
using configtest::toStrings;
using kelp::ConfigSystem;

namespace {

QByteArray readData(const QString& name)
{
    QFile file(QStringLiteral(QUORLAN_TEST_DATA_DIR "/configsystem/") + name);
    if (!file.open(QIODevice::ReadOnly)) {
        return QByteArray();
    }
    return file.readAll();
}

class CountingListener : public kelp::ChangeListener
{
public:
    explicit CountingListener(int* count) : m_count(count) {}
    void documentLoaded() override { ++*m_count; }

private:
    int* m_count;
};

} // namespace

class TestConfigParser : public QObject
{
    Q_OBJECT

private slots:
    void goldenRoundTrip_data();
    void goldenRoundTrip();
    void sectionWithTrailingEmptyLine();
    void linesBeforeFirstHeaderBelongNowhere();
    void headerRecognition_data();
    void headerRecognition();
    void valueSplitting_data();
    void valueSplitting();
    void utf8Loading_data();
    void utf8Loading();
    void reloadGivesWhatNewDocumentGives_data();
    void reloadGivesWhatNewDocumentGives();
    void failedLoadChangesNothing_data();
    void failedLoadChangesNothing();
    void merge_data();
    void merge();
    void mergeMarksTouchedSectionsOnly();
    void listenerHearsEveryLoad();
    void appendText();
    void replaceSectionPreservingKeys_data();
    void replaceSectionPreservingKeys();
    void replaceAbsentSection();
};

void TestConfigParser::goldenRoundTrip_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QString>("refusedOnReload");

    QTest::newRow("comments, blanks, lines before the first header")
        << "plain.conf"
        << "plain.conf" << QStringList{"Network", "Network1", "Licence", "Lang_de", "Storage12"} << QString();
    QTest::newRow("CRLF: header lines lose their carriage return")
        << "crlf.conf"
        << "crlf.expected.conf" << QStringList{"Network", "Licence"} << QString();
    QTest::newRow("headers in the document's own form")
        << "headers.conf"
        << "headers.expected.conf" << QStringList{"Network", "Licence", "Gate4", "*Camera7", "Storage1", "*Macro12"}
        << "*Gate4";
    QTest::newRow("very long lines") << "longlines.conf"
                                     << "longlines.conf" << QStringList{"Network", "Lang_en"} << QString();
    QTest::newRow("non-ASCII text") << "unicode.conf"
                                    << "unicode.conf" << QStringList{"Network", "Lang_fr"} << QString();
    QTest::newRow("one leading line feed skipped")
        << "leading-newline.conf"
        << "leading-newline.expected.conf" << QStringList{"Network"} << QString();
    QTest::newRow("NUL characters dropped") << "nul.conf"
                                            << "nul.expected.conf" << QStringList{"Network", "Licence"} << QString();
}

void TestConfigParser::goldenRoundTrip()
{
    QFETCH(QString, input);
    QFETCH(QString, expected);
    QFETCH(QStringList, names);
    QFETCH(QString, refusedOnReload);

    const QByteArray data = readData(input);
    const QByteArray written = readData(expected);
    QVERIFY2(!data.isEmpty() && !written.isEmpty(), "golden file missing");

    auto document = configtest::makeDocument();
    document->loadText(data.constData(), data.size());
    QCOMPARE(toStrings(document->sectionNames()), names);
    QCOMPARE(document->toText().toUtf8(), written);
    QVERIFY(!document->isModified());

    // What the document writes is its own form: it loads back unchanged (but
    // for a leading line feed, skipped again), unless a starred kind added a
    // star its names do not carry.
    auto again = configtest::makeDocument();
    if (refusedOnReload.isEmpty()) {
        again->loadText(written.constData(), written.size());
        QCOMPARE(again->toText().toUtf8(), written.startsWith('\n') ? written.mid(1) : written);
    } else {
        try {
            again->loadText(written.constData(), written.size());
            QFAIL("the written header loaded again");
        } catch (const kelp::ConfigSystemBadSection& error) {
            QCOMPARE(QString::fromUtf8(error.what()),
                     QStringLiteral("Invalid name for section: \"%1\"").arg(refusedOnReload));
        }
    }
}

void TestConfigParser::sectionWithTrailingEmptyLine()
{
    const QString text = QStringLiteral("[Network]\nAddress = 10.0.0.1 \n");
    auto document = configtest::makeDocument();
    document->loadText(text, false, false);

    QCOMPARE(toStrings(document->sectionNames()), QStringList{"Network"});
    QCOMPARE(document->value(QStringLiteral("Network"), QStringLiteral("Address")), QStringLiteral("10.0.0.1"));
    QCOMPARE(document->section(QStringLiteral("Network"))->values().size(), 1);
    QCOMPARE(spans(*document), QStringList{"Network 1:2"});
    QCOMPARE(document->sectionText(QStringLiteral("Network")), text);
    QCOMPARE(document->lineCount(), quint64(3));
    QCOMPARE(document->toText(), text);
}

void TestConfigParser::linesBeforeFirstHeaderBelongNowhere()
{
    auto document = configtest::makeDocument();
    document->loadText(QStringLiteral("x=1\n[Network]"), false, false);
    QCOMPARE(document->sectionText(QStringLiteral("Network")), QStringLiteral("[Network]"));
    QVERIFY(document->value(QStringLiteral("Network"), QStringLiteral("x")).isNull());
    QCOMPARE(spans(*document), QStringList{"Network 2:1"});
}

void TestConfigParser::headerRecognition_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("written");

    QTest::newRow("blank before the bracket: a line") << " [Network]"
                                                      << ""
                                                      << " [Network]";
    QTest::newRow("text after the bracket ignored") << "[Network] trailing"
                                                    << "Network"
                                                    << "[Network]";
    QTest::newRow("carriage return after the bracket") << "[Network]\r"
                                                       << "Network"
                                                       << "[Network]";
    QTest::newRow("name up to the first bracket") << "[Storage1]2]"
                                                  << "Storage1"
                                                  << "[Storage1]";
    QTest::newRow("no closing bracket: a line") << "[Network"
                                                << ""
                                                << "[Network";
    QTest::newRow("bracket later in the line: a line") << "x[Network]"
                                                       << ""
                                                       << "x[Network]";
    QTest::newRow("blanks in the name kept") << "[Network 2]"
                                             << "Network 2"
                                             << "[Network 2]";
    QTest::newRow("starred kind, star added") << "[Gate1]"
                                              << "Gate1"
                                              << "[*Gate1]";
    QTest::newRow("starred kind, star in name") << "[*Macro1]"
                                                << "*Macro1"
                                                << "[*Macro1]";
}

void TestConfigParser::headerRecognition()
{
    QFETCH(QString, line);
    QFETCH(QString, section);
    QFETCH(QString, written);

    auto document = configtest::makeDocument();
    document->loadText(QStringLiteral("[Licence]\n") + line, false, false);
    QStringList expected{"Licence"};
    if (!section.isEmpty()) {
        expected.append(section);
    }
    QCOMPARE(toStrings(document->sectionNames()), expected);
    QCOMPARE(document->toText(), QStringLiteral("[Licence]\n") + written);
    if (section.isEmpty()) {
        QCOMPARE(document->sectionText(QStringLiteral("Licence")), QStringLiteral("[Licence]\n") + line);
    }
}

void TestConfigParser::valueSplitting_data()
{
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("taken");

    QTest::newRow("key, blank, equals: empty value") << "Network"
                                                     << "key ="
                                                     << "key"
                                                     << "" << true;
    QTest::newRow("trimmed on both sides") << "Network"
                                           << " k  =  v v \t"
                                           << "k"
                                           << "v v" << true;
    QTest::newRow("first equals splits") << "Network"
                                         << "a=b=c"
                                         << "a"
                                         << "b=c" << true;
    QTest::newRow("hash is part of the key") << "Network"
                                             << "#a=b"
                                             << "#a"
                                             << "b" << true;
    QTest::newRow("leading equals, ordinary section") << "Network"
                                                      << "=value"
                                                      << "__anonymous__"
                                                      << "=value" << false;
    QTest::newRow("no equals, ordinary section") << "Network"
                                                 << "# a b"
                                                 << "__anonymous__"
                                                 << "# a b" << false;
    QTest::newRow("blank key, ordinary section") << "Network"
                                                 << "  =x"
                                                 << ""
                                                 << "x" << false;
    QTest::newRow("explicit anonymous key refused") << "Network"
                                                    << "__anonymous__=1"
                                                    << "__anonymous__"
                                                    << "1" << false;
    QTest::newRow("leading equals, anonymousValues") << "Lang_de"
                                                     << "=value"
                                                     << "__anonymous__"
                                                     << "=value" << true;
    QTest::newRow("no equals, anonymousValues") << "Lang_de"
                                                << "Hallo Welt"
                                                << "__anonymous__"
                                                << "Hallo Welt" << true;
    QTest::newRow("blank key, anonymousValues") << "Lang_de"
                                                << " =x"
                                                << ""
                                                << "x" << true;
}

void TestConfigParser::valueSplitting()
{
    QFETCH(QString, section);
    QFETCH(QString, line);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(bool, taken);

    auto document = configtest::makeDocument();
    document->loadText(QLatin1Char('[') + section + QStringLiteral("]\n") + line, false, false);
    const auto values = document->values(section, key, false);
    QCOMPARE(values.size(), taken ? 1 : 0);
    QCOMPARE(spans(*document).first().endsWith(taken ? QStringLiteral(":2") : QStringLiteral(":1")), true);
    if (taken) {
        QCOMPARE(values.first().value.toString(), value);
        QVERIFY2(!values.first().value.isNull(), "an empty value must not be a null reference");
        QCOMPARE(values.first().lineNumber, quint64(2));
        QCOMPARE(document->value(section, key).toString(), value);
    }
    QCOMPARE(document->sectionText(section), QLatin1Char('[') + section + QStringLiteral("]\n") + line);
}

void TestConfigParser::utf8Loading_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("expected");

    QTest::newRow("final zero byte left out") << QByteArray("[Network]\na=1", 14) << "[Network]\na=1";
    QTest::newRow("last byte kept when not zero") << QByteArray("[Network]\na=1") << "[Network]\na=1";
    QTest::newRow("zero bytes inside removed") << QByteArray("[Net\0work]\na=\0"
                                                             "1\n\0",
                                                             17)
                                               << "[Network]\na=1\n";
    QTest::newRow("one leading line feed skipped") << QByteArray("\n\n[Network]") << "\n[Network]";
    QTest::newRow("empty") << QByteArray() << "";
    QTest::newRow("only a line feed") << QByteArray("\n") << "";
    QTest::newRow("multi-byte characters")
        << QByteArray("[Lang_de]\n\xc3\xa4\xe2\x82\xac") << "[Lang_de]\n\u00e4\u20ac";
}

void TestConfigParser::utf8Loading()
{
    QFETCH(QByteArray, data);
    QFETCH(QString, expected);

    auto document = configtest::makeDocument();
    document->loadText(data.constData(), data.size());
    QCOMPARE(document->toText(), expected);
    QVERIFY(!document->toText().contains(QChar(0)));
}

void TestConfigParser::reloadGivesWhatNewDocumentGives_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("text");

    const QString longLine = QStringLiteral("x").repeated(5000);
    QTest::newRow("fewer lines") << "[Network]\na=1\nb=2\n[Licence]\nk=x\n\n"
                                 << "[Licence]\nk=y";
    QTest::newRow("more lines") << "[Licence]\nk=y"
                                << "[Network]\na=1\nb=2\n[Licence]\nk=x\n\n";
    QTest::newRow("long lines become short") << "[Network]\nv=" + longLine + "\n# " + longLine << "[Network]\nv=1\n#";
    QTest::newRow("short lines become long") << "[Network]\nv=1\n#"
                                             << "[Network]\nv=" + longLine + "\n# " + longLine;
    QTest::newRow("everything goes") << "[Network]\na=1"
                                     << "";
}

// A document that held something else before a replacing load ends up as a
// new document loaded with the same text; copies taken of its old lines keep
// their own text.
void TestConfigParser::reloadGivesWhatNewDocumentGives()
{
    QFETCH(QString, before);
    QFETCH(QString, text);

    auto document = configtest::makeDocument();
    document->loadText(before, false, false);
    document->removeSection(document->sectionNames().first().toString());
    document->insertLine(1, QStringLiteral("# edited"), false);
    QVector<QString> copies;
    for (const QStringRef& name : document->sectionNames()) {
        for (const auto& value : document->values(name.toString(), QStringLiteral("k"), true)) {
            copies.append(*value.value.string());
        }
    }
    const QVector<QString> copiedTexts = copies;

    document->loadText(text, false, false);
    auto fresh = configtest::makeDocument();
    fresh->loadText(text, false, false);

    QCOMPARE(document->toText(), text);
    QCOMPARE(document->debugString(), fresh->debugString());
    QCOMPARE(toStrings(document->sectionNames()), toStrings(fresh->sectionNames()));
    QCOMPARE(document->lineCount(), fresh->lineCount());
    QVERIFY(!document->isModified());
    QVERIFY(document->removedSections().isEmpty());
    for (const QStringRef& name : fresh->sectionNames()) {
        const auto got = document->values(name.toString(), QStringLiteral("k"), true);
        const auto expected = fresh->values(name.toString(), QStringLiteral("k"), true);
        QCOMPARE(got.size(), expected.size());
        for (int i = 0; i < got.size(); ++i) {
            QCOMPARE(got.at(i).value, expected.at(i).value);
            QCOMPARE(got.at(i).lineNumber, expected.at(i).lineNumber);
        }
    }
    QCOMPARE(copies, copiedTexts);
}

void TestConfigParser::failedLoadChangesNothing_data()
{
    QTest::addColumn<bool>("merge");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("message");

    QTest::newRow("replace, unknown kind last")
        << false << "[Network]\nv=2\n[Bogus]\nb=1" << QByteArray("Invalid name for section: \"Bogus\"");
    QTest::newRow("merge, unknown kind last")
        << true << "[Network]\nv=2\n[Bogus]\nb=1" << QByteArray("Invalid name for section: \"Bogus\"");
    QTest::newRow("replace, empty name") << false << "[]" << QByteArray("Invalid name for section: \"\"");
    QTest::newRow("merge, empty name") << true << "[Licence]\n[]" << QByteArray("Invalid name for section: \"\"");
    QTest::newRow("merge, name case differs")
        << true << "[network]" << QByteArray("Invalid name for section: \"network\"");
    // The written header of a starred kind whose names carry no star does not
    // load again; the merge is refused before its first section is applied.
    QTest::newRow("merge, starred header that does not load again")
        << true << "[Network]\nv=2\n[Gate1]\ng=2" << QByteArray("Invalid name for section: \"*Gate1\"");
}

void TestConfigParser::failedLoadChangesNothing()
{
    QFETCH(bool, merge);
    QFETCH(QString, text);
    QFETCH(QByteArray, message);

    auto document = configtest::makeDocument();
    int notifications = 0;
    document->setChangeListener(std::make_unique<CountingListener>(&notifications));
    document->loadText(QStringLiteral("[Network]\nv=1\n[Licence]\nw=1"), false, false);
    document->removeSection(QStringLiteral("Licence"));
    const QString before = document->toText();
    const QString debugBefore = document->debugString();

    try {
        document->loadText(text, merge, false);
        QFAIL("the text was accepted");
    } catch (const kelp::ConfigSystemBadSection& error) {
        QCOMPARE(QByteArray(error.what()), message);
    }
    QCOMPARE(document->toText(), before);
    QCOMPARE(document->debugString(), debugBefore);
    QCOMPARE(document->value(QStringLiteral("Network"), QStringLiteral("v")), QStringLiteral("1"));
    QCOMPARE(document->removedSections().size(), 1);
    QVERIFY(document->isModified());
    QCOMPARE(notifications, 1);
}

void TestConfigParser::merge_data()
{
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QStringList>("spans");

    const QString base = QStringLiteral("[Network]\nv=1\n[Licence]\nw=1");
    QTest::newRow("section replaced in place, moves last in order")
        << base << "[Network]\nv=2"
        << "[Network]\nv=2\n[Licence]\nw=1" << QStringList{"Licence 3:2", "Network 1:2"};
    QTest::newRow("new section appended") << base << "[Storage3]\nz=3"
                                          << "[Network]\nv=1\n[Licence]\nw=1\n[Storage3]\nz=3"
                                          << QStringList{"Network 1:2", "Licence 3:2", "Storage 5:2"};
    QTest::newRow("name twice in the text: first applies")
        << base << "[Network]\nv=2\n[Network]\nv=3"
        << "[Network]\nv=2\n[Licence]\nw=1" << QStringList{"Licence 3:2", "Network 1:2"};
    QTest::newRow("lines before the first header not merged")
        << base << "x=9\n[Licence]\nw=2"
        << "[Network]\nv=1\n[Licence]\nw=2" << QStringList{"Network 1:2", "Licence 3:2"};
    QTest::newRow("longer section pushes the rest down")
        << base << "[Network]\nv=2\nu=3\n# more"
        << "[Network]\nv=2\nu=3\n# more\n[Licence]\nw=1" << QStringList{"Licence 5:2", "Network 1:3"};
    QTest::newRow("shorter section pulls the rest up")
        << "[Network]\nv=1\nu=1\nt=1\n\n[Licence]\nw=1"
        << "[Network]"
        << "[Network]\n[Licence]\nw=1" << QStringList{"Licence 2:2", "Network 1:1"};
    QTest::newRow("trailing empty line comes along")
        << base << "[Network]\nv=2\n\n[Licence]\nw=3"
        << "[Network]\nv=2\n\n[Licence]\nw=3" << QStringList{"Network 1:2", "Licence 4:2"};
    QTest::newRow("into an empty document") << ""
                                            << "[Network]\na=1"
                                            << "[Network]\na=1" << QStringList{"Network 1:2"};
    QTest::newRow("several sections, mixed")
        << "# head\n[Network]\nv=1\n\n[Licence]\nw=1\n\n[Storage1]\ns=1"
        << "[Storage1]\ns=2\ns=3\n[Lang_en]\nhello\n[Network]\nv=2"
        << "# "
           "head\n[Network]\nv=2\n[Licence]\nw=1\n\n[Storage1]\ns=2\ns=3\n[Lang_en]\nhello"
        << QStringList{"Licence 4:2", "Storage 7:3", "Lang_ 10:2", "Network 2:2"};
}

void TestConfigParser::merge()
{
    QFETCH(QString, base);
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QFETCH(QStringList, spans);

    auto document = configtest::makeDocument();
    document->loadText(base, false, false);
    document->loadText(text, true, false);
    QCOMPARE(document->toText(), expected);
    QCOMPARE(configtest::spans(*document), spans);
    QVERIFY(document->removedSections().isEmpty());

    // Line numbers and values stay consistent after the lines moved.
    auto reloaded = configtest::makeDocument();
    reloaded->loadText(expected, false, false);
    QCOMPARE(reloaded->toText(), expected);
    for (const QStringRef& name : reloaded->sectionNames()) {
        QCOMPARE(document->sectionText(name.toString()), reloaded->sectionText(name.toString()));
        const auto mergedValues = document->values(name.toString(), QStringLiteral("v"), false);
        const auto reloadedValues = reloaded->values(name.toString(), QStringLiteral("v"), false);
        QCOMPARE(mergedValues.size(), reloadedValues.size());
        for (int i = 0; i < mergedValues.size(); ++i) {
            QCOMPARE(mergedValues.at(i).lineNumber, reloadedValues.at(i).lineNumber);
            QCOMPARE(mergedValues.at(i).value, reloadedValues.at(i).value);
        }
    }
}

void TestConfigParser::mergeMarksTouchedSectionsOnly()
{
    auto document = configtest::makeDocument();
    document->loadText(QStringLiteral("[Network]\nv=1\n[Licence]\nw=1"), false, false);
    QVERIFY(!document->isModified());
    document->loadText(QStringLiteral("[Network]\nv=1"), true, false);
    QVERIFY2(document->isModified(), "a merge left the document unmodified");
    QVERIFY(document->section(QStringLiteral("Network"))->isChanged());
    QVERIFY(!document->section(QStringLiteral("Licence"))->isChanged());
}

void TestConfigParser::listenerHearsEveryLoad()
{
    auto document = configtest::makeDocument();
    int notifications = 0;
    document->setChangeListener(std::make_unique<CountingListener>(&notifications));
    document->loadText(QStringLiteral("[Network]"), false, false);
    QCOMPARE(notifications, 1);
    document->loadText(QStringLiteral("[Licence]"), true, false);
    QCOMPARE(notifications, 2);
    document->loadText("[Network]", 9);
    QCOMPARE(notifications, 3);
    QVERIFY_EXCEPTION_THROWN(document->loadText(QStringLiteral("[Bogus]"), false, false), kelp::ConfigSystemBadSection);
    QCOMPARE(notifications, 3);
}

void TestConfigParser::appendText()
{
    auto document = configtest::makeDocument();
    document->loadText(QStringLiteral("[Licence]\nk=x"), false, false);

    const QByteArray more("x=1\n[Network]\na=\xc3\xa4");
    document->appendText(more.constData(), more.size());
    QCOMPARE(document->toText(), QStringLiteral("[Licence]\nk=x\nx=1\n[Network]\na=\u00e4"));
    QCOMPARE(document->value(QStringLiteral("Licence"), QStringLiteral("x")), QStringLiteral("1"));
    QCOMPARE(spans(*document), QStringList({"Licence 1:3", "Network 4:2"}));

    const QByteArray withNul("b=\0c", 4);
    document->appendText(withNul.constData(), withNul.size());
    QCOMPARE(document->value(QStringLiteral("Network"), QStringLiteral("b")), QString::fromLatin1("\0c", 2));

    const QString before = document->toText();
    const QByteArray bad("y=2\n[Bogus]");
    QVERIFY_EXCEPTION_THROWN(document->appendText(bad.constData(), bad.size()), kelp::ConfigSystemBadSection);
    QCOMPARE(document->toText(), before);
}

void TestConfigParser::replaceSectionPreservingKeys_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<QString>("expected");

    QTest::newRow("no preserved keys") << "[Network]\nAddress=0\nMask=0" << QStringList()
                                       << "[Network]\nAddress=0\nMask=0";
    QTest::newRow("one key kept from the document")
        << "[Network]\nAddress=0.0.0.0\nMask=0\nExtra=1" << QStringList{"Address"}
        << "[Network]\nAddress=1.2.3.4\nMask=0\nExtra=1";
    QTest::newRow("two keys, each in its place")
        << "[Network]\nGateway=0\nMask=0\nAddress=0" << QStringList{"Address", "Gateway"}
        << "[Network]\nGateway=9\nMask=0\nAddress=1.2.3.4";
    QTest::newRow("key the document lacks: line dropped")
        << "[Network]\nAddress=0\nDns=8.8.8.8" << QStringList{"Dns"} << "[Network]\nAddress=0";
    QTest::newRow("text's key must equal a preserved key exactly")
        << "[Network]\nAddress=0" << QStringList{"address"} << "[Network]\nAddress=0";
    QTest::newRow("document's line found ignoring case")
        << "[Network]\nADDRESS=0" << QStringList{"ADDRESS"} << "[Network]\nAddress=1.2.3.4";
    QTest::newRow("key part is not trimmed")
        << "[Network]\nAddress = 0" << QStringList{"Address"} << "[Network]\nAddress = 0";
}

void TestConfigParser::replaceSectionPreservingKeys()
{
    QFETCH(QString, text);
    QFETCH(QStringList, keys);
    QFETCH(QString, expected);

    auto document = configtest::makeDocument();
    document->loadText(QStringLiteral("[Licence]\nw=1\n[Network]\nAddress=1.2.3.4\nMask="
                                      "255\nGateway=9\n[Storage1]\ns=1"),
                       false, false);
    document->replaceSection(QStringLiteral("Network"), text, keys);
    QCOMPARE(document->toText(), QStringLiteral("[Licence]\nw=1\n") + expected + QStringLiteral("\n[Storage1]\ns=1"));
    QCOMPARE(toStrings(document->sectionNames()), QStringList({"Licence", "Storage1", "Network"}));
    QCOMPARE(document->sectionText(QStringLiteral("Network")), expected);
    QCOMPARE(document->value(QStringLiteral("Storage1"), QStringLiteral("s")), QStringLiteral("1"));
    QVERIFY(document->removedSections().isEmpty());
}

void TestConfigParser::replaceAbsentSection()
{
    auto document = configtest::makeDocument();
    document->loadText(QStringLiteral("[Network]\na=1"), false, false);
    QVERIFY_EXCEPTION_THROWN(document->replaceSection(QStringLiteral("Licence"), QStringLiteral("[Licence]"), {}),
                             kelp::ConfigSystemBadSection);
    QVERIFY_EXCEPTION_THROWN(document->replaceSection(QStringLiteral("Network"), QStringLiteral("[Bogus]"), {}),
                             kelp::ConfigSystemBadSection);
    QCOMPARE(document->toText(), QStringLiteral("[Network]\na=1"));
    QVERIFY(!document->isModified());
}

QTEST_GUILESS_MAIN(TestConfigParser)
#include "tst_configparser.moc"
