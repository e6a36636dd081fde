#pragma once

#include "datamodel/InstrumentTypes.h"

#include <QList>
#include <QObject>

// The HV unit's calibration values and configuration bits. It holds nothing of its own:
// reads ask the data model's cached parameters, new values arrive through
// onHvUnitParamChanged.
class Calibration : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool tanDeltaCalib READ tanDeltaCalib NOTIFY tanDeltaCalibChanged)
public:
    explicit Calibration(QObject* parent = nullptr);

    bool tanDeltaCalib() const;

public slots:
    void onHvUnitParamChanged(eHVUnitParamType type, qulonglong value);

signals:
    void tanDeltaCalibChanged();
    void refreshHVUnitParams(QList<eHVUnitParamType> list);
    void hvUnitParamChanged(eHVUnitParamType type, qulonglong value);
};
