#pragma once

#include "commissioning/InputTakeover.h"
#include "commissioning/PofHelpers.h"
#include "commissioning/StatesAndTransitions.h"

#include <QString>

#include <bitset>
#include <functional>
#include <utility>
#include <variant>

namespace Commissioning {

// Fires on what ends a procedure that holds the inputs but waits for HV on: the lost
// link, an open safety input other than the HV-on key. The handler gets the text; the
// output is stopped.
template <typename E>
class WaitErrorTransition : public StatesAndTransitions::Transition<E> {
public:
    WaitErrorTransition(StatesAndTransitions::State<E>* target, TPOF* pof, std::function<void(QString const&)> onError)
        : StatesAndTransitions::Transition<E>(target), m_pof(pof), m_onError(std::move(onError))
    {
    }

    bool testEvent(E const& event) override
    {
        QString text;
        if (const auto* state = std::get_if<stHVUnitState>(&event)) {
            if (state->comError)
                text = describeError(*state);
        } else if (const auto* bits = std::get_if<std::bitset<10>>(&event)) {
            text = waitingSafetyFaultText(*bits);
        }
        if (text.isEmpty())
            return false;
        m_onError(text);
        return true;
    }
    void onActivation() override { stopOutput(m_pof); }

private:
    TPOF* m_pof;
    std::function<void(QString const&)> m_onError;
};

} // namespace Commissioning
