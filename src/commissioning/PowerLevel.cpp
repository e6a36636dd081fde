#include "commissioning/PowerLevel.h"

#include "commissioning/PofHelpers.h"
#include "commissioning/TimerScale.h"

#include <QTimer>

namespace Commissioning {

namespace {
constexpr int kPollMs = 900;
constexpr int kFailedReadingsAllowed = 3;
} // namespace

PowerLevel::PowerLevel(CascadePowerMachine* machine, TPOF* pof, PowerPoint point)
    : m_machine(machine), m_pof(pof), m_point(point), m_timer(new QTimer(machine))
{
    m_timer->setSingleShot(true);
    m_connection = QObject::connect(m_timer, &QTimer::timeout, m_timer, [this] {
        // A step still running takes its turn first.
        if (!m_machine->runHook([this] { poll(); }) && !m_machine->retired())
            m_timer->start(0);
    });
}

PowerLevel::~PowerLevel() { QObject::disconnect(m_connection); }

void PowerLevel::onEntry()
{
    // Entered by a step that failed: the run ends with the next event, silently here.
    if (m_machine->failing())
        return;
    m_failedReadings = 0;
    if (!setPofValues(m_pof, { { TPOF::CMD_SetParameter, 32, powerLevelWord(m_point) } })) {
        m_machine->fail(QStringLiteral("Die Kaskadenspannung %1 kV konnte nicht eingestellt werden.")
                            .arg(m_point.voltage / 10.0, 0, 'f', 1));
        return;
    }
    m_timer->start(scaledInterval(kPollMs));
}

void PowerLevel::onExit() { m_timer->stop(); }

void PowerLevel::poll()
{
    m_machine->faultPoint("PowerLevel::poll");
    const CascadeValues cascade = pollCascadeValues(*m_pof);
    const OutputValues output = pollOutputValues(*m_pof);
    const bool cascadeLost = cascade == CascadeValues::failed();
    if (cascadeLost || output == OutputValues::failed()) {
        // Judged without a reading, the point would be missed (or never left).
        if (++m_failedReadings < kFailedReadingsAllowed) {
            m_timer->start(scaledInterval(kPollMs));
            return;
        }
        m_machine->fail(cascadeLost
                            ? QStringLiteral("Die Kaskadenwerte konnten dreimal nacheinander nicht gelesen werden.")
                            : QStringLiteral("Die Ausgangswerte konnten dreimal nacheinander nicht gelesen werden."));
        return;
    }
    m_failedReadings = 0;
    emit m_machine->cascadeUpdate(cascade.voltageA * 100.0, cascade.voltageB * 100.0, cascade.currentA / 10.0,
                                  cascade.currentB / 10.0);
    emit m_machine->measurementUpdate(output.voltage * 0.001, double(output.current));
    // Processed after this poll, in this order.
    m_machine->receiveEvent(output);
    m_machine->receiveEvent(CascadeOutputValues { output, cascade });
}

} // namespace Commissioning
