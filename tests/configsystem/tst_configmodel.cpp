#include "configsystem/changelistener.h"
#include "configtestsupport.h"

#include <QtTest>

using configtest::spans;
using configtest::toStrings;
using kelp::ConfigSystem;

namespace {

// Everything a failed operation must leave as it was.
struct Snapshot
{
    explicit Snapshot(const ConfigSystem& document)
        : text(document.toText()), debug(document.debugString()), names(toStrings(document.sectionNames())),
          removed(document.removedSections().size()), modified(document.isModified())
    {
    }
    bool operator==(const Snapshot& other) const
    {
        return text == other.text && debug == other.debug && names == other.names && removed == other.removed &&
               modified == other.modified;
    }

    QString text;
    QString debug;
    QStringList names;
    int removed;
    bool modified;
};

} // namespace

class TestConfigModel : public QObject
{
    Q_OBJECT

private slots:
    void ensureSectionAddsOnce();
    void ensureSectionHeaderAndSeparator_data();
    void ensureSectionHeaderAndSeparator();
    void insertedLineJoinsSectionAbove_data();
    void insertedLineJoinsSectionAbove();
    void insertLineOutsideDocumentIsRefused();
    void removeSectionRecordsAndReindexes();
    void renameSection();
    void refusedEditsLeaveDocumentAlone_data();
    void refusedEditsLeaveDocumentAlone();
    void renameSectionInstance_data();
    void renameSectionInstance();
    void sectionNamesOfKind();
    void sameNameTwice();
    void modifiedFlagAndChangedMarks();
};

void TestConfigModel::ensureSectionAddsOnce()
{
    auto document = configtest::makeDocument();
    QVERIFY(!document->isModified());
    QCOMPARE(document->toText(), QString());

    const auto created = document->ensureSection(QStringLiteral("Network"));
    QVERIFY(created.first);
    QCOMPARE(created.second.name(), QStringLiteral("Network"));
    QCOMPARE(created.second.kindWord(), QStringLiteral("Network"));
    QVERIFY(created.second.isChanged());
    QVERIFY(document->isModified());

    const auto again = document->ensureSection(QStringLiteral("Network"));
    QVERIFY2(!again.first, "an existing section was added again");
    QCOMPARE(&again.second, &created.second);
    QCOMPARE(document->toText(), QStringLiteral("[Network]"));
    QCOMPARE(document->lineCount(), quint64(1));
}

void TestConfigModel::ensureSectionHeaderAndSeparator_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expected");

    QTest::newRow("first section") << ""
                                   << "Licence"
                                   << "[Licence]";
    QTest::newRow("lines but no section") << "# head"
                                          << "Licence"
                                          << "# head\n[Licence]";
    QTest::newRow("after an ordinary section") << "[Network]\na=1"
                                               << "Licence"
                                               << "[Network]\na=1\n\n[Licence]";
    QTest::newRow("after an anonymousValues section") << "[Lang_de]\nHallo"
                                                      << "Licence"
                                                      << "[Lang_de]\nHallo\n[Licence]";
    QTest::newRow("starred kind, name without star") << ""
                                                     << "Gate7"
                                                     << "[*Gate7]";
    QTest::newRow("starred kind, name with star") << ""
                                                  << "*Camera2"
                                                  << "[*Camera2]";
    QTest::newRow("first matching kind wins") << ""
                                              << "Network1"
                                              << "[Network1]";
}

void TestConfigModel::ensureSectionHeaderAndSeparator()
{
    QFETCH(QString, before);
    QFETCH(QString, name);
    QFETCH(QString, expected);

    auto document = configtest::makeDocument();
    document->loadText(before, false, false);
    QVERIFY(document->ensureSection(name).first);
    QCOMPARE(document->toText(), expected);
    QVERIFY(document->hasSection(name));
    QCOMPARE(document->sectionNames().last(), name);
}

void TestConfigModel::insertedLineJoinsSectionAbove_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<quint64>("lineNumber");
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("attach");
    QTest::addColumn<QString>("expectedDebug");

    // [Lang_de] / [Licence] / a=1: sections side by side, no separator.
    const QString sideBySide = QStringLiteral("[Lang_de]\n[Licence]\na=1");
    QTest::newRow("after last line, next section right there")
        << sideBySide << quint64(2) << "x=1" << true << "Lang_ 1:2,Licence 3:2";
    QTest::newRow("same place, not attached") << sideBySide << quint64(2) << "x=1" << false << "Lang_ 1:1,Licence 3:2";
    QTest::newRow("end of document") << sideBySide << quint64(4) << "b=2" << true << "Lang_ 1:1,Licence 2:3";
    QTest::newRow("keyless line in an ordinary section is no value")
        << sideBySide << quint64(4) << "# note" << true << "Lang_ 1:1,Licence 2:2";
    QTest::newRow("inside a section") << sideBySide << quint64(3) << "c=3" << true << "Lang_ 1:1,Licence 2:3";
    QTest::newRow("first line belongs to no section")
        << sideBySide << quint64(1) << "d=4" << true << "Lang_ 2:1,Licence 3:2";
}

