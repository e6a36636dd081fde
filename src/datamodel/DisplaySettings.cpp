#include "datamodel/DisplaySettings.h"

#include "config/ConfigTree.h"
#include "core/FsRoot.h"
#include "core/GlobalFuncs.h"
#include "datamodel/OperatingModes.h"
#include "datamodel/TanDeltaTypes.h"
#include "logging/LoggingCtrl.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>
#include <atomic>
#include <climits>
#include <sys/stat.h>

namespace {
// While ensureDefaults runs the defaults it writes wait for its one save.
std::atomic<bool> g_holdSaves{false};
std::atomic<bool> g_defaultsWritten{false};

// A default written for a missing key.
void saveDefault(IConfigBase* cfg)
{
    if (g_holdSaves.load())
        g_defaultsWritten.store(true);
    else
        cfg->save();
}

const char* const kTimeFormat = "/Settings/TimeFormat";
const char* const kDateFormat = "/Settings/DateFormat";
const char* const kDblClick = "/Settings/DblClickTimeMs";
const char* const kScrollSpeed = "/Settings/TextScrollSpeed";
const char* const kGraphInterval = "/Settings/GraphUpdateIntervallMs";
const char* const kTanDeltaPrecision = "/HV Identification/TanDeltaPercisionExt";
const char* const kExportPath = "/Settings/ExportPath";
const char* const kScreenshots = "/General/ScreenshotFunction";
const char* const kSmoothScrolling = "/Settings/SmoothScrolling";
const char* const kInsulations = "/Settings/Insulations/%1";
const char* const kVirtualBoost = "/Device/VLFBoosterEmulation";
const char* const kForcedModes = "/Device/ForcedOperatingModes";
const char* const kShuntSwitching = "/Device/ShuntSwitching";
const char* const kDevCosRect = "/Device/DevelopmentCosRectType";
const char* const kGeneratorChar = "/HV Identification/HvGeneratorCharacteristics";
const char* const kTanDeltaMinimum = "/HV Identification/TanDeltaMinimum";
const char* const kNominalVoltage = "/HV Identification/NominalVoltageSupported";
const char* const kDevelopmentMode = "/General/DevelopmentMode";
const char* const kDisplayType = "/Settings/DisplayType";
const char* const kSerialNumber = "/Device/SerialNumber";
const char* const kHardwareId = "/Device/HardwareId";
const char* const kDefaultExportFolder = "Pevanto";
const char* const kDefaultSerialNumber = "99999999999";

QString why(const char* text) { return QString::fromLatin1(text); }

QString elevenDigits(const QString& text)
{
    const bool digits = std::all_of(text.begin(), text.end(), [](QChar c) { return c >= '0' && c <= '9'; });
    return digits ? QString() : why("not 11 digits");
}

// The cleaned form is what the pages write; anything else would leave the stick.
QString folderOnTheStick(const QString& text)
{
    return DisplaySettings::cleanExportFolder(text) == text ? QString() : why("no folder on the stick");
}

// An SSID has at most 32 bytes.
QString ssidBytes(const QString& text) { return text.toUtf8().size() <= 32 ? QString() : why("longer than 32 bytes"); }

// Anything else read as the encoder would spin the GUI thread (/dev/zero) or take
// another device's bytes (the HV unit's line).
QString inputDevice(const QString& text)
{
    const QString folder = QFileInfo(FsRoot::path(QStringLiteral("/dev/input"))).canonicalFilePath();
    const QString device = QFileInfo(FsRoot::path(text)).canonicalFilePath();
    if (!text.startsWith(QLatin1String("/dev/input/")) || folder.isEmpty() || !device.startsWith(folder + '/'))
        return why("not below /dev/input");
    struct stat st {};
    if (::stat(QFile::encodeName(device).constData(), &st) != 0 || !S_ISCHR(st.st_mode))
        return why("no character device");
    return QString();
}

// Forced modes are for the tests: the calibration group keeps its service lock.
QString testModesOnly(const QString& text)
{
    using M = OperatingModes;
    long calibration = 1L << M::Calibration;
    for (int mode = M::SafetyCircuitCheck; mode <= M::ManualDiagnosis; ++mode)
        calibration |= 1L << mode;
    const long mask = text.trimmed().toLong();
    return (mask & calibration) == 0 && (mask >> M::Unknown) == 0 && (mask & 1) == 0
               ? QString()
               : why("forces no test mode or a calibration mode");
}

// Every key the program reads, with its type and bounds: the range of a long, the length
// of a text (UTF-16 units) and what else the row's check asks. A key ending in '/' stands
// for the keys below it. Values from elsewhere (the configuration editor, an imported
// file, a hand edit) are held to them: a negative double-click time lets no knob press
// act, a zero graph interval runs the chart timer every millisecond, a long time format
// stalls the header that formats it every second.
struct Bounds {
    const char* key;
    ConfigValueTypes type;
    long min;
    long max;
    QString (*check)(const QString& text);
    bool ownerOnly; // an import never changes it: it would open the HV-enable line or change verdicts
};
const Bounds kBounds[] = {
    {kDblClick, CVT_LONG, 0, 1000, nullptr, false},
    {kGraphInterval, CVT_LONG, 50, 2000, nullptr, false},
    {kScrollSpeed, CVT_LONG, 1, 100, nullptr, false},
    {kTimeFormat, CVT_STRING, 1, 32, nullptr, false},
    {kDateFormat, CVT_STRING, 1, 32, nullptr, false},
    {kTanDeltaPrecision, CVT_BOOL, 0, 0, nullptr, false},
    {kExportPath, CVT_STRING, 1, 100, folderOnTheStick, false},
    {kScreenshots, CVT_BOOL, 0, 0, nullptr, false},
    {kSmoothScrolling, CVT_BOOL, 0, 0, nullptr, false},
    {"/Settings/Insulations/", CVT_BOOL, 0, 0, nullptr, false},
    {"/General/PhaseNames/", CVT_STRING, 1, 32, nullptr, false},
    // With it the test boost always reports ground and F-Ohm, so the HV-enable line rises without one.
    {kVirtualBoost, CVT_BOOL, 0, 0, nullptr, true},
    {kForcedModes, CVT_LONG, 0, LONG_MAX, testModesOnly, false},
    {kShuntSwitching, CVT_BOOL, 0, 0, nullptr, false},
    {kDevCosRect, CVT_BOOL, 0, 0, nullptr, false},
    {kGeneratorChar, CVT_LONG, 0, 1, nullptr, false},
    // A floor of 1 makes every tan delta at least 1: every verdict a fail. Up to what a record holds.
    {kTanDeltaMinimum, CVT_LONG, 0, 4294, nullptr, true},
    {kNominalVoltage, CVT_BOOL, 0, 0, nullptr, false},
    {kDevelopmentMode, CVT_BOOL, 0, 0, nullptr, false},
    {kDisplayType, CVT_LONG, 0, 255, nullptr, false},
    {kSerialNumber, CVT_STRING, 11, 11, elevenDigits, false},
    {kHardwareId, CVT_STRING, 0, 64, nullptr, false},
    {"/Device/EncoderDevice", CVT_STRING, 1, 255, inputDevice, false},
    {"/Settings/Theme", CVT_LONG, 0, 1, nullptr, false},
    {"/Connections/DeviceName", CVT_STRING, 1, 64, nullptr, false},
    {"/Connections/AdHocSsid", CVT_STRING, 1, 32, ssidBytes, false},
};

const Bounds* boundsOf(const QString& key)
{
    for (const Bounds& b : kBounds) {
        const QLatin1String name(b.key);
        if (key == name)
            return &b;
        if (name.endsWith('/') && key.startsWith(name) && key.size() > name.size() &&
            key.indexOf('/', name.size()) < 0)
            return &b;
    }
    return nullptr;
}

bool isBool(ConfigValueTypes type, const QString& text)
{
    const QString t = text.trimmed();
    // A binary reads as a bool too, as the store reads it.
    if (type == CVT_BINARY)
        return t.size() <= 16 && QByteArray::fromHex(t.toLatin1()).toHex() == t.toLower().toLatin1();
    return type == CVT_BOOL && (t.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0 ||
                                t.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0 ||
                                t == QLatin1String("1") || t == QLatin1String("0"));
}

// An owner-only key as its reader takes it: missing or refused, the default, 0 for each.
long readerValue(IConfigBase* cfg, const Bounds& b, bool* stored = nullptr)
{
    bool flag = false;
    long value = 0;
    const QString key = QString::fromLatin1(b.key);
    const int rc = b.type == CVT_BOOL ? cfg->queryBoolean(key, flag) : cfg->queryLong(key, value);
    if (stored)
        *stored = rc == IConfigBase::CFG_OK;
    return rc != IConfigBase::CFG_OK ? 0 : b.type == CVT_BOOL ? long(flag) : value;
}

long bounded(const char* key, long value)
{
    const Bounds* b = boundsOf(QLatin1String(key));
    return b ? std::clamp(value, b->min, b->max) : value;
}

QString phaseKey(int phase)
{
    return QStringLiteral("/General/PhaseNames/Phase%1").arg(phase + 1);
}

QString catalogueText(const char* key, const char* english)
{
    const QString text = QCoreApplication::translate("DateTime", key);
    return text == QLatin1String(key) ? QString::fromLatin1(english) : text;
}
} // namespace

