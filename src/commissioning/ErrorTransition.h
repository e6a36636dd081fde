#pragma once

#include "commissioning/InputTakeover.h"
#include "commissioning/StatesAndTransitions.h"

#include <QString>

#include <functional>
#include <utility>

namespace Commissioning {

// Fires when errorText finds an error in the event: the handler gets the text while the
// transition is chosen, before any state is left; the output is stopped on activation.
template <typename E>
class ErrorTransition : public StatesAndTransitions::Transition<E> {
public:
    ErrorTransition(StatesAndTransitions::State<E>* target, TPOF* pof, std::function<void(QString const&)> onError)
        : StatesAndTransitions::Transition<E>(target), m_pof(pof), m_onError(std::move(onError))
    {
    }

    bool testEvent(E const& event) override
    {
        const QString text = errorText(event);
        if (text.isEmpty())
            return false;
        m_onError(text);
        return true;
    }
    void onActivation() override { stopOutput(m_pof); }

protected:
    // Empty when the event shows no error.
    virtual QString errorText(E const& event) const = 0;
    TPOF* pof() const { return m_pof; }

private:
    TPOF* m_pof;
    std::function<void(QString const&)> m_onError;
};

} // namespace Commissioning
