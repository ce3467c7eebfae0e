#include "sdk/localuserconfig.h"

#include <QSettings>

namespace kelp {

LocalUserConfig::LocalUserConfig(const QString& organisation, const QString& application)
    : m_settings(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, organisation, application))
{
}

LocalUserConfig::~LocalUserConfig() = default;

QVariant LocalUserConfig::getOption(const QString& key, const QString& group, const QVariant& defaultValue) const
{
    m_settings->beginGroup(group);
    const QVariant value = m_settings->value(key, defaultValue);
    m_settings->endGroup();
    return value;
}

void LocalUserConfig::setOption(const QString& key, const QVariant& value, const QString& group)
{
    m_settings->beginGroup(group);
    m_settings->setValue(key, value);
    m_settings->endGroup();
    // Written through at once: a program killed right afterwards keeps the value.
    m_settings->sync();
}

QString LocalUserConfig::fileName() const
{
    return m_settings->fileName();
}

} // namespace kelp
