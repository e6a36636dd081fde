#pragma once

#include "commissioning/ErrorTransition.h"
#include "commissioning/HvFaultTexts.h"
#include "commissioning/MachineEvent.h"

#include <QString>

#include <variant>

namespace Commissioning {

// Fires when the unit reports its load detection finished with a failure bit (a lost
// link's old word reports nothing); the error handler gets the text while the
// transition is chosen, before any state is left.
template <typename E>
class BadLoadDetect : public ErrorTransition<E> {
public:
    using ErrorTransition<E>::ErrorTransition;

protected:
    QString errorText(E const& event) const override
    {
        const auto* state = readHVState(event);
        if (!state || !(state->state & HVStateBits::LoadDetectionFinished)
            || !(state->state & (HVStateBits::LoadResultError1 | HVStateBits::LoadResultError2)))
            return QString();
        return loadDetectionFailedText(*state);
    }
};

} // namespace Commissioning
