#pragma once

#include <QString>

#include <functional>

// The HV-enable line as the simulated unit sees it on a GPIO tree of plain files (a
// development root, a test's fake tree): the program writes '1' and '0' one after the
// other into the line's value file, so its last character is the line's level. No file,
// or an empty one, reads low.
std::function<bool()> hvEnableFromFile(const QString& valueFile);
