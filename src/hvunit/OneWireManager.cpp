#include "hvunit/OneWireManager.h"

#include "core/FsRoot.h"
#include "logging/LoggingCtrl.h"
#include "hvunit/W1File.h"

#include <QFile>
#include <QMutexLocker>

namespace {
const char* const Cls = "OneWireManager";

void logMethod(const char* function, const QString& text)
{
    KLOG_CAT2(CAT_METHOD, "METHOD", Cls, function, text);
}
} // namespace

OneWireManager::OneWireManager(QObject* parent, int busMaster)
    : QObject(parent)
    , m_rwTemplate(FsRoot::path(QStringLiteral("/sys/bus/w1/devices/%1/rw")))
    , m_slavesPath(FsRoot::path(QStringLiteral("/sys/bus/w1/devices/w1_bus_master%1/w1_master_slaves").arg(busMaster)))
    , m_searchPath(FsRoot::path(QStringLiteral("/sys/bus/w1/devices/w1_bus_master%1/w1_master_search").arg(busMaster)))
    , m_countPath(
          FsRoot::path(QStringLiteral("/sys/bus/w1/devices/w1_bus_master%1/w1_master_slave_count").arg(busMaster)))
{
    m_timer.setInterval(1000);
    connect(&m_timer, &QTimer::timeout, this, &OneWireManager::updateDeviceList);
    enableSearch(true);
}

OneWireManager::~OneWireManager() = default;

QString OneWireManager::rwPath(const stOneWireDevice& device) const { return m_rwTemplate.arg(device.name()); }

bool OneWireManager::enableSearch(bool on)
{
    W1File file(m_searchPath);
    if (!file.open(W1File::WriteAttribute)) {
        logMethod("enableSearch", QStringLiteral("open file error"));
        return false;
    }
    // -1: the kernel searches continuously.
    const QByteArray value = on ? QByteArrayLiteral("-1") : QByteArrayLiteral("0");
    bool ok = true;
    if (file.write(value) != value.size()) {
        logMethod("enableSearch", QStringLiteral("write error"));
        ok = false;
    }
    file.close();
    if (on)
        m_timer.start();
    else
        m_timer.stop();
    return ok;
}

int OneWireManager::getSlaveCount()
{
    W1File file(m_countPath);
    if (!file.open(W1File::ReadOnly)) {
        logMethod("getSlaveCount", QStringLiteral("open file error"));
        return -1;
    }
    QByteArray byte;
    if (file.read(byte, 1) != 1) {
        logMethod("getSlaveCount", QStringLiteral("read error"));
        return -1;
    }
    return byte.at(0) - '0';
}

void OneWireManager::updateDeviceList()
{
    {
        QMutexLocker lock(&m_mutex);
        m_devices.clear();
    }
    if (getSlaveCount() < 1)
        return;

    QFile file(m_slavesPath);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        KLOG_DEBUG2(Cls, "updateDeviceList", "Unable to determine number of slaves!");
        return;
    }
    QList<QByteArray> lines;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine();
        if (line.isEmpty() && file.error() != QFileDevice::NoError) {
            logMethod("updateDeviceList", QStringLiteral("getline error"));
            break;
        }
        lines << line;
    }

    QMutexLocker lock(&m_mutex);
    for (const QByteArray& line : lines) {
        const QStringList parts = QString::fromLatin1(line).split(QLatin1Char('-'), Qt::KeepEmptyParts);
        if (parts.size() != 2)
            continue;
        bool ok = false;
        const uint family = parts.at(0).trimmed().toUInt(&ok, 16);
        const QString id = parts.at(1).trimmed();
        // Not a slave name (the kernel writes "not found." for an empty bus).
        if (!ok || id.isEmpty())
            continue;
        m_devices.append(stOneWireDevice{quint8(family & 0xFF), id});
    }
    file.close();
}

QList<stOneWireDevice> OneWireManager::getDeviceList()
{
    QMutexLocker lock(&m_mutex);
    return m_devices;
}

bool OneWireManager::readData(stOneWireDevice device, QByteArray& out, int size) const
{
    logMethod("readData", QStringLiteral("BEGIN"));
    W1File file(rwPath(device));
    if (!file.open(W1File::ReadOnly)) {
        logMethod("readData", QStringLiteral("open file error"));
        return false;
    }
    if (file.read(out, size) != size) {
        logMethod("readData", QStringLiteral("read error"));
        return false;
    }
    file.close();
    logMethod("readData", QStringLiteral("END"));
    return true;
}

bool OneWireManager::writeData(stOneWireDevice device, QByteArray& data) const
{
    const QString path = rwPath(device);
    W1File file(path);
    if (!file.open(W1File::WriteAttribute)) {
        logMethod("writeData", QStringLiteral("Unable to open generic R/W file ") + path);
        return false;
    }
    if (file.write(data) != data.size()) {
        logMethod("writeData", QStringLiteral("Unable to writefile ") + path);
        return false;
    }
    return true;
}
