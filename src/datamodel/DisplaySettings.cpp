#include "datamodel/DisplaySettings.h"

#include "config/ConfigKeys.h"
#include "config/ConfigTree.h"
#include "core/FsRoot.h"
#include "core/GlobalFuncs.h"
#include "datamodel/OperatingModes.h"
#include "datamodel/TanDeltaTypes.h"

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

// A character device below /dev/input: anything else read as the encoder would spin the
// GUI thread (/dev/zero) or take another device's bytes (the HV unit's line).
QString inputDevice(const QString& text)
{
    const QString folder = QFileInfo(FsRoot::path(QStringLiteral("/dev/input"))).canonicalFilePath();
    const QString device = QFileInfo(FsRoot::path(text)).canonicalFilePath();
    if (!text.startsWith(QLatin1String("/dev/input/")) || folder.isEmpty() || !device.startsWith(folder + '/'))
        return QStringLiteral("not below /dev/input");
    struct stat st {};
    if (::stat(QFile::encodeName(device).constData(), &st) != 0 || !S_ISCHR(st.st_mode))
        return QStringLiteral("no character device");
    return QString();
}

constexpr long calibrationModes()
{
    using M = OperatingModes;
    long modes = (1L << M::Calibration) | 1L | ~((1L << M::Unknown) - 1);
    for (int mode = M::SafetyCircuitCheck; mode <= M::ManualDiagnosis; ++mode)
        modes |= 1L << mode;
    return modes;
}
static_assert(ConfigKeys::InsulationCount == TanDelta::evaluation::XLPE - TanDelta::evaluation::PE_XLPE + 1,
              "a key for each insulation type");
static_assert(ConfigKeys::ForcibleModeBits == (~calibrationModes() & ((1L << OperatingModes::Unknown) - 1)),
              "the forcible modes are the test modes");

} // namespace

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
    value = ConfigKeys::bounded(key, value);
    if (value == current)
        return false;
    return writeLong(QString::fromLatin1(key), value);
}

QString DisplaySettings::outOfBounds(const QString& key, ConfigValueTypes type, const QString& text)
{
    const QString why = ConfigKeys::outOfBounds(key, type, text);
    if (!why.isEmpty())
        return why;
    const ConfigKeys::Row* row = ConfigKeys::rowOf(key);
    return row && row->check == ConfigKeys::Check::InputDevice ? inputDevice(text) : QString();
}

void DisplaySettings::holdConfigurationToBounds() { ConfigTree::holdKeysTo(&DisplaySettings::outOfBounds); }

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
    return readString(QString::fromLatin1(ConfigKeys::TimeFormat), ConfigKeys::defaultTimeFormat());
}

bool DisplaySettings::setTimeFormat(const QString& format)
{
    if (format.isEmpty() || format == timeFormat())
        return false;
    return writeString(QString::fromLatin1(ConfigKeys::TimeFormat), format);
}

QString DisplaySettings::dateFormat() const
{
    return readString(QString::fromLatin1(ConfigKeys::DateFormat), ConfigKeys::defaultDateFormat());
}

bool DisplaySettings::setDateFormat(const QString& format)
{
    if (format.isEmpty() || format == dateFormat())
        return false;
    return writeString(QString::fromLatin1(ConfigKeys::DateFormat), format);
}

int DisplaySettings::dblClickTime() const { return int(readLong(QString::fromLatin1(ConfigKeys::DblClickTime), 250)); }

bool DisplaySettings::setDblClickTime(int ms) { return writeBounded(ConfigKeys::DblClickTime, ms, dblClickTime()); }

int DisplaySettings::textScrollSpeed() const { return int(readLong(QString::fromLatin1(ConfigKeys::TextScrollSpeed), 35)); }

bool DisplaySettings::setTextScrollSpeed(int speed) { return writeBounded(ConfigKeys::TextScrollSpeed, speed, textScrollSpeed()); }

int DisplaySettings::graphUpdateIntervall() const { return int(readLong(QString::fromLatin1(ConfigKeys::GraphUpdateInterval), 100)); }

bool DisplaySettings::setGraphUpdateIntervall(int ms)
{
    return writeBounded(ConfigKeys::GraphUpdateInterval, ms, graphUpdateIntervall());
}

