#pragma once

#include "datamodel/InstrumentTypes.h"
#include "datamodel/OperatingModes.h"

#include <QObject>
#include <QString>
#include <QVector>

#include <functional>
#include <memory>

namespace QtCharts {
class QAbstractSeries;
}

// One curve of a measurement chart: turns records into points (x = test time in ms,
// y = value in the display unit), follows the range its axis must show and copies the
// points of the visible window into the chart series the page made for it.
class GraphSeries : public QObject {
    Q_OBJECT
    Q_PROPERTY(GraphType graphType READ graphType CONSTANT)
    Q_PROPERTY(DataType dataType READ dataType CONSTANT)
    Q_PROPERTY(double current READ current NOTIFY currentChanged)
    Q_PROPERTY(double maximum READ maximum NOTIFY rangeChanged)
    Q_PROPERTY(double minimum READ minimum NOTIFY rangeChanged)
    Q_PROPERTY(QString label READ label NOTIFY unitChanged)
    Q_PROPERTY(QString unit READ unit NOTIFY unitChanged)
public:
    // The Qt Charts series-type numbers, so that QML picks the chart series by them.
    enum GraphType : int {
        UndefinedSeries = -1,
        LineSeries = 0,
        AreaSeries = 1,
        ScatterSeries = 6,
    };
    Q_ENUM(GraphType)

    enum DataType : int {
        Undefined = 0,
        VoltageRMS = 1,
        Voltage = 2,
        Current = 3,
        CurrentRMS = 4,
        Leakage = 5,
        TanDelta = 6,
    };
    Q_ENUM(DataType)

    using SampleFunction = std::function<double(const stMeasurementValues*)>;
    using PeriodicFunction = std::function<double(const stPeriodicMeasurementValues*)>;

    // The steps to which axis limits snap.
    static const QVector<double> MaximumValues;

    GraphSeries(GraphType graphType, DataType dataType, OperatingModes::OperatingMode mode,
                QObject* parent = nullptr);
    ~GraphSeries() override;

    GraphType graphType() const;
    DataType dataType() const;
    OperatingModes::OperatingMode operatingMode() const;

    void setUpdateFunction(SampleFunction function);
    void setUpdateFunction(PeriodicFunction function);
    void updateMeasurement(const stMeasurementValues* sample);
    void updateMeasurement(const stPeriodicMeasurementValues* record);

    void setMinMax(double min, double max);
    void updateMinMax(double value);
    bool isSymetric() const;
    double maximum() const;
    double minimum() const;
    double current() const;
    QString label() const;
    QString unit() const;

public slots:
    virtual void initSeries(QtCharts::QAbstractSeries* series);
    virtual void updateSeries(QtCharts::QAbstractSeries* series);
    virtual void reset();
    virtual void setCurrent(double x, double y);
    virtual void setStartTime(double time);

signals:
    void currentChanged();
    void rangeChanged();
    void unitChanged();
    void nominalVoltageReached();

private:
    struct Private;
    std::unique_ptr<Private> d;
};
