#pragma once

#include <atomic>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <type_traits>
#include <utility>
#include <vector>

// A small hierarchical state machine: a machine owns a tree of states, each state owns
// the transitions that leave it. Events are values of one std::variant per machine type
// and are processed one at a time, to completion, in arrival order.
namespace StatesAndTransitions {

template <typename E>
class State;

template <typename E>
class Transition {
public:
    using Event = E;

    explicit Transition(State<E>* target) : m_target(target) {}
    virtual ~Transition() = default;
    Transition(const Transition&) = delete;
    Transition& operator=(const Transition&) = delete;

    virtual bool testEvent(E const& event) = 0;
    virtual void onActivation() {}

    State<E>* target() const { return m_target; }

private:
    State<E>* const m_target;
};

template <typename E>
class State {
public:
    using Event = E;

    State() = default;
    virtual ~State()
    {
        // Children first, then the transitions.
        for (auto& child : m_children)
            child.reset();
        m_children.clear();
        m_transitions.clear();
    }
    State(const State&) = delete;
    State& operator=(const State&) = delete;

    virtual void onEntry() {}
    virtual void onExit() {}

    // The first transition of this state or, failing that, of the nearest ancestor
    // that accepts the event; null when none does.
    Transition<E>* testEvent(E const& event)
    {
        for (State<E>* s = this; s; s = s->m_parent) {
            for (auto& t : s->m_transitions)
                if (t->testEvent(event))
                    return t.get();
        }
        return nullptr;
    }

    State<E>* parent() const { return m_parent; }
    const std::vector<std::unique_ptr<State<E>>>& children() const { return m_children; }
    const std::vector<std::unique_ptr<Transition<E>>>& transitions() const { return m_transitions; }

    // Ownership moves to this state; used by constructState and createEventTransition.
    void adoptChild(std::unique_ptr<State<E>> child)
    {
        child->m_parent = this;
        m_children.push_back(std::move(child));
    }
    void adoptTransition(std::unique_ptr<Transition<E>> transition)
    {
        m_transitions.push_back(std::move(transition));
    }

private:
    State<E>* m_parent = nullptr;
    std::vector<std::unique_ptr<Transition<E>>> m_transitions;
    std::vector<std::unique_ptr<State<E>>> m_children;
};

// Logs what escaped a step; defined with the commissioning library's logging.
void reportFailedStep(const char* what);

template <typename E>
class Machine {
public:
    using Event = E;

    Machine() = default;
    ~Machine() = default; // states go without exit actions
    Machine(const Machine&) = delete;
    Machine& operator=(const Machine&) = delete;

    // Posts the event; unless a loop runs on this machine already, processes the queue
    // until it is empty. A hook that posts an event gets it processed after its step.
    void testEvent(E const& event)
    {
        if (m_retired.load())
            return;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_queue.push_back(event);
        }
        if (m_busy.load())
            return;
        m_busy.store(true);
        drain();
        m_busy.store(false);
    }

    // Runs a hook that no event started (a timer's) as a step of its own: never inside
    // another step, and what it throws is handled like a throwing step. False when it
    // did not run: a step runs, or the machine is retired.
    template <typename F>
    bool runHook(F&& hook)
    {
        if (m_retired.load() || m_busy.load())
            return false;
        m_busy.store(true);
        guarded([&hook] { hook(); });
        drain();
        m_busy.store(false);
        return true;
    }

    // One step for this event alone, without queue, lock or busy flag.
    void processEvent(E const& event) { step(event); }

    State<E>* current() const { return m_current; }
    const std::vector<std::unique_ptr<State<E>>>& states() const { return m_states; }
    bool isBusy() const { return m_busy.load(); }
    std::size_t pendingEvents() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_queue.size();
    }

    void adoptState(std::unique_ptr<State<E>> state)
    {
        State<E>* raw = state.get();
        m_states.push_back(std::move(state));
        if (!m_current)
            m_current = m_active = raw;
    }

    // From now on the machine takes no event and runs no hook. True when it was
    // retired already. Safe from any thread.
    bool retire() { return m_retired.exchange(true); }
    bool retired() const { return m_retired.load(); }
    // What a machine does when its last user lets go; machines that drive the HV unit
    // end their run here first.
    void release() { retire(); }

    // Tests make a hook throw: the probe is called with the name of each fault point a
    // hook passes. Set it before the machine runs.
    void setFaultProbe(std::function<void(const char*)> probe) { m_probe = std::move(probe); }
    void faultPoint(const char* point)
    {
        if (m_probe)
            m_probe(point);
    }

protected:
    // Enters the first top-level state and its first-child chain with their entry
    // actions; for machines that start in their initial configuration.
    void enterInitialState()
    {
        if (m_states.empty())
            return;
        enter(m_states.front().get());
    }

    // When a hook or a transition test throws, the machine leaves its active states
    // (innermost first), calls onFailure with the text and enters rest. Without a rest
    // state the failed step is only abandoned.
    void setRecovery(State<E>* rest, std::function<void(const char*)> onFailure)
    {
        m_rest = rest;
        m_onFailure = std::move(onFailure);
    }

