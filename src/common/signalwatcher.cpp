#include "common/signalwatcher.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/socket.h>
#include <unistd.h>

namespace common {

namespace {

// Written by the signal handler, read by the event loop; -1 while no watcher exists.
int s_fds[2] = {-1, -1};

extern "C" void handleTerminationSignal(int signalNumber)
{
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    // Nothing can be done about a failed write inside a signal handler.
    [[maybe_unused]] const ssize_t written = ::write(s_fds[0], &byte, 1);
    errno = savedErrno;
}

const int s_signals[] = {SIGINT, SIGTERM};

} // namespace

SignalWatcher::SignalWatcher(QObject* parent) : QObject(parent)
{
    if (s_fds[0] != -1) {
        m_errorString = QStringLiteral("another signal watcher is active");
        return;
    }
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, s_fds) != 0) {
        m_errorString = QString::fromLocal8Bit(std::strerror(errno));
        s_fds[0] = s_fds[1] = -1;
        return;
    }
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = handleTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signalNumber : s_signals) {
        ::sigaction(signalNumber, &action, nullptr);
    }
    m_notifier = std::make_unique<QSocketNotifier>(s_fds[1], QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &SignalWatcher::readSignal);
}

SignalWatcher::~SignalWatcher()
{
    if (!m_notifier) {
        return;
    }
    for (const int signalNumber : s_signals) {
        std::signal(signalNumber, SIG_DFL);
    }
    m_notifier.reset();
    ::close(s_fds[0]);
    ::close(s_fds[1]);
    s_fds[0] = s_fds[1] = -1;
}

void SignalWatcher::readSignal()
{
    unsigned char byte = 0;
    if (::read(s_fds[1], &byte, 1) == 1) {
        emit terminationRequested(byte);
    }
}

} // namespace common
