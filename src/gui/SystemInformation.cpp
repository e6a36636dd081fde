#include "gui/SystemInformation.h"

#include "core/GlobalFuncs.h"
#include "core/IConnectionManager.h"
#include "datamodel/DataModell.h"
#include "datamodel/SystemInfo.h"

#include <QCoreApplication>

namespace {
// Change signals in the order they are announced: emergency off first.
const int kInputOrder[] = {1, 0, 2, 3, 4, 5, 6, 7, 8, 9};
const qint64 kFreeSteps[] = {5000, 4000, 3000, 2000, 1000};

const SystemInfo* systemInfo()
{
    DataModell* dm = GlobalFuncs::getDM();
    return dm ? dm->getSystemInfo() : nullptr;
}

QString versionOf(QString (SystemInfo::*get)() const)
{
    const SystemInfo* info = systemInfo();
    return info ? (info->*get)() : QString();
}

stTBData boostData()
{
    DataModell* dm = GlobalFuncs::getDM();
    return dm ? dm->getTestBoostData() : stTBData();
}
} // namespace

SystemInformation::SystemInformation(QObject* parent) : QObject(parent)
{
    DataModell* dm = GlobalFuncs::getDM();
    if (!dm)
        return;
    // The data model lives on its own thread: these arrive queued.
    connect(dm, &DataModell::safetyCircuitChanged, this, &SystemInformation::onSafetyCircuitChanged);
    connect(dm, &DataModell::TestBoostStateChanged, this, &SystemInformation::testBoostStateChanged);
    connect(dm, &DataModell::TestBoostStateChanged, this, &SystemInformation::testboostDataChanged);
    connect(dm, &DataModell::hvIdentificationChanged, this, &SystemInformation::versionsChanged);
    connect(dm, &DataModell::hvUnitParamChanged, this, [this](eHVUnitParamType type, quint64) {
        if (type == eHVUnitParamType_HvSourceVersion)
            emit versionsChanged();
    });
}

QString SystemInformation::hardwareId() const
{
    DataModell* dm = GlobalFuncs::getDM();
    return dm ? dm->getHardwareId() : QString();
}

QString SystemInformation::applicationVersion() const
{
    return QStringLiteral("%1.%2.%3 %4 %5").arg(4).arg(2).arg(0).arg(QStringLiteral(__DATE__), QStringLiteral(__TIME__));
}

QString SystemInformation::serialNumber() const
{
    DataModell* dm = GlobalFuncs::getDM();
    return dm ? dm->getSerialNumber() : QString();
}

QString SystemInformation::bootloaderVersion() const { return versionOf(&SystemInfo::getBootloaderVersion); }
QString SystemInformation::kernelVersion() const { return versionOf(&SystemInfo::getKernelVersion); }
QString SystemInformation::filesystemVersion() const { return versionOf(&SystemInfo::getFilesystemVersion); }
QString SystemInformation::hvcVersion() const { return versionOf(&SystemInfo::getHVCVersion); }
QString SystemInformation::hwVersion() const { return versionOf(&SystemInfo::getHwVersion); }
QString SystemInformation::hvSourceVersion() const { return versionOf(&SystemInfo::getHvSourceVersion); }

QString SystemInformation::diskUsage() const
{
    return QStringLiteral("%1 %").arg(SystemInfo::getDiskUsage(GlobalFuncs::getAppDataPath()));
}

QString SystemInformation::freeMeasurementsToSave() const
{
    return freeRecordsText(SystemInfo::getFreeMeasurements(GlobalFuncs::getAppDataPath(), RecordBytes));
}

QString SystemInformation::freeRecordsText(qint64 count)
{
    if (count <= 0)
        return QCoreApplication::translate("Information", "StorageFull");
    for (qint64 step : kFreeSteps)
        if (count > step)
            return QStringLiteral("%1+").arg(step);
    // Anything up to the smallest step; a lower figure would promise less than may fit.
    return QStringLiteral("<%1").arg(kFreeSteps[4]);
}

QString SystemInformation::pevantoType() const { return typeText(pevantoTypeInt()); }

