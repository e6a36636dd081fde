#pragma once

#include "commissioning/MachineEvent.h"
#include "commissioning/StatesAndTransitions.h"
#include "datamodel/InstrumentTypes.h"

#include <bitset>
#include <functional>
#include <utility>
#include <variant>

namespace Commissioning {

// Fires on the HV unit's output-on bit once safety input 9 (HV on) was last seen closed.
template <typename E>
class HvOnTransition : public StatesAndTransitions::Transition<E> {
public:
    explicit HvOnTransition(StatesAndTransitions::State<E>* target, std::function<void()> action = [] {})
        : StatesAndTransitions::Transition<E>(target), m_action(std::move(action))
    {
    }

    bool testEvent(E const& event) override
    {
        if (const auto* bits = std::get_if<std::bitset<10>>(&event)) {
            m_hvOnSeen = bits->test(9);
            return false;
        }
        // A lost link's word is no news of the output: the loss ends the run instead.
        if (const auto* state = readHVState(event))
            return m_hvOnSeen && (state->state & HVStateBits::OutputOn);
        return false;
    }
    void onActivation() override { m_action(); }

private:
    bool m_hvOnSeen = false;
    std::function<void()> m_action;
};

} // namespace Commissioning
