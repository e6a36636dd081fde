#include "gui/PointSeriesBuffer.h"

#include <QChart>
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

// The pixel columns of the plot the series is drawn in; 0 when it is in no chart.
int plotColumns(QAbstractSeries* series)
{
    const QChart* chart = series ? series->chart() : nullptr;
    return chart ? int(chart->plotArea().width()) : 0;
}

// More points than the plot has pixel columns cannot be seen: each column keeps its lowest
// and its highest point, in their order, so a redraw costs the same however long the test.
template <typename It>
void appendThinned(QVector<QPointF>& out, It first, It last, double lo, double hi, int columns)
{
    if (columns <= 0 || last - first <= 2 * columns || hi <= lo) {
        out.append(QVector<QPointF>(first, last));
        return;
    }
    const double perColumn = (hi - lo) / columns;
    It low = first;
    It high = first;
    int column = -1;
    auto flush = [&]() {
        if (column < 0)
            return;
        out.append(low < high ? *low : *high);
        if (low != high)
            out.append(low < high ? *high : *low);
    };
    for (It it = first; it != last; ++it) {
        const int c = std::min(columns - 1, int((it->x() - lo) / perColumn));
        if (c != column) {
            flush();
            column = c;
            low = high = it;
        } else if (it->y() < low->y()) {
            low = it;
        } else if (it->y() > high->y()) {
            high = it;
        }
    }
    flush();
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
    // Without a horizontal axis there is no window to show.
    const auto window = (axisOwner ? visibleWindow(axisOwner) : std::nullopt).value_or(std::make_pair(0.0, -1.0));
    const double lo = window.first;
    const double hi = window.second;
    QReadLocker lock(&buffer.lock);
    if (buffer.points.empty() || hi < lo) {
        series->clear();
        return std::nullopt;
    }
    const bool line = series->type() == QAbstractSeries::SeriesTypeLine;
    const auto& points = buffer.points;
    const auto first =
        std::lower_bound(points.cbegin(), points.cend(), lo, [](const QPointF& p, double x) { return p.x() < x; });
    const auto last =
        std::upper_bound(first, points.cend(), hi, [](double x, const QPointF& p) { return x < p.x(); });

    const int columns = plotColumns(axisOwner);
    QVector<QPointF> shown;
    shown.reserve((columns > 0 ? std::min(int(last - first), 2 * columns) : int(last - first)) + 1);
    // A line starts at the window's left edge, at the level of its first visible value.
    if (line)
        shown.append(QPointF(lo, first != last ? first->y() : 0.0));
    appendThinned(shown, first, last, lo, hi, columns);
    series->replace(shown);
    return extremes(shown);
}
