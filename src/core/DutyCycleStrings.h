#pragma once

#include <QString>

namespace strings {
// On:off text of a duty cycle (eDutyCycle 0..4: 1:4, 1:3, 1:2, 1.5:0.5, 0.5:1);
// the translated "Unknown" (context "Dialog") for any other value. Takes the
// number so this layer does not depend on the data model.
QString dutyCycleToName(int dutyCycle);
} // namespace strings
