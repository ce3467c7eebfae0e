#include "sdk/localuserconfig.h"
#include "testsupport/testsettings.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRect>
#include <QtTest>

using kelp::LocalUserConfig;

namespace {
const QString kOrganisation = QStringLiteral("QuorlanTest");

// Runs the probe with the given arguments and tells whether it ended the way
// the command requires (killed by itself, or a clean exit); its standard
// output goes to *output.
bool runProbe(const QStringList& arguments, bool expectKilled, QByteArray* output = nullptr)
{
    QProcess probe;
    probe.start(QStringLiteral(LOCALUSERCONFIG_PROBE), arguments);
    if (!probe.waitForFinished(30000)) {
        probe.kill();
        probe.waitForFinished();
        return false;
    }
    const bool killed = probe.exitStatus() == QProcess::CrashExit;
    if (killed != expectKilled || (!killed && probe.exitCode() != 0)) {
        qWarning() << "probe" << arguments << "ended with" << probe.exitCode() << probe.readAllStandardError();
        return false;
    }
    if (output) {
        *output = probe.readAllStandardOutput();
    }
    return true;
}

QByteArray serialised(const QVariant& value)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << value;
    return bytes.toHex();
}

QVariant deserialised(const QByteArray& hex)
{
    QVariant value;
    QDataStream in(QByteArray::fromHex(hex.trimmed()));
    in >> value;
    return value;
}
} // namespace

class TestLocalUserConfig : public QObject
{
    Q_OBJECT

private slots:
    void storeIsIsolatedUnderOrganisationAndApplication();
    void valueSurvivesIntoAFreshProcess_data();
    void valueSurvivesIntoAFreshProcess();
    void absentKeyGivesTheDefault_data();
    void absentKeyGivesTheDefault();
    void damagedStoreGivesDefaults_data();
    void damagedStoreGivesDefaults();

private:
    testsupport::TestSettings m_settings;
};

void TestLocalUserConfig::storeIsIsolatedUnderOrganisationAndApplication()
{
    const LocalUserConfig config(kOrganisation, QStringLiteral("paths"));
    QCOMPARE(config.fileName(), m_settings.configHome() + QStringLiteral("/QuorlanTest/paths.conf"));
}

void TestLocalUserConfig::valueSurvivesIntoAFreshProcess_data()
{
    QTest::addColumn<QString>("group");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QVariant>("value");

    QTest::newRow("rectangle") << "geometry"
                               << "mainwin_geometry" << QVariant(QRect(140, 90, 701, 499));
    QTest::newRow("non-ASCII text") << "backup_paths"
                                    << "output" << QVariant(QString::fromUtf8("/srv/Sicherung/\xC3\xBC"));
    QTest::newRow("flag") << "pushconfig_options"
                          << "restart" << QVariant(true);
}

void TestLocalUserConfig::valueSurvivesIntoAFreshProcess()
{
    QFETCH(QString, group);
    QFETCH(QString, key);
    QFETCH(QVariant, value);

    const QString application = QStringLiteral("roundtrip");
    QVERIFY2(runProbe({kOrganisation, application, QStringLiteral("set"), group, key,
                       QString::fromLatin1(serialised(value))},
                      true),
             "the writing process did not run to its own kill");

    QByteArray output;
    QVERIFY2(runProbe({kOrganisation, application, QStringLiteral("get"), group, key}, false, &output),
             "the reading process failed");
    QVariant read = deserialised(output);
    QVERIFY2(read.isValid(), "the value did not reach the disk before the writer was killed");
    // The native format gives scalars back as text; callers convert.
    QVERIFY(read.convert(value.userType()));
    QCOMPARE(read, value);
}

void TestLocalUserConfig::absentKeyGivesTheDefault_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("group");
    QTest::addColumn<QVariant>("defaultValue");

    QTest::newRow("number") << "missing"
                            << "options" << QVariant(42);
    QTest::newRow("invalid") << "missing"
                             << "options" << QVariant();
    QTest::newRow("rectangle") << "missing"
                               << "geometry" << QVariant(QRect(1, 2, 3, 4));
    QTest::newRow("key of another group") << "shared"
                                          << "other" << QVariant(QStringLiteral("default"));
}

void TestLocalUserConfig::absentKeyGivesTheDefault()
{
    QFETCH(QString, key);
    QFETCH(QString, group);
    QFETCH(QVariant, defaultValue);

    LocalUserConfig config(kOrganisation, QStringLiteral("defaults"));
    config.setOption(QStringLiteral("shared"), QStringLiteral("stored"), QStringLiteral("options"));
    QCOMPARE(config.getOption(key, group, defaultValue), defaultValue);
}

void TestLocalUserConfig::damagedStoreGivesDefaults_data()
{
    QTest::addColumn<bool>("directoryInPlace");
    QTest::addColumn<QByteArray>("content");

    static const char garbage[] = "\x00\xFF\xFE[[[\n=\n\x01\x02\x03]]\n";
    QTest::newRow("binary garbage") << false << QByteArray(garbage, sizeof garbage - 1);
    QTest::newRow("directory in place of the file") << true << QByteArray();
}

void TestLocalUserConfig::damagedStoreGivesDefaults()
{
    QFETCH(bool, directoryInPlace);
    QFETCH(QByteArray, content);

    const QString application = QStringLiteral("damaged-%1").arg(QTest::currentDataTag());
    const QString path =
        m_settings.configHome() + QStringLiteral("/QuorlanTest/") + application + QStringLiteral(".conf");
    if (directoryInPlace) {
        QVERIFY(QDir().mkpath(path));
    } else {
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

    LocalUserConfig config(kOrganisation, application);
    QCOMPARE(config.getOption(QStringLiteral("mainwin_geometry"), QStringLiteral("geometry"), QRect(5, 6, 7, 8)),
             QVariant(QRect(5, 6, 7, 8)));
    // Writing over a damaged store must not fail either, and a damaged file is
    // replaced by a good one.
    config.setOption(QStringLiteral("mainwin_geometry"), QRect(10, 20, 30, 40), QStringLiteral("geometry"));
    if (!directoryInPlace) {
        QByteArray output;
        QVERIFY(runProbe({kOrganisation, application, QStringLiteral("get"), QStringLiteral("geometry"),
                          QStringLiteral("mainwin_geometry")},
                         false, &output));
        QCOMPARE(deserialised(output), QVariant(QRect(10, 20, 30, 40)));
    }
}

QTEST_GUILESS_MAIN(TestLocalUserConfig)
#include "tst_localuserconfig.moc"
