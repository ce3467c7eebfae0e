#include "batch/runtally.h"

#include "engine/operationinterface.h"

#include <QCoreApplication>

RunTally::RunTally(OperationInterface& operation, ServerCount serverCount) : m_countServers(std::move(serverCount))
{
    // The framework's own text, as the installed translation renders it.
    const QString connecting = QCoreApplication::translate("AbstractOperation", "Connecting to %1...");
    const int placeholder = connecting.indexOf(QStringLiteral("%1"));
    m_connectingPrefix = connecting.left(placeholder);
    m_connectingSuffix = connecting.mid(placeholder + 2);

    connect(&operation, &OperationInterface::showMessage, this, &RunTally::handleShowMessage);
    connect(&operation, &OperationInterface::showError, this, &RunTally::handleShowError);
    connect(&operation, &OperationInterface::finishedCurrentServer, this, &RunTally::handleFinishedCurrentServer);
}

ExitStatus RunTally::exitStatus() const
{
    if (!m_started) {
        return ExitStatus::NotStarted;
    }
    return m_serversFailed > 0 || m_errorsOutsideServers > 0 ? ExitStatus::ServerFailed : ExitStatus::Success;
}

void RunTally::handleShowMessage(const QString& msg)
{
    if (m_inServer || !msg.startsWith(m_connectingPrefix) || !msg.endsWith(m_connectingSuffix) ||
        msg.size() < m_connectingPrefix.size() + m_connectingSuffix.size()) {
        return;
    }
    m_inServer = true;
    m_started = true;
    m_currentFailed = false;
    m_currentHost =
        msg.mid(m_connectingPrefix.size(), msg.size() - m_connectingPrefix.size() - m_connectingSuffix.size());
    m_serverCount = m_countServers();
    emit changed();
}

void RunTally::handleShowError(const QString& msg)
{
    if (!m_inServer) {
        ++m_errorsOutsideServers;
        return;
    }
    if (!m_currentFailed) {
        m_currentFailed = true;
        ++m_serversFailed;
        m_failures.append({m_currentHost, msg});
        emit changed();
    }
}

void RunTally::handleFinishedCurrentServer()
{
    m_inServer = false;
    m_currentHost.clear();
    ++m_serversDone;
    emit changed();
}
