#pragma once

#include "hvunit/ExtPortDevice.h"
#include "hvunit/OneWireDevice.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QObject>
#include <QPair>
#include <QSet>
#include <QString>
#include <QTimer>

class OneWireManager;

// The instrument's external port: an eight-channel switch inside the instrument (family
// 0x29) carries the accessory's status lines and the port's power flag; each accessory
// holds a memory with two PIO lines (family 0x1C). Finds and reads accessories while
// the search is enabled, announces them, caches the port's input and power state and
// writes dates back into the accessory memory. All lines are active low on the files;
// this class works with logical levels (1 = active). Lives on the main thread.
class ExtPortManager : public QObject {
    Q_OBJECT
public:
    explicit ExtPortManager(QObject* parent = nullptr);
    ~ExtPortManager() override;

    bool enableSearch(bool on);
    bool isSearchEnabled() const { return m_searchEnabled; }

    QString getPIODevice(bool ext) const;
    int getPIOPortState(bool ext) const;
    bool setPIOPortState(char value, bool ext);
    bool setPIO(unsigned short io, bool on);
    bool setPIOExt(unsigned short io, bool on);
    void resetPIOs();
    bool getPIO(unsigned short io, bool& level) const;
    bool powerSupplyPresent() const { return m_powerPresent; }

    bool readExtPortMemory(stOneWireDevice device, unsigned offset, int length, QByteArray& out) const;
    bool writeExtPortMemory(stOneWireDevice device, unsigned offset, QByteArray& data) const;

    QString getDeviceID(const stOneWireDevice& device) const;
    QString getDeviceSN(const stOneWireDevice& device) const;
    QDateTime getDeviceProdDate(const stOneWireDevice& device) const;
    QDateTime getDeviceMaintDate(const stOneWireDevice& device) const;
    // {version, data}; version -1 when unreadable.
    QPair<int, QByteArray> getDeviceConfig(const stOneWireDevice& device) const;

    bool setDeviceID(const stOneWireDevice& device, const QString& id);
    bool setDeviceID(const stExtPortDevice& device, const QString& id);
    bool setDeviceDate(const stOneWireDevice& device, eExtPortDates type, const QDateTime& date);
    bool setDeviceDate(const stExtPortDevice& device, eExtPortDates type, QDateTime date);

    OneWireManager* oneWireManager() const { return m_oneWire; }
    QList<stExtPortDevice> knownDevices() const { return m_known; }
    QSet<stOneWireDevice> pendingDevices() const { return m_pending; }
    int portTimerInterval() const { return m_portTimer.interval(); }
    bool isPortTimerActive() const { return m_portTimer.isActive(); }
    int cachedPortState(bool ext) const { return ext ? m_extState : m_intState; }

signals:
    void detectedExtPortDevice(stExtPortDevice extPortDevice, bool found);

public slots:
    void isExtPortDeviceConnected();
    bool checkPIOPortState();
    void extPortDeviceAttached();
    bool getPortControlStatus();
    void readOneWireDevices();

private:
    QString devicePath(const QString& pathTemplate, const QString& deviceName) const;
    QString readText(const stOneWireDevice& device, unsigned offset, int length, const char* failure) const;
    QDateTime readDate(const stOneWireDevice& device, unsigned offset, const char* failure) const;
    bool readByte(const QString& path, quint8& value) const;
    // Sets or clears one logical line and writes the port back inverted.
    bool changeLine(unsigned short io, bool on, bool ext);

    OneWireManager* m_oneWire;
    QTimer m_searchTimer;
    QTimer m_portTimer;
    QTimer m_readTimer;
    QList<stExtPortDevice> m_known;
    QSet<stOneWireDevice> m_pending;
    bool m_searchEnabled = false;
    QString m_eepromTemplate;
    QString m_outputTemplate;
    QString m_stateTemplate;
    QString m_pioTemplate;
    QString m_statusTemplate;
    int m_intState = -1;
    int m_extState = -1;
    bool m_powerPresent = false;
};
