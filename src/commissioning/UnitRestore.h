#pragma once

#include "datamodel/InstrumentTypes.h"

#include <QObject>

#include <functional>

class TPOF;

namespace Commissioning {

// Gives the HV unit back what a procedure changed in it (its gains, its calibration).
// A write that fails stays pending and is tried again whenever the link reports itself
// up, also after the procedure has handed the inputs back, until it goes through.
// Lives with its machine, on the machine's thread.
class UnitRestore : public QObject {
    Q_OBJECT
public:
    // write sends the saved values; true when the unit took them.
    UnitRestore(TPOF* pof, std::function<bool()> write, QObject* machine);

    // The unit holds changed values from now on.
    void arm() { m_pending = true; }
    // Nothing (more) to give back: the run kept its new values.
    void disarm() { m_pending = false; }
    bool pending() const { return m_pending; }

    // Writes now when something is pending; true when nothing is left.
    bool writeBack();

signals:
    // A write that had failed went through later.
    void restored();

private:
    void linkEvent(eAppEvent event);

    std::function<bool()> m_write;
    bool m_pending = false;
};

} // namespace Commissioning
