#include "commissioning/MachineEvent.h"
#include "commissioning/MatchesEvent.h"
#include "commissioning/StatesAndTransitions.h"
#include "fakes/LogCapture.h"

#include <QtTest>

#include <functional>
#include <stdexcept>

using namespace StatesAndTransitions;
using Commissioning::createEventTransition;
using E = Commissioning::MachineEvent<>;

namespace {

// Every hook writes a line into the shared journal.
struct Journal {
    QStringList lines;
};

class Node : public State<E> {
public:
    Node(Journal* j, QString name, std::function<void()> entry = {}) : m_j(j), m_name(std::move(name)), m_entry(std::move(entry)) {}
    void onEntry() override
    {
        m_j->lines << "entry:" + m_name;
        if (m_entry)
            m_entry();
    }
    void onExit() override { m_j->lines << "exit:" + m_name; }

private:
    Journal* m_j;
    QString m_name;
    std::function<void()> m_entry;
};

// Accepts what the predicate accepts; notes its activation.
class Edge : public Transition<E> {
public:
    Edge(State<E>* target, Journal* j, QString name, std::function<bool(E const&)> accept,
         std::function<void()> action = {})
        : Transition<E>(target), m_j(j), m_name(std::move(name)), m_accept(std::move(accept)), m_action(std::move(action))
    {
    }
    bool testEvent(E const& e) override { return m_accept(e); }
    void onActivation() override
    {
        m_j->lines << "act:" + m_name;
        if (m_action)
            m_action();
    }

private:
    Journal* m_j;
    QString m_name;
    std::function<bool(E const&)> m_accept;
    std::function<void()> m_action;
};

std::function<bool(E const&)> is(Commissioning::UserEvent u)
{
    return [u](E const& e) {
        const auto* p = std::get_if<Commissioning::UserEvent>(&e);
        return p && *p == u;
    };
}

class TestMachine : public Machine<E> {
public:
    using Machine<E>::enterInitialState;
    using Machine<E>::setRecovery;
};

} // namespace

class TestStatesAndTransitions : public QObject {
    Q_OBJECT

    Journal j;
    std::unique_ptr<LogCapture> log;

private slots:
    void initTestCase() { log = std::make_unique<LogCapture>(); }
    void init() { j.lines.clear(); }

    void firstTopLevelStateIsCurrentWithoutEntry()
    {
        TestMachine m;
        QCOMPARE(m.current(), nullptr);
        Node* a = constructState<Node>(&m, &j, "A");
        Node* a1 = constructState<Node>(a, &j, "A1");
        constructState<Node>(&m, &j, "B");
        QCOMPARE(m.current(), a);
        QCOMPARE(a1->parent(), a);
        QVERIFY(j.lines.isEmpty());

        // Entered explicitly, the machine descends to the first leaf.
        m.enterInitialState();
        QCOMPARE(m.current(), a1);
        QCOMPARE(j.lines, QStringList({ "entry:A", "entry:A1" }));
    }

    void eventPostedFromEntryRunsOnceTheNewLeafIsCurrent()
    {
        TestMachine m;
        Node* a = constructState<Node>(&m, &j, "A");
        Node* c = constructState<Node>(&m, &j, "C");
        State<E>* currentWhenTested = nullptr;
        Node* b = constructState<Node>(&m, &j, "B", [&m] { m.testEvent(E(Commissioning::Confirm)); });
        createEventTransition<Edge>(a, b, &j, "AB", is(Commissioning::Start));
        createEventTransition<Edge>(b, c, &j, "BC", [&](E const& e) {
            currentWhenTested = m.current();
            return is(Commissioning::Confirm)(e);
        });

        m.testEvent(E(Commissioning::Start));
        QCOMPARE(currentWhenTested, b);
        QCOMPARE(m.current(), c);
        QCOMPARE(j.lines, QStringList({ "exit:A", "act:AB", "entry:B", "exit:B", "act:BC", "entry:C" }));
        QVERIFY(!m.isBusy());
    }

