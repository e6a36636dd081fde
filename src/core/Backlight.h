#pragma once

#include "core/IBacklight.h"

#include <QString>

// The first backlight device (in name order) below "/sys/class/backlight";
// percent is scaled onto its "max_brightness".
class Backlight : public IBacklight {
public:
    int brightness() const override;
    bool setBrightness(int percent) override;

private:
    static QString deviceDir();
    static long long readNumber(const QString& file, bool* ok);
};
