#pragma once

#include "hvunit/OwedUnitWrites.h"

#include <QUuid>

#include <optional>

class TPOF;

namespace Commissioning {

// Gives the HV unit back what a run changed in it (its gains, its calibration), unless
// the run keeps its result. The old values are kept by the link's owed writes (in their
// file) from before the first change on, so a program gone meanwhile writes them at its
// next start; a write that does not go through leaves them owed, to be written once the
// unit takes them. The machine's thread only.
class UnitRestore {
public:
    explicit UnitRestore(TPOF* pof) : m_pof(pof) {}

    // The unit holds changed values from now on; these are the old ones. False when they
    // could not be kept: the run must change nothing then.
    bool arm(OwedUnitWrites::Values values);
    // Nothing (more) to give back: the run kept its new values.
    void disarm();

    // Writes now when something is pending, a stop owed first; true unless known not
    // written. What did not go through is owed by the link: values sent to or kept from a
    // busy unit are read back and, if need be, written once it is free.
    bool writeBack();

private:
    TPOF* m_pof;
    std::optional<OwedUnitWrites::Values> m_values;
    QUuid m_id; // names them in the owed writes
};

} // namespace Commissioning
