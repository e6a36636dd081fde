#pragma once

#include "core/GlobalFuncs.h"

// What the test worker needs of the history controller: the record it captures into.
class ITestHistory {
public:
    virtual ~ITestHistory() = default;

    // Empties the record being captured or shown.
    virtual void clearData() = 0;
    // Writes the captured record to a storage place; false when that fails.
    virtual bool saveData(GlobalFuncs::Path location) = 0;
    // Captures the finished test from the data model, added to the stored record of
    // that name when one is given (the phases of one cable share a record).
    virtual bool captureData(QString fileName) = 0;
    // Whether captured records are kept in the internal store.
    virtual bool hasHistory() const = 0;
};
