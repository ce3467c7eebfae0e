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

    // QSettings fixes its base directory on first use; if that happened
    // before this object existed, the tests would write the real settings.
    const QSettings probe(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("quorlan-test"),
                          QStringLiteral("probe"));
    if (!probe.fileName().startsWith(configHome() + QLatin1Char('/'))) {
        qFatal("TestSettings: settings would go to %s, outside %s", qPrintable(probe.fileName()),
               qPrintable(configHome()));
    }
    if (QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) != dataHome()) {
        qFatal("TestSettings: per-user data would not go to %s", qPrintable(dataHome()));
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

QString TestSettings::configHome() const
{
    return m_root.filePath(QStringLiteral("config"));
}

QString TestSettings::dataHome() const
{
    return m_root.filePath(QStringLiteral("data"));
}

} // namespace testsupport
