#include "commissioning/MachineFactory.h"

#include "hvunit/TPOF.h"

namespace Commissioning {

std::function<MachineBundle()> makeMachineFactory(TPOF* pof, TCheckSafetyCircuit* safety)
{
    return [pof, safety] {
        MachineBundle bundle = createBundle(pof, safety);
        try {
            bundle.moveToThread(pof->thread());
        } catch (...) {
            // Machines left half moved must not outlive the failed call.
            bundle = MachineBundle();
            throw;
        }
        return bundle;
    };
}

} // namespace Commissioning
