#pragma once

#include "commissioning/CascadeCalibrationMachine.h"
#include "commissioning/StatesAndTransitions.h"

#include <QMetaObject>

class QTimer;
class TPOF;

namespace Commissioning {

// One set point of the cascade calibration: drives the cascades to the level (units of
// 100 V), reports its stage, and every 250 ms reports output and cascades and hands the
// output reading to the machine, whose transitions wait for it to settle.
class CascadeOutput : public StatesAndTransitions::State<CascadeCalibrationMachine::Event> {
public:
    CascadeOutput(CascadeCalibrationMachine* machine, TPOF* pof, CascadeCalibrationStage stage, short level);
    ~CascadeOutput() override;

    void onEntry() override;
    void onExit() override;

    short level() const { return m_level; }

private:
    void tick();

    CascadeCalibrationMachine* m_machine;
    TPOF* m_pof;
    QTimer* m_timer; // owned by the machine
    CascadeCalibrationStage m_stage;
    short m_level;
    QMetaObject::Connection m_connection;
};

} // namespace Commissioning