    void eventWithoutTransitionLeavesNoResidue()
    {
        TestMachine m;
        Node* a = constructState<Node>(&m, &j, "A");
        Node* b = constructState<Node>(&m, &j, "B");
        createEventTransition<Edge>(a, b, &j, "AB", is(Commissioning::Confirm));

        m.testEvent(E(Commissioning::Start));
        m.testEvent(E(std::bitset<10>(0x3FF)));
        QCOMPARE(m.current(), a);
        QCOMPARE(m.pendingEvents(), std::size_t(0));
        QVERIFY(!m.isBusy());
        QVERIFY(j.lines.isEmpty());
        // Nothing of the dropped events comes back later.
        m.testEvent(E(Commissioning::Confirm));
        QCOMPARE(j.lines, QStringList({ "exit:A", "act:AB", "entry:B" }));
    }

    void priorities()
    {
        // Within a state the first created transition wins.
        {
            TestMachine m;
            Node* a = constructState<Node>(&m, &j, "A");
            Node* b = constructState<Node>(&m, &j, "B");
            Node* c = constructState<Node>(&m, &j, "C");
            createEventTransition<Edge>(a, b, &j, "first", is(Commissioning::Start));
            createEventTransition<Edge>(a, c, &j, "second", is(Commissioning::Start));
            m.testEvent(E(Commissioning::Start));
            QCOMPARE(m.current(), b);
        }
        // The leaf's transition wins over its parent's.
        {
            j.lines.clear();
            TestMachine m;
            Node* p = constructState<Node>(&m, &j, "P");
            Node* leaf = constructState<Node>(p, &j, "L");
            Node* x = constructState<Node>(&m, &j, "X");
            Node* y = constructState<Node>(&m, &j, "Y");
            createEventTransition<Edge>(p, x, &j, "parent", is(Commissioning::Abort));
            createEventTransition<Edge>(leaf, y, &j, "leaf", is(Commissioning::Abort));
            m.enterInitialState();
            j.lines.clear();
            m.testEvent(E(Commissioning::Abort));
            QCOMPARE(m.current(), y);
            QCOMPARE(j.lines, QStringList({ "exit:L", "exit:P", "act:leaf", "entry:Y" }));
        }
    }

    void exitsAndEntriesFollowTheTree()
    {
        // R { A { A1 }, B }: a self-transition, a move between siblings under a parent
        // that stays, and a transition from the leaf back to the root.
        TestMachine m;
        Node* r = constructState<Node>(&m, &j, "R");
        Node* a = constructState<Node>(r, &j, "A");
        Node* a1 = constructState<Node>(a, &j, "A1");
        Node* b = constructState<Node>(r, &j, "B");
        createEventTransition<Edge>(a1, a1, &j, "self", is(Commissioning::Confirm));
        createEventTransition<Edge>(a1, b, &j, "sibling", is(Commissioning::NextMeasurement));
        createEventTransition<Edge>(b, r, &j, "root", is(Commissioning::Abort));
        createEventTransition<Edge>(r, r, &j, "unused", is(Commissioning::Exit));
        m.enterInitialState();
        QCOMPARE(m.current(), a1);

        j.lines.clear();
        m.testEvent(E(Commissioning::Confirm));
        QCOMPARE(j.lines, QStringList({ "exit:A1", "act:self", "entry:A1" }));
        QCOMPARE(m.current(), a1);

        j.lines.clear();
        m.testEvent(E(Commissioning::NextMeasurement));
        QCOMPARE(j.lines, QStringList({ "exit:A1", "exit:A", "act:sibling", "entry:B" }));

        j.lines.clear();
        m.testEvent(E(Commissioning::Abort));
        QCOMPARE(j.lines, QStringList({ "exit:B", "exit:R", "act:root", "entry:R", "entry:A", "entry:A1" }));
        QCOMPARE(m.current(), a1);

        // A transition of an ancestor to itself leaves and re-enters the whole branch.
        j.lines.clear();
        m.testEvent(E(Commissioning::Exit));
        QCOMPARE(j.lines, QStringList({ "exit:A1", "exit:A", "exit:R", "act:unused", "entry:R", "entry:A", "entry:A1" }));
    }

