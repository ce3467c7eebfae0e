#pragma once

#include <QObject>

#include <memory>

class QSocketNotifier;

namespace common {

// Turns SIGINT and SIGTERM into a Qt signal delivered by the event loop, so
// the program can stop cleanly instead of dying inside a signal handler. The
// handler only writes the signal's number into a socket pair; the event loop
// reads it. One watcher at a time per process; the default handlers come
// back when it is destroyed.
class SignalWatcher : public QObject
{
    Q_OBJECT

public:
    explicit SignalWatcher(QObject* parent = nullptr);
    ~SignalWatcher() override;

    // False when the socket pair or the handlers could not be set up;
    // errorString() says why.
    bool isValid() const { return m_notifier != nullptr; }
    QString errorString() const { return m_errorString; }

signals:
    void terminationRequested(int signalNumber);

private:
    void readSignal();

    std::unique_ptr<QSocketNotifier> m_notifier;
    QString m_errorString;
};

} // namespace common
