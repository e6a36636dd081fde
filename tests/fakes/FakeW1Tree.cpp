#include "fakes/FakeW1Tree.h"

#include "core/FsRoot.h"

#include <QDir>
#include <QFile>

FakeW1Tree::FakeW1Tree()
{
    QDir().mkpath(devicesDir() + QStringLiteral("/w1_bus_master1"));
    write(masterFile(QStringLiteral("w1_master_search")), "3\n");
    setSlaves({});
}

QString FakeW1Tree::devicesDir() { return FsRoot::path(QStringLiteral("/sys/bus/w1/devices")); }

QString FakeW1Tree::masterFile(const QString& name)
{
    return devicesDir() + QStringLiteral("/w1_bus_master1/") + name;
}

QString FakeW1Tree::deviceFile(const QString& device, const QString& attribute) const
{
    return devicesDir() + QLatin1Char('/') + device + QLatin1Char('/') + attribute;
}

void FakeW1Tree::setSlaves(const QStringList& names) const
{
    QByteArray content;
    for (const QString& name : names)
        content += name.toLatin1() + '\n';
    if (names.isEmpty())
        content = "not found.\n";
    setSlavesFile(content);
    setSlaveCount(QByteArray::number(names.size()) + '\n');
}

void FakeW1Tree::setSlaveCount(const QByteArray& content) const
{
    write(masterFile(QStringLiteral("w1_master_slave_count")), content);
}

void FakeW1Tree::setSlavesFile(const QByteArray& content) const
{
    write(masterFile(QStringLiteral("w1_master_slaves")), content);
}

void FakeW1Tree::addSwitch(const QString& name, quint8 state, bool withStatusControl, quint8 status) const
{
    QDir().mkpath(devicesDir() + QLatin1Char('/') + name);
    setSwitchState(name, state);
    write(deviceFile(name, QStringLiteral("output")), QByteArray());
    if (withStatusControl)
        setStatusControl(name, status);
}

void FakeW1Tree::setSwitchState(const QString& name, quint8 state) const
{
    write(deviceFile(name, QStringLiteral("state")), QByteArray(1, char(state)));
}

void FakeW1Tree::setStatusControl(const QString& name, quint8 status) const
{
    write(deviceFile(name, QStringLiteral("status_control")), QByteArray(1, char(status)));
}

void FakeW1Tree::removeStatusControl(const QString& name) const
{
    QFile::remove(deviceFile(name, QStringLiteral("status_control")));
}

void FakeW1Tree::addMemory(const QString& name, char fill, quint8 pio) const
{
    QDir().mkpath(devicesDir() + QLatin1Char('/') + name);
    write(deviceFile(name, QStringLiteral("eeprom")), QByteArray(512, fill));
    setPio(name, pio);
}

void FakeW1Tree::putMemory(const QString& name, int offset, const QByteArray& bytes) const
{
    QFile f(deviceFile(name, QStringLiteral("eeprom")));
    if (!f.open(QIODevice::ReadWrite) || !f.seek(offset))
        return;
    f.write(bytes);
}

void FakeW1Tree::putAccessory(const QString& name, const QByteArray& id, const QByteArray& serial,
                              const QByteArray& configuration) const
{
    putMemory(name, 35, id.leftJustified(12, '\0', true));
    putMemory(name, 67, serial.leftJustified(11, '\0', true));
    putMemory(name, 96, QByteArray(1, char(29)) + "DP" + QByteArray("202001151030").leftJustified(26, '-') + '\0');
    putMemory(name, 160, QByteArray(1, char(29)) + "DM" + QByteArray("202306300800").leftJustified(26, '-') + '\0');
    putMemory(name, 195, configuration.leftJustified(25, '\0', true));
}

QByteArray FakeW1Tree::memory(const QString& name) const
{
    return read(deviceFile(name, QStringLiteral("eeprom")));
}

void FakeW1Tree::setPio(const QString& name, quint8 pio) const
{
    write(deviceFile(name, QStringLiteral("pio")), QByteArray(1, char(pio)));
}

QByteArray FakeW1Tree::read(const QString& path) const
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

void FakeW1Tree::write(const QString& path, const QByteArray& content) const
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(content);
}
