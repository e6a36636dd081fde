#pragma once

#include "datamodel/OperatingModes.h"

#include <QObject>

// Configuration of the next test. The parameter lists and their editing come with the
// configuration pages; the host already follows mode changes and re-reads on demand.
class TestConfiguration : public QObject {
    Q_OBJECT
public:
    explicit TestConfiguration(QObject* parent = nullptr);

    OperatingModes::OperatingMode mode() const { return m_mode; }
    int updates() const { return m_updates; }

    // Back to the defaults before a new test is configured.
    Q_INVOKABLE void reset();

public slots:
    void onOperationModeChange(OperatingModes::OperatingMode mode);
    void updateParameters();

signals:
    void parametersUpdated();
    void resetDone();

private:
    OperatingModes::OperatingMode m_mode = OperatingModes::None;
    int m_updates = 0;
};
