#pragma once

#include "batch/batchrequest.h"
#include "batch/exitstatus.h"

#include <cstdio>

// The preview command: reads the server's configuration and the file to
// push, and prints on out the configuration the server would hold after the
// push, or with the diff option a unified diff from the current to that
// configuration. Problems go to err as "ERROR: " lines and give NotStarted; a
// section header the push would reject is reported with the push's own text,
// "Config Error: " and the exception's text. No server is contacted.
class PreviewRunner final
{
public:
    static ExitStatus run(const BatchRequest& request, FILE* out, FILE* err);
};
