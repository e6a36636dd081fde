#include "commissioning/HvFaultTexts.h"

#include "commissioning/PofHelpers.h"
#include "hvunit/ErrorMessages.h"
#include "hvunit/TPOF.h"

#include <QCoreApplication>

namespace Commissioning {

QString describeFault(stHVUnitState const& state)
{
    const QString key = describeError(state);
    // An empty detail would leave the operator guessing.
    if (key.isEmpty())
        return QStringLiteral("Zustandswort 0x%1").arg(QString::number(state.state, 16).toUpper().rightJustified(8, QLatin1Char('0')));
    return QCoreApplication::translate("ErrorMessages", key.toLatin1().constData());
}

QString loadDetectionFailedText(stHVUnitState const& state)
{
    return QStringLiteral("Fehlgeschlagene Lastermittlung: %1").arg(describeFault(state));
}

QString hvFaultText(TPOF* pof, stHVUnitState const& state)
{
    // The poll reports a lost link with this flag; the word is then an old one.
    if (state.comError)
        return describeFault(state);
    if (!(state.state & HVStateBits::OutputOn)) {
        // Unread, the status describes nothing: all ones gives empty texts.
        unsigned long long status = ~0ull;
        if (pof->GetParameter(eHVUnitParamType_HvSourceStatus, &status) == TPOF::Ok)
            pof->GetHVState();
        return QStringLiteral("Leistungselektronik: \nHV Zustand %1, HV Fehler %2")
            .arg(ErrorMessages::HVSource::stateText(status), ErrorMessages::HVSource::errorText(status));
    }
    if (state.state & HVStateBits::FaultMask)
        return QStringLiteral("DSP Fehler: %1").arg(describeFault(state));
    return QString();
}

QString safetyFaultText(std::bitset<10> const& bits)
{
    const QPair<int, bool> open = failedSafetyCircuit(bits);
    if (!open.second)
        return QString();
    return QStringLiteral("Safety Circuit error failed bit: %1").arg(open.first);
}

} // namespace Commissioning
