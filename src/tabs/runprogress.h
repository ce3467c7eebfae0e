#pragma once

#include <QCoreApplication>
#include <QString>

#include <functional>

// Follows one run from the lines its operation reports and says where it
// stands, for the window's status bar: which server of how many is in
// progress and how many have failed, then how the run ended. A server begins
// with the framework's "Connecting to %1..." line and lasts until the next
// one or the end of the run; it failed when an error was reported within it.
// Errors before the first server belong to no server. The log's lines are
// only read, never changed.
class RunProgress final
{
    Q_DECLARE_TR_FUNCTIONS(RunProgress)

public:
    // How many servers the run's list holds; asked when a server begins.
    using ServerCount = std::function<int()>;

    // Forgets the previous run and follows a new one until finish().
    void begin(ServerCount serverCount);
    void cancelRequested();
    // Each returns whether text() has changed.
    bool message(const QString& msg);
    bool error();
    void finish();

    QString text() const { return m_text; }

private:
    void showProgress();

    ServerCount m_serverCount;
    // The framework's translated "Connecting to %1..." around its %1.
    QString m_connectingPrefix;
    QString m_connectingSuffix;
    int m_total = 0;
    int m_begun = 0;
    int m_failed = 0;
    bool m_currentFailed = false;
    bool m_cancelRequested = false;
    // Lines outside a run change nothing: the outcome stays until the next run.
    bool m_running = false;
    QString m_text;
};
