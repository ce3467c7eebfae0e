#pragma once

#include <QObject>
#include <QStringList>

class OperationInterface;

namespace enginetest {

// Records every message and error as the log line the tab shows ("INFO: " / "ERROR: " + text), and how often
// the current server and the run were reported finished.
class OperationRecorder final : public QObject
{
public:
    explicit OperationRecorder(OperationInterface* operation);

    // Forgets what was recorded, starts the operation and waits for its end; false after 30 s.
    bool run();

    QStringList lines;
    int finishedCount = 0;
    int serverCount = 0;

private:
    OperationInterface* m_operation;
};

// The log lines of one server reached: connecting, connected, the operation's own lines, the separator.
QStringList serverLines(const QString& host, const QStringList& ownLines);
extern const QString separatorLine;
bool writeFile(const QString& path, const QByteArray& content);
QByteArray readFile(const QString& path);

} // namespace enginetest
