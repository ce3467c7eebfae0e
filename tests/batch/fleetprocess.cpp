#include "fleetprocess.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>

FleetProcess::FleetProcess() = default;

FleetProcess::~FleetProcess()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(5000)) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }
}

void FleetProcess::addServer(const QString& name, const QString& address, const QString& password,
                             const QString& config, const QJsonObject& extra)
{
    QFile file(configPath(name));
    if (file.open(QIODevice::WriteOnly)) {
        file.write(config.toUtf8());
    }
    QJsonObject server = extra;
    server.insert(QStringLiteral("name"), name);
    server.insert(QStringLiteral("address"), address);
    server.insert(QStringLiteral("user"), QStringLiteral("admin"));
    server.insert(QStringLiteral("password"), password);
    server.insert(QStringLiteral("config"), QString(name + QStringLiteral(".conf")));
    m_servers.append(server);
}

bool FleetProcess::start()
{
    const QString fleetPath = m_directory.filePath(QStringLiteral("fleet.json"));
    const QString readyPath = m_directory.filePath(QStringLiteral("ready"));
    QFile fleet(fleetPath);
    if (!fleet.open(QIODevice::WriteOnly) ||
        fleet.write(QJsonDocument(QJsonObject{{QStringLiteral("servers"), m_servers}}).toJson()) < 0) {
        m_error = QStringLiteral("cannot write ") + fleetPath;
        return false;
    }
    fleet.close();

    m_process.start(QStringLiteral(ORRIN_SIM),
                    {QStringLiteral("--fleet"), fleetPath, QStringLiteral("--ready-file"), readyPath});
    const QDeadlineTimer deadline(10000);
    while (!QFile::exists(readyPath)) {
        if (m_process.state() == QProcess::NotRunning || deadline.hasExpired()) {
            m_error = QStringLiteral("orrin-sim did not come up: ") + QString::fromUtf8(m_process.readAll());
            return false;
        }
        m_process.waitForReadyRead(50);
    }
    return true;
}

QString FleetProcess::configPath(const QString& name) const
{
    return m_directory.filePath(name + QStringLiteral(".conf"));
}

QByteArray FleetProcess::config(const QString& name) const
{
    QFile file(configPath(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

int FleetProcess::connectionCount()
{
    m_log += m_process.readAllStandardOutput();
    return m_log.count(" connected: ");
}