QString DisplaySettings::defaultTimeFormat()
{
    return catalogueText("TimeFormat", "hh:mm:ss AP");
}

QString DisplaySettings::defaultDateFormat()
{
    return catalogueText("DateFormat", "MM/dd/yyyy");
}

bool DisplaySettings::readBool(const QString& key, bool def)
{
    IConfigBase* cfg = GlobalFuncs::getConfig();
    if (!cfg)
        return def;
    bool value = def;
    if (cfg->queryBoolean(key, value) == IConfigBase::CFG_NOT_FOUND) {
        cfg->setBoolean(key, def);
        saveDefault(cfg);
        return def;
    }
    return value;
}

long DisplaySettings::readLong(const QString& key, long def)
{
    IConfigBase* cfg = GlobalFuncs::getConfig();
    if (!cfg)
        return def;
    long value = def;
    if (cfg->queryLong(key, value) == IConfigBase::CFG_NOT_FOUND) {
        cfg->setLong(key, def);
        saveDefault(cfg);
        return def;
    }
    return value;
}

QString DisplaySettings::readString(const QString& key, const QString& def)
{
    IConfigBase* cfg = GlobalFuncs::getConfig();
    if (!cfg)
        return def;
    QString value;
    if (cfg->queryString(key, value, def) == IConfigBase::CFG_NOT_FOUND) {
        cfg->setString(key, def);
        saveDefault(cfg);
        return def;
    }
    return value;
}

