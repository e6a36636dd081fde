#include "gui/Connections.h"

#include "core/GlobalFuncs.h"
#include "datamodel/DataModell.h"

Connections::Connections(QObject* parent) : QObject(parent) {}

Qt::CheckState Connections::usbState() const
{
    DataModell* dm = GlobalFuncs::getDM();
    switch (dm ? dm->getUSBState() : USBState_NoStick) {
    case USBState_Ready:
        return Qt::Checked;
    case USBState_Checking:
        return Qt::PartiallyChecked;
    default:
        return Qt::Unchecked;
    }
}
