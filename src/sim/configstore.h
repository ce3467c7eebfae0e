#pragma once

#include "sdk/wiremessage.h"

#include <QByteArray>
#include <QSharedPointer>
#include <QString>

namespace kelp {
class ConfigSystem;
}

namespace sim {

// A simulated server's configuration: a document with the SDK's schema, kept
// in memory and in its file. Every change is built on a fresh document and
// written to the file atomically before it replaces the current one, so a
// refused upload or a failed write leaves both memory and file as they were.
class ConfigStore
{
public:
    explicit ConfigStore(const QString& path);
    ~ConfigStore();

    ConfigStore(const ConfigStore&) = delete;
    ConfigStore& operator=(const ConfigStore&) = delete;

    // Reads the file. False (the store unchanged) when it cannot be read or
    // holds a section the schema rejects; errorString() says why.
    bool load();
    // The whole configuration as UTF-8 text, as the file holds it.
    QByteArray text() const;
    QString path() const { return m_path; }

    // Merge: the upload's sections replace the sections of the same names in
    // place and the others are appended. Replace: the upload becomes the whole
    // configuration. Errors are InvalidConfiguration (an unknown section
    // name) and StorageFailed (the file could not be written).
    bool save(const QByteArray& upload, bool replace);
    kelp::WireError error() const { return m_error; }
    QString errorString() const { return m_errorString; }

private:
    bool fail(kelp::WireError error, const QString& text);

    QString m_path;
    QSharedPointer<kelp::ConfigSystem> m_document;
    kelp::WireError m_error = kelp::WireError::Refused;
    QString m_errorString;
};

} // namespace sim
