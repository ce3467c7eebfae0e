#pragma once

#include "engine/abstractoperation.h"
#include "engine/operationoptions.h"

#include <QString>

#include <functional>

// Saves every listed server's configuration text as one ".conf" file in the
// output directory, named after the server's name, host or both, and never
// overwriting an existing file. Failures cost only the server they happen on.
class BackupOperation final : public AbstractOperation
{
    Q_OBJECT

public:
    using FileExists = std::function<bool(const QString& path)>;

    BackupOperation();
    ~BackupOperation() override;

    OperationOptions& options();

    void start() override;

    // The file to write for `path` (which ends with ".conf"): `path` itself
    // when no file is there, else the first free "<path without .conf> (n).conf"
    // for n from firstNumber up to 2147483647; empty when all of them exist.
    static QString uniqueFilePath(const QString& path, const FileExists& exists, qint32 firstNumber = 1);

protected:
    void serverListLoaded() override;
    void processCurrentServer() override;

private:
    QString fileBaseName() const;
    void backupCurrentServer();

    OperationOptions m_options;
};
