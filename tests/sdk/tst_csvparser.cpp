#include "sdk/csvparser.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using kelp::CsvParser;

namespace {

enum class Source
{
    File,
    Missing,
    Directory
};

// Expected rows in short: the first list holds the header names, every
// further list the values of one data line.
QList<CsvParser::Row> rowsOf(const QList<QStringList>& table)
{
    QList<CsvParser::Row> rows;
    for (int line = 1; line < table.size(); ++line) {
        CsvParser::Row row;
        for (int column = 0; column < table.at(0).size(); ++column) {
            row.append({table.at(0).at(column), table.at(line).at(column)});
        }
        rows.append(row);
    }
    return rows;
}

} // namespace

Q_DECLARE_METATYPE(Source)

class TestCsvParser : public QObject
{
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
    void withoutHeaderEveryLineIsData();
    void handlerMayDeleteTheParser();

private:
    QTemporaryDir m_dir;
};

void TestCsvParser::parse_data()
{
    QTest::addColumn<Source>("source");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QList<QStringList>>("expected");

    const QStringList hostUser{"host", "user"};
    const QList<QStringList> none;

    QTest::newRow("comma") << Source::File << QByteArray("host,username,password\n10.0.0.1,admin,x\n10.0.0.2,root,y\n")
                           << QList<QStringList>{{"host", "username", "password"},
                                                 {"10.0.0.1", "admin", "x"},
                                                 {"10.0.0.2", "root", "y"}};
    QTest::newRow("byte-order mark stripped")
        << Source::File << QByteArray("\xEF\xBB\xBFhost,user\na,b\n") << QList<QStringList>{hostUser, {"a", "b"}};
    QTest::newRow("semicolon") << Source::File << QByteArray("host;user;pass\na;b;c\n")
                               << QList<QStringList>{{"host", "user", "pass"}, {"a", "b", "c"}};
    QTest::newRow("tab") << Source::File << QByteArray("host\tuser\na b\tc,d\n")
                         << QList<QStringList>{hostUser, {"a b", "c,d"}};
    QTest::newRow("most frequent separator wins")
        << Source::File << QByteArray("host;user,name;pass\na;b,c;d\n")
        << QList<QStringList>{{"host", "user,name", "pass"}, {"a", "b,c", "d"}};
    QTest::newRow("quoted separators not counted in header")
        << Source::File << QByteArray("\"a,b,c\";d\n1;2\n") << QList<QStringList>{{"a,b,c", "d"}, {"1", "2"}};
    QTest::newRow("quoted separator") << Source::File << QByteArray("host,password\na,\"x,y\"\n")
                                      << QList<QStringList>{{"host", "password"}, {"a", "x,y"}};
    QTest::newRow("doubled quotes") << Source::File << QByteArray("host,password\na,\"say \"\"hi\"\"\"\n")
                                    << QList<QStringList>{{"host", "password"}, {"a", "say \"hi\""}};
    QTest::newRow("quote inside unquoted field") << Source::File << QByteArray("host,password\na,pa\"ss\n")
                                                 << QList<QStringList>{{"host", "password"}, {"a", "pa\"ss"}};
    QTest::newRow("embedded line break") << Source::File << QByteArray("host,note\na,\"one\r\ntwo\nthree\"\nb,c\n")
                                         << QList<QStringList>{
                                                {"host", "note"}, {"a", "one\r\ntwo\nthree"}, {"b", "c"}};
    QTest::newRow("CRLF") << Source::File << QByteArray("host,user\r\na,b\r\nc,d\r\n")
                          << QList<QStringList>{hostUser, {"a", "b"}, {"c", "d"}};
    QTest::newRow("blank lines skipped") << Source::File << QByteArray("\r\nhost,user\n\na,b\r\n\n\nc,d\n\n")
                                         << QList<QStringList>{hostUser, {"a", "b"}, {"c", "d"}};
    QTest::newRow("empty quoted field is a line")
        << Source::File << QByteArray("host\n\"\"\n") << QList<QStringList>{{"host"}, {""}};
    QTest::newRow("short row padded") << Source::File << QByteArray("host,user,password\na\nb,c\n")
                                      << QList<QStringList>{
                                             {"host", "user", "password"}, {"a", "", ""}, {"b", "c", ""}};
    QTest::newRow("extra fields dropped")
        << Source::File << QByteArray("host,user\na,b,c,d\n") << QList<QStringList>{hostUser, {"a", "b"}};
    QTest::newRow("trailing separator") << Source::File << QByteArray("host,user,password\na,b,\n")
                                        << QList<QStringList>{{"host", "user", "password"}, {"a", "b", ""}};
    QTest::newRow("spaces kept") << Source::File << QByteArray("host, user\n a ,b \n")
                                 << QList<QStringList>{{"host", " user"}, {" a ", "b "}};
    QTest::newRow("no final line break") << Source::File << QByteArray("host,user\na,b")
                                         << QList<QStringList>{hostUser, {"a", "b"}};
    QTest::newRow("unterminated quote runs to the end")
        << Source::File << QByteArray("host,user\na,\"open\n") << QList<QStringList>{hostUser, {"a", "open\n"}};
    QTest::newRow("UTF-8") << Source::File << QByteArray("host,password\n\xC3\xA4,\xE3\x83\x91\n")
                           << QList<QStringList>{{"host", "password"},
                                                 {QString::fromUtf8("\xC3\xA4"), QString::fromUtf8("\xE3\x83\x91")}};
    QTest::newRow("non-UTF-8 bytes") << Source::File << QByteArray("host,password\na,p\xE4ss\nb,c\n")
                                     << QList<QStringList>{{"host", "password"},
                                                           {"a", QString::fromUtf8("p\xEF\xBF\xBDss")},
                                                           {"b", "c"}};
    QTest::newRow("empty file") << Source::File << QByteArray() << none;
    QTest::newRow("header only") << Source::File << QByteArray("host,username,password\n") << none;
    QTest::newRow("missing file") << Source::Missing << QByteArray() << none;
    QTest::newRow("directory") << Source::Directory << QByteArray() << none;
}

