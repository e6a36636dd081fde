#pragma once

#include "remote/INetworkBackend.h"

#include <QHash>
#include <QMutex>
#include <QStringList>

// A network settings service played from a script: the networks a scan finds, whether
// each connection attempt succeeds, and what the manager asked of it. The script may be
// set from another thread; outcomes are reported a turn of the event loop later, as a
// real service would.
class FakeNetworkBackend : public INetworkBackend {
    Q_OBJECT
public:
    using INetworkBackend::INetworkBackend;

    void scan() override;
    QList<WlanNetwork> networks() const override;
    bool connectTo(const QString& name, const QString& password) override;
    bool setAdHoc(bool on, const QString& ssid) override;
    bool setWiredIpv4(const QString& address) override;

    void setNetworks(const QList<WlanNetwork>& networks);
    // Outcome of connecting to name: Checked or Unchecked; unscripted names fail.
    void setConnectOutcome(const QString& name, Qt::CheckState outcome);
    void setAcceptsAdHoc(bool accepts);
    void setWiredResult(bool result);
    // Reports a connection drop, as the service would.
    void loseConnection(const QString& name);

    int scans() const;
    QStringList connects() const; // "name/password"
    QStringList adHocCalls() const; // "on:ssid" / "off:ssid"
    QStringList wiredAddresses() const;

private:
    mutable QMutex m_mutex;
    QList<WlanNetwork> m_networks;
    QHash<QString, Qt::CheckState> m_outcomes;
    bool m_acceptsAdHoc = true;
    bool m_wiredResult = true;
    int m_scans = 0;
    QStringList m_connects;
    QStringList m_adHoc;
    QStringList m_wired;
};
