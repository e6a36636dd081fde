#pragma once

#include "datamodel/OperatingModes.h"

#include <QObject>

// The live view of a running test; its values and graphs come with the live page.
class TestMeasurement : public QObject {
    Q_OBJECT
public:
    explicit TestMeasurement(QObject* parent = nullptr);

    OperatingModes::OperatingMode mode() const { return m_mode; }

public slots:
    void onOperationModeChange(OperatingModes::OperatingMode mode);
    // Clears what the last test left before a new one starts.
    void reset();

signals:
    void modeChanged();
    void resetDone();

private:
    OperatingModes::OperatingMode m_mode = OperatingModes::None;
};
