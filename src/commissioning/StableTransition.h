#pragma once

#include "commissioning/CommissioningValues.h"
#include "commissioning/StatesAndTransitions.h"

#include <boost/circular_buffer.hpp>

#include <chrono>
#include <functional>
#include <utility>
#include <variant>

namespace Commissioning {

// Population variance by Welford's running update.
template <typename Ring>
double populationVariance(Ring const& ring)
{
    double mean = 0.0, m2 = 0.0;
    std::size_t n = 0;
    for (const auto v : ring) {
        ++n;
        const double delta = double(v) - mean;
        mean += delta / double(n);
        m2 += delta * (double(v) - mean);
    }
    return n ? m2 / double(n) : 0.0;
}

// Fires once the last 6 output readings are steady (voltage within about 100 V,
// current variance below 1e8) and the condition holds; hands the voltages on. The
// rings outlive state changes, but a reading that comes more than a second after the one
// before (the readings come every 250 ms while the state is active) starts them afresh:
// readings of an earlier run, one cancelled at this level, never enter a measurement.
template <typename E>
class StableTransition : public StatesAndTransitions::Transition<E> {
public:
    StableTransition(StatesAndTransitions::State<E>* target,
                     std::function<void(boost::circular_buffer<long> const&)> onStable,
                     std::function<bool()> condition = [] { return true; })
        : StatesAndTransitions::Transition<E>(target), m_onStable(std::move(onStable)),
          m_condition(std::move(condition)), m_voltages(6), m_currents(6)
    {
    }

    bool testEvent(E const& event) override
    {
        const auto* values = std::get_if<OutputValues>(&event);
        if (!values)
            return false;
        const auto now = std::chrono::steady_clock::now();
        if (now - m_lastReading > kStaleAfter) {
            m_voltages.clear();
            m_currents.clear();
        }
        m_lastReading = now;
        m_voltages.push_back(values->voltage);
        m_currents.push_back(values->current);
        if (!m_voltages.full())
            return false;
        if (!(populationVariance(m_voltages) < 1e10))
            return false;
        if (!(populationVariance(m_currents) < 1e8))
            return false;
        return m_condition();
    }
    void onActivation() override
    {
        m_onStable(m_voltages);
        m_voltages.clear();
    }

    static constexpr std::chrono::milliseconds kStaleAfter { 1000 };

private:
    std::function<void(boost::circular_buffer<long> const&)> m_onStable;
    std::function<bool()> m_condition;
    boost::circular_buffer<long> m_voltages;
    boost::circular_buffer<long long> m_currents;
    std::chrono::steady_clock::time_point m_lastReading;
};

} // namespace Commissioning
