#pragma once

#include "batch/batchrequest.h"

#include <QString>

// The checks of a backup or push run that need no server, made before the
// first one is contacted so that a run which would fail on every server (or
// wipe every server) never starts: the push file must be readable, hold a
// section header (unless allowed not to) and hold none that the servers
// reject; the output directory and the report's directory must take a new
// file.
class RunPreflight final
{
public:
    // Why the run must not start, one line without a line end; empty when it may.
    static QString refusal(const BatchRequest& request);
};
