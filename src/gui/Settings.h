#pragma once

#include "datamodel/SystemFunctions.h"
#include "gui/IconListViewItem.h"
#include "uiapi/OwnedItemList.h"

#include <QList>
#include <QObject>
#include <QQmlListProperty>
#include <QString>
#include <QVariantList>

// The view model of the settings pages, the menu locks and the configuration editor.
// It keeps no values of its own: every read asks the data model, the configuration
// store or the database at that moment, every write is forwarded. Only the lists QML
// shows are kept here. GUI thread only.
class Settings : public QObject {
    Q_OBJECT
    Q_PROPERTY(int brightness READ brightness WRITE setBrightness NOTIFY brightnessChanged)
    Q_PROPERTY(int theme READ theme WRITE setTheme NOTIFY themeChanged)
    Q_PROPERTY(int timeFormat READ timeFormat WRITE setTimeFormat NOTIFY timeFormatChanged)
    Q_PROPERTY(int dateFormat READ dateFormat WRITE setDateFormat NOTIFY dateFormatChanged)
    Q_PROPERTY(int tanDeltaPrecision READ tanDeltaPrecision WRITE setTanDeltaPrecision NOTIFY tanDeltaPrecisionChanged)
    Q_PROPERTY(bool calibrationMode READ calibrationMode WRITE setCalibrationMode NOTIFY calibrationModeChanged)
    Q_PROPERTY(bool screenshotsEnabled READ screenshotsEnabled NOTIFY screenshotsEnabledChanged)
    Q_PROPERTY(bool serviceMenuLocked READ isServiceMenuLocked NOTIFY serviceMenuLockedChanged)
    Q_PROPERTY(bool adminMenuLocked READ isAdminMenuLocked NOTIFY adminMenuLockedChanged)
    Q_PROPERTY(bool ryxMenuLocked READ isRyxMenuLocked NOTIFY ryxMenuLockedChanged)
    Q_PROPERTY(int minPasswordLength READ minPasswordLength CONSTANT)
    Q_PROPERTY(int dblClickTime READ dblClickTime WRITE setDblClickTime NOTIFY dblClickTimeChanged)
    Q_PROPERTY(int textScrollSpeed READ textScrollSpeed WRITE setTextScrollSpeed NOTIFY textScrollSpeedChanged)
    Q_PROPERTY(int graphUpdateIntervall READ graphUpdateIntervall WRITE setGraphUpdateIntervall
                   NOTIFY graphUpdateIntervallChanged)
    Q_PROPERTY(QString timeFormatString READ timeFormatString NOTIFY timeFormatChanged)
    Q_PROPERTY(QString dateFormatString READ dateFormatString NOTIFY dateFormatChanged)
    Q_PROPERTY(QString serialNumber READ serialNumber NOTIFY serialNumberChanged)
    Q_PROPERTY(QString exportFolder READ exportFolder WRITE setExportFolder NOTIFY exportFolderChanged)
    Q_PROPERTY(QString language READ language WRITE setLanguage NOTIFY languageChanged)
    Q_PROPERTY(QQmlListProperty<IconListViewItem> languageList READ languageList NOTIFY languagesChanged)
    Q_PROPERTY(QQmlListProperty<IconListViewItem> timeFormatList READ timeFormatList CONSTANT)
    Q_PROPERTY(QQmlListProperty<IconListViewItem> dateFormatList READ dateFormatList CONSTANT)
    Q_PROPERTY(QQmlListProperty<IconListViewItem> timeZoneList READ timeZoneList CONSTANT)
    Q_PROPERTY(QQmlListProperty<IconListViewItem> insulationList READ insulationList NOTIFY insulationsChanged)
    Q_PROPERTY(QList<qreal> voltageSnapsTestVoltage READ voltageSnapsTestVoltage WRITE setVoltageSnapsTestVoltage
                   NOTIFY voltageSnapsTestVoltageChanged)
    Q_PROPERTY(QList<qreal> voltageSnapsNormVoltage READ voltageSnapsNormVoltage WRITE setVoltageSnapsNormVoltage
                   NOTIFY voltageSnapsNormVoltageChanged)

public:
    static constexpr int kMinPasswordLength = 5;
    // The menu locks, named as their password records are.
    static inline const QString kServiceLock = QStringLiteral("service_menu");
    static inline const QString kAdminLock = QStringLiteral("admin_menu");
    static inline const QString kRyxLock = QStringLiteral("ryx_menu");

    explicit Settings(QObject* parent = nullptr);
    ~Settings() override;

    // QML has no long: these are ints towards it.
    int brightness() const;
    void setBrightness(int percent);
    int theme() const;
    void setTheme(int theme);
    int timeFormat() const;
    void setTimeFormat(int index);
    int dateFormat() const;
    void setDateFormat(int index);
    int tanDeltaPrecision() const;
    void setTanDeltaPrecision(int precision);
    bool calibrationMode() const;
    void setCalibrationMode(bool on);
    bool screenshotsEnabled() const;
    int dblClickTime() const;
    void setDblClickTime(int ms);
    int textScrollSpeed() const;
    void setTextScrollSpeed(int speed);
    int graphUpdateIntervall() const;
    void setGraphUpdateIntervall(int ms);
    QString timeFormatString() const;
    QString dateFormatString() const;
    // Date format, one blank, time format.
    Q_INVOKABLE QString dateTimeFormatString() const;
    QString serialNumber() const;
    QString exportFolder() const;
    void setExportFolder(const QString& folder);
    // The current language's native name, as the language list gives it.
    QString language() const;
    void setLanguage(const QString& nativeName);

