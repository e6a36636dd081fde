#pragma once

#include <QHostAddress>
#include <QList>
#include <QString>

// One address of a wired ("ETH") or wireless ("WIFI") connection.
struct ConnectionAddress {
    QString type;
    QString name;
    QHostAddress address;
};

// The addresses of the wired and wireless interfaces that are up, from the system's
// interface list; loopback and other kinds are left out.
QList<ConnectionAddress> systemConnectionAddresses();
