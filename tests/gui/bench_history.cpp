// Hand-run: the history of a store of 5,000 records in the window (software renderer,
// offscreen): opening the page to the drawn list, "select all" to the updated counters,
// and opening a one-hour record to its drawn results page.
// With the argument "program": the whole program against the simulated unit opens a
// 10-minute, a 120-minute and a 100 MB record from its history: the longest stall of the
// GUI thread (min / median / max over the opens), the watchdog's missed heartbeats and the
// growth of the resident memory.
#include "core/GlobalFuncs.h"
#include "datamodel/DataModell.h"
#include "fakes/RecordBuilder.h"
#include "fakes/BenchWindow.h"
#include "fakes/ProgramBench.h"
#include "fakes/StallMeter.h"
#include "gui/GuiViewModel.h"
#include "testrun/File.h"
#include "testrun/TTestChart.h"
#include "testrun/TestChart.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QQmlApplicationEngine>
#include <QQmlContext>
#include <QQmlExpression>
#include <QQuickWindow>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <sys/wait.h>
#include <unistd.h>

using namespace TestChart;

namespace {
constexpr int kRounds = 5;

bool waitForFrame(QQuickWindow* window) { return BenchWindow::waitForFrame(window); }

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

// The history page pushed, the stack popped (to the main page with `null`), its depth, and
// the history's Load, as QML expressions in the window.
struct PageStack {
    PageStack(QQuickWindow* window, const QString& popTo)
        : push(qmlContext(window), window, QStringLiteral("pageStack.push(\"qrc:/Vlf/Pages/Items/ActivitiesPage.qml\")")),
          pop(qmlContext(window), window, QStringLiteral("pageStack.pop(%1)").arg(popTo)),
          depth(qmlContext(window), window, QStringLiteral("pageStack.depth")),
          load(qmlContext(window), window, QStringLiteral("pageStack.currentItem.openSelected()"))
    {
    }
    QQmlExpression push;
    QQmlExpression pop;
    QQmlExpression depth;
    QQmlExpression load;
};

// Records of the program's history, written by a child process so that building them
// leaves no trace in this process's memory.
bool writeProgramRecords()
{
    const pid_t child = fork();
    if (child < 0)
        return false;
    if (child == 0) {
        const QDateTime day(QDate(2025, 6, 1), QTime(8, 0));
        // Ten minutes, 120 minutes, and 10.5 million samples: about 100 MB.
        const bool ok = write(RecordBuilder::benchRecord(day, 6000, 60, OperatingModes::VLFSin, QStringLiteral("Ten")))
            && write(RecordBuilder::benchRecord(day.addSecs(3600), 72000, 720, OperatingModes::VLFSin,
                                                QStringLiteral("Long")))
            && write(RecordBuilder::benchRecord(day.addSecs(7200), 10500000, 105000, OperatingModes::VLFSin,
                                                QStringLiteral("Huge")));
        _exit(ok ? 0 : 1);
    }
    int status = 0;
    return waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

int runProgram(int argc, char** argv)
{
    BenchWindow::usePlatform();
    qunsetenv("CONSOLE_LOGGING");
    SimulatedSurroundings around;
    if (!around.start(true) || !writeProgramRecords())
        return 1;
    ProgramBench program("bench_history", around, argc, argv);
    if (!program.attach())
        return 2;
    ProgramWindow& ui = program.ui;
    const int& missed = program.missed;
    QQuickWindow* window = ui.window();
    PageStack stack(window, QString());
    QQmlExpression& pop = stack.pop;
    QQmlExpression& depth = stack.depth;
    QQmlExpression& load = stack.load;
    stack.push.evaluate();
    Activities* activities = ui.vm()->activities();
    ActivityModel* model = activities->activityModel();
    // A record refused as damaged is not listed; it is opened by its path as a row would be.
    if (!waitFor([model] { return model->rowCount() >= 4; }, 20000))
        return 3;
    const int historyDepth = depth.evaluate().toInt();
    int failed = 0;
    QObject::connect(activities, &Activities::dataLoadFailed, [&failed] { ++failed; });

    struct Case {
        const char* what;
        int opens;
        int hours; // after the first record's start
    };
    StallMeter meter;
    for (const Case& c : {Case{"10-minute record", 12, 0}, Case{"120-minute record", 8, 1},
                          Case{"100 MB record", 5, 2}}) {
        const VLF::TestData named = RecordBuilder::benchRecord(QDateTime(QDate(2025, 6, 1), QTime(8 + c.hours, 0)), 0,
                                                               0, OperatingModes::VLFSin, QString());
        const QString path = GlobalFuncs::getUsbPath(GlobalFuncs::InternalMeasurements) + QStringLiteral("/20250601/")
            + exportFileName(named);
        QVector<double> stalls, works, peaks;
        const int missedBefore = missed;
        int shown = 0;
        int refused = 0;
        for (int round = 0; round < c.opens; ++round) {
            activities->selectAllActivities(false);
            int row = -1;
            for (int r = 0; r < model->rowCount(); ++r) {
                const QModelIndex index = model->index(r);
                if (index.data(ActivityModel::EntryPathRole).toString() == QFileInfo(path).absoluteFilePath()) {
                    model->setData(index, int(Qt::Checked), ActivityModel::EntryIsSelectedRole);
                    row = r;
                }
            }
            // A selection the history dropped would open nothing and count a 30 s wait as an open.
            if (row >= 0 && !waitFor([&] { return activities->selectedMeasurments() == 1; }, 10000)) {
                std::fprintf(stderr, "%s, open %d: the selection was lost\n", c.what, round + 1);
                return 5;
            }
            waitFor([] { return false; }, 300);
            const double before = residentMB();
            const int failedBefore = failed;
            meter.start();
            if (row >= 0)
                load.evaluate();
            else
                QQmlExpression(qmlContext(window), window,
                               QStringLiteral("pageStack.currentItem.loadingRow = 0; "
                                              "guiViewModel.activities.loadActivityData(\"%1\")").arg(path))
                    .evaluate();
            const bool opened = waitFor(
                [&] { return depth.evaluate().toInt() == historyDepth + 1 || failed > failedBefore; }, 30000);
            if (!opened) {
                std::fprintf(stderr, "%s, open %d: Load opened nothing\n", c.what, round + 1);
                return 6;
            }
            waitForFrame(window);
            // Whatever the page still does after its first frame counts too.
            waitFor([] { return false; }, 500);
            stalls << meter.stop();
            works << meter.longestWorkMs();
            peaks << meter.peakMB() - before;
            refused += failed > failedBefore;
            if (depth.evaluate().toInt() > historyDepth) {
                ++shown;
                pop.evaluate();
                waitForFrame(window);
            }
            if (ui.dialogShown() && !ui.tap(QStringLiteral("confirmButton")))
                return 4;
            waitFor([&ui] { return !ui.dialogShown(); }, 5000);
        }
        std::sort(stalls.begin(), stalls.end());
        std::sort(works.begin(), works.end());
        std::sort(peaks.begin(), peaks.end());
        std::printf("%-18s %2d opens, %2d shown, %2d refused; min / median / max:\n"
                    "  longest GUI stall %7.1f / %7.1f / %7.1f ms, %d over 50 ms\n"
                    "  most GUI-thread work in one turn %7.1f / %7.1f / %7.1f ms, %d over 50 ms\n"
                    "  memory growth up to %.0f MB; missed heartbeats %d\n",
                    c.what, c.opens, shown, refused, stalls.first(), stalls.at(stalls.size() / 2), stalls.last(),
                    int(std::count_if(stalls.cbegin(), stalls.cend(), [](double ms) { return ms > 50; })),
                    works.first(), works.at(works.size() / 2), works.last(),
                    int(std::count_if(works.cbegin(), works.cend(), [](double ms) { return ms > 50; })), peaks.last(),
                    missed - missedBefore);
    }
    std::printf("resident memory after the opens: %.0f MB\n", residentMB());
    return 0;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && qstrcmp(argv[1], "program") == 0)
        return runProgram(1, argv);
    BenchProgram program(argc, argv);

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
    PageStack stack(window, QStringLiteral("null"));
    QQmlExpression& push = stack.push;
    QQmlExpression& pop = stack.pop;
    QQmlExpression& depth = stack.depth;
    QQmlExpression& load = stack.load;
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
        if (!waitFor([&] { return activities->selectedMeasurments() == 1; }, 10000))
            return 4;
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
