#pragma once

#include "remote/INetworkBackend.h"

// The network backend of a device without a network settings service: no networks,
// and every change of the settings fails.
class NullNetworkBackend : public INetworkBackend {
    Q_OBJECT
public:
    using INetworkBackend::INetworkBackend;

    void scan() override;
    QList<WlanNetwork> networks() const override { return {}; }
    bool connectTo(const QString& name, const QString& password) override;
    bool setAdHoc(bool on, const QString& ssid) override;
    bool setWiredIpv4(const QString& address) override;
};
