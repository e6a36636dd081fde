#include "gui/MeasurementData.h"

#include "core/GlobalFuncs.h"
#include "datamodel/DataModell.h"
#include "gui/GraphFactory.h"

using M = OperatingModes;

namespace {
constexpr quint8 kModelWithTanDeltaFloor = 45;
constexpr quint32 kTanDeltaFloor = 1000;

unsigned long liveFrequency()
{
    DataModell* dm = GlobalFuncs::getDM();
    return dm ? dm->getFrequencyUsed() : 0;
}
} // namespace

MeasurementData::MeasurementData(QObject* parent) : QObject(parent) {}

MeasurementData::InitalItems MeasurementData::initalItem() const
{
    return m_mode == M::SheathTest || m_mode == M::SheathPinpointing ? InitalItems_Trace : InitalItems_Overview;
}

quint32 MeasurementData::shownTanDelta(quint32 tanDelta)
{
    const DataModell* dm = GlobalFuncs::getDM();
    if (dm && dm->getPevantoType() == kModelWithTanDeltaFloor && tanDelta < kTanDeltaFloor)
        return kTanDeltaFloor;
    return tanDelta;
}

void MeasurementData::createData(M::OperatingMode mode) { createData(mode, liveFrequency()); }

void MeasurementData::createData(M::OperatingMode mode, unsigned long frequencyMilliHz)
{
    m_mode = mode;
    // Pages may still hold the old charts until they read the new ones: let them go later.
    for (QObject* old : {static_cast<QObject*>(m_diagram), static_cast<QObject*>(m_trace),
                         static_cast<QObject*>(m_table)}) {
        if (old) {
            disconnect(this, nullptr, old, nullptr);
            old->deleteLater();
        }
    }
    m_diagram = GraphFactory::createDiagram(mode, frequencyMilliHz);
    m_diagram->setParent(this);
    m_trace = GraphFactory::createTrace(mode, frequencyMilliHz);
    m_trace->setParent(this);
    m_table = GraphFactory::createTable(mode);
    m_table->setParent(this);
    // Only the trace's trend follows the nominal voltage.
    if (TrendSeries* trend = m_trace->trendSeries())
        connect(this, &MeasurementData::nominalVoltageReached, trend, &GraphSeries::nominalVoltageReached);
    emit measurementDataChanged();
}

void MeasurementData::reset()
{
    if (m_trace)
        m_trace->reset();
    if (m_diagram)
        m_diagram->reset();
    if (m_table)
        m_table->reset();
}

void MeasurementData::updateMeasurementValues(const stMeasurementValues& values)
{
    if (m_trace)
        m_trace->updateMeasurementValues(&values);
    if (m_diagram)
        m_diagram->updateMeasurementValues(&values);
}

void MeasurementData::updatePeriodicMeasurementValues(const stPeriodicMeasurementValues& values)
{
    stPeriodicMeasurementValues copy = values;
    copy.tanDelta = shownTanDelta(values.tanDelta);
    if (m_trace)
        m_trace->updatePeriodicMeasurementValues(&copy);
    if (m_diagram)
        m_diagram->updatePeriodicMeasurementValues(&copy);
    if (m_table)
        m_table->updatePeriodicMeasurementValues(&copy);
}

void MeasurementData::replay(const QVector<stMeasurementValues>& samples,
                             const QVector<stPeriodicMeasurementValues>& periodic)
{
    QVector<stPeriodicMeasurementValues> shown = periodic;
    for (stPeriodicMeasurementValues& record : shown)
        record.tanDelta = shownTanDelta(record.tanDelta);
    if (m_trace)
        m_trace->replay(samples, shown);
    if (m_diagram)
        m_diagram->replay(samples, shown);
    if (m_table) {
        for (const stPeriodicMeasurementValues& record : qAsConst(shown))
            m_table->updatePeriodicMeasurementValues(&record);
    }
}

void MeasurementData::updateVoltageRange(double range, M::OperatingMode mode)
{
    const bool rectangular = mode == M::VLFRect || mode == M::VLFCosRect;
    const bool traceSymmetric = rectangular || mode == M::VLFSin || mode == M::MWTSingle || mode == M::MWTStep;
    if (m_trace)
        m_trace->updateVoltageRange(range, traceSymmetric);
    if (m_diagram)
        m_diagram->updateVoltageRange(range, rectangular);
}

void MeasurementData::setMaxTime(unsigned int ms)
{
    if (m_trace)
        m_trace->setMaxTime(ms);
    if (m_diagram)
        m_diagram->setMaxTime(ms);
}
