#include "sdk/csvparser.h"

#include <QFile>
#include <QStringList>
#include <QTimer>

namespace kelp {

namespace {

using Record = QStringList;

const QChar kQuote(u'"');

// The separator is the candidate that occurs most often outside quotes on the
// header line (the first line that is not blank); ties go to the earlier
// candidate (comma, then semicolon, then tab), and a line without any is one
// column, separated by commas.
QChar detectSeparator(const QString& text)
{
    const QChar candidates[] = {u',', u';', u'\t'};
    int counts[] = {0, 0, 0};
    bool quoted = false;
    bool started = false;
    for (const QChar c : text) {
        const bool lineBreak = c == u'\n' || c == u'\r';
        if (!started && lineBreak) {
            continue;
        }
        started = true;
        if (c == kQuote) {
            quoted = !quoted;
        } else if (!quoted && lineBreak) {
            break;
        } else if (!quoted) {
            for (int i = 0; i < 3; ++i) {
                counts[i] += c == candidates[i] ? 1 : 0;
            }
        }
    }
    int best = 0;
    for (int i = 1; i < 3; ++i) {
        if (counts[i] > counts[best]) {
            best = i;
        }
    }
    return candidates[best];
}

// Splits RFC 4180 text into records. A quote opens a quoted part only at the
// start of a field; inside it a doubled quote is one quote and separators and
// line breaks are data. Lines are ended by LF or CRLF. Empty lines give no record.
// A quoted part still open at the end sets unclosedLine to the line (from 1)
// where it opened, and the records are then not to be used.
QList<Record> splitRecords(const QString& text, QChar separator, int& unclosedLine)
{
    QList<Record> records;
    Record record;
    QString field;
    bool quoted = false;
    bool fieldStarted = false;
    int line = 1;
    int quoteLine = 0;

    const auto endField = [&]() {
        record.append(field);
        field.clear();
        fieldStarted = false;
    };
    const auto endRecord = [&]() {
        const bool blankLine = record.isEmpty() && field.isEmpty() && !fieldStarted;
        if (!blankLine) {
            endField();
            records.append(record);
        }
        record.clear();
        field.clear();
        fieldStarted = false;
    };

    const int size = text.size();
    for (int i = 0; i < size; ++i) {
        const QChar c = text.at(i);
        line += c == u'\n' ? 1 : 0;
        if (quoted) {
            if (c != kQuote) {
                field.append(c);
            } else if (i + 1 < size && text.at(i + 1) == kQuote) {
                field.append(kQuote);
                ++i;
            } else {
                quoted = false;
            }
        } else if (c == kQuote && !fieldStarted) {
            quoted = true;
            fieldStarted = true;
            quoteLine = line;
        } else if (c == separator) {
            endField();
        } else if (c == u'\n') {
            endRecord();
        } else if (c == u'\r' && i + 1 < size && text.at(i + 1) == u'\n') {
            endRecord();
            ++i;
            ++line;
        } else {
            field.append(c);
            fieldStarted = true;
        }
    }
    unclosedLine = quoted ? quoteLine : 0;
    endRecord();
    return records;
}

} // namespace

CsvParser::CsvParser(const QString& path, bool hasHeader, QObject* parent)
    : QObject(parent), m_path(path), m_hasHeader(hasHeader)
{
}

CsvParser::~CsvParser() = default;

void CsvParser::parse()
{
    m_results.clear();

    QFile file(m_path);
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly)) {
        bytes = file.readAll();
    }
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        bytes.remove(0, 3);
    }
    const QString text = QString::fromUtf8(bytes);

    QList<Record> records = splitRecords(text, detectSeparator(text), m_unclosedQuoteLine);
    if (m_unclosedQuoteLine > 0) {
        records.clear();
    }
    if (m_hasHeader && !records.isEmpty()) {
        const Record header = records.takeFirst();
        for (const Record& record : qAsConst(records)) {
            Row row;
            for (int column = 0; column < header.size(); ++column) {
                row.append({header.at(column), record.value(column)});
            }
            m_results.append(row);
        }
    } else {
        // Without a header line every line is data and its fields carry no names.
        for (const Record& record : qAsConst(records)) {
            Row row;
            for (const QString& value : record) {
                row.append({QString(), value});
            }
            m_results.append(row);
        }
    }

    // From the event loop, so parse() never re-enters its caller, and a
    // handler may delete the parser.
    QTimer::singleShot(0, this, &CsvParser::finished);
}

QList<CsvParser::Row> CsvParser::getResults() const
{
    return m_results;
}

int CsvParser::unclosedQuoteLine() const
{
    return m_unclosedQuoteLine;
}

} // namespace kelp
