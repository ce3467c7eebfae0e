#pragma once

#include <QObject>
#include <QStringList>

class OperationInterface;

namespace enginetest {

// Records what an operation tells its tab: every message and error as the
// log line the tab shows ("INFO: " / "ERROR: " + text), in order, and how
// often the current server and the run were reported finished.
class OperationRecorder final : public QObject
{
public:
    explicit OperationRecorder(OperationInterface* operation);

    // Starts the operation and waits until the run has ended (false after
    // timeoutMs without finished()).
    bool run(int timeoutMs = 30000);

    QStringList lines() const { return m_lines; }
    QStringList errors() const;
    int finishedCount() const { return m_finished; }
    int serverCount() const { return m_servers; }
    void clear();

private:
    OperationInterface* m_operation;
    QStringList m_lines;
    int m_finished = 0;
    int m_servers = 0;
};

// The log lines of one server reached and worked on: connecting, connected,
// the operation's own lines, then the separator.
QStringList serverLines(const QString& host, const QStringList& ownLines);
// Writes `content` to `path`; false when the file cannot be written.
bool writeFile(const QString& path, const QByteArray& content);
QByteArray readFile(const QString& path);
// A CSV server list: the header line, then one line per host with the account given.
bool writeServerList(const QString& path, const QStringList& hosts, const QString& user, const QString& password);

// The log line of the separator that ends every server.
QString separatorLine();

} // namespace enginetest
