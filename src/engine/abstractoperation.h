#pragma once

#include "engine/operationinterface.h"
#include "engine/operationoptions.h"

#include "sdk/logindata.h"
#include "sdk/loginerror.h"

#include <QFile>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace kelp {
class ConnectionManager;
class CsvParser;
class Server;
class ServerGroup;
} // namespace kelp

// The server-by-server engine shared by the batch operations. It loads the
// CSV server list, connects to one entry after another through the SDK's
// connection manager, hands each connected server to the concrete operation
// (processCurrentServer), and goes on with the next entry once the server has
// been disconnected. Every message and error is also written to the optional
// report file. The object has no parent; it is started again for every run.
//
// The concrete operation's start() calls startRun() with its options.
// serverListLoaded() must call doNextServer() (or endRun());
// processCurrentServer() must end with disconnectCurrentServer() on every path.
class AbstractOperation : public OperationInterface
{
    Q_OBJECT

public:
    // Answers the question whether an existing report file may be replaced.
    using OverwriteQuestion = std::function<bool(const QString& title, const QString& text)>;
    // Finds the server group of a reported connection (null for an unknown id).
    using ServerGroupLookup = std::function<kelp::ServerGroup*(uint sg_id)>;
    // Chooses the entry doNextServer() works on: an index of the list (one past
    // the end ends the run), or nothing to wait until doNextServer() is called
    // again.
    using NextIndex = std::function<std::optional<quint64>()>;

    // Header names accepted for each column, compared with the lower-cased header.
    static const QStringList HOST_COLUMN_NAMES;
    static const QStringList USERNAME_COLUMN_NAMES;
    static const QStringList PASSWORD_COLUMN_NAMES;

    static constexpr qint64 MAX_CSV_SIZE = 1048576;
    static constexpr quint16 SERVER_PORT = 8601;

    AbstractOperation();
    ~AbstractOperation() override;

    void start() override;
    void cancel() override;

    // Replaces the dialog that asks before an existing report file is
    // replaced. When set, it is asked whenever the file exists, also in a
    // process without widgets; the dialog itself is only shown by an
    // application that has a top-level widget.
    void setOverwriteQuestion(OverwriteQuestion question);
    // Replaces the connection manager's serverGroup() for the groups of
    // reported connections, so that a test can hand in groups and servers of
    // its own behind the SDK's interface.
    void setServerGroupLookup(ServerGroupLookup lookup);

    // For several operations sharing one list on one event loop: the
    // connection manager start() uses instead of the SDK's (not owned, must
    // outlive the run), the entries taken from a shared scheduler instead of
    // one after another, and the report written from the lines another
    // object emits (in the order it emits them) instead of this one's.
    void setConnectionManager(kelp::ConnectionManager* manager);
    void setNextIndex(NextIndex nextIndex);
    void writeReportFrom(const OperationInterface& source);

    // The number of entries of the run's server list; 0 until the list is loaded.
    int serverCount() const { return static_cast<int>(m_logins.size()); }

public slots:
    void doNextServer();
    void slotCsvParsingFinished();
    void handleShowMessage(QString msg);
    void handleShowError(QString msg);
    void handleConnected(uint sg_id);
    void handleLoginError(kelp::LoginError error);
    void handleConnectionTimedOut();
    void handleAllDisconnected(uint sg_id);
    void handleCurrentServerFinished();

protected:
    virtual void serverListLoaded() {}
    virtual void processCurrentServer() {}
    virtual void cleanupCurrentServer() {}

    // AbstractOperation::start(), then the report file when the options ask for
    // one, then the server list; the run ends at once when either fails.
    void startRun(const OperationOptions& options);
    bool openReportFile(const QString& path, bool overwrite);
    bool loadServerList(const QString& path);
    void disconnectCurrentServer();
    // The one step by which every run ends: report file closed, SDK signals
    // disconnected, list and columns reset, finished() emitted.
    void endRun();

    kelp::Server* currentServer() const { return m_currentServer; }
    const std::vector<kelp::LoginData>& logins() const { return m_logins; }

private:
    void connectToLogin(kelp::LoginData login);
    void findColumns(const QList<QPair<QString, QString>>& row);
    bool askOverwrite(const QString& title, const QString& text) const;

    kelp::ConnectionManager* m_connectionManager = nullptr;
    kelp::Server* m_currentServer = nullptr;
    quint64 m_currentIndex = 0;
    QFile m_reportFile;
    std::vector<kelp::LoginData> m_logins;
    std::unique_ptr<kelp::CsvParser> m_csvParser;
    qint32 m_hostColumn = -1;
    qint32 m_usernameColumn = -1;
    qint32 m_passwordColumn = -1;

    OverwriteQuestion m_overwriteQuestion;
    ServerGroupLookup m_serverGroupLookup;
    kelp::ConnectionManager* m_ownConnectionManager = nullptr;
    NextIndex m_nextIndex;
};
