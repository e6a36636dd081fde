#include "hvunit/ExtPortManager.h"

#include "hvunit/ExtPortCheckBytes.h"
#include "core/FsRoot.h"
#include "logging/LoggingCtrl.h"
#include "hvunit/OneWireManager.h"
#include "hvunit/W1File.h"

#include <QtGlobal>

namespace {
const char* const Cls = "ExtPortManager";

constexpr quint8 FamilyMemory = 0x1C; // accessory memory with two PIO lines
constexpr quint8 FamilySwitch = 0x29; // eight-channel switch inside the instrument

constexpr unsigned PageSize = 32;
constexpr int CheckByteCount = 2;
constexpr int MaxPayload = int(PageSize) - CheckByteCount;

constexpr unsigned IdOffset = 35;
constexpr int IdLength = 12;
constexpr unsigned SerialOffset = 67;
constexpr int SerialLength = 11;
constexpr unsigned ProductionRecordOffset = 96;
constexpr unsigned MaintenanceRecordOffset = 160;
constexpr unsigned DateInRecord = 3;
constexpr int DateLength = 12;
constexpr unsigned ConfigOffset = 195;
constexpr int ConfigLength = 25;

constexpr int RecordLength = 29; // tag and text
constexpr int RecordTextLength = 26;

const QString DateFormat = QStringLiteral("yyyyMMddhhmm");

QByteArray encoded(const QString& path) { return path.toLocal8Bit(); }
} // namespace

ExtPortManager::ExtPortManager(QObject* parent)
    : QObject(parent)
    , m_oneWire(new OneWireManager(this, 1))
    , m_eepromTemplate(FsRoot::path(QStringLiteral("/sys/bus/w1/devices/%1/eeprom")))
    , m_outputTemplate(FsRoot::path(QStringLiteral("/sys/bus/w1/devices/%1/output")))
    , m_stateTemplate(FsRoot::path(QStringLiteral("/sys/bus/w1/devices/%1/state")))
    , m_pioTemplate(FsRoot::path(QStringLiteral("/sys/bus/w1/devices/%1/pio")))
    , m_statusTemplate(FsRoot::path(QStringLiteral("/sys/bus/w1/devices/%1/status_control")))
{
    m_searchTimer.setInterval(4000);
    connect(&m_searchTimer, &QTimer::timeout, this, &ExtPortManager::isExtPortDeviceConnected);

    m_portTimer.setInterval(1000);
    connect(&m_portTimer, &QTimer::timeout, this, [this] {
        getPortControlStatus();
        checkPIOPortState();
    });

    m_readTimer.setInterval(250);
    m_readTimer.setSingleShot(true);
    connect(&m_readTimer, &QTimer::timeout, this, &ExtPortManager::readOneWireDevices);
}

ExtPortManager::~ExtPortManager() = default;

QString ExtPortManager::devicePath(const QString& pathTemplate, const QString& deviceName) const
{
    return pathTemplate.arg(deviceName);
}

bool ExtPortManager::enableSearch(bool on)
{
    if (on != m_searchEnabled) {
        m_searchEnabled = on;
        if (on)
            m_searchTimer.start();
        else
            m_searchTimer.stop();
    }
    return true;
}

// --- search and reading -----------------------------------------------------------

void ExtPortManager::isExtPortDeviceConnected()
{
    const QList<stOneWireDevice> slaves = m_oneWire->getDeviceList();
    if (m_known.isEmpty()) {
        for (const stOneWireDevice& slave : slaves) {
            if (slave.familyCode == FamilyMemory)
                m_pending.insert(slave);
        }
        readOneWireDevices();
        return;
    }
    if (slaves.contains(m_known.first().oneWireDevice))
        return;
    const stExtPortDevice gone = m_known.takeFirst();
    m_portTimer.stop();
    emit detectedExtPortDevice(gone, false);
}