void TestConfigModel::insertedLineJoinsSectionAbove()
{
    QFETCH(QString, before);
    QFETCH(quint64, lineNumber);
    QFETCH(QString, line);
    QFETCH(bool, attach);
    QFETCH(QString, expectedDebug);

    auto document = configtest::makeDocument();
    document->loadText(before, false, false);
    document->insertLine(lineNumber, line, attach);

    QStringList lines = before.split(QLatin1Char('\n'));
    lines.insert(static_cast<int>(lineNumber) - 1, line);
    QCOMPARE(document->toText(), lines.join(QLatin1Char('\n')));

    QCOMPARE(spans(*document), expectedDebug.split(QLatin1Char(',')));

    const bool inLang = document->sectionText(QStringLiteral("Lang_de")).split(QLatin1Char('\n')).contains(line);
    const bool inLicence = document->sectionText(QStringLiteral("Licence")).split(QLatin1Char('\n')).contains(line);
    QCOMPARE(inLang || inLicence, attach && lineNumber > 1);
}

void TestConfigModel::insertLineOutsideDocumentIsRefused()
{
    auto document = configtest::makeDocument();
    document->loadText(QStringLiteral("[Network]\na=1"), false, false);
    try {
        document->insertLine(4, QStringLiteral("x"), true);
        QFAIL("line 4 of a two-line document accepted");
    } catch (const kelp::ConfigSystemOutOfRange& error) {
        QCOMPARE(QByteArray(error.what()), QByteArray("Index 4 is out of range (elements count: 2"));
    }
    QVERIFY_EXCEPTION_THROWN(document->insertLine(0, QStringLiteral("x"), true), kelp::ConfigSystemOutOfRange);
    QCOMPARE(document->toText(), QStringLiteral("[Network]\na=1"));
    document->insertLine(3, QStringLiteral("b=2"), true);
    QCOMPARE(document->value(QStringLiteral("Network"), QStringLiteral("b")), QStringLiteral("2"));
}

void TestConfigModel::removeSectionRecordsAndReindexes()
{
    auto document = configtest::makeDocument();
    document->loadText(QStringLiteral("# top\n[Network1]\na=1\n\n[*Camera1]\nb=2\n[Network2]\nc=3"), false, false);

    document->removeSection(QStringLiteral("*Camera1"));
    QCOMPARE(document->toText(), QStringLiteral("# top\n[Network1]\na=1\n\n[Network2]\nc=3"));
    QCOMPARE(toStrings(document->sectionNames()), QStringList({"Network1", "Network2"}));
    QCOMPARE(toStrings(document->sectionNamesOfKind(QStringLiteral("Network"))), QStringList({"Network1", "Network2"}));
    QVERIFY(document->sectionNamesOfKind(QStringLiteral("Camera")).isEmpty());
    QVERIFY(!document->hasSection(QStringLiteral("*Camera1")));
    QCOMPARE(document->debugString(),
             QStringLiteral("ConfigSystem: \n  Internal State: \n      Sections:\n        Network 2:2\n"
                            "        Network 5:2\n\n"));
    QCOMPARE(document->value(QStringLiteral("Network2"), QStringLiteral("c")), QStringLiteral("3"));
    QVERIFY(document->isModified());

    QCOMPARE(document->removedSections().size(), 1);
    QCOMPARE(document->removedSections().first().name, QStringLiteral("*Camera1"));
    QVERIFY(document->removedSections().first().starred);

    // The index positions above the removed span moved down with it.
    document->removeSection(QStringLiteral("Network1"));
    QCOMPARE(toStrings(document->sectionNamesOfKind(QStringLiteral("Network"))), QStringList({"Network2"}));
    QCOMPARE(document->section(QStringLiteral("Network2"))->name(), QStringLiteral("Network2"));
    QCOMPARE(document->toText(), QStringLiteral("# top\n[Network2]\nc=3"));
    QCOMPARE(document->removedSections().size(), 2);
    QVERIFY(!document->removedSections().last().starred);

    // Adding a section of a removed name forgets its removal.
    document->ensureSection(QStringLiteral("*Camera1"));
    QCOMPARE(document->removedSections().size(), 1);
    QCOMPARE(document->removedSections().first().name, QStringLiteral("Network1"));
}

