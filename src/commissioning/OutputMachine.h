#pragma once

#include "commissioning/CommissioningValues.h"

#include <QObject>

namespace Commissioning {

// Base of the machines that report the HV unit's output values.
class OutputMachine : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

public slots:
    virtual void receiveOutput(Commissioning::OutputValues const& values) = 0;

signals:
    void measurementUpdate(double voltage, double current);
};

} // namespace Commissioning
