#include "hvunit/TCheckSafetyCircuit.h"

#include "hvunit/GPIOManager.h"
#include "core/GlobalFuncs.h"
#include "logging/LoggingCtrl.h"
#include "hvunit/SCPins.h"

#include <QThread>
#include <QtGlobal>

TCheckSafetyCircuit::TCheckSafetyCircuit(GPIOManager* gpio, std::unique_ptr<SafetyReceiver> receiver,
                                         QObject* parent)
    : QObject(parent), m_gpio(gpio), m_timer(this), m_receiver(std::move(receiver))
{
    if (!gpio) {
        m_failed = true;
        qWarning("TCheckSafetyCircuit: NULL GPIO Manager!");
        return;
    }
    for (const SCPin& pin : SCPins)
        gpio->cfg_io_pin(pin.line, GPIOManager::input);
    gpio->cfg_io_pin(HVEnableLine, GPIOManager::output);
    // The direction alone leaves the line to the kernel: low is said, not assumed.
    gpio->set_pin(HVEnableLine, false);
}

TCheckSafetyCircuit::~TCheckSafetyCircuit()
{
    m_timer.stop();
    // Never leave the HV unit enabled behind a checker that no longer watches the circuit.
    setHV_Off();
}

bool TCheckSafetyCircuit::doRun()
{
    if (m_failed) {
        reportDriverEnabled(false);
        return false;
    }
    for (int i = 0; i < 3; ++i) {
        if (!readState()) {
            m_failed = true;
            qWarning("TCheckSafetyCircuit: can't read SK State!");
            reportDriverEnabled(false);
            return false;
        }
    }
    connect(&m_timer, &QTimer::timeout, this, &TCheckSafetyCircuit::doCheckSafetyCircuit, Qt::UniqueConnection);
    m_timer.start(50);
    reportDriverEnabled(true);
    return true;
}

void TCheckSafetyCircuit::doCheckSafetyCircuit()
{
    if (!readState())
        setHV_Off();
}

void TCheckSafetyCircuit::forceSafetyCircuitCheck()
{
    for (int i = 0; i < 3; ++i)
        doCheckSafetyCircuit();
}

bool TCheckSafetyCircuit::readState()
{
    GPIOManager* gpio = m_gpio.data();
    std::bitset<10> reading;
    bool ok = gpio != nullptr;
    if (ok) {
        for (const SCPin& pin : SCPins) {
            const int value = gpio->get_pin(pin.line);
            if (value < 0) {
                ok = false;
                break;
            }
            if (value == 0)
                break; // the first open element ends the scan
            reading.set(static_cast<size_t>(pin.bit));
        }
    }
    if (!ok) {
        KLOG_WARN2("TCheckSafetyCircuit", "readState", "Error reading safety circuit state!");
        return false;
    }
    filterAndPublish(reading);
    return true;
}

void TCheckSafetyCircuit::filterAndPublish(const std::bitset<10>& reading)
{
    m_history[m_next] = reading;
    m_next = (m_next + 1) % 3;
    if (m_next == m_oldest)
        m_oldest = (m_oldest + 1) % 3;
    if (m_fill < 3)
        ++m_fill;

    // The reading two polls earlier (the reading itself for the first two) ...
    const std::bitset<10>& partner = m_history[(m_oldest + m_fill - 1) % 3];
    // ... and the previous one, so that an input flipping at every poll never agrees.
    const std::bitset<10>& previous = m_fill >= 2 ? m_history[(m_next + 1) % 3] : reading;
    if (reading != partner || reading != previous) {
        m_agreement = 1;
        return;
    }
    if (m_agreement < 3)
        ++m_agreement;
    if (m_agreement < 3)
        return;

    {
        std::lock_guard<std::mutex> lock(m_stateMutex);
        m_published = reading;
    }
    std::lock_guard<std::recursive_mutex> lock(m_receiverMutex);
    if (m_receiver)
        m_receiver->setSafetyCircuitState(reading);
}

void TCheckSafetyCircuit::reportDriverEnabled(bool enabled)
{
    std::lock_guard<std::recursive_mutex> lock(m_receiverMutex);
    if (m_receiver)
        m_receiver->setSafetyCircuitDriverEnabled(enabled);
}

void TCheckSafetyCircuit::setHV_On()
{
    {
        std::lock_guard<std::mutex> lock(m_hvMutex);
        GPIOManager* gpio = m_gpio.data();
        if (m_hvOn || !gpio)
            return;
        // The flag goes up with the line: a failing poll during the wait below must
        // see it and pull the line down again.
        m_hvOn = true;
        gpio->set_pin(HVEnableLine, true);
    }
    // On this object's thread its own poll goes on during the wait. Elsewhere (the HV
    // link's thread, where the procedures run) the wait runs no other event: a procedure
    // must not be deleted or driven again from inside its own step.
    if (QThread::currentThread() == thread())
        GlobalFuncs::waitMs(50);
    else
        QThread::msleep(50);
}

void TCheckSafetyCircuit::setHV_Off()
{
    std::lock_guard<std::mutex> lock(m_hvMutex);
    if (!m_hvOn)
        return;
    if (GPIOManager* gpio = m_gpio.data())
        gpio->set_pin(HVEnableLine, false);
    m_hvOn = false;
}

bool TCheckSafetyCircuit::HVActive() const
{
    std::lock_guard<std::mutex> lock(m_hvMutex);
    return m_hvOn;
}

std::unique_ptr<SafetyReceiver> TCheckSafetyCircuit::setReceiver(std::unique_ptr<SafetyReceiver> receiver)
{
    std::lock_guard<std::recursive_mutex> lock(m_receiverMutex);
    std::swap(m_receiver, receiver);
    return receiver;
}

std::bitset<10> TCheckSafetyCircuit::currentState() const
{
    std::lock_guard<std::mutex> lock(m_stateMutex);
    return m_published;
}
