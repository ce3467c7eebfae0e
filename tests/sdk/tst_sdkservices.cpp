// The SDK's services besides the connections: CSV lists, login error texts, the option store, the SDK's start.

#include "common/logtext.h"
#include "sdk/csvparser.h"
#include "sdk/kelpsdk.h"
#include "sdk/localuserconfig.h"
#include "sdk/loginerror.h"
#include "sdk/translator.h"
#include "testsupport/testsettings.h"

#include <QDir>
#include <QRect>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using kelp::KelpSDK;

class TestSdkServices : public QObject
{
    Q_OBJECT

private slots:
    void csv_data();
    void csv();
    void logText_data();
    void logText();
    void loginErrorText_data();
    void loginErrorText();
    void germanLoginErrorFollowsTheModule();
    void sdkStartsInAHostilePlace();

private:
    testsupport::TestSettings m_settings;
    QTemporaryDir m_dir;
};

void TestSdkServices::csv_data()
{
    // A null content stands for a file that does not exist. The expected rows
    // in short: lines separated by " / ", fields by "|", the header first; "!"
    // and a number: no rows, the file is refused for the quote opened on that line.
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("expected");

    QTest::newRow("BOM, CRLF, UTF-8") << QByteArray("\xEF\xBB\xBFhost,user\r\n\xC3\xA4,b\r\nc,\xE3\x83\x91\r\n")
                                      << QString::fromUtf8("host|user / \xC3\xA4|b / c|\xE3\x83\x91");
    QTest::newRow("tab") << QByteArray("host\tuser\na b\tc,d\n") << "host|user / a b|c,d";
    QTest::newRow("most frequent wins") << QByteArray("host;user,name;pass\na;b,c;d\n")
                                        << "host|user,name|pass / a|b,c|d";
    QTest::newRow("tie: comma over ;") << QByteArray("host;user,pass;x,y\na;b,c;d,e\n")
                                       << "host;user|pass;x|y / a;b|c;d|e";
    QTest::newRow("tie: ; over tab") << QByteArray("host\tx;user\na\tb;c\n") << "host\tx|user / a\tb|c";
    QTest::newRow("quoted separators not counted") << QByteArray("\"a,b,c\";d\n1;2\n") << "a,b,c|d / 1|2";
    QTest::newRow("quoting") << QByteArray("host,password\na,\"x,y\"\nb,\"say \"\"hi\"\"\"\nc,pa\"ss\n")
                             << "host|password / a|x,y / b|say \"hi\" / c|pa\"ss";
    QTest::newRow("line breaks") << QByteArray("host,note\na,\"one\r\ntwo\nthree\"\nb,c\n")
                                 << "host|note / a|one\r\ntwo\nthree / b|c";
    QTest::newRow("blank lines, no final break")
        << QByteArray("\r\n\nhost,user\n\na,b\r\n\n\nc,d") << "host|user / a|b / c|d";
    QTest::newRow("empty quoted field") << QByteArray("host\n\"\"\n") << "host / ";
    QTest::newRow("padded or cut") << QByteArray("host,user,pw\na\nb,c,\nd,e,f,g\n")
                                   << "host|user|pw / a|| / b|c| / d|e|f";
    QTest::newRow("spaces kept") << QByteArray("host, user\n a ,b \n") << "host| user /  a |b ";
    QTest::newRow("unclosed quote, last field") << QByteArray("host,user\na,\"open\n") << "!2";
    QTest::newRow("unclosed quote, CRLF") << QByteArray("host,note\r\na,\"one\r\ntwo\"\r\n\"b\r\nc,d\r\n") << "!4";
    QTest::newRow("missing file") << QByteArray() << "";
}

void TestSdkServices::csv()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, expected);

    const QString path = m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()));
    QFile file(path);
    QVERIFY(content.isNull() || (file.open(QIODevice::WriteOnly) && file.write(content) == content.size()));
    file.close();
    kelp::CsvParser parser(path, true);
    QSignalSpy finished(&parser, &kelp::CsvParser::finished);
    parser.parse();
    QVERIFY2(finished.isEmpty(), "finished() was emitted from inside parse()");
    QTRY_COMPARE(finished.count(), 1);
    QCOMPARE(parser.unclosedQuoteLine(), expected.startsWith('!') ? expected.mid(1).toInt() : 0);
    QStringList lines{expected.section(QStringLiteral(" / "), 0, 0)};
    for (const kelp::CsvParser::Row& row : parser.getResults()) {
        QStringList header, fields;
        for (const auto& field : row) {
            header << field.first;
            fields << field.second;
        }
        QCOMPARE(header.join('|'), lines.first());
        lines << fields.join('|');
    }
    QCOMPARE(lines.join(QStringLiteral(" / ")), expected);
}

void TestSdkServices::logText_data()
{
    // How the SDK log, the window and the report show a text from a server or a CSV field.
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");
    QTest::newRow("kept") << QString::fromUtf8("Zürich C:\\x\\n ~") << QString::fromUtf8("Zürich C:\\x\\n ~");
    QTest::newRow("control characters") << QString::fromLatin1("a\r\nERROR:\t\0\x1b[\x1f \x7f", 16)
                                        << "a\\r\\nERROR:\\t\\x00\\x1b[\\x1f \\x7f";
    const QString breaks = QString(QChar(0x85)) + QChar(0x2028) + QChar(0x2029) + QChar(0xa0);
    QTest::newRow("Unicode line breaks") << breaks << "\\x85\\u2028\\u2029" + breaks.right(1);
}

