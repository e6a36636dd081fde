#pragma once

#include "hvunit/OwedUnitWrites.h"

#include <QString>

class TPOF;

namespace Commissioning {

// Gives the HV unit back what a run changed in it (its gains, its calibration), unless
// the run keeps its result. A write that does not go through is handed to the link's
// owed writes, which outlive the machine and write it once the link is up again.
// The machine's thread only.
class UnitRestore {
public:
    explicit UnitRestore(TPOF* pof) : m_pof(pof) {}

    // The unit holds changed values from now on; write gives the old ones back, what
    // names them for the log.
    void arm(QString const& what, OwedUnitWrites::Write write);
    // Nothing (more) to give back: the run kept its new values.
    void disarm();
    bool pending() const { return bool(m_write); }
    QString what() const { return m_what; }

    // Writes now when something is pending, a stop owed first; true when written (or
    // nothing was pending). A failure leaves the values owed by the link.
    bool writeBack();

private:
    TPOF* m_pof;
    QString m_what;
    OwedUnitWrites::Write m_write;
};

} // namespace Commissioning
