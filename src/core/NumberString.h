#pragma once

#include <QPair>
#include <QString>

// Formats measured values for display as (number text, unit text) in the
// current default locale.
class NumberString {
public:
    using NumberAndUnit = QPair<QString, QString>;

    // Millivolts as kilovolts with one decimal.
    static NumberAndUnit voltage(long millivolts);
    // Nanoamperes, truncated to whole microamperes; from 1000 µA on as milliamperes with two decimals.
    static NumberAndUnit leakageAmperage(long long nanoamperes);
    // Milliohms, three significant digits with an SI prefix before the ohm sign.
    static NumberAndUnit loadResistance(unsigned long long milliohms);
    // Nanofarads: 0 as "<1" n, 1..99 as integer n, from 100 on three significant digits.
    static NumberAndUnit loadCapacitance(unsigned long long nanofarads);
    // Millihertz as hertz with two decimals.
    static NumberAndUnit testFrequency(unsigned long millihertz);
    // Millionths as thousandths with clamp(precision - 3, 0, 10) decimals, no unit.
    static NumberAndUnit tanDelta(unsigned long value, int precision);
    static NumberAndUnit emptyString(const QString& value, const QString& unit);

    // Resistance at or above this is shown as ">= 5 GΩ".
    static constexpr unsigned long long ResistanceOverRange = 5000000000000ULL;
    // The unit's "above range" reading of the 100 MΩ range, shown as ">= 100 MΩ".
    static constexpr unsigned long long ResistanceRangeLimit = 101000000000ULL;

    static const QString& ohmSign();
    static const QString& microSign();

private:
    // value × 10^baseExponent rounded to three significant digits: the number text and
    // the SI prefix, the prefix kept between minExponent and maxExponent (multiples of 3).
    static NumberAndUnit threeSignificantDigits(unsigned long long value, int baseExponent, int minExponent,
                                                int maxExponent);
};
