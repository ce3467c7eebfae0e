#include "batch/batchapplication.h"

#include "batch/batchcommandline.h"
#include "batch/consolereporter.h"
#include "batch/operationrunner.h"
#include "batch/previewrunner.h"

#include <cstdio>
#include <unistd.h>

ExitStatus BatchApplication::run(const QStringList& arguments)
{
    const BatchRequest request = BatchCommandLine::parse(arguments);
    switch (request.command) {
    case BatchRequest::Command::Help:
        ConsoleReporter::write(stdout, request.text);
        return ExitStatus::Success;
    case BatchRequest::Command::UsageError:
        ConsoleReporter::write(stderr, QStringLiteral("quorlan-batch: ") + request.text +
                                           QStringLiteral("\nTry 'quorlan-batch --help' for more information.\n"));
        return ExitStatus::NotStarted;
    case BatchRequest::Command::Preview:
        return PreviewRunner::run(request, stdout, stderr);
    case BatchRequest::Command::Backup:
    case BatchRequest::Command::Push:
        break;
    }
    // The progress line belongs on a terminal only, never in redirected output.
    return OperationRunner::run(request, stdout, stderr, isatty(fileno(stderr)) ? stderr : nullptr);
}
