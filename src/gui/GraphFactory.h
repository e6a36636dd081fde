#pragma once

#include "datamodel/InstrumentTypes.h"
#include "datamodel/OperatingModes.h"

#include <QList>
#include <QVariant>

class MeasurementGraph;
class MeasurementTable;

// Decides per operating mode which series each chart carries and how each takes its
// value from a record. The frequency decides whether the rectangular mode has a leakage
// series (only at 100 mHz); without one, the data model's frequency used counts.
class GraphFactory {
public:
    GraphFactory() = delete;

    static MeasurementGraph* createDiagram(OperatingModes::OperatingMode mode);
    static MeasurementGraph* createDiagram(OperatingModes::OperatingMode mode, unsigned long frequencyMilliHz);
    static MeasurementGraph* createTrace(OperatingModes::OperatingMode mode);
    static MeasurementGraph* createTrace(OperatingModes::OperatingMode mode, unsigned long frequencyMilliHz);
    static MeasurementTable* createTable(OperatingModes::OperatingMode mode);

    static double getVoltageFromPeriodicValues(const stPeriodicMeasurementValues* values);
    static double getCurrentFromPeriodicValues(const stPeriodicMeasurementValues* values);
    static double getLeakageFromPeriodicValues(const stPeriodicMeasurementValues* values);
    static double getAbsoluteLeakageFromPeriodicValues(const stPeriodicMeasurementValues* values);
    static double getTanDeltaFromPeriodicValues(const stPeriodicMeasurementValues* values);
    static QList<QVariant> getTanDeltaTableValuesFromPeriodicValues(const stPeriodicMeasurementValues* values);
    static double getVoltageFromMeasurementValues(const stMeasurementValues* values);
    static double getAbsoluteVoltageFromMeasurementValues(const stMeasurementValues* values);
    static double getCurrentFromMeasurementValues(const stMeasurementValues* values);
    static double getAbsoluteLeakageFromMeasurementValues(const stMeasurementValues* values);

    // The frequency at which the rectangular mode reads a leakage current.
    static constexpr unsigned long LeakageFrequencyMilliHz = 100;
};
