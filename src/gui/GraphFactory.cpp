#include "gui/GraphFactory.h"

#include "core/GlobalFuncs.h"
#include "datamodel/DataModell.h"
#include "gui/GraphSeries.h"
#include "gui/MeasurementGraph.h"
#include "gui/MeasurementTable.h"
#include "gui/TrendSeries.h"

#include <cmath>

using M = OperatingModes;

namespace {
unsigned long liveFrequency()
{
    DataModell* dm = GlobalFuncs::getDM();
    return dm ? dm->getFrequencyUsed() : 0;
}

bool smoothScrolling()
{
    DataModell* dm = GlobalFuncs::getDM();
    return dm && dm->isSmoothScrolling();
}

GraphSeries* periodic(GraphSeries::GraphType type, GraphSeries::DataType data, M::OperatingMode mode,
                      GraphSeries::PeriodicFunction function, MeasurementGraph* graph)
{
    auto* series = new GraphSeries(type, data, mode, graph);
    series->setUpdateFunction(std::move(function));
    return series;
}

GraphSeries* sample(GraphSeries::GraphType type, GraphSeries::DataType data, M::OperatingMode mode,
                    GraphSeries::SampleFunction function, MeasurementGraph* graph)
{
    auto* series = new GraphSeries(type, data, mode, graph);
    series->setUpdateFunction(std::move(function));
    return series;
}

MeasurementGraph* newGraph(M::OperatingMode mode)
{
    auto* graph = new MeasurementGraph();
    graph->setOperatingMode(mode);
    graph->setSmoothScrolling(smoothScrolling());
    return graph;
}
} // namespace

MeasurementGraph* GraphFactory::createDiagram(M::OperatingMode mode)
{
    return createDiagram(mode, liveFrequency());
}

MeasurementGraph* GraphFactory::createDiagram(M::OperatingMode mode, unsigned long frequencyMilliHz)
{
    using G = GraphSeries;
    MeasurementGraph* graph = newGraph(mode);
    graph->setMoveTestTimeRange(false);
    switch (mode) {
    case M::VLFRect:
    case M::VLFCosRect: {
        const G::DataType voltage = mode == M::VLFRect ? G::Voltage : G::VoltageRMS;
        graph->setPrimarySeries(periodic(G::AreaSeries, voltage, mode, getVoltageFromPeriodicValues, graph));
        if (mode == M::VLFCosRect || frequencyMilliHz == LeakageFrequencyMilliHz)
            graph->setSecondarySeries(periodic(G::AreaSeries, G::Leakage, mode, getLeakageFromPeriodicValues, graph));
        auto* trend = new TrendSeries(G::Leakage, mode, graph);
        trend->setUpdateFunction(G::PeriodicFunction(getAbsoluteLeakageFromPeriodicValues));
        graph->setTrendSeries(trend);
        break;
    }
    case M::VLFSin:
        graph->setPrimarySeries(periodic(G::LineSeries, G::VoltageRMS, mode, getVoltageFromPeriodicValues, graph));
        graph->setSecondarySeries(periodic(G::LineSeries, G::CurrentRMS, mode, getCurrentFromPeriodicValues, graph));
        break;
    case M::TanDelta:
    case M::MWTSingle:
    case M::MWTStep:
        graph->setPrimarySeries(periodic(G::LineSeries, G::VoltageRMS, mode, getVoltageFromPeriodicValues, graph));
        graph->setSecondarySeries(periodic(G::ScatterSeries, G::TanDelta, mode, getTanDeltaFromPeriodicValues, graph));
        break;
    default:
        break;
    }
    return graph;
}

MeasurementGraph* GraphFactory::createTrace(M::OperatingMode mode) { return createTrace(mode, liveFrequency()); }

