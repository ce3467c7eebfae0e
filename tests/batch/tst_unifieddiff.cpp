#include "batch/unifieddiff.h"

#include <QtTest>

// Expected outputs are those of GNU "diff -u" on the same texts, which the
// hunks must also apply with "patch".
class TestUnifiedDiff : public QObject
{
    Q_OBJECT

private slots:
    void format_data();
    void format();
};

void TestUnifiedDiff::format_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");
    QTest::addColumn<QString>("diff");

    const QString header = QStringLiteral("--- old\n+++ new\n");
    QTest::newRow("equal") << "a\nb\n"
                           << "a\nb\n"
                           << "";
    QTest::newRow("both empty") << ""
                                << ""
                                << "";
    QTest::newRow("one line changed in the middle") << "1\n2\n3\n4\n5\n6\n7\n8\n9\n"
                                                    << "1\n2\n3\n4\nfive\n6\n7\n8\n9\n"
                                                    << header + "@@ -2,7 +2,7 @@\n 2\n 3\n 4\n-5\n+five\n 6\n 7\n 8\n";
    QTest::newRow("first line changed") << "a\nb\nc\nd\ne\n"
                                        << "A\nb\nc\nd\ne\n"
                                        << header + "@@ -1,4 +1,4 @@\n-a\n+A\n b\n c\n d\n";
    QTest::newRow("line appended") << "a\nb\n"
                                   << "a\nb\nc\n"
                                   << header + "@@ -1,2 +1,3 @@\n a\n b\n+c\n";
    QTest::newRow("into an empty text") << ""
                                        << "x\ny\n"
                                        << header + "@@ -0,0 +1,2 @@\n+x\n+y\n";
    QTest::newRow("everything removed") << "x\n"
                                        << "" << header + "@@ -1 +0,0 @@\n-x\n";
    QTest::newRow("line end added at the end")
        << "a\nb"
        << "a\nb\n"
        << header + "@@ -1,2 +1,2 @@\n a\n-b\n\\ No newline at end of file\n+b\n";
    QTest::newRow("last line changed without line end")
        << "a\nb"
        << "a\nc"
        << header + "@@ -1,2 +1,2 @@\n a\n-b\n\\ No newline at end of file\n+c\n"
                    "\\ No newline at end of file\n";
    QTest::newRow("two far apart changes, two hunks")
        << "1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n11\n12\n13\n14\n15\n"
        << "one\n2\n3\n4\n5\n6\n7\n8\n9\n10\n11\n12\n13\n14\nfifteen\n"
        << header + "@@ -1,4 +1,4 @@\n-1\n+one\n 2\n 3\n 4\n@@ -12,4 +12,4 @@\n 12\n 13\n 14\n-15\n+fifteen\n";
    QTest::newRow("non-ASCII kept") << "[Network]\nname=Zürich\n"
                                    << "[Network]\nname=Genève\n"
                                    << header + "@@ -1,2 +1,2 @@\n [Network]\n-name=Zürich\n+name=Genève\n";
}

void TestUnifiedDiff::format()
{
    QFETCH(QString, before);
    QFETCH(QString, after);
    QTEST(UnifiedDiff::format(before, after, QStringLiteral("old"), QStringLiteral("new")), "diff");
}

QTEST_GUILESS_MAIN(TestUnifiedDiff)
#include "tst_unifieddiff.moc"
