#pragma once

#include "batch/exitstatus.h"

#include <QObject>
#include <QString>
#include <QVector>

#include <functional>

class OperationInterface;

// Follows one run of an operation through its signals and keeps the score:
// servers done and failed, the host being worked on, and from that the exit
// status. A server is the stretch from the framework's "Connecting to %1..."
// message to its finishedCurrentServer(); it failed when any error was
// reported within it. Errors before the first server mean the run could not
// start. Connect it before anything that reads it.
class RunTally final : public QObject
{
    Q_OBJECT

public:
    // How many servers the run's list holds; asked when a server starts.
    using ServerCount = std::function<int()>;

    struct Failure
    {
        QString host;
        QString firstError;
    };

    RunTally(OperationInterface& operation, ServerCount serverCount);

    int serverCount() const { return m_serverCount; }
    int serversDone() const { return m_serversDone; }
    int serversFailed() const { return m_serversFailed; }
    // The host of the server in progress; empty between servers.
    QString currentHost() const { return m_currentHost; }
    // The failed servers in the order they ran.
    const QVector<Failure>& failures() const { return m_failures; }
    ExitStatus exitStatus() const;

signals:
    void changed();

private:
    void handleShowMessage(const QString& msg);
    void handleShowError(const QString& msg);
    void handleFinishedCurrentServer();

    ServerCount m_countServers;
    // The framework's translated "Connecting to %1..." around its %1.
    QString m_connectingPrefix;
    QString m_connectingSuffix;

    bool m_inServer = false;
    bool m_currentFailed = false;
    bool m_started = false;
    int m_serverCount = 0;
    int m_serversDone = 0;
    int m_serversFailed = 0;
    int m_errorsOutsideServers = 0;
    QString m_currentHost;
    QVector<Failure> m_failures;
};
