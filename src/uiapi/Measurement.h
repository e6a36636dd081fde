#pragma once

#include <QObject>

// Verdict of a test as the result and history pages show it. Kept beside the record
// store's history item, which fills it; the pages reach the names through the
// meta-object system.
namespace Measurement {
Q_NAMESPACE

enum eGuiTestResult : int {
    Unknown = 0,
    Done = 1,
    Passed = 2,
    Failed = 3,
    InteruptedByUser = 4,
};
Q_ENUM_NS(eGuiTestResult)

} // namespace Measurement