bool DisplaySettings::writeBounded(const char* key, long value, long current)
{
    value = bounded(key, value);
    if (value == current)
        return false;
    return writeLong(QString::fromLatin1(key), value);
}

QString DisplaySettings::outOfBounds(const QString& key, ConfigValueTypes type, const QString& text)
{
    const Bounds* b = boundsOf(key);
    if (!b)
        return QString();
    if (b->type == CVT_BOOL)
        return isBool(type, text) ? QString() : why("not a bool");
    if (type != b->type)
        return why("of another type");
    if (b->type == CVT_LONG) {
        bool ok = false;
        const long value = text.trimmed().toLong(&ok);
        if (!ok)
            return why("not a whole number");
        if (value < b->min || value > b->max)
            return QStringLiteral("outside %1..%2").arg(b->min).arg(b->max);
    } else {
        if (text.size() < b->min || text.size() > b->max)
            return QStringLiteral("not %1 to %2 characters long").arg(b->min).arg(b->max);
        if (std::any_of(text.begin(), text.end(), [](QChar c) { return c.category() == QChar::Other_Control; }))
            return why("a control character");
    }
    return b->check ? b->check(text) : QString();
}

void DisplaySettings::holdConfigurationToBounds() { ConfigTree::holdKeysTo(&DisplaySettings::outOfBounds); }

QList<DisplaySettings::OwnerValue> DisplaySettings::ownerOnlyValues()
{
    QList<OwnerValue> values;
    IConfigBase* cfg = GlobalFuncs::getConfig();
    for (const Bounds& b : kBounds) {
        if (b.ownerOnly && cfg)
            values << OwnerValue{QString::fromLatin1(b.key), readerValue(cfg, b)};
    }
    return values;
}

