#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// The orrin-sim executable running one fleet, for tests that drive
// quorlan-batch as a separate process. The servers and their configuration
// files live in a temporary directory of this object; the simulator is
// stopped (SIGTERM, then killed if need be) when the object goes.
class FleetProcess final
{
public:
    FleetProcess();
    ~FleetProcess();

    FleetProcess(const FleetProcess&) = delete;
    FleetProcess& operator=(const FleetProcess&) = delete;

    // One server; config is the text of its configuration file. extra holds
    // further fleet-file fields (faults, lockout, restartMs ...).
    void addServer(const QString& name, const QString& address, const QString& password, const QString& config,
                   const QJsonObject& extra = QJsonObject());
    // Starts the simulator and waits until every server listens. False, with
    // errorString(), when it does not come up within a few seconds.
    bool start();
    QString errorString() const { return m_error; }

    // The configuration file of a server, as the simulator keeps it.
    QString configPath(const QString& name) const;
    QByteArray config(const QString& name) const;
    // How many sessions the simulator has accepted so far.
    int connectionCount();

private:
    QTemporaryDir m_directory;
    QJsonArray m_servers;
    QProcess m_process;
    QByteArray m_log;
    QString m_error;
};
