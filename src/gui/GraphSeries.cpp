#include "gui/GraphSeries.h"

#include "gui/PointSeriesBuffer.h"

#include <QAreaSeries>
#include <QLineSeries>
#include <QXYSeries>

#include <cmath>

using namespace QtCharts;

const QVector<double> GraphSeries::MaximumValues = {0.02, 0.04, 0.1, 0.4, 1,  2,   3,   5,    8,    10,   15,   20,   25,
                                                    30,   40,   50,  60,  80, 100, 200, 400, 1000, 2000, 4000, 10000};

struct GraphSeries::Private {
    GraphType graphType;
    DataType dataType;
    OperatingModes::OperatingMode mode;
    double maximum = 0;
    double minimum = 0;
    double current = 0;
    PointSeriesBuffer upper;
    PointSeriesBuffer lower;
    SampleFunction sampleFunction;
    PeriodicFunction periodicFunction;
};

namespace {
struct DataText {
    const char* label;
    const char* unit;
};

// By DataType; anything outside shows as the last row.
constexpr DataText kDataTexts[] = {
    {"undefined", "undefined"}, {"U <sub>RMS</sub>", "kV"}, {"U", "kV"},           {"I", "mA"},
    {"I <sub>RMS</sub>", "mA"}, {"I <sub>Leak</sub>", "mA"}, {"TANδ", "1E-3"},
};
constexpr int kDataTextCount = int(sizeof(kDataTexts) / sizeof(kDataTexts[0]));

const DataText& dataText(GraphSeries::DataType type)
{
    const int t = int(type);
    return kDataTexts[t >= 0 && t < kDataTextCount ? t : kDataTextCount - 1];
}

bool isLate(double x, const PointSeriesBuffer& buffer)
{
    QReadLocker lock(&buffer.lock);
    return !buffer.points.empty() && x < buffer.points.back().x();
}

void clearBuffer(PointSeriesBuffer& buffer)
{
    QWriteLocker lock(&buffer.lock);
    buffer.points.clear();
}
} // namespace

GraphSeries::GraphSeries(GraphType graphType, DataType dataType, OperatingModes::OperatingMode mode, QObject* parent)
    : QObject(parent), d(std::make_unique<Private>())
{
    d->graphType = graphType;
    d->dataType = dataType;
    d->mode = mode;
    // Not the virtual one: a derived series is not built yet.
    GraphSeries::reset();
}

GraphSeries::~GraphSeries() = default;

GraphSeries::GraphType GraphSeries::graphType() const { return d->graphType; }
GraphSeries::DataType GraphSeries::dataType() const { return d->dataType; }
OperatingModes::OperatingMode GraphSeries::operatingMode() const { return d->mode; }

void GraphSeries::setUpdateFunction(SampleFunction function) { d->sampleFunction = std::move(function); }
void GraphSeries::setUpdateFunction(PeriodicFunction function) { d->periodicFunction = std::move(function); }

void GraphSeries::updateMeasurement(const stMeasurementValues* sample)
{
    if (sample && d->sampleFunction)
        setCurrent(sample->timeStamp, d->sampleFunction(sample));
}

void GraphSeries::updateMeasurement(const stPeriodicMeasurementValues* record)
{
    if (record && d->periodicFunction)
        setCurrent(record->timeStamp, d->periodicFunction(record));
}

bool GraphSeries::isSymetric() const
{
    return d->dataType == Current
        || (d->dataType == Leakage && (d->mode == OperatingModes::VLFRect || d->mode == OperatingModes::VLFCosRect));
}

double GraphSeries::maximum() const
{
    const bool symmetric = isSymetric();
    const double m = symmetric ? std::max(std::abs(d->maximum), std::abs(d->minimum)) : d->maximum;
    switch (d->dataType) {
    case Undefined:
        return 0;
    case VoltageRMS:
    case Voltage:
        return std::max(m, 1.0);
    default:
        return std::max(m, symmetric ? 0.01 : 0.03);
    }
}

double GraphSeries::minimum() const { return isSymetric() ? -maximum() : d->minimum; }
double GraphSeries::current() const { return d->current; }
QString GraphSeries::label() const { return QString::fromUtf8(dataText(d->dataType).label); }
QString GraphSeries::unit() const { return QString::fromUtf8(dataText(d->dataType).unit); }

