#pragma once

#include "sdk/connectionerror.h"
#include "sdk/requestid.h"

#include <QObject>
#include <QSharedPointer>

namespace kelp {

class ConfigSystem;

// A connected server's configuration: its lock, its working document and the
// save. Every request is answered from the event loop by its own signal or by
// configError, also when the connection drops or the server stops answering.
class OrrinConfig : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    virtual RequestId lock(bool force) = 0;
    // Uploads the working document: replace=false merges it section by section
    // into the server's configuration, replace=true makes it the whole configuration.
    virtual RequestId saveToServer(bool force, bool replace) = 0;
    virtual RequestId unlock(bool force) = 0;
    virtual bool isLocked() const = 0;
    // The one shared working document: edits through any pointer to it are what
    // the next saveToServer() uploads.
    virtual QSharedPointer<ConfigSystem> workingConfigCopy() const = 0;

signals:
    void locked(unsigned int req_id);
    void unlocked(unsigned int req_id);
    void savedToServer(unsigned int req_id);
    void configError(unsigned int req_id, const kelp::ConnectionError& error);
};

} // namespace kelp
