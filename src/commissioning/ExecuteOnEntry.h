#pragma once

#include "commissioning/StatesAndTransitions.h"

#include <functional>
#include <utility>

namespace Commissioning {

// A state that runs its function on every entry.
template <typename E>
class ExecuteOnEntry : public StatesAndTransitions::State<E> {
public:
    explicit ExecuteOnEntry(std::function<void()> onEntry) : m_entry(std::move(onEntry)) {}
    void onEntry() override { m_entry(); }

private:
    std::function<void()> m_entry;
};

} // namespace Commissioning
