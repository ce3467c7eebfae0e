#include "batch/runpreflight.h"

#include "configsystem/textlines.h"
#include "operations/pushdocumentbuilder.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

#include <optional>

namespace {

// Tried for real: permissions alone do not tell (a read-only mount, root).
bool takesNewFiles(const QString& directory)
{
    QTemporaryFile probe(QDir(directory).filePath(QStringLiteral(".quorlan-batch-XXXXXX")));
    return probe.open();
}

bool hasSectionHeader(const QString& text)
{
    const kelp::TextLines lines(text);
    for (int i = 0; i < lines.count(); ++i) {
        if (kelp::TextLines::isHeader(lines.line(i))) {
            return true;
        }
    }
    return false;
}

QString pushFileRefusal(const BatchRequest& request)
{
    const QString path = request.options.configFilePath();
    const std::optional<QString> text = PushDocumentBuilder::readConfigFile(path);
    if (!text) {
        return QStringLiteral("cannot read the configuration file %1").arg(path);
    }
    const QString rejection = PushDocumentBuilder(*text).rejection();
    if (!rejection.isEmpty()) {
        return QStringLiteral("the servers would reject the configuration file %1: %2").arg(path, rejection);
    }
    // Replace would leave every server with nothing but its preserved sections.
    if (!request.allowNoSections && !hasSectionHeader(*text)) {
        return QStringLiteral("the configuration file %1 has no section header; give --allow-no-sections to push "
                              "it anyway")
            .arg(path);
    }
    return QString();
}

} // namespace

QString RunPreflight::refusal(const BatchRequest& request)
{
    const OperationOptions& options = request.options;
    if (request.command == BatchRequest::Command::Backup && !takesNewFiles(options.outputDirectory())) {
        return QStringLiteral("cannot write into the output directory %1").arg(options.outputDirectory());
    }
    const QFileInfo report(options.reportPath());
    if (!options.reportPath().isEmpty() && (report.isDir() || !takesNewFiles(report.absolutePath()))) {
        return QStringLiteral("cannot write the report file %1").arg(options.reportPath());
    }
    return request.command == BatchRequest::Command::Push ? pushFileRefusal(request) : QString();
}
