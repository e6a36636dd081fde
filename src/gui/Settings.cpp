#include "gui/Settings.h"

#include "config/ConfigKeys.h"
#include "core/GlobalFuncs.h"
#include "datamodel/DataModell.h"
#include "db/DB.h"
#include "tandelta/TanDeltaStrings.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QJsonObject>
#include <QLocale>
#include <QTimeZone>
#include <QUrl>
#include <QVariantMap>

#include <cmath>
#include <limits>

namespace TD = TanDelta::evaluation;

namespace {
const QString kThemeKey = QLatin1String(ConfigKeys::Theme);

// Each format is shown by what it makes of the moment the list is built.
QList<IconListViewItem*> formatItems(const QStringList& formats)
{
    const QLocale locale(QStringLiteral("en_EN"));
    const QDateTime now = QDateTime::currentDateTime();
    QList<IconListViewItem*> items;
    for (const QString& format : formats)
        items << new IconListViewItem(locale.toString(now, format), QString(), format);
    return items;
}

// The language manager names flags by absolute path; "file:///" in front of one would
// make "file:////...", which no image loads. A flag that is not there shows nothing.
QString flagUrl(const QString& flag)
{
    if (flag.isEmpty())
        return QString();
    const QString path = QDir::isAbsolutePath(flag) ? flag : QStringLiteral("/") + flag;
    return QFileInfo::exists(path) ? QUrl::fromLocalFile(path).toString() : QString();
}

int formatIndex(const QList<IconListViewItem*>& items, const QString& format)
{
    for (int i = 0; i < items.size(); ++i) {
        if (items.at(i)->value().toString() == format)
            return i;
    }
    return 0;
}

// The format at index, the index held to the list.
QString formatAt(const QList<IconListViewItem*>& items, int index)
{
    if (items.isEmpty())
        return QString();
    return items.at(qBound(0, index, items.size() - 1))->value().toString();
}
} // namespace

Settings::Settings(QObject* parent) : QObject(parent)
{
    m_timeFormatItems.replace(formatItems(ConfigKeys::offeredTimeFormats()), [] {});
    m_dateFormatItems.replace(formatItems(ConfigKeys::offeredDateFormats()), [] {});

    if (DataModell* dm = GlobalFuncs::getDM()) {
        connect(dm, &DataModell::adminMenuLockedChanged, this, &Settings::adminMenuLockedChanged);
        connect(dm, &DataModell::serviceMenuLockedChanged, this, &Settings::serviceMenuLockedChanged);
        connect(dm, &DataModell::ryxMenuLockedChanged, this, &Settings::ryxMenuLockedChanged);
        connect(dm, &DataModell::calibrationModeChanged, this, &Settings::calibrationModeChanged);
        connect(dm, &DataModell::tanDeltaPrecisionChanged, this, &Settings::tanDeltaPrecisionChanged);
        connect(dm, &DataModell::dblClickTimeChanged, this, &Settings::dblClickTimeChanged);
        connect(dm, &DataModell::textScrollSpeedChanged, this, &Settings::textScrollSpeedChanged);
        connect(dm, &DataModell::graphUpdateIntervallChanged, this, &Settings::graphUpdateIntervallChanged);
        connect(dm, &DataModell::brightnessChanged, this, &Settings::brightnessChanged);
        connect(dm, &DataModell::screenshotsEnabledChanged, this, &Settings::screenshotsEnabledChanged);
        connect(dm, &DataModell::exportFolderChanged, this, &Settings::exportFolderChanged);
        connect(dm, &DataModell::currentLanguageChanged, this, &Settings::languageChanged);
    }
    initTimeZoneList();
}

Settings::~Settings() = default;

void Settings::initTimeZoneList()
{
    const QDateTime now = QDateTime::currentDateTime();
    QList<IconListViewItem*> items;
    QList<int> offsets;
    for (const QByteArray& id : QTimeZone::availableTimeZoneIds()) {
        const int offset = QTimeZone(id).offsetFromUtc(now);
        // Before the first greater offset: equal offsets keep the system's order.
        int at = 0;
        while (at < offsets.size() && offsets.at(at) <= offset)
            ++at;
        offsets.insert(at, offset);
        items.insert(at, new IconListViewItem(QString::fromUtf8(id), QString(), offset));
    }
    m_timeZoneItems.replace(items, [] {});
}

