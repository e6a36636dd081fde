#pragma once

#include "commissioning/StatesAndTransitions.h"

#include <functional>
#include <utility>

namespace Commissioning {

// Fires on an event equal to the stored one (same alternative, equal value) when its
// condition holds, and runs its action.
template <typename E>
class MatchesEvent : public StatesAndTransitions::Transition<E> {
public:
    MatchesEvent(StatesAndTransitions::State<E>* target, E const& event, std::function<void()> action = [] {},
                 std::function<bool()> condition = [] { return true; })
        : StatesAndTransitions::Transition<E>(target), m_event(event), m_action(std::move(action)),
          m_condition(std::move(condition))
    {
    }

    bool testEvent(E const& event) override { return event == m_event && m_condition(); }
    void onActivation() override { m_action(); }

private:
    E m_event;
    std::function<void()> m_action;
    std::function<bool()> m_condition;
};

} // namespace Commissioning
