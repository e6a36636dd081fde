#pragma once

#include "commissioning/HvFaultTexts.h"
#include "commissioning/InputTakeover.h"
#include "commissioning/StatesAndTransitions.h"

#include <QString>

#include <bitset>
#include <functional>
#include <utility>
#include <variant>

namespace Commissioning {

// Fires on what ends a procedure with HV on: a lost link, the output off, a fault bit,
// an open safety input. The handler gets the text; the output is stopped.
template <typename E>
class HvErrorTransition : public StatesAndTransitions::Transition<E> {
public:
    HvErrorTransition(StatesAndTransitions::State<E>* target, TPOF* pof, std::function<void(QString const&)> onError)
        : StatesAndTransitions::Transition<E>(target), m_pof(pof), m_onError(std::move(onError))
    {
    }

    bool testEvent(E const& event) override
    {
        QString text;
        if (const auto* state = std::get_if<stHVUnitState>(&event))
            text = hvFaultText(m_pof, *state);
        else if (const auto* bits = std::get_if<std::bitset<10>>(&event))
            text = safetyFaultText(*bits);
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
