#include "core/CommonOS.h"

#include "core/IRebooter.h"
#include "core/Platform.h"

#include <QThread>

bool CommonOS::reboot(bool powerOff)
{
    IRebooter* r = Platform::rebooter();
    return powerOff ? r->powerOff() : r->reboot();
}

void CommonOS::sleep(unsigned int ms) { QThread::msleep(ms); }
