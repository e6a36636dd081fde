#pragma once

#include "commissioning/ErrorTransition.h"
#include "commissioning/HvFaultTexts.h"

#include <QString>

#include <bitset>
#include <variant>

namespace Commissioning {

// Fires on what ends a procedure with HV on: a lost link, the output off, a fault bit,
// an open safety input. The handler gets the text; the output is stopped.
template <typename E>
class HvErrorTransition : public ErrorTransition<E> {
public:
    using ErrorTransition<E>::ErrorTransition;

protected:
    QString errorText(E const& event) const override
    {
        if (const auto* state = std::get_if<stHVUnitState>(&event))
            return hvFaultText(this->pof(), *state);
        if (const auto* bits = std::get_if<std::bitset<10>>(&event))
            return safetyFaultText(*bits);
        return QString();
    }
};

} // namespace Commissioning
