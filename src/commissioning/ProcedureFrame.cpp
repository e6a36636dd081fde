#include "commissioning/ProcedureFrame.h"

#include "commissioning/SetValuePOF.h"
#include "commissioning/UnitRestore.h"
#include "hvunit/TCheckSafetyCircuit.h"
#include "logging/LoggingCtrl.h"

#include <QTimer>

namespace Commissioning {

std::vector<Command> setUpCommands(unsigned long long parameter35, std::vector<Command> first)
{
    first.insert(first.end(), {
                                  { TPOF::CMD_DateTime, 0, 0 },
                                  { TPOF::CMD_Voltage, 37000000, 0 },
                                  { TPOF::CMD_Mode, 7, 0 },
                                  { TPOF::CMD_Frequency, 100, 0 },
                                  { TPOF::CMD_TestMinutes, 10, 0 },
                                  { TPOF::CMD_BurnMode, 256, 0 },
                                  { TPOF::CMD_SetParameter, 35, parameter35 },
                                  { TPOF::CMD_StartLoadDetection, 0, 0 },
                              });
    return first;
}

QString sendSetUp(TPOF* pof, TCheckSafetyCircuit* safety, std::vector<Command> const& commands)
{
    const SetValuePOF send(pof);
    for (const Command& command : commands) {
        if (!send(command))
            return QStringLiteral("Die HV-Einheit hat den Befehl '%1' nicht angenommen.").arg(QChar(int(command.code)));
    }
    const QString open = waitingSafetyFaultText(safety->currentState());
    if (!open.isEmpty())
        return open;
    holdHvEnable(safety);
    return QString();
}

void releaseProcedure(QObject* machine, const char* name, TPOF* pof, TCheckSafetyCircuit* safety, SavedReceiver* saved,
                      UnitRestore* restore)
{
    try {
        for (QTimer* timer : machine->findChildren<QTimer*>())
            timer->stop();
        if (inputsHeldBy(safety, saved)) {
            releaseHvEnable(safety);
            stopOutput(pof);
        }
        // What does not go through is owed by the link, which says so.
        if (restore)
            restore->writeBack();
        handBackInputs(pof, safety, saved);
    } catch (...) {
        KLOG_ERROR2(name, "release", "Releasing the machine failed with an exception");
    }
}

} // namespace Commissioning
