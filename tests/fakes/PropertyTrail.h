#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QStringList>

// Every value some properties of a page took, in order, the page being the next one of
// that name a stack shows: for lines that last a tick or two only.
class PropertyTrail : public QObject {
    Q_OBJECT
public:
    // Forgets what was noted and follows the next current item of that name.
    void expect(QObject* stack, const QString& objectName, const QStringList& properties);
    QStringList values(const char* property) const { return m_values.value(QLatin1String(property)); }

private slots:
    void pageShown();
    void changed();

private:
    QPointer<QObject> m_stack, m_page;
    QString m_name;
    QStringList m_properties;
    QHash<QString, QStringList> m_values;
};
