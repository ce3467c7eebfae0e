#include "configsystem/valueiterator.h"
#include "configtestsupport.h"

#include <QtTest>

using kelp::ConfigSystem;
using Iterator = kelp::ValueIterator<QStringRef, QStringRef>;

namespace {

const QString sample = QStringLiteral("[Licence]\nk=x\n[Network]\nA=1\n# note\nA=2\nb=3\na=4\n[Storage1]\ns=1");

QStringList valueTexts(const QVector<ConfigSystem::ValueLine>& lines)
{
    QStringList texts;
    for (const ConfigSystem::ValueLine& line : lines) {
        texts.append(line.key + QLatin1Char('=') + line.value + QLatin1Char('@') + QString::number(line.lineNumber));
    }
    return texts;
}

} // namespace

class TestConfigValues : public QObject
{
    Q_OBJECT

private slots:
    void value_data();
    void value();
    void valuesInLineOrder();
    void iteratorWalksMatchingKeys();
    void latestValueOfKeyAfterEdits();
    void remove_data();
    void remove();
    void removeRefused_data();
    void removeRefused();
    void removingOnlyValueRemovesSection();
    void renameKey_data();
    void renameKey();
    void renameKeyRefused();
    void removeValueLine();
};

void TestConfigValues::value_data()
{
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<bool>("caseInsensitive");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("isNull");

    QTest::newRow("last read of two values") << "Network"
                                             << "A" << false << "2" << false;
    QTest::newRow("case-sensitive: a is its own key") << "Network"
                                                      << "a" << false << "4" << false;
    QTest::newRow("ignoring case: A before a in key order") << "Network"
                                                            << "a" << true << "2" << false;
    QTest::newRow("ignoring case: B") << "Network"
                                      << "B" << true << "3" << false;
    QTest::newRow("case-sensitive: B missing") << "Network"
                                               << "B" << false << "" << true;
    QTest::newRow("absent section") << "Network1"
                                    << "A" << false << "" << true;
    QTest::newRow("key of another section") << "Licence"
                                            << "A" << true << "" << true;
}

void TestConfigValues::value()
{
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(bool, caseInsensitive);
    QFETCH(QString, expected);
    QFETCH(bool, isNull);

    auto document = configtest::makeDocument();
    document->loadText(sample, false, false);
    const QStringRef found = document->value(section, key, caseInsensitive);
    QCOMPARE(found.isNull(), isNull);
    QCOMPARE(found.toString(), expected);
}

void TestConfigValues::valuesInLineOrder()
{
    auto document = configtest::makeDocument();
    document->loadText(sample, false, false);
    QCOMPARE(valueTexts(document->values(QStringLiteral("Network"), QStringLiteral("a"), true)),
             QStringList({"A=1@4", "A=2@6", "a=4@8"}));
    QCOMPARE(valueTexts(document->values(QStringLiteral("Network"), QStringLiteral("A"), false)),
             QStringList({"A=1@4", "A=2@6"}));
    QVERIFY(document->values(QStringLiteral("Nowhere"), QStringLiteral("A"), false).isEmpty());

    // Line numbers follow lines inserted above.
    document->insertLine(1, QStringLiteral("# new top"), false);
    QCOMPARE(valueTexts(document->values(QStringLiteral("Network"), QStringLiteral("A"), false)),
             QStringList({"A=1@5", "A=2@7"}));
}

void TestConfigValues::iteratorWalksMatchingKeys()
{
    auto document = configtest::makeDocument();
    document->loadText(sample, false, false);
    const kelp::Section::Values& values = document->section(QStringLiteral("Network"))->values();

    const QString upper = QStringLiteral("A");
    QStringList sensitive;
    for (Iterator it(values, values.cbegin(), QStringRef(&upper), Qt::CaseSensitive); !it.atEnd(); ++it) {
        sensitive.append((*it).value.toString());
    }
    QCOMPARE(sensitive, QStringList({"2", "1"}));

    const QString key = QStringLiteral("a");
    QStringList insensitive;
    for (Iterator it(values, values.cbegin(), QStringRef(&key), Qt::CaseInsensitive); !it.atEnd(); ++it) {
        insensitive.append((*it).value.toString());
    }
    QCOMPARE(insensitive, QStringList({"2", "1", "4"}));

    const QString missing = QStringLiteral("zz");
    QVERIFY(Iterator(values, values.cbegin(), QStringRef(&missing), Qt::CaseInsensitive).atEnd());
    QCOMPARE(Iterator::all(values).size(), 4);
}

