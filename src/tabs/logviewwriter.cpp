#include "tabs/logviewwriter.h"

#include <QScrollBar>
#include <QTextEdit>

namespace {
// Long enough to gather the lines of one server, short enough to look immediate.
constexpr int kFlushMs = 40;
} // namespace

LogViewWriter::LogViewWriter(QTextEdit* log) : m_log(log)
{
    m_flushTimer.setSingleShot(true);
    m_flushTimer.setInterval(kFlushMs);
    QObject::connect(&m_flushTimer, &QTimer::timeout, m_log, [this] { flush(); });
}

LogViewWriter::~LogViewWriter()
{
    flush();
}

const QColor LogViewWriter::errorColour(0xFF, 0x6B, 0x6B);

void LogViewWriter::append(const QString& line)
{
    insertLine(line, false);
}

void LogViewWriter::appendError(const QString& line)
{
    insertLine(line, true);
}

void LogViewWriter::insertLine(const QString& line, bool error)
{
    if (m_batch.isNull()) {
        const QScrollBar* bar = m_log->verticalScrollBar();
        m_wasAtBottom = bar->value() >= bar->maximum();
        // Within an edit block the text goes in at once, while the layout
        // (and with it the painting) waits for the end of the block.
        m_log->setUpdatesEnabled(false);
        m_batch = QTextCursor(m_log->document());
        m_batch.beginEditBlock();
        m_flushTimer.start();
    }
    // A paragraph of its own in the plain format, as QTextEdit::append would
    // add it, but never read as HTML: servers' texts reach the log. The format
    // is given with every insertion: a cursor would take over the red of the
    // error before it.
    QTextCursor end(m_log->document());
    end.movePosition(QTextCursor::End);
    if (!m_log->document()->isEmpty()) {
        end.insertBlock(QTextBlockFormat(), QTextCharFormat());
    }
    QTextCharFormat format;
    if (error) {
        format.setForeground(errorColour);
    }
    end.insertText(line, format);
}

void LogViewWriter::flush()
{
    if (m_batch.isNull()) {
        return;
    }
    m_flushTimer.stop();
    m_batch.endEditBlock();
    m_batch = QTextCursor();
    // append() could not follow the end of the text while its layout waited.
    if (m_wasAtBottom) {
        QScrollBar* bar = m_log->verticalScrollBar();
        bar->setValue(bar->maximum());
    }
    m_log->setUpdatesEnabled(true);
}

void LogViewWriter::clear()
{
    flush();
    m_log->clear();
}