int DisplaySettings::keepOwnerOnlyValues(const QList<OwnerValue>& owner)
{
    IConfigBase* cfg = GlobalFuncs::getConfig();
    int refused = 0;
    for (const OwnerValue& v : owner) {
        const Bounds* b = boundsOf(v.key);
        bool stored = false;
        if (!cfg || !b || readerValue(cfg, *b, &stored) == v.value)
            continue;
        const int set = b->type == CVT_BOOL ? cfg->setBoolean(v.key, v.value != 0) : cfg->setLong(v.key, v.value);
        // A value the import's bounds dropped before was counted there.
        refused += stored;
        KLOG_WARN2("DisplaySettings", "keepOwnerOnlyValues",
                   QStringLiteral("%1 is the instrument's own: the imported value is not taken%2")
                       .arg(v.key, set == IConfigBase::CFG_OK ? QString() : QStringLiteral(", nor can it be kept")));
    }
    return refused;
}

bool DisplaySettings::writeBool(const QString& key, bool value)
{
    IConfigBase* cfg = GlobalFuncs::getConfig();
    if (!cfg || cfg->setBoolean(key, value) != IConfigBase::CFG_OK)
        return false;
    return cfg->save() == IConfigBase::CFG_OK;
}

bool DisplaySettings::writeLong(const QString& key, long value)
{
    IConfigBase* cfg = GlobalFuncs::getConfig();
    if (!cfg || cfg->setLong(key, value) != IConfigBase::CFG_OK)
        return false;
    return cfg->save() == IConfigBase::CFG_OK;
}

bool DisplaySettings::writeString(const QString& key, const QString& value)
{
    IConfigBase* cfg = GlobalFuncs::getConfig();
    if (!cfg || cfg->setString(key, value) != IConfigBase::CFG_OK)
        return false;
    return cfg->save() == IConfigBase::CFG_OK;
}

void DisplaySettings::ensureDefaults()
{
    // A first start writes them all: one save, one wait for the disk, not one per key.
    g_holdSaves.store(true);
    timeFormat();
    dateFormat();
    dblClickTime();
    textScrollSpeed();
    graphUpdateIntervall();
    tanDeltaPrecisionExtended();
    exportFolder();
    screenshotsEnabled();
    isSmoothScrolling();
    for (int p = 0; p < PhaseCount; ++p)
        phaseName(p);
    hasVirtualTestBoost();
    serialNumber();
    for (int type = TanDelta::evaluation::PE_XLPE; type <= TanDelta::evaluation::XLPE; ++type)
        isInsulationEnabled(type);
    g_holdSaves.store(false);
    IConfigBase* cfg = GlobalFuncs::getConfig();
    if (g_defaultsWritten.exchange(false) && cfg)
        cfg->save();
}

QString DisplaySettings::timeFormat() const
{
    return readString(QString::fromLatin1(kTimeFormat), defaultTimeFormat());
}

bool DisplaySettings::setTimeFormat(const QString& format)
{
    if (format.isEmpty() || format == timeFormat())
        return false;
    return writeString(QString::fromLatin1(kTimeFormat), format);
}

QString DisplaySettings::dateFormat() const
{
    return readString(QString::fromLatin1(kDateFormat), defaultDateFormat());
}

bool DisplaySettings::setDateFormat(const QString& format)
{
    if (format.isEmpty() || format == dateFormat())
        return false;
    return writeString(QString::fromLatin1(kDateFormat), format);
}

int DisplaySettings::dblClickTime() const { return int(readLong(QString::fromLatin1(kDblClick), 250)); }

bool DisplaySettings::setDblClickTime(int ms) { return writeBounded(kDblClick, ms, dblClickTime()); }

int DisplaySettings::textScrollSpeed() const { return int(readLong(QString::fromLatin1(kScrollSpeed), 35)); }

bool DisplaySettings::setTextScrollSpeed(int speed) { return writeBounded(kScrollSpeed, speed, textScrollSpeed()); }

int DisplaySettings::graphUpdateIntervall() const { return int(readLong(QString::fromLatin1(kGraphInterval), 100)); }

bool DisplaySettings::setGraphUpdateIntervall(int ms)
{
    return writeBounded(kGraphInterval, ms, graphUpdateIntervall());
}

