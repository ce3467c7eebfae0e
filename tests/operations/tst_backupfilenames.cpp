#include "operations/backupoperation.h"

#include <QSet>
#include <QtTest>

// The rule that picks a backup file name no existing file has.
class TestBackupFileNames : public QObject
{
    Q_OBJECT

private slots:
    void uniqueFilePath_data();
    void uniqueFilePath();
    void lastNumberIsTheLargest32BitInteger();
    void exhaustedNamesGiveNoPath();
};

void TestBackupFileNames::uniqueFilePath_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QStringList>("existing");
    QTest::addColumn<QString>("expected");

    QTest::newRow("free") << "out/Alpha.conf" << QStringList{} << "out/Alpha.conf";
    QTest::newRow("taken once") << "out/Alpha.conf" << QStringList{"out/Alpha.conf"} << "out/Alpha (1).conf";
    QTest::newRow("taken twice") << "out/Alpha.conf" << QStringList{"out/Alpha.conf", "out/Alpha (1).conf"}
                                 << "out/Alpha (2).conf";
    QTest::newRow("gap is filled") << "out/Alpha.conf" << QStringList{"out/Alpha.conf", "out/Alpha (2).conf"}
                                   << "out/Alpha (1).conf";
    QTest::newRow("numbered only") << "out/Alpha.conf" << QStringList{"out/Alpha (1).conf"} << "out/Alpha.conf";
    QTest::newRow("extension only") << "out/.conf" << QStringList{"out/.conf"} << "out/ (1).conf";
    QTest::newRow("ten taken") << "o/B.conf"
                               << QStringList{"o/B.conf",     "o/B (1).conf", "o/B (2).conf", "o/B (3).conf",
                                              "o/B (4).conf", "o/B (5).conf", "o/B (6).conf", "o/B (7).conf",
                                              "o/B (8).conf", "o/B (9).conf"}
                               << "o/B (10).conf";
}

void TestBackupFileNames::uniqueFilePath()
{
    QFETCH(QString, path);
    QFETCH(QStringList, existing);
    QFETCH(QString, expected);

    const QSet<QString> files(existing.begin(), existing.end());
    QCOMPARE(BackupOperation::uniqueFilePath(path, [&](const QString& candidate) { return files.contains(candidate); }),
             expected);
}

void TestBackupFileNames::lastNumberIsTheLargest32BitInteger()
{
    const QString expected = QStringLiteral("o/A (2147483647).conf");
    const QString chosen = BackupOperation::uniqueFilePath(
        QStringLiteral("o/A.conf"), [&](const QString& candidate) { return candidate != expected; }, 2147483645);
    QCOMPARE(chosen, expected);
}

void TestBackupFileNames::exhaustedNamesGiveNoPath()
{
    QStringList asked;
    const QString chosen = BackupOperation::uniqueFilePath(
        QStringLiteral("o/A.conf"),
        [&](const QString& candidate) {
            asked << candidate;
            return asked.size() < 100;
        },
        2147483646);
    QVERIFY2(chosen.isEmpty(), qPrintable(chosen));
    // The counter stops at its largest value instead of wrapping round.
    QCOMPARE(asked, (QStringList{"o/A.conf", "o/A (2147483646).conf", "o/A (2147483647).conf"}));
}

QTEST_GUILESS_MAIN(TestBackupFileNames)

#include "tst_backupfilenames.moc"
