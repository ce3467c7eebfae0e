#pragma once

#include <QString>

#include <memory>

namespace kelp {

class ConnectionManager;
class LocalUserConfig;
class OsdNotificationInterface;

// The SDK's process singleton. initInstance() opens the option store, the
// connection manager and the SDK log file (in the per-user data directory);
// afterwards instance(), userConfig() and connectionManager() always give the
// same objects. Calling initInstance() again keeps the first instance.
class KelpSDK final
{
public:
    static void initInstance(const QString& organisation, const QString& application, OsdNotificationInterface* osd,
                             const QString& logFile);
    static KelpSDK* instance();

    LocalUserConfig* userConfig() const;
    ConnectionManager* connectionManager() const;

    // Appends one line to the SDK log. Callers never pass a password.
    static void log(const QString& line);

    ~KelpSDK();

private:
    KelpSDK(const QString& organisation, const QString& application, const QString& logFile);

    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace kelp
