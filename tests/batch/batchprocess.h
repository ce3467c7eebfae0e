#pragma once

#include <QString>
#include <QStringList>

// One run of the quorlan-batch executable, in the C locale (so its texts are
// the untranslated ones) and with the test process's per-user directories.
class BatchProcess final
{
public:
    // Runs to the end (bounded by a time-out, after which the process is
    // killed and exitCode is -1).
    explicit BatchProcess(const QStringList& arguments, const QString& workingDirectory = QString());

    int exitCode() const { return m_exitCode; }
    QString out() const { return m_out; }
    QString err() const { return m_err; }
    QStringList outLines() const;
    QStringList errLines() const;

private:
    int m_exitCode = -1;
    QString m_out;
    QString m_err;
};
