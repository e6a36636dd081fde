#pragma once

#include "core/IRebooter.h"

#include <QStringList>

// Records reboot and power-off requests instead of carrying them out.
class FakeRebooter : public IRebooter {
public:
    bool reboot() override;
    bool powerOff() override;

    QStringList calls; // "reboot", "powerOff"
    bool result = true;
};
