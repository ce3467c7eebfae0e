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
    void resetClearsTheError();
    void germanText_data();
    void germanText();
    void cleanupTestCase();
};

void TestLoginError::text_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("server");
    QTest::addColumn<int>("port");
    QTest::addColumn<int>("lockoutSeconds");
    QTest::addColumn<QString>("expected");

    const QString host = QStringLiteral("10.0.0.5");
    QTest::newRow("0 no error") << 0 << host << 8601 << 0 << "No error";
    QTest::newRow("1") << 1 << host << 8601 << 0 << "Too many open connections. Server: 10.0.0.5, port: 8601";
    QTest::newRow("2") << 2 << host << 8601 << 0 << "Invalid username or password. Server: 10.0.0.5, port: 8601";
    QTest::newRow("3") << 3 << host << 8601 << 0 << "Login not permitted at this time. Server: 10.0.0.5, port: 8601";
    QTest::newRow("4") << 4 << host << 8601 << 0 << "Failed to connect to the server. Server: 10.0.0.5, port: 8601";
    QTest::newRow("5") << 5 << host << 8601 << 0 << "Server is not available. Server: 10.0.0.5, port: 8601";
    QTest::newRow("6") << 6 << host << 8601 << 0 << "Failed to set up connection. Server: 10.0.0.5, port: 8601";
    QTest::newRow("7 archive") << 7 << "backup.kar" << 8601 << 0
                               << "Password required for encrypted archive backup.kar.";
    QTest::newRow("8 has no text of its own")
        << 8 << host << 8601 << 0 << "Unknown error. Server: 10.0.0.5, port: 8601";
    QTest::newRow("9") << 9 << host << 8601 << 0 << "No such file or directory.";
    QTest::newRow("10") << 10 << host << 8601 << 0 << "File is not a recognized archive.";
    QTest::newRow("11") << 11 << host << 8601 << 0 << "Server's public key has changed. Server: 10.0.0.5, port: 8601";
    QTest::newRow("13") << 13 << host << 8601 << 0
                        << "Login not permitted from this address. Server: 10.0.0.5, port: 8601";
    QTest::newRow("14") << 14 << host << 8601 << 0 << "Unknown error. Server: 10.0.0.5, port: 8601";
    QTest::newRow("-1") << -1 << host << 8601 << 0 << "Unknown error. Server: 10.0.0.5, port: 8601";
    QTest::newRow("port 0") << 4 << "db.example" << 0 << 0
                            << "Failed to connect to the server. Server: db.example, port: 0";

    QTest::newRow("12 at 0 s") << 12 << host << 8601 << 0
                               << "Your account is locked for 0 seconds. Server: 10.0.0.5, port: 8601";
    QTest::newRow("12 at 60 s") << 12 << host << 8601 << 60
                                << "Your account is locked for 60 seconds. Server: 10.0.0.5, port: 8601";
    QTest::newRow("12 at 61 s") << 12 << host << 8601 << 61
                                << "Your account is locked for 1 minute. Server: 10.0.0.5, port: 8601";
    QTest::newRow("12 at 119 s") << 12 << host << 8601 << 119
                                 << "Your account is locked for 1 minute. Server: 10.0.0.5, port: 8601";
    QTest::newRow("12 at 120 s") << 12 << host << 8601 << 120
                                 << "Your account is locked for 2 minutes. Server: 10.0.0.5, port: 8601";
    QTest::newRow("12 at 179 s") << 12 << host << 8601 << 179
                                 << "Your account is locked for 2 minutes. Server: 10.0.0.5, port: 8601";
    // Integer division would give 35791394.
    QTest::newRow("12 minutes in single precision")
        << 12 << host << 8601 << 2147483647
        << "Your account is locked for 35791396 minutes. Server: 10.0.0.5, port: 8601";

    // Codes 1 to 6 fill in one step: a placeholder inside the host stays literal.
    QTest::newRow("2 with %1 in host") << 2 << "a%1b" << 8601 << 0
                                       << "Invalid username or password. Server: a%1b, port: 8601";
    QTest::newRow("6 with %2 in host") << 6 << "x%2" << 8601 << 0
                                       << "Failed to set up connection. Server: x%2, port: 8601";
    // The others fill the host first, then the port into the lowest placeholder left.
    QTest::newRow("11 with %1 in host") << 11 << "a%1b" << 8601 << 0
                                        << "Server's public key has changed. Server: a8601b, port: %2";
    QTest::newRow("14 with %1 in host") << 14 << "a%1b" << 8601 << 0 << "Unknown error. Server: a8601b, port: %2";
    QTest::newRow("12 with %1 in host") << 12 << "h%1" << 8601 << 5
                                        << "Your account is locked for 5 seconds. Server: h8601, port: %3";
    QTest::newRow("7 with %1 in name") << 7 << "x%1.kar" << 8601 << 0
                                       << "Password required for encrypted archive x%1.kar.";
}

void TestLoginError::text()
{
    QFETCH(int, code);
    QFETCH(QString, server);
    QFETCH(int, port);
    QFETCH(int, lockoutSeconds);
    QFETCH(QString, expected);

    const LoginError error(code, server, static_cast<quint16>(port), lockoutSeconds);
    QCOMPARE(error.toString(), expected);
    QCOMPARE(error.errorId(), code);
    QCOMPARE(error.hasError(), code != 0);
}

void TestLoginError::resetClearsTheError()
{
    LoginError error(12, QStringLiteral("10.0.0.5"), 8601, 300);
    const LoginError copy = error;
    error.reset();

    QCOMPARE(error.errorId(), 0);
    QVERIFY(!error.hasError());
    QVERIFY(error.server().isEmpty());
    QCOMPARE(error.port(), quint16(0));
    QCOMPARE(error.toString(), QStringLiteral("No error"));

    QCOMPARE(copy.errorId(), 12);
    QCOMPARE(copy.toString(), QStringLiteral("Your account is locked for 5 minutes. Server: 10.0.0.5, port: 8601"));
}

void TestLoginError::germanText_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("lockoutSeconds");
    QTest::addColumn<QString>("expected");

    QTest::newRow("2") << 2 << 0
                       << QString::fromUtf8(
                              "Ungültiger Benutzername oder ungültiges Passwort. Server: 10.0.0.5, Port: 8601");
    QTest::newRow("12 minute") << 12 << 90
                               << QString::fromUtf8(
                                      "Ihr Konto ist für 1 Minute gesperrt. Server: 10.0.0.5, Port: 8601");
}

void TestLoginError::germanText()
{
    QFETCH(int, code);
    QFETCH(int, lockoutSeconds);
    QFETCH(QString, expected);

    kelp::Translator::instance()->addModule(QStringLiteral("quorlan"), QStringLiteral(QUORLAN_TRANSLATIONS_DIR), true);
    kelp::Translator::instance()->setLocale(QLocale(QLocale::German, QLocale::Germany));
    QCOMPARE(LoginError(code, QStringLiteral("10.0.0.5"), 8601, lockoutSeconds).toString(), expected);
}

void TestLoginError::cleanupTestCase()
{
    kelp::Translator::instance()->setLocale(QLocale::c());
}

QTEST_GUILESS_MAIN(TestLoginError)
#include "tst_loginerror.moc"
