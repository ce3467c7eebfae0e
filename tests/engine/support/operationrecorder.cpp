#include "engine/support/operationrecorder.h"

#include "engine/operationinterface.h"

#include <QEventLoop>
#include <QFile>
#include <QTimer>

namespace enginetest {

QString separatorLine()
{
    return QStringLiteral("INFO: ----------------------------------------------------------");
}

OperationRecorder::OperationRecorder(OperationInterface* operation) : m_operation(operation)
{
    connect(operation, &OperationInterface::showMessage, this,
            [this](const QString& msg) { m_lines.append(QStringLiteral("INFO: ") + msg); });
    connect(operation, &OperationInterface::showError, this,
            [this](const QString& msg) { m_lines.append(QStringLiteral("ERROR: ") + msg); });
    connect(operation, &OperationInterface::finishedCurrentServer, this, [this]() { ++m_servers; });
    connect(operation, &OperationInterface::finished, this, [this]() { ++m_finished; });
}

bool OperationRecorder::run(int timeoutMs)
{
    const int before = m_finished;
    QEventLoop loop;
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    connect(m_operation, &OperationInterface::finished, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    m_operation->start();
    if (m_finished == before) {
        loop.exec();
    }
    return m_finished > before;
}

QStringList OperationRecorder::errors() const
{
    QStringList result;
    for (const QString& line : m_lines) {
        if (line.startsWith(QLatin1String("ERROR: "))) {
            result.append(line);
        }
    }
    return result;
}

void OperationRecorder::clear()
{
    m_lines.clear();
    m_finished = 0;
    m_servers = 0;
}

QStringList serverLines(const QString& host, const QStringList& ownLines)
{
    return QStringList{QStringLiteral("INFO: Connecting to %1...").arg(host), QStringLiteral("INFO: Connected")} +
           ownLines + QStringList{separatorLine()};
}

bool writeFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeServerList(const QString& path, const QStringList& hosts, const QString& user, const QString& password)
{
    QByteArray csv("host,username,password\n");
    for (const QString& host : hosts) {
        csv += (host + u',' + user + u',' + password + u'\n').toUtf8();
    }
    return writeFile(path, csv);
}

} // namespace enginetest
