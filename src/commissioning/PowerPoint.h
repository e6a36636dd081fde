#pragma once

#include "commissioning/CommissioningValues.h"

#include <QString>
#include <QtGlobal>

#include <array>

namespace Commissioning {

// One point of the cascades' power envelope: voltage in units of 100 V (negative for
// the negative cascade), the cascade setting sent with it, the output current (nA)
// the unit must deliver there.
struct PowerPoint {
    qint16 voltage = 0;
    quint16 setting = 0;
    qint64 current = 0;

    // The same point on the negative cascade.
    PowerPoint negated() const { return { qint16(-voltage), setting, -current }; }
};

// The eight positive points, from 5 kV up to 40 kV.
extern const std::array<PowerPoint, 8> testPoints;

// The cascade voltage (the higher cascade; the negative one counts negative) within
// 300 V and the output current within 2 mA of the point, bounds included.
bool powerOkay(PowerPoint const& point, CascadeOutputValues const& values);

// Parameter 32 for the point, 16 bits each from the lowest: the setting for a positive
// point (else 0), the setting for a negative one (else 0), the voltage, 1.
unsigned long long powerLevelWord(PowerPoint const& point);

// What the operator is told when the point was missed with these values.
QString missedPointText(PowerPoint const& point, CascadeOutputValues const& values);

} // namespace Commissioning
