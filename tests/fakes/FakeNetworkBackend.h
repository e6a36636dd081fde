#pragma once

#include "remote/INetworkBackend.h"

#include <QHash>
#include <QMutex>
#include <QMutexLocker>
#include <QStringList>
#include <QTimer>

// A network settings service played from a script: the networks a scan finds, whether
// each connection attempt succeeds, and what the manager asked of it. The script may be
// set from another thread; outcomes are reported a turn of the event loop later, as a
// real service would.
class FakeNetworkBackend : public INetworkBackend {
    Q_OBJECT
public:
    using INetworkBackend::INetworkBackend;

    void scan() override
    {
        locked([this] { ++m_scans; });
        QTimer::singleShot(0, this, &INetworkBackend::scanFinished);
    }
    QList<WlanNetwork> networks() const override { return read(m_networks); }
    bool connectTo(const QString& name, const QString& password) override
    {
        Qt::CheckState outcome = Qt::Unchecked;
        locked([&] {
            m_connects << name + QLatin1Char('/') + password;
            outcome = m_outcomes.value(name, Qt::Unchecked);
        });
        QTimer::singleShot(0, this, [this, name, outcome]() { emit connectionStateChanged(name, outcome); });
        return true;
    }
    bool setAdHoc(bool on, const QString& ssid) override
    {
        locked([&] { m_adHoc << (on ? QStringLiteral("on:") : QStringLiteral("off:")) + ssid; });
        return true;
    }
    bool setWiredIpv4(const QString& address) override
    {
        QMutexLocker lock(&m_mutex);
        m_wired << address;
        return m_wiredResult;
    }

    void setNetworks(const QList<WlanNetwork>& networks)
    {
        locked([&] { m_networks = networks; });
    }
    // Outcome of connecting to name: Checked or Unchecked; unscripted names fail.
    void setConnectOutcome(const QString& name, Qt::CheckState outcome)
    {
        locked([&] { m_outcomes.insert(name, outcome); });
    }
    void setWiredResult(bool result)
    {
        locked([&] { m_wiredResult = result; });
    }
    // Reports a connection drop, as the service would.
    void loseConnection(const QString& name) { emit connectionStateChanged(name, Qt::Unchecked); }

    int scans() const { return read(m_scans); }
    QStringList connects() const { return read(m_connects); } // "name/password"
    QStringList adHocCalls() const { return read(m_adHoc); } // "on:ssid" / "off:ssid"
    QStringList wiredAddresses() const { return read(m_wired); }

private:
    template <typename F>
    void locked(F f)
    {
        QMutexLocker lock(&m_mutex);
        f();
    }
    template <typename T>
    T read(const T& field) const
    {
        QMutexLocker lock(&m_mutex);
        return field;
    }

    mutable QMutex m_mutex;
    QList<WlanNetwork> m_networks;
    QHash<QString, Qt::CheckState> m_outcomes;
    bool m_wiredResult = true;
    int m_scans = 0;
    QStringList m_connects;
    QStringList m_adHoc;
    QStringList m_wired;
};
