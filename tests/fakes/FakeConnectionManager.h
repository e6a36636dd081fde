#pragma once

#include "core/IConnectionManager.h"

#include <QMutex>
#include <QStringList>

// A connection manager with one scripted wired connection; records the addresses set.
// Thread-safe like the real one.
class FakeConnectionManager : public IConnectionManager {
public:
    QMultiMap<QString, QString> getIpAddressList(bool withIpv6) override;
    bool isWiredConnection(const QString& name) override;
    bool setWiredIp(const QString& address) override;

    void setWired(const QString& name, const QString& address);
    void setWirelessAddress(const QString& name, const QString& address);
    void setResult(bool result);
    QStringList addressesSet() const;

private:
    mutable QMutex m_mutex;
    QString m_wiredName;
    QString m_wiredAddress;
    QString m_wirelessName;
    QString m_wirelessAddress;
    bool m_result = true;
    QStringList m_set;
};