bool DisplaySettings::tanDeltaPrecisionExtended() const
{
    return readBool(QString::fromLatin1(ConfigKeys::TanDeltaPrecision), false);
}

bool DisplaySettings::setTanDeltaPrecisionExtended(bool extended)
{
    if (extended == tanDeltaPrecisionExtended())
        return false;
    return writeBool(QString::fromLatin1(ConfigKeys::TanDeltaPrecision), extended);
}

QString DisplaySettings::exportFolder() const
{
    return readString(QString::fromLatin1(ConfigKeys::ExportPath), QString::fromLatin1(ConfigKeys::DefaultExportFolder));
}

bool DisplaySettings::setExportFolder(const QString& folder)
{
    const QString clean = ConfigKeys::cleanExportFolder(folder);
    if (clean.isEmpty())
        return false;
    return writeString(QString::fromLatin1(ConfigKeys::ExportPath), clean);
}

bool DisplaySettings::screenshotsEnabled() const
{
    return readBool(QString::fromLatin1(ConfigKeys::Screenshots), false);
}

bool DisplaySettings::isSmoothScrolling() const
{
    return readBool(QString::fromLatin1(ConfigKeys::SmoothScrolling), false);
}

QString DisplaySettings::phaseName(int phase) const
{
    if (phase < 0 || phase >= PhaseCount)
        return QString();
    return readString(ConfigKeys::phaseName(phase), QStringLiteral("L%1").arg(phase + 1));
}

bool DisplaySettings::setPhaseName(int phase, const QString& name)
{
    if (phase < 0 || phase >= PhaseCount || name == phaseName(phase))
        return false;
    return writeString(ConfigKeys::phaseName(phase), name);
}

bool DisplaySettings::isInsulationEnabled(int type) const
{
    return readBool(ConfigKeys::insulation(type), true);
}

void DisplaySettings::setInsulationEnabled(int type, bool enabled)
{
    writeBool(ConfigKeys::insulation(type), enabled);
}

bool DisplaySettings::hasVirtualTestBoost() const
{
    return readBool(QString::fromLatin1(ConfigKeys::VirtualTestBoost), false);
}

bool DisplaySettings::isOpModeForced(int mode) const
{
    if (mode < 0 || mode >= 63)
        return false;
    return (readLong(QString::fromLatin1(ConfigKeys::ForcedModes), 0) >> mode) & 1;
}

bool DisplaySettings::shuntSwitching() const
{
    return readBool(QString::fromLatin1(ConfigKeys::ShuntSwitching), false);
}

bool DisplaySettings::developmentCosRectType() const
{
    return readBool(QString::fromLatin1(ConfigKeys::DevelopmentCosRect), false);
}

int DisplaySettings::hvGeneratorCharacteristics() const
{
    return readLong(QString::fromLatin1(ConfigKeys::GeneratorCharacteristics), 0) != 0 ? 1 : 0;
}

int DisplaySettings::tanDeltaMinimum() const
{
    return int(readLong(QString::fromLatin1(ConfigKeys::TanDeltaMinimum), 0));
}

bool DisplaySettings::isNominalVoltageSupported() const
{
    return readBool(QString::fromLatin1(ConfigKeys::NominalVoltageSupported), true);
}

bool DisplaySettings::isDevelopmentMode() const
{
    return readBool(QString::fromLatin1(ConfigKeys::DevelopmentMode), false);
}

int DisplaySettings::displayType() const
{
    return int(readLong(QString::fromLatin1(ConfigKeys::DisplayType), 0));
}

void DisplaySettings::setDisplayType(int type)
{
    writeLong(QString::fromLatin1(ConfigKeys::DisplayType), type);
}

QString DisplaySettings::serialNumber() const
{
    return readString(QString::fromLatin1(ConfigKeys::SerialNumber), QString::fromLatin1(ConfigKeys::UnsetSerialNumber));
}

void DisplaySettings::setSerialNumber(const QString& number)
{
    writeString(QString::fromLatin1(ConfigKeys::SerialNumber), number);
}

QString DisplaySettings::hardwareId() const
{
    return readString(QString::fromLatin1(ConfigKeys::HardwareId), QString());
}