    QQmlListProperty<IconListViewItem> languageList();
    QQmlListProperty<IconListViewItem> timeFormatList();
    QQmlListProperty<IconListViewItem> dateFormatList();
    QQmlListProperty<IconListViewItem> timeZoneList();
    // Rebuilt on every read: the enabled types first, then the others.
    QQmlListProperty<IconListViewItem> insulationList();
    const QList<IconListViewItem*>& languageItems() const { return m_languageItems.items(); }
    const QList<IconListViewItem*>& timeFormatItems() const { return m_timeFormatItems.items(); }
    const QList<IconListViewItem*>& dateFormatItems() const { return m_dateFormatItems.items(); }
    const QList<IconListViewItem*>& timeZoneItems() const { return m_timeZoneItems.items(); }
    const QList<IconListViewItem*>& insulationItems();

    QList<qreal> voltageSnapsTestVoltage() const;
    void setVoltageSnapsTestVoltage(const QList<qreal>& values);
    QList<qreal> voltageSnapsNormVoltage() const;
    void setVoltageSnapsNormVoltage(const QList<qreal>& values);

    Q_INVOKABLE bool setSerialNumber(const QString& key);
    // name is the connection's name; only the wired connection takes an address.
    Q_INVOKABLE bool setIp(const QString& name, const QString& ipAddress);
    Q_INVOKABLE bool setDateTime(qlonglong unixTimeStamp, int timeZoneOffset);
    Q_INVOKABLE bool toggleInsulationState(int insulationId);
    // Default voltage factor of a tan delta step in units of U0.
    Q_INVOKABLE double getTanDeltaLevel(int step) const;
    Q_INVOKABLE bool setTanDeltaLevel(int step, double value);

    // Menu locks.
    Q_INVOKABLE bool unlockServiceMenu(const QString& password);
    Q_INVOKABLE bool unlockAdminMenu(const QString& password);
    Q_INVOKABLE bool unlockRyxMenu(const QString& password);
    Q_INVOKABLE bool lockServiceMenu();
    Q_INVOKABLE bool lockAdminMenu();
    Q_INVOKABLE bool lockRyxMenu();
    Q_INVOKABLE bool setAdminPassword(const QString& password);
    Q_INVOKABLE bool isServiceMenuLocked() const;
    Q_INVOKABLE bool isAdminMenuLocked() const;
    Q_INVOKABLE bool isRyxMenuLocked() const;
    Q_INVOKABLE int minPasswordLength() const { return kMinPasswordLength; }
    // Whether the menu lock of that name is closed (so is every lock without a data model,
    // and every unknown name); an empty name is no lock.
    static bool isLocked(const QString& lock);

    // Configuration editor: the entries directly below a path, by name.
    Q_INVOKABLE QVariantList configItems(const QString& path) const;
    Q_INVOKABLE bool setConfigItemDouble(const QString& path, double value);
    Q_INVOKABLE bool setConfigItemLong(const QString& path, long value);
    Q_INVOKABLE bool setConfigItemBool(const QString& path, bool value);
    Q_INVOKABLE bool setConfigItemString(const QString& path, const QString& value);

public slots:
    void languageListChanged(const QVariantList& languageList);
    void onSettingsValueChanged(const QString& path);

signals:
    void brightnessChanged(int brightness);
    void themeChanged();
    void timeFormatChanged();
    void dateFormatChanged();
    void tanDeltaPrecisionChanged();
    void calibrationModeChanged();
    void screenshotsEnabledChanged();
    void serviceMenuLockedChanged();
    void adminMenuLockedChanged();
    void ryxMenuLockedChanged();
    void dblClickTimeChanged();
    void textScrollSpeedChanged();
    void graphUpdateIntervallChanged();
    void serialNumberChanged();
    void exportFolderChanged();
    void languageChanged();
    void languagesChanged();
    void insulationsChanged();
    void voltageSnapsTestVoltageChanged();
    void voltageSnapsNormVoltageChanged();
    void changeLanguage(QString language);
    void unlockSystemFunction(SystemFunction::eSysFunc func);
    void settingsValueChanged(QString path);

private:
    void initTimeZoneList();
    bool unlock(const QString& type, const QString& password, SystemFunction::eSysFunc func);
    // Writes through one typed setter of the store; a key that does not exist is refused.
    template <typename Write>
    bool writeConfigItem(const QString& path, Write write);

    OwnedItemList<IconListViewItem> m_languageItems;
    OwnedItemList<IconListViewItem> m_timeFormatItems;
    OwnedItemList<IconListViewItem> m_dateFormatItems;
    OwnedItemList<IconListViewItem> m_timeZoneItems;
    OwnedItemList<IconListViewItem> m_insulationItems;
    QVariantList m_languages;
};
