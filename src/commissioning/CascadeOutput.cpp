#include "commissioning/CascadeOutput.h"

#include "commissioning/PofHelpers.h"
#include "commissioning/TimerScale.h"

#include <QTimer>

namespace Commissioning {

CascadeOutput::CascadeOutput(CascadeCalibrationMachine* machine, TPOF* pof, CascadeCalibrationStage stage, short level)
    : m_machine(machine), m_pof(pof), m_timer(new QTimer(machine)), m_stage(stage), m_level(level)
{
    // A tick that finds a step running is skipped; the next one comes a period later.
    m_connection = QObject::connect(m_timer, &QTimer::timeout, m_timer, [this] { m_machine->runHook([this] { tick(); }); });
}

CascadeOutput::~CascadeOutput() { QObject::disconnect(m_connection); }

void CascadeOutput::onEntry()
{
    // Entered by a step that failed: the run ends with the next event, silently here.
    if (m_machine->failing())
        return;
    if (!setCascade(m_pof, m_level)) {
        m_machine->fail(QStringLiteral("Die Kaskadenspannung %1 kV konnte nicht eingestellt werden.")
                            .arg(m_level / 10.0, 0, 'f', 1));
        return;
    }
    m_timer->start(scaledInterval(250));
    emit m_machine->cascadeMachineEvent(m_stage);
}

void CascadeOutput::onExit() { m_timer->stop(); }

void CascadeOutput::tick()
{
    m_machine->faultPoint("CascadeOutput::tick");
    const OutputValues output = pollOutputValues(*m_pof);
    if (output != OutputValues::failed()) {
        emit m_machine->measurementUpdate(output.voltage * 0.001, double(output.current));
        // Processed after this tick, as a step of its own.
        m_machine->receiveEvent(output);
    }
    const CascadeValues cascade = pollCascadeValues(*m_pof);
    if (cascade != CascadeValues::failed())
        emit m_machine->cascadeUpdate(cascade.voltageA * 100.0, cascade.voltageB * 100.0, cascade.currentA / 10.0,
                                      cascade.currentB / 10.0);
}

} // namespace Commissioning
