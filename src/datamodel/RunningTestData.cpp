#include "datamodel/RunningTestData.h"


#include <cmath>
#include <cstdlib>

BufferLock::BufferLock()
{
    pthread_rwlockattr_t attr;
    pthread_rwlockattr_init(&attr);
    pthread_rwlockattr_setkind_np(&attr, PTHREAD_RWLOCK_PREFER_READER_NP);
    pthread_rwlock_init(&m_lock, &attr);
    pthread_rwlockattr_destroy(&attr);
}

BufferLock::~BufferLock() { pthread_rwlock_destroy(&m_lock); }
void BufferLock::lockRead() { pthread_rwlock_rdlock(&m_lock); }
void BufferLock::lockWrite() { pthread_rwlock_wrlock(&m_lock); }
void BufferLock::unlock() { pthread_rwlock_unlock(&m_lock); }

RunningTestData::RunningTestData() : m_values(MeasurementCapacity), m_periodic(PeriodicCapacity)
{
    m_resultSafety.set();
}

void RunningTestData::reset()
{
    {
        BufferWriteLocker lock(&m_bufferLock);
        m_values.clear();
        m_periodic.clear();
        m_steps.clear();
        m_peakVoltage = 0;
        m_peakCurrent = 0;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    m_results.clear();
    m_resultSafety.set();
    m_resultHvState = 0;
    m_hvSourceStatus = ~quint64(0);
    m_fault.reset();
    for (QDateTime& t : m_times)
        t = QDateTime();
    m_testTimeUsed = stTestTime();
    m_capacitance = 0;
    m_resistor = 0;
    m_nominalReached = false;
    m_highestTarget = 0;
    // A test without a record of its own must not reach the last test's.
    m_historyInfo = stExportTestInfo();
}

void RunningTestData::appendMeasurement(stMeasurementValues& value)
{
    value.localTime = QDateTime::currentDateTime();
    BufferWriteLocker lock(&m_bufferLock);
    m_values.push_back(value);
    m_peakVoltage = qMax(m_peakVoltage, long(std::labs(long(value.voltage))));
    m_peakCurrent = qMax(m_peakCurrent, value.current < 0 ? -value.current : value.current);
}

stMeasurementValues RunningTestData::lastMeasurement() const
{
    BufferReadLocker lock(&m_bufferLock);
    return m_values.empty() ? stMeasurementValues() : m_values.back();
}

bool RunningTestData::hasMeasurementValues() const
{
    BufferReadLocker lock(&m_bufferLock);
    return !m_values.empty();
}

RunningTestData::MeasurementIterator RunningTestData::beginMeasurementValues() const
{
    auto lock = std::make_shared<BufferReadLocker>(&m_bufferLock);
    return MeasurementIterator(m_values.begin(), lock);
}

RunningTestData::MeasurementIterator RunningTestData::endMeasurementValues() const
{
    auto lock = std::make_shared<BufferReadLocker>(&m_bufferLock);
    return MeasurementIterator(m_values.end(), lock);
}

QPair<long, qint64> RunningTestData::peakValues() const
{
    BufferReadLocker lock(&m_bufferLock);
    return qMakePair(m_peakVoltage, m_peakCurrent);
}

void RunningTestData::appendPeriodic(const stPeriodicMeasurementValues& value)
{
    BufferWriteLocker lock(&m_bufferLock);
    m_periodic.push_back(value);
    if (value.tanDelta == TanDeltaNone)
        return;
    if (m_steps.isEmpty())
        m_steps.append(StepStats());
    StepStats& s = m_steps.last();
    const double td = double(value.tanDelta);
    s.voltageSum += value.voltage;
    s.sum += td;
    s.sumSquares += td * td;
    ++s.count;
}

RunningTestData::PeriodicIterator RunningTestData::beginPeriodicMeasurementValues() const
{
    auto lock = std::make_shared<BufferReadLocker>(&m_bufferLock);
    return PeriodicIterator(m_periodic.begin(), lock);
}

RunningTestData::PeriodicIterator RunningTestData::endPeriodicMeasurementValues() const
{
    auto lock = std::make_shared<BufferReadLocker>(&m_bufferLock);
    return PeriodicIterator(m_periodic.end(), lock);
}

int RunningTestData::periodicCount() const
{
    BufferReadLocker lock(&m_bufferLock);
    return int(m_periodic.size());
}

void RunningTestData::voltageStepUp(long stepVoltage)
{
    BufferWriteLocker lock(&m_bufferLock);
    StepStats s;
    s.voltage = stepVoltage;
    m_steps.append(s);
}

QVector<TanDeltaMeasurementValues> RunningTestData::tanDeltaSummary() const
{
    BufferReadLocker lock(&m_bufferLock);
    QVector<TanDeltaMeasurementValues> out;
    for (const StepStats& s : m_steps) {
        TanDeltaMeasurementValues v;
        v.voltage = s.count > 0 ? s.voltageSum / s.count : s.voltage;
        if (s.count > 0) {
            const double mean = s.sum / s.count;
            const double var = qMax(0.0, s.sumSquares / s.count - mean * mean);
            v.avgTanDelta = quint32(std::llround(mean));
            v.stdDevTanDelta = qint64(std::llround(std::sqrt(var)));
        }
        out.append(v);
    }
    return out;
}

void RunningTestData::setTestResult(eTestResult result, const SafetyCircuitBits& safety, quint64 hvState)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_results.isEmpty()) {
        m_resultSafety = safety;
        m_resultHvState = hvState;
    }
    m_results.append(result);
}

