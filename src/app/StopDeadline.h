#pragma once

// SIGTERM and SIGINT must end the program within a bound, also when its GUI thread hangs
// and never runs the event loop's handler of the signal. The first of them arms a timer
// outside the event loop (from the signal handler); when it runs out, its signal handler
// pulls the HV-enable line low through HvOffOnCrash and ends the process at once with
// 128 + the signal's number. An orderly stop well within the bound never sees it.
class StopDeadline {
public:
#ifdef __SANITIZE_ADDRESS__
    // The sanitizers' build runs the same stop several times slower; it is never shipped.
    static constexpr int kBoundMs = 12000;
#else
    static constexpr int kBoundMs = 4000;
#endif

    // Goes in front of the handlers installed for the two signals so far, which still run.
    static bool install(int boundMs = kBoundMs);
    // The time left before the deadline ends the process; -1 while no stop signal came.
    static int remainingMs();
};