// Values added after the index was last read still come before the older
// values of their key, and the line order is kept.
void TestConfigValues::latestValueOfKeyAfterEdits()
{
    auto document = configtest::makeDocument();
    document->loadText(QStringLiteral("[Network]\nA=1\nB=1\nA=2"), false, false);
    QCOMPARE(document->value(QStringLiteral("Network"), QStringLiteral("A")), QStringLiteral("2"));

    document->insertLine(3, QStringLiteral("A=3"), true);
    QCOMPARE(document->value(QStringLiteral("Network"), QStringLiteral("A")), QStringLiteral("3"));
    document->insertLine(6, QStringLiteral("C=1"), true);
    document->insertLine(2, QStringLiteral("A=4"), true);
    QCOMPARE(document->value(QStringLiteral("Network"), QStringLiteral("A")), QStringLiteral("4"));
    QCOMPARE(document->value(QStringLiteral("Network"), QStringLiteral("a"), true), QStringLiteral("4"));
    QCOMPARE(valueTexts(document->values(QStringLiteral("Network"), QStringLiteral("A"), false)),
             QStringList({"A=4@2", "A=1@3", "A=3@4", "A=2@6"}));

    document->setValue(QStringLiteral("A"), QStringLiteral("5"), QStringLiteral("Network"), 3);
    QCOMPARE(document->value(QStringLiteral("Network"), QStringLiteral("A")), QStringLiteral("5"));
    document->removeValue(QStringLiteral("Network"), QStringLiteral("A"), 1);
    QCOMPARE(document->value(QStringLiteral("Network"), QStringLiteral("A")), QStringLiteral("4"));

    QStringList keys;
    for (const kelp::Section::SingleValue& value : document->section(QStringLiteral("Network"))->values()) {
        keys.append(value.key + QLatin1Char('=') + value.value);
    }
    QCOMPARE(keys, QStringList({"A=4", "A=3", "A=2", "B=1", "C=1"}));
}

void TestConfigValues::remove_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("expectedNetwork");

    QTest::newRow("first of A, ignoring case") << "a" << 0 << "[Network]\n# note\nA=2\nb=3\na=4";
    QTest::newRow("second of A") << "A" << 1 << "[Network]\nA=1\n# note\nb=3\na=4";
    QTest::newRow("third of a/A is the lower-case one") << "a" << 2 << "[Network]\nA=1\n# note\nA=2\nb=3";
    QTest::newRow("all keys together, index 2") << "" << 2 << "[Network]\nA=1\n# note\nA=2\na=4";
    QTest::newRow("all keys together, last") << "" << 3 << "[Network]\nA=1\n# note\nA=2\nb=3";
}

void TestConfigValues::remove()
{
    QFETCH(QString, key);
    QFETCH(int, index);
    QFETCH(QString, expectedNetwork);

    auto document = configtest::makeDocument();
    document->loadText(sample, false, false);
    if (key.isEmpty()) {
        document->removeValueAt(QStringLiteral("Network"), index);
    } else {
        document->removeValue(QStringLiteral("Network"), key, index);
    }
    QCOMPARE(document->toText(),
             QStringLiteral("[Licence]\nk=x\n") + expectedNetwork + QStringLiteral("\n[Storage1]\ns=1"));
    QCOMPARE(document->sectionText(QStringLiteral("Network")), expectedNetwork);
    QCOMPARE(document->section(QStringLiteral("Network"))->values().size(), 3);
    QCOMPARE(valueTexts(document->values(QStringLiteral("Storage1"), QStringLiteral("s"), false)),
             QStringList{"s=1@9"});
    QVERIFY(document->isModified());
}

void TestConfigValues::removeRefused_data()
{
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("index");
    QTest::addColumn<QByteArray>("message");

    QTest::newRow("index past the values of A and a")
        << "Network"
        << "A" << 5 << QByteArray("Index 5 is out of range (elements count: 3");
    QTest::newRow("index just past") << "Network"
                                     << "b" << 1 << QByteArray("Index 1 is out of range (elements count: 1");
    QTest::newRow("negative index") << "Network"
                                    << "b" << -1 << QByteArray("Index -1 is out of range (elements count: 1");
    QTest::newRow("key without values") << "Network"
                                        << "zz" << 0 << QByteArray("Index 0 is out of range (elements count: 0");
    QTest::newRow("all values, index past") << "Network"
                                            << "" << 4 << QByteArray("Index 4 is out of range (elements count: 4");
    QTest::newRow("absent section") << "Network1"
                                    << "A" << 0 << QByteArray("Invalid name for section: \"Network1\"");
    QTest::newRow("absent section, all values") << "Network1"
                                                << "" << 0 << QByteArray("Invalid name for section: \"Network1\"");
}

void TestConfigValues::removeRefused()
{
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(int, index);
    QFETCH(QByteArray, message);

    auto document = configtest::makeDocument();
    document->loadText(sample, false, false);
    try {
        if (key.isEmpty()) {
            document->removeValueAt(section, index);
        } else {
            document->removeValue(section, key, index);
        }
        QFAIL("the removal was accepted");
    } catch (const kelp::ConfigSystemError& error) {
        QCOMPARE(QByteArray(dynamic_cast<const std::exception&>(error).what()), message);
    }
    QCOMPARE(document->toText(), sample);
    QVERIFY(!document->isModified());
}

