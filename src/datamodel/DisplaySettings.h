#pragma once

#include "config/ConfigKeys.h"

#include <QString>

// Display and general settings kept in the configuration store, and the bounds of every
// key the program reads. Every key is created with its default when it is missing; every
// write is saved at once.
class DisplaySettings {
public:
    static constexpr int PhaseCount = ConfigKeys::PhaseNameCount;

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

    // Why a stored value (its type and text) is outside the bounds of its key's row, empty
    // when it is within them (a key without a row: not too long).
    static QString outOfBounds(const QString& key, ConfigValueTypes type, const QString& text);
    // Every configuration store holds the keys to those bounds from now on.
    static void holdConfigurationToBounds();

private:
    static bool readBool(const QString& key, bool def);
    static long readLong(const QString& key, long def);
    static bool writeBounded(const char* key, long value, long current);
    static QString readString(const QString& key, const QString& def);
    static bool writeBool(const QString& key, bool value);
    static bool writeLong(const QString& key, long value);
    static bool writeString(const QString& key, const QString& value);
};
