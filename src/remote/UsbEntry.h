#pragma once

#include <QString>

// One entry of the USB stick browser: what it shows, where it is and how it opens.
struct UsbEntry {
    enum Type : int {
        Unusable = 0,       // unreadable, or a link that leaves the stick
        CurrentFolder = 1,
        Folder = 2,
        File = 3,
        UpdatePackage = 4,  // ".tar", ".ldr", ".img"
        ConfigFile = 5,     // ".cfg.xml"
        TanDeltaStandard = 6, // ".tds"
        LogFile = 8,        // ".log"
        Document = 9,       // ".pdf"
        ParentFolder = 10,
    };

    QString name; // as shown
    QString path; // absolute
    Type type = Unusable;

    bool operator==(const UsbEntry& o) const { return name == o.name && path == o.path && type == o.type; }
    bool operator!=(const UsbEntry& o) const { return !(*this == o); }
};
