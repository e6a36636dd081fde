#pragma once

#include <QTest>

// A step made of checks (a helper with QVERIFY and the like): the test function stops
// where the step failed instead of going on with what the step should have set up.
#define STEP(call)                                                                                                     \
    do {                                                                                                               \
        call;                                                                                                          \
        if (QTest::currentTestFailed())                                                                                \
            return;                                                                                                    \
    } while (false)