eTestResult RunningTestData::getTestResult() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_results.isEmpty() ? eTestResult_Unknown : m_results.first();
}

QVector<eTestResult> RunningTestData::resultHistory() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_results;
}

SafetyCircuitBits RunningTestData::safetyCircuitStateOfTestResult() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_resultSafety;
}

quint64 RunningTestData::hvUnitStateOfTestResult() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_resultHvState;
}

quint64 RunningTestData::hvSourceStatus() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_hvSourceStatus;
}

void RunningTestData::setHvSourceStatus(quint64 status)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_hvSourceStatus = status;
}

long RunningTestData::highestTargetSent() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_highestTarget;
}

void RunningTestData::noteTargetSent(long millivolts)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (std::labs(millivolts) > std::labs(m_highestTarget))
        m_highestTarget = millivolts;
}

void RunningTestData::keepOutcome()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_outcome.result = m_results.isEmpty() ? eTestResult_Unknown : m_results.first();
    m_outcome.safety = m_resultSafety;
    m_outcome.hvState = m_resultHvState;
    m_outcome.hvSourceStatus = m_hvSourceStatus;
    m_outcome.record = m_historyInfo.filePath();
}

RunningTestData::Outcome RunningTestData::outcome() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_outcome;
}

stFaultValues RunningTestData::faultValues() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_fault;
}

bool RunningTestData::setFaultValues(const stFaultValues& values)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const bool changed = values != m_fault;
    m_fault = values;
    return changed;
}

QDateTime RunningTestData::testTime(eTestTimes which) const
{
    if (which < 0 || which >= TestTimesCount)
        return QDateTime();
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_times[size_t(which)];
}

void RunningTestData::setTestTime(eTestTimes which, const QDateTime& time)
{
    if (which < 0 || which >= TestTimesCount)
        return;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_times[size_t(which)] = time;
}

stTestTime RunningTestData::testTimeUsed() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_testTimeUsed;
}

void RunningTestData::setTestTimeUsed(const stTestTime& time)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_testTimeUsed = time;
}

unsigned long RunningTestData::capacitanceLoad() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_capacitance;
}

void RunningTestData::setCapacitanceLoad(unsigned long value)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_capacitance = value;
}

unsigned long long RunningTestData::resistorLoad() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_resistor;
}

void RunningTestData::setResistorLoad(unsigned long long value)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_resistor = value;
}

unsigned long RunningTestData::frequencyUsed() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_frequencyUsed;
}

bool RunningTestData::setFrequencyUsed(unsigned long mHz)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const bool changed = m_frequencyUsed != mHz;
    m_frequencyUsed = mHz;
    return changed;
}

double RunningTestData::periodDuration() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_periodDuration;
}

void RunningTestData::setPeriodDuration(double seconds)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_periodDuration = seconds;
}

bool RunningTestData::nominalVoltageReached() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_nominalReached;
}

void RunningTestData::setNominalVoltageReached(bool reached)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_nominalReached = reached;
}

stExportTestInfo RunningTestData::exportTestInfo() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_exportInfo;
}

void RunningTestData::setExportTestInfo(const stExportTestInfo& info)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_exportInfo = info;
}

stExportTestInfo RunningTestData::historyTestInfo() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_historyInfo;
}

void RunningTestData::setHistoryTestInfo(const stExportTestInfo& info)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_historyInfo = info;
}
