#pragma once

#include "commissioning/MachineEvent.h"
#include "commissioning/StatesAndTransitions.h"
#include "datamodel/InstrumentTypes.h"

#include <functional>
#include <utility>
#include <variant>

namespace Commissioning {

// Fires when the unit reports its load detection finished without a failure bit; a lost
// link's old word reports nothing.
template <typename E>
class GoodLoadDetect : public StatesAndTransitions::Transition<E> {
public:
    explicit GoodLoadDetect(StatesAndTransitions::State<E>* target, std::function<void()> action = [] {})
        : StatesAndTransitions::Transition<E>(target), m_action(std::move(action))
    {
    }

    bool testEvent(E const& event) override
    {
        const auto* state = readHVState(event);
        return state && (state->state & HVStateBits::LoadDetectionFinished)
            && !(state->state & (HVStateBits::LoadResultError1 | HVStateBits::LoadResultError2));
    }
    void onActivation() override { m_action(); }

private:
    std::function<void()> m_action;
};

} // namespace Commissioning
