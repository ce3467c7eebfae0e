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

void LogViewWriter::append(const QString& line)
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
    m_log->append(line);
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
