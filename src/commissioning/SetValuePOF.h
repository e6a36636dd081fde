#pragma once

#include "commissioning/Command.h"

class TPOF;

namespace Commissioning {

// Sends one command and, when the unit took it, reads the state word, so the machine
// sees the unit's reaction; true only when both succeeded.
class SetValuePOF {
public:
    explicit SetValuePOF(TPOF* pof) : m_pof(pof) {}
    bool operator()(Command const& command) const;

private:
    TPOF* m_pof;
};

} // namespace Commissioning
