// The SDK's section-kind schema, which the client and the simulator share:
// which names a configuration may hold, their kind words, and that every
// kind's text loads and writes back unchanged.

#include "configsystem/configsystem.h"
#include "configsystem/configsystemerror.h"
#include "sdk/configschema.h"

#include <QTest>

class TestProtocolSchema : public QObject
{
    Q_OBJECT

private slots:
    void acceptsNames_data();
    void acceptsNames();
    void rejectsNames_data();
    void rejectsNames();
    void roundTripsEveryKind();
    void keepsKeylessLinesOnlyInAnonymousKinds();
};

void TestProtocolSchema::acceptsNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("kind");

    QTest::newRow("general") << QStringLiteral("General") << QStringLiteral("General");
    QTest::newRow("licence") << QStringLiteral("Licence") << QStringLiteral("Licence");
    QTest::newRow("interface") << QStringLiteral("Network0") << QStringLiteral("Network");
    QTest::newRow("shared network") << QStringLiteral("Network") << QStringLiteral("Network");
    QTest::newRow("network prefix") << QStringLiteral("NetworkWan") << QStringLiteral("Network");
    QTest::newRow("camera hex") << QStringLiteral("Camera_0x1F") << QStringLiteral("Camera_0x");
    QTest::newRow("storage two digits") << QStringLiteral("Storage12") << QStringLiteral("Storage");
    QTest::newRow("relay 5") << QStringLiteral("Relay5") << QStringLiteral("Relay");
    QTest::newRow("display 1") << QStringLiteral("Display1") << QStringLiteral("Display");
    QTest::newRow("user") << QStringLiteral("User1001") << QStringLiteral("User");
    QTest::newRow("schedule") << QStringLiteral("Schedule_week days") << QStringLiteral("Schedule_");
    QTest::newRow("script") << QStringLiteral("*Script7") << QStringLiteral("Script");
    QTest::newRow("script four digits") << QStringLiteral("*Script9999") << QStringLiteral("Script");
    QTest::newRow("language") << QStringLiteral("Language_de") << QStringLiteral("Language_");
}

void TestProtocolSchema::acceptsNames()
{
    QFETCH(QString, name);
    QFETCH(QString, kind);

    const QSharedPointer<kelp::ConfigSystem> document = kelp::createConfigDocument();
    document->loadText(QLatin1Char('[') + name + QStringLiteral("]\n"), false, false);
    const QList<QStringRef> names = document->sectionNamesOfKind(kind);
    QCOMPARE(names.size(), 1);
    QCOMPARE(names.first().toString(), name);
}

void TestProtocolSchema::rejectsNames_data()
{
    QTest::addColumn<QString>("name");

    QTest::newRow("lower-case kind") << QStringLiteral("general");
    QTest::newRow("relay 6") << QStringLiteral("Relay6");
    QTest::newRow("display 2") << QStringLiteral("Display2");
    QTest::newRow("camera not hex") << QStringLiteral("Camera_0xg1");
    QTest::newRow("storage without number") << QStringLiteral("Storage");
    QTest::newRow("schedule without name") << QStringLiteral("Schedule_");
    QTest::newRow("script without star") << QStringLiteral("Script7");
    QTest::newRow("language upper-case") << QStringLiteral("Language_DE");
    QTest::newRow("user without number") << QStringLiteral("Users");
    QTest::newRow("empty") << QString();
}

void TestProtocolSchema::rejectsNames()
{
    QFETCH(QString, name);

    const QSharedPointer<kelp::ConfigSystem> document = kelp::createConfigDocument();
    const QString before = QStringLiteral("[General]\nname = kept\n");
    document->loadText(before, false, false);
    QVERIFY_EXCEPTION_THROWN(document->loadText(QLatin1Char('[') + name + QStringLiteral("]\n"), false, false),
                             kelp::ConfigSystemBadSection);
    QCOMPARE(document->toText(), before);
}

void TestProtocolSchema::roundTripsEveryKind()
{
    const QString text = QStringLiteral("# written by the simulator\n"
                                        "[General]\nname = north\n\n"
                                        "[Licence]\nkey = 1234-5678\n\n"
                                        "[Network0]\naddress = 10.0.0.5\n\n"
                                        "[Network]\ngateway = 10.0.0.1\n\n"
                                        "[Camera_0x1f]\nfps=25\n"
                                        "[Storage3]\npath = /data\n"
                                        "[Relay2]\nstate = off\n"
                                        "[Display1]\nbrightness = 80\n"
                                        "[User1001]\nname = ops\n"
                                        "[Schedule_nightly]\nat = 02:00\n"
                                        "[*Script12]\nbackup --all\nreport\n"
                                        "[Language_fr]\nBonjour\r\n");
    const QSharedPointer<kelp::ConfigSystem> document = kelp::createConfigDocument();
    document->loadText(text, false, false);
    QCOMPARE(document->sectionNames().size(), 12);
    QCOMPARE(document->toText(), text);

    // Written out and read into a fresh document, the starred section keeps its one star.
    const QSharedPointer<kelp::ConfigSystem> again = kelp::createConfigDocument();
    again->loadText(document->toText(), false, false);
    QCOMPARE(again->toText(), text);
    QCOMPARE(again->sectionText(QStringLiteral("*Script12")), QStringLiteral("[*Script12]\nbackup --all\nreport"));
}

void TestProtocolSchema::keepsKeylessLinesOnlyInAnonymousKinds()
{
    const QSharedPointer<kelp::ConfigSystem> document = kelp::createConfigDocument();
    document->loadText(QStringLiteral("[*Script1]\nrun a\nrun b\n[Language_de]\nHallo\n[General]\nloose line\n"), false,
                       false);
    const QString anonymous = QStringLiteral("__anonymous__");
    QCOMPARE(document->values(QStringLiteral("*Script1"), anonymous, false).size(), 2);
    QCOMPARE(document->values(QStringLiteral("Language_de"), anonymous, false).size(), 1);
    QCOMPARE(document->values(QStringLiteral("General"), anonymous, false).size(), 0);
}

QTEST_GUILESS_MAIN(TestProtocolSchema)
#include "tst_protocolschema.moc"
