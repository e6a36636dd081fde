#include "gui/ChartDecorator.h"
#include "gui/GraphSeries.h"
#include "gui/PointSeriesBuffer.h"
#include "gui/TrendSeries.h"

#include <QAreaSeries>
#include <QChart>
#include <QGraphicsLayout>
#include <QGraphicsScene>
#include <QLineSeries>
#include <QQuickItem>
#include <QScatterSeries>
#include <QSignalSpy>
#include <QTimer>
#include <QValueAxis>
#include <QtTest>

#include <cmath>

using namespace QtCharts;
using G = GraphSeries;
using M = OperatingModes;
using Points = QVector<QPointF>;

namespace {
// A chart whose horizontal axis shows [lo, hi] and whose vertical one [0, 10].
struct ChartRig {
    QChart chart;
    QValueAxis* x = new QValueAxis;
    QValueAxis* y = new QValueAxis;

    ChartRig(double lo, double hi)
    {
        chart.addAxis(x, Qt::AlignBottom);
        chart.addAxis(y, Qt::AlignLeft);
        x->setRange(lo, hi);
        y->setRange(0, 10);
        chart.resize(400, 300);
        chart.layout()->activate();
    }
    template <typename S> S* add(S* series)
    {
        chart.addSeries(series);
        series->attachAxis(x);
        series->attachAxis(y);
        return series;
    }
    // An area series owns neither of its outlines: the chart does.
    QAreaSeries* area() { return add(new QAreaSeries(new QLineSeries(&chart), new QLineSeries(&chart))); }
};

void fill(PointSeriesBuffer& buffer, const Points& points) { buffer.points.assign(points.cbegin(), points.cend()); }
} // namespace

// Curves of the measurement charts: ranges, point buffers, the window copied into the
// chart, the trend fit and the chart styling.
class TstGraphSeries : public QObject {
    Q_OBJECT
private slots:
    void resetRanges_data()
    {
        QTest::addColumn<int>("dataType");
        QTest::addColumn<int>("mode");
        QTest::addColumn<double>("minimum");
        QTest::addColumn<double>("maximum");
        QTest::newRow("voltage") << int(G::Voltage) << int(M::VLFSin) << 0.0 << 1.0;
        QTest::newRow("current") << int(G::Current) << int(M::SheathPinpointing) << -0.02 << 0.02;
        QTest::newRow("leakage DC") << int(G::Leakage) << int(M::DC) << 0.0 << 0.03;
        QTest::newRow("leakage rectangular") << int(G::Leakage) << int(M::VLFRect) << -0.02 << 0.02;
        QTest::newRow("tan delta") << int(G::TanDelta) << int(M::TanDelta) << 0.0 << 0.03;
        QTest::newRow("undefined") << int(G::Undefined) << int(M::DC) << 0.0 << 0.0;
    }
    void resetRanges()
    {
        QFETCH(int, dataType);
        QFETCH(int, mode);
        G series(G::LineSeries, G::DataType(dataType), M::OperatingMode(mode));
        series.setCurrent(1000, 0.5);
        series.reset();
        QTEST(series.minimum(), "minimum");
        QTEST(series.maximum(), "maximum");
        QCOMPARE(series.current(), 0.0);
    }

    void setMinMax_data()
    {
        QTest::addColumn<double>("before"); // maximum set first, 0 for none
        QTest::addColumn<double>("min");
        QTest::addColumn<double>("max");
        QTest::addColumn<double>("minimum");
        QTest::addColumn<double>("maximum");
        QTest::newRow("0..7") << 0.0 << 0.0 << 7.0 << 0.0 << 8.0;
        QTest::newRow("-1..7") << 0.0 << -1.0 << 7.0 << -8.0 / 3 << 8.0;
        QTest::newRow("-4..7") << 0.0 << -4.0 << 7.0 << -5.0 << 8.0;
        QTest::newRow("3..7") << 0.0 << 3.0 << 7.0 << -8.0 / 3 << 8.0;
        QTest::newRow("beyond steps, small old max") << 2.0 << -1.0 << 20000.0 << -1.0 << 2.0;
        QTest::newRow("beyond steps, large old max") << 10.0 << -1.0 << 20000.0 << -10.0 / 3 << 10.0;
    }
    void setMinMax()
    {
        QFETCH(double, before);
        QFETCH(double, min);
        QFETCH(double, max);
        G series(G::LineSeries, G::Voltage, M::VLFSin);
        if (before > 0)
            series.setMinMax(0, before);
        QSignalSpy range(&series, &G::rangeChanged);
        series.setMinMax(min, max);
        QCOMPARE(range.count(), 1);
        QTEST(series.minimum(), "minimum");
        QTEST(series.maximum(), "maximum");
    }

