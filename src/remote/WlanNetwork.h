#pragma once

#include <QString>

// One WLAN network as the network backend reports it.
struct WlanNetwork {
    enum State : int { Idle = 0, Connecting = 1, Connected = 2 };

    QString ssid;
    QString name;     // the backend's identifier of the network, unique in its list
    int security = 0; // 0 open, 1 secured
    int state = Idle;
    int strength = 0; // signal strength in percent

    bool isEmpty() const { return name.isEmpty(); }
    bool operator==(const WlanNetwork& o) const
    {
        return ssid == o.ssid && name == o.name && security == o.security && state == o.state && strength == o.strength;
    }
    bool operator!=(const WlanNetwork& o) const { return !(*this == o); }
};