int Settings::brightness() const
{
    DataModell* dm = GlobalFuncs::getDM();
    if (!dm)
        return 0;
    bool ok = false;
    const int value = dm->getDisplayParam(DisplayParam_Brightness).toInt(&ok);
    return ok ? value : 0;
}

void Settings::setBrightness(int percent)
{
    if (DataModell* dm = GlobalFuncs::getDM())
        dm->setDisplayParam(DisplayParam_Brightness, QVariant::fromValue(long(percent)));
}

int Settings::theme() const
{
    long value = 0;
    if (IConfigBase* config = GlobalFuncs::getConfig()) {
        if (config->queryLong(kThemeKey, value) != 0)
            value = 0;
    }
    return int(value);
}

void Settings::setTheme(int theme)
{
    if (theme == this->theme())
        return;
    // Saved at once, as every other setting.
    if (IConfigBase* config = GlobalFuncs::getConfig()) {
        if (config->setLong(kThemeKey, long(theme)) == IConfigBase::CFG_OK)
            config->save();
    }
    emit themeChanged();
}

int Settings::timeFormat() const { return formatIndex(m_timeFormatItems.items(), timeFormatString()); }

void Settings::setTimeFormat(int index)
{
    DataModell* dm = GlobalFuncs::getDM();
    const QString format = formatAt(m_timeFormatItems.items(), index);
    if (!dm || format.isEmpty() || format == dm->getTimeFormat())
        return;
    dm->setTimeFormat(format);
    emit timeFormatChanged();
}

int Settings::dateFormat() const { return formatIndex(m_dateFormatItems.items(), dateFormatString()); }

void Settings::setDateFormat(int index)
{
    DataModell* dm = GlobalFuncs::getDM();
    const QString format = formatAt(m_dateFormatItems.items(), index);
    if (!dm || format.isEmpty() || format == dm->getDateFormat())
        return;
    dm->setDateFormat(format);
    emit dateFormatChanged();
}

int Settings::tanDeltaPrecision() const
{
    DataModell* dm = GlobalFuncs::getDM();
    return dm ? dm->getTanDeltaPrecision() : 0;
}

void Settings::setTanDeltaPrecision(int precision)
{
    if (DataModell* dm = GlobalFuncs::getDM())
        dm->setTanDeltaPrecision(precision);
}

bool Settings::calibrationMode() const
{
    DataModell* dm = GlobalFuncs::getDM();
    return dm && dm->calibrationMode();
}

void Settings::setCalibrationMode(bool on)
{
    if (DataModell* dm = GlobalFuncs::getDM())
        dm->setCalibrationMode(on);
}

bool Settings::screenshotsEnabled() const
{
    DataModell* dm = GlobalFuncs::getDM();
    return dm && dm->screenshotsEnabled();
}

int Settings::dblClickTime() const
{
    DataModell* dm = GlobalFuncs::getDM();
    return dm ? dm->dblClickTime() : 250;
}

void Settings::setDblClickTime(int ms)
{
    if (DataModell* dm = GlobalFuncs::getDM())
        dm->setDblClickTime(ms);
}

int Settings::textScrollSpeed() const
{
    DataModell* dm = GlobalFuncs::getDM();
    return dm ? dm->textScrollSpeed() : 35;
}

void Settings::setTextScrollSpeed(int speed)
{
    if (DataModell* dm = GlobalFuncs::getDM())
        dm->setTextScrollSpeed(speed);
}

int Settings::graphUpdateIntervall() const
{
    DataModell* dm = GlobalFuncs::getDM();
    return dm ? dm->graphUpdateIntervall() : 100;
}

void Settings::setGraphUpdateIntervall(int ms)
{
    if (DataModell* dm = GlobalFuncs::getDM())
        dm->setGraphUpdateIntervall(ms);
}

QString Settings::timeFormatString() const
{
    DataModell* dm = GlobalFuncs::getDM();
    return dm ? dm->getTimeFormat() : QString();
}

QString Settings::dateFormatString() const
{
    DataModell* dm = GlobalFuncs::getDM();
    return dm ? dm->getDateFormat() : QString();
}

QString Settings::dateTimeFormatString() const { return dateFormatString() + QLatin1Char(' ') + timeFormatString(); }

QString Settings::serialNumber() const
{
    DataModell* dm = GlobalFuncs::getDM();
    return dm ? dm->getSerialNumber() : QString();
}

