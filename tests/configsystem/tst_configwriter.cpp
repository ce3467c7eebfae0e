#include "configtestsupport.h"

#include <QtTest>

#include <vector>

namespace {

const QString sixLines = QStringLiteral("# site config\n[Network]\nA = 1\r\n\n[Licence]\nKey=x");

QString debugHead()
{
    return QStringLiteral("ConfigSystem: \n  Internal State: \n      Sections:\n");
}

} // namespace

class TestConfigWriter : public QObject
{
    Q_OBJECT

private slots:
    void toTextGivesBackWhatWasLoaded();
    void toTextKeepsToTheLoadedText();
    void sectionText_data();
    void sectionText();
    void setValueKeepsLayout_data();
    void setValueKeepsLayout();
    void setValueSameTextChangesNothing();
    void setValueOnOtherLines_data();
    void setValueOnOtherLines();
    void setValueUnknownSection();
    void debugString_data();
    void debugString();
};

void TestConfigWriter::toTextGivesBackWhatWasLoaded()
{
    auto document = configtest::makeDocument();
    QCOMPARE(document->toText(), QString(""));
    QVERIFY(!document->toText().isNull());

    document->loadText(sixLines, false, false);
    QCOMPARE(document->toText(), sixLines);
    QCOMPARE(document->lineCount(), quint64(6));
}

// The document keeps the text it loads without copying it where it may: a
// string over someone else's buffer is copied, since the buffer may change or
// go, and a later change to the caller's own string does not show.
void TestConfigWriter::toTextKeepsToTheLoadedText()
{
    const QString loaded = QStringLiteral("[Network]\nv=1");
    std::vector<QChar> buffer(loaded.cbegin(), loaded.cend());
    auto document = configtest::makeDocument();
    document->loadText(QString::fromRawData(buffer.data(), static_cast<int>(buffer.size())), false, false);
    std::fill(buffer.begin(), buffer.end(), QLatin1Char('X'));
    const QByteArray appended("[Licence]\nk=x");
    document->appendText(appended.constData(), appended.size());
    QCOMPARE(document->toText(), QStringLiteral("[Network]\nv=1\n[Licence]\nk=x"));
    QCOMPARE(document->value(QStringLiteral("Network"), QStringLiteral("v")), QStringLiteral("1"));

    QString callers = sixLines;
    document->loadText(callers, false, false);
    callers[0] = QLatin1Char('X');
    callers.chop(1);
    QCOMPARE(document->toText(), sixLines);
    QCOMPARE(document->value(QStringLiteral("Licence"), QStringLiteral("Key")), QStringLiteral("x"));
}

void TestConfigWriter::sectionText_data()
{
    QTest::addColumn<QString>("removed");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expected");

    QTest::newRow("section with its trailing empty line") << ""
                                                          << "Network"
                                                          << "[Network]\nA = 1\r\n";
    QTest::newRow("last section, no final line feed") << ""
                                                      << "Licence"
                                                      << "[Licence]\nKey=x";
    QTest::newRow("absent name: bare header") << ""
                                              << "Storage7"
                                              << "[Storage7]";
    QTest::newRow("name of no kind: bare header") << ""
                                                  << "no such"
                                                  << "[no such]";
    QTest::newRow("name differs in case") << ""
                                          << "network"
                                          << "[network]";
    QTest::newRow("removed ordinary section") << "Network"
                                              << "Network"
                                              << "[Network]";
    QTest::newRow("removed starred section, star in name") << "*Camera1"
                                                           << "*Camera1"
                                                           << "[**Camera1]";
    QTest::newRow("removed starred section, no star in name") << "Gate3"
                                                              << "Gate3"
                                                              << "[*Gate3]";
}

void TestConfigWriter::sectionText()
{
    QFETCH(QString, removed);
    QFETCH(QString, name);
    QFETCH(QString, expected);

    auto document = configtest::makeDocument();
    document->loadText(sixLines + QStringLiteral("\n[*Camera1]\nc=1\n[Gate3]\ng=1"), false, false);
    if (!removed.isEmpty()) {
        document->removeSection(removed);
    }
    QCOMPARE(document->sectionText(name), expected);
}

void TestConfigWriter::setValueKeepsLayout_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("expected");

    QTest::newRow("blanks around everything") << "  Mode = auto "
                                              << "Mode"
                                              << "manual"
                                              << "  Mode = manual ";
    QTest::newRow("old value runs to the end") << "  Mode = auto # keep"
                                               << "Mode"
                                               << "manual"
                                               << "  Mode = manual";
    QTest::newRow("empty old value") << "Mode ="
                                     << "Mode"
                                     << "on"
                                     << "Mode=on";
    QTest::newRow("empty old value, blanks after") << "\tMode =   "
                                                   << "Mode"
                                                   << "on"
                                                   << "\tMode=on";
    QTest::newRow("tabs kept") << "\tMode\t=\tauto\t"
                               << "Mode"
                               << "manual"
                               << "\tMode\t=\tmanual\t";
    QTest::newRow("carriage return kept") << "Mode = auto\r"
                                          << "Mode"
                                          << "manual"
                                          << "Mode = manual\r";
    QTest::newRow("new key") << "Mode=auto"
                             << "Speed"
                             << "3"
                             << "Speed=3";
    QTest::newRow("empty new value") << "Mode = auto"
                                     << "Mode"
                                     << ""
                                     << "Mode = ";
    QTest::newRow("second equals sign belongs to the value") << "Url = a=b"
                                                             << "Url"
                                                             << "c=d"
                                                             << "Url = c=d";
}

