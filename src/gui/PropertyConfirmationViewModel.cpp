#include "gui/PropertyConfirmationViewModel.h"

#include "core/GlobalFuncs.h"
#include "datamodel/DataModell.h"
#include "gui/PhaseString.h"

#include <QCoreApplication>
#include <QtGlobal>

namespace {
constexpr int LastPhase = 2;

int phasesToTest()
{
    const DataModell* dm = GlobalFuncs::getDM();
    return dm ? dm->phasesToTest() : 0;
}
} // namespace

PropertyConfirmationViewModel::PropertyConfirmationViewModel(QObject* parent) : QObject(parent) {}

PropertyConfirmationViewModel::PropertyConfirmationViewModel(PropertyConfirmationType type, QObject* parent)
    : QObject(parent), m_type(type)
{
}

PropertyConfirmationViewModel& PropertyConfirmationViewModel::operator=(const PropertyConfirmationViewModel& other)
{
    m_type = other.m_type;
    return *this;
}

void PropertyConfirmationViewModel::setConfirm(bool confirmed)
{
    if (confirmed == m_confirmed)
        return;
    m_confirmed = confirmed;
    emit confirmChanged();
}

void PropertyConfirmationViewModel::setValue(int value)
{
    if (value == m_value)
        return;
    m_value = value;
    emit valueChanged();
}

QString PropertyConfirmationViewModel::description() const
{
    if (m_type == VoltageLevels)
        return QCoreApplication::translate("MeasurementMessages", "ConfirmVoltageLevels");

    // The nearest lower phase still to test was the one measured before this one.
    const int phases = phasesToTest();
    for (int before = qMin(m_value - 1, LastPhase); before >= 0; --before) {
        if (phases & (1 << before)) {
            return QCoreApplication::translate("MeasurementMessages", "ReconnectToPhase")
                .arg(getPhaseString(before), getPhaseString(m_value));
        }
    }
    return QCoreApplication::translate("MeasurementMessages", "ConnectToPhase").arg(getPhaseString(m_value));
}