QString Settings::exportFolder() const
{
    DataModell* dm = GlobalFuncs::getDM();
    return dm ? dm->exportFolder() : QString();
}

void Settings::setExportFolder(const QString& folder)
{
    if (DataModell* dm = GlobalFuncs::getDM())
        dm->setExportFolder(folder);
}

QString Settings::language() const
{
    DataModell* dm = GlobalFuncs::getDM();
    const QString name = dm ? dm->getCurrentLanguage() : QString();
    for (const QVariant& entry : m_languages) {
        const QVariantMap map = entry.toMap();
        if (map.value(QStringLiteral("name")).toString() == name)
            return map.value(QStringLiteral("native")).toString();
    }
    return name;
}

void Settings::setLanguage(const QString& nativeName)
{
    DataModell* dm = GlobalFuncs::getDM();
    for (const QVariant& entry : m_languages) {
        const QVariantMap map = entry.toMap();
        if (map.value(QStringLiteral("native")).toString() != nativeName)
            continue;
        const QString name = map.value(QStringLiteral("name")).toString();
        if (!dm || name != dm->getCurrentLanguage())
            emit changeLanguage(name);
        return;
    }
}

QQmlListProperty<IconListViewItem> Settings::languageList() { return m_languageItems.property(this); }
QQmlListProperty<IconListViewItem> Settings::timeFormatList() { return m_timeFormatItems.property(this); }
QQmlListProperty<IconListViewItem> Settings::dateFormatList() { return m_dateFormatItems.property(this); }
QQmlListProperty<IconListViewItem> Settings::timeZoneList() { return m_timeZoneItems.property(this); }

QQmlListProperty<IconListViewItem> Settings::insulationList()
{
    insulationItems();
    return m_insulationItems.property(this);
}

const QList<IconListViewItem*>& Settings::insulationItems()
{
    QList<IconListViewItem*> items;
    if (DataModell* dm = GlobalFuncs::getDM()) {
        const QVector<TD::eInsulationType> enabled = dm->getEnabledInsulationTypes();
        QVector<TD::eInsulationType> ordered = enabled;
        for (TD::eInsulationType type : dm->getAllInsulationTypes()) {
            if (!enabled.contains(type))
                ordered.append(type);
        }
        for (TD::eInsulationType type : ordered) {
            items << new IconListViewItem(TanDelta::strings::insulationTypeToText(type, nullptr),
                                          enabled.contains(type) ? QStringLiteral("qrc:/icons/confirm.svg") : QString(),
                                          int(type));
        }
    }
    // The read itself asks for the new list; there is nobody to tell.
    m_insulationItems.replace(items, [] {});
    return m_insulationItems.items();
}

QList<qreal> Settings::voltageSnapsTestVoltage() const
{
    DataModell* dm = GlobalFuncs::getDM();
    return dm ? dm->getVoltageSnapValues(DataModell::TestVoltageSnaps) : QList<qreal>();
}

void Settings::setVoltageSnapsTestVoltage(const QList<qreal>& values)
{
    if (DataModell* dm = GlobalFuncs::getDM())
        dm->setVoltageSnapValues(DataModell::TestVoltageSnaps, values);
    emit voltageSnapsTestVoltageChanged();
}

QList<qreal> Settings::voltageSnapsNormVoltage() const
{
    DataModell* dm = GlobalFuncs::getDM();
    return dm ? dm->getVoltageSnapValues(DataModell::NominalVoltageSnaps) : QList<qreal>();
}

void Settings::setVoltageSnapsNormVoltage(const QList<qreal>& values)
{
    if (DataModell* dm = GlobalFuncs::getDM())
        dm->setVoltageSnapValues(DataModell::NominalVoltageSnaps, values);
    emit voltageSnapsNormVoltageChanged();
}

bool Settings::setSerialNumber(const QString& key)
{
    DataModell* dm = GlobalFuncs::getDM();
    if (!dm || !dm->setSerialNumber(key))
        return false;
    emit serialNumberChanged();
    return true;
}

bool Settings::setIp(const QString& name, const QString& ipAddress)
{
    DataModell* dm = GlobalFuncs::getDM();
    return dm && dm->setIp(name, ipAddress);
}

