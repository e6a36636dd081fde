#pragma once

#include <QList>
#include <QMetaType>
#include <QString>

namespace UpdatePackage {
// Kinds of update file; the value travels as a plain int (signals, remote protocol).
enum UpdateType : int {
    Unknown = 0,
    Language = 1,
    AllLanguages = 2,
    SoftwarePackage = 3,
    Bootloader = 4,
    Kernel = 5,
    Rootfs = 6,
    Application = 7,
    Appdata = 8,
    Fonts = 9,
    HVApplication = 10,
    Configuration = 11,
};
} // namespace UpdatePackage

// One update file as found on the stick (or received by the remote server), typed
// from its name alone. A default package has empty texts, invalid versions, type 0.
struct updatePackage {
    updatePackage();
    // Recognises the file at path; a missing file gives type 0 with an empty directory.
    explicit updatePackage(const QString& path);

    QString file;      // absolute for ".tar" packages and extracted parts, else the bare name
    QString directory; // absolute folder on the stick; empty for extracted parts
    QString name;      // shown to the user and key of the update list
    QString version;
    QString installedVersion;
    int type = UpdatePackage::Unknown;
};

namespace UpdatePackage {
// "bootloader" 4 ... "pevantoapp" 10; anything else (case matters) 0.
int getUpdateTypeFromPartname(const QString& partName);
// Version from the last '-' field: a.b.ext gives a.b.0, a.b.c.ext gives a.b.c, else invalid.
QString getVersionFromFilename(const QString& fileName);
// Registers updatePackage and QList<updatePackage> for queued signals.
void registerMetaTypes();
} // namespace UpdatePackage

Q_DECLARE_METATYPE(updatePackage)
Q_DECLARE_METATYPE(QList<updatePackage>)
