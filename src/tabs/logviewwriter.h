#pragma once

#include <QColor>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTimer>

class QString;
class QTextEdit;

// Appends the lines of a run to a tab's log view, one paragraph each, as
// plain text (a line that looks like markup stays literal), errors in red.
// Each line is in the document at once; lines that arrive within
// a short time of each other are laid out and painted together, because
// doing that for every line of a long run would cost more than the run
// itself. A view that showed its last line keeps showing it.
class LogViewWriter final
{
public:
    // The view belongs to the tab's form and outlives this object.
    explicit LogViewWriter(QTextEdit* log);
    ~LogViewWriter();

    LogViewWriter(const LogViewWriter&) = delete;
    LogViewWriter& operator=(const LogViewWriter&) = delete;

    // The red of error lines: 4.89:1 against the window's background #2B2E36.
    static const QColor errorColour;

    void append(const QString& line);
    void appendError(const QString& line);
    // Lays out and paints the lines appended since the last time, now.
    void flush();
    void clear();

private:
    void insertLine(const QString& line, bool error);

    QTextEdit* m_log;
    QTimer m_flushTimer;
    // Holds the document's edit block open while lines pile up; null between batches.
    QTextCursor m_batch;
    bool m_wasAtBottom = false;
};
