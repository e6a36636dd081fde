#include "app/UnixSignalWatcher.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {
int g_pipe[2] = {-1, -1};

extern "C" void onUnixSignal(int signalNumber)
{
    const int savedErrno = errno;
    const unsigned char b = static_cast<unsigned char>(signalNumber);
    if (g_pipe[1] >= 0) {
        ssize_t r = ::write(g_pipe[1], &b, 1);
        (void)r;
    }
    errno = savedErrno;
}
} // namespace

UnixSignalWatcher::UnixSignalWatcher(QObject* parent) : QObject(parent)
{
    if (g_pipe[0] < 0) {
        if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
            g_pipe[0] = g_pipe[1] = -1;
            return;
        }
    }
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &UnixSignalWatcher::readPipe);
}

UnixSignalWatcher::~UnixSignalWatcher() = default;

bool UnixSignalWatcher::watch(int signalNumber)
{
    if (!m_notifier)
        return false;
    struct sigaction sa {};
    sa.sa_handler = onUnixSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    return ::sigaction(signalNumber, &sa, nullptr) == 0;
}

void UnixSignalWatcher::readPipe()
{
    unsigned char b = 0;
    while (::read(g_pipe[0], &b, 1) == 1)
        emit unixSignal(static_cast<int>(b));
}
