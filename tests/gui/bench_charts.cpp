// Hand-run: the measurement charts of a 120-minute VLF sine test on the software renderer.
// 1. Live: 10 Hz samples and a record every 10 s, one tab shown and redrawing at the
//    configured interval. The Diagram tab in test minutes 10-20 and 110-120: each minute
//    runs VLF_BENCH_SECONDS (default 60) of real time, the test time between fed at once;
//    CPU of that real time as a share of a core (min / median / max over the ten minutes),
//    redraws and the longest GUI-thread stall. The Trace tab likewise in minutes 10 and 119.
//    The points the trace and the diagram hold.
// 2. Replay: a stored one-hour record read and fed into a fresh MeasurementData, its chart
//    page pushed: the time from the start of the replay to the first drawn frame.
#include "datamodel/DataModell.h"
#include "fakes/DataModelFixture.h"
#include "fakes/BenchWindow.h"
#include "gui/GuiViewModel.h"
#include "gui/MeasurementData.h"
#include "gui/QmlTypes.h"
#include "testrun/TestChart.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineSeries>
#include <QQmlApplicationEngine>
#include <QQmlContext>
#include <QQmlExpression>
#include <QQmlProperty>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <cstdio>
#include <ctime>

namespace {
constexpr double kPeakMilliVolt = 28000000;
constexpr double kPeakNanoAmpere = 4500000;

double cpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

stMeasurementValues sampleAt(quint32 ms)
{
    const double phase = 2 * M_PI * ms / 10000.0;
    stMeasurementValues v;
    v.timeStamp = ms;
    v.voltage = qint32(kPeakMilliVolt * std::sin(phase));
    v.current = qint64(kPeakNanoAmpere * std::cos(phase));
    return v;
}

stPeriodicMeasurementValues periodAt(quint32 ms)
{
    stPeriodicMeasurementValues v;
    v.timeStamp = ms;
    v.voltage = qint32(kPeakMilliVolt / std::sqrt(2.0));
    v.current = qint64(kPeakNanoAmpere / std::sqrt(2.0));
    v.tanDelta = 1200 + ms / 10000 % 13;
    return v;
}

void feed(MeasurementData& data, quint32 ms)
{
    data.updateMeasurementValues(sampleAt(ms));
    if (ms % 10000 == 0)
        data.updatePeriodicMeasurementValues(periodAt(ms));
}

int pointsHeld(GraphSeries* series)
{
    QtCharts::QLineSeries copy;
    series->initSeries(&copy);
    return copy.count();
}

bool waitForFrame(QQuickWindow* window) { return BenchWindow::waitForFrame(window); }

QObject* pushDetails(QQmlApplicationEngine& engine, QQuickWindow* window, MeasurementData* data, int tab)
{
    engine.rootContext()->setContextProperty(QStringLiteral("benchData"), data);
    QQmlExpression push(qmlContext(window), window,
                        QStringLiteral("pageStack.push(\"qrc:/Vlf/Pages/Items/MeasurementDataDetailsPage.qml\", "
                                       "{ \"measurementData\": benchData, \"mode\": %1 })")
                            .arg(int(OperatingModes::VLFSin)));
    QObject* page = push.evaluate().value<QObject*>();
    if (page)
        page->setProperty("currentTab", tab);
    return page;
}

struct MinuteFigures {
    double cpuSeconds = 0;
    double longestStallMs = 0;
    int redraws = 0;
};

// Feeds test time on from ms in real time for `seconds`, the chart redrawing.
MinuteFigures runRealTime(MeasurementData& data, QObject* redrawTimer, quint32& ms, int seconds)
{
    MinuteFigures figures;
    QSignalSpy redraws(redrawTimer, SIGNAL(triggered()));
    QTimer feeder;
    feeder.setTimerType(Qt::PreciseTimer);
    feeder.setInterval(100);
    QObject::connect(&feeder, &QTimer::timeout, [&]() {
        ms += 100;
        feed(data, ms);
    });
    QTimer heartbeat;
    heartbeat.setTimerType(Qt::PreciseTimer);
    heartbeat.setInterval(10);
    QElapsedTimer gap;
    QObject::connect(&heartbeat, &QTimer::timeout, [&]() {
        figures.longestStallMs = std::max(figures.longestStallMs, gap.nsecsElapsed() / 1e6 - 10);
        gap.restart();
    });
    QEventLoop loop;
    const double cpu = cpuSeconds();
    gap.start();
    feeder.start();
    heartbeat.start();
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    figures.cpuSeconds = cpuSeconds() - cpu;
    figures.redraws = redraws.count();
    return figures;
}

// Feeds the test time up to `until` at once, the window handling its events each minute.
void fastForward(MeasurementData& data, quint32& ms, quint32 until)
{
    while (ms < until) {
        ms += 100;
        feed(data, ms);
        if (ms % 60000 == 0)
            QCoreApplication::processEvents();
    }
}

// Test minutes [from, to), each run `seconds` in real time: the CPU share of a core per minute.
void runMinutes(const char* what, MeasurementData& data, QObject* redrawTimer, quint32& ms, int from, int to,
                int seconds)
{
    QVector<double> shares;
    double stall = 0;
    int redraws = 0;
    for (int minute = from; minute < to; ++minute) {
        fastForward(data, ms, quint32(minute) * 60000);
        const MinuteFigures f = runRealTime(data, redrawTimer, ms, seconds);
        shares << f.cpuSeconds / seconds * 100;
        stall = std::max(stall, f.longestStallMs);
        redraws += f.redraws;
    }
    QVector<double> sorted = shares;
    std::sort(sorted.begin(), sorted.end());
    std::printf("  %s, minutes %d-%d: CPU %.2f / %.2f / %.2f %% of a core (mean %.2f %%), %.1f redraws a minute, "
                "longest GUI stall %.1f ms\n",
                what, from, to, sorted.first(), sorted.at(sorted.size() / 2), sorted.last(),
                std::accumulate(shares.cbegin(), shares.cend(), 0.0) / shares.size(), redraws * 60.0 / seconds / shares.size(),
                stall);
}
} // namespace

