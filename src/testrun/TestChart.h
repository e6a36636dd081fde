#pragma once

#include "uiapi/ActivityTypes.h"
#include "core/GlobalFuncs.h"
#include "datamodel/InstrumentTypes.h"
#include "datamodel/OperatingModes.h"
#include "testrun/TestData.h"

#include <QFileInfo>
#include <QSet>
#include <QString>
#include <QStringList>

#include <bitset>

// The record store: turns a finished test into a record, names it, writes it safely,
// lists the stored records and edits comment and cable number. No state of its own.
class DataModell;
class UnreadableRecords;

namespace TestChart {

// Display settings the history list is built with.
struct HistoryFormat {
    QString timeFormat;
    QString dateFormat;
    QStringList phaseNames; // L1, L2, L3
    bool keepUnreadable = false; // list records that cannot be read (debug mode)
};
// The data model's current settings (locale defaults when no data model is registered).
HistoryFormat historyFormat();

// Start time of a run as stored under key 15.
extern const char* const StartTimeFormat;

// Adds the finished test held by the model to the record: the first run writes the
// record's own keys, each run its run keys and samples. Always true.
bool captureTestChartData(DataModell& dm, VLF::TestData& data);
template <class Model>
bool captureTestChartData(Model& dm, VLF::TestData& data);

QString operatingModeName(OperatingModes::OperatingMode mode);
QString exportFileName(const VLF::TestData& data);
bool readFile(const QString& path, VLF::TestData& data);
// Writes beside the target, syncs, verifies and renames over the target, so the old
// record stays whole until the new one is complete.
bool writeFile(const QString& target, const VLF::TestData& data);
// Removes the scratch files ("*.vlf.tmp") an interrupted save left below folder, and
// day folders left empty by that; never a record. Returns how many files went.
int removeUnfinishedRecords(const QString& folder);
bool loadTestData(const QString& path, VLF::TestData* data);
bool saveTestData(GlobalFuncs::Path location, const VLF::TestData& data);
bool updateComment(const QString& path, const QString& text);
bool updateCableNumber(const QString& path, const QString& text);
// The cable number of a record: the full text of key 42, else the narrow text of key 34
// (older records, and texts the narrow key cannot hold).
QString cableNumber(const VLF::TestData& data);
bool measurementEntry(const QFileInfo& file, ActivityTypes::stActivityEntry& entry);
// With unreadable, a file it holds unchanged is not read again, and a fault is told once.
bool measurementEntry(const QFileInfo& file, ActivityTypes::stActivityEntry& entry, const HistoryFormat& format,
                      UnreadableRecords* unreadable = nullptr);
// How many tan delta records below folder were judged with one of the standards; the
// records that cannot be read count as none.
int countJudgedWith(const QString& folder, const QSet<int>& standards);
ActivityTypes::ActivityEntryList activityEntryList(const QString& folder);
ActivityTypes::ActivityEntryList activityEntryList(const QString& folder, const HistoryFormat& format,
                                                   UnreadableRecords* unreadable = nullptr);

namespace detail {
bool isTanDeltaMode(int mode);
inline quint64 bitsOf(const std::bitset<10>& bits) { return bits.to_ullong(); }
inline quint64 bitsOf(quint64 bits) { return bits; }
// Hands the name and folder of a saved record to the data model.
void publishSavedRecord(GlobalFuncs::Path location, const stExportTestInfo& saved);
} // namespace detail

template <class Model>
bool captureTestChartData(Model& dm, VLF::TestData& data)
{
    using namespace VLF;
    const int mode = int(dm.getOperatingMode());
    bool numeric = false;
    const qint64 runs = info(data, 0, 11).toLongLong(&numeric);
    const bool first = !numeric || runs == 0;
    const qint32 n = first ? 1 : qint32(runs + 1);
    // A multi-phase sequence that ended early stands for the phases it measured.
    const qint64 phases = detail::isTanDeltaMode(mode) ? qint64(dm.phasesOfSequence()) : qint64(dm.phasesToTest());

    if (first) {
        const stIdentification& id = dm.getHVIdentification();
        insert(data, 0, 0, qint64(4));
        insert(data, 0, 1, qint64(2));
        insert(data, 0, 40, qint64(0));
        insert(data, 0, 4, id.modelNameText().trimmed());
        insert(data, 0, 5, qint64(id.firstNumber));
        insert(data, 0, 6, qint64(id.secondNumber));
        insert(data, 0, 7, qint64(id.firmwareMajor));
        insert(data, 0, 8, qint64(id.firmwareMinor));
        insert(data, 0, 33, qint64((id.supportFlags >> 3) & 1));
        insert(data, 0, 9, QString(dm.getHardwareId()));
        insert(data, 0, 10, QString(dm.getSerialNumber()));
        insert(data, 0, 12, qint64(mode));
        insert(data, 0, 13, qint64(dm.getTestVoltageAsRun()));
        if (mode == OperatingModes::DC || mode == OperatingModes::DAC)
            insert(data, 0, 14, qint64(int(dm.getVoltagePolarity()) == 0 ? 1 : 0));
        insert(data, 0, 15, qint64(dm.getMinutesToTest()) * 60000 + qint64(dm.getSecondsToTest()) * 1000);
        insert(data, 0, 16, qint64(dm.getFrequencyToTest()));
        insert(data, 0, 17, phases);
        insert(data, 0, 18, qint64(dm.burnMode()));
        insert(data, 0, 19, qint64(dm.getVoltageRampMode()));
        insert(data, 0, 20, qint64(dm.getVLFCosRectType()));
        insert(data, 0, 34, QString(dm.getCableNumber()));
        insert(data, 0, 42, QString(dm.getCableNumber()));
    }

    if (detail::isTanDeltaMode(mode)) {
        insert(data, 0, 21, qint64(dm.getEvaluationStandard()));
        insert(data, 0, 22, qint64(dm.getCableInsulation()));
        insert(data, 0, 23, qint64(dm.getVoltageSteps()));
        insert(data, 0, 24, qint64(dm.getNumberOfValues()));
        if (!first)
            update(data, 0, 17, QString::number(phases));
        if (mode == OperatingModes::MWTStep)
            insert(data, 0, 45, qint64(dm.getVoltageFactor(VoltageType_Factor)) * 10);
        const QVector<quint16> factors = dm.getVoltageFactorList();
        for (int i = 0; i < factors.size(); ++i)
            insert(data, 1000, i, qint64(factors.at(i)));
    }

    insert(data, n, 16, qint64(dm.getFrequencyUsed()));
    insert(data, n, 15, dm.getTestTime(TestTime_Start).toString(QString::fromLatin1(StartTimeFormat)));
    insert(data, n, 17, detail::isTanDeltaMode(mode) ? qint64(dm.lastUsedPhase()) : qint64(dm.phasesToTest()));
    insert(data, n, 28, qint64(dm.getTestResult()));
    insert(data, n, 35, qint64(detail::bitsOf(dm.getSafetyCircuitStateOfTestResult())));
    insert(data, n, 36, QString::number(quint64(dm.getHvUnitStateOfTestResult())));
    insert(data, n, 25, QString(dm.getTestComment()));
    insert(data, n, 29, qint64(dm.getLastMeasurementValues().timeStamp));
    if (dm.modeUseLoadDetection()) {
        insert(data, n, 26, QString::number(quint64(dm.getResistorLoad())));
        insert(data, n, 27, QString::number(quint64(dm.getCapacitanceLoad())));
    }
    const stFaultValues fault = dm.getFaultValues();
    if (quint32(fault.faultTime) != 0) {
        insert(data, n, 30, qint64(quint32(fault.faultTime)));
        insert(data, n, 31, qint64(fault.faultVoltage));
        insert(data, n, 32, QString::number(quint64(fault.leakageCurrent)));
    }

    for (auto it = dm.beginMeasurementValues(), end = dm.endMeasurementValues(); it != end; ++it) {
        const stMeasurementValues& v = *it;
        insert(data, n, qint32(v.timeStamp), v.voltage, qint32(quint32(quint64(v.current))));
    }
    for (auto it = dm.beginPeriodicMeasurementValues(), end = dm.endPeriodicMeasurementValues(); it != end; ++it) {
        const stPeriodicMeasurementValues& v = *it;
        const quint32 tanDelta = v.tanDelta == TanDeltaNone ? 0u : v.tanDelta;
        insert(data, n, qint32(v.timeStamp), v.voltage, qint32(quint32(quint64(v.current))), qint32(tanDelta));
    }

    if (first)
        insert(data, 0, 11, QStringLiteral("1"));
    else
        update(data, 0, 11, QString::number(n));
    return true;
}

} // namespace TestChart
