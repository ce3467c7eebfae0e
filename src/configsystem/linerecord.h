#pragma once

#include <QString>
#include <QStringRef>
#include <QtGlobal>

namespace kelp {

// One stored line of a document: its text exactly as read, without the line
// break, and its current 1-based line number. A line as loaded refers into the
// loaded text, which its storage shares, so loading allocates nothing per
// line; a line written by an edit has a storage of its own. Keys and values
// refer into the storage, so a record never moves and is never copied.
struct LineRecord
{
    LineRecord() = default;
    LineRecord(const LineRecord&) = delete;
    LineRecord& operator=(const LineRecord&) = delete;

    // The line is the piece of text at position, size characters long.
    void cutFrom(const QString& text, int position, int size)
    {
        storage = text;
        this->text = QStringRef(&storage, position, size);
    }
    void setText(const QString& written)
    {
        storage = written;
        text = QStringRef(&storage);
    }

    QString storage;
    QStringRef text;
    quint64 number = 0;
};

} // namespace kelp
