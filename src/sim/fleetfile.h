#pragma once

#include "sim/serverprofile.h"

#include <QString>
#include <QVector>

namespace sim {

// Reads a fleet file: the JSON description of the simulated servers that
// orrin-sim runs (docs/simulator.md gives the format). Everything is checked
// before anything is started: unknown or missing fields, wrong types, values
// out of range, addresses that are not loopback addresses, two servers with
// the same name or address. Relative configuration paths are taken from the
// fleet file's directory.
class FleetFile
{
public:
    // False when the file cannot be read or is not a valid fleet; errorString() says why.
    bool load(const QString& path);
    // The same for JSON text; relative paths are resolved against baseDirectory.
    bool parse(const QByteArray& json, const QString& baseDirectory);

    const QVector<ServerProfile>& servers() const { return m_servers; }
    QString errorString() const { return m_errorString; }

private:
    QVector<ServerProfile> m_servers;
    QString m_errorString;
};

} // namespace sim