int main(int argc, char** argv)
{
    BenchWindow::usePlatform();
    QApplication app(argc, argv);
    DataModelFixture fixture;
    registerQmlTypes();
    stIdentification id;
    id.operatingModeMask = ~quint64(0);
    id.maxVoltageRMS = 62000000;
    fixture.dm()->setHVIdentification(id);
    const int seconds = qEnvironmentVariableIsSet("VLF_BENCH_SECONDS") ? qEnvironmentVariableIntValue("VLF_BENCH_SECONDS")
                                                                     : 60;

    GuiViewModel vm;
    BenchWindow bench;
    if (!bench.load(&vm))
        return 1;
    QQmlApplicationEngine& engine = bench.engine;
    QQuickWindow* window = bench.window;
    std::printf("redraw interval %d ms\n", fixture.dm()->graphUpdateIntervall());

    // 1. Live test of 120 minutes, the Diagram tab shown, then the Trace tab.
    for (int tab = 0; tab < 2; ++tab) {
        MeasurementData data;
        data.createData(OperatingModes::VLFSin, 100);
        QObject* page = pushDetails(engine, window, &data, tab);
        if (!page || !waitForFrame(window))
            return 2;
        const QString chart = tab == 0 ? QStringLiteral("diagramTab.chart.redrawTimer")
                                       : QStringLiteral("traceTab.chart.redrawTimer");
        QObject* redrawTimer = QQmlProperty::read(page, chart).value<QObject*>();
        if (!redrawTimer)
            return 3;
        quint32 ms = 0;
        std::printf("live, %s shown (%d s of real time a minute):\n", tab == 0 ? "diagram" : "trace", seconds);
        if (tab == 0) {
            runMinutes("diagram", data, redrawTimer, ms, 10, 20, seconds);
            runMinutes("diagram", data, redrawTimer, ms, 110, 120, seconds);
        } else {
            runMinutes("trace", data, redrawTimer, ms, 10, 11, seconds);
            const int traceFirst = pointsHeld(data.trace()->primarySeries());
            runMinutes("trace", data, redrawTimer, ms, 119, 120, seconds);
            std::printf("  trace points held: %d in minute 10, %d after %.0f minutes\n", traceFirst,
                        pointsHeld(data.trace()->primarySeries()), ms / 60000.0);
        }
        std::printf("  diagram points held: %d\n", pointsHeld(data.diagram()->primarySeries()));
        QQmlExpression(qmlContext(window), window, QStringLiteral("pageStack.pop()")).evaluate();
        waitForFrame(window);
    }

    // 2. Replay of a stored one-hour record.
    {
        using namespace TestChart;
        QTemporaryDir dir;
        VLF::TestData hour;
        VLF::insert(hour, 0, 12, qint64(OperatingModes::VLFSin));
        for (quint32 ms = 100; ms <= 3600000; ms += 100) {
            const stMeasurementValues s = sampleAt(ms);
            VLF::insert(hour, 1, qint32(ms), s.voltage, qint32(s.current));
            if (ms % 10000 == 0) {
                const stPeriodicMeasurementValues p = periodAt(ms);
                VLF::insert(hour, 1, qint32(ms), p.voltage, qint32(p.current), qint32(p.tanDelta));
            }
        }
        const QString path = dir.filePath(QStringLiteral("hour.vlf"));
        if (!writeFile(path, hour))
            return 4;
        for (int tab = 0; tab < 2; ++tab) {
            QElapsedTimer t;
            t.start();
            VLF::TestData back;
            if (!readFile(path, back))
                return 5;
            const double read = t.nsecsElapsed() / 1e6;
            MeasurementData data;
            data.createData(OperatingModes::VLFSin, 100);
            for (const VLF::TestData::Measure& m : qAsConst(back.measure)) {
                stMeasurementValues v;
                v.timeStamp = quint32(m.timestamp);
                v.voltage = m.voltage;
                v.current = m.current;
                data.updateMeasurementValues(v);
            }
            for (const VLF::TestData::Periodic& p : qAsConst(back.periodic)) {
                stPeriodicMeasurementValues v;
                v.timeStamp = quint32(p.timestamp);
                v.voltage = p.voltage;
                v.current = p.amperage;
                v.tanDelta = quint32(p.tanDelta);
                data.updatePeriodicMeasurementValues(v);
            }
            const double fed = t.nsecsElapsed() / 1e6;
            if (!pushDetails(engine, window, &data, tab) || !waitForFrame(window))
                return 6;
            std::printf("replay of one hour (%d samples, %d records), %s shown: first frame after %.0f ms "
                        "(read %.0f ms, fed %.0f ms)\n",
                        back.measure.size(), back.periodic.size(), tab == 0 ? "diagram" : "trace",
                        t.nsecsElapsed() / 1e6, read, fed - read);
            QQmlExpression(qmlContext(window), window, QStringLiteral("pageStack.pop()")).evaluate();
            waitForFrame(window);
        }
    }
    return 0;
}
