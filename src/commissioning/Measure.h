#pragma once

#include <boost/circular_buffer.hpp>

namespace Commissioning {

// Keeps the mean of the 4 newest voltage samples (mV) in *target, if there is one.
class Measure {
public:
    explicit Measure(double* target) : m_target(target) {}
    void operator()(boost::circular_buffer<long> const& voltages) const;

private:
    double* m_target;
};

} // namespace Commissioning