    void updateMinMaxWidensOnlyOutsideTheRange()
    {
        G series(G::LineSeries, G::Voltage, M::VLFSin);
        series.setMinMax(0, 10);
        QSignalSpy range(&series, &G::rangeChanged);
        series.updateMinMax(9.0); // 9 + 10 % of the span is exactly the maximum
        series.updateMinMax(0.0);
        QCOMPARE(range.count(), 0);
        series.updateMinMax(9.5);
        QCOMPARE(range.count(), 1);
        QCOMPARE(series.maximum(), 15.0);
        QCOMPARE(series.minimum(), 0.0);
    }

    // Both outlines advance together; a late value changes nothing at all.
    void areaBuffersAndLateValues()
    {
        G series(G::AreaSeries, G::Voltage, M::VLFRect);
        series.setCurrent(10, 2);
        series.setCurrent(20, -1);
        series.setCurrent(30, 3);
        QSignalSpy current(&series, &G::currentChanged);
        QSignalSpy range(&series, &G::rangeChanged);
        series.setCurrent(25, 9);
        QCOMPARE(current.count() + range.count(), 0);
        QCOMPARE(series.current(), 3.0);

        // Declared before the area, which they outlive: it owns neither.
        QLineSeries upper;
        QLineSeries lower;
        QAreaSeries area(&upper, &lower);
        series.initSeries(&area);
        QCOMPARE(area.upperSeries()->pointsVector(), Points({{0, 2}, {10, 2}, {20, 2}, {30, 3}}));
        QCOMPARE(area.lowerSeries()->pointsVector(), Points({{0, -1}, {20, -1}, {30, -1}}));
        QCOMPARE(current.count(), 1);
        series.initSeries(nullptr);
        QCOMPARE(current.count(), 2);

        // An area with nothing above zero still keeps its lower outline ordered.
        G negative(G::AreaSeries, G::Leakage, M::VLFRect);
        negative.setCurrent(20, -1);
        negative.setCurrent(10, -2);
        negative.initSeries(&area);
        QCOMPARE(area.lowerSeries()->pointsVector(), Points({{0, -1}, {20, -1}}));
    }

    void removeValuesBeforeKeepsTheBoundary()
    {
        PointSeriesBuffer buffer;
        fill(buffer, {{10, 1}, {20, 2}, {20, 3}, {30, 4}});
        removeValuesBefore(20, buffer);
        QCOMPARE(Points(buffer.points.cbegin(), buffer.points.cend()), Points({{20, 2}, {20, 3}, {30, 4}}));
        removeValuesBefore(99, buffer);
        QVERIFY(buffer.points.empty());
        removeValuesBefore(5, buffer);
        QVERIFY(buffer.points.empty());
    }

    void updateSeriesCopiesTheWindow_data()
    {
        QTest::addColumn<bool>("line");
        QTest::addColumn<double>("lo");
        QTest::addColumn<double>("hi");
        QTest::addColumn<Points>("shown");
        QTest::newRow("line") << true << 15.0 << 30.0 << Points({{15, 2}, {20, 2}, {30, 3}});
        QTest::newRow("line, bounds inclusive") << true << 10.0 << 20.0 << Points({{10, 1}, {10, 1}, {20, 2}});
        QTest::newRow("scatter") << false << 15.0 << 30.0 << Points({{20, 2}, {30, 3}});
        QTest::newRow("line, empty window") << true << 50.0 << 60.0 << Points({{50, 0}});
        QTest::newRow("scatter, empty window") << false << 50.0 << 60.0 << Points();
    }
    void updateSeriesCopiesTheWindow()
    {
        QFETCH(bool, line);
        QFETCH(double, lo);
        QFETCH(double, hi);
        ChartRig rig(lo, hi);
        QXYSeries* chartSeries = line ? rig.add<QXYSeries>(new QLineSeries) : rig.add<QXYSeries>(new QScatterSeries);
        PointSeriesBuffer buffer;
        fill(buffer, {{0, 5}, {10, 1}, {20, 2}, {30, 3}, {40, 4}});
        const PointSeriesExtremes extremes = updateSeries(chartSeries, buffer);
        QTEST(chartSeries->pointsVector(), "shown");
        QCOMPARE(bool(extremes), !chartSeries->pointsVector().isEmpty());
    }