void TestConfigModel::renameSection()
{
    auto document = configtest::makeDocument();
    document->loadText(QStringLiteral("[Network1]\na=1\n[*Camera1]\nb=2\n[Licence]\nk=x"), false, false);

    document->renameSection(QStringLiteral("Network1"), QStringLiteral("Network"));
    QCOMPARE(document->toText(), QStringLiteral("[Network]\na=1\n[*Camera1]\nb=2\n[Licence]\nk=x"));
    QCOMPARE(toStrings(document->sectionNames()), QStringList({"Network", "*Camera1", "Licence"}));
    QCOMPARE(document->value(QStringLiteral("Network"), QStringLiteral("a")), QStringLiteral("1"));
    QVERIFY(!document->hasSection(QStringLiteral("Network1")));
    QCOMPARE(document->sectionText(QStringLiteral("Network1")), QStringLiteral("[Network1]"));
    QCOMPARE(document->removedSections().last().name, QStringLiteral("Network1"));

    // Into another kind with the same flags: the kind index follows.
    document->renameSection(QStringLiteral("Network"), QStringLiteral("Storage12"));
    QCOMPARE(toStrings(document->sectionNamesOfKind(QStringLiteral("Storage"))), QStringList({"Storage12"}));
    QVERIFY(document->sectionNamesOfKind(QStringLiteral("Network")).isEmpty());
    QCOMPARE(document->section(QStringLiteral("Storage12"))->kindWord(), QStringLiteral("Storage"));

    // A starred section's header always gets a star in front of the new name.
    document->renameSection(QStringLiteral("*Camera1"), QStringLiteral("*Camera22"));
    QCOMPARE(document->sectionText(QStringLiteral("*Camera22")), QStringLiteral("[**Camera22]\nb=2"));
    QCOMPARE(document->removedSections().last().name, QStringLiteral("*Camera1"));
    QVERIFY(document->removedSections().last().starred);
    QCOMPARE(document->sectionText(QStringLiteral("*Camera1")), QStringLiteral("[**Camera1]"));
    QCOMPARE(toStrings(document->sectionNames()), QStringList({"Storage12", "*Camera22", "Licence"}));
}

void TestConfigModel::refusedEditsLeaveDocumentAlone_data()
{
    QTest::addColumn<int>("edit");
    QTest::addColumn<QByteArray>("message");

    QTest::newRow("ensure, no kind") << 0 << QByteArray("Invalid name for section: \"Camera 1\"");
    QTest::newRow("remove, absent") << 1 << QByteArray("Invalid name for section: \"Network\"");
    QTest::newRow("rename, old absent") << 2 << QByteArray("Invalid name for section: \"Licence\"");
    QTest::newRow("rename, new of no kind") << 3 << QByteArray("Invalid name for section: \"network1\"");
    QTest::newRow("rename, starred kind") << 4 << QByteArray("Can't convert from \"Network1\" to \"*Camera9\"");
    QTest::newRow("rename, anonymousValues kind") << 5 << QByteArray("Can't convert from \"Network1\" to \"Lang_fr\"");
    QTest::newRow("rename, anonymous and starred") << 6 << QByteArray("Can't convert from \"Lang_de\" to \"*Macro1\"");
}

void TestConfigModel::refusedEditsLeaveDocumentAlone()
{
    QFETCH(int, edit);
    QFETCH(QByteArray, message);

    auto document = configtest::makeDocument();
    document->loadText(QStringLiteral("[Network1]\na=1\n\n[Lang_de]\nHallo"), false, false);
    const Snapshot before(*document);
    try {
        switch (edit) {
        case 0:
            document->ensureSection(QStringLiteral("Camera 1"));
            break;
        case 1:
            document->removeSection(QStringLiteral("Network"));
            break;
        case 2:
            document->renameSection(QStringLiteral("Licence"), QStringLiteral("Network2"));
            break;
        case 3:
            document->renameSection(QStringLiteral("Network1"), QStringLiteral("network1"));
            break;
        case 4:
            document->renameSection(QStringLiteral("Network1"), QStringLiteral("*Camera9"));
            break;
        case 5:
            document->renameSection(QStringLiteral("Network1"), QStringLiteral("Lang_fr"));
            break;
        default:
            document->renameSection(QStringLiteral("Lang_de"), QStringLiteral("*Macro1"));
            break;
        }
        QFAIL("the edit was accepted");
    } catch (const kelp::ConfigSystemError& error) {
        QCOMPARE(QByteArray(dynamic_cast<const std::exception&>(error).what()), message);
    }
    QVERIFY2(Snapshot(*document) == before, "a refused edit changed the document");
}

