#pragma once

#include <QtGlobal>

#include <functional>

class QObject;

// A guarded thread answers the watchdog's heartbeat from its event loop. An operation
// that waits without running that loop, within a bound it keeps (an HV-link
// transaction), marks itself with a Bound; its waits call alive(), which answers for the
// thread while no bound around it has run out. An operation that overruns its bound
// therefore still counts as a hang. No event is run by any of this.
class Heartbeat {
public:
    // For the watchdog: what answers the heartbeat of the thread context lives on; an
    // empty answer removes it. Safe from any thread.
    static void setAnswer(const QObject* context, std::function<void()> answer);
    // On the waiting thread: answers its heartbeat while inside bounds that have not run out.
    static void alive();
    // Milliseconds on a steady clock, for deadlines compared across threads.
    static qint64 now();
    // On the waiting thread: sleeps ms of the steady clock nowMs (now() or a test's faster
    // one) in short slices, answering the heartbeat; never shorter than ms.
    static void sleep(int ms, const std::function<qint64()>& nowMs);

    // The calling thread waits within ms from now on, until the bound goes. Nested
    // bounds count with the earliest deadline.
    class Bound {
    public:
        explicit Bound(int ms);
        ~Bound();
        Bound(const Bound&) = delete;
        Bound& operator=(const Bound&) = delete;
    };
};