    // More points than pixel columns: each column keeps its lowest and highest point.
    void updateSeriesThinsToThePlotWidth()
    {
        ChartRig rig(0, 20000);
        QXYSeries* chartSeries = rig.add<QXYSeries>(new QScatterSeries);
        PointSeriesBuffer buffer;
        for (int x = 0; x <= 20000; ++x)
            buffer.points.emplace_back(x, x == 12345 ? 9.5 : x % 7);
        const PointSeriesExtremes extremes = updateSeries(chartSeries, buffer);
        const int columns = int(rig.chart.plotArea().width());
        QVERIFY(columns > 100);
        QVERIFY2(chartSeries->count() <= 2 * columns, qPrintable(QString::number(chartSeries->count())));
        QVERIFY(chartSeries->pointsVector().contains(QPointF(12345, 9.5)));
        QCOMPARE(extremes->second, QPointF(12345, 9.5));
        QCOMPARE(extremes->first.y(), 0.0);
    }

    void updateSeriesWithoutPointsOrAxis()
    {
        ChartRig rig(0, 100);
        auto* chartSeries = rig.add(new QLineSeries);
        G series(G::LineSeries, G::Voltage, M::VLFSin);
        chartSeries->append(1, 1);
        QSignalSpy range(&series, &G::rangeChanged);
        series.updateSeries(chartSeries);
        QVERIFY(chartSeries->pointsVector().isEmpty());
        QCOMPARE(range.count(), 0);

        // Without a horizontal axis there is no window: nothing is shown.
        QLineSeries loose;
        PointSeriesBuffer buffer;
        fill(buffer, {{1, 1}});
        QVERIFY(!updateSeries(&loose, buffer));
        QVERIFY(loose.pointsVector().isEmpty());
    }

    void areaSeriesUsesTheAreasWindowAndWidens()
    {
        ChartRig rig(15, 40);
        QAreaSeries* area = rig.area();
        G series(G::AreaSeries, G::Leakage, M::DC);
        series.setCurrent(10, 2);
        series.setCurrent(20, -1);
        series.setCurrent(30, 30);
        series.setMinMax(0, 1);
        series.updateSeries(area);
        QCOMPARE(area->upperSeries()->pointsVector(), Points({{15, 2}, {20, 2}, {30, 30}}));
        QCOMPARE(area->lowerSeries()->pointsVector(), Points({{15, -1}, {20, -1}, {30, -1}}));
        QCOMPARE(series.maximum(), 40.0);
        QCOMPARE(series.minimum(), -40.0 / 3);
    }

    void trendCollectsBeforeTheStart()
    {
        TrendSeries trend(G::Leakage, M::DC);
        QSignalSpy fits(&trend, &G::currentChanged);
        for (int i = 0; i < 1100; ++i)
            trend.setCurrent(1000.0 * i, i);
        QCOMPARE(fits.count(), 0);
        QCOMPARE(trend.trendState(), TrendSeries::Undefined);
        QCOMPARE(trend.current(), 0.0); // never enters the point buffers

        // The nominal voltage starts the 45 s delay once; a repeat does not restart it.
        auto* start = trend.findChild<QTimer*>(QStringLiteral("startTimer"));
        QVERIFY(start);
        emit trend.nominalVoltageReached();
        QVERIFY(start->isActive());
        QTest::qWait(60);
        emit trend.nominalVoltageReached();
        QVERIFY(start->remainingTime() <= TrendSeries::StartDelayMs - 50);
        trend.reset();
        QVERIFY(!start->isActive());
        trend.startCalculation();
        emit trend.nominalVoltageReached();
        QVERIFY(!start->isActive());

        // Samples 100 ms apart refit on every tenth; the oldest of more than 1001 drop out.
        for (int i = 0; i <= 29; ++i)
            trend.setCurrent(100.0 * i, 1);
        QCOMPARE(fits.count(), 2); // at 1000 and 2000 ms
        trend.setCurrent(2999, 1);
        QCOMPARE(fits.count(), 2);
        trend.setCurrent(3000, 1);
        QCOMPARE(fits.count(), 3);
    }