    void throwingHookLeavesTheMachineAccepting()
    {
        TestMachine m;
        Node* a = constructState<Node>(&m, &j, "A");
        Node* b = constructState<Node>(&m, &j, "B", [] { throw std::runtime_error("entry failed"); });
        Node* c = constructState<Node>(&m, &j, "C");
        Node* d = constructState<Node>(&m, &j, "D");
        createEventTransition<Edge>(a, b, &j, "AB", is(Commissioning::Start), [&m] {
            // Posted before the step fails: must survive it.
            m.testEvent(E(Commissioning::Confirm));
        });
        createEventTransition<Edge>(a, c, &j, "AC", is(Commissioning::Confirm));
        createEventTransition<Edge>(b, c, &j, "BC", is(Commissioning::Confirm));
        createEventTransition<Edge>(c, d, &j, "CD", [](E const&) -> bool { throw "this should not be called"; });

        m.testEvent(E(Commissioning::Start));
        QVERIFY(!m.isBusy());
        QCOMPARE(m.pendingEvents(), std::size_t(0));
        // The failed step left A current; the queued Confirm was still processed.
        QCOMPARE(m.current(), c);
        QCOMPARE(log->deliveredWhere([](const LoggingData& r) {
                        return r.category == CAT_ERR && r.text.contains("entry failed");
                    }).size(),
                 1);

        // A throwing transition test: logged, and the next event is taken.
        m.testEvent(E(Commissioning::Abort));
        QVERIFY(!m.isBusy());
        QCOMPARE(m.current(), c);
        QCOMPARE(log->deliveredWhere([](const LoggingData& r) {
                        return r.category == CAT_ERR && r.text.contains("this should not be called");
                    }).size(),
                 1);
    }

    // With a recovery, what was entered is left innermost first (also a state whose entry
    // threw) and the machine rests; a timer's hook is handled the same way.
    void throwingHookEndsInTheRestState()
    {
        TestMachine m;
        Node* idle = constructState<Node>(&m, &j, "I");
        Node* run = constructState<Node>(&m, &j, "R");
        constructState<Node>(run, &j, "S", [] { throw std::runtime_error("entry failed"); });
        createEventTransition<Edge>(idle, run, &j, "IR", is(Commissioning::Start));
        QStringList failures;
        m.setRecovery(idle, [&](const char* what) {
            failures << what;
            j.lines << "failure";
        });

        m.testEvent(E(Commissioning::Start));
        QCOMPARE(j.lines, QStringList({ "exit:I", "act:IR", "entry:R", "entry:S", "exit:S", "exit:R", "failure", "entry:I" }));
        QCOMPARE(m.current(), idle);
        QVERIFY(!m.isBusy());

        j.lines.clear();
        QVERIFY(m.runHook([] { throw "tick failed"; }));
        QCOMPARE(j.lines, QStringList({ "exit:I", "failure", "entry:I" }));
        QCOMPARE(failures, QStringList({ "entry failed", "tick failed" }));

        // Retired: neither events nor hooks.
        j.lines.clear();
        m.retire();
        QVERIFY(!m.runHook([] {}));
        m.testEvent(E(Commissioning::Start));
        QVERIFY(j.lines.isEmpty());
    }

    void matchesEventComparesAlternativeAndValue()
    {
        TestMachine m;
        Node* a = constructState<Node>(&m, &j, "A");
        Node* b = constructState<Node>(&m, &j, "B");
        int actions = 0;
        createEventTransition<Commissioning::MatchesEvent<E>>(a, b, E(std::bitset<10>(0x200)), [&actions] { ++actions; });
        m.testEvent(E(stHVUnitState(false, 0x200))); // same number, other alternative
        m.testEvent(E(std::bitset<10>(0x201)));
        QCOMPARE(m.current(), a);
        m.testEvent(E(std::bitset<10>(0x200)));
        QCOMPARE(m.current(), b);
        QCOMPARE(actions, 1);
    }
};

QTEST_GUILESS_MAIN(TestStatesAndTransitions)
#include "tst_statesandtransitions.moc"
