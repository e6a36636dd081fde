#pragma once

#include "hvunit/OneWireDevice.h"

#include <QByteArray>
#include <QList>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QTimer>

// One bus master of the kernel's w1 subsystem: switches its slave search on or off,
// refreshes the slave list once a second while searching and gives raw access to a
// slave's generic "rw" file. Lives on its owner's thread; getDeviceList may be called
// from any thread.
class OneWireManager : public QObject {
    Q_OBJECT
public:
    OneWireManager(QObject* parent, int busMaster);
    ~OneWireManager() override;

    bool enableSearch(bool on);
    // First digit of the slave count; -1 when it cannot be read.
    int getSlaveCount();
    QList<stOneWireDevice> getDeviceList();
    bool readData(stOneWireDevice device, QByteArray& out, int size) const;
    bool writeData(stOneWireDevice device, QByteArray& data) const;

    bool isRefreshing() const { return m_timer.isActive(); }

public slots:
    void updateDeviceList();

private:
    QString rwPath(const stOneWireDevice& device) const;

    QString m_rwTemplate;
    QString m_slavesPath;
    QString m_searchPath;
    QString m_countPath;
    QTimer m_timer;
    QList<stOneWireDevice> m_devices;
    QMutex m_mutex;
};
