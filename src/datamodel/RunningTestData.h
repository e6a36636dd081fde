#pragma once

#include "datamodel/InstrumentTypes.h"

#include <QDateTime>
#include <QVector>

#include <pthread.h>

#include <boost/circular_buffer.hpp>

#include <array>
#include <iterator>
#include <memory>
#include <mutex>

// Read-write lock of the sample buffers. One thread may hold several read locks at
// once (an iterator pair), which POSIX allows; readers are preferred, so a waiting
// writer never blocks a second read lock of a thread that already reads.
class BufferLock {
public:
    BufferLock();
    ~BufferLock();
    BufferLock(const BufferLock&) = delete;
    BufferLock& operator=(const BufferLock&) = delete;

    void lockRead();
    void lockWrite();
    void unlock();

private:
    pthread_rwlock_t m_lock;
};

class BufferReadLocker {
public:
    explicit BufferReadLocker(BufferLock* lock) : m_lock(lock) { m_lock->lockRead(); }
    ~BufferReadLocker() { m_lock->unlock(); }
    BufferReadLocker(const BufferReadLocker&) = delete;
    BufferReadLocker& operator=(const BufferReadLocker&) = delete;

private:
    BufferLock* m_lock;
};

class BufferWriteLocker {
public:
    explicit BufferWriteLocker(BufferLock* lock) : m_lock(lock) { m_lock->lockWrite(); }
    ~BufferWriteLocker() { m_lock->unlock(); }
    BufferWriteLocker(const BufferWriteLocker&) = delete;
    BufferWriteLocker& operator=(const BufferWriteLocker&) = delete;

private:
    BufferLock* m_lock;
};

// Iterator over a ring buffer of the running test that holds the buffer's read lock
// while it (or a copy of it) lives. Appending waits until every such iterator is gone.
template <typename T>
class LockedIterator {
public:
    using Base = typename boost::circular_buffer<T>::const_iterator;
    using iterator_category = std::bidirectional_iterator_tag;
    using value_type = T;
    using difference_type = std::ptrdiff_t;
    using pointer = const T*;
    using reference = const T&;

    LockedIterator() = default;
    LockedIterator(Base it, std::shared_ptr<BufferReadLocker> lock) : m_it(it), m_lock(std::move(lock)) {}

    reference operator*() const { return *m_it; }
    pointer operator->() const { return &*m_it; }
    LockedIterator& operator++() { ++m_it; return *this; }
    LockedIterator operator++(int) { LockedIterator t = *this; ++m_it; return t; }
    LockedIterator& operator--() { --m_it; return *this; }
    LockedIterator operator--(int) { LockedIterator t = *this; --m_it; return t; }
    bool operator==(const LockedIterator& o) const { return m_it == o.m_it; }
    bool operator!=(const LockedIterator& o) const { return m_it != o.m_it; }

private:
    Base m_it;
    std::shared_ptr<BufferReadLocker> m_lock;
};

// Data of the running (or last) test: the sample buffers, the result, the fault
// values, the time stamps, the load and the tan delta statistics per voltage step.
// Safe to use from any thread.
class RunningTestData {
public:
    static constexpr size_t MeasurementCapacity = 100000; // 100 ms samples: over 2.5 hours
    static constexpr size_t PeriodicCapacity = 20000;

    using MeasurementIterator = LockedIterator<stMeasurementValues>;
    using PeriodicIterator = LockedIterator<stPeriodicMeasurementValues>;

    RunningTestData();

    void reset();

    // Samples. The local time of a sample is set here.
    void appendMeasurement(stMeasurementValues& value);
    stMeasurementValues lastMeasurement() const;
    bool hasMeasurementValues() const;
    MeasurementIterator beginMeasurementValues() const;
    MeasurementIterator endMeasurementValues() const;
    // Peak voltage (absolute, mV) and current (absolute, nA) of the test.
    QPair<long, qint64> peakValues() const;

    void appendPeriodic(const stPeriodicMeasurementValues& value);
    PeriodicIterator beginPeriodicMeasurementValues() const;
    PeriodicIterator endPeriodicMeasurementValues() const;
    int periodicCount() const;
    // Starts the tan delta statistics of the next voltage step.
    void voltageStepUp(long stepVoltage);
    QVector<TanDeltaMeasurementValues> tanDeltaSummary() const;

    // Result history: the first result of a test is its cause.
    void setTestResult(eTestResult result, const SafetyCircuitBits& safety, quint64 hvState);
    eTestResult getTestResult() const;
    QVector<eTestResult> resultHistory() const;
    SafetyCircuitBits safetyCircuitStateOfTestResult() const;
    quint64 hvUnitStateOfTestResult() const;
    // The HV source's status read while the test ran; all ones when none was read.
    quint64 hvSourceStatus() const;
    void setHvSourceStatus(quint64 status);

    stFaultValues faultValues() const;
    bool setFaultValues(const stFaultValues& values); // true when they changed

    QDateTime testTime(eTestTimes which) const;
    void setTestTime(eTestTimes which, const QDateTime& time);
    stTestTime testTimeUsed() const;
    void setTestTimeUsed(const stTestTime& time);

    unsigned long capacitanceLoad() const;
    void setCapacitanceLoad(unsigned long value);
    unsigned long long resistorLoad() const;
    void setResistorLoad(unsigned long long value);
    unsigned long frequencyUsed() const;
    bool setFrequencyUsed(unsigned long mHz); // true when it changed
    double periodDuration() const;
    void setPeriodDuration(double seconds);
    bool nominalVoltageReached() const;
    void setNominalVoltageReached(bool reached);
    // The highest target of a manual ramp the unit was sent (peak mV, 0 for none).
    long highestTargetSent() const;
    void noteTargetSent(long millivolts);

    // What a finished test ended with. Kept until the next test finishes, so that the
    // reset of the return to Idle does not take it from a results page that reads late.
    struct Outcome {
        eTestResult result = eTestResult_Unknown;
        SafetyCircuitBits safety;
        quint64 hvState = 0;
        quint64 hvSourceStatus = ~quint64(0);
        // The record it left, empty for none.
        QString record;
    };
    void keepOutcome();
    Outcome outcome() const;

    stExportTestInfo exportTestInfo() const;
    void setExportTestInfo(const stExportTestInfo& info);
    stExportTestInfo historyTestInfo() const;
    void setHistoryTestInfo(const stExportTestInfo& info);

private:
    struct StepStats {
        long voltage = 0;
        qint64 voltageSum = 0;
        double sum = 0;
        double sumSquares = 0;
        int count = 0;
    };

    mutable BufferLock m_bufferLock;
    boost::circular_buffer<stMeasurementValues> m_values;
    boost::circular_buffer<stPeriodicMeasurementValues> m_periodic;
    QVector<StepStats> m_steps;
    long m_peakVoltage = 0;
    qint64 m_peakCurrent = 0;

    mutable std::mutex m_mutex;
    QVector<eTestResult> m_results;
    SafetyCircuitBits m_resultSafety;
    quint64 m_resultHvState = 0;
    quint64 m_hvSourceStatus = ~quint64(0);
    stFaultValues m_fault;
    std::array<QDateTime, TestTimesCount> m_times;
    stTestTime m_testTimeUsed;
    unsigned long m_capacitance = 0;
    unsigned long long m_resistor = 0;
    unsigned long m_frequencyUsed = 0;
    double m_periodDuration = 1.0;
    bool m_nominalReached = false;
    long m_highestTarget = 0;
    stExportTestInfo m_exportInfo;
    stExportTestInfo m_historyInfo;
    Outcome m_outcome;
};
