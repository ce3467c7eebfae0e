#pragma once

#include <QObject>
#include <QString>

// What a tab holds of a batch operation: it starts and cancels the run and
// listens to its messages and to the end of the run.
class OperationInterface : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

signals:
    void showMessage(QString msg);
    void showError(QString msg);
    // The current server is done, whatever the outcome.
    void finishedCurrentServer();
    // The run is over.
    void finished();

public:
    virtual void start() = 0;
    virtual void cancel() = 0;
};
