#include "batchprocess.h"
#include "fleetprocess.h"
#include "testsupport/testsettings.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Lines before the first header, two sections of the kind Network (one per
// interface, one shared) apart from each other, and a section the snippet replaces.
const QString kServerConfig = QStringLiteral("# site Zürich\n[General]\nname=Alpha\n[Licence]\nkey=AAAA\n"
                                             "[Network0]\naddress=10.0.0.5\n[Relay1]\nmode=on\n[Network]\n"
                                             "dns=10.0.0.1\n");
// Replaces Relay1 and the shared Network section, adds Storage1.
const QString kSnippet = QStringLiteral("# pushed on Monday\r\n[Relay1]\r\nmode=off\r\n[Network]\r\ndns=9.9.9.9\r\n"
                                        "[Storage1]\r\nsize=4\r\n");

QString writeFile(const QString& path, const QString& text)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(text.toUtf8());
    }
    return path;
}

} // namespace

// The preview against what a real push leaves on a simulated server.
class TestBatchPreview : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void previewEqualsPush_data();
    void previewEqualsPush();
    void rejectedSectionHeader();
    void diff_data();
    void diff();
    void unreadableServerConfiguration();

private:
    QString path(const QString& name) const { return m_work->filePath(name); }

    testsupport::TestSettings m_settings;
    std::unique_ptr<QTemporaryDir> m_work;
};

void TestBatchPreview::init()
{
    m_work = std::make_unique<QTemporaryDir>();
    QVERIFY(m_work->isValid());
}

void TestBatchPreview::previewEqualsPush_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("expected");

    QTest::newRow("merge, both kept")
        << "127.0.10.21" << QStringList()
        << "# site Zürich\n[General]\nname=Alpha\n[Licence]\nkey=AAAA\n[Network0]\naddress=10.0.0.5\n[Relay1]\n"
           "mode=off\n[Network]\ndns=9.9.9.9\n[Storage1]\nsize=4\n";
    QTest::newRow("replace, both kept")
        << "127.0.10.23" << QStringList{"--mode", "replace"}
        << "[Licence]\nkey=AAAA\n[Network0]\naddress=10.0.0.5\n[Network]\ndns=9.9.9.9\n[Relay1]\nmode=off\n"
           "[Storage1]\nsize=4\n";
    QTest::newRow("replace, none kept") << "127.0.10.24"
                                        << QStringList{"--mode", "replace", "--no-preserve-network",
                                                       "--no-preserve-licence"}
                                        << "[Relay1]\nmode=off\n[Network]\ndns=9.9.9.9\n[Storage1]\nsize=4\n";
}

void TestBatchPreview::previewEqualsPush()
{
    QFETCH(QString, address);
    QFETCH(QStringList, options);
    QFETCH(QString, expected);
    FleetProcess fleet;
    fleet.addServer(QStringLiteral("Alpha"), address, QStringLiteral("secret"), kServerConfig);
    QVERIFY2(fleet.start(), qPrintable(fleet.errorString()));
    const QString csv = writeFile(path(QStringLiteral("servers.csv")),
                                  QStringLiteral("host,username,password\n%1,admin,secret\n").arg(address));
    const QString snippet = writeFile(path(QStringLiteral("snippet.conf")), kSnippet);

    // Previewed against a backup, as an administrator would.
    const BatchProcess backup({"backup", "--csv", csv, "--output-dir", m_work->path()});
    QCOMPARE(backup.exitCode(), 0);
    const BatchProcess preview(
        QStringList{"preview", "--server-config", path(QStringLiteral("Alpha.conf")), "--config", snippet} + options);
    QCOMPARE(preview.err(), QString());
    QCOMPARE(preview.exitCode(), 0);
    QCOMPARE(preview.out(), expected);

    const BatchProcess push(QStringList{"push", "--csv", csv, "--config", snippet} + options);
    QCOMPARE(push.err(), QString());
    QCOMPARE(push.exitCode(), 0);
    QCOMPARE(preview.out(), QString::fromUtf8(fleet.config(QStringLiteral("Alpha"))));
}