void GraphSeries::setMinMax(double min, double max)
{
    const auto step = std::find_if(MaximumValues.cbegin(), MaximumValues.cend(), [max](double s) { return s >= max; });
    if (step != MaximumValues.cend())
        d->maximum = *step;
    if (min == 0) {
        d->minimum = 0;
        emit rangeChanged();
        return;
    }
    const auto below = std::find_if(MaximumValues.cbegin(), MaximumValues.cend(), [min](double s) { return min + s >= 0; });
    const double candidate = below != MaximumValues.cend() ? -*below : 0.0;
    // A negative part keeps at least a third of the positive one, so that the zero line
    // does not sit at the bottom edge.
    if (d->maximum > 0 && candidate < 0 && d->maximum / 3 > -candidate)
        d->minimum = -d->maximum / 3;
    else
        d->minimum = candidate;
    emit rangeChanged();
}

void GraphSeries::updateMinMax(double value)
{
    const double lo = minimum();
    const double hi = maximum();
    const double margin = std::abs(hi - lo) * 0.1;
    const double up = value + margin;
    const double low = d->minimum < 0 ? value - margin : value;
    if (up > hi)
        setMinMax(low < lo ? low : lo, up);
    else if (low < lo)
        setMinMax(low, hi);
}

void GraphSeries::reset()
{
    d->maximum = MaximumValues.first();
    d->minimum = 0;
    d->current = 0;
    clearBuffer(d->upper);
    clearBuffer(d->lower);
    emit rangeChanged();
}

void GraphSeries::setCurrent(double x, double y)
{
    // Late values are dropped, not sorted in: the window search needs ordered x. An area
    // fed only values at or below zero has nothing in its upper buffer, so both count.
    if (isLate(x, d->upper) || isLate(x, d->lower))
        return;
    {
        QWriteLocker upperLock(&d->upper.lock);
        QWriteLocker lowerLock(&d->lower.lock);
        if (d->graphType != AreaSeries) {
            d->upper.points.emplace_back(x, y);
        } else {
            // Positive values raise the upper outline, the others lower the lower one; the
            // other outline advances to the same time at its last level.
            auto& target = y > 0 ? d->upper.points : d->lower.points;
            auto& other = y > 0 ? d->lower.points : d->upper.points;
            if (target.empty())
                target.emplace_back(0, y);
            target.emplace_back(x, y);
            if (!other.empty())
                other.emplace_back(x, other.back().y());
        }
    }
    updateMinMax(y);
    d->current = y;
    emit currentChanged();
}

void GraphSeries::setStartTime(double time)
{
    removeValuesBefore(time, d->upper);
    removeValuesBefore(time, d->lower);
}

void GraphSeries::initSeries(QAbstractSeries* series)
{
    if (auto* xy = qobject_cast<QXYSeries*>(series)) {
        if (const auto range = ::initSeries(xy, d->upper))
            setMinMax(range->first.y(), range->second.y());
    } else if (auto* area = qobject_cast<QAreaSeries*>(series)) {
        const auto upper = ::initSeries(area->upperSeries(), d->upper);
        const auto lower = ::initSeries(area->lowerSeries(), d->lower);
        if (upper && lower)
            setMinMax(std::min(upper->first.y(), lower->first.y()), std::max(upper->second.y(), lower->second.y()));
    }
    emit currentChanged();
}

void GraphSeries::updateSeries(QAbstractSeries* series)
{
    if (auto* xy = qobject_cast<QXYSeries*>(series)) {
        if (const auto range = ::updateSeries(xy, d->upper)) {
            updateMinMax(range->first.y());
            updateMinMax(range->second.y());
        }
    } else if (auto* area = qobject_cast<QAreaSeries*>(series)) {
        const auto upper = ::updateSeries(area->upperSeries(), d->upper, area);
        const auto lower = ::updateSeries(area->lowerSeries(), d->lower, area);
        if (upper && lower) {
            updateMinMax(std::min(upper->first.y(), lower->first.y()));
            updateMinMax(std::max(upper->second.y(), lower->second.y()));
        }
    }
}
