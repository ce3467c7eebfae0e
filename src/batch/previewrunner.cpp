#include "batch/previewrunner.h"

#include "batch/configpreview.h"
#include "batch/consolereporter.h"
#include "batch/unifieddiff.h"
#include "configsystem/configsystemerror.h"
#include "operations/pushdocumentbuilder.h"

#include <QFile>

#include <memory>
#include <optional>

namespace {

bool readServerConfiguration(const QString& path, QString& text)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    text = QString::fromUtf8(file.readAll());
    return true;
}

ExitStatus refuse(FILE* err, const QString& message)
{
    ConsoleReporter::write(err, QStringLiteral("ERROR: ") + message + QLatin1Char('\n'));
    return ExitStatus::NotStarted;
}

} // namespace

ExitStatus PreviewRunner::run(const BatchRequest& request, FILE* out, FILE* err)
{
    const OperationOptions& options = request.options;
    QString serverText;
    if (!readServerConfiguration(request.serverConfigPath, serverText)) {
        return refuse(err,
                      QStringLiteral("Could not read server configuration file: %1").arg(request.serverConfigPath));
    }
    const std::optional<QString> configText = PushDocumentBuilder::readConfigFile(options.configFilePath());
    if (!configText) {
        return refuse(err, QStringLiteral("Could not read configuration file: %1").arg(options.configFilePath()));
    }

    std::unique_ptr<ConfigPreview> preview;
    try {
        preview = std::make_unique<ConfigPreview>(serverText);
    } catch (const kelp::ConfigSystemBadSection& error) {
        return refuse(err, QStringLiteral("Could not read server configuration file: %1: %2")
                               .arg(request.serverConfigPath, QString::fromUtf8(error.what())));
    }
    const PushMode mode = static_cast<PushMode>(options.pushMode());
    QString result;
    try {
        result = preview->resultText(*configText, mode, options.preservedSections());
    } catch (const kelp::ConfigSystemBadSection& error) {
        // The push's own report of a file it rejects.
        return refuse(err, QStringLiteral("Config Error: ") + QString::fromUtf8(error.what()));
    }

    if (!request.diff) {
        ConsoleReporter::write(out, result);
        return ExitStatus::Success;
    }
    const QString modeName = mode == PushMode::Replace ? QStringLiteral("replace") : QStringLiteral("merge");
    ConsoleReporter::write(out,
                           UnifiedDiff::format(preview->currentText(), result,
                                               QStringLiteral("%1 (current)").arg(request.serverConfigPath),
                                               QStringLiteral("%1 (after pushing %2, %3)")
                                                   .arg(request.serverConfigPath, options.configFilePath(), modeName)));
    return ExitStatus::Success;
}
