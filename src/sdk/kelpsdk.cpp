#include "sdk/kelpsdk.h"

#include "common/logtext.h"

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
    // Counted rather than asked of the file system for every line.
    qint64 logBytes = 0;
    qint64 logRotationSize = DEFAULT_LOG_ROTATION_SIZE;
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
        if (d->logFile.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
            d->logBytes = d->logFile.size();
        }
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

void KelpSDK::setLogRotationSize(qint64 bytes)
{
    d->logRotationSize = bytes;
}

qint64 KelpSDK::logRotationSize() const
{
    return d->logRotationSize;
}

void KelpSDK::log(const QString& line)
{
    if (!s_instance || !s_instance->d->logFile.isOpen()) {
        return;
    }
    s_instance->writeLogLine(QDateTime::currentDateTime().toString(Qt::ISODateWithMs).toUtf8() + ' ' +
                             common::logText(line).toUtf8() + '\n');
}

void KelpSDK::writeLogLine(const QByteArray& line)
{
    if (d->logBytes > 0 && d->logBytes + line.size() > d->logRotationSize) {
        rotateLog();
    }
    d->logBytes += qMax<qint64>(0, d->logFile.write(line));
    d->logFile.flush();
}

void KelpSDK::rotateLog()
{
    QFile& file = d->logFile;
    file.close();
    const QString previous = file.fileName() + QStringLiteral(".1");
    QFile::remove(previous);
    // A log that cannot be moved aside starts over: it must not grow without end.
    const QIODevice::OpenMode mode = QFile::rename(file.fileName(), previous) ? QIODevice::Append : QIODevice::Truncate;
    file.open(QIODevice::WriteOnly | QIODevice::Text | mode);
    d->logBytes = 0;
}

} // namespace kelp
