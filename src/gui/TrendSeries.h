#pragma once

#include "gui/GraphSeries.h"

#include <QList>
#include <QPointF>
#include <QTimer>

// Judges whether the leakage current drifts: fits a straight line through the newest
// values once per second of test time, rates the relative change along it and draws
// the result as an arrow. Its points never enter the point buffers of GraphSeries.
class TrendSeries : public GraphSeries {
    Q_OBJECT
    Q_PROPERTY(TrendState trendState READ trendState NOTIFY trendStateChanged)
    Q_PROPERTY(bool visible READ isVisible NOTIFY visibleChanged)
    Q_PROPERTY(bool calculating READ isCalculating NOTIFY calculatingChanged)
public:
    enum TrendState : int {
        Undefined = 0,
        Green = 1,
        Orange = 2,
        Red = 3,
    };
    Q_ENUM(TrendState)

    static constexpr int MaxPoints = 1001;
    static constexpr int StartDelayMs = 45000;
    static constexpr int ShowDelayMs = 60000;

    TrendSeries(GraphSeries::DataType dataType, OperatingModes::OperatingMode mode, QObject* parent = nullptr);

    TrendState trendState() const { return m_trendState; }
    bool isVisible() const { return m_visible; }
    bool isCalculating() const { return m_calculating; }

    void setTrendState(TrendState state);
    void setVisible(bool visible);
    void setCalculation(bool calculating);

public slots:
    void onNominalVoltageReached();
    void startCalculation();
    void stopCalculation();
    void show();
    void hide();
    void updateSeries(QtCharts::QAbstractSeries* series) override;
    void reset() override;
    void setCurrent(double x, double y) override;

signals:
    void trendStateChanged();
    void visibleChanged();
    void calculatingChanged();

private:
    void fit();

    TrendState m_trendState = Undefined;
    QList<QPointF> m_points;
    QPointF m_lastPoint;
    QTimer m_showTimer{this};
    QTimer m_startTimer{this};
    double m_lastCalculation = 0;
    double m_offset = 0; // c
    double m_factor = 0; // k
    // Whether c and k come from a fit whose values were all finite.
    bool m_hasFit = false;
    bool m_calculating = false;
    bool m_visible = false;
};
