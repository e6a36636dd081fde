#pragma once

#include <QString>

class HVUnitModel;

// Versions of the instrument's components and the room left on its file systems.
class SystemInfo {
public:
    enum eVersion : int {
        Bootloader = 4,
        Kernel = 5,
        Rootfs = 6,
        Application = 7,
        Appdata = 8,
        Fonts = 9,
        HVController = 10,
    };

    explicit SystemInfo(const HVUnitModel* hv = nullptr);

    // Version text of a component; "0.00" for any other index or an unknown version.
    QString getVersion(int index, bool verbose = false) const;
    QString getBootloaderVersion() const;
    QString getKernelVersion() const;
    QString getFilesystemVersion() const;
    QString getApplicationVersion(bool verbose = false) const;
    QString getAppdataVersion() const;
    QString getFontsVersion() const;
    QString getHVCVersion() const;
    QString getHwVersion() const;
    QString getHvSourceVersion() const;
    // Rated voltage of the HV unit in kV, cut to 8 bits; 0 while unknown.
    quint8 getPevantoType() const;

    // Used share of the file system holding path, in percent; 100 when the file system
    // is invalid or read-only.
    static int getDiskUsage(const QString& path);
    // Records of recordSize bytes that still fit: available / size - 20, rounded down to
    // a multiple of 100, at least 10; 0 when the path is invalid or read-only.
    static qint64 getFreeMeasurements(const QString& path, unsigned long long recordSize);
    // The same rule on given figures.
    static qint64 freeMeasurements(qint64 availableBytes, unsigned long long recordSize);

private:
    static QString firstLineOf(const QString& systemPath);
    static QString bootEnv(const QString& variable);

    const HVUnitModel* m_hv;
};
