#pragma once

// Voltage conversions between peak and RMS values and voltage factors.
// The operating mode is passed as its number so this layer does not depend on
// the data model; OperatingModes::OperatingMode converts implicitly. The sine
// modes are 10 to 13 (VLFSin, TanDelta, MWTSingle, MWTStep); only they convert.
class ValueConverter {
public:
    static constexpr int FirstSineMode = 10;
    static constexpr int LastSineMode = 13;

    static bool isSineMode(int mode) { return mode >= FirstSineMode && mode <= LastSineMode; }

    // value × √2 in the sine modes, rounded to nearest (halves up); else unchanged.
    static long convertRMSToPEAK(int mode, long value);
    // value × 0.707106781186595 in the sine modes, rounded to nearest (halves up); else unchanged.
    static long convertPEAKToRMS(int mode, long value);
    // (value × 10) / factor with the factor in tenths (10 = 1.0), truncated toward zero.
    // A factor of 0 is logged and the value returned unchanged.
    static long divideVoltageByFactor(long value, long factor);
    // (value × factor) / 10 with the factor in tenths, truncated toward zero.
    static long multiplyVoltageByFactor(long value, long factor);
};
