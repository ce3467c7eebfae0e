#include "sim/configstore.h"

#include "configsystem/configsystem.h"
#include "sdk/configschema.h"

#include <QFile>
#include <QSaveFile>

#include <exception>

namespace sim {

ConfigStore::ConfigStore(const QString& path) : m_path(path), m_document(kelp::createConfigDocument())
{
}

ConfigStore::~ConfigStore() = default;

bool ConfigStore::load()
{
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly)) {
        return fail(kelp::WireError::StorageFailed,
                    QStringLiteral("cannot read %1: %2").arg(m_path, file.errorString()));
    }
    const QByteArray content = file.readAll();
    QSharedPointer<kelp::ConfigSystem> document = kelp::createConfigDocument();
    try {
        document->loadText(QString::fromUtf8(content), false, false);
    } catch (const std::exception& error) {
        return fail(kelp::WireError::InvalidConfiguration,
                    QStringLiteral("%1: %2").arg(m_path, QString::fromUtf8(error.what())));
    }
    m_document = document;
    return true;
}

QByteArray ConfigStore::text() const
{
    return m_document->toText().toUtf8();
}

bool ConfigStore::save(const QByteArray& upload, bool replace)
{
    QSharedPointer<kelp::ConfigSystem> next = kelp::createConfigDocument();
    try {
        if (!replace) {
            next->loadText(m_document->toText(), false, false);
        }
        next->loadText(QString::fromUtf8(upload), !replace, false);
    } catch (const std::exception& error) {
        return fail(kelp::WireError::InvalidConfiguration, QString::fromUtf8(error.what()));
    }

    const QByteArray content = next->toText().toUtf8();
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() || !file.commit()) {
        return fail(kelp::WireError::StorageFailed,
                    QStringLiteral("the configuration could not be stored: %1").arg(file.errorString()));
    }
    m_document = next;
    return true;
}

bool ConfigStore::fail(kelp::WireError error, const QString& text)
{
    m_error = error;
    m_errorString = text;
    return false;
}

} // namespace sim
