#pragma once

#include <QPointF>
#include <QReadWriteLock>

#include <optional>
#include <utility>
#include <vector>

namespace QtCharts {
class QAbstractSeries;
class QXYSeries;
}

// The points of one chart outline (x = test time in ms, y = value), kept in
// non-decreasing x so that the visible window is found by binary search.
struct PointSeriesBuffer {
    mutable QReadWriteLock lock;
    std::vector<QPointF> points;

    static bool smallerY(const QPointF& a, const QPointF& b) { return a.y() < b.y(); }
};

// The lowest and the highest point by y of what was written into a chart series.
using PointSeriesExtremes = std::optional<std::pair<QPointF, QPointF>>;

// Drops the leading points older than time; a point at exactly time stays.
void removeValuesBefore(double time, PointSeriesBuffer& buffer);
// Replaces the chart series' points by the whole buffer.
PointSeriesExtremes initSeries(QtCharts::QXYSeries* series, const PointSeriesBuffer& buffer);
// Replaces the chart series' points by those inside the window of its horizontal axis.
PointSeriesExtremes updateSeries(QtCharts::QXYSeries* series, const PointSeriesBuffer& buffer);
// The same with the window of axisOwner's axes: the outlines of an area series have no
// axes of their own.
PointSeriesExtremes updateSeries(QtCharts::QXYSeries* series, const PointSeriesBuffer& buffer,
                                 QtCharts::QAbstractSeries* axisOwner);
