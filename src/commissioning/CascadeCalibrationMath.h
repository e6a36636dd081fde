#pragma once

#include "commissioning/CommissioningValues.h"

#include <QString>

namespace Commissioning {

constexpr double minAcceptableGain = 0.8;
constexpr double maxAcceptableGain = 1.2;

// lo <= x <= hi; false for NaN.
bool inRange(double lo, double x, double hi);

// Gain and offset per polarity from the output voltages (mV) measured at +6, +40, -6
// and -40 kV with the neutral calibration; the offsets in units of 71.313 kV.
CascadeCalibrationResult calculateCalibration(CascadeCalibrationValues const& v);

// Gains within 0.8 .. 1.2 and offsets within +-0.1.
bool goodCalibration(CascadeCalibrationResult const& c);

// The four results, each labelled "Gut" or "Schlecht".
QString describeBadCalibration(CascadeCalibrationResult const& c);

// The voltages measured with the new calibration lie within 300 V of each set point.
bool calibrationConfirmed(CascadeCalibrationValues const& after);

// The unit keeps a calibration value as a signed 16-bit word with 12 fraction bits
// (value x 4096, rounded to nearest, two's complement; high bits 0). Reading also
// takes sign-extended words.
unsigned long long toCalibrationWord(double value);
double fromCalibrationWord(unsigned long long raw);

} // namespace Commissioning
