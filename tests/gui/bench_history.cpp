// Hand-run: the history of a store of 5,000 records in the window (software renderer,
// offscreen): opening the page to the drawn list, "select all" to the updated counters,
// and opening a one-hour record to its drawn results page.
#include "core/GlobalFuncs.h"
#include "datamodel/DataModell.h"
#include "fakes/DataModelFixture.h"
#include "fakes/RecordBuilder.h"
#include "fakes/BenchWindow.h"
#include "gui/GuiViewModel.h"
#include "gui/QmlTypes.h"
#include "testrun/File.h"
#include "testrun/TTestChart.h"
#include "testrun/TestChart.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QQmlApplicationEngine>
#include <QQmlContext>
#include <QQmlExpression>
#include <QQuickWindow>
#include <QTimer>
#include <QTranslator>

#include <algorithm>
#include <cstdio>

using namespace TestChart;

namespace {
constexpr int kRounds = 5;

bool waitForFrame(QQuickWindow* window) { return BenchWindow::waitForFrame(window); }

// Runs the event loop until the condition holds; false after the time-out.
template <typename Condition>
bool waitFor(Condition condition, int timeoutMs)
{
    QElapsedTimer t;
    t.start();
    while (!condition()) {
        if (t.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

bool write(const VLF::TestData& data)
{
    const QString name = exportFileName(data);
    const QString folder = GlobalFuncs::getUsbPath(GlobalFuncs::InternalMeasurements) + '/' + name.section('-', 1, 1);
    return QDir().mkpath(folder) && VLF::File::write(folder + '/' + name, data);
}

void report(const char* what, QVector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    std::printf("%-52s median %8.1f ms, max %8.1f ms\n", what, ms.at(ms.size() / 2), ms.last());
}
} // namespace

int main(int argc, char** argv)
{
    BenchWindow::usePlatform();
    QApplication app(argc, argv);
    DataModelFixture fixture;
    registerQmlTypes();
    QTranslator english;
    BenchWindow::installEnglish(&english);

    // 100 days of 50 ten-minute tests on 5 cables, a third of them tan delta tests.
    QElapsedTimer t;
    t.start();
    const QDateTime first(QDate(2025, 1, 1), QTime(6, 0));
    for (int day = 0; day < 100; ++day)
        for (int n = 0; n < 50; ++n) {
            const auto mode = n % 3 == 0 ? OperatingModes::TanDelta : OperatingModes::VLFSin;
            if (!write(RecordBuilder::benchRecord(first.addDays(day).addSecs(n * 600), 6000, 60, mode,
                                                  QStringLiteral("Cable %1").arg(n % 5))))
                return 2;
        }
    // One hour at 100 ms: 36,000 samples and 360 periods, the newest test.
    if (!write(RecordBuilder::benchRecord(QDateTime(QDate(2025, 6, 1), QTime(12, 0)), 36000, 360,
                                          OperatingModes::VLFSin, QStringLiteral("Long"))))
        return 2;
    std::printf("store of 5,001 records written in %.1f s\n", t.elapsed() / 1000.0);

    TTestChart chart;
    GuiViewModel vm; // outlives the engine and its bindings
    vm.activities()->setTestChart(&chart);
    BenchWindow bench;
    if (!bench.load(&vm))
        return 1;
    QQuickWindow* window = bench.window;
    // The view model's own first list, 3 s after its start, is not part of the figures.
    waitFor([&vm] { return vm.activities()->activityModel()->rowCount() > 0; }, 10000);

    Activities* activities = vm.activities();
    QQmlExpression push(qmlContext(window), window,
                        QStringLiteral("pageStack.push(\"qrc:/Vlf/Pages/Items/ActivitiesPage.qml\")"));
    QQmlExpression pop(qmlContext(window), window, QStringLiteral("pageStack.pop(null)"));
    QQmlExpression depth(qmlContext(window), window, QStringLiteral("pageStack.depth"));
    QQmlExpression load(qmlContext(window), window, QStringLiteral("pageStack.currentItem.openSelected()"));
    QVector<double> lists, selections, counted, opens;
    for (int round = 0; round < kRounds; ++round) {
        t.restart();
        push.evaluate();
        if (!waitForFrame(window))
            return 3;
        lists << t.nsecsElapsed() / 1e6;

        ActivityModel* model = activities->activityModel();
        int tests = 0;
        for (int r = 0; r < model->rowCount(); ++r)
            tests += model->index(r).data(ActivityModel::EntryTypeRole).toInt() == ActivityTypes::Measurement;
        t.restart();
        activities->selectAllActivities(true);
        selections << t.nsecsElapsed() / 1e6;
        if (!waitFor([&] { return activities->selectedMeasurments() == tests; }, 10000))
            return 4;
        waitForFrame(window);
        counted << t.nsecsElapsed() / 1e6;

        // Only the one-hour test, the first one listed.
        activities->selectAllActivities(false);
        model->setData(model->index(1), int(Qt::Checked), ActivityModel::EntryIsSelectedRole);
        waitFor([&] { return activities->selectedMeasurments() == 1; }, 10000);
        t.restart();
        load.evaluate();
        if (!waitFor([&] { return depth.evaluate().toInt() == 3; }, 10000) || !waitForFrame(window))
            return 5;
        opens << t.nsecsElapsed() / 1e6;
        pop.evaluate();
        waitForFrame(window);
    }
    std::printf("%d rows, %d selected tests\n", activities->activityModel()->rowCount(),
                activities->selectedMeasurments());
    report("open the history to the drawn list (goal 2000 ms)", lists);
    report("select all: the rows marked", selections);
    report("select all to the drawn counters (goal 500 ms; 200 ms of it coalescing)", counted);
    report("open the one-hour record to the drawn results page", opens);
    return 0;
}
