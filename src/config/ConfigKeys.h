#pragma once

#include "config/IConfigBase.h"

#include <QString>
#include <QStringList>

// Every configuration key the program reads, and its bounds. Readers name a key only
// through here (a check of the suite finds a key named anywhere else under src/), so that
// no key is read that has no row.
namespace ConfigKeys {
inline constexpr char TimeFormat[] = "/Settings/TimeFormat";
inline constexpr char DateFormat[] = "/Settings/DateFormat";
inline constexpr char DblClickTime[] = "/Settings/DblClickTimeMs";
inline constexpr char TextScrollSpeed[] = "/Settings/TextScrollSpeed";
inline constexpr char GraphUpdateInterval[] = "/Settings/GraphUpdateIntervallMs";
inline constexpr char ExportPath[] = "/Settings/ExportPath";
inline constexpr char SmoothScrolling[] = "/Settings/SmoothScrolling";
inline constexpr char DisplayType[] = "/Settings/DisplayType";
inline constexpr char Theme[] = "/Settings/Theme";
inline constexpr char TanDeltaPrecision[] = "/HV Identification/TanDeltaPercisionExt";
inline constexpr char GeneratorCharacteristics[] = "/HV Identification/HvGeneratorCharacteristics";
inline constexpr char TanDeltaMinimum[] = "/HV Identification/TanDeltaMinimum";
inline constexpr char NominalVoltageSupported[] = "/HV Identification/NominalVoltageSupported";
inline constexpr char SystemName[] = "/General/SystemName";
inline constexpr char Screenshots[] = "/General/ScreenshotFunction";
inline constexpr char DevelopmentMode[] = "/General/DevelopmentMode";
inline constexpr char VirtualTestBoost[] = "/Device/VLFBoosterEmulation";
inline constexpr char ForcedModes[] = "/Device/ForcedOperatingModes";
inline constexpr char ShuntSwitching[] = "/Device/ShuntSwitching";
inline constexpr char DevelopmentCosRect[] = "/Device/DevelopmentCosRectType";
inline constexpr char SerialNumber[] = "/Device/SerialNumber";
inline constexpr char HardwareId[] = "/Device/HardwareId";
inline constexpr char EncoderDevice[] = "/Device/EncoderDevice";
inline constexpr char DeviceName[] = "/Connections/DeviceName";
inline constexpr char AdHocSsid[] = "/Connections/AdHocSsid";

// Keys of a family, by number.
inline constexpr int PhaseNameCount = 3;
inline constexpr int InsulationCount = 8;
QString phaseName(int phase); // 0..PhaseNameCount - 1
QString insulation(int type); // 0..InsulationCount - 1

inline constexpr char DefaultExportFolder[] = "Pevanto";
inline constexpr char DefaultSystemName[] = "pevanto";
inline constexpr char UnsetSerialNumber[] = "99999999999";

// The formats the settings pages offer, and the catalogue's default (context "DateTime").
QStringList offeredTimeFormats();
QStringList offeredDateFormats();
QString defaultTimeFormat();
QString defaultDateFormat();

// Bytes a value may hold where its row allows no more, and a key without a row.
inline constexpr int LongestValue = 4096;
// The bytes key's value may hold: LongestValue, or more where its row allows more.
int longestValue(const QString& key);
// Elements of a file holding every key: the top element, the program's key, the groups
// and the keys.
int defaultFileElements();

// What a row asks of a text beyond its type, range or length.
enum class Check {
    None,
    Digits,
    FolderOnTheStick, // as cleanExportFolder leaves it
    SsidBytes,        // at most 32 bytes
    InputDevice,      // a character device below /dev/input: the layer with the file system checks it
    ForcibleModes,    // only bits of ForcibleModeBits
    TimeFormat,       // one of the offered formats or the catalogue's default
    DateFormat,
};

// The operating modes a forced-modes mask may hold: the tests (1 to 15), not the
// calibration group (4) nor its procedures (16 to 25), which keep their service lock.
inline constexpr long ForcibleModeBits = 0xFFEE;

// Who may change a key through an imported configuration.
enum class Holder {
    Anyone,     // pages outside the service menu write it
    Service,    // only the service menu changes it: an import without its password keeps the instrument's
    Identity,   // as Service; the serial number also tells whose a start-up backup is
    Instrument, // no import changes it: it would open the HV-enable line or change verdicts
};

// A key ending in '/' stands for the keys directly below it.
struct Row {
    const char* key;
    ConfigValueTypes type;
    long min; // of a long's value, of a text's length (UTF-16 units)
    long max;
    Check check;
    Holder holder;
};

const Row* rowOf(const QString& key);
// Every row, for walking.
const Row* begin();
const Row* end();

// Why a stored value (its type and text) is outside its row, or a key without one longer
// than LongestValue; empty when it is within. A row's Check::InputDevice is left to the caller.
QString outOfBounds(const QString& key, ConfigValueTypes type, const QString& text);
// value held to its row's range.
long bounded(const char* key, long value);

// Export folder without a leading "USB/", "/media/USB" or "/", and without ".." or "."
// parts, so it stays on the stick.
QString cleanExportFolder(const QString& folder);
} // namespace ConfigKeys
