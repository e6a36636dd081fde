#pragma once

#include "fakes/FakeConfig.h"
#include "fakes/TempRoot.h"

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

private:
    std::unique_ptr<TempRoot> m_root;
    std::unique_ptr<FakeConfig> m_config;
    DataModell* m_dm = nullptr;
    bool m_valid = false;
};
