#pragma once

#include "datamodel/InstrumentTypes.h"
#include "datamodel/OperatingModes.h"
#include "gui/MeasurementGraph.h"
#include "gui/MeasurementTable.h"

#include <QObject>

// The charts and the table of one measurement: the diagram (per-period values over the
// whole test), the trace (a scrolling 60 s window of the samples) and the tan delta
// table. The running test and a replayed stored test each have their own.
class MeasurementData : public QObject {
    Q_OBJECT
    Q_PROPERTY(MeasurementGraph* diagram READ diagram NOTIFY measurementDataChanged)
    Q_PROPERTY(MeasurementGraph* trace READ trace NOTIFY measurementDataChanged)
    Q_PROPERTY(MeasurementTable* table READ table NOTIFY measurementDataChanged)
    Q_PROPERTY(InitalItems initalItem READ initalItem CONSTANT)
public:
    // The tab the measurement page opens first.
    enum InitalItems : int {
        InitalItems_Overview = 0,
        InitalItems_Diagram = 1,
        InitalItems_Trace = 2,
        InitalItems_Table = 3,
    };
    Q_ENUM(InitalItems)

    explicit MeasurementData(QObject* parent = nullptr);

    MeasurementGraph* diagram() const { return m_diagram; }
    MeasurementGraph* trace() const { return m_trace; }
    MeasurementTable* table() const { return m_table; }
    OperatingModes::OperatingMode operatingMode() const { return m_mode; }
    InitalItems initalItem() const;
    // A reading as shown: the 45 kV model reads no tan delta below 1e-3.
    static quint32 shownTanDelta(quint32 tanDelta);

public slots:
    // Rebuilds the charts and the table for a mode, at the data model's frequency used.
    void createData(OperatingModes::OperatingMode mode);
    // The same at a given frequency: a stored test is replayed at its own.
    void createData(OperatingModes::OperatingMode mode, unsigned long frequencyMilliHz);
    void reset();
    void updateMeasurementValues(const stMeasurementValues& values);
    void updatePeriodicMeasurementValues(const stPeriodicMeasurementValues& values);
    // A stored test's samples, then its per-period records, fed at once: each chart
    // announces the change once, not per point.
    void replay(const QVector<stMeasurementValues>& samples, const QVector<stPeriodicMeasurementValues>& periodic);
    void updateVoltageRange(double range, OperatingModes::OperatingMode mode);
    void setMaxTime(unsigned int ms);

signals:
    void measurementDataChanged();
    void nominalVoltageReached();

private:
    OperatingModes::OperatingMode m_mode = OperatingModes::Unknown;
    MeasurementGraph* m_diagram = nullptr;
    MeasurementGraph* m_trace = nullptr;
    MeasurementTable* m_table = nullptr;
};
