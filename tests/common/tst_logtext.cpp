#include "common/logtext.h"

#include <QtTest>

// How texts from servers and CSV fields are shown in a log line.
class TestLogText : public QObject
{
    Q_OBJECT

private slots:
    void escapes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        QTest::newRow("plain, backslash and non-ASCII kept")
            << QString::fromUtf8("Zürich C:\\x\\n \x7e") << QString::fromUtf8("Zürich C:\\x\\n \x7e");
        QTest::newRow("forged line") << "fake\nERROR: forged line"
                                     << "fake\\nERROR: forged line";
        QTest::newRow("named escapes") << "\r\n\tx"
                                       << "\\r\\n\\tx";
        QTest::newRow("range ends and DEL") << QString::fromLatin1("a\0b\x1f\x20\x7f", 6) << "a\\x00b\\x1f \\x7f";
        QTest::newRow("terminal escape") << "\x1b[2J"
                                         << "\\x1b[2J";
        QTest::newRow("Unicode line breaks") << QString::fromUtf16(u"a\x85"
                                                                   u"b\u2028c\u2029\u00a0")
                                             << QString::fromUtf16(u"a\\x85b\\u2028c\\u2029\u00a0");
        QTest::newRow("empty") << ""
                               << "";
    }
    void escapes()
    {
        QFETCH(QString, text);
        QTEST(common::logText(text), "shown");
    }
};

QTEST_GUILESS_MAIN(TestLogText)
#include "tst_logtext.moc"
