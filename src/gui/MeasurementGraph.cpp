#include "gui/MeasurementGraph.h"

#include "core/GlobalFuncs.h"
#include "datamodel/DataModell.h"
#include "gui/GraphSeries.h"
#include "gui/TrendSeries.h"

#include <QSignalBlocker>

#include <memory>
#include <vector>

namespace {
constexpr unsigned int kLeadMs = 6000;
constexpr unsigned int kStepMs = 15000;

int periodicTypeOf(OperatingModes::OperatingMode mode)
{
    if (mode != OperatingModes::Unknown)
        return OperatingModes::getInstance()->periodicModeType(mode);
    DataModell* dm = GlobalFuncs::getDM();
    return dm ? dm->periodicModeType(OperatingModes::Unknown) : 0;
}
} // namespace

MeasurementGraph::MeasurementGraph(QObject* parent) : QObject(parent) {}

void MeasurementGraph::replaceSeries(GraphSeries*& slot, GraphSeries* series)
{
    // A replaced series stays a child of the graph; it only leaves the list.
    if (slot)
        m_series.removeAll(slot);
    slot = series;
    if (series) {
        series->setParent(this);
        m_series.append(series);
    }
}

void MeasurementGraph::setPrimarySeries(GraphSeries* series) { replaceSeries(m_primary, series); }
void MeasurementGraph::setSecondarySeries(GraphSeries* series) { replaceSeries(m_secondary, series); }

void MeasurementGraph::setTrendSeries(TrendSeries* series)
{
    GraphSeries* slot = m_trend;
    replaceSeries(slot, series);
    m_trend = series;
}

GraphSeries* MeasurementGraph::trendSeriesBase() const { return m_trend; }

void MeasurementGraph::setSmoothScrolling(bool smooth) { m_smoothScrolling = smooth; }
void MeasurementGraph::setMoveTestTimeRange(bool move) { m_moveTestTimeRange = move; }
void MeasurementGraph::setOperatingMode(OperatingModes::OperatingMode mode) { m_mode = mode; }

void MeasurementGraph::setMaxTime(unsigned int ms)
{
    // 0 is no limit; a limit is never shorter than one window nor longer than a test may last.
    m_maxTime = ms == 0 ? 0 : qBound(WindowMs, ms, MaxTimeLimitMs);
}

bool MeasurementGraph::isVisible() const { return m_primary || m_secondary; }

unsigned int MeasurementGraph::calculatePlotTime() const
{
    const unsigned int t = m_currentTime + kLeadMs;
    if (t < WindowMs)
        return WindowMs;
    if (m_maxTime != 0 && m_maxTime <= t)
        return m_maxTime;
    if (m_smoothScrolling)
        return t;
    return m_currentTime + kLeadMs + kStepMs - t % kStepMs;
}

unsigned int MeasurementGraph::windowStart() const
{
    return m_moveTestTimeRange ? calculatePlotTime() - WindowMs : 0;
}

QDateTime MeasurementGraph::endTime() const
{
    return QDateTime::fromMSecsSinceEpoch(calculatePlotTime(), Qt::UTC);
}

QDateTime MeasurementGraph::startTime() const { return QDateTime::fromMSecsSinceEpoch(windowStart(), Qt::UTC); }

void MeasurementGraph::setCurrentTime(unsigned int ms)
{
    if (ms <= m_currentTime)
        return;
    const unsigned int oldStart = windowStart();
    const unsigned int oldEnd = calculatePlotTime();
    m_currentTime = ms;
    const unsigned int start = windowStart();
    if (start != oldStart) {
        for (GraphSeries* series : qAsConst(m_series))
            series->setStartTime(start);
    }
    // Only a window that moved is a change: the charts redraw everything on it.
    if (start != oldStart || calculatePlotTime() != oldEnd)
        emit timeRangeChanged();
}

void MeasurementGraph::updateMeasurementValues(const stMeasurementValues* sample)
{
    if (!sample)
        return;
    setCurrentTime(sample->timeStamp);
    for (GraphSeries* series : qAsConst(m_series))
        series->updateMeasurement(sample);
}

void MeasurementGraph::updatePeriodicMeasurementValues(const stPeriodicMeasurementValues* record)
{
    if (!record)
        return;
    switch (periodicTypeOf(m_mode)) {
    case 3: // rectangular modes: a period without leakage reading
        if (record->current == 0)
            return;
        break;
    case 2: // sine, tan delta and MWT modes: a period without tan delta
        if (record->tanDelta == TanDeltaNone)
            return;
        break;
    default:
        return;
    }
    setCurrentTime(record->timeStamp);
    for (GraphSeries* series : qAsConst(m_series))
        series->updateMeasurement(record);
}

void MeasurementGraph::replay(const QVector<stMeasurementValues>& samples,
                              const QVector<stPeriodicMeasurementValues>& periodic)
{
    {
        const QSignalBlocker quiet(this);
        std::vector<std::unique_ptr<QSignalBlocker>> quietSeries;
        for (GraphSeries* series : qAsConst(m_series))
            quietSeries.push_back(std::make_unique<QSignalBlocker>(series));
        for (const stMeasurementValues& sample : samples)
            updateMeasurementValues(&sample);
        for (const stPeriodicMeasurementValues& record : periodic)
            updatePeriodicMeasurementValues(&record);
    }
    emit timeRangeChanged();
    for (GraphSeries* series : qAsConst(m_series)) {
        emit series->rangeChanged();
        emit series->currentChanged();
    }
}

void MeasurementGraph::updateVoltageRange(double range, bool symmetric)
{
    for (GraphSeries* series : qAsConst(m_series)) {
        if (series->dataType() == GraphSeries::VoltageRMS || series->dataType() == GraphSeries::Voltage)
            series->setMinMax(symmetric ? -range : 0, range);
    }
}

void MeasurementGraph::includeVoltage(double kV)
{
    for (GraphSeries* series : qAsConst(m_series)) {
        if (series->dataType() == GraphSeries::VoltageRMS || series->dataType() == GraphSeries::Voltage)
            series->updateMinMax(kV);
    }
}

void MeasurementGraph::reset()
{
    m_currentTime = 0;
    for (GraphSeries* series : qAsConst(m_series))
        series->reset();
}
