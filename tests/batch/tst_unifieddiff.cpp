#include "batch/unifieddiff.h"

#include <QtTest>

// Expected outputs are those of GNU "diff -u" on the same texts.
class TestUnifiedDiff : public QObject
{
    Q_OBJECT

private slots:
    void format_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::addColumn<QString>("diff");
        const auto row = [](const char* name, const QString& before, const QString& after, const QString& hunks) {
            QTest::newRow(name) << before << after << (hunks.isEmpty() ? hunks : "--- old\n+++ new\n" + hunks);
        };
        row("equal", "a\nb\n", "a\nb\n", "");
        row("middle line changed", "1\n2\n3\n4\n5\n6\n7\n8\n9\n", "1\n2\n3\n4\nfive\n6\n7\n8\n9\n",
            "@@ -2,7 +2,7 @@\n 2\n 3\n 4\n-5\n+five\n 6\n 7\n 8\n");
        row("into an empty text", "", "x\ny\n", "@@ -0,0 +1,2 @@\n+x\n+y\n");
        row("everything removed", "x\n", "", "@@ -1 +0,0 @@\n-x\n");
        row("line end added", "a\nb", "a\nb\n", "@@ -1,2 +1,2 @@\n a\n-b\n\\ No newline at end of file\n+b\n");
        row("last line changed without line end", "a\nb", "a\nc",
            "@@ -1,2 +1,2 @@\n a\n-b\n\\ No newline at end of file\n+c\n\\ No newline at end of file\n");
        row("two hunks", "1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n11\n12\n13\n14\n15\n",
            "one\n2\n3\n4\n5\n6\n7\n8\n9\n10\n11\n12\n13\n14\nfifteen\n",
            "@@ -1,4 +1,4 @@\n-1\n+one\n 2\n 3\n 4\n@@ -12,4 +12,4 @@\n 12\n 13\n 14\n-15\n+fifteen\n");
    }
    void format()
    {
        QFETCH(QString, before);
        QFETCH(QString, after);
        QTEST(UnifiedDiff::format(before, after, "old", "new"), "diff");
    }
};

QTEST_GUILESS_MAIN(TestUnifiedDiff)
#include "tst_unifieddiff.moc"