QString SystemInformation::typeText(int type)
{
    if (type > 9)
        return QStringLiteral("Pevanto %1").arg(type);
    return QCoreApplication::translate("Dialog", "Unknown");
}

uchar SystemInformation::pevantoTypeInt() const
{
    const SystemInfo* info = systemInfo();
    return info ? info->getPevantoType() : 0;
}

QString SystemInformation::testboostId() const
{
    const stTBData data = boostData();
    return data.configValid ? data.identifier : QString();
}

QString SystemInformation::testboostSerial() const
{
    const stTBData data = boostData();
    return data.configValid ? data.serialNumber : QString();
}

QString SystemInformation::ignitionPuls() const { return ignitionText(boostData().ignitionPulse); }

QString SystemInformation::ignitionText(int mode)
{
    switch (mode) {
    case 0:
        return QStringLiteral("(#%1) %2").arg(0).arg(QCoreApplication::translate("TestBoost", "Default"));
    case 1:
        return QStringLiteral("(#%1) %2").arg(1).arg(QCoreApplication::translate("TestModes", "DAC", "Test Mode description"));
    default:
        return QStringLiteral("(#%1) %2").arg(-1).arg(QCoreApplication::translate("Dialog", "Unknown"));
    }
}

QQmlListProperty<IconListViewItem> SystemInformation::networkConnectionList()
{
    QList<IconListViewItem*> items;
    IConnectionManager* manager = GlobalFuncs::getConnectionManager();
    const QMultiMap<QString, QString> addresses = manager ? manager->getIpAddressList(false) : QMultiMap<QString, QString>();
    for (auto it = addresses.cbegin(); it != addresses.cend(); ++it) {
        QStringList parts = it.key().split(QLatin1Char(':'));
        const QString type = parts.takeFirst();
        QString icon;
        if (type == QLatin1String("ETH"))
            icon = QStringLiteral("qrc:/icons/ethernet.svg");
        else if (type == QLatin1String("WIFI"))
            icon = QStringLiteral("qrc:/icons/wlan.svg");
        items.append(new IconListViewItem(parts.join(QLatin1Char(':')), icon, it.value()));
    }
    m_networkItems.replace(items, []() {});
    return m_networkItems.property(this);
}

bool SystemInformation::inputClosed(int bit) const
{
    if (bit < 0 || bit > 9)
        return false;
    if (!m_safetyState) {
        DataModell* dm = GlobalFuncs::getDM();
        if (!dm)
            return false;
        m_safetyState = dm->getSafetyCircuitState();
    }
    return !m_safetyState->test(size_t(bit));
}

void SystemInformation::emitInputChanged(int bit)
{
    switch (bit) {
    case 0: emit keySwitchChanged(); break;
    case 1: emit emergencyOffChanged(); break;
    case 2: emit hvConnectorChanged(); break;
    case 3: emit fOhmChanged(); break;
    case 4: emit tempChanged(); break;
    case 5: emit testboostChanged(); break;
    case 6: emit hvFreeChanged(); break;
    case 7: emit hvOffChanged(); break;
    case 8: emit extEmergencyOffChanged(); break;
    case 9: emit hvOnChanged(); break;
    default: break;
    }
}

void SystemInformation::onSafetyCircuitChanged()
{
    DataModell* dm = GlobalFuncs::getDM();
    if (!dm)
        return;
    const SafetyCircuitBits now = dm->getSafetyCircuitState();
    const std::optional<SafetyCircuitBits> before = m_safetyState;
    m_safetyState = now;
    for (int bit : kInputOrder)
        if (!before || before->test(size_t(bit)) != now.test(size_t(bit)))
            emitInputChanged(bit);
}

void SystemInformation::testBoostStateChanged(stTBState, stTBState newState)
{
    const bool hv = (newState.stateWord & 0x2) != 0;
    const bool gnd = (newState.stateWord & 0x4) != 0;
    if (hv != m_testBoostHVPlugged) {
        m_testBoostHVPlugged = hv;
        emit testBoostHVPluggedChanged();
    }
    if (gnd != m_testBoostGNDPlugged) {
        m_testBoostGNDPlugged = gnd;
        emit testBoostGNDPluggedChanged();
    }
}