void ExtPortManager::readOneWireDevices()
{
    m_readTimer.stop();

    // A slave that has left the bus is not retried any longer.
    const QList<stOneWireDevice> slaves = m_oneWire->getDeviceList();
    for (auto it = m_pending.begin(); it != m_pending.end();) {
        if (slaves.contains(*it))
            ++it;
        else
            it = m_pending.erase(it);
    }

    const QList<stOneWireDevice> pending = m_pending.values();
    for (const stOneWireDevice& slave : pending) {
        stExtPortDevice record;
        record.oneWireDevice = slave;
        record.identifier = getDeviceID(slave);
        record.serialNumber = getDeviceSN(slave);
        record.productionDate = getDeviceProdDate(slave);
        record.maintenanceDate = getDeviceMaintDate(slave);
        const QPair<int, QByteArray> config = getDeviceConfig(slave);
        record.configVersion = config.first;
        record.configData = config.second;
        if (record.identifier.isEmpty() || record.serialNumber.isEmpty())
            continue;
        m_pending.remove(slave);
        m_known.append(record);
        resetPIOs();
        m_portTimer.start();
        QTimer::singleShot(250, Qt::PreciseTimer, this, &ExtPortManager::extPortDeviceAttached);
    }

    if (!m_pending.isEmpty())
        m_readTimer.start();
}

void ExtPortManager::extPortDeviceAttached()
{
    for (stExtPortDevice& device : m_known) {
        if (device.reported)
            continue;
        device.reported = true;
        emit detectedExtPortDevice(device, true);
    }
}

// --- port lines ---------------------------------------------------------------------

bool ExtPortManager::getPortControlStatus()
{
    m_portTimer.setInterval(10000);
    m_powerPresent = false;
    quint8 status = 0;
    const QString device = getPIODevice(false);
    if (device.isEmpty() || !readByte(devicePath(m_statusTemplate, device), status)) {
        qDebug("ExtPortManager: Unable to read port status/control!");
        return false;
    }
    m_portTimer.setInterval(1000);
    m_powerPresent = (status & 0x80) != 0;
    return true;
}

bool ExtPortManager::checkPIOPortState()
{
    m_intState = getPIOPortState(false);
    m_extState = getPIOPortState(true);
    return m_intState >= 0 && m_extState >= 0;
}

QString ExtPortManager::getPIODevice(bool ext) const
{
    const quint8 family = ext ? FamilyMemory : FamilySwitch;
    for (const stOneWireDevice& slave : m_oneWire->getDeviceList()) {
        if (slave.familyCode == family)
            return slave.name();
    }
    return QString();
}

bool ExtPortManager::readByte(const QString& path, quint8& value) const
{
    W1File file(path);
    if (!file.open(W1File::ReadOnly)) {
        qDebug("ExtPortManager: Unable to open PIO file %s!", encoded(path).constData());
        return false;
    }
    QByteArray byte;
    if (file.read(byte, 1) != 1)
        return false;
    value = quint8(byte.at(0));
    return true;
}

int ExtPortManager::getPIOPortState(bool ext) const
{
    const QString device = getPIODevice(ext);
    quint8 raw = 0;
    if (device.isEmpty() || !readByte(devicePath(ext ? m_pioTemplate : m_stateTemplate, device), raw)) {
        qDebug("ExtPortManager: Unable to read PIO port state!");
        return -1;
    }
    return int(quint8(~raw));
}

bool ExtPortManager::setPIOPortState(char value, bool ext)
{
    const QString device = getPIODevice(ext);
    if (device.isEmpty()) {
        qDebug("ExtPortManager: Unable to write PIO port state!");
        return false;
    }
    const QString path = devicePath(ext ? m_pioTemplate : m_outputTemplate, device);
    W1File file(path);
    if (!file.open(W1File::WriteAttribute)) {
        qDebug("ExtPortManager: Unable to open PIO file %s!", encoded(path).constData());
        return false;
    }
    if (file.write(QByteArray(1, value)) != 1) {
        qDebug("ExtPortManager: Unable to write PIO port state!");
        return false;
    }
    return true;
}

