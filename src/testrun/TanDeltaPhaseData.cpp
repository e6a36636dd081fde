#include "testrun/TanDeltaPhaseData.h"

#include <QtMath>

#include <algorithm>
#include <limits>

namespace TestChart {

namespace {

constexpr int kRunningMeans = 4;

// Arithmetic mean as running means, so no sum can overflow: the entries go four at
// a time into four means (the remainder into the last), which are then combined by
// their counts.
template <class Value>
double runningMean(const TanDeltaPhaseData::Step& step, Value value)
{
    const int count = step.count();
    if (count <= 0)
        return 0.0;
    double means[kRunningMeans] = {0.0, 0.0, 0.0, 0.0};
    int counts[kRunningMeans] = {0, 0, 0, 0};
    const int grouped = count - count % kRunningMeans;
    int i = 0;
    for (auto it = step.first; it != step.last; ++it, ++i) {
        const int slot = i < grouped ? i % kRunningMeans : kRunningMeans - 1;
        ++counts[slot];
        means[slot] += (double(value(*it)) - means[slot]) / counts[slot];
    }
    // Weighted before dividing, so whole-number means stay exact.
    double weighted = 0.0;
    for (int s = 0; s < kRunningMeans; ++s)
        weighted += means[s] * counts[s];
    return weighted / count;
}

quint32 toTanDelta(double mean)
{
    // Truncated toward zero; a negative mean (only from damaged entries) reads as 0.
    if (!(mean > 0.0))
        return 0;
    if (mean >= double(std::numeric_limits<quint32>::max()))
        return std::numeric_limits<quint32>::max();
    return quint32(mean);
}

} // namespace

QVector<int> getPhaseList(const VLF::TestData& data)
{
    const int bits = VLF::info(data, 0, 17).toInt();
    QVector<int> phases;
    for (int phase = 0; phase < 3; ++phase) {
        if (bits & (1 << phase))
            phases << phase;
    }
    return phases;
}

QPair<int, QVector<quint16>> getStepsAndVoltageFactorList(const VLF::TestData& data)
{
    const int steps = VLF::info(data, 0, 23).toInt();
    QVector<quint16> factors;
    for (int i = 0; i < steps; ++i) {
        const QString value = VLF::info(data, 1000, i);
        if (!value.isEmpty())
            factors << quint16(value.toLongLong());
    }
    return qMakePair(steps, factors);
}

QVector<TanDeltaRun> getRunList(const VLF::TestData& data)
{
    QVector<qint32> runNumbers;
    for (const auto& entry : data.periodic) {
        if (!runNumbers.contains(entry.run))
            runNumbers << entry.run;
    }
    const QVector<int> phases = getPhaseList(data);
    QVector<TanDeltaRun> runs;
    for (int k = 0; k < runNumbers.size(); ++k) {
        const qint32 run = runNumbers.at(k);
        bool ok = false;
        const int own = VLF::info(data, run, 17).toInt(&ok);
        TanDeltaRun r;
        r.run = run;
        if (ok && own >= 0 && own <= 2)
            r.phase = own;
        else if (k < phases.size())
            r.phase = phases.at(k);
        else
            continue; // no phase to show it under
        runs << r;
    }
    return runs;
}

QVector<TanDeltaPhaseData> sortTanD(const PeriodicEntries& periodic, int perStep, const QVector<quint16>& factors,
                                    const QVector<TanDeltaRun>& runs)
{
    QVector<TanDeltaPhaseData> result;
    if (runs.isEmpty() || periodic.isEmpty())
        return result;
    for (const TanDeltaRun& run : runs) {
        // The run's samples: the stretch that starts with its first entry.
        auto cursor = std::find_if(periodic.cbegin(), periodic.cend(),
                                   [&run](const VLF::TestData::Periodic& e) { return e.run == run.run; });
        if (cursor == periodic.cend())
            continue;
        const auto end = std::find_if(cursor, periodic.cend(),
                                      [&run](const VLF::TestData::Periodic& e) { return e.run != run.run; });
        TanDeltaPhaseData phase;
        phase.phase = run.phase;
        if (perStep > 0) {
            for (quint16 factor : factors) {
                if (cursor == end)
                    break;
                TanDeltaPhaseData::Step step;
                step.voltageFactor = factor;
                step.first = cursor;
                step.last = (end - cursor) > perStep ? cursor + perStep : end;
                cursor = step.last;
                phase.steps << step;
            }
        }
        result << phase;
    }
    return result;
}

TanDeltaMeasurementValues calcTanDelta(const TanDeltaPhaseData::Step& step)
{
    TanDeltaMeasurementValues values;
    const int count = step.count();
    if (count <= 0)
        return values;

    values.avgTanDelta =
        toTanDelta(runningMean(step, [](const VLF::TestData::Periodic& e) { return qint32(e.tanDelta); }));

    if (count > 1) {
        // Welford; the population variance (divided by the count).
        double mean = step.first->tanDelta;
        double m2 = 0.0;
        int k = 1;
        for (auto it = step.first + 1; it != step.last; ++it) {
            ++k;
            const double d = (double(it->tanDelta) - mean) / k;
            m2 += double(k - 1) * k * d * d;
            mean += d;
        }
        values.stdDevTanDelta = qint64(std::sqrt(m2 / count));
    } else {
        values.stdDevTanDelta = 0;
    }

    values.voltage = qint64(runningMean(step, [](const VLF::TestData::Periodic& e) { return e.voltage; }));
    return values;
}

QVector<QPair<int, QVector<TanDeltaMeasurementValues>>> tanDeltaSummary(const VLF::TestData& data)
{
    const auto stepsAndFactors = getStepsAndVoltageFactorList(data);
    const QVector<TanDeltaRun> runs = getRunList(data);
    const int perStep = VLF::info(data, 0, 24).toInt();
    QVector<QPair<int, QVector<TanDeltaMeasurementValues>>> summary;
    for (const TanDeltaPhaseData& phase : sortTanD(data.periodic, perStep, stepsAndFactors.second, runs)) {
        QVector<TanDeltaMeasurementValues> values;
        for (const TanDeltaPhaseData::Step& step : phase.steps)
            values << calcTanDelta(step);
        summary << qMakePair(phase.phase, values);
    }
    return summary;
}

} // namespace TestChart
