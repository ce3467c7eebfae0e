#pragma once

#include <QString>
#include <QVariant>

#include <memory>

class QSettings;

namespace kelp {

// Per-user option store on QSettings (native format) under the organisation
// and application names. Every setOption() is on disk when it returns. A
// missing, corrupt or unreadable store is not an error: getOption() then
// gives the default. Scalars come back as text in the native format on Linux
// (convert with toInt(), toBool() ...); a QRect comes back as a QRect.
class LocalUserConfig
{
public:
    LocalUserConfig(const QString& organisation, const QString& application);
    ~LocalUserConfig();

    QVariant getOption(const QString& key, const QString& group, const QVariant& defaultValue = QVariant()) const;
    void setOption(const QString& key, const QVariant& value, const QString& group);

    // Where the options are kept.
    QString fileName() const;

private:
    std::unique_ptr<QSettings> m_settings;
};

} // namespace kelp
