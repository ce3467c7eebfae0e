#include "batch/operationrunner.h"

#include "batch/consolereporter.h"
#include "batch/failuresummary.h"
#include "batch/runpreflight.h"
#include "batch/runtally.h"
#include "common/translationsdirectory.h"
#include "operations/backupoperation.h"
#include "operations/pushconfigoperation.h"
#include "sdk/kelpsdk.h"
#include "sdk/publickeychecker.h"
#include "sdk/translator.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QLocale>

#include <memory>

namespace {

// Why the run cannot start, or empty.
QString refusal(const BatchRequest& request)
{
    const OperationOptions& options = request.options;
    const QFileInfo csv(options.csvPath());
    if (!csv.isFile() || !csv.isReadable()) {
        return QStringLiteral("cannot read the CSV server list %1").arg(options.csvPath());
    }
    if (request.command == BatchRequest::Command::Backup && !QDir(options.outputDirectory()).exists()) {
        return QStringLiteral("the output directory %1 does not exist").arg(options.outputDirectory());
    }
    if (request.command == BatchRequest::Command::Push && !QFile::exists(options.configFilePath())) {
        return QStringLiteral("the configuration file %1 does not exist").arg(options.configFilePath());
    }
    if (!options.reportPath().isEmpty() && QFileInfo::exists(options.reportPath()) && !request.overwriteReport) {
        return QStringLiteral("the report file %1 already exists; give --overwrite-report to replace it")
            .arg(options.reportPath());
    }
    return RunPreflight::refusal(request);
}

// As the window does: its translations from beside the executable, the SDK
// with the window's names, and no server key check.
void prepareSdk()
{
    kelp::Translator::instance()->addModule(
        QStringLiteral("quorlan"), common::translationsDirectory(QCoreApplication::applicationDirPath()), true);
    kelp::Translator::instance()->setLocale(QLocale());
    kelp::KelpSDK::initInstance(QStringLiteral("Brindlowe"), QStringLiteral("quorlan"), nullptr,
                                QStringLiteral("kelpsdk.log"));
    kelp::PublicKeyChecker::forceDisabled(true);
}

template <typename Operation> std::unique_ptr<AbstractOperation> createOperation(const OperationOptions& options)
{
    auto operation = std::make_unique<Operation>();
    operation->options() = options;
    return operation;
}

} // namespace

ExitStatus OperationRunner::run(const BatchRequest& request, FILE* out, FILE* err, FILE* progressTerminal)
{
    const QString problem = refusal(request);
    if (!problem.isEmpty()) {
        ConsoleReporter::write(err, QStringLiteral("quorlan-batch: ") + problem + QLatin1Char('\n'));
        return ExitStatus::NotStarted;
    }
    prepareSdk();

    const std::unique_ptr<AbstractOperation> operation = request.command == BatchRequest::Command::Backup
                                                             ? createOperation<BackupOperation>(request.options)
                                                             : createOperation<PushConfigOperation>(request.options);
    // An existing report file without permission was refused above; one that
    // has appeared since is kept unless replacing was allowed.
    const bool overwrite = request.overwriteReport;
    operation->setOverwriteQuestion([overwrite](const QString&, const QString&) { return overwrite; });

    const AbstractOperation* counted = operation.get();
    RunTally tally(*operation, [counted] { return counted->serverCount(); });
    ConsoleReporter reporter(*operation, tally, out, err, progressTerminal);

    QEventLoop loop;
    bool finished = false;
    QObject::connect(operation.get(), &OperationInterface::finished, &loop, [&finished, &loop] {
        finished = true;
        loop.quit();
    });
    operation->start();
    // A run refused at its start has already finished inside start().
    if (!finished) {
        loop.exec();
    }
    ConsoleReporter::write(err, FailureSummary::text(tally));
    return tally.exitStatus();
}