MeasurementGraph* GraphFactory::createTrace(M::OperatingMode mode, unsigned long frequencyMilliHz)
{
    using G = GraphSeries;
    MeasurementGraph* graph = newGraph(mode);
    switch (mode) {
    case M::VLFRect:
    case M::VLFCosRect:
        graph->setPrimarySeries(sample(G::LineSeries, G::Voltage, mode, getVoltageFromMeasurementValues, graph));
        if (mode == M::VLFCosRect || frequencyMilliHz == LeakageFrequencyMilliHz)
            graph->setSecondarySeries(periodic(G::ScatterSeries, G::Leakage, mode, getLeakageFromPeriodicValues, graph));
        break;
    case M::DC:
    case M::SheathTest: {
        graph->setPrimarySeries(
            sample(G::LineSeries, G::Voltage, mode, getAbsoluteVoltageFromMeasurementValues, graph));
        graph->setSecondarySeries(
            sample(G::LineSeries, G::Leakage, mode, getAbsoluteLeakageFromMeasurementValues, graph));
        auto* trend = new TrendSeries(G::Leakage, mode, graph);
        trend->setUpdateFunction(G::SampleFunction(getAbsoluteLeakageFromMeasurementValues));
        graph->setTrendSeries(trend);
        break;
    }
    case M::VLFSin:
        graph->setPrimarySeries(sample(G::LineSeries, G::Voltage, mode, getVoltageFromMeasurementValues, graph));
        break;
    case M::TanDelta:
    case M::MWTSingle:
    case M::MWTStep:
        graph->setPrimarySeries(sample(G::LineSeries, G::Voltage, mode, getVoltageFromMeasurementValues, graph));
        graph->setSecondarySeries(periodic(G::ScatterSeries, G::TanDelta, mode, getTanDeltaFromPeriodicValues, graph));
        break;
    case M::SheathPinpointing:
        graph->setPrimarySeries(
            sample(G::LineSeries, G::Voltage, mode, getAbsoluteVoltageFromMeasurementValues, graph));
        graph->setSecondarySeries(sample(G::LineSeries, G::Current, mode, getCurrentFromMeasurementValues, graph));
        break;
    default:
        break;
    }
    return graph;
}

MeasurementTable* GraphFactory::createTable(M::OperatingMode mode)
{
    auto* table = new MeasurementTable();
    if (mode == M::TanDelta || mode == M::MWTSingle || mode == M::MWTStep) {
        table->setColumns({MeasurementTable::IndexColumn, MeasurementTable::VoltageColumn,
                           MeasurementTable::TanDeltaColumn});
        table->setUpdateFunction(getTanDeltaTableValuesFromPeriodicValues);
    }
    return table;
}

double GraphFactory::getVoltageFromPeriodicValues(const stPeriodicMeasurementValues* values)
{
    return values->voltage / 1e6;
}

double GraphFactory::getCurrentFromPeriodicValues(const stPeriodicMeasurementValues* values)
{
    return values->current / 1e6;
}

double GraphFactory::getLeakageFromPeriodicValues(const stPeriodicMeasurementValues* values)
{
    return values->current / 1e6;
}

double GraphFactory::getAbsoluteLeakageFromPeriodicValues(const stPeriodicMeasurementValues* values)
{
    return std::abs(getLeakageFromPeriodicValues(values));
}

double GraphFactory::getTanDeltaFromPeriodicValues(const stPeriodicMeasurementValues* values)
{
    return values->tanDelta / 1000.0;
}

QList<QVariant> GraphFactory::getTanDeltaTableValuesFromPeriodicValues(const stPeriodicMeasurementValues* values)
{
    return {getVoltageFromPeriodicValues(values), getTanDeltaFromPeriodicValues(values)};
}

double GraphFactory::getVoltageFromMeasurementValues(const stMeasurementValues* values)
{
    return values->voltage / 1e6;
}

double GraphFactory::getAbsoluteVoltageFromMeasurementValues(const stMeasurementValues* values)
{
    return std::abs(getVoltageFromMeasurementValues(values));
}

double GraphFactory::getCurrentFromMeasurementValues(const stMeasurementValues* values)
{
    return values->current / 1e6;
}

double GraphFactory::getAbsoluteLeakageFromMeasurementValues(const stMeasurementValues* values)
{
    return std::abs(getCurrentFromMeasurementValues(values));
}
