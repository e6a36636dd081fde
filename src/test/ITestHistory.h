#pragma once

#include "app/core/GlobalFuncs.h"

// What the test worker needs of the history controller: the record it captures into.
class ITestHistory {
public:
    virtual ~ITestHistory() = default;

    // Empties the record being captured or shown.
    virtual void clearData() = 0;
    // Writes the captured record to a storage place; false when that fails.
    virtual bool saveData(GlobalFuncs::Path location) = 0;
};
