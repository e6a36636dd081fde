#pragma once

#include "hvunit/OwedUnitWrites.h"

#include <optional>

class TPOF;

namespace Commissioning {

// Gives the HV unit back what a run changed in it (its gains, its calibration), unless
// the run keeps its result. A write that does not go through is handed to the link's
// owed writes, which outlive the machine and write it once the unit takes it.
// The machine's thread only.
class UnitRestore {
public:
    explicit UnitRestore(TPOF* pof) : m_pof(pof) {}

    // The unit holds changed values from now on; these are the old ones.
    void arm(OwedUnitWrites::Values values) { m_values = std::move(values); }
    // Nothing (more) to give back: the run kept its new values.
    void disarm() { m_values.reset(); }

    // Writes now when something is pending, a stop owed first; true when written (or
    // nothing was pending). A failure leaves the values owed by the link.
    bool writeBack();

private:
    TPOF* m_pof;
    std::optional<OwedUnitWrites::Values> m_values;
};

} // namespace Commissioning
