#include "app/HvOffOnCrash.h"

#include <QFile>

#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

namespace {
constexpr int kSignals[] = { SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT };

// Lock-free, so usable in signal handlers. The writers in flight are counted: the file is
// closed only once none can still write to its number, which a new file may have taken.
std::atomic<int> g_fd{-1};
std::atomic<int> g_writers{0};
struct sigaction g_previous[sizeof(kSignals) / sizeof(kSignals[0])];

extern "C" void pullHvEnableLow(int signalNumber)
{
    HvOffOnCrash::pullLow();
    // SA_RESETHAND has put back the default action; SA_NODEFER lets it act at once.
    ::raise(signalNumber);
}
} // namespace

void HvOffOnCrash::pullLow()
{
    ++g_writers;
    const int fd = g_fd.load();
    if (fd >= 0) {
        const char off = '0';
        ssize_t written = ::write(fd, &off, 1);
        (void)written;
    }
    --g_writers;
}

bool HvOffOnCrash::install(const QString& valueFile)
{
    uninstall();
    // Appending: a sysfs attribute ignores the position, a plain file (a test's tree)
    // keeps every value in order.
    const int fd = ::open(QFile::encodeName(valueFile).constData(), O_WRONLY | O_APPEND | O_CLOEXEC);
    if (fd < 0)
        return false;
    g_fd.store(fd);
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
    if (g_fd.load() < 0)
        return;
    for (size_t i = 0; i < sizeof(kSignals) / sizeof(kSignals[0]); ++i)
        ::sigaction(kSignals[i], &g_previous[i], nullptr);
    const int fd = g_fd.exchange(-1);
    while (g_writers.load() > 0)
        sched_yield();
    ::close(fd);
}

bool HvOffOnCrash::isInstalled() { return g_fd.load() >= 0; }
