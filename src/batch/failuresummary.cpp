#include "batch/failuresummary.h"

#include "batch/runtally.h"

namespace {
QString servers(int count)
{
    return count == 1 ? QStringLiteral("1 server") : QStringLiteral("%1 servers").arg(count);
}
} // namespace

QString FailureSummary::text(const RunTally& tally)
{
    const QVector<RunTally::Failure>& failures = tally.failures();
    if (failures.isEmpty()) {
        return QString();
    }
    QString text = QStringLiteral("quorlan-batch: %1 failed, %2 succeeded:\n")
                       .arg(servers(failures.size()))
                       .arg(tally.serversDone() - tally.serversFailed());
    for (const RunTally::Failure& failure : failures) {
        text += QStringLiteral("  ") + failure.host + QStringLiteral(": ") + failure.firstError + QLatin1Char('\n');
    }
    return text;
}
