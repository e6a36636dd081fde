#pragma once

#include <QString>

// Display and general settings kept in the configuration store. Every key is created
// with its default when it is missing; every write is saved at once.
class DisplaySettings {
public:
    static constexpr int PhaseCount = 3;

    // Creates the missing keys with their defaults, saved together.
    void ensureDefaults();

    QString timeFormat() const;
    bool setTimeFormat(const QString& format); // true when it changed
    QString dateFormat() const;
    bool setDateFormat(const QString& format);
    int dblClickTime() const;
    bool setDblClickTime(int ms);
    int textScrollSpeed() const;
    bool setTextScrollSpeed(int speed);
    int graphUpdateIntervall() const;
    bool setGraphUpdateIntervall(int ms);
    bool tanDeltaPrecisionExtended() const;
    bool setTanDeltaPrecisionExtended(bool extended);
    QString exportFolder() const;
    bool setExportFolder(const QString& folder);
    bool screenshotsEnabled() const;
    bool isSmoothScrolling() const;
    QString phaseName(int phase) const; // empty outside 0..2
    bool setPhaseName(int phase, const QString& name);
    bool isInsulationEnabled(int type) const;
    void setInsulationEnabled(int type, bool enabled);
    bool hasVirtualTestBoost() const;
    bool isOpModeForced(int mode) const;
    bool shuntSwitching() const;
    bool developmentCosRectType() const;
    int hvGeneratorCharacteristics() const;
    int tanDeltaMinimum() const;
    bool isNominalVoltageSupported() const;
    bool isDevelopmentMode() const;
    int displayType() const;
    void setDisplayType(int type);
    QString serialNumber() const;
    void setSerialNumber(const QString& number);
    QString hardwareId() const;

    // Export folder without a leading "USB/", "/media/USB" or "/", and without ".."
    // or "." parts, so it stays on the stick.
    static QString cleanExportFolder(const QString& folder);

    // Whether a value fits the range the pages offer for key (double-click time 0-1000 ms,
    // graph interval 50-2000 ms, text scroll speed 1-100); true for keys without one.
    static bool inRange(const QString& key, long value);

    static QString defaultTimeFormat();
    static QString defaultDateFormat();

private:
    static bool readBool(const QString& key, bool def);
    static long readLong(const QString& key, long def);
    // Held to the key's range.
    static long readBounded(const char* key, long def);
    static bool writeBounded(const char* key, long value, long current);
    static QString readString(const QString& key, const QString& def);
    static bool writeBool(const QString& key, bool value);
    static bool writeLong(const QString& key, long value);
    static bool writeString(const QString& key, const QString& value);
};
