#include "batch/operationrunner.h"

#include "batch/consolereporter.h"
#include "batch/failuresummary.h"
#include "batch/parallelrun.h"
#include "batch/runpreflight.h"
#include "batch/runtally.h"
#include "common/signalwatcher.h"
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

#include <csignal>
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

template <typename Operation>
std::unique_ptr<AbstractOperation> createOperation(const BatchRequest& request, bool withReport)
{
    auto operation = std::make_unique<Operation>();
    operation->options() = request.options;
    if (!withReport) {
        operation->options().setReportPath(QString());
    }
    // An existing report file without permission was refused above; one that
    // has appeared since is kept unless replacing was allowed.
    const bool overwrite = request.overwriteReport;
    operation->setOverwriteQuestion([overwrite](const QString&, const QString&) { return overwrite; });
    return operation;
}

ParallelRun::OperationFactory operationFactory(const BatchRequest& request)
{
    if (request.command == BatchRequest::Command::Backup) {
        return [request](bool withReport) { return createOperation<BackupOperation>(request, withReport); };
    }
    return [request](bool withReport) { return createOperation<PushConfigOperation>(request, withReport); };
}

// The first SIGINT or SIGTERM cancels as the window's Cancel does and says so;
// the second ends the program at once.
void watchTermination(common::SignalWatcher& watcher, ParallelRun& run, ConsoleReporter& reporter)
{
    QObject::connect(&watcher, &common::SignalWatcher::terminationRequested, &run,
                     [&run, &reporter, interrupted = false](int signalNumber) mutable {
                         if (interrupted) {
                             std::signal(signalNumber, SIG_DFL);
                             std::raise(signalNumber);
                             return;
                         }
                         interrupted = true;
                         run.cancel();
                         reporter.printNote(QStringLiteral(
                             "quorlan-batch: interrupted: no further server is started, the servers in progress "
                             "finish (interrupt again to stop at once)"));
                     });
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

    ParallelRun run(operationFactory(request), request.jobs);
    RunTally tally(run, [&run] { return run.serverCount(); });
    ConsoleReporter reporter(run, tally, out, err, progressTerminal);
    if (request.jobs > 1) {
        reporter.showServersInProgress(run);
    }
    common::SignalWatcher watcher;
    watchTermination(watcher, run, reporter);

    QEventLoop loop;
    bool finished = false;
    QObject::connect(&run, &OperationInterface::finished, &loop, [&finished, &loop] {
        finished = true;
        loop.quit();
    });
    run.start();
    // A run refused at its start has already finished inside start().
    if (!finished) {
        loop.exec();
    }
    ConsoleReporter::write(err, FailureSummary::text(tally));
    return tally.exitStatus();
}