void TestSdkServices::logText()
{
    QFETCH(QString, text);
    QTEST(common::logText(text), "shown");
}

void TestSdkServices::loginErrorText_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("server");
    QTest::addColumn<int>("lockoutSeconds");
    QTest::addColumn<QString>("expected");

    const QString port = QStringLiteral(". Server: h, port: 8601");
    QTest::newRow("0") << 0 << "h" << 0 << "No error";
    QTest::newRow("14 unknown") << 14 << "h" << 0 << "Unknown error" + port;
    QTest::newRow("12, 60 s") << 12 << "h" << 60 << "Your account is locked for 60 seconds" + port;
    QTest::newRow("12, 61 s") << 12 << "h" << 61 << "Your account is locked for 1 minute" + port;
    QTest::newRow("12, 119 s") << 12 << "h" << 119 << "Your account is locked for 1 minute" + port;
    QTest::newRow("12, 120 s") << 12 << "h" << 120 << "Your account is locked for 2 minutes" + port;
    // Integer division would give 35791394.
    QTest::newRow("12, single precision")
        << 12 << "h" << 2147483647 << "Your account is locked for 35791396 minutes" + port;
    // Codes 1 to 6 fill in one step: a placeholder inside the host stays literal.
    QTest::newRow("2, %1 in host") << 2 << "a%1b" << 0 << "Invalid username or password. Server: a%1b, port: 8601";
    // The others fill the host first, then the port into the lowest placeholder left.
    QTest::newRow("13, %1 in host") << 13 << "a%1b" << 0
                                    << "Login not permitted from this address. Server: a8601b, port: %2";
    QTest::newRow("12, %1 in host") << 12 << "h%1" << 5
                                    << "Your account is locked for 5 seconds. Server: h8601, port: %3";
    QTest::newRow("7, %1 in name") << 7 << "x%1.kar" << 0 << "Password required for encrypted archive x%1.kar.";
}

void TestSdkServices::loginErrorText()
{
    QFETCH(int, code);
    QFETCH(QString, server);
    QFETCH(int, lockoutSeconds);

    const kelp::LoginError error(code, server, 8601, lockoutSeconds);
    QTEST(error.toString(), "expected");
    QCOMPARE(error.errorId() * 2 + error.hasError(), code * 2 + (code != 0));
}

void TestSdkServices::germanLoginErrorFollowsTheModule()
{
    const kelp::LoginError error(12, QStringLiteral("h"), 8601, 90);
    kelp::Translator* translator = kelp::Translator::instance();
    translator->addModule("quorlan", QUORLAN_TRANSLATIONS_DIR, true);
    translator->setLocale(QLocale(QLocale::German, QLocale::Germany));
    QCOMPARE(error.toString(), QString::fromUtf8("Ihr Konto ist für 1 Minute gesperrt. Server: h, Port: 8601"));
    translator->addModule("quorlan", QUORLAN_TRANSLATIONS_DIR, false);
    QCOMPARE(error.toString(), QStringLiteral("Your account is locked for 1 minute. Server: h, port: 8601"));
}

void TestSdkServices::sdkStartsInAHostilePlace()
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

    KelpSDK::initInstance(QStringLiteral("QuorlanTest"), QStringLiteral("sdk"), nullptr, QStringLiteral("kelpsdk.log"));
    KelpSDK* sdk = KelpSDK::instance();
    QVERIFY2(sdk && sdk->connectionManager() && sdk->logFilePath().isEmpty(), "the SDK must start without its log");
    KelpSDK::log(QStringLiteral("goes nowhere"));

    // The damaged store gives defaults and is replaced by a good one.
    kelp::LocalUserConfig* config = sdk->userConfig();
    QCOMPARE(config->fileName(), settingsPath);
    QCOMPARE(config->getOption(QStringLiteral("key"), QStringLiteral("geometry"), 7), QVariant(7));
    config->setOption(QStringLiteral("key"), QRect(10, 20, 30, 40), QStringLiteral("geometry"));
    // Settings are cached per file in this process: a copy under a new name shows what is on the disk.
    QVERIFY(QFile::copy(settingsPath, settingsPath + ".copy"));
    QCOMPARE(QSettings(settingsPath + ".copy", QSettings::IniFormat).value("geometry/key"),
             QVariant(QRect(10, 20, 30, 40)));

    // A second start keeps the first instance and its objects.
    kelp::ConnectionManager* manager = sdk->connectionManager();
    KelpSDK::initInstance(QStringLiteral("Other"), QStringLiteral("app"), nullptr, QStringLiteral("other.log"));
    QVERIFY(KelpSDK::instance() == sdk && sdk->userConfig() == config && sdk->connectionManager() == manager);
}

QTEST_GUILESS_MAIN(TestSdkServices)
#include "tst_sdkservices.moc"