bool ExtPortManager::setPIO(unsigned short io, bool on)
{
    if (io > 7) {
        KLOG_DEBUG2(Cls, "setPIO", "Invalid IO number");
        return false;
    }
    return changeLine(io, on, false);
}

bool ExtPortManager::setPIOExt(unsigned short io, bool on)
{
    if (io > 1) {
        qDebug("Invalid IO number");
        return false;
    }
    return changeLine(io, on, true);
}

bool ExtPortManager::changeLine(unsigned short io, bool on, bool ext)
{
    const int state = getPIOPortState(ext);
    if (state < 0)
        return false;
    const int next = on ? (state | (1 << io)) : (state & ~(1 << io));
    const bool ok = setPIOPortState(char(~next), ext);
    checkPIOPortState();
    return ok;
}

void ExtPortManager::resetPIOs()
{
    if (setPIOPortState(char(255), false))
        setPIOPortState(char(3), true);
}

bool ExtPortManager::getPIO(unsigned short io, bool& level) const
{
    if (io > 7) {
        KLOG_DEBUG2(Cls, "getPIO", "Invalid IO number");
        return false;
    }
    if (m_intState < 0)
        return false;
    level = (m_intState & (1 << io)) != 0;
    return true;
}

// --- accessory memory ---------------------------------------------------------------

bool ExtPortManager::readExtPortMemory(stOneWireDevice device, unsigned offset, int length, QByteArray& out) const
{
    const QString path = devicePath(m_eepromTemplate, device.name());
    W1File file(path);
    if (!file.open(W1File::ReadOnly)) {
        qDebug("ExtPortManager: Unable to open EEPROM R/W file %s!", encoded(path).constData());
        return false;
    }
    if (!file.seek(offset)) {
        qDebug("ExtPortManager: Unable to seek to address 0x%X", offset);
        return false;
    }
    out.clear();
    if (length < 0 || file.read(out, length) != length) {
        qDebug("ExtPortManager: Unable to read %d bytes from address 0x%X", length, offset);
        return false;
    }
    return true;
}

bool ExtPortManager::writeExtPortMemory(stOneWireDevice device, unsigned offset, QByteArray& data) const
{
    // Payload and check bytes stay inside the page they start in.
    const int room = MaxPayload - int(offset % PageSize);
    if (data.size() > room) {
        qDebug("ExtPortManager: Too many payload bytes (%d) for this memory page. Maximum is %d.", int(data.size()),
               room);
        return false;
    }
    const QString path = devicePath(m_eepromTemplate, device.name());
    W1File file(path);
    if (!file.open(W1File::WriteInPlace)) {
        qDebug("ExtPortManager: Unable to open EEPROM R/W file %s!", encoded(path).constData());
        return false;
    }
    if (!file.seek(offset)) {
        qDebug("ExtPortManager: Unable to seek to address 0x%X", offset);
        return false;
    }
    data.append(extPortCheckBytes(offset / PageSize, data));
    if (file.write(data) != data.size()) {
        qDebug("ExtPortManager: Unable to write %d bytes of data at address 0x%X", int(data.size()), offset);
        return false;
    }
    return true;
}

QString ExtPortManager::readText(const stOneWireDevice& device, unsigned offset, int length,
                                 const char* failure) const
{
    QByteArray bytes;
    if (!readExtPortMemory(device, offset, length, bytes)) {
        qDebug(failure, encoded(device.name()).constData());
        return QString();
    }
    const int end = bytes.indexOf('\0');
    return QString::fromLatin1(end < 0 ? bytes : bytes.left(end));
}

QDateTime ExtPortManager::readDate(const stOneWireDevice& device, unsigned offset, const char* failure) const
{
    const QString text = readText(device, offset, DateLength, failure);
    if (text.isEmpty())
        return QDateTime();
    return QDateTime::fromString(text, DateFormat);
}

