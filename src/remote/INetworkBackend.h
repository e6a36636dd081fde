#pragma once

#include "remote/WlanNetwork.h"

#include <QList>
#include <QObject>

// The device's network settings service: WLAN scan and connect, ad-hoc mode and the
// wired IPv4 setting. Lives on the connection manager's thread; every call returns at
// once and results follow as signals.
class INetworkBackend : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~INetworkBackend() override = default;

    virtual void start() {}
    // Starts a scan; scanFinished() follows, also when nothing was found.
    virtual void scan() = 0;
    virtual QList<WlanNetwork> networks() const = 0;
    // Starts connecting to the network called name; false when that cannot even begin.
    // connectionStateChanged() follows with the outcome.
    virtual bool connectTo(const QString& name, const QString& password) = 0;
    virtual bool setAdHoc(bool on, const QString& ssid) = 0;
    virtual bool setWiredIpv4(const QString& address) = 0;

signals:
    void scanFinished();
    void networksChanged();
    // PartiallyChecked while connecting, Checked once connected, Unchecked when the
    // attempt failed or the connection was lost.
    void connectionStateChanged(QString name, Qt::CheckState state);
};
