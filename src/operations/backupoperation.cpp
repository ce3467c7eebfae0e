#include "operations/backupoperation.h"

#include "common/logtext.h"
#include "configsystem/configsystem.h"
#include "sdk/orrinconfig.h"
#include "sdk/server.h"

#include <QDir>
#include <QFile>
#include <QTextStream>

#include <limits>

namespace {
const QString kExtension = QStringLiteral(".conf");

// A base name that would put the file outside the output directory.
bool leavesDirectory(const QString& baseName)
{
    return baseName.contains(QLatin1Char('/')) || baseName.contains(QLatin1Char('\\')) ||
           baseName == QLatin1String(".") || baseName == QLatin1String("..");
}
} // namespace

BackupOperation::BackupOperation() = default;

BackupOperation::~BackupOperation() = default;

OperationOptions& BackupOperation::options()
{
    return m_options;
}

void BackupOperation::start()
{
    startRun(m_options);
}

void BackupOperation::serverListLoaded()
{
    doNextServer();
}

void BackupOperation::processCurrentServer()
{
    backupCurrentServer();
    disconnectCurrentServer();
}

QString BackupOperation::fileBaseName() const
{
    const kelp::Server* server = currentServer();
    if (!server) {
        return QString();
    }
    const QString name = server->name().trimmed();
    const QString host = server->host().trimmed();
    switch (static_cast<NamingMode>(m_options.namingMode())) {
    case NamingMode::IPHost:
        return host;
    case NamingMode::Both:
        return name + QLatin1Char('-') + host;
    case NamingMode::ServerName:
        break;
    }
    return name;
}

QString BackupOperation::uniqueFilePath(const QString& path, const FileExists& exists, qint32 firstNumber)
{
    if (!exists(path)) {
        return path;
    }
    const QString stem = path.chopped(kExtension.size());
    for (qint32 number = firstNumber;; ++number) {
        const QString candidate = stem + QStringLiteral(" (%1)").arg(number) + kExtension;
        if (!exists(candidate)) {
            return candidate;
        }
        // Checked before the increment: the counter never overflows.
        if (number == std::numeric_limits<qint32>::max()) {
            return QString();
        }
    }
}

void BackupOperation::backupCurrentServer()
{
    kelp::Server* server = currentServer();
    const QSharedPointer<kelp::OrrinConfig> config = server ? server->config() : nullptr;
    QSharedPointer<kelp::ConfigSystem> document = config ? config->workingConfigCopy() : nullptr;
    if (!document) {
        emit showError(QStringLiteral("Could not read server configuration."));
        return;
    }

    const QString directory = m_options.outputDirectory();
    if (!QDir(directory).exists()) {
        emit showError(QStringLiteral("Invalid output directory: %1").arg(directory));
        return;
    }

    // The name comes from the server: it must not lead out of the chosen directory.
    const QString baseName = fileBaseName();
    if (leavesDirectory(baseName)) {
        emit showError(QStringLiteral("Could not create file."));
        return;
    }

    QString path = directory + QDir::separator() + baseName;
    if (!path.endsWith(kExtension)) {
        path += kExtension;
    }
    const QString chosen = uniqueFilePath(path, [](const QString& candidate) { return QFile::exists(candidate); });
    if (chosen.isEmpty()) {
        emit showError(QStringLiteral("Too many similary named files: %1").arg(common::logText(path)));
        return;
    }

    // NewOnly: a file that appeared since the name was chosen is still not overwritten.
    QFile file(chosen);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        emit showError(QStringLiteral("Could not create file."));
        return;
    }
    emit showMessage(tr("Saving as: %1").arg(common::logText(chosen)));

    QTextStream stream(&file);
    stream.setCodec("UTF-8");
    stream << document->toText();
    document.reset();
    stream.flush();
    file.close();
}
