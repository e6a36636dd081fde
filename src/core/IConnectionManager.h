#pragma once

#include <QMultiMap>
#include <QString>

// What the layers below remote access ask of the network connections. The manager
// runs on its own thread; every operation may be called from any thread.
class IConnectionManager {
public:
    virtual ~IConnectionManager() = default;

    // Addresses of the current wired and wireless connection, keyed "ETH:<name>" or
    // "WIFI:<name>"; IPv6 addresses only when asked. A connection with several
    // addresses has one entry per address.
    virtual QMultiMap<QString, QString> getIpAddressList(bool withIpv6) = 0;
    virtual bool isWiredConnection(const QString& name) = 0;
    // Gives the wired connection this static IPv4 address.
    virtual bool setWiredIp(const QString& address) = 0;
};
