#pragma once

#include "engine/operationoptions.h"

#include <QString>

// What one invocation of quorlan-batch asks for, as read from its command
// line by BatchCommandLine. A plain record.
struct BatchRequest
{
    enum class Command
    {
        Help,
        UsageError,
        Backup,
        Push,
        Preview
    };

    Command command = Command::Help;
    // Help: the help text. UsageError: what was wrong, one line.
    QString text;
    // The run's choices, starting from the window's first-start defaults. The
    // preview reads configFilePath, pushMode and preservedSections.
    OperationOptions options;
    // Backup and push: how many servers may be in progress at once.
    int jobs = 1;
    // An existing report file may be replaced.
    bool overwriteReport = false;
    // Push: a configuration file without any section header may be pushed.
    bool allowNoSections = false;
    // Preview: the server's configuration (a backup file, for instance).
    QString serverConfigPath;
    // Preview: print a unified diff instead of the resulting configuration.
    bool diff = false;
};
