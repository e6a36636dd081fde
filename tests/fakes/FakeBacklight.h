#pragma once

#include "core/IBacklight.h"

#include <QList>

// Keeps the brightness in memory and records every value set.
class FakeBacklight : public IBacklight {
public:
    int brightness() const override { return current; }
    bool setBrightness(int percent) override;

    QList<int> values;
    int current = 100;
    bool result = true;
};
