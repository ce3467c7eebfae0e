#pragma once

#include <QList>
#include <QObject>
#include <QPair>
#include <QString>

namespace kelp {

// Reads a CSV file with a header line. Each result row is the list of
// (header, value) pairs of one data line, in column order, padded to every
// header column. finished() is always delivered from the event loop, never
// from inside parse(). A file that cannot be read gives no rows. A damaged
// file (a quoted field that the end of the file leaves open) gives no rows
// either, and unclosedQuoteLine() names the line where that field opened.
class CsvParser : public QObject
{
    Q_OBJECT

public:
    using Row = QList<QPair<QString, QString>>;

    CsvParser(const QString& path, bool hasHeader, QObject* parent = nullptr);
    ~CsvParser() override;

    void parse();
    QList<Row> getResults() const;
    // The line of the file (counted from 1) where the quoted field opened that
    // the last parse() found never closed; 0 when the file was whole.
    int unclosedQuoteLine() const;

signals:
    void finished();

private:
    QString m_path;
    bool m_hasHeader;
    QList<Row> m_results;
    int m_unclosedQuoteLine = 0;
};

} // namespace kelp
