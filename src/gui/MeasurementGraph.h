#pragma once

#include "datamodel/InstrumentTypes.h"
#include "datamodel/OperatingModes.h"
#include "gui/GraphSeries.h"
#include "gui/TrendSeries.h"

#include <QDateTime>
#include <QList>
#include <QVector>
#include <QObject>

// One chart of a measurement: owns its series, feeds them with the records and computes
// the visible time window (60 s ending 6 s ahead of the newest value, or the next 15 s
// step; a non-scrolling chart starts at test time 0).
class MeasurementGraph : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isVisible READ isVisible CONSTANT)
    Q_PROPERTY(bool isSmoothScrolling READ isSmoothScrolling CONSTANT)
    Q_PROPERTY(GraphSeries* primarySeries READ primarySeries CONSTANT)
    Q_PROPERTY(GraphSeries* secondarySeries READ secondarySeries CONSTANT)
    Q_PROPERTY(GraphSeries* trendSeries READ trendSeriesBase CONSTANT)
    Q_PROPERTY(QDateTime endTime READ endTime NOTIFY timeRangeChanged)
    Q_PROPERTY(QDateTime startTime READ startTime NOTIFY timeRangeChanged)
public:
    static constexpr unsigned int WindowMs = 60000;
    // The longest test the modes allow: 120 min.
    static constexpr unsigned int MaxTimeLimitMs = 7200000;

    explicit MeasurementGraph(QObject* parent = nullptr);

    void setPrimarySeries(GraphSeries* series);
    void setSecondarySeries(GraphSeries* series);
    void setTrendSeries(TrendSeries* series);
    void setSmoothScrolling(bool smooth);
    void setMoveTestTimeRange(bool move);
    void setMaxTime(unsigned int ms);
    void setCurrentTime(unsigned int ms);
    // The mode whose periodic type filters the per-period records; Unknown follows the
    // mode selected in the data model.
    void setOperatingMode(OperatingModes::OperatingMode mode);

    bool isVisible() const;
    bool isSmoothScrolling() const { return m_smoothScrolling; }
    GraphSeries* primarySeries() const { return m_primary; }
    GraphSeries* secondarySeries() const { return m_secondary; }
    TrendSeries* trendSeries() const { return m_trend; }
    QList<GraphSeries*> series() const { return m_series; }
    unsigned int currentTime() const { return m_currentTime; }
    unsigned int maxTime() const { return m_maxTime; }

    // End of the visible window in ms of test time.
    unsigned int calculatePlotTime() const;
    QDateTime endTime() const;
    QDateTime startTime() const;

    void updateMeasurementValues(const stMeasurementValues* sample);
    void updatePeriodicMeasurementValues(const stPeriodicMeasurementValues* record);
    // The samples, then the records, with the signals of the graph and its series held
    // back until the last and then given once.
    void replay(const QVector<stMeasurementValues>& samples, const QVector<stPeriodicMeasurementValues>& periodic);
    void updateVoltageRange(double range, bool symmetric);
    // Widens the voltage axes so that they show kV, as a sample of that voltage would.
    Q_INVOKABLE void includeVoltage(double kV);
    void reset();

signals:
    void timeRangeChanged();

private:
    GraphSeries* trendSeriesBase() const;
    void replaceSeries(GraphSeries*& slot, GraphSeries* series);
    unsigned int windowStart() const;

    bool m_moveTestTimeRange = true;
    unsigned int m_currentTime = 0;
    unsigned int m_maxTime = 0;
    bool m_smoothScrolling = false;
    GraphSeries* m_primary = nullptr;
    GraphSeries* m_secondary = nullptr;
    TrendSeries* m_trend = nullptr;
    QList<GraphSeries*> m_series;
    OperatingModes::OperatingMode m_mode = OperatingModes::Unknown;
};