void TestConfigWriter::setValueKeepsLayout()
{
    QFETCH(QString, line);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QString, expected);

    auto document = configtest::makeDocument();
    document->loadText(QStringLiteral("[Network]\n") + line + QStringLiteral("\n[Licence]\nk=x"), false, false);
    document->setValue(key, value, QStringLiteral("Network"), 2);

    QCOMPARE(document->toText(), QStringLiteral("[Network]\n") + expected + QStringLiteral("\n[Licence]\nk=x"));
    QCOMPARE(document->value(QStringLiteral("Network"), key).toString(), value);
    if (key != QStringLiteral("Mode")) {
        QVERIFY2(document->value(QStringLiteral("Network"), QStringLiteral("Mode")).isNull(), "old key still indexed");
    }
    QCOMPARE(document->values(QStringLiteral("Network"), key, false).size(), 1);
    QVERIFY(document->isModified());
    QVERIFY(document->section(QStringLiteral("Network"))->isChanged());
    QVERIFY(!document->section(QStringLiteral("Licence"))->isChanged());
}

void TestConfigWriter::setValueSameTextChangesNothing()
{
    auto document = configtest::makeDocument();
    document->loadText(QStringLiteral("[Network]\nMode = auto"), false, false);
    document->setValue(QStringLiteral("Mode"), QStringLiteral("auto"), QStringLiteral("Network"), 2);
    QVERIFY(!document->isModified());
    QCOMPARE(document->toText(), QStringLiteral("[Network]\nMode = auto"));
}

void TestConfigWriter::setValueOnOtherLines_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<quint64>("lineNumber");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("expectedDebug");

    QTest::newRow("comment line becomes a value") << "[Network]\n# note\n[Licence]"
                                                  << "Network"
                                                  << "Mode" << quint64(2) << "[Network]\nMode=on\n[Licence]"
                                                  << "Network 1:2,Licence 3:1";
    QTest::newRow("empty key: the value alone") << "[Lang_de]\nHallo\n[Licence]"
                                                << "Lang_de"
                                                << "" << quint64(2) << "[Lang_de]\non\n[Licence]"
                                                << "Lang_ 1:2,Licence 3:1";
    QTest::newRow("anonymousValues section: key=value") << "[Lang_de]\nHallo\n[Licence]"
                                                        << "Lang_de"
                                                        << "Mode" << quint64(2) << "[Lang_de]\nMode=on\n[Licence]"
                                                        << "Lang_ 1:2,Licence 3:1";
    QTest::newRow("line of another section: appended to this one")
        << "[Network]\na=1\n[Licence]\nk=x"
        << "Network"
        << "Mode" << quint64(4) << "[Network]\na=1\nMode=on\n[Licence]\nk=x"
        << "Network 1:3,Licence 4:2";
    QTest::newRow("header line: appended") << "[Network]\na=1"
                                           << "Network"
                                           << "Mode" << quint64(1) << "[Network]\na=1\nMode=on"
                                           << "Network 1:3";
    QTest::newRow("beyond the document: appended") << "[Network]"
                                                   << "Network"
                                                   << "Mode" << quint64(99) << "[Network]\nMode=on"
                                                   << "Network 1:2";
}

void TestConfigWriter::setValueOnOtherLines()
{
    QFETCH(QString, text);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(quint64, lineNumber);
    QFETCH(QString, expected);
    QFETCH(QString, expectedDebug);

    auto document = configtest::makeDocument();
    document->loadText(text, false, false);
    document->setValue(key, QStringLiteral("on"), section, lineNumber);
    QCOMPARE(document->toText(), expected);

    QString debug = QStringLiteral("ConfigSystem: \n  Internal State: \n      Sections:\n");
    for (const QString& span : expectedDebug.split(QLatin1Char(','))) {
        debug += QStringLiteral("        ") + span + QLatin1Char('\n');
    }
    QCOMPARE(document->debugString(), debug + QLatin1Char('\n'));

    const auto values = document->values(section, key.isEmpty() ? QStringLiteral("__anonymous__") : key, false);
    QVERIFY2(!values.isEmpty(), "the rewritten line is not a value");
    QCOMPARE(values.last().value, QStringLiteral("on"));
    // The old keyless value of the rewritten line is gone.
    QVERIFY(document->values(section, QStringLiteral("__anonymous__"), false).size() <= 1);
}

void TestConfigWriter::setValueUnknownSection()
{
    auto document = configtest::makeDocument();
    document->loadText(QStringLiteral("[Network]\na=1"), false, false);
    QVERIFY_EXCEPTION_THROWN(document->setValue(QStringLiteral("a"), QStringLiteral("2"), QStringLiteral("Licence"), 2),
                             kelp::ConfigSystemBadSection);
    QCOMPARE(document->toText(), QStringLiteral("[Network]\na=1"));
    QVERIFY(!document->isModified());
}

void TestConfigWriter::debugString_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    QTest::newRow("empty document") << "" << debugHead() + QStringLiteral("\n");
    QTest::newRow("six lines") << sixLines
                               << debugHead() + QStringLiteral("        Network 2:2\n        Licence 5:2\n\n");
    QTest::newRow("kind words without star, large numbers")
        << QStringLiteral("[*Camera1]\n") + QStringLiteral("v=1\n").repeated(1000) + QStringLiteral("[Network3]")
        << debugHead() + QStringLiteral("        Camera 1:1001\n        Network 1002:1\n\n");
}

void TestConfigWriter::debugString()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);

    auto document = configtest::makeDocument();
    document->loadText(text, false, false);
    QCOMPARE(document->debugString(), expected);
}

QTEST_GUILESS_MAIN(TestConfigWriter)
#include "tst_configwriter.moc"
