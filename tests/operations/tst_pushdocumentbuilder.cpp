#include "operations/pushdocumentbuilder.h"

#include "configsystem/configsystem.h"
#include "configsystem/configsystemerror.h"
#include "sdk/configschema.h"

#include <QtTest>

namespace {
QSharedPointer<kelp::ConfigSystem> document(const QString& text)
{
    QSharedPointer<kelp::ConfigSystem> result = kelp::createConfigDocument();
    result->loadText(text, false, false);
    return result;
}

const QString kServer = QStringLiteral("# server\n"
                                       "[General]\nname=alpha\n"
                                       "[Network1]\nip=10.0.0.1\n"
                                       "[Licence]\nkey=L1\n"
                                       "[Network0]\nip=10.0.0.0\n");
} // namespace

// The document a push uploads, built from preserved sections and the file.
class TestPushDocumentBuilder : public QObject
{
    Q_OBJECT

private slots:
    void preservedText_data();
    void preservedText();
    void rebuild_data();
    void rebuild();
    void rejectedHeaderLeavesDocumentUntouched();
};

void TestPushDocumentBuilder::preservedText_data()
{
    QTest::addColumn<QStringList>("kinds");
    QTest::addColumn<QString>("expected");

    QTest::newRow("none") << QStringList{} << "";
    QTest::newRow("licence") << QStringList{"Licence"} << "\n[Licence]\nkey=L1";
    // Ascending kinds whatever the insertion order; one kind's sections in document order.
    QTest::newRow("network then licence") << QStringList{"Network", "Licence"}
                                          << "\n[Licence]\nkey=L1\n[Network1]\nip=10.0.0.1\n[Network0]\nip=10.0.0.0\n";
    QTest::newRow("kind the server lacks") << QStringList{"Display"} << "";
}

void TestPushDocumentBuilder::preservedText()
{
    QFETCH(QStringList, kinds);
    QFETCH(QString, expected);

    std::set<QString> kindSet(kinds.begin(), kinds.end());
    QCOMPARE(PushDocumentBuilder::preservedText(*document(kServer), kindSet), expected);
}

void TestPushDocumentBuilder::rebuild_data()
{
    QTest::addColumn<QStringList>("kinds");
    QTest::addColumn<QString>("configText");
    QTest::addColumn<QString>("expected");

    const QString file = QStringLiteral("lost line\n[Relay1]\non=1\n[General]\nname=beta\n");
    QTest::newRow("nothing preserved") << QStringList{} << file << "[Relay1]\non=1\n[General]\nname=beta\n";
    QTest::newRow("licence preserved") << QStringList{"Licence"} << file
                                       << "[Licence]\nkey=L1\n[Relay1]\non=1\n[General]\nname=beta\n";
    // Network0 was the server's last section and keeps the empty line after it.
    QTest::newRow("file replaces a preserved section in its place")
        << QStringList{"Licence", "Network"} << QStringLiteral("[Network1]\nip=192.0.2.1\n[Relay2]\non=0")
        << "[Licence]\nkey=L1\n[Network1]\nip=192.0.2.1\n[Network0]\nip=10.0.0.0\n\n[Relay2]\non=0";
    QTest::newRow("file without sections")
        << QStringList{"Licence"} << QStringLiteral("just=text\n") << "[Licence]\nkey=L1";
}

void TestPushDocumentBuilder::rebuild()
{
    QFETCH(QStringList, kinds);
    QFETCH(QString, configText);
    QFETCH(QString, expected);

    QSharedPointer<kelp::ConfigSystem> server = document(kServer);
    const QString preserved =
        PushDocumentBuilder::preservedText(*server, std::set<QString>(kinds.begin(), kinds.end()));
    PushDocumentBuilder(configText).rebuild(*server, preserved);
    QCOMPARE(server->toText(), expected);
}

// One builder serves every server of a run: each rebuild refuses alike.
void TestPushDocumentBuilder::rejectedHeaderLeavesDocumentUntouched()
{
    const PushDocumentBuilder builder(QStringLiteral("[General]\nx=1\n[Bogus]\ny=2\n"));
    for (int server = 0; server < 2; ++server) {
        QSharedPointer<kelp::ConfigSystem> document = ::document(kServer);
        const QString preserved = PushDocumentBuilder::preservedText(*document, {QStringLiteral("Licence")});
        try {
            builder.rebuild(*document, preserved);
            QFAIL("a header outside the schema was accepted");
        } catch (const kelp::ConfigSystemBadSection& error) {
            QCOMPARE(QString::fromUtf8(error.what()), QStringLiteral("Invalid name for section: \"Bogus\""));
        }
        QCOMPARE(document->toText(), kServer);
    }
}

QTEST_GUILESS_MAIN(TestPushDocumentBuilder)

#include "tst_pushdocumentbuilder.moc"
