#include "simulatorprocess.h"

#include <QFile>
#include <QRegularExpression>

SimulatorProcess::~SimulatorProcess()
{
    if (m_process.state() == QProcess::NotRunning) {
        return;
    }
    m_process.terminate();
    if (!m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

bool SimulatorProcess::writeFile(const QString& name, const QByteArray& bytes)
{
    QFile file(m_directory.filePath(name));
    return m_directory.isValid() && file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

bool SimulatorProcess::start(const QByteArray& fleetJson, int readyTimeoutMs)
{
    if (!writeFile(QStringLiteral("fleet.json"), fleetJson)) {
        return false;
    }
    const QString ready = m_directory.filePath(QStringLiteral("ready"));
    m_process.setStandardOutputFile(QProcess::nullDevice());
    m_process.start(QStringLiteral(ORRIN_SIM),
                    {QStringLiteral("--fleet"), m_directory.filePath(QStringLiteral("fleet.json")),
                     QStringLiteral("--ready-file"), ready});
    if (!m_process.waitForStarted(5000)) {
        return false;
    }
    constexpr int pollMs = 100;
    for (int waited = 0; waited < readyTimeoutMs && !QFile::exists(ready); waited += pollMs) {
        if (m_process.waitForFinished(pollMs)) {
            return false;
        }
    }
    return QFile::exists(ready);
}

double SimulatorProcess::peakRssMiB() const
{
    QFile status(QStringLiteral("/proc/%1/status").arg(m_process.processId()));
    if (!status.open(QIODevice::ReadOnly)) {
        return 0;
    }
    const QRegularExpressionMatch peak =
        QRegularExpression(QStringLiteral("VmHWM:\\s*(\\d+) kB")).match(QString::fromLatin1(status.readAll()));
    return peak.hasMatch() ? peak.captured(1).toDouble() / 1024.0 : 0;
}