private:
    static std::vector<State<E>*> ancestors(State<E>* s)
    {
        std::vector<State<E>*> out;
        for (State<E>* p = s ? s->parent() : nullptr; p; p = p->parent())
            out.insert(out.begin(), p);
        return out;
    }

    void drain()
    {
        for (;;) {
            std::optional<E> next;
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                if (m_queue.empty() || m_retired.load())
                    break;
                next.emplace(std::move(m_queue.front()));
                m_queue.pop_front();
            }
            guarded([this, &next] { step(*next); });
        }
    }

    template <typename F>
    void guarded(F&& f)
    {
        try {
            f();
        } catch (const std::exception& e) {
            recover(e.what());
        } catch (const char* text) {
            recover(text);
        } catch (...) {
            recover("unknown exception");
        }
    }

    template <typename F>
    static void quietly(F&& f)
    {
        try {
            f();
        } catch (const std::exception& e) {
            reportFailedStep(e.what());
        } catch (const char* text) {
            reportFailedStep(text);
        } catch (...) {
            reportFailedStep("unknown exception");
        }
    }

    void recover(const char* what)
    {
        reportFailedStep(what);
        if (!m_rest)
            return;
        while (State<E>* s = m_active) {
            m_active = s->parent();
            quietly([s] { s->onExit(); });
        }
        if (m_onFailure)
            quietly([this, what] { m_onFailure(what); });
        quietly([this] { enter(m_rest); });
        m_current = m_active;
    }

    // Enters s and its first-child chain; a state counts as active from the moment its
    // entry starts, so a failure leaves it (and stops what it started).
    void enter(State<E>* s)
    {
        m_current = s;
        for (;;) {
            m_active = s;
            s->onEntry();
            if (s->children().empty())
                break;
            s = s->children().front().get();
        }
        m_current = s;
    }

    void step(E const& event)
    {
        if (!m_current)
            return;
        Transition<E>* t = m_current->testEvent(event);
        if (!t)
            return;
        State<E>* target = t->target();
        const std::vector<State<E>*> a = ancestors(m_current);
        const std::vector<State<E>*> b = ancestors(target);
        std::size_t common = 0;
        while (common < a.size() && common < b.size() && a[common] == b[common])
            ++common;

        m_active = m_current->parent();
        m_current->onExit();
        for (std::size_t i = a.size(); i > common; --i) {
            m_active = a[i - 1]->parent();
            a[i - 1]->onExit();
        }
        t->onActivation();
        for (std::size_t i = common; i < b.size(); ++i) {
            m_active = b[i];
            b[i]->onEntry();
        }
        State<E>* s = target;
        m_active = s;
        s->onEntry();
        while (!s->children().empty()) {
            s = s->children().front().get();
            m_active = s;
            s->onEntry();
        }
        m_current = s;
    }

    std::vector<std::unique_ptr<State<E>>> m_states;
    State<E>* m_current = nullptr;
    std::deque<E> m_queue;
    std::atomic<bool> m_busy { false };
    mutable std::mutex m_mutex;
    // The deepest state whose entry has begun and whose exit has not; differs from
    // m_current only inside a step.
    State<E>* m_active = nullptr;
    std::atomic<bool> m_retired { false };
    State<E>* m_rest = nullptr;
    std::function<void(const char*)> m_onFailure;
    std::function<void(const char*)> m_probe;
};

// An owner is a machine or a state of the child's event type.
template <typename Owner, typename Child>
struct CanOwn
    : std::integral_constant<bool,
                             std::is_base_of<State<typename Child::Event>, Child>::value
                                 && (std::is_base_of<Machine<typename Child::Event>, Owner>::value
                                     || std::is_base_of<State<typename Child::Event>, Owner>::value)> {
};

// Creates a state owned by owner (a state, or the machine for a top-level state) and
// returns it; the first top-level state becomes the machine's current state.
template <typename Child, typename Owner, typename... Args,
          typename = std::enable_if_t<CanOwn<Owner, Child>::value && std::is_constructible<Child, Args&&...>::value>>
Child* constructState(Owner* owner, Args&&... args)
{
    using E = typename Child::Event;
    auto child = std::make_unique<Child>(std::forward<Args>(args)...);
    Child* raw = child.get();
    if constexpr (std::is_base_of<Machine<E>, Owner>::value)
        static_cast<Machine<E>*>(owner)->adoptState(std::move(child));
    else
        static_cast<State<E>*>(owner)->adoptChild(std::move(child));
    return raw;
}

} // namespace StatesAndTransitions

namespace Commissioning {

// Both ends of a transition are states of one event type.
template <typename From, typename To>
struct boothStates : std::integral_constant<bool,
                                            std::is_base_of<StatesAndTransitions::State<typename From::Event>, From>::value
                                                && std::is_base_of<StatesAndTransitions::State<typename From::Event>, To>::value> {
};

// Creates T(to, args...) as the last (lowest priority) transition of from.
template <typename T, typename From, typename To, typename... Args,
          typename = std::enable_if_t<boothStates<From, To>::value
                                      && std::is_constructible<T, To*, Args&&...>::value>>
T* createEventTransition(From* from, To* to, Args&&... args)
{
    using E = typename From::Event;
    auto t = std::make_unique<T>(to, std::forward<Args>(args)...);
    T* raw = t.get();
    static_cast<StatesAndTransitions::State<E>*>(from)->adoptTransition(std::move(t));
    return raw;
}

} // namespace Commissioning
