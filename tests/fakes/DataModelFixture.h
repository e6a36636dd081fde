#pragma once

#include "fakes/FakeConfig.h"
#include "fakes/TempRoot.h"

#include <functional>
#include <memory>

class DataModell;

// A data model for one test: temporary file-system root, in-memory configuration and a
// database below the root. The model is the process-wide instance, ended with the fixture.
class DataModelFixture {
public:
    DataModelFixture();
    ~DataModelFixture();

    bool isValid() const { return m_valid; }
    DataModell* dm() const { return m_dm; }
    FakeConfig* config() const { return m_config.get(); }
    const TempRoot& root() const { return *m_root; }

    // Ends whatever test a failed case left behind and waits, answering as the operator,
    // until the model is in Idle with the HV link up; the next case starts from there.
    // The HV link must be wired to the model. A unit in error in Idle is only left by a
    // new start of the unit: restartUnit, when given, does that.
    bool returnToIdle(int timeoutMs, const std::function<void()>& restartUnit = {});

    // Mains on and the unit up: a test may start.
    void readyForATest() const;
    // What a flow meets midway by a meetingRows() row: the stick pulled (pull, else the
    // root's stick), its own control pressed again (again) or a test started.
    std::function<void()> meeting(const QString& event, const std::function<void()>& again,
                                  const std::function<void()>& pull = {}) const;

private:
    std::unique_ptr<TempRoot> m_root;
    std::unique_ptr<FakeConfig> m_config;
    DataModell* m_dm = nullptr;
    bool m_valid = false;
};
