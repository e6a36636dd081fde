#pragma once

#include "commissioning/ErrorTransition.h"
#include "commissioning/HvFaultTexts.h"
#include "commissioning/InputTakeover.h"

#include <QString>

#include <bitset>
#include <variant>

namespace Commissioning {

// Fires on what ends a procedure that holds the inputs but waits for HV on: the lost
// link, an open safety input other than the HV-on key. The handler gets the text; the
// output is stopped.
template <typename E>
class WaitErrorTransition : public ErrorTransition<E> {
public:
    using ErrorTransition<E>::ErrorTransition;

protected:
    QString errorText(E const& event) const override
    {
        if (const auto* state = std::get_if<stHVUnitState>(&event))
            return state->comError ? describeFault(*state) : QString();
        if (const auto* bits = std::get_if<std::bitset<10>>(&event))
            return waitingSafetyFaultText(*bits);
        return QString();
    }
};

} // namespace Commissioning
