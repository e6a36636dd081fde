#pragma once

#include <QMetaObject>
#include <QThread>

namespace Commissioning {

// Processes the event at once when called on the machine's own thread, else queues a
// copy to that thread. A queued event dies with the machine.
template <typename M, typename E>
void postToMachine(M* machine, E const& event)
{
    if (QThread::currentThread() == machine->thread()) {
        machine->testEvent(event);
        return;
    }
    QMetaObject::invokeMethod(
        machine, [machine, event] { machine->testEvent(event); }, Qt::QueuedConnection);
}

// Always queues a copy, so the event is processed after the caller has returned.
template <typename M, typename E>
void queueToMachine(M* machine, E const& event)
{
    QMetaObject::invokeMethod(
        machine, [machine, event] { machine->testEvent(event); }, Qt::QueuedConnection);
}

} // namespace Commissioning