void TestConfigValues::removingOnlyValueRemovesSection()
{
    auto document = configtest::makeDocument();
    document->loadText(sample, false, false);
    document->removeValue(QStringLiteral("Licence"), QStringLiteral("K"), 0);
    QCOMPARE(document->toText(), QStringLiteral("[Network]\nA=1\n# note\nA=2\nb=3\na=4\n[Storage1]\ns=1"));
    QVERIFY(!document->hasSection(QStringLiteral("Licence")));
    QCOMPARE(document->removedSections().size(), 1);
    QCOMPARE(document->removedSections().first().name, QStringLiteral("Licence"));

    document->removeValueAt(QStringLiteral("Storage1"), 0);
    QCOMPARE(document->toText(), QStringLiteral("[Network]\nA=1\n# note\nA=2\nb=3\na=4"));
}

void TestConfigValues::renameKey_data()
{
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("oldKey");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("keyAfter");
    QTest::addColumn<QString>("valueAfter");

    QTest::newRow("leading blanks and old key dropped") << "Network"
                                                        << "  speed = 3"
                                                        << "SPEED"
                                                        << "Speed= 3"
                                                        << "Speed"
                                                        << "3";
    QTest::newRow("empty value kept empty") << "Network"
                                            << "speed="
                                            << "speed"
                                            << "Speed="
                                            << "Speed"
                                            << "";
    QTest::newRow("keyless line of an anonymousValues section") << "Lang_de"
                                                                << "hello"
                                                                << "__anonymous__"
                                                                << "Speedhello"
                                                                << "__anonymous__"
                                                                << "Speedhello";
    QTest::newRow("leading equals of an anonymousValues section") << "Lang_de"
                                                                  << "=x"
                                                                  << "__ANONYMOUS__"
                                                                  << "Speed=x"
                                                                  << "Speed"
                                                                  << "x";
}

void TestConfigValues::renameKey()
{
    QFETCH(QString, section);
    QFETCH(QString, line);
    QFETCH(QString, oldKey);
    QFETCH(QString, expected);
    QFETCH(QString, keyAfter);
    QFETCH(QString, valueAfter);

    auto document = configtest::makeDocument();
    document->loadText(QLatin1Char('[') + section + QStringLiteral("]\n") + line + QStringLiteral("\n[Licence]"), false,
                       false);
    document->renameKey(section, oldKey, QStringLiteral("Speed"));
    QCOMPARE(document->toText(),
             QLatin1Char('[') + section + QStringLiteral("]\n") + expected + QStringLiteral("\n[Licence]"));
    QCOMPARE(valueTexts(document->values(section, keyAfter, false)),
             QStringList{keyAfter + QLatin1Char('=') + valueAfter + QStringLiteral("@2")});
    QCOMPARE(document->section(section)->values().size(), 1);
    QVERIFY(document->section(section)->isChanged());
}

void TestConfigValues::renameKeyRefused()
{
    auto document = configtest::makeDocument();
    document->loadText(sample, false, false);
    try {
        document->renameKey(QStringLiteral("Network"), QStringLiteral("zz"), QStringLiteral("y"));
        QFAIL("a key without values was renamed");
    } catch (const kelp::ConfigSystemOutOfRange& error) {
        QCOMPARE(QByteArray(error.what()), QByteArray("Index 0 is out of range (elements count: 0"));
    }
    QVERIFY_EXCEPTION_THROWN(document->renameKey(QStringLiteral("Gate1"), QStringLiteral("A"), QStringLiteral("B")),
                             kelp::ConfigSystemBadSection);
    QCOMPARE(document->toText(), sample);
    QVERIFY(!document->isModified());
}

void TestConfigValues::removeValueLine()
{
    auto document = configtest::makeDocument();
    document->loadText(QStringLiteral("# top\n") + sample, false, false);

    const QByteArray refused("Invalid name for section: \"NoName, FIXME\"");
    for (const quint64 lineNumber : {quint64(1), quint64(2), quint64(6), quint64(99)}) {
        try {
            document->removeValueLine(lineNumber);
            QFAIL(qPrintable(QStringLiteral("line %1 accepted").arg(lineNumber)));
        } catch (const kelp::ConfigSystemBadSection& error) {
            QCOMPARE(QByteArray(error.what()), refused);
        }
    }
    QVERIFY(!document->isModified());

    document->removeValueLine(7);
    QCOMPARE(document->sectionText(QStringLiteral("Network")), QStringLiteral("[Network]\nA=1\n# note\nb=3\na=4"));
    QCOMPARE(valueTexts(document->values(QStringLiteral("Storage1"), QStringLiteral("s"), false)),
             QStringList{"s=1@10"});
    document->removeValueLine(3);
    QVERIFY(!document->hasSection(QStringLiteral("Licence")));
    QCOMPARE(document->toText(), QStringLiteral("# top\n[Network]\nA=1\n# note\nb=3\na=4\n[Storage1]\ns=1"));
}

QTEST_GUILESS_MAIN(TestConfigValues)
#include "tst_configvalues.moc"
