#include "gui/TrendSeries.h"

#include <QAreaSeries>
#include <QChart>
#include <QLineSeries>

#include <cmath>

using namespace QtCharts;

namespace {
constexpr double kFitIntervalMs = 1000;
constexpr double kHalfShaft = 6;   // px
constexpr double kHeadLength = 40; // px
constexpr double kOrangeLimit = 0.10;
constexpr double kRedLimit = 0.15;

bool finite(const QPointF& p) { return std::isfinite(p.x()) && std::isfinite(p.y()); }
} // namespace

TrendSeries::TrendSeries(GraphSeries::DataType dataType, OperatingModes::OperatingMode mode, QObject* parent)
    : GraphSeries(AreaSeries, dataType, mode, parent)
{
    m_showTimer.setObjectName(QStringLiteral("showTimer"));
    m_showTimer.setSingleShot(true);
    m_showTimer.setInterval(ShowDelayMs);
    m_startTimer.setObjectName(QStringLiteral("startTimer"));
    m_startTimer.setSingleShot(true);
    // Counted from the nominal voltage to the millisecond, not rounded to whole seconds.
    m_startTimer.setTimerType(Qt::PreciseTimer);
    m_startTimer.setInterval(StartDelayMs);
    connect(this, &GraphSeries::nominalVoltageReached, this, &TrendSeries::onNominalVoltageReached);
    connect(&m_startTimer, &QTimer::timeout, this, &TrendSeries::startCalculation);
    connect(&m_startTimer, &QTimer::timeout, &m_showTimer, qOverload<>(&QTimer::start));
    connect(&m_showTimer, &QTimer::timeout, this, &TrendSeries::show);
}

void TrendSeries::setTrendState(TrendState state)
{
    if (state == m_trendState)
        return;
    m_trendState = state;
    emit trendStateChanged();
}

void TrendSeries::setVisible(bool visible)
{
    if (visible == m_visible)
        return;
    m_visible = visible;
    emit visibleChanged();
}

void TrendSeries::setCalculation(bool calculating)
{
    if (calculating == m_calculating)
        return;
    m_calculating = calculating;
    emit calculatingChanged();
}

void TrendSeries::onNominalVoltageReached()
{
    if (m_calculating || m_startTimer.isActive())
        return;
    m_startTimer.start();
}

void TrendSeries::startCalculation() { setCalculation(true); }
void TrendSeries::stopCalculation() { setCalculation(false); }
void TrendSeries::show() { setVisible(true); }
void TrendSeries::hide() { setVisible(false); }

void TrendSeries::reset()
{
    GraphSeries::reset();
    m_points.clear();
    m_lastCalculation = 0;
    m_offset = 0;
    m_factor = 0;
    m_hasFit = false;
    m_startTimer.stop();
    m_showTimer.stop();
    setCalculation(false);
    setTrendState(Undefined);
    setVisible(false);
}

void TrendSeries::setCurrent(double x, double y)
{
    while (m_points.size() >= MaxPoints)
        m_points.removeFirst();
    m_lastPoint = QPointF(x, y);
    m_points.append(m_lastPoint);
    if (!m_calculating || x - m_lastCalculation < kFitIntervalMs)
        return;
    m_lastCalculation = x;
    fit();
}

void TrendSeries::fit()
{
    const double n = m_points.size();
    double sumX = 0;
    double sumY = 0;
    for (const QPointF& p : qAsConst(m_points)) {
        sumX += p.x();
        sumY += p.y();
    }
    const double meanX = sumX / n;
    const double meanY = sumY / n;
    double numerator = 0;
    double denominator = 0;
    for (const QPointF& p : qAsConst(m_points)) {
        const double dx = meanX - p.x();
        numerator += dx * (p.y() - meanY);
        denominator += dx * dx;
    }
    // The negative of the least-squares slope, so that c is the level at the newest value.
    const double k = numerator / denominator;
    const double c = meanY - k * meanX;
    // Values that all share one time give no line: no fit and no arrow.
    if (!std::isfinite(k) || !std::isfinite(c))
        return;
    m_factor = k;
    m_offset = c;
    m_hasFit = true;
    emit currentChanged();

    const double d = std::abs(1 - c / (c + k * m_lastPoint.x()));
    if (!std::isfinite(d))
        return; // the line starts at zero: no relative change to rate
    if (d > kRedLimit)
        setTrendState(Red);
    else if (d > kOrangeLimit)
        setTrendState(Orange);
    else
        setTrendState(Green);
}

void TrendSeries::updateSeries(QAbstractSeries* series)
{
    auto* area = qobject_cast<QAreaSeries*>(series);
    if (!area || m_points.isEmpty() || !m_calculating || m_startTimer.isActive())
        return;
    QChart* chart = area->chart();
    QLineSeries* upper = area->upperSeries();
    QLineSeries* lower = area->lowerSeries();
    if (!chart || !upper || !lower)
        return;
    upper->clear();
    lower->clear();
    if (!m_hasFit)
        return;

    // Twelve pixels in axis units: the arrow never gets thinner than its shaft.
    const double floor =
        2 * std::abs(chart->mapToValue(QPointF(0, 6), area).y() - chart->mapToValue(QPointF(0, 0), area).y());
    const double lastX = m_lastPoint.x();
    const QPointF a(m_points.first().x(), std::max(floor, m_offset + m_factor * lastX));
    const QPointF b(lastX, std::max(floor, m_offset));
    const QPointF pa = chart->mapToPosition(a, area);
    const QPointF pb = chart->mapToPosition(b, area);
    const double theta = std::atan2(pb.y() - pa.y(), pb.x() - pa.x());
    const QPointF normal(-kHalfShaft * std::sin(theta), kHalfShaft * std::cos(theta));
    const QPointF head = pb - kHeadLength * QPointF(std::cos(theta), std::sin(theta));

    const QPointF upperPixels[] = {pa + normal, head + normal, head + 3 * normal};
    const QPointF lowerPixels[] = {pa - normal, head - normal, head - 3 * normal};
    QVector<QPointF> upperValues;
    QVector<QPointF> lowerValues;
    for (int i = 0; i < 3; ++i) {
        upperValues.append(chart->mapToValue(upperPixels[i], area));
        lowerValues.append(chart->mapToValue(lowerPixels[i], area));
    }
    upperValues.append(b);
    lowerValues.append(b);
    for (int i = 0; i < upperValues.size(); ++i) {
        // A chart without a plot area yet maps to nothing usable.
        if (!finite(upperValues.at(i)) || !finite(lowerValues.at(i))) {
            upper->clear();
            lower->clear();
            return;
        }
    }
    for (int i = 0; i < upperValues.size(); ++i) {
        upper->append(upperValues.at(i));
        lower->append(lowerValues.at(i));
    }
}