bool DisplaySettings::tanDeltaPrecisionExtended() const
{
    return readBool(QString::fromLatin1(kTanDeltaPrecision), false);
}

bool DisplaySettings::setTanDeltaPrecisionExtended(bool extended)
{
    if (extended == tanDeltaPrecisionExtended())
        return false;
    return writeBool(QString::fromLatin1(kTanDeltaPrecision), extended);
}

QString DisplaySettings::exportFolder() const
{
    return readString(QString::fromLatin1(kExportPath), QString::fromLatin1(kDefaultExportFolder));
}

QString DisplaySettings::cleanExportFolder(const QString& folder)
{
    QString f = folder.trimmed();
    for (const QString& prefix : {QStringLiteral("USB/"), QStringLiteral("/media/USB")}) {
        if (f.startsWith(prefix)) {
            f = f.mid(prefix.size());
            break;
        }
    }
    QStringList kept;
    for (const QString& part : f.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (part == QLatin1String(".") || part == QLatin1String(".."))
            continue; // never leave the stick
        kept << part;
    }
    return kept.join(QLatin1Char('/'));
}

bool DisplaySettings::setExportFolder(const QString& folder)
{
    const QString clean = cleanExportFolder(folder);
    if (clean.isEmpty())
        return false;
    return writeString(QString::fromLatin1(kExportPath), clean);
}

bool DisplaySettings::screenshotsEnabled() const
{
    return readBool(QString::fromLatin1(kScreenshots), false);
}

bool DisplaySettings::isSmoothScrolling() const
{
    return readBool(QString::fromLatin1(kSmoothScrolling), false);
}

QString DisplaySettings::phaseName(int phase) const
{
    if (phase < 0 || phase >= PhaseCount)
        return QString();
    return readString(phaseKey(phase), QStringLiteral("L%1").arg(phase + 1));
}

bool DisplaySettings::setPhaseName(int phase, const QString& name)
{
    if (phase < 0 || phase >= PhaseCount || name == phaseName(phase))
        return false;
    return writeString(phaseKey(phase), name);
}

bool DisplaySettings::isInsulationEnabled(int type) const
{
    return readBool(QString::fromLatin1(kInsulations).arg(type), true);
}

void DisplaySettings::setInsulationEnabled(int type, bool enabled)
{
    writeBool(QString::fromLatin1(kInsulations).arg(type), enabled);
}

bool DisplaySettings::hasVirtualTestBoost() const
{
    return readBool(QString::fromLatin1(kVirtualBoost), false);
}

bool DisplaySettings::isOpModeForced(int mode) const
{
    if (mode < 0 || mode >= 63)
        return false;
    return (readLong(QString::fromLatin1(kForcedModes), 0) >> mode) & 1;
}

bool DisplaySettings::shuntSwitching() const
{
    return readBool(QString::fromLatin1(kShuntSwitching), false);
}

bool DisplaySettings::developmentCosRectType() const
{
    return readBool(QString::fromLatin1(kDevCosRect), false);
}

int DisplaySettings::hvGeneratorCharacteristics() const
{
    return readLong(QString::fromLatin1(kGeneratorChar), 0) != 0 ? 1 : 0;
}

int DisplaySettings::tanDeltaMinimum() const
{
    return int(readLong(QString::fromLatin1(kTanDeltaMinimum), 0));
}

bool DisplaySettings::isNominalVoltageSupported() const
{
    return readBool(QString::fromLatin1(kNominalVoltage), true);
}

bool DisplaySettings::isDevelopmentMode() const
{
    return readBool(QString::fromLatin1(kDevelopmentMode), false);
}

int DisplaySettings::displayType() const
{
    return int(readLong(QString::fromLatin1(kDisplayType), 0));
}

void DisplaySettings::setDisplayType(int type)
{
    writeLong(QString::fromLatin1(kDisplayType), type);
}

QString DisplaySettings::serialNumber() const
{
    return readString(QString::fromLatin1(kSerialNumber), QString::fromLatin1(kDefaultSerialNumber));
}

void DisplaySettings::setSerialNumber(const QString& number)
{
    writeString(QString::fromLatin1(kSerialNumber), number);
}

QString DisplaySettings::hardwareId() const
{
    return readString(QString::fromLatin1(kHardwareId), QString());
}
