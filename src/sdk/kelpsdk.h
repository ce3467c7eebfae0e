#pragma once

#include <QString>

#include <memory>

namespace kelp {

class ConnectionManager;
class LocalUserConfig;
class OsdNotificationInterface;

// The SDK's process singleton. initInstance() opens the option store, the
// connection manager and the SDK log file (in the per-user data directory of
// the organisation and application, e.g. ~/.local/share/<org>/<app>/);
// afterwards instance(), userConfig() and connectionManager() always give the
// same objects. Calling initInstance() again keeps the first instance. The
// instance lives until the QCoreApplication is destroyed (or the process
// ends). A log that cannot be opened is left out; the SDK works without it.
// The log rotates: a line that would take it past logRotationSize() first
// moves it to "<log>.1" (replacing an older one) and starts a new log.
class KelpSDK final
{
public:
    static void initInstance(const QString& organisation, const QString& application, OsdNotificationInterface* osd,
                             const QString& logFile);
    static KelpSDK* instance();

    LocalUserConfig* userConfig() const;
    ConnectionManager* connectionManager() const;
    // The log file in use; empty when it could not be opened.
    QString logFilePath() const;
    // The per-user data directory the log and the known server keys live in.
    QString dataDirectory() const;

    // Appends one line to the SDK log, with its control characters escaped,
    // so a text from a server can never start a line of its own. Callers
    // never pass a password.
    static void log(const QString& line);

    static constexpr qint64 DEFAULT_LOG_ROTATION_SIZE = 10 * 1024 * 1024;
    // The size in bytes the log never passes by rotating (a single longer
    // line still goes whole into a fresh log).
    void setLogRotationSize(qint64 bytes);
    qint64 logRotationSize() const;

    ~KelpSDK();

private:
    KelpSDK(const QString& organisation, const QString& application, const QString& logFile);
    void writeLogLine(const QByteArray& line);
    void rotateLog();

    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace kelp
