#include "datamodel/DisplaySettings.h"

#include "core/GlobalFuncs.h"
#include "config/IConfigBase.h"
#include "datamodel/TanDeltaTypes.h"

#include <QCoreApplication>
#include <QStringList>

#include <algorithm>
#include <atomic>

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

// The ranges the pages offer. Values from elsewhere (the configuration editor, an
// imported file) are held to them: a negative double-click time lets no knob press act,
// a zero graph interval runs the chart timer every millisecond.
struct Range {
    const char* key;
    long min;
    long max;
};
const Range kRanges[] = {{kDblClick, 0, 1000}, {kGraphInterval, 50, 2000}, {kScrollSpeed, 1, 100}};

const Range* rangeOf(const QString& key)
{
    for (const Range& r : kRanges) {
        if (key == QLatin1String(r.key))
            return &r;
    }
    return nullptr;
}

long bounded(const char* key, long value)
{
    const Range* r = rangeOf(QLatin1String(key));
    return r ? std::clamp(value, r->min, r->max) : value;
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

long DisplaySettings::readBounded(const char* key, long def)
{
    return bounded(key, readLong(QString::fromLatin1(key), def));
}

bool DisplaySettings::writeBounded(const char* key, long value, long current)
{
    value = bounded(key, value);
    if (value == current)
        return false;
    return writeLong(QString::fromLatin1(key), value);
}

bool DisplaySettings::inRange(const QString& key, long value)
{
    const Range* r = rangeOf(key);
    return !r || (value >= r->min && value <= r->max);
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

int DisplaySettings::dblClickTime() const { return int(readBounded(kDblClick, 250)); }

bool DisplaySettings::setDblClickTime(int ms) { return writeBounded(kDblClick, ms, dblClickTime()); }

int DisplaySettings::textScrollSpeed() const { return int(readBounded(kScrollSpeed, 35)); }

bool DisplaySettings::setTextScrollSpeed(int speed) { return writeBounded(kScrollSpeed, speed, textScrollSpeed()); }

int DisplaySettings::graphUpdateIntervall() const { return int(readBounded(kGraphInterval, 100)); }

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
