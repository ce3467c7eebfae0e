#pragma once

#include <QList>
#include <QObject>
#include <QPair>
#include <QString>

namespace kelp {

// Reads a CSV file with a header line. Each result row is the list of
// (header, value) pairs of one data line, in column order, padded to every
// header column. finished() is always delivered from the event loop, never
// from inside parse(). A file that cannot be read gives no rows.
class CsvParser : public QObject
{
    Q_OBJECT

public:
    using Row = QList<QPair<QString, QString>>;

    CsvParser(const QString& path, bool hasHeader, QObject* parent = nullptr);
    ~CsvParser() override;

    void parse();
    QList<Row> getResults() const;

signals:
    void finished();

private:
    QString m_path;
    bool m_hasHeader;
    QList<Row> m_results;
};

} // namespace kelp
