#pragma once

#include "datamodel/OperatingModes.h"
#include "uiapi/OwnedItemList.h"

#include <QList>
#include <QObject>
#include <QQmlListProperty>
#include <QString>

// One node of the main menu: an operating mode with its icons, texts and the modes below
// it, ordered by their priority. Whether it is shown follows the mode's enabling.
class MenuViewModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(QQmlListProperty<MenuViewModel> menuEntries READ menuEntriesProperty CONSTANT)
    Q_PROPERTY(QString icon READ icon CONSTANT)
    Q_PROPERTY(QString focusIcon READ focusIcon CONSTANT)
    Q_PROPERTY(QString description READ description NOTIFY languageChanged)
    Q_PROPERTY(QString detailedDescription READ detailedDescription NOTIFY languageChanged)
    Q_PROPERTY(QString subMenuText READ subMenuText NOTIFY languageChanged)
    Q_PROPERTY(bool enabled READ enabled NOTIFY enabledChanged)
    Q_PROPERTY(OperatingModes::OperatingMode mode READ mode CONSTANT)

public:
    explicit MenuViewModel(QObject* parent = nullptr);

    const QList<MenuViewModel*>& menuEntries() const { return m_menuEntries.items(); }
    QQmlListProperty<MenuViewModel> menuEntriesProperty();
    // Takes the child over and inserts it before the first child of a higher priority
    // number; equal ones keep their order.
    void addMenuEntry(MenuViewModel* child);
    // Takes the children over; those no longer listed are deleted once QML let them go.
    void setMenuEntries(const QList<MenuViewModel*>& entries);

    QString icon() const { return m_icon; }
    void setIcon(const QString& icon) { m_icon = icon; }
    QString focusIcon() const { return m_focusIcon; }
    void setFocusIcon(const QString& icon) { m_focusIcon = icon; }
    OperatingModes::OperatingMode mode() const { return m_mode; }
    void setMode(OperatingModes::OperatingMode mode) { m_mode = mode; }
    void setDescription(const QString& key) { m_description = key; }
    void setDetailedDescription(const QString& key) { m_detailedDescription = key; }
    void setSubMenuText(const QString& key) { m_subMenuText = key; }

    // Translated on each read.
    QString description() const;
    QString detailedDescription() const;
    QString subMenuText() const;
    bool enabled() const;

public slots:
    void onOperatingModeEnabledChanged(OperatingModes::OperatingMode mode);

signals:
    void languageChanged();
    void enabledChanged();

private:
    OwnedItemList<MenuViewModel> m_menuEntries;
    QString m_icon;
    QString m_focusIcon;
    OperatingModes::OperatingMode m_mode = OperatingModes::None;
    QString m_description;
    QString m_detailedDescription;
    QString m_subMenuText;
};
