#pragma once

#include <QString>

class RunTally;

// What a run's end says on standard error when servers failed, so that a
// mailed report (cron) names them: how many failed and succeeded, then each
// failed server's host with its first error, in list order.
class FailureSummary final
{
public:
    // Empty when no server failed; otherwise lines ending in "\n".
    static QString text(const RunTally& tally);
};
