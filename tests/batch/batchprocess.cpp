#include "batchprocess.h"

#include <QProcess>
#include <QProcessEnvironment>

namespace {
QStringList lines(const QString& text)
{
    QStringList result = text.split(QLatin1Char('\n'));
    if (result.last().isEmpty()) {
        result.removeLast();
    }
    return result;
}
} // namespace

BatchProcess::BatchProcess(const QStringList& arguments, const QString& workingDirectory)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    environment.insert(QStringLiteral("LANG"), QStringLiteral("C"));
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(workingDirectory);
    process.start(QStringLiteral(QUORLAN_BATCH), arguments);
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished(5000);
    } else if (process.exitStatus() == QProcess::NormalExit) {
        m_exitCode = process.exitCode();
    }
    m_out = QString::fromUtf8(process.readAllStandardOutput());
    m_err = QString::fromUtf8(process.readAllStandardError());
}

QStringList BatchProcess::outLines() const
{
    return lines(m_out);
}

QStringList BatchProcess::errLines() const
{
    return lines(m_err);
}
