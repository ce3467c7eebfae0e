#include "sdk/csvparser.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

class TestCsvParser : public QObject
{
    Q_OBJECT

private slots:
    void parse_data();
    void parse();

private:
    QTemporaryDir m_dir;
};

void TestCsvParser::parse_data()
{
    // A null content stands for a file that does not exist. The expected rows
    // in short: lines separated by " / ", fields by "|", the header first.
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("expected");

    QTest::newRow("comma") << QByteArray("host,username,password\n10.0.0.1,admin,x\n10.0.0.2,root,y\n")
                           << "host|username|password / 10.0.0.1|admin|x / 10.0.0.2|root|y";
    QTest::newRow("byte-order mark and CRLF")
        << QByteArray("\xEF\xBB\xBFhost,user\r\na,b\r\nc,d\r\n") << "host|user / a|b / c|d";
    QTest::newRow("tab") << QByteArray("host\tuser\na b\tc,d\n") << "host|user / a b|c,d";
    QTest::newRow("most frequent separator wins")
        << QByteArray("host;user,name;pass\na;b,c;d\n") << "host|user,name|pass / a|b,c|d";
    QTest::newRow("tie of comma and semicolon goes to the comma")
        << QByteArray("host;user,pass;x,y\na;b,c;d,e\n") << "host;user|pass;x|y / a;b|c;d|e";
    QTest::newRow("tie of semicolon and tab goes to the semicolon")
        << QByteArray("host\tx;user\na\tb;c\n") << "host\tx|user / a\tb|c";
    QTest::newRow("quoted separators not counted in header") << QByteArray("\"a,b,c\";d\n1;2\n") << "a,b,c|d / 1|2";
    QTest::newRow("quoting") << QByteArray("host,password\na,\"x,y\"\nb,\"say \"\"hi\"\"\"\nc,pa\"ss\n")
                             << "host|password / a|x,y / b|say \"hi\" / c|pa\"ss";
    QTest::newRow("embedded line break") << QByteArray("host,note\na,\"one\r\ntwo\nthree\"\nb,c\n")
                                         << "host|note / a|one\r\ntwo\nthree / b|c";
    QTest::newRow("blank lines skipped, no final line break")
        << QByteArray("host,user\n\na,b\r\n\n\nc,d") << "host|user / a|b / c|d";
    QTest::newRow("empty quoted field is a line") << QByteArray("host\n\"\"\n") << "host / ";
    QTest::newRow("rows padded or cut to the header")
        << QByteArray("host,user,password\na\nb,c,\nd,e,f,g\n") << "host|user|password / a|| / b|c| / d|e|f";
    QTest::newRow("spaces kept") << QByteArray("host, user\n a ,b \n") << "host| user /  a |b ";
    QTest::newRow("unterminated quote runs to the end")
        << QByteArray("host,user\na,\"open\n") << "host|user / a|open\n";
    QTest::newRow("UTF-8") << QByteArray("host\n\xC3\xA4\xE3\x83\x91\n")
                           << QString::fromUtf8("host / \xC3\xA4\xE3\x83\x91");
    QTest::newRow("empty file") << QByteArray("") << "";
    QTest::newRow("header only") << QByteArray("host,username,password\n") << "host|username|password";
    QTest::newRow("missing file") << QByteArray() << "";
}

void TestCsvParser::parse()
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

    const QStringList lines = expected.split(QStringLiteral(" / "));
    const QStringList header = lines.first().split(QLatin1Char('|'));
    QList<kelp::CsvParser::Row> rows;
    for (int line = 1; line < lines.size(); ++line) {
        rows.append(kelp::CsvParser::Row());
        for (int column = 0; column < header.size(); ++column) {
            rows.last().append({header.at(column), lines.at(line).split(QLatin1Char('|')).at(column)});
        }
    }
    QCOMPARE(parser.getResults(), rows);
}

QTEST_GUILESS_MAIN(TestCsvParser)
#include "tst_csvparser.moc"
