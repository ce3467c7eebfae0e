#pragma once

#include "batch/exitstatus.h"

#include <QStringList>

// quorlan-batch from its arguments to its exit status: reads the command
// line, prints the help or a usage error, or runs the command. Needs a
// QCoreApplication.
class BatchApplication final
{
public:
    static ExitStatus run(const QStringList& arguments);
};
