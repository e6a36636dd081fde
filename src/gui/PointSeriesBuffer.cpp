#include "gui/PointSeriesBuffer.h"

#include <QDateTime>
#include <QDateTimeAxis>
#include <QLogValueAxis>
#include <QValueAxis>
#include <QXYSeries>

#include <algorithm>

using namespace QtCharts;

namespace {
// The x range shown by the first horizontal value, date-time or log axis; none without one.
std::optional<std::pair<double, double>> visibleWindow(QAbstractSeries* series)
{
    const QList<QAbstractAxis*> axes = series->attachedAxes();
    for (QAbstractAxis* axis : axes) {
        if (axis->orientation() != Qt::Horizontal)
            continue;
        if (auto* value = qobject_cast<QValueAxis*>(axis))
            return std::make_pair(value->min(), value->max());
        if (auto* date = qobject_cast<QDateTimeAxis*>(axis))
            return std::make_pair(double(date->min().toMSecsSinceEpoch()), double(date->max().toMSecsSinceEpoch()));
        if (auto* log = qobject_cast<QLogValueAxis*>(axis))
            return std::make_pair(log->min(), log->max());
    }
    return std::nullopt;
}

PointSeriesExtremes extremes(const QVector<QPointF>& points)
{
    if (points.isEmpty())
        return std::nullopt;
    const auto range = std::minmax_element(points.cbegin(), points.cend(), PointSeriesBuffer::smallerY);
    return std::make_pair(*range.first, *range.second);
}
} // namespace

void removeValuesBefore(double time, PointSeriesBuffer& buffer)
{
    QWriteLocker lock(&buffer.lock);
    auto& points = buffer.points;
    const auto end =
        std::lower_bound(points.begin(), points.end(), time, [](const QPointF& p, double t) { return p.x() < t; });
    points.erase(points.begin(), end);
}

PointSeriesExtremes initSeries(QXYSeries* series, const PointSeriesBuffer& buffer)
{
    if (!series)
        return std::nullopt;
    QReadLocker lock(&buffer.lock);
    const QVector<QPointF> points(buffer.points.cbegin(), buffer.points.cend());
    series->replace(points);
    return extremes(points);
}

PointSeriesExtremes updateSeries(QXYSeries* series, const PointSeriesBuffer& buffer)
{
    return updateSeries(series, buffer, series);
}

PointSeriesExtremes updateSeries(QXYSeries* series, const PointSeriesBuffer& buffer, QAbstractSeries* axisOwner)
{
    if (!series)
        return std::nullopt;
    const auto window = axisOwner ? visibleWindow(axisOwner) : std::nullopt;
    QReadLocker lock(&buffer.lock);
    // Without a horizontal axis there is no window to show.
    if (buffer.points.empty() || !window || window->second < window->first) {
        series->clear();
        return std::nullopt;
    }
    const double lo = window->first;
    const double hi = window->second;
    const bool line = series->type() == QAbstractSeries::SeriesTypeLine;
    const auto& points = buffer.points;
    const auto first =
        std::lower_bound(points.cbegin(), points.cend(), lo, [](const QPointF& p, double x) { return p.x() < x; });
    const auto last =
        std::upper_bound(first, points.cend(), hi, [](double x, const QPointF& p) { return x < p.x(); });

    QVector<QPointF> shown;
    shown.reserve(int(last - first) + 1);
    // A line starts at the window's left edge, at the level of its first visible value.
    if (line)
        shown.append(QPointF(lo, first != last ? first->y() : 0.0));
    shown.append(QVector<QPointF>(first, last));
    series->replace(shown);
    return extremes(shown);
}