bool Settings::setDateTime(qlonglong unixTimeStamp, int timeZoneOffset)
{
    DataModell* dm = GlobalFuncs::getDM();
    return dm && dm->setDateTime(unixTimeStamp, timeZoneOffset);
}

bool Settings::toggleInsulationState(int insulationId)
{
    DataModell* dm = GlobalFuncs::getDM();
    if (!dm)
        return false;
    const auto type = static_cast<TD::eInsulationType>(insulationId);
    dm->setInsulationState(type, !dm->isInsulationEnabled(type));
    emit insulationsChanged();
    return true;
}

double Settings::getTanDeltaLevel(int step) const
{
    DataModell* dm = GlobalFuncs::getDM();
    return dm ? dm->getDefaultVoltageFactor(step) / 10.0 : 0.0;
}

bool Settings::setTanDeltaLevel(int step, double value)
{
    DataModell* dm = GlobalFuncs::getDM();
    const double tenths = std::trunc(value * 10.0);
    // A negative, too large or non-numeric level would wrap into some other factor.
    if (!dm || !std::isfinite(tenths) || tenths < 0.0 || tenths > std::numeric_limits<unsigned short>::max())
        return false;
    return dm->setDefaultVoltageFactor(static_cast<unsigned short>(tenths), step);
}

// --- menu locks --------------------------------------------------------------------------

bool Settings::unlock(const QString& type, const QString& password, SystemFunction::eSysFunc func)
{
    DB* db = GlobalFuncs::getDB();
    if (!db || password.isEmpty() || !GlobalFuncs::checkPassword(password, db->getPassword(type)))
        return false;
    emit unlockSystemFunction(func);
    return true;
}

bool Settings::unlockServiceMenu(const QString& password)
{
    return unlock(kServiceLock, password, SystemFunction::Service);
}

bool Settings::unlockAdminMenu(const QString& password)
{
    return unlock(kAdminLock, password, SystemFunction::Administration);
}

bool Settings::unlockRyxMenu(const QString& password) { return unlock(kRyxLock, password, SystemFunction::RYX); }

bool Settings::lockServiceMenu()
{
    DataModell* dm = GlobalFuncs::getDM();
    if (!dm)
        return false;
    dm->lockSystemFunction(SystemFunction::Service);
    return dm->serviceMenuLocked();
}

bool Settings::lockAdminMenu()
{
    DataModell* dm = GlobalFuncs::getDM();
    if (!dm)
        return false;
    dm->lockSystemFunction(SystemFunction::Administration);
    return dm->adminMenuLocked();
}

bool Settings::lockRyxMenu()
{
    DataModell* dm = GlobalFuncs::getDM();
    if (!dm)
        return false;
    dm->lockSystemFunction(SystemFunction::RYX);
    return dm->ryxMenuLocked();
}

bool Settings::setAdminPassword(const QString& password)
{
    DB* db = GlobalFuncs::getDB();
    // A short or empty password would open the admin menu to an empty entry.
    if (!db || password.size() < kMinPasswordLength)
        return false;
    return db->setPassword(kAdminLock, GlobalFuncs::encryptPassword(password));
}

bool Settings::isLocked(const QString& lock)
{
    if (lock.isEmpty())
        return false;
    DataModell* dm = GlobalFuncs::getDM();
    if (!dm)
        return true;
    if (lock == kAdminLock)
        return dm->adminMenuLocked();
    if (lock == kServiceLock)
        return dm->serviceMenuLocked();
    // A name that is no lock opens nothing.
    return lock != kRyxLock || dm->ryxMenuLocked();
}

bool Settings::isServiceMenuLocked() const { return isLocked(kServiceLock); }

bool Settings::isAdminMenuLocked() const { return isLocked(kAdminLock); }

bool Settings::isRyxMenuLocked() const { return isLocked(kRyxLock); }

// --- configuration editor ----------------------------------------------------------------

