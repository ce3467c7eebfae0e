#pragma once

#include "batch/batchrequest.h"
#include "batch/exitstatus.h"

#include <cstdio>

// Runs one backup or push to its end with the window's own operation classes
// (BackupOperation, PushConfigOperation) and the SDK opened as the window
// opens it, printing the run through a ConsoleReporter. Inputs that the
// window's form would refuse (a CSV list that cannot be read, a missing output
// directory or configuration file) and an existing report file without
// permission to replace it stop the run before any server is contacted, with a
// "quorlan-batch: " line on err. Needs a QCoreApplication.
class OperationRunner final
{
public:
    // progressTerminal: where the progress line goes, or null for none.
    static ExitStatus run(const BatchRequest& request, FILE* out, FILE* err, FILE* progressTerminal);
};
