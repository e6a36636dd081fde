#pragma once

#include "commissioning/StatesAndTransitions.h"
#include "datamodel/InstrumentTypes.h"

#include <functional>
#include <utility>
#include <variant>

namespace Commissioning {

// Fires when the unit has finished its load detection without a failure bit.
template <typename E>
class GoodLoadDetect : public StatesAndTransitions::Transition<E> {
public:
    explicit GoodLoadDetect(StatesAndTransitions::State<E>* target, std::function<void()> action = [] {})
        : StatesAndTransitions::Transition<E>(target), m_action(std::move(action))
    {
    }

    bool testEvent(E const& event) override
    {
        const auto* state = std::get_if<stHVUnitState>(&event);
        return state && (state->state & HVStateBits::LoadDetectionFinished)
            && !(state->state & (HVStateBits::LoadResultError1 | HVStateBits::LoadResultError2));
    }
    void onActivation() override { m_action(); }

private:
    std::function<void()> m_action;
};

} // namespace Commissioning