QString ExtPortManager::getDeviceID(const stOneWireDevice& device) const
{
    return readText(device, IdOffset, IdLength, "Unable to read id of 1-wire device: %s");
}

QString ExtPortManager::getDeviceSN(const stOneWireDevice& device) const
{
    return readText(device, SerialOffset, SerialLength, "Unable to read serial number of 1-wire device: %s");
}

QDateTime ExtPortManager::getDeviceProdDate(const stOneWireDevice& device) const
{
    return readDate(device, ProductionRecordOffset + DateInRecord,
                    "Unable to read production date of 1-wire device: %s");
}

QDateTime ExtPortManager::getDeviceMaintDate(const stOneWireDevice& device) const
{
    return readDate(device, MaintenanceRecordOffset + DateInRecord,
                    "Unable to read maintenance date of 1-wire device: %s");
}

QPair<int, QByteArray> ExtPortManager::getDeviceConfig(const stOneWireDevice& device) const
{
    QByteArray bytes;
    if (!readExtPortMemory(device, ConfigOffset, ConfigLength, bytes)) {
        qDebug("Unable to read config of 1-wire device: %s", encoded(device.name()).constData());
        return {-1, QByteArray()};
    }
    const int version = (bytes.at(0) - '0') * 10 + (bytes.at(1) - '0');
    return {version, bytes.mid(2)};
}

bool ExtPortManager::setDeviceID(const stOneWireDevice& device, const QString& id)
{
    QByteArray bytes = id.toLatin1();
    // Longer identifiers would run into bytes that are never written; shorter ones
    // are padded so that no tail of an older identifier survives.
    if (bytes.size() > IdLength) {
        qDebug("Unable to write id of 1-wire device: %s", encoded(device.name()).constData());
        return false;
    }
    bytes = bytes.leftJustified(IdLength, '\0');
    if (!writeExtPortMemory(device, IdOffset, bytes)) {
        qDebug("Unable to write id of 1-wire device: %s", encoded(device.name()).constData());
        return false;
    }
    return true;
}

bool ExtPortManager::setDeviceID(const stExtPortDevice& device, const QString& id)
{
    return setDeviceID(device.oneWireDevice, id);
}

bool ExtPortManager::setDeviceDate(const stOneWireDevice& device, eExtPortDates type, const QDateTime& date)
{
    const bool maintenance = type == ExtPortDate_Maintenance;
    const char* what = maintenance ? "maintenance" : "production";
    if (!date.isValid()) {
        qDebug("Unable to write %s date of 1-wire device: %s", what, encoded(device.name()).constData());
        return false;
    }
    QByteArray record;
    record.append(char(RecordLength));
    record.append(maintenance ? "DM" : "DP");
    record.append(date.toString(DateFormat).toLatin1().leftJustified(RecordTextLength, '-', true));
    record.append('\0');
    const unsigned offset = maintenance ? MaintenanceRecordOffset : ProductionRecordOffset;
    if (!writeExtPortMemory(device, offset, record)) {
        qDebug("Unable to write %s date of 1-wire device: %s", what, encoded(device.name()).constData());
        return false;
    }
    return true;
}

bool ExtPortManager::setDeviceDate(const stExtPortDevice& device, eExtPortDates type, QDateTime date)
{
    if (!setDeviceDate(device.oneWireDevice, type, date))
        return false;
    const bool maintenance = type == ExtPortDate_Maintenance;
    const QDateTime stored =
        maintenance ? getDeviceMaintDate(device.oneWireDevice) : getDeviceProdDate(device.oneWireDevice);
    for (stExtPortDevice& known : m_known) {
        if (known.identifier == device.identifier && known.serialNumber == device.serialNumber) {
            if (maintenance)
                known.maintenanceDate = stored;
            else
                known.productionDate = stored;
        }
    }
    return true;
}
