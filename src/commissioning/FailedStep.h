#pragma once

#include "commissioning/StatesAndTransitions.h"

#include <QString>

#include <functional>
#include <utility>

namespace Commissioning {

// Fires on any event while a step's error is pending, clears it and reports it. A hook
// cannot leave its state itself: it records the error and posts an event.
template <typename E>
class FailedStep : public StatesAndTransitions::Transition<E> {
public:
    FailedStep(StatesAndTransitions::State<E>* target, QString* failure, std::function<void(QString const&)> report)
        : StatesAndTransitions::Transition<E>(target), m_failure(failure), m_report(std::move(report))
    {
    }
    bool testEvent(E const&) override { return !m_failure->isEmpty(); }
    void onActivation() override
    {
        const QString text = *m_failure;
        m_failure->clear();
        m_report(text);
    }

private:
    QString* m_failure;
    std::function<void(QString const&)> m_report;
};

} // namespace Commissioning
