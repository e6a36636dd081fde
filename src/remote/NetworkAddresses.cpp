#include "remote/NetworkAddresses.h"

#include <QNetworkInterface>

QList<ConnectionAddress> systemConnectionAddresses()
{
    QList<ConnectionAddress> list;
    const auto interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface& nif : interfaces) {
        const auto flags = nif.flags();
        if (!flags.testFlag(QNetworkInterface::IsUp) || !flags.testFlag(QNetworkInterface::IsRunning)
            || flags.testFlag(QNetworkInterface::IsLoopBack))
            continue;
        QString type;
        switch (nif.type()) {
        case QNetworkInterface::Ethernet:
            type = QStringLiteral("ETH");
            break;
        case QNetworkInterface::Wifi:
            type = QStringLiteral("WIFI");
            break;
        default:
            continue;
        }
        const auto entries = nif.addressEntries();
        for (const QNetworkAddressEntry& entry : entries)
            list.append({type, nif.name(), entry.ip()});
    }
    return list;
}