QVariantList Settings::configItems(const QString& path) const
{
    QVariantList list;
    IConfigBase* config = GlobalFuncs::getConfig();
    QMap<QString, ConfigValueTypes> keys;
    if (!config || config->subkeys(path, keys) != IConfigBase::CFG_OK)
        return list;
    for (auto it = keys.cbegin(); it != keys.cend(); ++it) {
        const QString key = path + QLatin1Char('/') + it.key();
        QJsonObject entry;
        switch (it.value()) {
        case CVT_NONE:
            entry[QStringLiteral("value")] = QString();
            break;
        case CVT_BINARY: {
            bool value = false;
            config->queryBoolean(key, value);
            entry[QStringLiteral("value")] = value ? 1 : 0;
            break;
        }
        case CVT_STRING: {
            QString value;
            config->queryString(key, value, QString());
            entry[QStringLiteral("value")] = value;
            break;
        }
        case CVT_LONG: {
            long value = 0;
            config->queryLong(key, value);
            entry[QStringLiteral("value")] = double(value);
            long min = 0;
            long max = 0;
            unsigned long step = 0;
            if (config->getLongRanges(key, min, max, step) == IConfigBase::CFG_OK) {
                entry[QStringLiteral("range")] = QJsonObject{{QStringLiteral("min"), double(min)},
                                                             {QStringLiteral("max"), double(max)},
                                                             {QStringLiteral("step"), double(step)}};
            }
            break;
        }
        case CVT_DOUBLE: {
            double value = 0.0;
            config->queryDouble(key, value);
            entry[QStringLiteral("value")] = value;
            break;
        }
        case CVT_BOOL: {
            bool value = false;
            config->queryBoolean(key, value);
            entry[QStringLiteral("value")] = value;
            break;
        }
        default:
            break;
        }
        bool readOnly = true;
        bool flag = true;
        if (config->isReadOnly(key, flag) == IConfigBase::CFG_OK)
            readOnly = flag;
        entry[QStringLiteral("readOnly")] = readOnly;
        entry[QStringLiteral("name")] = it.key();
        entry[QStringLiteral("type")] = int(it.value());
        list << QVariant(entry);
    }
    return list;
}

template <typename Write>
bool Settings::writeConfigItem(const QString& path, Write write)
{
    IConfigBase* config = GlobalFuncs::getConfig();
    // The store creates a missing key on a write; the editor only changes what is there.
    if (!config || !config->exists(path) || write(config) != IConfigBase::CFG_OK)
        return false;
    // The value is in force from now on, whether or not the file could be written.
    emit settingsValueChanged(path);
    return config->save() == IConfigBase::CFG_OK;
}

bool Settings::setConfigItemDouble(const QString& path, double value)
{
    if (!std::isfinite(value))
        return false;
    return writeConfigItem(path, [&](IConfigBase* config) { return config->setDouble(path, value); });
}

bool Settings::setConfigItemLong(const QString& path, long value)
{
    return writeConfigItem(path, [&](IConfigBase* config) { return config->setLong(path, value, 0, 0, 0); });
}

bool Settings::setConfigItemBool(const QString& path, bool value)
{
    return writeConfigItem(path, [&](IConfigBase* config) { return config->setBoolean(path, value); });
}

bool Settings::setConfigItemString(const QString& path, const QString& value)
{
    // Nobody can see or type them, and most would leave a file that cannot be read.
    for (const QChar c : value) {
        if (c.category() == QChar::Other_Control)
            return false;
    }
    return writeConfigItem(path, [&](IConfigBase* config) { return config->setString(path, value, QString()); });
}

void Settings::languageListChanged(const QVariantList& languageList)
{
    if (languageList == m_languages)
        return;
    m_languages = languageList;
    QList<IconListViewItem*> items;
    for (const QVariant& entry : m_languages) {
        const QVariantMap map = entry.toMap();
        items << new IconListViewItem(map.value(QStringLiteral("native")).toString(),
                                      flagUrl(map.value(QStringLiteral("flag")).toString()), QVariant());
    }
    m_languageItems.replace(items, [this] { emit languagesChanged(); });
    // The native name shown for the current language may have changed with the list.
    emit languageChanged();
}

void Settings::onSettingsValueChanged(const QString& path)
{
    if (path == QLatin1String(ConfigKeys::Screenshots))
        emit screenshotsEnabledChanged();
    else if (path == QLatin1String(ConfigKeys::TimeFormat))
        emit timeFormatChanged();
    else if (path == kThemeKey)
        emit themeChanged();
    else if (path == QLatin1String(ConfigKeys::DblClickTime))
        emit dblClickTimeChanged();
    else if (path == QLatin1String(ConfigKeys::TextScrollSpeed))
        emit textScrollSpeedChanged();
    else if (path == QLatin1String(ConfigKeys::GraphUpdateInterval))
        emit graphUpdateIntervallChanged();
}
