#pragma once

#include "commissioning/MachineBundle.h"

#include <functional>

class TCheckSafetyCircuit;
class TPOF;

namespace Commissioning {

// The factory the commissioning page calls: builds the ten machines on the calling
// thread and moves them to the HV link's thread, where they run.
std::function<MachineBundle()> makeMachineFactory(TPOF* pof, TCheckSafetyCircuit* safety);

} // namespace Commissioning
