#pragma once

#include <QObject>
#include <QString>

#include <cstdio>

class OperationInterface;
class ParallelRun;
class RunTally;

// Prints a run's messages with the texts and prefixes of the window's log:
// "INFO: " lines on out, "ERROR: " lines on err, UTF-8, each flushed at once so
// the two streams keep their order. Given a progress terminal, it keeps one
// progress line (from the tally) at the bottom of it: cleared before each
// message, drawn again after it, and cleared for good when the run ends. The
// streams are not owned. Construct it after the tally, so the tally has seen a
// message before the progress line shows it.
class ConsoleReporter final : public QObject
{
    Q_OBJECT

public:
    ConsoleReporter(OperationInterface& operation, const RunTally& tally, FILE* out, FILE* err, FILE* progressTerminal);

    // From now on the progress line counts the servers in progress instead
    // of naming the current host. run must outlive the reporter.
    void showServersInProgress(const ParallelRun& run);
    // Prints a line of the program's own on err, between the run's lines.
    void printNote(const QString& line);

    // "3/10 servers done, 1 failed - now 10.0.0.4", or with inProgress given
    // (not negative) "3/10 servers done, 8 in progress, 1 failed".
    static QString progressText(const RunTally& tally, int inProgress = -1);
    // Writes text to stream as UTF-8 and flushes it.
    static void write(FILE* stream, const QString& text);

private:
    void handleShowMessage(const QString& msg);
    void handleShowError(const QString& msg);
    void handleFinished();
    void printLine(FILE* stream, const QString& line);
    void drawProgress();
    void clearProgress();

    const RunTally& m_tally;
    FILE* m_out;
    FILE* m_err;
    FILE* m_progressTerminal;
    const ParallelRun* m_run = nullptr;
    bool m_progressShown = false;
};
