// Hand-run: how long a page takes from its push on the page stack to the next frame on
// screen, for every page in the resources that opens with the root view model alone.
#include "fakes/DataModelFixture.h"
#include "fakes/RecordBuilder.h"
#include "datamodel/DataModell.h"
#include "fakes/BenchWindow.h"
#include "gui/GuiViewModel.h"
#include "gui/MeasurementData.h"
#include "testrun/TanDeltaPhaseData.h"

#include <QDirIterator>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QQmlApplicationEngine>
#include <QQmlComponent>
#include <QQmlContext>
#include <QQmlExpression>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {
constexpr int kPushes = 20;

bool waitForFrame(QQuickWindow* window) { return BenchWindow::waitForFrame(window, 5000); }
} // namespace

int main(int argc, char** argv)
{
    BenchProgram program(argc, argv);
    DataModelFixture& fixture = program.fixture;
    stIdentification id;
    id.operatingModeMask = ~quint64(0);
    fixture.dm()->setHVIdentification(id);

    GuiViewModel vm; // outlives the engine and its bindings
    BenchWindow bench;
    if (!bench.load(&vm))
        return 1;
    QQmlApplicationEngine& engine = bench.engine;
    QQuickWindow* window = bench.window;
    auto* stack = window->findChild<QQuickItem*>(QStringLiteral("pageStack"));
    if (!stack)
        return 1;

    // The configuration pages show a tan delta test, the confirmation page its two rows.
    fixture.dm()->changeOperatingMode(OperatingModes::TanDelta);
    vm.operatingModeChanged(OperatingModes::TanDelta);
    for (int i = 0; i < 10 && !vm.config()->confirmParameter(); ++i) {
    }

    // A selection page is shown with the first group of the menu.
    QVariantMap props;
    props.insert(QStringLiteral("node"), QVariant::fromValue<QObject*>(vm.menuEntries().value(0)));
    // The chart pages show ten minutes of a sine test.
    MeasurementData data;
    data.createData(OperatingModes::VLFSin, 100);
    for (quint32 ms = 100; ms <= 600000; ms += 100) {
        stMeasurementValues sample;
        sample.timeStamp = ms;
        sample.voltage = qint32(20000000 * std::sin(ms / 10000.0 * 2 * M_PI));
        data.updateMeasurementValues(sample);
        if (ms % 10000 == 0) {
            stPeriodicMeasurementValues period;
            period.timeStamp = ms;
            period.voltage = 14142000;
            period.current = 3000000;
            period.tanDelta = 1500;
            data.updatePeriodicMeasurementValues(period);
        }
    }
    props.insert(QStringLiteral("measurementData"), QVariant::fromValue<QObject*>(&data));
    // The result pages show a three-phase tan delta test.
    TestResultsTanDelta* tanDelta = vm.results()->tanDelta();
    const auto record = RecordBuilder::threePhaseTanDelta();
    tanDelta->setTestedPhases(IPhaseSelect::Phases(7));
    tanDelta->setFactors(TestChart::getStepsAndVoltageFactorList(record).second, 3);
    tanDelta->setInsulationType(TanDelta::evaluation::PE_XLPE);
    tanDelta->setStandard(TanDelta::evaluation::IEEE2013);
    for (const auto& phase : TestChart::tanDeltaSummary(record))
        tanDelta->setPhaseData(phase.first, phase.second);
    props.insert(QStringLiteral("measurement"), QVariant::fromValue<QObject*>(vm.results()));
    props.insert(QStringLiteral("tanDelta"), QVariant::fromValue<QObject*>(tanDelta));
    props.insert(QStringLiteral("mode"), int(OperatingModes::TanDelta));

    engine.rootContext()->setContextProperty(QStringLiteral("benchProps"), props);
    std::printf("%-48s %10s %10s\n", "page", "median ms", "max ms");
    QDirIterator it(QStringLiteral(":/Vlf/Pages"), {QStringLiteral("*.qml")}, QDir::Files, QDirIterator::Subdirectories);
    QStringList pages;
    while (it.hasNext())
        pages << it.next();
    pages.sort();
    for (const QString& file : qAsConst(pages)) {
        const QUrl url(QStringLiteral("qrc") + file);
        QQmlComponent probe(&engine, url);
        QObject* object = probe.create();
        // Only pages; controls and the header are no stack pages.
        const bool isPage = object && object->inherits("QQuickPage");
        delete object;
        if (!isPage)
            continue;
        engine.rootContext()->setContextProperty(QStringLiteral("benchUrl"), url.toString());
        QQmlExpression push(qmlContext(window), window, QStringLiteral("pageStack.push(benchUrl, benchProps)"));
        QQmlExpression pop(qmlContext(window), window, QStringLiteral("pageStack.pop()"));
        QVector<double> times;
        for (int i = 0; i < kPushes; ++i) {
            QElapsedTimer timer;
            timer.start();
            push.evaluate();
            if (!waitForFrame(window))
                break;
            times << timer.nsecsElapsed() / 1e6;
            pop.evaluate();
            waitForFrame(window);
            if (stack->property("depth").toInt() != 1)
                std::printf("%s: page stack not back at the main page\n", qPrintable(file));
        }
        if (times.isEmpty()) {
            std::printf("%-48s no frame\n", qPrintable(file));
            continue;
        }
        std::sort(times.begin(), times.end());
        std::printf("%-48s %10.1f %10.1f\n", qPrintable(file), times.at(times.size() / 2), times.last());
    }
    return 0;
}
