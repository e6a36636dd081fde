#pragma once

#include <QList>

// The GPIO lines of the ten safety-circuit inputs, in the order of their pins.
QList<int> safetyInputLines();
// The GPIO line of safety input bit; -1 for a bit no pin has.
int safetyLineOfBit(int bit);
