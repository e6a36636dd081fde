#pragma once

#include <QString>

// A crash must not leave high voltage enabled: a GPIO keeps its value after the process
// is gone. Handlers for SIGSEGV, SIGBUS, SIGFPE, SIGILL and SIGABRT write '0' to the
// HV-enable line's value file (opened beforehand; nothing but async-signal-safe calls in
// the handler) and then let the signal take its default action.
class HvOffOnCrash {
public:
    // False when the value file cannot be opened; no handler is installed then.
    static bool install(const QString& valueFile);
    // The handlers from before again, the file closed; for the shutdown, once the line is off.
    static void uninstall();
    static bool isInstalled();
    // Writes '0' to the line while installed; async-signal-safe, for the forced stop too.
    static void pullLow();
};
