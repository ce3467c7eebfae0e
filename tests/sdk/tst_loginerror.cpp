#include "sdk/loginerror.h"
#include "sdk/translator.h"

#include <QtTest>

using kelp::LoginError;

class TestLoginError : public QObject
{
    Q_OBJECT

private slots:
    void text_data();
    void text();
    void germanTextFollowsTheLocale();
};

void TestLoginError::text_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("server");
    QTest::addColumn<int>("lockoutSeconds");
    QTest::addColumn<QString>("expected");

    const QString host = QStringLiteral("h");
    QTest::newRow("0") << 0 << host << 0 << "No error";
    QTest::newRow("2") << 2 << host << 0 << "Invalid username or password. Server: h, port: 8601";
    QTest::newRow("14 unknown") << 14 << host << 0 << "Unknown error. Server: h, port: 8601";
    QTest::newRow("12, 60 s") << 12 << host << 60 << "Your account is locked for 60 seconds. Server: h, port: 8601";
    QTest::newRow("12, 61 s") << 12 << host << 61 << "Your account is locked for 1 minute. Server: h, port: 8601";
    QTest::newRow("12, 119 s") << 12 << host << 119 << "Your account is locked for 1 minute. Server: h, port: 8601";
    QTest::newRow("12, 120 s") << 12 << host << 120 << "Your account is locked for 2 minutes. Server: h, port: 8601";
    QTest::newRow("12, 179 s") << 12 << host << 179 << "Your account is locked for 2 minutes. Server: h, port: 8601";
    // Integer division would give 35791394.
    QTest::newRow("12 minutes in single precision")
        << 12 << host << 2147483647 << "Your account is locked for 35791396 minutes. Server: h, port: 8601";

    // Codes 1 to 6 fill in one step: a placeholder inside the host stays literal.
    QTest::newRow("2 with %1 in host") << 2 << "a%1b" << 0 << "Invalid username or password. Server: a%1b, port: 8601";
    // The others fill the host first, then the port into the lowest placeholder left.
    QTest::newRow("13 with %1 in host") << 13 << "a%1b" << 0
                                        << "Login not permitted from this address. Server: a8601b, port: %2";
    QTest::newRow("12 with %1 in host") << 12 << "h%1" << 5
                                        << "Your account is locked for 5 seconds. Server: h8601, port: %3";
    QTest::newRow("7 with %1 in name") << 7 << "x%1.kar" << 0 << "Password required for encrypted archive x%1.kar.";
}

void TestLoginError::text()
{
    QFETCH(int, code);
    QFETCH(QString, server);
    QFETCH(int, lockoutSeconds);

    const LoginError error(code, server, 8601, lockoutSeconds);
    QTEST(error.toString(), "expected");
    QCOMPARE(error.errorId(), code);
    QCOMPARE(error.hasError(), code != 0);
}

void TestLoginError::germanTextFollowsTheLocale()
{
    const LoginError error(12, QStringLiteral("h"), 8601, 90);
    const QString english = QStringLiteral("Your account is locked for 1 minute. Server: h, port: 8601");
    kelp::Translator* translator = kelp::Translator::instance();
    const QString directory = QStringLiteral(QUORLAN_TRANSLATIONS_DIR);
    translator->addModule(QStringLiteral("quorlan"), directory, true);
    translator->setLocale(QLocale(QLocale::German, QLocale::Germany));
    QCOMPARE(error.toString(), QString::fromUtf8("Ihr Konto ist für 1 Minute gesperrt. Server: h, Port: 8601"));

    translator->addModule(QStringLiteral("quorlan"), directory, false);
    QCOMPARE(error.toString(), english);
    translator->addModule(QStringLiteral("quorlan"), directory, true);
    translator->setLocale(QLocale::c());
    QCOMPARE(error.toString(), english);
}

QTEST_GUILESS_MAIN(TestLoginError)
#include "tst_loginerror.moc"
