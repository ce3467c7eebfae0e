#include "operations/backupoperation.h"

#include "operations/backupfilewriter.h"

#include "common/logtext.h"
#include "configsystem/configsystem.h"
#include "sdk/orrinconfig.h"
#include "sdk/server.h"

#include <QDir>

#include <algorithm>
#include <limits>

namespace {
const QString kExtension = QStringLiteral(".conf");

// A base name that would put the file outside the output directory, or one
// with control characters, which would make a listing of it lie about its name.
bool unusableBaseName(const QString& baseName)
{
    const bool control = std::any_of(baseName.cbegin(), baseName.cend(),
                                     [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7f; });
    return control || baseName.contains(QLatin1Char('/')) || baseName.contains(QLatin1Char('\\')) ||
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
    if (unusableBaseName(baseName)) {
        emit showError(QStringLiteral("Could not create file."));
        return;
    }

    QString path = directory + QDir::separator() + baseName;
    if (!path.endsWith(kExtension)) {
        path += kExtension;
    }
    const QByteArray text = document->toText().toUtf8();
    document.reset();
    // A link counts as a file even when it leads nowhere: the backup never goes through one.
    const auto chooseName = [&path] { return uniqueFilePath(path, &BackupFileWriter::isTaken); };
    const BackupFileWriter::Result written = BackupFileWriter::write(path, text, chooseName);
    switch (written.status) {
    case BackupFileWriter::Status::Written:
        emit showMessage(tr("Saving as: %1").arg(common::logText(written.path)));
        return;
    case BackupFileWriter::Status::NamesExhausted:
        emit showError(QStringLiteral("Too many similary named files: %1").arg(common::logText(path)));
        return;
    case BackupFileWriter::Status::CouldNotCreate:
        break;
    }
    emit showError(QStringLiteral("Could not create file."));
}
