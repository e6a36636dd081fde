#include "commissioning/InputTakeover.h"

#include "commissioning/HvFaultTexts.h"
#include "hvunit/OwedUnitWrites.h"

#include <algorithm>
#include <mutex>
#include <utility>
#include <vector>

namespace Commissioning {

namespace {
std::mutex g_claimsMutex;
std::vector<std::pair<const TCheckSafetyCircuit*, const SavedReceiver*>> g_claims;

auto findClaim(const TCheckSafetyCircuit* safety)
{
    for (auto it = g_claims.begin(); it != g_claims.end(); ++it)
        if (it->first == safety)
            return it;
    return g_claims.end();
}
} // namespace

bool claimInputs(TCheckSafetyCircuit* safety, const SavedReceiver* slot)
{
    std::lock_guard<std::mutex> lock(g_claimsMutex);
    const auto it = findClaim(safety);
    if (it != g_claims.end())
        return it->second == slot;
    g_claims.emplace_back(safety, slot);
    return true;
}

bool inputsHeldBy(const TCheckSafetyCircuit* safety, const SavedReceiver* slot)
{
    std::lock_guard<std::mutex> lock(g_claimsMutex);
    const auto it = findClaim(safety);
    return it != g_claims.end() && it->second == slot;
}

bool inputsFreeFor(const TCheckSafetyCircuit* safety, const SavedReceiver* slot)
{
    std::lock_guard<std::mutex> lock(g_claimsMutex);
    const auto it = findClaim(safety);
    return it == g_claims.end() || it->second == slot;
}

bool handBackInputs(TPOF* pof, TCheckSafetyCircuit* safety, SavedReceiver* slot)
{
    if (!inputsHeldBy(safety, slot))
        return false;
    releaseHvEnable(safety);
    // What comes back is the procedure's own receiver.
    safety->setReceiver(std::move(*slot));
    slot->reset();
    pof->resetHVSub();
    // The run's stop went out, or it is owed.
    pof->owedWrites()->setDriving(false);
    std::lock_guard<std::mutex> lock(g_claimsMutex);
    g_claims.erase(findClaim(safety));
    return true;
}

void holdHvEnable(TCheckSafetyCircuit* safety)
{
    // Flag first: the frame must never switch the line off between the two.
    safety->setCommissioningHoldsHvEnable(true);
    safety->setHV_On();
}

void releaseHvEnable(TCheckSafetyCircuit* safety)
{
    // The frame's rule must not see the line as ours once it is off.
    safety->setCommissioningHoldsHvEnable(false);
    safety->setHV_Off();
}

bool stopOutput(TPOF* pof)
{
    const bool stopped = pof->StopTest(SKP_StopFlags_None) == TPOF::Ok;
    // Lost with the link: the link's owed writes send it once it is up again.
    pof->owedWrites()->setStopOwed(!stopped);
    return stopped;
}

QString waitingSafetyFaultText(std::bitset<10> const& bits)
{
    const QPair<int, bool> open = failedSafetyCircuit(bits);
    if (!open.second || open.first == 9)
        return QString();
    return safetyFaultText(bits);
}

QString otherProcedureRunningText()
{
    return QStringLiteral("Eine andere Inbetriebnahme-Prozedur läuft bereits.");
}

QString oldValuesNotKeptText()
{
    return QStringLiteral("Die alten Werte der HV-Einheit konnten nicht gesichert werden.");
}

QString owedWritesFailedText()
{
    return QStringLiteral("Was die HV-Einheit von einer früheren Prozedur noch erhalten muss, konnte nicht geschrieben werden.");
}

} // namespace Commissioning
