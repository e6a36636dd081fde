#pragma once

#include "logging/LoggingData.h"

#include <QMutex>

#include <cstddef>
#include <deque>
#include <functional>

// Records on their way to the logging thread. Callers append and return at once;
// the worker takes everything queued in one go. While no consumer is attached the
// queue keeps at most the idle limit of records (the oldest ones go first), so records
// logged before the logger runs survive until it starts.
class LogQueue {
public:
    static constexpr std::size_t IdleLimit = 1000;
    static constexpr std::size_t RunningLimit = 100000;

    // Numbers the record with the next running sequence number (from 1) and appends it;
    // calls the attached wake-up when the queue was empty.
    void push(LoggingData record);
    // Takes every queued record and the number of records dropped since the last take.
    std::deque<LoggingData> takeAll(quint64& dropped);

    // The wake-up runs under the queue's lock and must only post an event.
    // False when another consumer is attached already.
    bool attach(std::function<void()> wakeUp);
    void detach();
    bool isAttached() const;
    std::size_t size() const;

private:
    mutable QMutex m_mutex;
    std::deque<LoggingData> m_records;
    std::function<void()> m_wakeUp;
    quint64 m_dropped = 0;
    quint64 m_sequence = 0;
};
