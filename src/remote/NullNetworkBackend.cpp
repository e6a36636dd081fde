#include "remote/NullNetworkBackend.h"

#include "logging/LoggingCtrl.h"

#include <QTimer>

namespace {
const char* const kClass = "NullNetworkBackend";
}

void NullNetworkBackend::scan() { QTimer::singleShot(0, this, &INetworkBackend::scanFinished); }

bool NullNetworkBackend::connectTo(const QString& name, const QString&)
{
    KLOG_WARN2(kClass, "connectTo", QStringLiteral("No network service to connect to \"%1\"").arg(name));
    return false;
}

bool NullNetworkBackend::setAdHoc(bool on, const QString&)
{
    if (on)
        KLOG_WARN2(kClass, "setAdHoc", "No network service for an ad-hoc network");
    return !on;
}

bool NullNetworkBackend::setWiredIpv4(const QString& address)
{
    KLOG_WARN2(kClass, "setWiredIpv4", QStringLiteral("No network service to set %1").arg(address));
    return false;
}
