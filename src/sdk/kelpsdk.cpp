#include "sdk/kelpsdk.h"

#include "sdk/connectionmanager.h"
#include "sdk/localuserconfig.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QStandardPaths>

namespace kelp {

namespace {
std::unique_ptr<KelpSDK> s_instance;

// Drops the SDK while the application still exists, so its QObjects go
// before the event dispatcher does.
void destroyInstance()
{
    s_instance.reset();
}
} // namespace

struct KelpSDK::Private
{
    std::unique_ptr<LocalUserConfig> userConfig;
    std::unique_ptr<ConnectionManager> connectionManager;
    QString dataDirectory;
    QFile logFile;
};

KelpSDK::KelpSDK(const QString& organisation, const QString& application, const QString& logFile)
    : d(std::make_unique<Private>())
{
    d->userConfig = std::make_unique<LocalUserConfig>(organisation, application);

    // The per-application data directory of these names, whatever names the
    // QCoreApplication itself carries.
    d->dataDirectory = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QLatin1Char('/') +
                       organisation + QLatin1Char('/') + application;
    // A log that cannot be written is not a reason to stop: log() then does nothing.
    if (QDir().mkpath(d->dataDirectory)) {
        d->logFile.setFileName(d->dataDirectory + QLatin1Char('/') + logFile);
        d->logFile.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text);
    }

    d->connectionManager = std::make_unique<ConnectionManager>();
}

KelpSDK::~KelpSDK() = default;

void KelpSDK::initInstance(const QString& organisation, const QString& application, OsdNotificationInterface* osd,
                           const QString& logFile)
{
    Q_UNUSED(osd)
    if (s_instance) {
        return;
    }
    s_instance.reset(new KelpSDK(organisation, application, logFile));
    qAddPostRoutine(destroyInstance);
    log(QStringLiteral("SDK started for %1/%2").arg(organisation, application));
}

KelpSDK* KelpSDK::instance()
{
    return s_instance.get();
}

LocalUserConfig* KelpSDK::userConfig() const
{
    return d->userConfig.get();
}

ConnectionManager* KelpSDK::connectionManager() const
{
    return d->connectionManager.get();
}

QString KelpSDK::logFilePath() const
{
    return d->logFile.isOpen() ? d->logFile.fileName() : QString();
}

QString KelpSDK::dataDirectory() const
{
    return d->dataDirectory;
}

void KelpSDK::log(const QString& line)
{
    if (!s_instance || !s_instance->d->logFile.isOpen()) {
        return;
    }
    QFile& file = s_instance->d->logFile;
    file.write(QDateTime::currentDateTime().toString(Qt::ISODateWithMs).toUtf8() + ' ' + line.toUtf8() + '\n');
    file.flush();
}

} // namespace kelp
