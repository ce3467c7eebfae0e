#include "operations/pushconfigoperation.h"

#include "operations/pushdocumentbuilder.h"

#include "common/logtext.h"
#include "configsystem/configsystem.h"
#include "sdk/orrinconfig.h"
#include "sdk/server.h"

#include <QTimer>
#include <optional>

#include <exception>

PushConfigOperation::PushConfigOperation() = default;

PushConfigOperation::~PushConfigOperation() = default;

OperationOptions& PushConfigOperation::options()
{
    return m_options;
}

void PushConfigOperation::start()
{
    startRun(m_options);
}

void PushConfigOperation::serverListLoaded()
{
    std::optional<QString> text = PushDocumentBuilder::readConfigFile(m_options.configFilePath());
    if (!text) {
        // Pushing an empty text would strip every server in Replace mode.
        emit showError(QStringLiteral("Could not read configuration file: %1").arg(m_options.configFilePath()));
        endRun();
        return;
    }
    m_configText = std::move(*text);
    m_builder.emplace(m_configText);
    doNextServer();
}

void PushConfigOperation::processCurrentServer()
{
    m_serverConfig = currentServer()->config();
    m_pushAbandoned = false;
    if (!m_serverConfig) {
        emit showError(QStringLiteral("Could not read server configuration."));
        disconnectCurrentServer();
        return;
    }
    connect(m_serverConfig.data(), &kelp::OrrinConfig::locked, this, &PushConfigOperation::handleConfigLocked);
    connect(m_serverConfig.data(), &kelp::OrrinConfig::configError, this, &PushConfigOperation::handleConfigError);
    connect(m_serverConfig.data(), &kelp::OrrinConfig::savedToServer, this, &PushConfigOperation::handleSavedToServer);
    connect(m_serverConfig.data(), &kelp::OrrinConfig::unlocked, this, &PushConfigOperation::handleConfigUnlocked);
    m_serverConfig->lock(false);
}

void PushConfigOperation::cleanupCurrentServer()
{
    if (!m_serverConfig) {
        return;
    }
    disconnect(m_serverConfig.data(), &kelp::OrrinConfig::locked, this, &PushConfigOperation::handleConfigLocked);
    disconnect(m_serverConfig.data(), &kelp::OrrinConfig::configError, this, &PushConfigOperation::handleConfigError);
    disconnect(m_serverConfig.data(), &kelp::OrrinConfig::savedToServer, this,
               &PushConfigOperation::handleSavedToServer);
    disconnect(m_serverConfig.data(), &kelp::OrrinConfig::unlocked, this, &PushConfigOperation::handleConfigUnlocked);
}

void PushConfigOperation::endServerOnNextTurn()
{
    // Watching stops at once, so a second answer of the SDK cannot queue a
    // second disconnection.
    cleanupCurrentServer();
    QTimer::singleShot(0, this, [this]() { disconnectCurrentServer(); });
}

void PushConfigOperation::handleConfigLocked(kelp::RequestId req_id)
{
    Q_UNUSED(req_id)
    emit showMessage(QStringLiteral("Configuration locked"));
    pushConfiguration();
}

void PushConfigOperation::pushConfiguration()
{
    if (!m_serverConfig->isLocked()) {
        emit showError(QStringLiteral("Configuration could not be locked!"));
        endServerOnNextTurn();
        return;
    }
    emit showMessage(QStringLiteral("Pushing configuration to server..."));

    QSharedPointer<kelp::ConfigSystem> document = m_serverConfig->workingConfigCopy();
    if (!document) {
        abandonPush(QStringLiteral("Could not read server configuration."));
        return;
    }
    m_preservedText = PushDocumentBuilder::preservedText(*document, m_options.preservedSections());
    try {
        m_builder->rebuild(*document, m_preservedText);
    } catch (const std::exception& error) {
        abandonPush(QStringLiteral("Config Error: ") + common::logText(QString::fromUtf8(error.what())));
        return;
    }
    document.reset();
    m_serverConfig->saveToServer(false, m_options.pushMode() == static_cast<qint32>(PushMode::Replace));
}

void PushConfigOperation::abandonPush(const QString& error)
{
    emit showError(error);
    m_pushAbandoned = true;
    m_serverConfig->unlock(true);
}

void PushConfigOperation::handleSavedToServer(kelp::RequestId req_id)
{
    Q_UNUSED(req_id)
    m_serverConfig->unlock(true);
}

void PushConfigOperation::handleConfigUnlocked(kelp::RequestId req_id)
{
    Q_UNUSED(req_id)
    emit showMessage(QStringLiteral("Released configuration lock"));
    if (m_options.restartServers() && !m_pushAbandoned) {
        restartServer();
    } else {
        disconnectCurrentServer();
    }
}

void PushConfigOperation::restartServer()
{
    emit showMessage(QStringLiteral("Restarting server"));
    currentServer()->restart(true);
    disconnectCurrentServer();
}

void PushConfigOperation::handleConfigError(kelp::RequestId, kelp::ConnectionError error)
{
    emit showError(QStringLiteral("Config Error: %1").arg(common::logText(error.toString())));
    endServerOnNextTurn();
}
