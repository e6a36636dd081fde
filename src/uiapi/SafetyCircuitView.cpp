#include "uiapi/SafetyCircuitView.h"

struct SafetyCircuitView::Data {
    eSafetyPin pin = SafetyPin_InterlockKey;
    bool closed = false;
};

SafetyCircuitView::SafetyCircuitView(eSafetyPin pin, QObject* parent)
    : QObject(parent), m(Pimpl::create<Data>())
{
    m->pin = pin;
}

SafetyCircuitView::~SafetyCircuitView() = default;

bool SafetyCircuitView::closed() const { return m->closed; }

eSafetyPin SafetyCircuitView::pin() const { return m->pin; }

// Fixed service texts of the commissioning pages, not translated.
QString SafetyCircuitView::name() const
{
    switch (m->pin) {
    case SafetyPin_InterlockKey: return QStringLiteral("Schlüsselschalter");
    case SafetyPin_EmergencyOff: return QStringLiteral("NOT-AUS");
    case SafetyPin_HVConnector: return QStringLiteral("HV-Stecker");
    case SafetyPin_FOhm: return QStringLiteral("F-Ohm");
    case SafetyPin_OvertemperatureSurrounding: return QStringLiteral("Übertemperatur");
    case SafetyPin_Testboost: return QStringLiteral("Testboost");
    case SafetyPin_HVClearanceCtrl: return QStringLiteral("DSP-Steuerung");
    case SafetyPin_HvOff: return QStringLiteral("HV-OFF Taste");
    case SafetyPin_ExtEmergencyOff: return QStringLiteral("Ferneingriff");
    case SafetyPin_HvOn:
    default: return QStringLiteral("HV-ON");
    }
}

void SafetyCircuitView::onSafetyCircuitChanged(std::bitset<10> state)
{
    // A pin outside the ten inputs reads as open instead of throwing from bitset::test.
    const int bit = int(m->pin);
    const bool closed = bit >= 0 && bit < SafetyPinCount && state[std::size_t(bit)];
    if (closed == m->closed)
        return;
    m->closed = closed;
    emit closedChanged();
}