void TestCsvParser::parse()
{
    QFETCH(Source, source);
    QFETCH(QByteArray, content);
    QFETCH(QList<QStringList>, expected);

    const QString path = m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()));
    if (source == Source::File) {
        QFile file(path);
        QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(file.errorString()));
        QCOMPARE(file.write(content), content.size());
    } else if (source == Source::Directory) {
        QVERIFY(QDir().mkpath(path));
    }

    CsvParser parser(path, true);
    QSignalSpy finished(&parser, &CsvParser::finished);
    parser.parse();
    QVERIFY2(finished.isEmpty(), "finished() was emitted from inside parse()");
    QTRY_COMPARE(finished.count(), 1);

    QCOMPARE(parser.getResults(), rowsOf(expected));
}

void TestCsvParser::withoutHeaderEveryLineIsData()
{
    const QString path = m_dir.filePath(QStringLiteral("noheader.csv"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("a;b\nc\n");
    file.close();

    CsvParser parser(path, false);
    QSignalSpy finished(&parser, &CsvParser::finished);
    parser.parse();
    QTRY_COMPARE(finished.count(), 1);

    const QList<CsvParser::Row> expected{{{QString(), "a"}, {QString(), "b"}}, {{QString(), "c"}}};
    QCOMPARE(parser.getResults(), expected);
}

void TestCsvParser::handlerMayDeleteTheParser()
{
    auto parser = std::make_unique<CsvParser>(m_dir.filePath(QStringLiteral("absent.csv")), true);
    CsvParser* raw = parser.get();
    bool handled = false;
    connect(raw, &CsvParser::finished, this, [&parser, &handled]() {
        parser.reset();
        handled = true;
    });
    raw->parse();
    QVERIFY(!handled);
    QTRY_VERIFY(handled);
    QVERIFY(!parser);
}

QTEST_GUILESS_MAIN(TestCsvParser)
#include "tst_csvparser.moc"