void TestConfigModel::renameSectionInstance_data()
{
    QTest::addColumn<quint32>("oldId");
    QTest::addColumn<quint32>("newId");
    QTest::addColumn<QString>("expected");

    QTest::newRow("ten to eleven") << quint32(10) << quint32(11) << "[Camera_0xb]\nk=v";
    QTest::newRow("large id, lower-case digits") << quint32(10) << quint32(0xBEEF) << "[Camera_0xbeef]\nk=v";
    QTest::newRow("absent instance") << quint32(11) << quint32(12) << "[Camera_0xa]\nk=v";
}

void TestConfigModel::renameSectionInstance()
{
    QFETCH(quint32, oldId);
    QFETCH(quint32, newId);
    QFETCH(QString, expected);

    auto document = configtest::makeDocument();
    document->loadText(QStringLiteral("[Camera_0xa]\nk=v"), false, false);
    document->renameSectionInstance(QStringLiteral("Camera"), oldId, newId);
    QCOMPARE(document->toText(), expected);
}

void TestConfigModel::sectionNamesOfKind()
{
    auto document = configtest::makeDocument();
    document->loadText(QStringLiteral("[Network2]\n[Licence]\n[Network]\n[*Camera3]\n[Network1]\n[Storage1]"), false,
                       false);
    QCOMPARE(toStrings(document->sectionNamesOfKind(QStringLiteral("Network"))),
             QStringList({"Network2", "Network", "Network1"}));
    QCOMPARE(toStrings(document->sectionNamesOfKind(QStringLiteral("Camera"))), QStringList({"*Camera3"}));
    QVERIFY(document->sectionNamesOfKind(QStringLiteral("*Camera")).isEmpty());
    QVERIFY(document->sectionNamesOfKind(QStringLiteral("network")).isEmpty());
    QVERIFY(document->sectionNamesOfKind(QStringLiteral("Gate")).isEmpty());
}

// The name index finds the section added last, the span scan the first.
void TestConfigModel::sameNameTwice()
{
    auto document = configtest::makeDocument();
    document->loadText(QStringLiteral("[Network]\na=first"), false, false);
    const QByteArray more("\n[Network]\na=second");
    document->appendText(more.constData(), more.size());

    QCOMPARE(document->toText(), QStringLiteral("[Network]\na=first\n[Network]\na=second"));
    QCOMPARE(document->value(QStringLiteral("Network"), QStringLiteral("a")), QStringLiteral("second"));
    QCOMPARE(document->sectionText(QStringLiteral("Network")), QStringLiteral("[Network]\na=first"));

    document->removeSection(QStringLiteral("Network"));
    QCOMPARE(document->toText(), QStringLiteral("[Network]\na=second"));
    QCOMPARE(document->value(QStringLiteral("Network"), QStringLiteral("a")), QStringLiteral("second"));
}

void TestConfigModel::modifiedFlagAndChangedMarks()
{
    auto document = configtest::makeDocument();
    document->loadText(QStringLiteral("[Network]\na=1\n[Licence]\nk=x"), false, false);
    QVERIFY(!document->isModified());
    QVERIFY(!document->section(QStringLiteral("Network"))->isChanged());
    QVERIFY(!document->section(QStringLiteral("Licence"))->isChanged());

    document->insertLine(5, QStringLiteral("j=y"), false);
    QVERIFY2(!document->isModified(), "a line outside every section changed a section");

    document->insertLine(3, QStringLiteral("b=2"), true);
    QVERIFY(document->isModified());
    QVERIFY(document->section(QStringLiteral("Network"))->isChanged());
    QVERIFY(!document->section(QStringLiteral("Licence"))->isChanged());

    document->loadText(QStringLiteral("[Network]\na=1"), false, true);
    QVERIFY2(document->isModified(), "keepModified dropped the marks of the new content");
    QVERIFY(document->section(QStringLiteral("Network"))->isChanged());

    document->loadText(QStringLiteral("[Network]\na=1"), false, false);
    document->removeSection(QStringLiteral("Network"));
    QVERIFY(document->isModified());

    document->loadText(QStringLiteral("[Network]\na=1"), false, false);
    QVERIFY(document->removedSections().isEmpty());
    document->renameSection(QStringLiteral("Network"), QStringLiteral("Network1"));
    QVERIFY(document->isModified());
}

QTEST_GUILESS_MAIN(TestConfigModel)
#include "tst_configmodel.moc"
