#include "gui/Settings.h"

#include "config/IConfigBase.h"
#include "core/GlobalFuncs.h"
#include "datamodel/DataModell.h"

#include <QVariantMap>

namespace {
const QString kThemeKey = QStringLiteral("/Settings/Theme");
const QString kTimeFormatKey = QStringLiteral("/Settings/TimeFormat");
} // namespace

Settings::Settings(QObject* parent) : QObject(parent)
{
    if (DataModell* dm = GlobalFuncs::getDM()) {
        connect(dm, &DataModell::dblClickTimeChanged, this, &Settings::dblClickTimeChanged);
        connect(dm, &DataModell::graphUpdateIntervallChanged, this, &Settings::graphUpdateIntervallChanged);
        connect(dm, &DataModell::currentLanguageChanged, this, &Settings::languageChanged);
    }
}

long Settings::theme() const
{
    long value = 0;
    if (IConfigBase* config = GlobalFuncs::getConfig()) {
        if (config->queryLong(kThemeKey, value) != 0)
            value = 0;
    }
    return value;
}

void Settings::setTheme(long theme)
{
    if (theme == this->theme())
        return;
    if (IConfigBase* config = GlobalFuncs::getConfig())
        config->setLong(kThemeKey, theme);
    emit themeChanged();
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

QString Settings::timeFormatString() const
{
    DataModell* dm = GlobalFuncs::getDM();
    return dm ? dm->getTimeFormat() : QString();
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

int Settings::graphUpdateIntervall() const
{
    DataModell* dm = GlobalFuncs::getDM();
    return dm ? dm->graphUpdateIntervall() : 100;
}

void Settings::languageListChanged(const QVariantList& languageList)
{
    if (languageList == m_languages)
        return;
    m_languages = languageList;
    // The native name shown for the current language may have changed with the list.
    emit languageChanged();
}

void Settings::onSettingsValueChanged(const QString& path)
{
    if (path == kTimeFormatKey)
        emit timeFormatChanged();
    else if (path == kThemeKey)
        emit themeChanged();
}
