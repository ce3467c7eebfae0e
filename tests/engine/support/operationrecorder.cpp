#include "engine/support/operationrecorder.h"

#include "engine/operationinterface.h"

#include <QFile>
#include <QSignalSpy>

namespace enginetest {

const QString separatorLine = QStringLiteral("INFO: ----------------------------------------------------------");

OperationRecorder::OperationRecorder(OperationInterface* operation) : m_operation(operation)
{
    connect(operation, &OperationInterface::showMessage, this, [this](const QString& msg) { lines << "INFO: " + msg; });
    connect(operation, &OperationInterface::showError, this, [this](const QString& msg) { lines << "ERROR: " + msg; });
    connect(operation, &OperationInterface::finishedCurrentServer, this, [this]() { ++serverCount; });
    connect(operation, &OperationInterface::finished, this, [this]() { ++finishedCount; });
}

bool OperationRecorder::run()
{
    lines.clear();
    finishedCount = serverCount = 0;
    QSignalSpy finished(m_operation, &OperationInterface::finished);
    m_operation->start();
    return !finished.isEmpty() || finished.wait(30000);
}

QStringList serverLines(const QString& host, const QStringList& ownLines)
{
    return QStringList{"INFO: Connecting to " + host + "...", "INFO: Connected"} + ownLines << separatorLine;
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

} // namespace enginetest
