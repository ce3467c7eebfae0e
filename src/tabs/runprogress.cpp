#include "tabs/runprogress.h"

void RunProgress::begin(ServerCount serverCount)
{
    m_serverCount = std::move(serverCount);
    // Read at every start: the text is the one the operation will report in the language now loaded.
    const QString connecting = QCoreApplication::translate("AbstractOperation", "Connecting to %1...");
    const int placeholder = connecting.indexOf(QLatin1String("%1"));
    m_connectingPrefix = connecting.left(placeholder);
    m_connectingSuffix = connecting.mid(placeholder + 2);
    m_total = 0;
    m_begun = 0;
    m_failed = 0;
    m_currentFailed = false;
    m_cancelRequested = false;
    m_running = true;
    m_text = tr("Reading the server list...");
}

void RunProgress::cancelRequested()
{
    m_cancelRequested = true;
}

bool RunProgress::message(const QString& msg)
{
    if (!m_running || !msg.startsWith(m_connectingPrefix) || !msg.endsWith(m_connectingSuffix)) {
        return false;
    }
    ++m_begun;
    m_currentFailed = false;
    m_total = m_serverCount();
    showProgress();
    return true;
}

bool RunProgress::error()
{
    if (!m_running || m_begun == 0 || m_currentFailed) {
        return false;
    }
    m_currentFailed = true;
    ++m_failed;
    showProgress();
    return true;
}

void RunProgress::finish()
{
    m_running = false;
    const int succeeded = m_begun - m_failed;
    if (m_begun == 0) {
        m_text = tr("No server contacted — see the log");
    } else if (m_cancelRequested && m_begun < m_total) {
        m_text = tr("Cancelled after %1 of %2 servers — %3 succeeded, %4 failed")
                     .arg(m_begun)
                     .arg(m_total)
                     .arg(succeeded)
                     .arg(m_failed);
    } else {
        m_text = tr("Finished: %1 succeeded, %2 failed").arg(succeeded).arg(m_failed);
    }
}

void RunProgress::showProgress()
{
    m_text = tr("Server %1 of %2 — %3 failed").arg(m_begun).arg(m_total).arg(m_failed);
}
