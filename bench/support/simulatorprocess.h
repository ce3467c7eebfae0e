#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// orrin-sim in a process of its own, so a benchmark's time and memory figures
// are the client's alone. The fleet file and the servers' configuration files
// live in a temporary directory of this object; the process is stopped when the
// object goes.
class SimulatorProcess
{
public:
    SimulatorProcess() = default;
    ~SimulatorProcess();

    // Writes a file (a server's configuration) into the fleet's directory.
    bool writeFile(const QString& name, const QByteArray& bytes);
    // Starts orrin-sim on the fleet file text; true once every server listens.
    bool start(const QByteArray& fleetJson, int readyTimeoutMs);
    // The directory of the fleet file, for the servers' configuration paths.
    QString directory() const { return m_directory.path(); }
    // Peak resident memory of orrin-sim so far, in MiB; 0 when unknown.
    double peakRssMiB() const;

private:
    QTemporaryDir m_directory;
    QProcess m_process;
};
