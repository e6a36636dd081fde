#pragma once

#include <QString>

// The configured name of phase index 0, 1 or 2; empty without a data model or for
// another index.
QString getPhaseString(int index);