    void trendRating_data()
    {
        QTest::addColumn<Points>("points");
        QTest::addColumn<int>("state");
        QTest::addColumn<int>("fits");
        // With (0, a) and (1024, b) the line runs from a to b: the change is |1 - b / a|.
        QTest::newRow("constant") << Points({{0, 5}, {1024, 5}}) << int(TrendSeries::Green) << 1;
        QTest::newRow("0.10 down") << Points({{0, 20}, {1024, 18}}) << int(TrendSeries::Green) << 1;
        QTest::newRow("0.125 up") << Points({{0, 8}, {1024, 9}}) << int(TrendSeries::Orange) << 1;
        QTest::newRow("0.15 up") << Points({{0, 20}, {1024, 23}}) << int(TrendSeries::Orange) << 1;
        QTest::newRow("0.2 up") << Points({{0, 20}, {1024, 24}}) << int(TrendSeries::Red) << 1;
        QTest::newRow("starts at zero") << Points({{0, 0}, {1024, 5}}) << int(TrendSeries::Undefined) << 1;
        QTest::newRow("one time only") << Points({{1024, 1}}) << int(TrendSeries::Undefined) << 0;
    }
    void trendRating()
    {
        QFETCH(Points, points);
        TrendSeries trend(G::Leakage, M::DC);
        trend.startCalculation();
        QSignalSpy fits(&trend, &G::currentChanged);
        for (const QPointF& p : points)
            trend.setCurrent(p.x(), p.y());
        QTEST(int(trend.trendState()), "state");
        QTEST(fits.count(), "fits");

        // No fit, no arrow.
        ChartRig rig(0, 2000);
        QAreaSeries* area = rig.area();
        trend.updateSeries(area);
        QCOMPARE(area->upperSeries()->count(), fits.count() ? 4 : 0);
    }

    void trendArrowKeepsItsMinimumHeight()
    {
        ChartRig rig(0, 2000);
        QAreaSeries* area = rig.area();
        TrendSeries trend(G::Leakage, M::DC);
        trend.setCurrent(0, 0.001);
        trend.updateSeries(area); // not calculating: nothing drawn
        QCOMPARE(area->upperSeries()->count(), 0);
        trend.startCalculation();
        trend.setCurrent(1024, 0.001);
        trend.updateSeries(area);
        const double twelvePixels = 2 * std::abs(rig.chart.mapToValue(QPointF(0, 6), area).y()
                                                 - rig.chart.mapToValue(QPointF(0, 0), area).y());
        QVERIFY(twelvePixels > 0.1);
        const Points upper = area->upperSeries()->pointsVector();
        const Points lower = area->lowerSeries()->pointsVector();
        QCOMPARE(upper.size(), 4);
        QCOMPARE(upper.last(), QPointF(1024, twelvePixels)); // the tip
        QCOMPARE(lower.last(), upper.last());
        // A 12 px shaft around the lifted line, so its lower edge sits 6 px up; the head
        // is 36 px wide.
        const auto near = [twelvePixels](double a, double b) { return std::abs(a - b * twelvePixels) < 1e-3; };
        const auto shaft = std::minmax({upper.first().y(), lower.first().y()});
        QVERIFY(near(shaft.first, 0.5) && near(shaft.second, 1.5));
        const auto head = std::minmax({upper.at(2).y(), lower.at(2).y()});
        QVERIFY(near(head.first, -0.5) && near(head.second, 2.5));
    }

    void chartDecoratorStylesTheChart()
    {
        QQuickItem item;
        auto* holder = new QObject(&item);
        auto* scene = new QGraphicsScene(holder);
        auto* chart = new QChart;
        scene->addItem(chart);
        ChartDecorator decorator;

        decorator.setPlotAreaBackground(&item, Qt::red);
        QCOMPARE(chart->plotAreaBackgroundBrush().color(), QColor(Qt::red));
        QVERIFY(chart->isPlotAreaBackgroundVisible());

        decorator.setPlotAreaGradient(&item, 0.3, Qt::black, Qt::gray, Qt::white);
        const QGradient* gradient = chart->plotAreaBackgroundBrush().gradient();
        QVERIFY(gradient);
        QCOMPARE(gradient->coordinateMode(), QGradient::ObjectBoundingMode);
        QCOMPARE(gradient->stops(), QGradientStops({{0.0, Qt::black}, {0.3, Qt::gray}, {1.0, Qt::white}}));

        QValueAxis axis;
        decorator.setGridLineColor(&axis, Qt::green);
        QCOMPARE(axis.gridLineColor(), QColor(Qt::green));
        QCOMPARE(axis.minorGridLineColor(), QColor(Qt::green));
        decorator.setGridLineColor(nullptr, Qt::green);
        QQuickItem bare;
        decorator.setPlotAreaBackground(&bare, Qt::blue);
        decorator.setPlotAreaBackground(nullptr, Qt::blue);
    }
};

QTEST_MAIN(TstGraphSeries)
#include "tst_graphseries.moc"
