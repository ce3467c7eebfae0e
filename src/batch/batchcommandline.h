#pragma once

#include "batch/batchrequest.h"

#include <QString>
#include <QStringList>

// The command line of quorlan-batch: a command word (backup, push or
// preview) followed by that command's options. Every problem comes back as a
// request of the kind UsageError with a one-line explanation; nothing here
// prints or exits.
class BatchCommandLine final
{
public:
    // arguments as QCoreApplication::arguments() gives them (program first).
    static BatchRequest parse(const QStringList& arguments);
    // Every command and option, the defaults and the exit statuses.
    static QString helpText();
};
