#pragma once

#include "hvunit/SafetyReceiver.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <array>
#include <atomic>
#include <bitset>
#include <memory>
#include <mutex>

class GPIOManager;

// Polls the ten safety-circuit inputs every 50 ms, passes only settled states on to
// the receiver and drives the HV-enable output. Lives on the main thread; other threads
// may call currentState, setHV_On, setHV_Off and setReceiver.
class TCheckSafetyCircuit : public QObject {
    Q_OBJECT
public:
    TCheckSafetyCircuit(GPIOManager* gpio, std::unique_ptr<SafetyReceiver> receiver, QObject* parent = nullptr);
    ~TCheckSafetyCircuit() override;

    // Initial reads, then the poll. False when the circuit cannot be watched.
    bool doRun();
    // Three poll steps at once, so a changed state settles without the timer.
    void forceSafetyCircuitCheck();

    void setHV_On();
    void setHV_Off();
    bool HVActive() const;

    // Set by a commissioning procedure that switched the line on itself outside a test
    // (written on the HV link's thread, read by the frame's HV-enable rule).
    void setCommissioningHoldsHvEnable(bool holds) { m_commissioningHolds.store(holds); }
    bool commissioningHoldsHvEnable() const { return m_commissioningHolds.load(); }

    // Installs a new receiver and hands the previous one back to the caller.
    std::unique_ptr<SafetyReceiver> setReceiver(std::unique_ptr<SafetyReceiver> receiver);
    std::bitset<10> currentState() const;

public slots:
    void doCheckSafetyCircuit();

private:
    bool readState();
    void filterAndPublish(const std::bitset<10>& reading);
    void reportDriverEnabled(bool enabled);

    QPointer<GPIOManager> m_gpio;

    std::array<std::bitset<10>, 3> m_history;
    unsigned m_fill = 0;
    unsigned m_oldest = 0;
    unsigned m_next = 0;
    unsigned m_agreement = 1;

    QTimer m_timer;

    mutable std::mutex m_hvMutex; // flag and line write stay together
    bool m_hvOn = false;
    std::atomic<bool> m_commissioningHolds { false };

    mutable std::mutex m_stateMutex;
    std::bitset<10> m_published;

    bool m_failed = false;

    mutable std::recursive_mutex m_receiverMutex; // a receiver may be swapped from another thread
    std::unique_ptr<SafetyReceiver> m_receiver;
};
