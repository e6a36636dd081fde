#pragma once

#include "datamodel/InstrumentTypes.h"
#include "testrun/TestData.h"

#include <QPair>
#include <QVector>

// Summary per voltage step of a stored tan delta record: its periodic samples cut
// into phases and steps, with mean voltage, mean tan delta and standard deviation.
namespace TestChart {

using PeriodicEntries = QVector<VLF::TestData::Periodic>;

struct TanDeltaPhaseData {
    // One voltage step of one phase: entries [first, last) of the record's periodic
    // samples. Refers to the record, owns nothing.
    struct Step {
        quint16 voltageFactor = 0; // percent of the test voltage
        PeriodicEntries::const_iterator first;
        PeriodicEntries::const_iterator last;
        int count() const { return int(last - first); }
    };

    int phase = 0; // 0..2 for L1..L3
    QVector<Step> steps;
};

// One run of the record and the phase it measured.
struct TanDeltaRun {
    qint32 run = 0;
    int phase = 0;
};

// Phase indices whose bits are set in the record's phase selection, L1 first.
QVector<int> getPhaseList(const VLF::TestData& data);
// The step count and the voltage factors of the record; empty factors are left out.
QPair<int, QVector<quint16>> getStepsAndVoltageFactorList(const VLF::TestData& data);
// The runs of the record in run order, each with the phase it measured. A run
// without a phase of its own takes the phase of its place in the phase list.
QVector<TanDeltaRun> getRunList(const VLF::TestData& data);
// Cuts the periodic samples of every run into steps of perStep samples, one per
// voltage factor. A run's samples never spill into the next phase; a run cut short
// ends with a shorter step, and steps without samples are left out.
QVector<TanDeltaPhaseData> sortTanD(const PeriodicEntries& periodic, int perStep, const QVector<quint16>& factors,
                                    const QVector<TanDeltaRun>& runs);
// Mean voltage, mean tan delta and standard deviation of one step. An empty step
// has no value (tan delta "none", deviation 0).
TanDeltaMeasurementValues calcTanDelta(const TanDeltaPhaseData::Step& step);

// The whole summary of a record: per phase, the values of its steps in step order.
QVector<QPair<int, QVector<TanDeltaMeasurementValues>>> tanDeltaSummary(const VLF::TestData& data);

} // namespace TestChart
