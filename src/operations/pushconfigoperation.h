#pragma once

#include "engine/abstractoperation.h"
#include "engine/operationoptions.h"
#include "operations/pushdocumentbuilder.h"

#include "sdk/connectionerror.h"
#include "sdk/requestid.h"

#include <QSharedPointer>
#include <QString>

#include <optional>

namespace kelp {
class OrrinConfig;
}

// Uploads one configuration file to every listed server: lock, rebuild the
// server's working document from its preserved sections and the file, save
// (Merge or Replace), unlock and optionally restart, each step waiting for the
// SDK's answer to the previous one. The file is read once per run; a file
// that cannot be read ends the run before any server is contacted.
class PushConfigOperation final : public AbstractOperation
{
    Q_OBJECT

public:
    PushConfigOperation();
    ~PushConfigOperation() override;

    OperationOptions& options();

    void start() override;

public slots:
    void handleConfigLocked(kelp::RequestId req_id);
    void handleConfigUnlocked(kelp::RequestId req_id);
    void handleConfigError(kelp::RequestId, kelp::ConnectionError error);
    void handleSavedToServer(kelp::RequestId req_id);

protected:
    void serverListLoaded() override;
    void processCurrentServer() override;
    void cleanupCurrentServer() override;

private:
    void pushConfiguration();
    void restartServer();
    // Stops watching now and disconnects on the next turn of the event loop,
    // after the SDK has finished delivering the current signal.
    void endServerOnNextTurn();
    // Gives the lock back without saving; the server is disconnected once
    // the lock is released.
    void abandonPush(const QString& error);

    OperationOptions m_options;
    QString m_configText;
    // Made from m_configText once per run, so its headers are checked once.
    std::optional<PushDocumentBuilder> m_builder;
    QSharedPointer<kelp::OrrinConfig> m_serverConfig;
    QString m_preservedText;
    // Set when nothing was saved for the current server: the release of the
    // lock then ends the server without a restart.
    bool m_pushAbandoned = false;
};
