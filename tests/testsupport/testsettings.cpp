#include "testsupport/testsettings.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>

namespace testsupport {

namespace {
const char* const kVariables[] = {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"};
const char* const kFolders[] = {"config", "data", "cache"};
} // namespace

TestSettings::TestSettings()
{
    if (!m_root.isValid()) {
        qFatal("TestSettings: cannot create a temporary directory: %s", qPrintable(m_root.errorString()));
    }
    for (int i = 0; i < 3; ++i) {
        const QString path = m_root.filePath(QLatin1String(kFolders[i]));
        QDir().mkpath(path);
        m_previous[i] = qEnvironmentVariableIsSet(kVariables[i]) ? qgetenv(kVariables[i]) : QByteArray();
        qputenv(kVariables[i], QFile::encodeName(path));
    }
    // QSettings fixes its base directory on first use; had that happened, tests would write the user's settings.
    const QSettings probe(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("quorlan-test"),
                          QStringLiteral("probe"));
    if (!probe.fileName().startsWith(configHome() + QLatin1Char('/')) ||
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) != dataHome()) {
        qFatal("TestSettings: settings or data would go outside %s", qPrintable(m_root.path()));
    }
}

TestSettings::~TestSettings()
{
    for (int i = 0; i < 3; ++i) {
        if (m_previous[i].isNull()) {
            qunsetenv(kVariables[i]);
        } else {
            qputenv(kVariables[i], m_previous[i]);
        }
    }
}

} // namespace testsupport
