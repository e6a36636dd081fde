#include "app/HvOffOnCrash.h"

#include <QFile>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {
constexpr int kSignals[] = { SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT };

volatile sig_atomic_t g_fd = -1;
struct sigaction g_previous[sizeof(kSignals) / sizeof(kSignals[0])];

extern "C" void pullHvEnableLow(int signalNumber)
{
    const int fd = g_fd;
    if (fd >= 0) {
        const char off = '0';
        ssize_t written = ::write(fd, &off, 1);
        (void)written;
    }
    // SA_RESETHAND has put back the default action; SA_NODEFER lets it act at once.
    ::raise(signalNumber);
}
} // namespace

bool HvOffOnCrash::install(const QString& valueFile)
{
    uninstall();
    // Appending: a sysfs attribute ignores the position, a plain file (a test's tree)
    // keeps every value in order.
    const int fd = ::open(QFile::encodeName(valueFile).constData(), O_WRONLY | O_APPEND | O_CLOEXEC);
    if (fd < 0)
        return false;
    g_fd = fd;
    struct sigaction action = {};
    action.sa_handler = pullHvEnableLow;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND | SA_NODEFER;
    for (size_t i = 0; i < sizeof(kSignals) / sizeof(kSignals[0]); ++i)
        ::sigaction(kSignals[i], &action, &g_previous[i]);
    return true;
}

void HvOffOnCrash::uninstall()
{
    if (g_fd < 0)
        return;
    for (size_t i = 0; i < sizeof(kSignals) / sizeof(kSignals[0]); ++i)
        ::sigaction(kSignals[i], &g_previous[i], nullptr);
    const int fd = g_fd;
    g_fd = -1;
    ::close(fd);
}

bool HvOffOnCrash::isInstalled() { return g_fd >= 0; }
