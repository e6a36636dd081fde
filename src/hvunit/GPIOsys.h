#pragma once

#include "hvunit/GPIOAccess.h"

#include <QString>
#include <vector>

// Lines through the Linux sysfs GPIO interface. A line is exported on its first
// configuration; its value file then stays open until destruction, so a read costs
// one seek and one byte.
class GPIOsys : public GPIOAccess {
public:
    struct PinData {
        int line = -1;
        int valueFd = -1;
    };

    GPIOsys();
    ~GPIOsys() override;

    GPIOsys(const GPIOsys&) = delete;
    GPIOsys& operator=(const GPIOsys&) = delete;

    // The value file of a line (below the file-system root).
    static QString valueFile(int line);

    int get_pin(int line) override;
    bool set_pin(int line, bool value) override;
    bool cfg_io_pin(int line, int type) override;

private:
    PinData* find(int line);
    static QString sysfsFile(const QString& name);
    static QString attributeFile(int line, const QString& attribute);
    // One-shot attribute write: open (truncating), write, close.
    static bool writeAttribute(const QString& path, const QString& text);

    std::vector<PinData> m_pins;
};
