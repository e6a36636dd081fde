#pragma once

#include "commissioning/StatesAndTransitions.h"
#include "datamodel/InstrumentTypes.h"
#include "hvunit/TCheckSafetyCircuit.h"

#include <QObject>
#include <QTimer>

namespace Commissioning {

// Takes over the HV unit in init(): at once when a safety input is open, otherwise 100 ms
// after entry, so a state left within that time never sets anything up.
template <typename E>
class HVDelayedInit : public StatesAndTransitions::State<E> {
public:
    HVDelayedInit(QObject* machine, TCheckSafetyCircuit* safety) : m_safety(safety), m_timer(new QTimer(machine))
    {
        m_timer->setSingleShot(true);
        m_timer->setInterval(100);
        // Connected once: one connection per entry would run init() again for every earlier run.
        m_connection = QObject::connect(m_timer, &QTimer::timeout, m_timer, [this] {
            m_timer->stop();
            init();
        });
    }
    ~HVDelayedInit() override { QObject::disconnect(m_connection); }

    void onEntry() override
    {
        if (failedSafetyCircuit(m_safety->currentState()).second) {
            init();
            return;
        }
        m_timer->start();
    }
    void onExit() override { m_timer->stop(); }

    virtual void init() = 0;

protected:
    TCheckSafetyCircuit* safety() const { return m_safety; }

private:
    TCheckSafetyCircuit* m_safety;
    QTimer* m_timer; // owned by the machine, so it lives on the machine's thread
    QMetaObject::Connection m_connection;
};

} // namespace Commissioning
