#include "batch/consolereporter.h"

#include "batch/parallelrun.h"
#include "batch/runtally.h"
#include "engine/operationinterface.h"

namespace {
// Carriage return, then erase to the end of the line.
const char kEraseLine[] = "\r\033[K";
} // namespace

void ConsoleReporter::write(FILE* stream, const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stream);
    std::fflush(stream);
}

ConsoleReporter::ConsoleReporter(OperationInterface& operation, const RunTally& tally, FILE* out, FILE* err,
                                 FILE* progressTerminal)
    : m_tally(tally), m_out(out), m_err(err), m_progressTerminal(progressTerminal)
{
    connect(&operation, &OperationInterface::showMessage, this, &ConsoleReporter::handleShowMessage);
    connect(&operation, &OperationInterface::showError, this, &ConsoleReporter::handleShowError);
    connect(&operation, &OperationInterface::finished, this, &ConsoleReporter::handleFinished);
    connect(&tally, &RunTally::changed, this, &ConsoleReporter::drawProgress);
}

void ConsoleReporter::showServersInProgress(const ParallelRun& run)
{
    m_run = &run;
    connect(&run, &ParallelRun::serversInProgressChanged, this, &ConsoleReporter::drawProgress);
}

void ConsoleReporter::printNote(const QString& line)
{
    printLine(m_err, line);
}

QString ConsoleReporter::progressText(const RunTally& tally, int inProgress)
{
    QString text = QStringLiteral("%1/%2 servers done, ").arg(tally.serversDone()).arg(tally.serverCount());
    if (inProgress >= 0) {
        return text + QStringLiteral("%1 in progress, %2 failed").arg(inProgress).arg(tally.serversFailed());
    }
    text += QStringLiteral("%1 failed").arg(tally.serversFailed());
    if (!tally.currentHost().isEmpty()) {
        text += QStringLiteral(" - now ") + tally.currentHost();
    }
    return text;
}

void ConsoleReporter::handleShowMessage(const QString& msg)
{
    printLine(m_out, QStringLiteral("INFO: ") + msg);
}

void ConsoleReporter::handleShowError(const QString& msg)
{
    printLine(m_err, QStringLiteral("ERROR: ") + msg);
}

void ConsoleReporter::handleFinished()
{
    clearProgress();
}

void ConsoleReporter::printLine(FILE* stream, const QString& line)
{
    clearProgress();
    write(stream, line + QLatin1Char('\n'));
    drawProgress();
}

void ConsoleReporter::drawProgress()
{
    // Nothing to show before the first server.
    if (!m_progressTerminal || m_tally.serverCount() == 0) {
        return;
    }
    write(m_progressTerminal,
          QLatin1String(kEraseLine) + progressText(m_tally, m_run ? m_run->serversInProgress() : -1));
    m_progressShown = true;
}

void ConsoleReporter::clearProgress()
{
    if (m_progressShown) {
        write(m_progressTerminal, QLatin1String(kEraseLine));
        m_progressShown = false;
    }
}
