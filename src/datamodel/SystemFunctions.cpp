#include "datamodel/SystemFunctions.h"

#include <QMutexLocker>

namespace {
const char* const kNames[SystemFunction::Count] = {
    "Language", "DateTime", "Display", "SystemInformation", "ResetDefaultValues", "Update", "Network", "WLAN",
    "Bluetooth", "Brightness", "TimeFormat", "DateFormat", "PhaseNames", "VoltageSnaps", "TanDeltaSettings",
    "CriteriaFiles", "Screenshots", "ExportFolder", "SerialNumber", "MessageLog", "ExportMessageLog",
    "ExportSystemLog", "ServiceLog", "DeleteMessageLog", "DeleteLogfiles", "Calibration", "Commissioning",
    "ConfigurationEditor", "RYX", "Administration", "Service", "ChangePassword", "UpdateConfiguration",
    "ExportConfiguration",
};

bool inRange(int f)
{
    return f >= 0 && f < SystemFunction::Count;
}
} // namespace

SystemFunctions::SystemFunctions()
{
    // The password-guarded menus start locked.
    m_locked.set(SystemFunction::RYX);
    m_locked.set(SystemFunction::Administration);
    m_locked.set(SystemFunction::Service);
}

QString SystemFunctions::getFuncName(SystemFunction::eSysFunc func) const
{
    return inRange(func) ? QString::fromLatin1(kNames[func]) : QStringLiteral("Unknown function");
}

bool SystemFunctions::isLocked(SystemFunction::eSysFunc func) const
{
    if (!inRange(func))
        return false;
    QMutexLocker lock(&m_mutex);
    return m_locked.test(size_t(func));
}

bool SystemFunctions::setLocked(SystemFunction::eSysFunc func, bool locked)
{
    if (!inRange(func))
        return false;
    QMutexLocker lock(&m_mutex);
    if (m_locked.test(size_t(func)) == locked)
        return false;
    m_locked.set(size_t(func), locked);
    return true;
}
