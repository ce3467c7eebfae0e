#include "configsystem/configsystemerror.h"

#include <QtTest>

#include <functional>

using Thrower = std::function<void()>;
Q_DECLARE_METATYPE(Thrower)

class TestConfigSystemError : public QObject
{
    Q_OBJECT

private slots:
    void textsAndCategories_data();
    void textsAndCategories();
};

void TestConfigSystemError::textsAndCategories_data()
{
    QTest::addColumn<Thrower>("thrower");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("isDomainError");
    QTest::addColumn<bool>("isOutOfRange");

    QTest::newRow("bad section, name with a blank")
        << Thrower([] { throw kelp::ConfigSystemBadSection(QStringLiteral("Camera 1")); })
        << QByteArray("Invalid name for section: \"Camera 1\"") << true << false;
    QTest::newRow("bad section, name kept as it is")
        << Thrower([] { throw kelp::ConfigSystemBadSection(QStringLiteral(" \"Z\u00fcrich\"\n")); })
        << QByteArray("Invalid name for section: \" \"Z\xc3\xbcrich\"\n\"") << true << false;
    QTest::newRow("bad section, empty name") << Thrower([] { throw kelp::ConfigSystemBadSection(QString()); })
                                             << QByteArray("Invalid name for section: \"\"") << true << false;
    QTest::newRow("edit error") << Thrower([] {
        throw kelp::ConfigSystemEditError(QStringLiteral("Network"), QStringLiteral("*Camera1"));
    }) << QByteArray("Can't convert from \"Network\" to \"*Camera1\"")
                                << false << false;
    QTest::newRow("out of range, no closing parenthesis")
        << Thrower([] { throw kelp::ConfigSystemOutOfRange(3, 1); })
        << QByteArray("Index 3 is out of range (elements count: 1") << false << true;
    QTest::newRow("out of range, no value at all")
        << Thrower([] { throw kelp::ConfigSystemOutOfRange(0, 0); })
        << QByteArray("Index 0 is out of range (elements count: 0") << false << true;
    QTest::newRow("out of range, negative index and large count")
        << Thrower([] { throw kelp::ConfigSystemOutOfRange(-1, 2147483647); })
        << QByteArray("Index -1 is out of range (elements count: 2147483647") << false << true;
}

void TestConfigSystemError::textsAndCategories()
{
    QFETCH(Thrower, thrower);
    QFETCH(QByteArray, text);
    QFETCH(bool, isDomainError);
    QFETCH(bool, isOutOfRange);

    try {
        thrower();
        QFAIL("nothing thrown");
    } catch (const kelp::ConfigSystemError& error) {
        const auto* standard = dynamic_cast<const std::exception*>(&error);
        QVERIFY2(standard, "not a std::exception");
        QCOMPARE(QByteArray(standard->what()), text);
        QVERIFY2(dynamic_cast<const std::logic_error*>(&error), "not a std::logic_error");
        QCOMPARE(dynamic_cast<const std::domain_error*>(&error) != nullptr, isDomainError);
        QCOMPARE(dynamic_cast<const std::out_of_range*>(&error) != nullptr, isOutOfRange);
    }

    // The same object reached from the standard side is one of the family.
    try {
        thrower();
    } catch (const std::exception& error) {
        QVERIFY2(dynamic_cast<const kelp::ConfigSystemError*>(&error), "std::exception side lost the family base");
        QCOMPARE(QByteArray(error.what()), text);
    }
}

QTEST_GUILESS_MAIN(TestConfigSystemError)
#include "tst_configsystemerror.moc"
