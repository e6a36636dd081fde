#pragma once

#include "datamodel/InstrumentTypes.h"
#include "datamodel/OperatingModes.h"
#include "datamodel/TanDeltaTypes.h"
#include "testrun/TestData.h"

#include <QDateTime>
#include <QString>
#include <QVector>

// The contents of record files for tests and benchmarks, entry by entry in the order
// they are given, the way the record store lays them out. Keys without a helper of
// their own go in through info().
class RecordBuilder {
public:
    // The keys of one run.
    struct Run {
        int number = 1;
        QString start;     // StartTimeFormat
        qint64 phase = 0;  // phase index in the tan delta modes, phase bits otherwise
        qint64 result = eTestResult_FinishedSuccess;
        qint64 safetyCircuit = 0x3FF;
        QString hvUnitState = QStringLiteral("0"); // 64 bits, decimal
        QString comment;
        qint64 frequency = 100; // mHz used
    };

    RecordBuilder& info(qint32 group, qint32 key, const QString& value);
    RecordBuilder& info(qint32 group, qint32 key, qint64 value);

    // Mode, voltage (mV), test time (ms) and phase bits.
    RecordBuilder& test(OperatingModes::OperatingMode mode, qint64 millivolts, qint64 milliseconds, int phases);
    // Both the narrow and the full cable-number key.
    RecordBuilder& cableNumber(const QString& number);
    // Standard, insulation, step count, values per step and the factors (percent of U0).
    RecordBuilder& tanDelta(TanDelta::evaluation::eEvaluationStandard standard,
                            TanDelta::evaluation::eInsulationType insulation, int steps, int valuesPerStep,
                            const QVector<quint16>& factors);
    RecordBuilder& run(const Run& run);
    RecordBuilder& load(int run, const QString& ohms, const QString& picofarads);
    RecordBuilder& fault(int run, qint64 milliseconds, qint64 millivolts, const QString& leakageNanoamperes);
    RecordBuilder& sample(int run, qint32 milliseconds, qint32 millivolts, qint32 current);
    RecordBuilder& periodic(int run, qint32 milliseconds, qint32 millivolts, qint32 current, qint32 tanDelta);
    // The periodic samples of one tan delta run: per step, one sample a second for each
    // tan delta value (millionths) of that step, at the step's voltage.
    RecordBuilder& tanDeltaSteps(int run, qint32 firstMilliseconds, const QVector<qint32>& millivolts,
                                 const QVector<QVector<qint32>>& tanDeltas);

    // The record, closed with its number of runs.
    TestChart::VLF::TestData build(int runs) const;
    // Writes a record under its own name into a day folder ("yyyyMMdd") of the internal
    // store; its path, or empty when that fails.
    static QString store(const TestChart::VLF::TestData& data, const QString& day);

    // A three-phase tan delta test at 0.5, 1.0 and 1.5 U0 (U0 12 kV), four values per step,
    // under IEEE 2013 for PE/XLPE: L1 needs no action, L2 further study (its values at
    // U0 scatter), L3 action. Ended by the operator after the last phase.
    static TestChart::VLF::TestData threePhaseTanDelta();
    // A test of the benchmarks: every identification key, a sine sample every 100 ms and
    // a period every 10 s, run 1 only.
    static TestChart::VLF::TestData benchRecord(const QDateTime& start, int samples, int periodic,
                                                OperatingModes::OperatingMode mode, const QString& cable);

private:
    TestChart::VLF::TestData m_data;
};
