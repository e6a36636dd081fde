#pragma once

#include "commissioning/HvFaultTexts.h"
#include "commissioning/InputTakeover.h"
#include "commissioning/StatesAndTransitions.h"

#include <QString>

#include <functional>
#include <utility>
#include <variant>

namespace Commissioning {

// Fires when the unit has finished its load detection with a failure bit; the error
// handler gets the text while the transition is chosen, before any state is left.
template <typename E>
class BadLoadDetect : public StatesAndTransitions::Transition<E> {
public:
    BadLoadDetect(StatesAndTransitions::State<E>* target, TPOF* pof, std::function<void(QString const&)> onError)
        : StatesAndTransitions::Transition<E>(target), m_pof(pof), m_onError(std::move(onError))
    {
    }

    bool testEvent(E const& event) override
    {
        const auto* state = std::get_if<stHVUnitState>(&event);
        if (!state || !(state->state & HVStateBits::LoadDetectionFinished)
            || !(state->state & (HVStateBits::LoadResultError1 | HVStateBits::LoadResultError2)))
            return false;
        m_onError(loadDetectionFailedText(*state));
        return true;
    }
    void onActivation() override { stopOutput(m_pof); }

private:
    TPOF* m_pof;
    std::function<void(QString const&)> m_onError;
};

} // namespace Commissioning
