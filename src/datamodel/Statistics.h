#pragma once

#include "datamodel/OperatingModes.h"

#include <QString>

// Ids and names of the operating-statistics parameters (category << 8 | value) and of
// the performance indicators.
class Statistics {
public:
    enum eCategory : int {
        CategoryOpmode = 1,
        CategoryOperation = 2, // minutes: test time, temperature, voltage and load bands
        CategoryCLoad = 3,
        CategoryDuration = 4,
        CategoryBreakdown = 5,
    };
    static constexpr int CLoadStep = 200; // nF per capacitive-load class

    // Breakdown at percent of the test voltage (0..100, rounded down).
    static int generateBreakdownParam(double percent);
    // Capacitive load in nF, one class per 200 nF.
    static int generateCLoadParam(unsigned long capacitance);
    static int getOpmodeParam(OperatingModes::OperatingMode mode);

    // Name of a statistics parameter id or, for ids below 0x100, of a performance indicator.
    static QString getParamName(int id);
};
