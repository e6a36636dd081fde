#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// A w1 sysfs tree ("/sys/bus/w1/devices") below the current file-system root, made of
// plain files: bus master 1 with its search, slaves and slave-count files, an
// eight-channel switch (state, output, status_control) and accessory memories
// (eeprom of 512 bytes, pio). Attribute files hold the last value written.
class FakeW1Tree {
public:
    FakeW1Tree();

    static QString devicesDir();
    static QString masterFile(const QString& name);
    QString deviceFile(const QString& device, const QString& attribute) const;

    // Writes the slaves file (one name a line) and the count file.
    void setSlaves(const QStringList& names) const;
    // Writes the raw content of the two bus-master files.
    void setSlaveCount(const QByteArray& content) const;
    void setSlavesFile(const QByteArray& content) const;

    // The switch: raw state byte, optional status/control byte (bit 7: power present).
    void addSwitch(const QString& name, quint8 state, bool withStatusControl = true, quint8 status = 0x80) const;
    void setSwitchState(const QString& name, quint8 state) const;
    void setStatusControl(const QString& name, quint8 status) const;
    void removeStatusControl(const QString& name) const;

    // An accessory memory filled with fill, with the given raw pio byte.
    void addMemory(const QString& name, char fill = '\0', quint8 pio = 0xFF) const;
    // Writes bytes into the memory at offset, in place.
    void putMemory(const QString& name, int offset, const QByteArray& bytes) const;
    // Identifier, serial number, dates and configuration as an accessory would hold them.
    void putAccessory(const QString& name, const QByteArray& id, const QByteArray& serial,
                      const QByteArray& configuration = "001") const;
    QByteArray memory(const QString& name) const;
    void setPio(const QString& name, quint8 pio) const;

    QByteArray read(const QString& path) const;
    void write(const QString& path, const QByteArray& content) const;
};
