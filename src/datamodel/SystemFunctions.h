#pragma once

#include <QMetaType>
#include <QMutex>
#include <QString>

#include <bitset>

namespace SystemFunction {
// Functions of the system menu.
enum eSysFunc : int {
    Language = 0,
    DateTime = 1,
    Display = 2,
    SystemInformation = 3,
    ResetDefaultValues = 4,
    Update = 5,
    Network = 6,
    WLAN = 7,
    Bluetooth = 8,
    Brightness = 9,
    TimeFormat = 10,
    DateFormat = 11,
    PhaseNames = 12,
    VoltageSnaps = 13,
    TanDeltaSettings = 14,
    CriteriaFiles = 15,
    Screenshots = 16,
    ExportFolder = 17,
    SerialNumber = 18,
    MessageLog = 19,
    ExportMessageLog = 20,
    ExportSystemLog = 21,
    ServiceLog = 22,
    DeleteMessageLog = 23,
    DeleteLogfiles = 24,
    Calibration = 25,
    Commissioning = 26,
    ConfigurationEditor = 27,
    RYX = 28,
    Administration = 29,
    Service = 30,
    ChangePassword = 31,
    UpdateConfiguration = 32,
    ExportConfiguration = 33,
};
constexpr int Count = 34;
} // namespace SystemFunction

// The system-menu functions: internal names (action names) and lock flags.
class SystemFunctions {
public:
    SystemFunctions();

    // "Unknown function" outside the table.
    QString getFuncName(SystemFunction::eSysFunc func) const;
    bool isLocked(SystemFunction::eSysFunc func) const;
    // Returns true when the lock state changed; false for a function out of range.
    bool setLocked(SystemFunction::eSysFunc func, bool locked);

private:
    mutable QMutex m_mutex;
    std::bitset<SystemFunction::Count> m_locked;
};

Q_DECLARE_METATYPE(SystemFunction::eSysFunc)
