#include "sdk/kelpsdk.h"
#include "sdk/localuserconfig.h"
#include "testsupport/testsettings.h"

#include <QDataStream>
#include <QDir>
#include <QProcess>
#include <QRect>
#include <QtTest>

using kelp::KelpSDK;
using kelp::LocalUserConfig;

namespace {

// The option as another process reads it from the disk now.
QVariant readInAFreshProcess(const QString& application, const QString& group, const QString& key)
{
    QProcess probe;
    probe.start(QStringLiteral(LOCALUSERCONFIG_PROBE), {QStringLiteral("QuorlanTest"), application, group, key});
    if (!probe.waitForFinished(30000) || probe.exitStatus() != QProcess::NormalExit || probe.exitCode() != 0) {
        return QStringLiteral("the probe failed");
    }
    QVariant value;
    QDataStream in(QByteArray::fromHex(probe.readAllStandardOutput().trimmed()));
    in >> value;
    return value;
}

} // namespace

class TestLocalUserConfig : public QObject
{
    Q_OBJECT

private slots:
    void valueReachesTheDisk_data();
    void valueReachesTheDisk();
    void sdkStartsInAHostilePlace();

private:
    testsupport::TestSettings m_settings;
};

void TestLocalUserConfig::valueReachesTheDisk_data()
{
    QTest::addColumn<QVariant>("value");

    QTest::newRow("rectangle") << QVariant(QRect(140, 90, 701, 499));
    QTest::newRow("non-ASCII text") << QVariant(QString::fromUtf8("/srv/Sicherung/\xC3\xBC"));
}

void TestLocalUserConfig::valueReachesTheDisk()
{
    QFETCH(QVariant, value);

    // Read while the writer still exists: the value must be on the disk at once.
    LocalUserConfig config(QStringLiteral("QuorlanTest"), QStringLiteral("roundtrip"));
    config.setOption(QStringLiteral("key"), value, QStringLiteral("geometry"));
    QCOMPARE(readInAFreshProcess(QStringLiteral("roundtrip"), QStringLiteral("geometry"), QStringLiteral("key")),
             value);
    QCOMPARE(readInAFreshProcess(QStringLiteral("roundtrip"), QStringLiteral("other"), QStringLiteral("key")),
             QVariant());
}

void TestLocalUserConfig::sdkStartsInAHostilePlace()
{
    // A file where the organisation's data directory (and so the log) would
    // go, and garbage where the settings file is.
    QFile blocker(m_settings.dataHome() + QStringLiteral("/QuorlanTest"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    const QString settingsPath = m_settings.configHome() + QStringLiteral("/QuorlanTest/sdk.conf");
    QVERIFY(QDir().mkpath(m_settings.configHome() + QStringLiteral("/QuorlanTest")));
    QFile settings(settingsPath);
    QVERIFY(settings.open(QIODevice::WriteOnly) && settings.write(QByteArray::fromHex("00fffe5b5b0a3d0a0102")) == 10);
    settings.close();

    QVERIFY(!KelpSDK::instance());
    KelpSDK::initInstance(QStringLiteral("QuorlanTest"), QStringLiteral("sdk"), nullptr, QStringLiteral("kelpsdk.log"));
    KelpSDK* sdk = KelpSDK::instance();
    QVERIFY2(sdk && sdk->connectionManager() && sdk->logFilePath().isEmpty(), "the SDK must start without its log");
    KelpSDK::log(QStringLiteral("goes nowhere"));

    // The damaged store gives defaults and is replaced by a good one.
    LocalUserConfig* config = sdk->userConfig();
    QCOMPARE(config->fileName(), settingsPath);
    QCOMPARE(config->getOption(QStringLiteral("key"), QStringLiteral("geometry"), 7), QVariant(7));
    config->setOption(QStringLiteral("key"), QRect(10, 20, 30, 40), QStringLiteral("geometry"));
    QCOMPARE(readInAFreshProcess(QStringLiteral("sdk"), QStringLiteral("geometry"), QStringLiteral("key")),
             QVariant(QRect(10, 20, 30, 40)));

    // A second start keeps the first instance and its objects.
    kelp::ConnectionManager* manager = sdk->connectionManager();
    KelpSDK::initInstance(QStringLiteral("Other"), QStringLiteral("app"), nullptr, QStringLiteral("other.log"));
    QVERIFY(KelpSDK::instance() == sdk && sdk->userConfig() == config && sdk->connectionManager() == manager);
}

QTEST_GUILESS_MAIN(TestLocalUserConfig)
#include "tst_localuserconfig.moc"
