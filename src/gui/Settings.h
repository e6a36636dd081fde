#pragma once

#include "datamodel/SystemFunctions.h"

#include <QObject>
#include <QString>
#include <QVariantList>

// The settings the main window and the navigation read. It keeps no values of its own:
// every read asks the data model or the configuration store at that moment.
class Settings : public QObject {
    Q_OBJECT
    Q_PROPERTY(long theme READ theme WRITE setTheme NOTIFY themeChanged)
    Q_PROPERTY(QString language READ language WRITE setLanguage NOTIFY languageChanged)
    Q_PROPERTY(QString timeFormatString READ timeFormatString NOTIFY timeFormatChanged)
    Q_PROPERTY(int dblClickTime READ dblClickTime WRITE setDblClickTime NOTIFY dblClickTimeChanged)
    Q_PROPERTY(int graphUpdateIntervall READ graphUpdateIntervall NOTIFY graphUpdateIntervallChanged)
public:
    explicit Settings(QObject* parent = nullptr);

    long theme() const;
    void setTheme(long theme);
    // The current language's native name, as the language list gives it.
    QString language() const;
    void setLanguage(const QString& nativeName);
    QString timeFormatString() const;
    int dblClickTime() const;
    void setDblClickTime(int ms);
    // How often the measurement charts redraw, in ms.
    int graphUpdateIntervall() const;

public slots:
    void languageListChanged(const QVariantList& languageList);
    void onSettingsValueChanged(const QString& path);

signals:
    void themeChanged();
    void languageChanged();
    void timeFormatChanged();
    void dblClickTimeChanged();
    void graphUpdateIntervallChanged();
    void insulationsChanged();
    void changeLanguage(QString language);
    void unlockSystemFunction(SystemFunction::eSysFunc func);
    void settingsValueChanged(QString path);

private:
    QVariantList m_languages;
};
