#include "app/StopDeadline.h"

#include "app/HvOffOnCrash.h"

#include <atomic>
#include <csignal>
#include <ctime>
#include <iterator>
#include <unistd.h>

namespace {
constexpr int kStopSignals[] = {SIGTERM, SIGINT};
// The timer's own signal: nothing else in the program uses it.
constexpr int kTimerSignal = SIGALRM;

timer_t g_timer;
bool g_installed = false;
long g_boundMs = StopDeadline::kBoundMs;
std::atomic<int> g_stopSignal{0};
struct sigaction g_chained[std::size(kStopSignals)];

extern "C" void onTimerRunOut(int)
{
    HvOffOnCrash::pullLow();
    static const char kNote[] = "vlf: not stopped in time after the signal; HV enable pulled low, exiting\n";
    ssize_t written = ::write(STDERR_FILENO, kNote, sizeof kNote - 1);
    (void)written;
    ::_exit(128 + g_stopSignal.load());
}

extern "C" void onStopSignal(int signalNumber)
{
    int none = 0;
    if (g_stopSignal.compare_exchange_strong(none, signalNumber)) {
        itimerspec bound{};
        bound.it_value.tv_sec = g_boundMs / 1000;
        bound.it_value.tv_nsec = (g_boundMs % 1000) * 1000000L;
        ::timer_settime(g_timer, 0, &bound, nullptr);
    }
    for (size_t i = 0; i < std::size(kStopSignals); ++i) {
        if (kStopSignals[i] != signalNumber)
            continue;
        const struct sigaction& chained = g_chained[i];
        if (chained.sa_handler != SIG_DFL && chained.sa_handler != SIG_IGN) {
            chained.sa_handler(signalNumber);
        } else if (chained.sa_handler == SIG_DFL) {
            // Nobody would stop in order: the default action ends the process now.
            HvOffOnCrash::pullLow();
            ::signal(signalNumber, SIG_DFL);
            ::raise(signalNumber);
        }
    }
}
} // namespace

bool StopDeadline::install(int boundMs)
{
    g_boundMs = boundMs;
    // Once per process: a second handler in front would call itself.
    if (g_installed)
        return true;
    struct sigaction timerAction = {};
    timerAction.sa_handler = onTimerRunOut;
    sigemptyset(&timerAction.sa_mask);
    sigevent event{};
    event.sigev_notify = SIGEV_SIGNAL;
    event.sigev_signo = kTimerSignal;
    if (::sigaction(kTimerSignal, &timerAction, nullptr) != 0 || ::timer_create(CLOCK_MONOTONIC, &event, &g_timer) != 0)
        return false;
    struct sigaction action = {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    bool ok = true;
    for (size_t i = 0; i < std::size(kStopSignals); ++i)
        ok = ::sigaction(kStopSignals[i], &action, &g_chained[i]) == 0 && ok;
    g_installed = true;
    return ok;
}

int StopDeadline::remainingMs()
{
    if (!g_installed || g_stopSignal.load() == 0)
        return -1;
    itimerspec left{};
    if (::timer_gettime(g_timer, &left) != 0)
        return -1;
    // Not armed yet: the signal's handler is between its two steps.
    if (left.it_value.tv_sec == 0 && left.it_value.tv_nsec == 0)
        return int(g_boundMs);
    return int(left.it_value.tv_sec * 1000 + left.it_value.tv_nsec / 1000000);
}
