#pragma once

#include "commissioning/CascadePowerMachine.h"
#include "commissioning/PowerPoint.h"
#include "commissioning/StatesAndTransitions.h"

#include <QMetaObject>

class QTimer;
class TPOF;

namespace Commissioning {

// One point of the power envelope: sets the cascades to it and, 900 ms later, hands
// the cascade and output readings to the machine, whose transitions judge the point.
// A failed reading is taken again 900 ms later; the third in a row ends the run.
class PowerLevel : public StatesAndTransitions::State<CascadePowerMachine::Event> {
public:
    PowerLevel(CascadePowerMachine* machine, TPOF* pof, PowerPoint point);
    ~PowerLevel() override;

    void onEntry() override;
    void onExit() override;

    PowerPoint point() const { return m_point; }

private:
    void poll();

    CascadePowerMachine* m_machine;
    TPOF* m_pof;
    PowerPoint m_point;
    QTimer* m_timer; // owned by the machine
    int m_failedReadings = 0;
    QMetaObject::Connection m_connection;
};

} // namespace Commissioning
