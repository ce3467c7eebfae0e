#include "sdk/kelpsdk.h"
#include "sdk/localuserconfig.h"
#include "testsupport/testsettings.h"

#include <QDir>
#include <QFile>
#include <QtTest>

using kelp::KelpSDK;

// The SDK is a process singleton, so this process opens it once, in a hostile
// place: the log directory cannot be created and the settings file is garbage.
class TestKelpSdk : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void startsWithoutLogAndWithDefaults();
    void secondInitKeepsTheFirstInstance();

private:
    testsupport::TestSettings m_settings;
};

void TestKelpSdk::initTestCase()
{
    // A file where the organisation's data directory would go.
    QFile blocker(m_settings.dataHome() + QStringLiteral("/QuorlanTest"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));

    QVERIFY(QDir().mkpath(m_settings.configHome() + QStringLiteral("/QuorlanTest")));
    QFile settings(m_settings.configHome() + QStringLiteral("/QuorlanTest/sdk.conf"));
    QVERIFY(settings.open(QIODevice::WriteOnly));
    settings.write(QByteArray::fromHex("00fffe5b5b0a3d0a0102"));
}

void TestKelpSdk::startsWithoutLogAndWithDefaults()
{
    QVERIFY(!KelpSDK::instance());
    KelpSDK::initInstance(QStringLiteral("QuorlanTest"), QStringLiteral("sdk"), nullptr, QStringLiteral("kelpsdk.log"));

    KelpSDK* sdk = KelpSDK::instance();
    QVERIFY2(sdk, "no SDK after initInstance()");
    QVERIFY(sdk->userConfig());
    QVERIFY(sdk->connectionManager());
    QVERIFY2(sdk->logFilePath().isEmpty(), qPrintable(sdk->logFilePath()));
    KelpSDK::log(QStringLiteral("goes nowhere"));

    QCOMPARE(sdk->userConfig()->getOption(QStringLiteral("key"), QStringLiteral("group"), 7), QVariant(7));
    sdk->userConfig()->setOption(QStringLiteral("key"), 8, QStringLiteral("group"));
    QCOMPARE(sdk->userConfig()->getOption(QStringLiteral("key"), QStringLiteral("group"), 7).toInt(), 8);
}

void TestKelpSdk::secondInitKeepsTheFirstInstance()
{
    KelpSDK* first = KelpSDK::instance();
    QVERIFY(first);
    kelp::LocalUserConfig* config = first->userConfig();
    kelp::ConnectionManager* manager = first->connectionManager();

    KelpSDK::initInstance(QStringLiteral("Other"), QStringLiteral("app"), nullptr, QStringLiteral("other.log"));
    QCOMPARE(KelpSDK::instance(), first);
    QCOMPARE(KelpSDK::instance()->userConfig(), config);
    QCOMPARE(KelpSDK::instance()->connectionManager(), manager);
    QCOMPARE(config->fileName(), m_settings.configHome() + QStringLiteral("/QuorlanTest/sdk.conf"));
}

QTEST_GUILESS_MAIN(TestKelpSdk)
#include "tst_kelpsdk.moc"