void TestBatchPreview::rejectedSectionHeader()
{
    FleetProcess fleet;
    fleet.addServer(QStringLiteral("Alpha"), QStringLiteral("127.0.10.27"), QStringLiteral("secret"), kServerConfig);
    QVERIFY2(fleet.start(), qPrintable(fleet.errorString()));
    const QString csv = writeFile(path(QStringLiteral("servers.csv")),
                                  QStringLiteral("host,username,password\n127.0.10.27,admin,secret\n"));
    const QString snippet =
        writeFile(path(QStringLiteral("snippet.conf")), QStringLiteral("[Relay1]\nmode=off\n[Relay9]\nmode=on\n"));
    const QString rejection = QStringLiteral("ERROR: Config Error: Invalid name for section: \"Relay9\"");

    const BatchProcess preview(
        {"preview", "--server-config", fleet.configPath(QStringLiteral("Alpha")), "--config", snippet, "--diff"});
    QCOMPARE(preview.errLines(), QStringList{rejection});
    QCOMPARE(preview.out(), QString());
    QCOMPARE(preview.exitCode(), 2);

    // The push reports the very same line, and the server keeps its configuration.
    const BatchProcess push({"push", "--csv", csv, "--config", snippet, "--mode", "replace"});
    QCOMPARE(push.errLines(), QStringList{rejection});
    QCOMPARE(push.exitCode(), 1);
    QCOMPARE(QString::fromUtf8(fleet.config(QStringLiteral("Alpha"))), kServerConfig);
}

void TestBatchPreview::diff_data()
{
    QTest::addColumn<QString>("snippet");
    QTest::addColumn<QString>("diff");

    // No line end after the last line: a final line end would be an empty last
    // line of Relay1, and the merge would add it as a blank line.
    QTest::newRow("one line changed") << "[Relay1]\nmode=off"
                                      << "--- %1 (current)\n+++ %1 (after pushing %2, merge)\n@@ -6,6 +6,6 @@\n"
                                         " [Network0]\n address=10.0.0.5\n [Relay1]\n-mode=on\n+mode=off\n [Network]\n"
                                         " dns=10.0.0.1\n";
    QTest::newRow("no change") << "[Relay1]\nmode=on"
                               << "";
}

void TestBatchPreview::diff()
{
    QFETCH(QString, snippet);
    QFETCH(QString, diff);
    const QString server = writeFile(path(QStringLiteral("Alpha.conf")), kServerConfig);
    const QString snippetPath = writeFile(path(QStringLiteral("snippet.conf")), snippet);

    const BatchProcess preview({"preview", "--server-config", server, "--config", snippetPath, "--diff"});
    QCOMPARE(preview.err(), QString());
    QCOMPARE(preview.exitCode(), 0);
    QCOMPARE(preview.out(), diff.isEmpty() ? diff : diff.arg(server, snippetPath));
}

void TestBatchPreview::unreadableServerConfiguration()
{
    const QString snippet = writeFile(path(QStringLiteral("relay.conf")), QStringLiteral("[Relay1]\nmode=off\n"));
    const QString missing = path(QStringLiteral("none.conf"));
    const QString rejected = writeFile(path(QStringLiteral("bad.conf")), QStringLiteral("[General]\n[Bogus]\n"));

    const BatchProcess noFile({"preview", "--server-config", missing, "--config", snippet});
    QCOMPARE(noFile.errLines(), QStringList{"ERROR: Could not read server configuration file: " + missing});
    QCOMPARE(noFile.exitCode(), 2);

    const BatchProcess noConfig({"preview", "--server-config", rejected, "--config", missing});
    QCOMPARE(noConfig.errLines(), QStringList{"ERROR: Could not read configuration file: " + missing});
    QCOMPARE(noConfig.exitCode(), 2);

    const BatchProcess badServer({"preview", "--server-config", rejected, "--config", snippet});
    QCOMPARE(badServer.errLines(), QStringList{"ERROR: Could not read server configuration file: " + rejected +
                                               ": Invalid name for section: \"Bogus\""});
    QCOMPARE(badServer.out(), QString());
    QCOMPARE(badServer.exitCode(), 2);
}

QTEST_GUILESS_MAIN(TestBatchPreview)
#include "tst_batchpreview.moc"
